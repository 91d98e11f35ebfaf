#include "platform/com/text.h"

namespace platform::com {

std::size_t codePointCount(std::string_view s) {
  std::size_t n = 0;
  for (char c : s)
    if (!isContinuationByte(c)) ++n;
  return n;
}

std::size_t bytesOfCodePoints(std::string_view s, std::size_t n) {
  if (n == 0) return 0;  // also before stray continuation bytes
  std::size_t seen = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (isContinuationByte(s[i])) continue;
    if (seen == n) return i;
    ++seen;
  }
  return s.size();
}

std::string_view firstCodePoints(std::string_view s, std::size_t n) {
  return s.substr(0, bytesOfCodePoints(s, n));
}

std::string_view trim(std::string_view s, std::string_view chars) {
  const std::size_t first = s.find_first_not_of(chars);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(chars) - first + 1);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace platform::com
