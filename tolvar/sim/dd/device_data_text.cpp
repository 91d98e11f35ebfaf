#include <charconv>
#include <cmath>

#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd::detail {

// Small helpers of the parser: quoting, number and octet texts, names, dates.

std::string inQuotes(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

// A value as an error text quotes it: short, never a whole nested document.
std::string shortJson(const json& j) {
  if (j.is_object()) return "an object";
  if (j.is_array()) return "an array";
  std::string s = j.dump(-1, ' ', false, json::error_handler_t::replace);
  return s.size() > 60 ? s.substr(0, 57) + "..." : s;
}

std::string formatDouble(double d) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

// Round half to even, as the host's number conversions do; clamps to the 32-bit range, and
// reads values of the unsigned 32-bit range as their signed counterpart (a flag word of
// 0xFFFFFFFE is -2), so that a Long output means what the views make of the item's value.
int32_t toLong(double d) {
  if (std::isnan(d)) return 0;
  double r = std::nearbyint(d);  // default rounding mode: to nearest, ties to even
  if (r > 2147483647.0 && r <= 4294967295.0) r -= 4294967296.0;
  if (r > 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r < -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

bool validName(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F;
  });
}

std::optional<Date> parseDate(std::string_view s) {
  // YYYY-MM-DD, within what a HART date can hold (years 1900 to 2155).
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  auto num = [&](size_t pos, size_t len, int& out) {
    auto res = std::from_chars(s.data() + pos, s.data() + pos + len, out);
    return res.ec == std::errc() && res.ptr == s.data() + pos + len;
  };
  Date d;
  if (!num(0, 4, d.year) || !num(5, 2, d.month) || !num(8, 2, d.day)) return std::nullopt;
  if (d.year < 1900 || d.year > 2155 || d.month < 1 || d.month > 12 || d.day < 1) return std::nullopt;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  int maxDay = days[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
  if (d.day > maxDay) return std::nullopt;
  return d;
}

std::optional<std::vector<uint8_t>> parseHexOctets(std::string_view s) {
  // Pairs of hexadecimal digits separated by one blank: "04 20 C4"; the empty text is no octet.
  std::vector<uint8_t> out;
  if (s.empty()) return out;
  if ((s.size() + 1) % 3 != 0) return std::nullopt;
  for (size_t i = 0; i < s.size(); i += 3) {
    if (i + 2 < s.size() && s[i + 2] != ' ') return std::nullopt;
    unsigned v = 0;
    auto res = std::from_chars(s.data() + i, s.data() + i + 2, v, 16);
    if (res.ec != std::errc() || res.ptr != s.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<uint8_t>(v));
  }
  return out;
}

std::string categoryOf(std::string_view name) {
  // "&&private_PM&&Address" -> "private_PM"; plain device variables -> "device".
  if (name.substr(0, 2) == "&&") {
    size_t end = name.find("&&", 2);
    if (end != std::string_view::npos) return std::string(name.substr(2, end - 2));
  }
  return "device";
}

}  // namespace tolvar::dd::detail
