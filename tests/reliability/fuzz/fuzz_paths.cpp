// SPDX-License-Identifier: GPL-2.0-or-later
// The path functions on arbitrary text: joining, splitting a typed path on a real tree (it changes
// directories, so the start directory must always be current again afterwards), the depth of a
// folder and the shortening of a path to a width.

#include "browser/Paths.h"
#include "browser/ProcessDirectory.h"
#include "core/Errors.h"
#include "tests/reliability/fuzz/FuzzSupport.h"
#include "tests/support/WorkingDirectory.h"

#include <cstdint>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A small tree to split paths against: folders, files, a name with brackets, a folder that may not
// be entered (for a process without the administrator's override) and a link that loops.
std::string MakeTree() {
    const std::string root = ScratchFolder() + "/tree";
    for (const char* folder : {"", "/video", "/video/2006", "/video/[x]", "/a b", "/locked"}) {
        mkdir((root + folder).c_str(), 0755);
    }
    for (const char* file : {"/video/clip.avi", "/video/2006/x.mpg", "/a b/c d.avi", "/video/[x]/[y]"}) {
        std::ofstream(root + file) << "x";
    }
    chmod((root + "/locked").c_str(), 0);
    symlink("loop", (root + "/loop").c_str());
    return root;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ChangeDirectory(MakeTree());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string dir = input.ConsumeRandomLengthString(300);
    const std::string name = input.ConsumeRandomLengthString(300);
    const int width = input.ConsumeIntegralInRange(-5, 400);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::string joined = JoinPath(dir, name);
    FUZZ_CHECK(joined.size() >= dir.size() + name.size());
    FUZZ_CHECK(joined.compare(0, dir.size(), dir) == 0 &&
               joined.compare(joined.size() - name.size(), name.size(), name) == 0);

    const std::string start = CurrentDirectory();
    try {
        const TypedPath split = SplitTypedPath(text, start);
        FUZZ_CHECK(CurrentDirectory() == start);
        // A split never leaves a folder's name as the file part, and its folder is a full one.
        FUZZ_CHECK(split.Dir.starts_with('/') && DirectoryExists(split.Dir));
        FUZZ_CHECK(split.File.empty() || split.File.find('/') == std::string::npos);
        if (!split.File.empty() && split.File.find_first_of("*?") == std::string::npos) {
            const std::string named = JoinPath(split.Dir, split.File);
            FUZZ_CHECK(FileExists(named) || !DirectoryExists(named));
        }
    } catch (const EInOutError&) {
        FUZZ_CHECK(CurrentDirectory() == start);
    }

    FUZZ_CHECK(PathDepth(text, dir) >= 1);
    const std::string shortened = ShortenPathToWidth(
        text, width, [](const std::string& shown) { return static_cast<int>(shown.size()); });
    // The name is always kept whole.
    const std::string lastPart =
        text.substr(text.find_last_of('/') == std::string::npos ? 0 : text.find_last_of('/') + 1);
    FUZZ_CHECK(shortened.size() >= lastPart.size() &&
               shortened.compare(shortened.size() - lastPart.size(), lastPart.size(), lastPart) == 0);
    return 0;
}
