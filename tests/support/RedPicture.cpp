// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/RedPicture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

ClipSpec RedClip() {
    ClipSpec red;
    red.extension = ".avi";
    red.width = 640;
    red.height = 480;
    red.seconds = 30;
    red.picture = "color=c=red";
    return red;
}

std::string Describe(const PictureBox& box) {
    char text[80];
    std::snprintf(text, sizeof text, "%dx%d%+d%+d", box.right - box.left, box.bottom - box.top, box.left,
                  box.top);
    return text;
}

bool IsRed(unsigned long pixel) {
    return ((pixel >> 16) & 0xff) > 200 && ((pixel >> 8) & 0xff) < 60 && (pixel & 0xff) < 60;
}

PictureBox RedPicture(const std::vector<unsigned long>& pixels, int width, int height) {
    PictureBox box{width, height, 0, 0};
    long red = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (IsRed(pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)])) {
                ++red;
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
    }
    if (box.Empty() || red != long{box.right - box.left} * (box.bottom - box.top)) {
        return {};
    }
    return box;
}

PictureBox SettledPicture(const std::function<PictureBox()>& read, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    PictureBox last;
    while (std::chrono::steady_clock::now() < deadline) {
        const PictureBox now = read();
        if (!now.Empty() && now == last) {
            return now;
        }
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}
