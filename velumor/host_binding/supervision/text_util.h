#pragma once
// Small text helpers of the supervision view. Texts are UTF-8; lengths count characters.
#include <cstddef>
#include <string>
#include <string_view>

namespace velumor::supervision {

// `s` without leading and trailing blanks (spaces only, as host texts are padded).
inline std::string trimBlanks(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

inline bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

inline size_t characterCount(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if (!isContinuationByte(c)) ++n;
  return n;
}

// The first `count` characters of `s`; a character is never cut in half.
inline std::string leftChars(std::string_view s, size_t count) {
  size_t seen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (isContinuationByte(s[i])) continue;
    if (seen == count) return std::string(s.substr(0, i));
    ++seen;
  }
  return std::string(s);
}

}  // namespace velumor::supervision
