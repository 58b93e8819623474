// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/reliability/DamagedMedia.h"

#include "tests/support/TempDir.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace {

std::string WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::string ReadClip(const std::string& clip) {
    std::string bytes = ReadFileText(clip);
    if (bytes.empty()) {
        throw std::runtime_error("cannot read " + clip);
    }
    return bytes;
}

} // namespace

std::string WriteTruncatedCopy(const std::string& clip, const std::string& path, int percent) {
    std::string bytes = ReadClip(clip);
    bytes.resize(bytes.size() * static_cast<std::size_t>(percent) / 100);
    return WriteBytes(path, bytes);
}

std::string WriteOverwrittenCopy(const std::string& clip, const std::string& path, unsigned seed) {
    std::string bytes = ReadClip(clip);
    std::mt19937 random(seed);
    for (int run = 0; run < 8; ++run) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(16, 512)(random);
        if (length >= bytes.size()) {
            continue;
        }
        const std::size_t start =
            std::uniform_int_distribution<std::size_t>(0, bytes.size() - length)(random);
        for (std::size_t i = 0; i < length; ++i) {
            bytes[start + i] = static_cast<char>(random());
        }
    }
    return WriteBytes(path, bytes);
}
