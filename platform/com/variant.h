#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/text.h"  // equalsNoCase, used with names everywhere

namespace platform::com {

class Dispatch;
class Variant;

enum class VarType : uint8_t {
  Empty,
  Null,
  Boolean,
  Byte,
  Integer,  // 16 bit
  Long,     // 32 bit
  Single,
  Double,
  String,  // UTF-8 inside the process
  Object,
  Error,  // an error code (as a missing optional argument is passed)
  ByteArray,
  VariantArray,
};

// An array of bytes that keeps its lower bound: octet n of a host item lives at index n.
struct PLAT_API ByteArray {
  int32_t lowerBound = 0;
  std::vector<uint8_t> data;

  int32_t upperBound() const { return lowerBound + static_cast<int32_t>(data.size()) - 1; }
  // Raises error 9 outside the bounds.
  uint8_t& at(int32_t index);
  uint8_t at(int32_t index) const;
  friend bool operator==(const ByteArray&, const ByteArray&) = default;
};

// An array of variants that keeps its lower bound. Records travel as arrays of
// their fields (an enumeration entry is {value, text}).
struct PLAT_API VariantArray {
  int32_t lowerBound = 0;
  std::vector<Variant> items;

  int32_t upperBound() const;  // defined below, where Variant is complete
  // Raises error 9 outside the bounds.
  Variant& at(int32_t index);
  const Variant& at(int32_t index) const;
};

class PLAT_API Variant {
 public:
  Variant() = default;
  // A variant is built from any value it holds without a cast, as callers pass literals and
  // results straight into calls and property writes.
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(bool v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(uint8_t v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(int16_t v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(int32_t v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(float v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(double v) : value_(v) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(const char* v) : value_(std::string(v)) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(std::string v) : value_(std::move(v)) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(std::string_view v) : value_(std::string(v)) {}
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(Ptr<Dispatch> v);
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(ByteArray v);
  // cppcheck-suppress noExplicitConstructor ; a held value converts
  Variant(VariantArray v);
  // Any Dispatch-derived object pointer (a Ptr<HostFrame>, ...) becomes an Object variant.
  template <class T>
  // cppcheck-suppress noExplicitConstructor ; an object pointer converts
  requires(std::is_base_of_v<Dispatch, T> && !std::is_same_v<T, Dispatch>) Variant(const Ptr<T>& v)
      : Variant(Ptr<Dispatch>(v)) {}
  ~Variant();
  Variant(const Variant&);
  Variant(Variant&&) noexcept;
  Variant& operator=(const Variant&);
  Variant& operator=(Variant&&) noexcept;

  static Variant null();
  static Variant errorCode(int32_t code);
  // The value a missing optional argument carries.
  static Variant missing();

  VarType type() const;
  bool isEmpty() const { return type() == VarType::Empty; }
  bool isNull() const { return type() == VarType::Null; }
  bool isString() const { return type() == VarType::String; }
  bool isObject() const { return type() == VarType::Object; }
  bool isError() const { return type() == VarType::Error; }
  bool isMissing() const;  // an Error variant carrying hr::ParamNotFound
  bool isNumeric() const;  // Boolean, Byte, Integer, Long, Single, Double
  bool isArray() const { return type() == VarType::ByteArray || type() == VarType::VariantArray; }

  // Conversions with the component language's rules: numbers from strings through
  // the locale-free numeric parse, rounding half to even for the integer types,
  // error 6 on overflow (NaN included), 13 on a type that does not convert,
  // 94 (invalid use of Null) from Null. Empty converts to 0, "" and False.
  bool toBool() const;
  uint8_t toByte() const;
  int16_t toInteger() const;
  int32_t toLong() const;
  float toSingle() const;
  double toDouble() const;
  std::string toString() const;        // Booleans as "True"/"False", numbers as the language prints them
  Ptr<Dispatch> toObject() const;      // error 13 unless Object (Empty gives a null Ptr)
  const ByteArray& byteArray() const;  // error 13 unless ByteArray
  ByteArray& byteArray();
  const VariantArray& variantArray() const;
  VariantArray& variantArray();
  int32_t errorValue() const;  // error 13 unless Error

  // Same type and same value: what the host's change detection uses.
  bool identical(const Variant& other) const;
  // A short readable form for logs and failed expectations.
  std::string debugString() const;

 private:
  struct ObjectBox;
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct ErrorTag {
    int32_t code;
    bool operator==(const ErrorTag&) const = default;
  };
  using Storage = std::variant<std::monostate, NullTag, bool, uint8_t, int16_t, int32_t, float, double,
                               std::string, std::shared_ptr<ObjectBox>, ErrorTag, std::shared_ptr<ByteArray>,
                               std::shared_ptr<VariantArray>>;
  Storage value_;
};

inline int32_t VariantArray::upperBound() const {
  return lowerBound + static_cast<int32_t>(items.size()) - 1;
}

// Numeric helpers with the language's rules, used wherever host values become integers.
PLAT_API int32_t cLng(double v);   // half to even; error 6 outside the Long range or NaN
PLAT_API int16_t cInt(double v);   // half to even; error 6 outside -32768..32767
PLAT_API uint8_t cByte(double v);  // half to even; error 6 outside 0..255
// Val: blanks, tabs and line feeds are skipped wherever they stand (as the language does:
// "1 2" is 12), then an optional sign, digits with one '.', an optional exponent (E or D),
// or a "&H"/"&O" number (16 bit up to &HFFFF / &O177777, else 32 bit, error 6 beyond);
// stops at the first character that does not fit; 0 when nothing fits. Error 6 when the
// number is too large for a Double.
PLAT_API double val(std::string_view s);
// The locale-free numeric parse that converts a String to a number: blanks around the text
// allowed, decimal with optional sign and exponent, or "&H"/"&O" as in val(). The whole text
// must fit: nullopt for "", "12abc" and the like (the conversions raise 13 then); error 6 when
// the number is too large for a Double.
PLAT_API std::optional<double> parseNumber(std::string_view s);
// The text the language gives a Double: up to 15 significant digits, no trailing zeros,
// exponent form ("1E+16", "-2.5E-06") when the decimal exponent is below -5 or 15 and above;
// "0" for zero of either sign; "NaN", "Infinity", "-Infinity" for the values the language lacks.
PLAT_API std::string formatNumber(double v);
// The same for a Single: 7 significant digits, exponent form from 1E+07 up.
PLAT_API std::string formatSingle(float v);
PLAT_API std::string toUpperAscii(std::string_view s);
PLAT_API std::string toLowerAscii(std::string_view s);

}  // namespace platform::com
