// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

// The 32-bit status code every graph call returns: negative means failure, 0 is plain success and a
// positive code is success with a remark (for example "no more items" from an enumerator). The values
// are the classic COM and DirectShow ones, so a code read in a debugger means what it always meant.
using HRESULT = std::int32_t;

constexpr HRESULT MakeStatus(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002u);
constexpr HRESULT E_POINTER = MakeStatus(0x80004003u);
constexpr HRESULT E_FAIL = MakeStatus(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeStatus(0x80040154u);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = MakeStatus(0x80040203u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeStatus(0x80040204u);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeStatus(0x80040209u);
constexpr HRESULT VFW_E_NOT_FOUND = MakeStatus(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeStatus(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeStatus(0x80040218u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeStatus(0x8004025Fu);
constexpr HRESULT VFW_E_TIMEOUT = MakeStatus(0x8004022Eu);
constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeStatus(0x0004022Du);
constexpr HRESULT VFW_S_PARTIAL_RENDER = MakeStatus(0x00040242u);

constexpr bool Failed(HRESULT status) {
    return status < 0;
}
constexpr bool Succeeded(HRESULT status) {
    return status >= 0;
}
