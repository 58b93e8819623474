// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/WindowPlacement.h"
#include "app/Winplace.h"
#include "core/ProfileFile.h"
#include "tests/support/TempDir.h"

#include <QWidget>
#include <climits>
#include <gtest/gtest.h>

// A damaged or hand-edited settings file may put any 32-bit value in the placement keys. Edges at
// the ends of the range once overflowed the size arithmetic (found by fuzz_placement): whatever the
// file holds, the window gets a placement that reads back in order and can be saved again.
TEST(PlacementFromAHostileFile, ExtremeBoundsGiveAWindowThatReadsBackInOrder) {
    TempDir dir;
    const ProfileFile settings(dir.WriteFile(
        "tarnwick.ini",
        "[TfrmMain]\nPlaceShowCmd=1\nPlaceNormalPos.Left=-2147483648\nPlaceNormalPos.Top=$7FFFFFFF\n"
        "PlaceNormalPos.Right=2147483647\nPlaceNormalPos.Bottom=-2147483648\n"));
    for (const char* showCmd : {"1", "3", "2"}) {
        settings.WriteString("TfrmMain", "PlaceShowCmd", showCmd);
        QWidget window;
        RestoreWindowPlacement(settings, window, "TfrmMain", true);
        const WindowPlacement placement = GetWindowPlacement(window);
        EXPECT_LE(placement.normalLeft, placement.normalRight) << showCmd;
        EXPECT_LE(placement.normalTop, placement.normalBottom) << showCmd;
        SaveWindowPlacement(settings, window, "Saved");
        EXPECT_EQ(settings.ReadInteger("Saved", "PlaceNormalPos.Right", 0), placement.normalRight);
    }
}
