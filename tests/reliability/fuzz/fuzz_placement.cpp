// SPDX-License-Identifier: GPL-2.0-or-later
// The placement reader on arbitrary settings files: whatever the keys hold, restoring a window's
// placement must neither fail nor leave the window with a placement that cannot be stored again.

#include "app/WindowPlacement.h"
#include "app/Winplace.h"
#include "core/ProfileFile.h"
#include "tests/reliability/fuzz/FuzzSupport.h"

#include <QWidget>
#include <cstdint>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureQtApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool restoreShowCommand = input.ConsumeBool();
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string path = ScratchFolder() + "/placement.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    const ProfileFile settings(path);

    QWidget window;
    RestoreWindowPlacement(settings, window, "TfrmMain", restoreShowCommand);
    const WindowPlacement placement = GetWindowPlacement(window);
    FUZZ_CHECK(placement.showCmd <= 3);
    FUZZ_CHECK(placement.normalRight >= placement.normalLeft &&
               placement.normalBottom >= placement.normalTop);
    return 0;
}
