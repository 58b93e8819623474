// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "tests/support/MediaGenerator.h"

#include <functional>
#include <string>
#include <vector>

// Finding a clip's picture on the screen: the clip is one red, which nothing else in the window is,
// so the picture is where the red is.

// A 640 x 480 clip of one red, 30 s long.
ClipSpec RedClip();

// A rectangle of an image: right and bottom lie just past it.
struct PictureBox {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const PictureBox&) const = default;
};

// "640x480+380+254"
std::string Describe(const PictureBox& box);

// A pixel value 0xRRGGBB that is the clip's red, after decoding and scaling.
bool IsRed(unsigned long pixel);

// The bounds of the red in an image given as rows of pixel values; empty when there is none, or when
// anything but red lies inside them (a picture half drawn, or red that is no picture).
PictureBox RedPicture(const std::vector<unsigned long>& pixels, int width, int height);

// Reads until two reads in a row find the same picture; the last read, empty when none settled in time.
PictureBox SettledPicture(const std::function<PictureBox()>& read, int timeoutMs);
