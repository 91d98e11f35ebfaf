#include "tolvar/controls/scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace tolvar::controls {

ScaleReading readScale(double value, double lo, double hi) {
  ScaleReading r{};
  r.value = std::numeric_limits<double>::quiet_NaN();
  const bool known = std::isfinite(lo) && std::isfinite(hi);
  if (known) {
    const bool inverted = lo > hi;
    if (inverted) std::swap(lo, hi);
    r.rangeValid = !inverted && lo < hi;
    if (!std::isnan(value)) {
      r.overRange = value > hi;
      r.underRange = value < lo;
    }
    r.min = lo;
    r.max = hi;
    if (lo == hi) {
      const double pad = std::max(1.0, std::abs(lo) * 0.01);
      r.min = lo - pad;
      r.max = hi + pad;
    }
  } else {
    r.rangeValid = false;
    if (std::isfinite(lo)) {
      r.min = lo;
      r.max = lo + 100.0;
    } else if (std::isfinite(hi)) {
      r.max = hi;
      r.min = hi > 0 ? 0.0 : hi - 100.0;
    } else {
      r.min = 0.0;
      r.max = 100.0;
    }
  }
  if (!std::isnan(value)) r.value = std::clamp(value, r.min, r.max);
  return r;
}

namespace {

// Locale-free, unlike printf: a toolkit that sets a German numeric locale must not turn the
// decimal point of a display into a comma.
std::string printed(std::chars_format format, int precision, double v) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, format, precision);
  std::string s(buf, res.ec == std::errc() ? res.ptr : std::to_chars(buf, buf + sizeof buf, v).ptr);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

}  // namespace

std::string fitNumber(const std::string& text, double value, std::size_t width) {
  if (width == 0 || text.size() <= width || !std::isfinite(value)) return text;
  for (int decimals = 15; decimals >= 0; --decimals) {
    std::string s = printed(std::chars_format::fixed, decimals, value);
    if (s.find('.') != std::string::npos) {
      // Digits that the value does not have are not shown.
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    if (s.size() <= width) return s;
  }
  for (int digits = 15; digits >= 0; --digits) {
    std::string s = printed(std::chars_format::scientific, digits, value);
    if (s.size() <= width) return s;
  }
  return std::string(width, '#');
}

}  // namespace tolvar::controls
