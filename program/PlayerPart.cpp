// SPDX-License-Identifier: GPL-2.0-or-later
#include "program/PlayerPart.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* PartName = "libtarnwick-player.so";

} // namespace

std::string PlayerPartFile() {
    std::error_code unreadable;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", unreadable).parent_path();
    const std::filesystem::path beside = folder / PartName;
    if (std::filesystem::exists(beside, unreadable)) {
        return beside.string();
    }
    return (folder / TARNWICK_INSTALLED_PLAYER_PART).lexically_normal().string();
}

int RunPlayerPart(PlayerStart& start) {
    const std::string file = PlayerPartFile();
    // Global, as the libraries were when the program linked them itself: some look symbols up in
    // the process's global scope.
    void* part = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_GLOBAL);
    auto* entry = part ? reinterpret_cast<PlayerEntry>(::dlsym(part, PlayerEntryName)) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "tarnwick: the player cannot be loaded: %s\n", ::dlerror());
        return 1;
    }
    return entry(start);
}
