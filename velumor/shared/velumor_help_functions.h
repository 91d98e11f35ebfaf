#pragma once
// Module VelumorHelpFunctions: small string, enumeration and encoding functions that
// every window uses. None keeps state.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"

namespace velumor::shared {

// The part of `s` before its first NUL character; all of `s` when it holds none. Host
// texts may carry NULs from fixed-size device fields.
std::string StripAtNul(std::string_view s);

// 0 to 9 as the single digit, anything else as "0x" and upper-case hexadecimal digits
// without leading zeros; a negative number shows its 32-bit two's complement (-1 gives
// "0xFFFFFFFF").
std::string FormatHexCode(int32_t n);

// Whether any of the bits 2, 4, 8, 32 or 128 of `n` is set (n And &HAE).
bool HasStateBits(int32_t n);

// The text of `lValue` in enumeration `lEnumHandle` of the device description; "" for a
// missing description, a handle below 1 or a value no entry has. Of several entries with
// the value, the last one wins.
std::string GetEnumText(tolvar::DeviceDescription* dd, int32_t lEnumHandle, int32_t lValue);

// The engineering context the host keeps in "&&private_FDT&&EngineeringContext".
// `lHandle` is not read (callers pass the notified item's handle). Error 91 without a
// device description.
int32_t GetEngineeringContext(tolvar::DeviceDescription* dd, int32_t lHandle = 0);

// `sPath` (up to its first NUL) shortened for a status-bar panel when it has `nMax` or
// more characters: its first three characters, "...", and its tail from the last but one
// separator (a backslash or a slash) on. The result may still be longer than nMax.
std::string CompactPath(std::string_view sPath, uint8_t nMax);

// `s` as HART packed ASCII: upper-cased, each character in the Windows ANSI code page 1252
// (a character the page lacks becomes '?'), six bits a character, four characters in three
// bytes; (6 * length + 7) / 8 bytes, lower bound 0. Empty for an empty text.
platform::com::ByteArray PackAscii(std::string_view s);

}  // namespace velumor::shared
