#include "platform/com/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/hex.h"

namespace platform::com {

struct Variant::ObjectBox {
  Ptr<Dispatch> object;
};

// ---------------------------------------------------------------------------------------------
// Arrays

namespace {
// Index arithmetic in 64 bits: a lower bound near the Long limits must not overflow.
size_t checkedOffset(int32_t lowerBound, size_t size, int32_t index) {
  const int64_t offset = static_cast<int64_t>(index) - lowerBound;
  if (offset < 0 || static_cast<uint64_t>(offset) >= size) raise(err::SubscriptOutOfRange);
  return static_cast<size_t>(offset);
}
}  // namespace

uint8_t& ByteArray::at(int32_t index) {
  return data[checkedOffset(lowerBound, data.size(), index)];
}
uint8_t ByteArray::at(int32_t index) const {
  return data[checkedOffset(lowerBound, data.size(), index)];
}
Variant& VariantArray::at(int32_t index) {
  return items[checkedOffset(lowerBound, items.size(), index)];
}
const Variant& VariantArray::at(int32_t index) const {
  return items[checkedOffset(lowerBound, items.size(), index)];
}

// ---------------------------------------------------------------------------------------------
// Numeric helpers

namespace {

// Rounds half to even without depending on the floating-point environment's rounding mode.
double roundHalfEven(double v) {
  const double lower = std::floor(v);
  const double diff = v - lower;
  if (diff > 0.5) return lower + 1.0;
  if (diff < 0.5) return lower;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// Range and NaN are checked on the rounded value before any cast: an out-of-range
// floating-to-integer conversion is undefined behaviour in C++.
template <class Int>
Int roundToInt(double v, double lo, double hi) {
  if (!std::isfinite(v)) raise(err::Overflow);
  const double r = roundHalfEven(v);
  if (r < lo || r > hi) raise(err::Overflow);
  return static_cast<Int>(r);
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "&H..." / "&O..." after the prefix: digits of the radix up to the first that does not fit.
// A value up to 16 bits reads as a 16-bit Integer (&HFFFF is -1), up to 32 bits as a Long,
// as the language's literals do; anything longer overflows.
struct RadixResult {
  double value = 0;
  size_t consumed = 0;  // characters after the prefix
};
RadixResult parseRadix(std::string_view s, int radix) {
  RadixResult res;
  uint64_t value = 0;
  bool tooLarge = false;
  for (; res.consumed < s.size(); ++res.consumed) {
    const int d = hexValue(s[res.consumed]);
    if (d < 0 || d >= radix) break;
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFull) tooLarge = true;
    if (tooLarge) value = 0xFFFFFFFFFull;  // keeps the arithmetic bounded
  }
  if (tooLarge) raise(err::Overflow);
  if (value <= 0xFFFFu) {
    res.value = static_cast<int16_t>(static_cast<uint16_t>(value));
  } else {
    res.value = static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  return res;
}

// A decimal number scanned from the front of `s`: [sign] digits [. digits] [E|D [sign] digits].
// `consumed` is 0 when no digit was found.
struct DecimalScan {
  size_t consumed = 0;
  std::string canonical;          // "-123.45e-6", ready for from_chars
  int64_t magnitudeExponent = 0;  // decimal exponent of the first significant digit
};

DecimalScan scanDecimal(std::string_view s) {
  DecimalScan scan;
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  std::string intPart, fracPart;
  while (i < s.size() && isDigit(s[i])) intPart += s[i++];
  if (i < s.size() && s[i] == '.') {
    size_t j = i + 1;
    while (j < s.size() && isDigit(s[j])) fracPart += s[j++];
    if (!intPart.empty() || !fracPart.empty()) i = j;
  }
  if (intPart.empty() && fracPart.empty()) return scan;

  int64_t exponent = 0;
  std::string exponentText;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
      negativeExponent = s[j] == '-';
      ++j;
    }
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) {
        // Capped: anything this large is out of range anyway.
        if (exponent < 1000000) exponent = exponent * 10 + (s[j] - '0');
        ++j;
      }
      if (negativeExponent) exponent = -exponent;
      exponentText = "e" + std::to_string(exponent);
      i = j;
    }
  }

  // The decimal position of the first significant digit, to tell overflow from underflow.
  const size_t firstInt = intPart.find_first_not_of('0');
  const size_t firstFrac = fracPart.find_first_not_of('0');
  if (firstInt != std::string::npos) {
    scan.magnitudeExponent = static_cast<int64_t>(intPart.size() - firstInt) + exponent;
  } else if (firstFrac != std::string::npos) {
    scan.magnitudeExponent = -static_cast<int64_t>(firstFrac) + exponent;
  } else {
    scan.magnitudeExponent = std::numeric_limits<int32_t>::min();  // zero
  }

  scan.consumed = i;
  scan.canonical = std::string(negative ? "-" : "") + (intPart.empty() ? "0" : intPart) + "." +
                   (fracPart.empty() ? "0" : fracPart) + exponentText;
  return scan;
}

double decimalValue(const DecimalScan& scan) {
  double value = 0;
  const char* first = scan.canonical.data();
  const char* last = first + scan.canonical.size();
  const auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Tiny magnitudes become zero; large ones do not fit a Double.
    if (scan.magnitudeExponent > 0) raise(err::Overflow);
    return scan.canonical.front() == '-' ? -0.0 : 0.0;
  }
  if (res.ec != std::errc()) raise(err::TypeMismatch);
  if (!std::isfinite(value)) raise(err::Overflow);
  return value;
}

// Parses "&H..." / "&O..." at the start of `s`; nullopt when `s` does not start with one.
std::optional<RadixResult> scanRadixPrefix(std::string_view s) {
  if (s.size() >= 2 && s[0] == '&') {
    const char k = s[1];
    if (k == 'h' || k == 'H') {
      RadixResult r = parseRadix(s.substr(2), 16);
      r.consumed += 2;
      return r;
    }
    if (k == 'o' || k == 'O') {
      RadixResult r = parseRadix(s.substr(2), 8);
      r.consumed += 2;
      return r;
    }
  }
  return std::nullopt;
}

std::string_view trimBlanks(std::string_view s) {
  return trim(s, " \t\r\n\v\f");
}

// Digits and decimal exponent of `v` (finite, non-zero) rounded to `precision` significant
// digits, trailing zeros dropped.
void significantDigits(double v, int precision, std::string& digits, int& exponent) {
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, precision - 1);
  const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
  const size_t e = text.find('e');
  digits.clear();
  for (char c : text.substr(0, e)) {
    if (isDigit(c)) digits += c;
  }
  exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string formatWithPrecision(double v, int precision) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
  if (v == 0) return "0";
  std::string digits;
  int exponent = 0;
  significantDigits(v, precision, digits, exponent);
  std::string out = v < 0 ? "-" : "";
  if (exponent < -5 || exponent >= precision) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    out += exp;
  } else if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += '.';
      out.append(digits, intDigits);
    }
  }
  return out;
}

}  // namespace

int32_t cLng(double v) {
  return roundToInt<int32_t>(v, -2147483648.0, 2147483647.0);
}
int16_t cInt(double v) {
  return roundToInt<int16_t>(v, -32768.0, 32767.0);
}
uint8_t cByte(double v) {
  return roundToInt<uint8_t>(v, 0.0, 255.0);
}

double val(std::string_view input) {
  // The language drops blanks, tabs and line feeds anywhere before it reads the number.
  std::string s;
  s.reserve(input.size());
  for (char c : input) {
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  }
  if (const auto radix = scanRadixPrefix(s)) return radix->value;
  const DecimalScan scan = scanDecimal(s);
  if (scan.consumed == 0) return 0.0;
  return decimalValue(scan);
}

std::optional<double> parseNumber(std::string_view s) {
  s = trimBlanks(s);
  if (s.empty()) return std::nullopt;
  if (const auto radix = scanRadixPrefix(s)) {
    if (radix->consumed == 2 || radix->consumed != s.size()) return std::nullopt;
    return radix->value;
  }
  const DecimalScan scan = scanDecimal(s);
  if (scan.consumed == 0 || scan.consumed != s.size()) return std::nullopt;
  return decimalValue(scan);
}

std::string formatNumber(double v) {
  return formatWithPrecision(v, 15);
}
std::string formatSingle(float v) {
  return formatWithPrecision(static_cast<double>(v), 7);
}

std::string toUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string toLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Variant: construction and copying

Variant::Variant(Ptr<Dispatch> v) : value_(std::make_shared<ObjectBox>(ObjectBox{std::move(v)})) {}
Variant::Variant(ByteArray v) : value_(std::make_shared<ByteArray>(std::move(v))) {}
Variant::Variant(VariantArray v) : value_(std::make_shared<VariantArray>(std::move(v))) {}
Variant::~Variant() = default;

// Arrays are values in the language: a copy owns its own elements. Objects stay shared.
Variant::Variant(const Variant& o) : value_(o.value_) {
  if (auto* bytes = std::get_if<std::shared_ptr<ByteArray>>(&value_)) {
    *bytes = std::make_shared<ByteArray>(**bytes);
  } else if (auto* items = std::get_if<std::shared_ptr<VariantArray>>(&value_)) {
    *items = std::make_shared<VariantArray>(**items);
  }
}

Variant::Variant(Variant&& o) noexcept : value_(std::move(o.value_)) {
  o.value_ = std::monostate{};
}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    value_ = std::move(copy.value_);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
  if (this != &o) {
    value_ = std::move(o.value_);
    o.value_ = std::monostate{};
  }
  return *this;
}

Variant Variant::null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant Variant::errorCode(int32_t code) {
  Variant v;
  v.value_ = ErrorTag{code};
  return v;
}

Variant Variant::missing() {
  return errorCode(hr::ParamNotFound);
}

VarType Variant::type() const {
  static_assert(std::variant_size_v<Storage> == static_cast<size_t>(VarType::VariantArray) + 1);
  return static_cast<VarType>(value_.index());
}

bool Variant::isMissing() const {
  const auto* e = std::get_if<ErrorTag>(&value_);
  return e && e->code == hr::ParamNotFound;
}

bool Variant::isNumeric() const {
  switch (type()) {
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Variant: conversions

namespace {
[[noreturn]] void raiseNotConvertible(VarType t) {
  raise(t == VarType::Null ? err::InvalidUseOfNull : err::TypeMismatch);
}
}  // namespace

double Variant::toDouble() const {
  switch (type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Boolean:
      return std::get<bool>(value_) ? -1.0 : 0.0;
    case VarType::Byte:
      return std::get<uint8_t>(value_);
    case VarType::Integer:
      return std::get<int16_t>(value_);
    case VarType::Long:
      return std::get<int32_t>(value_);
    case VarType::Single:
      return std::get<float>(value_);
    case VarType::Double:
      return std::get<double>(value_);
    case VarType::String: {
      const auto parsed = parseNumber(std::get<std::string>(value_));
      if (!parsed) raise(err::TypeMismatch);
      return *parsed;
    }
    default:
      raiseNotConvertible(type());
  }
}

bool Variant::toBool() const {
  switch (type()) {
    case VarType::Boolean:
      return std::get<bool>(value_);
    case VarType::String: {
      const std::string_view s = trimBlanks(std::get<std::string>(value_));
      if (equalsNoCase(s, "True")) return true;
      if (equalsNoCase(s, "False")) return false;
      return toDouble() != 0.0;
    }
    default:
      return toDouble() != 0.0;  // NaN is non-zero
  }
}

uint8_t Variant::toByte() const {
  switch (type()) {
    case VarType::Byte:
      return std::get<uint8_t>(value_);
    default:
      return cByte(toDouble());
  }
}

int16_t Variant::toInteger() const {
  switch (type()) {
    case VarType::Integer:
      return std::get<int16_t>(value_);
    case VarType::Byte:
      return std::get<uint8_t>(value_);
    default:
      return cInt(toDouble());
  }
}

int32_t Variant::toLong() const {
  switch (type()) {
    case VarType::Long:
      return std::get<int32_t>(value_);
    case VarType::Integer:
      return std::get<int16_t>(value_);
    case VarType::Byte:
      return std::get<uint8_t>(value_);
    default:
      return cLng(toDouble());
  }
}

float Variant::toSingle() const {
  if (type() == VarType::Single) return std::get<float>(value_);
  const double d = toDouble();
  // Checked first: a Double beyond the Single range does not convert in C++ either.
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
    raise(err::Overflow);
  }
  return static_cast<float>(d);
}

std::string Variant::toString() const {
  switch (type()) {
    case VarType::Empty:
      return {};
    case VarType::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case VarType::Byte:
      return std::to_string(std::get<uint8_t>(value_));
    case VarType::Integer:
      return std::to_string(std::get<int16_t>(value_));
    case VarType::Long:
      return std::to_string(std::get<int32_t>(value_));
    case VarType::Single:
      return formatSingle(std::get<float>(value_));
    case VarType::Double:
      return formatNumber(std::get<double>(value_));
    case VarType::String:
      return std::get<std::string>(value_);
    default:
      raiseNotConvertible(type());
  }
}

Ptr<Dispatch> Variant::toObject() const {
  if (isEmpty()) return nullptr;
  if (const auto* box = std::get_if<std::shared_ptr<ObjectBox>>(&value_)) return (*box)->object;
  raise(err::TypeMismatch);
}

const ByteArray& Variant::byteArray() const {
  if (const auto* p = std::get_if<std::shared_ptr<ByteArray>>(&value_)) return **p;
  raise(err::TypeMismatch);
}

ByteArray& Variant::byteArray() {
  if (auto* p = std::get_if<std::shared_ptr<ByteArray>>(&value_)) return **p;
  raise(err::TypeMismatch);
}

const VariantArray& Variant::variantArray() const {
  if (const auto* p = std::get_if<std::shared_ptr<VariantArray>>(&value_)) return **p;
  raise(err::TypeMismatch);
}

VariantArray& Variant::variantArray() {
  if (auto* p = std::get_if<std::shared_ptr<VariantArray>>(&value_)) return **p;
  raise(err::TypeMismatch);
}

int32_t Variant::errorValue() const {
  if (const auto* e = std::get_if<ErrorTag>(&value_)) return e->code;
  raise(err::TypeMismatch);
}

// ---------------------------------------------------------------------------------------------
// Variant: comparison and logging

namespace {
template <class F>
bool sameFloat(F a, F b) {
  // Change detection: a NaN that stays NaN is no change.
  return a == b || (std::isnan(a) && std::isnan(b));
}
}  // namespace

bool Variant::identical(const Variant& other) const {
  if (type() != other.type()) return false;
  switch (type()) {
    case VarType::Empty:
    case VarType::Null:
      return true;
    case VarType::Single:
      return sameFloat(std::get<float>(value_), std::get<float>(other.value_));
    case VarType::Double:
      return sameFloat(std::get<double>(value_), std::get<double>(other.value_));
    case VarType::Object:
      return std::get<std::shared_ptr<ObjectBox>>(value_)->object.get() ==
             std::get<std::shared_ptr<ObjectBox>>(other.value_)->object.get();
    case VarType::ByteArray:
      return byteArray() == other.byteArray();
    case VarType::VariantArray: {
      const VariantArray& a = variantArray();
      const VariantArray& b = other.variantArray();
      if (a.lowerBound != b.lowerBound || a.items.size() != b.items.size()) return false;
      for (size_t i = 0; i < a.items.size(); ++i) {
        if (!a.items[i].identical(b.items[i])) return false;
      }
      return true;
    }
    default:
      return value_ == other.value_;
  }
}

std::string Variant::debugString() const {
  switch (type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Boolean:
      return toString();
    case VarType::Byte:
      return "Byte " + toString();
    case VarType::Integer:
      return "Integer " + toString();
    case VarType::Long:
      return "Long " + toString();
    case VarType::Single:
      return "Single " + toString();
    case VarType::Double:
      return "Double " + toString();
    case VarType::String:
      return "\"" + std::get<std::string>(value_) + "\"";
    case VarType::Object:
      return toObject() ? "Object" : "Nothing";
    case VarType::Error: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "Error &H%08X",
                    static_cast<unsigned>(static_cast<uint32_t>(errorValue())));
      return buf;
    }
    case VarType::ByteArray: {
      const ByteArray& a = byteArray();
      std::string out =
          "Bytes(" + std::to_string(a.lowerBound) + " To " + std::to_string(a.upperBound()) + ")";
      if (!a.data.empty()) out += " " + hexOctets(a.data);
      return out;
    }
    case VarType::VariantArray: {
      const VariantArray& a = variantArray();
      std::string out =
          "Array(" + std::to_string(a.lowerBound) + " To " + std::to_string(a.upperBound()) + ") {";
      for (size_t i = 0; i < a.items.size(); ++i) {
        if (i) out += ", ";
        out += a.items[i].debugString();
      }
      return out + "}";
    }
  }
  return "?";
}

}  // namespace platform::com
