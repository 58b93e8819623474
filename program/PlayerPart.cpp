// SPDX-License-Identifier: GPL-2.0-or-later
#include "program/PlayerPart.h"

#include "core/ExecutablePath.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* PartName = "libtarnwick-player.so";

} // namespace

std::string PlayerPartFile() {
    const std::filesystem::path program = ExecutablePath();
    if (program.empty()) {
        return {};
    }
    std::error_code unreadable;
    const std::filesystem::path beside = program.parent_path() / PartName;
    if (std::filesystem::exists(beside, unreadable)) {
        return beside.string();
    }
    return (program.parent_path() / TARNWICK_INSTALLED_PLAYER_PART).lexically_normal().string();
}

int RunPlayerPart(PlayerStart& start) {
    const std::string file = PlayerPartFile();
    if (file.empty()) {
        std::fprintf(stderr, "tarnwick: the player cannot be loaded: the program's own folder is unknown\n");
        return 1;
    }
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
