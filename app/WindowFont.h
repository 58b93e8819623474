// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFont>

// The font of the window and all its controls: "ＭＳ Ｐゴシック" at 12 px. Where that family is not
// installed, an installed Japanese Gothic stands in for it, so the Japanese captions always render.
QFont WindowFont();
