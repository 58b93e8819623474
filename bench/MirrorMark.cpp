// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/MirrorMark.h"

namespace {

// Loose bounds, as the player's colour conversion and scaling shift the bars' colours a little.
bool Yellow(const unsigned char* pixel) {
    return pixel[0] > 150 && pixel[1] > 150 && pixel[2] < 100;
}

bool Blue(const unsigned char* pixel) {
    return pixel[0] < 100 && pixel[1] < 100 && pixel[2] > 150;
}

} // namespace

Mirroring MirroringOf(const ScreenPicture& picture) {
    double yellowX = 0;
    double blueX = 0;
    long yellowCount = 0;
    long blueCount = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* pixel = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
            if (Yellow(pixel)) {
                yellowX += x;
                ++yellowCount;
            } else if (Blue(pixel)) {
                blueX += x;
                ++blueCount;
            }
        }
    }
    // The moving band and dots hold a little yellow and blue too; the bars must outweigh them.
    const long enough = static_cast<long>(picture.width) * picture.height / 50;
    if (yellowCount < enough || blueCount < enough) {
        return Mirroring::Unreadable;
    }
    return yellowX / yellowCount < blueX / blueCount ? Mirroring::Plain : Mirroring::Mirrored;
}
