// SPDX-License-Identifier: GPL-2.0-or-later
// The filter selector's parser and its selected mask on arbitrary filter texts and selections, with
// a file list linked so that the mask reaches a real listing of a small folder.

#include "browser/FileScan.h"
#include "browser/ProcessDirectory.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "tests/reliability/fuzz/FuzzSupport.h"
#include "tests/support/WorkingDirectory.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>

namespace {

void MakeFolderToList() {
    const std::string folder = ScratchFolder() + "/list";
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "/sub").c_str(), 0755);
    for (const char* file : {"a.avi", "B.AVI", "clip.mpg", ".hidden.avi", "noext", "動画.wmv", "x;y.avi"}) {
        std::ofstream(folder + "/" + file) << "x";
    }
    ChangeDirectory(folder);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureQtApplication();
    MakeFolderToList();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int pick = input.ConsumeIntegralInRange(-2, 40);
    const bool list = input.ConsumeBool();
    const std::string filter = input.ConsumeRemainingBytesAsString();

    // One pair of controls for the whole run, as in the program, where the filter changes under them.
    static TFilterComboBox& combo = *new TFilterComboBox;
    static TFileListBox& files = *new TFileListBox;
    if (!combo.isVisible()) {
        combo.SetFileList(&files);
        combo.show();
    }
    combo.SetFilter(filter);
    combo.RebuildEntries();

    const auto bars = static_cast<int>(std::count(filter.begin(), filter.end(), '|'));
    FUZZ_CHECK(combo.Count() == (bars + 1) / 2);
    FUZZ_CHECK(combo.Count() == static_cast<int>(combo.EntryMasks().size()));

    combo.SetItemIndex(pick);
    const std::string mask = combo.CurrentMask();
    if (combo.Count() == 0) {
        FUZZ_CHECK(mask == "*.*");
    } else {
        FUZZ_CHECK(combo.ItemIndex() >= 0 && combo.ItemIndex() < combo.Count());
        FUZZ_CHECK(mask == combo.EntryMasks()[static_cast<std::size_t>(combo.ItemIndex())]);
    }
    if (list) {
        files.SetMask(mask);
        FUZZ_CHECK(files.Mask() == mask);
        (void)ScanFiles(".", mask, TFileType::Of(ftHidden | ftDirectory | ftSystem, true), true, [] {});
    }
    return 0;
}
