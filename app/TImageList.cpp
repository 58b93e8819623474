// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TImageList.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <stdexcept>

namespace {

// Each image is a small framed button face: a dark outline, a light upper-left edge, a grey
// lower-right edge, and the transport sign in the middle.
const QString kPalette = QStringLiteral("k=#404040 w=#ffffff f=#e6e3da g=#9c9888 s=#1c2a5a a=#2f5fb8");

const QStringList kPlay = {
    "................", //
    ".kkkkkkkkkkkkkk.", //
    ".kwwwwwwwwwwwwk.", //
    ".kwffffffffffgk.", //
    ".kwffsfffffffgk.", //
    ".kwffssffffffgk.", //
    ".kwffsassffffgk.", //
    ".kwffsaassfffgk.", //
    ".kwffsaaassffgk.", //
    ".kwffsaassfffgk.", //
    ".kwffsassffffgk.", //
    ".kwffssffffffgk.", //
    ".kwffsfffffffgk.", //
    ".kwgggggggggggk.", //
    ".kkkkkkkkkkkkkk.", //
    "................", //
};

const QStringList kStop = {
    "................", //
    ".kkkkkkkkkkkkkk.", //
    ".kwwwwwwwwwwwwk.", //
    ".kwffffffffffgk.", //
    ".kwffffffffffgk.", //
    ".kwffssssssffgk.", //
    ".kwffsaaaasffgk.", //
    ".kwffsaaaasffgk.", //
    ".kwffsaaaasffgk.", //
    ".kwffsaaaasffgk.", //
    ".kwffssssssffgk.", //
    ".kwffffffffffgk.", //
    ".kwffffffffffgk.", //
    ".kwgggggggggggk.", //
    ".kkkkkkkkkkkkkk.", //
    "................", //
};

const QStringList kPrevious = {
    "................", //
    ".kkkkkkkkkkkkkk.", //
    ".kwwwwwwwwwwwwk.", //
    ".kwffffffffffgk.", //
    ".kwfssfffffsfgk.", //
    ".kwfssffffssfgk.", //
    ".kwfssfffsasfgk.", //
    ".kwfssffsaasfgk.", //
    ".kwfssfsaaasfgk.", //
    ".kwfssffsaasfgk.", //
    ".kwfssfffsasfgk.", //
    ".kwfssffffssfgk.", //
    ".kwfssfffffsfgk.", //
    ".kwgggggggggggk.", //
    ".kkkkkkkkkkkkkk.", //
    "................", //
};

const QStringList kNext = {
    "................", //
    ".kkkkkkkkkkkkkk.", //
    ".kwwwwwwwwwwwwk.", //
    ".kwffffffffffgk.", //
    ".kwfsfffffssfgk.", //
    ".kwfssffffssfgk.", //
    ".kwfsasfffssfgk.", //
    ".kwfsaasffssfgk.", //
    ".kwfsaaasfssfgk.", //
    ".kwfsaasffssfgk.", //
    ".kwfsasfffssfgk.", //
    ".kwfssffffssfgk.", //
    ".kwfsfffffssfgk.", //
    ".kwgggggggggggk.", //
    ".kkkkkkkkkkkkkk.", //
    "................", //
};

const QStringList kPause = {
    "................", //
    ".kkkkkkkkkkkkkk.", //
    ".kwwwwwwwwwwwwk.", //
    ".kwffffffffffgk.", //
    ".kwffffffffffgk.", //
    ".kwfsssffsssfgk.", //
    ".kwfsasffsasfgk.", //
    ".kwfsasffsasfgk.", //
    ".kwfsasffsasfgk.", //
    ".kwfsasffsasfgk.", //
    ".kwfsasffsasfgk.", //
    ".kwfsssffsssfgk.", //
    ".kwffffffffffgk.", //
    ".kwgggggggggggk.", //
    ".kkkkkkkkkkkkkk.", //
    "................", //
};

} // namespace

QPixmap TImageList::FromPixelArt(const QStringList& rows, const QString& palette) {
    QHash<QChar, QColor> colours;
    for (const QString& entry : palette.split(u' ', Qt::SkipEmptyParts)) {
        if (entry.size() < 3 || entry[1] != u'=' || !QColor::isValidColorName(entry.mid(2))) {
            throw std::invalid_argument("bad palette entry: " + entry.toStdString());
        }
        colours.insert(entry[0], QColor::fromString(entry.mid(2)));
    }
    const int height = static_cast<int>(rows.size());
    const int width = height == 0 ? 0 : static_cast<int>(rows.front().size());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < height; ++y) {
        const QString& row = rows[y];
        if (row.size() != width) {
            throw std::invalid_argument("pixel art rows differ in width");
        }
        for (int x = 0; x < width; ++x) {
            if (row[x] == u'.') {
                continue;
            }
            auto colour = colours.constFind(row[x]);
            if (colour == colours.constEnd()) {
                throw std::invalid_argument("pixel art uses a colour the palette lacks");
            }
            image.setPixelColor(x, y, *colour);
        }
    }
    return QPixmap::fromImage(image);
}

TImageList TImageList::TransportImages() {
    TImageList list;
    for (const QStringList* art : {&kPlay, &kStop, &kPrevious, &kNext, &kPause}) {
        list.images_.push_back(FromPixelArt(*art, kPalette));
    }
    return list;
}

QIcon TImageList::Icon(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return QIcon(Image(index));
}
