// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ProgramIcon.h"

#include <QPixmap>

namespace {
#include "resources/tarnwick.xpm"
} // namespace

QIcon ProgramIcon() {
    return QIcon(QPixmap(tarnwick_xpm));
}
