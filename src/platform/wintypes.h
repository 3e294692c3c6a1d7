// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fixed-width names for the values that cross the platform stand-ins. Handles are
// 32-bit so that records keep the sizes the program was built around (a 64-bit
// pointer would change every record layout).
#include <cstdint>

namespace vantrel {

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using HANDLE32 = std::uint32_t; // opaque handle value; 0 is "none"

constexpr DWORD ERROR_SUCCESS = 0;

} // namespace vantrel
