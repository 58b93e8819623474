// SPDX-License-Identifier: GPL-2.0-or-later
// Reading which libraries a shared object needs, from files whole and damaged, and loading a real
// plugin's libraries leaves first.

#include "graph/gst/LibraryPreload.h"

#include "tests/support/TempDir.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <iterator>
#include <link.h>
#include <random>

namespace {

using Names = std::vector<std::string>;

std::string DecodersPluginFile() {
    gst_init(nullptr, nullptr);
    GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), "libav");
    if (!plugin) {
        return {};
    }
    std::string file = gst_plugin_get_filename(plugin) ? gst_plugin_get_filename(plugin) : "";
    gst_object_unref(plugin);
    return file;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool HasNameStarting(const Names& names, const std::string& prefix) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return n.starts_with(prefix); });
}

// Where the loader found a loaded library.
std::string LoadedPath(const std::string& name) {
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) {
        return {};
    }
    link_map* map = nullptr;
    std::string path;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) {
        path = map->l_name;
    }
    ::dlclose(handle);
    return path;
}

} // namespace

TEST(NeededLibrariesTest, AreReadFromRealObjectsAndNothingFromWhatIsNotOne) {
    const std::string plugin = DecodersPluginFile();
    ASSERT_FALSE(plugin.empty()) << "the decoders' plugin is installed";
    EXPECT_TRUE(HasNameStarting(NeededLibraries(plugin), "libavcodec.so."));
    const Names program = NeededLibraries("/proc/self/exe");
    EXPECT_TRUE(HasNameStarting(program, "libc.so.")) << ::testing::PrintToString(program);
    EXPECT_TRUE(HasNameStarting(program, "libgstreamer-1.0.so."));

    TempDir dir;
    for (const std::string& path :
         {dir.WriteFile("empty", ""), dir.WriteFile("text", "not a library at all\n"),
          dir.WriteFile("magic-only", "\x7f"
                                      "ELF"),
          dir / "missing", dir.Path()}) {
        EXPECT_EQ(NeededLibraries(path), Names{}) << path;
    }
}

// A damaged library is never read past its end or its tables, whatever the damage: a file cut short
// gives all its names or none, and corrupted bytes give no crash (the sanitizer build checks every
// read).
TEST(NeededLibrariesTest, ADamagedLibraryIsReadSafely) {
    const std::string plugin = DecodersPluginFile();
    ASSERT_FALSE(plugin.empty());
    const std::string whole = ReadBytes(plugin);
    const Names names = NeededLibraries(plugin);
    ASSERT_FALSE(names.empty());
    TempDir dir;
    const std::string copy = dir / "damaged.so";

    for (const size_t length :
         {size_t{1}, size_t{16}, sizeof(ElfW(Ehdr)) - 1, sizeof(ElfW(Ehdr)), size_t{200}, whole.size() / 4,
          whole.size() / 2, whole.size() - 4096, whole.size() - 1}) {
        WriteBytes(copy, whole.substr(0, length));
        const Names read = NeededLibraries(copy);
        EXPECT_TRUE(read.empty() || read == names) << "cut to " << length << " bytes";
    }
    WriteBytes(copy, whole.substr(0, whole.size() - 1));
    EXPECT_EQ(NeededLibraries(copy), names) << "the last byte holds none of the tables";

    // Corruption where the reader looks: the headers, then anywhere in the first pages.
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::string damaged = whole;
        const size_t span = round < 150 ? 512 : std::min<size_t>(whole.size(), 64 * 1024);
        for (int flip = 0; flip < 1 + round % 4; ++flip) {
            damaged[random() % span] = static_cast<char>(random());
        }
        WriteBytes(copy, damaged);
        for (const std::string& name : NeededLibraries(copy)) {
            EXPECT_LT(name.size(), whole.size()) << "round " << round;
        }
    }
}

// Every library is loaded after all the libraries it needs, so that each load holds the loader's lock
// for one library only; afterwards the plugin's decoders library is in the process.
TEST(LoadNeededLibrariesTest, LoadsARealPluginsLibrariesLeavesFirst) {
    const std::string plugin = DecodersPluginFile();
    ASSERT_FALSE(plugin.empty());
    const Names loaded = LoadNeededLibrariesLeavesFirst(plugin, LoadedLibraryFolders());
    ASSERT_TRUE(HasNameStarting(loaded, "libavcodec.so.")) << ::testing::PrintToString(loaded);
    for (size_t i = 0; i < loaded.size(); ++i) {
        const std::string path = LoadedPath(loaded[i]);
        ASSERT_FALSE(path.empty()) << loaded[i] << " is loaded";
        for (const std::string& need : NeededLibraries(path)) {
            const auto at = std::find(loaded.begin(), loaded.end(), need);
            EXPECT_TRUE(at == loaded.end() || at < loaded.begin() + static_cast<std::ptrdiff_t>(i))
                << loaded[i] << " was loaded before " << need << ", which it needs";
        }
    }
    EXPECT_EQ(LoadNeededLibrariesLeavesFirst(plugin, LoadedLibraryFolders()), Names{})
        << "what is loaded is not loaded again";
}
