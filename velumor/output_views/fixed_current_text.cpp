#include "velumor/output_views/fixed_current_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <system_error>

#include "velumor/shared/toolkit_load_resource.h"

namespace velumor {

namespace {

constexpr int16_t kNotANumberText = 29100;
constexpr int16_t kOutOfRangeText = 29101;
constexpr int16_t kHowToEnterText = 29102;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

FixedCurrentText refused(FixedCurrentText::Problem p) {
  return FixedCurrentText{std::nullopt, p};
}

}  // namespace

FixedCurrentText parseFixedCurrentText(std::string_view text) {
  using Problem = FixedCurrentText::Problem;
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
  // Compared in double before converting: a Double beyond the Single range has no Single.
  if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(FLT_MAX)) return refused(Problem::OutOfRange);
  const float f = static_cast<float>(d);
  // A tiny current that a Single holds only as 0 would silently leave fixed-current mode.
  if (f == 0.0f && d != 0.0) return refused(Problem::OutOfRange);
  return FixedCurrentText{f == 0.0f ? 0.0f : f, Problem::None};
}

std::string fixedCurrentRefusal(const FixedCurrentText& checked, std::string_view typed) {
  using Problem = FixedCurrentText::Problem;
  if (checked.problem == Problem::None) return {};
  const int16_t first = checked.problem == Problem::OutOfRange ? kOutOfRangeText : kNotANumberText;
  return LoadResStringByLang(first) + " \"" + std::string(typed) + "\"\r\n" +
         LoadResStringByLang(kHowToEnterText);
}

}  // namespace velumor
