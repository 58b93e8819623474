// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/LibraryPreload.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <link.h>
#include <set>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A read-only view of a whole file, unmapped when it goes.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* mapped = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                data_ = static_cast<const unsigned char*>(mapped);
                size_ = static_cast<size_t>(info.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (data_) {
            ::munmap(const_cast<unsigned char*>(data_), size_);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The objects of type T at offset, or nullptr when they do not lie wholly inside the file or
    // the offset does not suit T's alignment (a well-formed object aligns its tables).
    template <typename T> const T* At(std::uint64_t offset, std::uint64_t count = 1) const {
        if (!data_ || offset > size_ || offset % alignof(T) != 0 || count > (size_ - offset) / sizeof(T)) {
            return nullptr;
        }
        return reinterpret_cast<const T*>(data_ + offset);
    }
    size_t Size() const { return size_; }

private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

// Where the loadable segment that holds the address puts it in the file; 0 with found false when
// no segment holds it.
std::uint64_t FileOffsetOf(const ElfW(Phdr) * headers, size_t count, std::uint64_t address, bool& found) {
    for (size_t i = 0; i < count; ++i) {
        const ElfW(Phdr)& segment = headers[i];
        if (segment.p_type == PT_LOAD && address >= segment.p_vaddr &&
            address - segment.p_vaddr < segment.p_filesz) {
            found = true;
            return address - segment.p_vaddr + segment.p_offset;
        }
    }
    found = false;
    return 0;
}

bool IsLoaded(const std::string& name) {
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle) {
        ::dlclose(handle);
    }
    return handle != nullptr;
}

std::string FindIn(const std::vector<std::string>& folders, const std::string& name) {
    std::error_code error;
    for (const std::string& folder : folders) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate.string();
        }
    }
    return {};
}

struct LeavesFirstLoader {
    const std::vector<std::string>& folders;
    std::set<std::string> seen;
    std::vector<std::string> loaded;

    void LoadNeedsOf(const std::string& path) {
        for (const std::string& name : NeededLibraries(path)) {
            Load(name);
        }
    }

    void Load(const std::string& name) {
        // A name with a slash is a path the loader would not search for; leave it to the loader.
        if (name.find('/') != std::string::npos || !seen.insert(name).second || IsLoaded(name)) {
            return;
        }
        const std::string path = FindIn(folders, name);
        if (!path.empty()) {
            LoadNeedsOf(path);
        }
        // Kept open for good: the plugin that needs it is loaded later and stays.
        if (::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
            loaded.push_back(name);
        }
    }
};

} // namespace

std::vector<std::string> NeededLibraries(const std::string& path) {
    const MappedFile file(path);
    const auto* header = file.At<ElfW(Ehdr)>(0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
        header->e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
        header->e_phentsize != sizeof(ElfW(Phdr))) {
        return {};
    }
    const auto* segments = file.At<ElfW(Phdr)>(header->e_phoff, header->e_phnum);
    if (!segments) {
        return {};
    }
    const ElfW(Phdr)* dynamicSegment = nullptr;
    for (size_t i = 0; i < header->e_phnum; ++i) {
        if (segments[i].p_type == PT_DYNAMIC) {
            dynamicSegment = &segments[i];
        }
    }
    if (!dynamicSegment) {
        return {};
    }
    const std::uint64_t entryCount = dynamicSegment->p_filesz / sizeof(ElfW(Dyn));
    const auto* entries = file.At<ElfW(Dyn)>(dynamicSegment->p_offset, entryCount);
    if (!entries) {
        return {};
    }
    std::vector<std::uint64_t> nameOffsets;
    std::uint64_t stringsAddress = 0;
    std::uint64_t stringsSize = 0;
    for (std::uint64_t i = 0; i < entryCount && entries[i].d_tag != DT_NULL; ++i) {
        switch (entries[i].d_tag) {
        case DT_NEEDED:
            nameOffsets.push_back(entries[i].d_un.d_val);
            break;
        case DT_STRTAB:
            stringsAddress = entries[i].d_un.d_ptr;
            break;
        case DT_STRSZ:
            stringsSize = entries[i].d_un.d_val;
            break;
        default:
            break;
        }
    }
    bool found = false;
    const std::uint64_t stringsOffset = FileOffsetOf(segments, header->e_phnum, stringsAddress, found);
    const char* strings = found ? file.At<char>(stringsOffset, stringsSize) : nullptr;
    if (!strings) {
        return {};
    }
    std::vector<std::string> names;
    for (const std::uint64_t offset : nameOffsets) {
        // Each name must end inside the table.
        if (offset >= stringsSize) {
            return {};
        }
        const size_t length = ::strnlen(strings + offset, stringsSize - offset);
        if (length == stringsSize - offset) {
            return {};
        }
        names.emplace_back(strings + offset, length);
    }
    return names;
}

std::vector<std::string> LoadNeededLibrariesLeavesFirst(const std::string& path,
                                                        const std::vector<std::string>& folders) {
    LeavesFirstLoader loader{folders, {}, {}};
    loader.LoadNeedsOf(path);
    return loader.loaded;
}

std::vector<std::string> LoadedLibraryFolders() {
    std::vector<std::string> folders;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& found = *static_cast<std::vector<std::string>*>(data);
            if (info->dlpi_name && info->dlpi_name[0] == '/') {
                std::string folder = std::filesystem::path(info->dlpi_name).parent_path().string();
                if (std::find(found.begin(), found.end(), folder) == found.end()) {
                    found.push_back(std::move(folder));
                }
            }
            return 0;
        },
        &folders);
    return folders;
}
