#include "tolvar/sim/item_values.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/com/error.h"
#include "platform/com/hex.h"
#include "platform/com/text.h"
#include "platform/res/user_number.h"

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

// A refusal told to the user, in English and German; "%1" to "%3" take the arguments.
struct Phrase {
  const char* en;
  const char* de;
};

constexpr Phrase kNotANumber{"%1: \"%2\" is not a number", "%1: \"%2\" ist keine Zahl"};
constexpr Phrase kNoNumber{"%1: not a number", "%1: keine Zahl"};
constexpr Phrase kNotAChoice{"%1: %2 is not one of its choices", "%1: %2 ist keine der Auswahlmöglichkeiten"};
constexpr Phrase kTextNotAChoice{"%1: \"%2\" is not one of its choices",
                                 "%1: \"%2\" ist keine der Auswahlmöglichkeiten"};
constexpr Phrase kWholeNumber{"%1: a whole number is needed", "%1: eine ganze Zahl ist nötig"};
constexpr Phrase kOutside{"%1: %2 is outside the allowed range (%3)",
                          "%1: %2 liegt außerhalb des erlaubten Bereichs (%3)"};
constexpr Phrase kRange{"%1 to %2", "%1 bis %2"};
constexpr Phrase kAtLeast{"at least %1", "mindestens %1"};
constexpr Phrase kAtMost{"at most %1", "höchstens %1"};
constexpr Phrase kWithRange{"%1 (allowed: %2)", "%1 (erlaubt: %2)"};
constexpr Phrase kNumberDoesNotFit{"%1: a number does not fit this item",
                                   "%1: eine Zahl passt nicht zu diesem Wert"};
constexpr Phrase kNotBoolean{"%1: \"%2\" is neither True nor False", "%1: \"%2\" ist weder True noch False"};
constexpr Phrase kTooLong{"%1: at most %2 characters (%3 given)", "%1: höchstens %2 Zeichen (%3 eingegeben)"};
constexpr Phrase kPackedCharacters{"%1: only upper-case letters, digits, blanks and punctuation fit",
                                   "%1: nur Großbuchstaben, Ziffern, Leerzeichen und Satzzeichen passen"};
constexpr Phrase kDate{"%1: a date is written YYYY-MM-DD (1900 to 2155)",
                       "%1: ein Datum wird JJJJ-MM-TT geschrieben (1900 bis 2155)"};
constexpr Phrase kOctets{"%1: %2 octets in hexadecimal are needed (\"04 20 C4\")",
                         "%1: %2 Oktette hexadezimal sind nötig (\"04 20 C4\")"};

// What the user gave does not fit the item; `text` says why, in the user's language.
Status misfit(std::string text) {
  return Status::fail(Reason::InvalidArgument, std::move(text));
}

std::string say(const Phrase& phrase, uint16_t langId, std::initializer_list<std::string_view> args) {
  const std::string_view pattern = platform::res::isGerman(langId) ? phrase.de : phrase.en;
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const size_t arg = static_cast<size_t>(pattern[i + 1] - '1');
      if (arg < args.size()) out += *(args.begin() + arg);
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string numberForUser(double n, uint16_t langId) {
  return platform::res::withDecimalMark(platform::com::formatNumber(n), langId);
}

// The range the description gives the item, as the user reads it; empty when it gives none.
std::string describedRange(const dd::VariableDef& def, uint16_t langId) {
  if (def.minimum && def.maximum)
    return say(kRange, langId, {numberForUser(*def.minimum, langId), numberForUser(*def.maximum, langId)});
  if (def.minimum) return say(kAtLeast, langId, {numberForUser(*def.minimum, langId)});
  if (def.maximum) return say(kAtMost, langId, {numberForUser(*def.maximum, langId)});
  return {};
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

std::string userText(const dd::DeviceData& data, const dd::VariableDef& def, const Variant& v,
                     uint16_t langId) {
  std::string text = displayText(data, def, v);
  const bool number =
      def.type == ValueType::Float || def.type == ValueType::Double || def.type == ValueType::Int;
  if (number && v.isNumeric()) return platform::res::withDecimalMark(std::move(text), langId);
  return text;
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

Result<Variant> valueFromUserNumber(const dd::DeviceData& data, const dd::VariableDef& def, double n,
                                    uint16_t langId) {
  const std::string label = labelOf(def);
  if (std::isnan(n) || std::isinf(n)) {
    return misfit(say(kNoNumber, langId, {label}));
  }
  switch (def.type) {
    case ValueType::Bool:
      return Variant(n != 0.0);
    case ValueType::Enum: {
      if (enumerationText(data.enumerationOf(def), n).empty()) {
        return misfit(say(kNotAChoice, langId, {label, numberForUser(n, langId)}));
      }
      return Variant(n);
    }
    case ValueType::BitEnum:
    case ValueType::Int:
      if (n != std::floor(n)) {
        std::string error = say(kWholeNumber, langId, {label});
        if (const std::string range = describedRange(def, langId); !range.empty())
          error = say(kWithRange, langId, {error, range});
        return misfit(std::move(error));
      }
      [[fallthrough]];
    case ValueType::Float:
    case ValueType::Double: {
      double lo, hi;
      typeRange(def, lo, hi);
      if (def.type == ValueType::BitEnum) lo = std::max(lo, 0.0);
      if (n < lo || n > hi) {
        std::string range = describedRange(def, langId);
        if (range.empty())
          range = say(kRange, langId, {numberForUser(lo, langId), numberForUser(hi, langId)});
        return misfit(say(kOutside, langId, {label, numberForUser(n, langId), range}));
      }
      return Variant(n);
    }
    case ValueType::String:
    case ValueType::PackedAscii:
      return valueFromUserText(data, def, platform::com::formatNumber(n), langId);
    case ValueType::Date:
    case ValueType::Bytes:
      return misfit(say(kNumberDoesNotFit, langId, {label}));
  }
  return misfit(say(kNumberDoesNotFit, langId, {label}));
}

namespace {
// A number as the user typed it: either decimal mark, as every value field takes it. A number
// beyond a Double is refused as outside the item's range; anything else that is no number
// gives nothing.
std::optional<double> userNumber(const std::string& text, bool& beyond) {
  const platform::res::UserNumber n = platform::res::parseUserNumber(text);
  beyond = n.problem == platform::res::UserNumber::Problem::OutOfRange;
  if (n.problem != platform::res::UserNumber::Problem::None) return std::nullopt;
  return n.value;
}

Status tooLong(const std::string& label, size_t given, int length, uint16_t langId) {
  return misfit(say(kTooLong, langId, {label, std::to_string(length), std::to_string(given)}));
}
}  // namespace

Result<Variant> valueFromUserText(const dd::DeviceData& data, const dd::VariableDef& def,
                                  std::string_view input, uint16_t langId) {
  const std::string label = labelOf(def);
  const std::string text(platform::com::trim(input));
  switch (def.type) {
    case ValueType::Float:
    case ValueType::Double:
    case ValueType::Int: {
      bool beyond = false;
      std::optional<double> n = userNumber(text, beyond);
      if (!n) {
        const std::string range = describedRange(def, langId);
        if (beyond) {
          double lo, hi;
          typeRange(def, lo, hi);
          return misfit(
              say(kOutside, langId,
                  {label, text,
                   range.empty() ? say(kRange, langId, {numberForUser(lo, langId), numberForUser(hi, langId)})
                                 : range}));
        }
        std::string error = say(kNotANumber, langId, {label, text});
        if (!range.empty()) error = say(kWithRange, langId, {error, range});
        return misfit(std::move(error));
      }
      return valueFromUserNumber(data, def, *n, langId);
    }
    case ValueType::Enum:
    case ValueType::BitEnum: {
      if (const dd::EnumDef* e = data.enumerationOf(def)) {
        for (const auto& entry : e->entries)
          if (equalsNoCase(entry.text, text)) return Variant(static_cast<double>(entry.value));
      }
      bool beyond = false;
      std::optional<double> n = userNumber(text, beyond);
      if (!n) {
        return misfit(say(kTextNotAChoice, langId, {label, text}));
      }
      return valueFromUserNumber(data, def, *n, langId);
    }
    case ValueType::Bool:
      if (equalsNoCase(text, "true") || equalsNoCase(text, "yes") || text == "1" || text == "-1")
        return Variant(true);
      if (equalsNoCase(text, "false") || equalsNoCase(text, "no") || text == "0") return Variant(false);
      return misfit(say(kNotBoolean, langId, {label, text}));
    case ValueType::String:
      // Texts are taken as typed, blanks included.
      if (def.length > 0 && platform::com::codePointCount(input) > static_cast<size_t>(def.length))
        return tooLong(label, platform::com::codePointCount(input), def.length, langId);
      return Variant(std::string(input));
    case ValueType::PackedAscii: {
      std::string upper = platform::com::toUpperAscii(input);
      while (!upper.empty() && upper.back() == ' ') upper.pop_back();
      if (!fitsPackedAscii(upper)) {
        return misfit(say(kPackedCharacters, langId, {label}));
      }
      if (def.length > 0 && upper.size() > static_cast<size_t>(def.length))
        return tooLong(label, upper.size(), def.length, langId);
      return Variant(upper);
    }
    case ValueType::Date:
      if (!validDateText(text)) {
        return misfit(say(kDate, langId, {label}));
      }
      return Variant(text);
    case ValueType::Bytes: {
      auto octets = parseHex(text);
      if (!octets || (def.octets > 0 && octets->size() != static_cast<size_t>(def.octets))) {
        return misfit(say(kOctets, langId, {label, std::to_string(def.octets)}));
      }
      return Variant(ByteArray{def.firstOctet, *octets});
    }
  }
  return Status::fail(Reason::Unsupported, label + ": the item's type is unknown");
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
