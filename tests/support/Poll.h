// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <chrono>
#include <functional>

// Asks the condition every 10 ms until it holds or the deadline passes; whether it held.
bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline);
