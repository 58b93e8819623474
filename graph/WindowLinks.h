// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The three things the playback object reaches in the main window. The window implements them; the
// playback object only borrows them, so it needs no widget library.

// The seek bar: range 0 to a maximum.
class SeekBarLink {
public:
    virtual ~SeekBarLink() = default;
    virtual void SetMax(int maximum) = 0;
    // Moves the bar without raising a scroll event: only the user's moves seek.
    virtual void SetPosition(int position) = 0;
};

// A modal message box with one OK button.
class ErrorBoxLink {
public:
    virtual ~ErrorBoxLink() = default;
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

// An ordered list of text lines that accepts appended lines (the debug memo).
class TextSinkLink {
public:
    virtual ~TextSinkLink() = default;
    virtual void AppendLine(const std::string& line) = 0;
};
