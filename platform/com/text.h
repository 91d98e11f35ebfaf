#pragma once
// Text helpers for the UTF-8 strings used throughout: lengths count code points (what a user
// sees as characters), not bytes, and a cut never splits a character.
#include <cstddef>
#include <string_view>

#include "platform/com/export.h"

namespace platform::com {

// What `trim` removes by default: blanks and line ends.
inline constexpr std::string_view kWhitespace = " \t\r\n";

// True for a byte that continues a multi-byte sequence (it belongs to the character before it).
constexpr bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

PLAT_API std::size_t codePointCount(std::string_view s);
// The number of bytes the first `n` code points of `s` take (all of `s` when it has fewer).
PLAT_API std::size_t bytesOfCodePoints(std::string_view s, std::size_t n);
// The first `n` code points of `s`.
PLAT_API std::string_view firstCodePoints(std::string_view s, std::size_t n);

// `s` without leading and trailing characters of `chars` (host texts are padded with spaces:
// pass " " to keep tabs and line ends).
PLAT_API std::string_view trim(std::string_view s, std::string_view chars = kWhitespace);

// Equal when ASCII letters are compared without case (item and control names).
PLAT_API bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace platform::com
