// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStringList>
#include <vector>

// A list of small images shared by the actions, by index.
class TImageList {
public:
    // The five 16 x 16 transport images: 0 play, 1 stop, 2 previous, 3 next, 4 pause.
    static TImageList TransportImages();

    // An image drawn from rows of characters, one per pixel: "." is transparent, every other
    // character is looked up in the palette "k=#404040 w=#ffffff ...".
    static QPixmap FromPixelArt(const QStringList& rows, const QString& palette);

    int Count() const { return static_cast<int>(images_.size()); }
    const QPixmap& Image(int index) const { return images_.at(static_cast<size_t>(index)); }
    // The image as an icon, or an empty icon for an index that names no image (-1: none).
    QIcon Icon(int index) const;

private:
    std::vector<QPixmap> images_;
};
