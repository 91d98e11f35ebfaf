#pragma once
// A guard against documents nested so deeply that building, copying or printing them would
// exhaust the stack. It scans the text before any parser sees it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::com {

// Deeper than any file this system writes or reads by design, shallow enough for every
// recursive walk over a parsed document.
inline constexpr int kMaxJsonDepth = 100;

// The line (from 1) where the text opens more than `maxDepth` nested arrays or objects, or
// nothing when it stays within that depth. Brackets inside strings do not count.
inline std::optional<std::size_t> jsonTooDeepAtLine(std::string_view text, int maxDepth = kMaxJsonDepth) {
  std::size_t line = 1;
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') ++line;
    if (inString) {
      if (c == '\\') {
        if (i + 1 < text.size() && text[i + 1] == '\n') ++line;
        ++i;  // an escaped character never ends the string
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > maxDepth) return line;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return std::nullopt;
}

// A parser's message can quote the last token read, which may be a whole line of the file:
// an error text keeps its start.
inline std::string shortJsonError(std::string_view message, std::size_t limit = 200) {
  if (message.size() <= limit) return std::string(message);
  return std::string(message.substr(0, limit)) + "...";
}

}  // namespace platform::com
