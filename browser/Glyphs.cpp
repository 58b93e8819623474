// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Glyphs.h"

#include <QBitmap>
#include <QImage>
#include <cstring>

namespace {

// The browser's pictures in XPM text: "." is the olive background, which the bottom-left pixel
// names as the transparent colour of each.
const char* const floppy[] = {
    "16 11 4 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",
    "g c #00FF00",      "................", "................", ".##############.",
    ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#ww########ww#.", ".#wwwwwwwwwwgw#.",
    ".#wwwwwwwwwwww#.", ".##############.", "................", "................",
};

const char* const hard[] = {
    "16 11 5 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",      "s c #808080",
    "g c #00FF00",      "................", "................", "................", ".##############.",
    ".#ssssssssssss#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwgw#.", ".#wwwwwwwwwwww#.", ".##############.",
    "................", "................",
};

const char* const network[] = {
    "16 11 4 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",
    "g c #00FF00",      "................", ".##############.", ".#wwwwwwwwwwww#.",
    ".#wwwwwwwwwwgw#.", ".##############.", ".......##.......", ".......##.......",
    "..############..", "................", "................", "................",
};

const char* const cdrom[] = {
    "16 11 5 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",      "g c #00FF00",
    "y c #FFFF00",      "................", "......yyyy......", "....yyyyyyyy....", "...yyyy##yyyy...",
    ".##############.", ".#wwwwwwwwwwww#.", ".#ww######wwgw#.", ".#wwwwwwwwwwww#.", ".##############.",
    "................", "................",
};

const char* const ram[] = {
    "16 11 4 1",        ". c #808000",      "# c #000000",      "g c #00FF00",
    "k c #404040",      "................", "..#.#.#.#.#.#...", "..#.#.#.#.#.#...",
    ".#############..", ".#kkkkkkkkkkk#..", ".#kgkkkkkkkkk#..", ".#############..",
    "..#.#.#.#.#.#...", "..#.#.#.#.#.#...", "................", "................",
};

const char* const closedfolder[] = {
    "16 15 3 1",        ". c #808000",      "# c #000000",      "y c #FFFF00",      "................",
    "................", "..#####.........", ".#yyyyy#........", ".#yyyyyy#######.", ".#yyyyyyyyyyyy#.",
    ".#yyyyyyyyyyyy#.", ".#yyyyyyyyyyyy#.", ".#yyyyyyyyyyyy#.", ".#yyyyyyyyyyyy#.", ".#yyyyyyyyyyyy#.",
    ".##############.", "................", "................", "................",
};

const char* const openfolder[] = {
    "16 15 4 1",        ". c #808000",      "# c #000000",      "y c #FFFF00",      "o c #C0C000",
    "................", "................", "..#####.........", ".#yyyyy#........", ".#yyyyyy######..",
    ".#yyyyyyyyyyy#..", ".#yy###########.", ".#y#ooooooooooo#", ".#y#oooooooooo#.", ".##ooooooooooo#.",
    ".#ooooooooooo#..", ".#############..", "................", "................", "................",
};

const char* const currentfolder[] = {
    "16 15 5 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",      "y c #FFFF00",
    "o c #C0C000",      "................", "....#######.....", "..##wwwwwww#....", ".#y#w#####w#....",
    ".#y#wwwwwww####.", ".#y#w#####wyyy#.", ".#yy###########.", ".#y#ooooooooooo#", ".#y#oooooooooo#.",
    ".##ooooooooooo#.", ".#ooooooooooo#..", ".#############..", "................", "................",
    "................",
};

const char* const executable[] = {
    "16 15 4 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",      "b c #000080",
    "................", "................", ".##############.", ".#bbbbbbbbbbbb#.", ".##############.",
    ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.", ".#wwwwwwwwwwww#.",
    ".#wwwwwwwwwwww#.", ".##############.", "................", "................", "................",
};

const char* const unknownfile[] = {
    "16 15 3 1",        ". c #808000",      "# c #000000",      "w c #FFFFFF",      "................",
    "...########.....", "...#wwwwww##....", "...#wwwwww#w#...", "...#wwwwww####..", "...#wwwwwwwww#..",
    "...#w#####www#..", "...#wwwwwwwww#..", "...#w######ww#..", "...#wwwwwwwww#..", "...#w#####www#..",
    "...#wwwwwwwww#..", "...###########..", "................", "................",
};

struct NamedGlyph {
    const char* name;
    const char* const* xpm;
};

const NamedGlyph glyphs[] = {
    {"FLOPPY", floppy},
    {"HARD", hard},
    {"NETWORK", network},
    {"CDROM", cdrom},
    {"RAM", ram},
    {"OPENFOLDER", openfolder},
    {"CURRENTFOLDER", currentfolder},
    {"CLOSEDFOLDER", closedfolder},
    {"EXECUTABLE", executable},
    {"UNKNOWNFILE", unknownfile},
};

} // namespace

QPixmap LoadGlyph(std::string_view name) {
    for (const NamedGlyph& glyph : glyphs) {
        if (name == glyph.name) {
            const QImage image(glyph.xpm);
            QPixmap pixmap = QPixmap::fromImage(image);
            const QRgb transparent = image.pixel(0, image.height() - 1);
            pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(transparent, Qt::MaskInColor)));
            return pixmap;
        }
    }
    return {};
}
