// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// Errors that escape an event handler are shown in the application's error box and the program
// goes on. Each class names the kind of failure; the message is the text the user sees (UTF-8).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A change of directory or a listing that the operating system refused; carries the error code
// in the runtime's numbering (2 no such file, 3 no such folder, 4 too many open files, 5 denied).
class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, int errorCode) : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

// A file name that does not name an existing file.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A text that should hold a number and does not.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The settings file could not be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};
