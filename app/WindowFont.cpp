// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
const QString kFamily = QStringLiteral("ＭＳ Ｐゴシック");

// Japanese proportional Gothics that Debian ships, best first.
const QStringList kStandIns = {
    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Source Han Sans JP"),
    QStringLiteral("IPAPGothic"),       QStringLiteral("VL PGothic"),
    QStringLiteral("TakaoPGothic"),     QStringLiteral("Droid Sans Japanese"),
};
} // namespace

QFont WindowFont() {
    if (!QFontDatabase::hasFamily(kFamily) && QFont::substitutes(kFamily).isEmpty()) {
        QStringList installed;
        for (const QString& family : kStandIns) {
            if (QFontDatabase::hasFamily(family)) {
                installed << family;
            }
        }
        QFont::insertSubstitutions(kFamily, installed);
    }
    QFont font(kFamily);
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
