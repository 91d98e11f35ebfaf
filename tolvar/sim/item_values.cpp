#include "tolvar/sim/item_values.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/com/error.h"
#include "platform/com/hex.h"
#include "platform/com/text.h"

namespace tolvar::sim {

using dd::ValueType;
using platform::com::equalsNoCase;

namespace {

std::string dateText(const dd::Date& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string fixedText(double v, int decimals) {
  // Locale-free, unlike printf: the numeric locale a toolkit sets must not mix "12,000 mA"
  // and "1.5" in one table.
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, res.ec == std::errc() ? res.ptr : std::to_chars(buf, buf + sizeof buf, v).ptr);
  if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos))
    s.erase(0, 1);
  return s;
}

std::string labelOf(const dd::VariableDef& def) {
  return def.label.empty() ? def.name : def.label;
}

// The range a number of this item may take when the description gives none.
void typeRange(const dd::VariableDef& def, double& lo, double& hi) {
  switch (def.type) {
    case ValueType::Float:
      lo = -FLT_MAX;
      hi = FLT_MAX;
      break;
    case ValueType::Int:
      lo = -2147483648.0;
      hi = 4294967295.0;
      break;
    default:
      lo = -DBL_MAX;
      hi = DBL_MAX;
  }
  if (def.minimum) lo = *def.minimum;
  if (def.maximum) hi = *def.maximum;
}

const dd::EnumDef* responseCodes(const dd::DeviceData& data) {
  if (const auto* v = data.findVariable("LastCommandResponseSummary")) return data.enumerationOf(*v);
  return data.findEnumeration("RESPONSE_CODE");
}

}  // namespace

Variant initialValue(const dd::VariableDef& def) {
  const auto& d = def.defaultValue;
  if (def.type == ValueType::Bool) {
    if (auto b = std::get_if<bool>(&d)) return Variant(*b);
    return Variant(def.defaultNumber() != 0.0);
  }
  if (auto n = std::get_if<int64_t>(&d)) return Variant(static_cast<double>(*n));
  if (auto x = std::get_if<double>(&d)) return Variant(*x);
  if (auto s = std::get_if<std::string>(&d)) return Variant(*s);
  if (auto dt = std::get_if<dd::Date>(&d)) return Variant(dateText(*dt));
  if (auto o = std::get_if<std::vector<uint8_t>>(&d)) return Variant(ByteArray{def.firstOctet, *o});
  if (auto b = std::get_if<bool>(&d)) return Variant(*b);
  return Variant();
}

// ------------------------------------------------------------------ packed ASCII

bool fitsPackedAscii(std::string_view text) {
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 'a' + 'A');
    if (u < 0x20 || u > 0x5F) return false;
  }
  return true;
}

std::vector<uint8_t> packAscii(std::string_view text, int length) {
  size_t chars = length > 0 ? static_cast<size_t>(length) : text.size();
  chars = (chars + 3) / 4 * 4;
  std::vector<uint8_t> out;
  out.reserve(chars / 4 * 3);
  uint32_t group = 0;
  for (size_t i = 0; i < chars; ++i) {
    unsigned char u = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 'a' + 'A');
    if (u < 0x20 || u > 0x5F) u = '?';
    group = (group << 6) | (u & 0x3F);
    if (i % 4 == 3) {
      out.push_back(static_cast<uint8_t>(group >> 16));
      out.push_back(static_cast<uint8_t>(group >> 8));
      out.push_back(static_cast<uint8_t>(group));
      group = 0;
    }
  }
  return out;
}

std::string unpackAscii(const std::vector<uint8_t>& octets) {
  std::string out;
  // Whole groups of three octets only; a trailing part group carries no full character.
  for (size_t i = 0; i + 2 < octets.size(); i += 3) {
    uint32_t group = (uint32_t{octets[i]} << 16) | (uint32_t{octets[i + 1]} << 8) | octets[i + 2];
    for (int k = 3; k >= 0; --k) {
      uint8_t v = (group >> (6 * k)) & 0x3F;
      out += static_cast<char>(v < 0x20 ? v + 0x40 : v);
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// ------------------------------------------------------------------ octets

std::optional<std::vector<uint8_t>> parseHex(std::string_view text) {
  std::vector<uint8_t> out;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return std::nullopt;
    int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    i += 2;
    if (i < text.size() && text[i] != ' ' && text[i] != '\t') return std::nullopt;
  }
  return out;
}

std::optional<Variant> valueFromOctets(const dd::VariableDef& def, const std::vector<uint8_t>& octets) {
  switch (def.type) {
    case ValueType::Bytes:
      return Variant(ByteArray{def.firstOctet, octets});
    case ValueType::PackedAscii:
      return Variant(unpackAscii(octets));
    case ValueType::String:
      return Variant(std::string(octets.begin(), octets.end()));
    default:
      return std::nullopt;
  }
}

std::optional<std::vector<uint8_t>> octetsOf(const dd::VariableDef& def, const Variant& v) {
  if (v.type() == platform::com::VarType::ByteArray) return v.byteArray().data;
  if (!v.isString()) return std::nullopt;
  std::string s = v.toString();
  if (def.type == ValueType::PackedAscii) return packAscii(s, def.length);
  return std::vector<uint8_t>(s.begin(), s.end());
}

// ------------------------------------------------------------------ numbers and texts

std::optional<double> numberOf(const Variant& v) {
  if (v.isNumeric()) return v.toDouble();
  if (v.isEmpty()) return 0.0;
  if (v.isString()) {
    try {
      if (auto n = platform::com::parseNumber(v.toString())) return *n;
    } catch (const platform::com::RuntimeError&) {
      // a number too large for a Double is no number here
    }
  }
  return std::nullopt;
}

std::string enumerationText(const dd::EnumDef* e, double value) {
  if (!e || std::isnan(value) || value != std::floor(value)) return {};
  if (std::fabs(value) > 9.2e18) return {};
  if (const auto* entry = e->find(static_cast<int64_t>(value))) return entry->text;
  return {};
}

std::string displayText(const dd::DeviceData& data, const dd::VariableDef& def, const Variant& v) {
  using platform::com::VarType;
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      return {};
    case VarType::Boolean:
      return v.toBool() ? "True" : "False";
    case VarType::String:
      return v.toString();
    case VarType::ByteArray: {
      const ByteArray& a = v.byteArray();
      if (def.name.rfind("&&Record_Response&&", 0) == 0 && !a.data.empty()) {
        // A response shows as its code with the code's text, then the device status.
        const uint8_t code = a.data[0];
        std::string text;
        if (code & 0x80) {
          text = "Communication error";
        } else {
          text = enumerationText(responseCodes(data), code);
          if (text.empty()) text = "Response code";
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, " (%u)", static_cast<unsigned>(code));
        text += buf;
        if (a.data.size() > 1)
          text += ", device status " + platform::com::hexOctets(std::span(a.data).subspan(1, 1));
        return text;
      }
      return platform::com::hexOctets(a.data);
    }
    case VarType::Object:
    case VarType::Error:
    case VarType::VariantArray:
      return v.debugString();
    default:
      break;
  }
  const double n = v.toDouble();
  if (def.type == ValueType::Enum || def.type == ValueType::BitEnum) {
    const dd::EnumDef* e = data.enumerationOf(def);
    std::string t = enumerationText(e, n);
    if (!t.empty()) return t;
    if (def.type == ValueType::BitEnum && e && n > 0 && n == std::floor(n) && n <= 4294967295.0) {
      // A bit mask shows the texts of its bits; bits without a text show as numbers.
      const auto mask = static_cast<uint64_t>(n);
      std::string out;
      for (int bit = 0; bit < 32; ++bit) {
        const uint64_t b = uint64_t{1} << bit;
        if (!(mask & b)) continue;
        std::string part = enumerationText(e, static_cast<double>(b));
        if (part.empty()) part = std::to_string(b);
        if (!out.empty()) out += ", ";
        out += part;
      }
      return out;
    }
    return platform::com::formatNumber(n);
  }
  if ((def.type == ValueType::Float || def.type == ValueType::Double) && def.decimals >= 0 &&
      std::isfinite(n))
    return fixedText(n, def.decimals);
  return platform::com::formatNumber(n);
}

bool validDateText(std::string_view s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  int y = 0, m = 0, d = 0;
  for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (s[i] < '0' || s[i] > '9') return false;
  y = std::stoi(std::string(s.substr(0, 4)));
  m = std::stoi(std::string(s.substr(5, 2)));
  d = std::stoi(std::string(s.substr(8, 2)));
  if (y < 1900 || y > 2155 || m < 1 || m > 12 || d < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::optional<Variant> valueFromUserNumber(const dd::DeviceData& data, const dd::VariableDef& def, double n,
                                           std::string& error) {
  const std::string label = labelOf(def);
  if (std::isnan(n) || std::isinf(n)) {
    error = label + ": not a number";
    return std::nullopt;
  }
  switch (def.type) {
    case ValueType::Bool:
      return Variant(n != 0.0);
    case ValueType::Enum: {
      if (enumerationText(data.enumerationOf(def), n).empty()) {
        error = label + ": " + platform::com::formatNumber(n) + " is not one of its choices";
        return std::nullopt;
      }
      return Variant(n);
    }
    case ValueType::BitEnum:
    case ValueType::Int:
      if (n != std::floor(n)) {
        error = label + ": a whole number is needed";
        return std::nullopt;
      }
      [[fallthrough]];
    case ValueType::Float:
    case ValueType::Double: {
      double lo, hi;
      typeRange(def, lo, hi);
      if (def.type == ValueType::BitEnum) lo = std::max(lo, 0.0);
      if (n < lo || n > hi) {
        error = label + ": " + platform::com::formatNumber(n) + " is outside " +
                platform::com::formatNumber(lo) + " to " + platform::com::formatNumber(hi);
        return std::nullopt;
      }
      return Variant(n);
    }
    case ValueType::String:
    case ValueType::PackedAscii:
      return valueFromUserText(data, def, platform::com::formatNumber(n), error);
    case ValueType::Date:
    case ValueType::Bytes:
      error = label + ": a number does not fit this item";
      return std::nullopt;
  }
  return std::nullopt;
}

namespace {
// A number as the user typed it; nothing when it is not one.
std::optional<double> userNumber(const std::string& text) {
  try {
    return platform::com::parseNumber(text);
  } catch (const platform::com::RuntimeError&) {
    return std::nullopt;
  }
}
}  // namespace

std::optional<Variant> valueFromUserText(const dd::DeviceData& data, const dd::VariableDef& def,
                                         std::string_view input, std::string& error) {
  const std::string label = labelOf(def);
  const std::string text(platform::com::trim(input));
  switch (def.type) {
    case ValueType::Float:
    case ValueType::Double:
    case ValueType::Int: {
      std::optional<double> n = userNumber(text);
      if (!n) {
        error = label + ": \"" + text + "\" is not a number";
        return std::nullopt;
      }
      return valueFromUserNumber(data, def, *n, error);
    }
    case ValueType::Enum:
    case ValueType::BitEnum: {
      if (const dd::EnumDef* e = data.enumerationOf(def)) {
        for (const auto& entry : e->entries)
          if (equalsNoCase(entry.text, text)) return Variant(static_cast<double>(entry.value));
      }
      std::optional<double> n = userNumber(text);
      if (!n) {
        error = label + ": \"" + text + "\" is not one of its choices";
        return std::nullopt;
      }
      return valueFromUserNumber(data, def, *n, error);
    }
    case ValueType::Bool:
      if (equalsNoCase(text, "true") || equalsNoCase(text, "yes") || text == "1" || text == "-1")
        return Variant(true);
      if (equalsNoCase(text, "false") || equalsNoCase(text, "no") || text == "0") return Variant(false);
      error = label + ": \"" + text + "\" is neither True nor False";
      return std::nullopt;
    case ValueType::String:
      // Texts are taken as typed, blanks included.
      if (def.length > 0 && platform::com::codePointCount(input) > static_cast<size_t>(def.length)) {
        error = label + ": at most " + std::to_string(def.length) + " characters";
        return std::nullopt;
      }
      return Variant(std::string(input));
    case ValueType::PackedAscii: {
      std::string upper = platform::com::toUpperAscii(input);
      while (!upper.empty() && upper.back() == ' ') upper.pop_back();
      if (!fitsPackedAscii(upper)) {
        error = label + ": only upper-case letters, digits, blanks and punctuation fit";
        return std::nullopt;
      }
      if (def.length > 0 && upper.size() > static_cast<size_t>(def.length)) {
        error = label + ": at most " + std::to_string(def.length) + " characters";
        return std::nullopt;
      }
      return Variant(upper);
    }
    case ValueType::Date:
      if (!validDateText(text)) {
        error = label + ": a date is written YYYY-MM-DD (1900 to 2155)";
        return std::nullopt;
      }
      return Variant(text);
    case ValueType::Bytes: {
      auto octets = parseHex(text);
      if (!octets || (def.octets > 0 && octets->size() != static_cast<size_t>(def.octets))) {
        error =
            label + ": " + std::to_string(def.octets) + " octets in hexadecimal are needed (\"04 20 C4\")";
        return std::nullopt;
      }
      return Variant(ByteArray{def.firstOctet, *octets});
    }
  }
  return std::nullopt;
}

Variant hostValueFromNumber(const dd::VariableDef& def, double number) {
  if (def.type == ValueType::Bool) return Variant(number != 0.0);
  return Variant(number);
}

Variant hostValueFromText(const dd::VariableDef& def, std::string text) {
  if (def.type == ValueType::Bool) {
    if (equalsNoCase(text, "true")) return Variant(true);
    if (equalsNoCase(text, "false")) return Variant(false);
  }
  return Variant(std::move(text));
}

}  // namespace tolvar::sim
