#include "platform/res/user_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/res/language.h"

namespace platform::res {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

UserNumber refused(UserNumber::Problem p) {
  return UserNumber{0.0, p};
}

constexpr uint16_t kGermanPrimary = 7;

}  // namespace

UserNumber parseUserNumber(std::string_view text) {
  using Problem = UserNumber::Problem;
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  // The text from_chars reads: "." as the mark, no leading "+".
  std::string number;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') number += '-';
    ++i;
  }
  size_t digits = 0;
  bool mark = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      number += c;
      ++digits;
    } else if ((c == '.' || c == ',') && !mark) {
      number += '.';
      mark = true;
    } else {
      break;
    }
  }
  if (digits == 0) return refused(Problem::NotANumber);
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    number += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    size_t expDigits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++expDigits) number += text[i];
    if (expDigits == 0) return refused(Problem::NotANumber);
  }
  if (i != text.size()) return refused(Problem::NotANumber);

  double d = 0.0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), d);
  if (ec == std::errc::result_out_of_range) return refused(Problem::OutOfRange);
  if (ec != std::errc() || end != number.data() + number.size()) return refused(Problem::NotANumber);
  if (!std::isfinite(d)) return refused(Problem::OutOfRange);
  return UserNumber{d == 0.0 ? 0.0 : d, Problem::None};
}

bool isGerman(uint16_t langId) {
  return primaryLanguage(langId) == kGermanPrimary;
}

char decimalMark(uint16_t langId) {
  return isGerman(langId) ? ',' : '.';
}

std::string withDecimalMark(std::string numberText, uint16_t langId) {
  const char mark = decimalMark(langId);
  if (mark != '.')
    for (char& c : numberText)
      if (c == '.') c = mark;
  return numberText;
}

}  // namespace platform::res
