// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPixmap>
#include <string_view>

// One of the browser's pictures by name: "FLOPPY", "HARD", "NETWORK", "CDROM", "RAM" (16 x 11),
// "OPENFOLDER", "CURRENTFOLDER", "CLOSEDFOLDER", "EXECUTABLE", "UNKNOWNFILE" (16 x 15). The colour
// of the bottom-left pixel is transparent. A null pixmap for an unknown name.
QPixmap LoadGlyph(std::string_view name);
