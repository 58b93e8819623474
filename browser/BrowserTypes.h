// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

// The kinds of directory entry a file list shows. The values are the attribute bits that a kind
// adds to a search; ftNormal adds none and means "ordinary entries, whatever their attributes".
enum TFileAttr : std::uint8_t {
    ftReadOnly = 0x01,
    ftHidden = 0x02,
    ftSystem = 0x04,
    ftVolumeID = 0x08,
    ftDirectory = 0x10,
    ftArchive = 0x20,
};

// A set of TFileAttr kinds plus the ftNormal flag, which has no attribute bit of its own.
class TFileType {
public:
    constexpr TFileType() = default;
    static constexpr TFileType Normal() { return TFileType(0, true); }
    static constexpr TFileType Of(std::uint8_t attributeBits, bool normal = false) {
        return TFileType(attributeBits, normal);
    }

    constexpr bool HasNormal() const { return normal_; }
    constexpr std::uint8_t AttributeBits() const { return bits_; }
    constexpr bool Has(TFileAttr kind) const { return (bits_ & kind) != 0; }

    friend constexpr bool operator==(TFileType, TFileType) = default;

private:
    constexpr TFileType(std::uint8_t bits, bool normal) : bits_(bits), normal_(normal) {}
    std::uint8_t bits_ = 0;
    bool normal_ = false;
};

enum TTextCase { tcLowerCase, tcUpperCase };
