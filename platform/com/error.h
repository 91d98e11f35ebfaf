#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/com/export.h"

namespace platform::com {

// Run-time error numbers the component and the host raise and trap.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t BadFileName = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t BadFileMode = 54;
inline constexpr int32_t InputPastEnd = 62;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t InvalidFileFormat = 321;
inline constexpr int32_t ResourceNotFound = 326;
inline constexpr int32_t ControlArrayElementMissing = 340;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t ObjectUnloaded = 364;
inline constexpr int32_t FormAlreadyShown = 400;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CannotCreateObject = 429;
inline constexpr int32_t NoSuchMember = 438;
inline constexpr int32_t ArgumentNotOptional = 449;
inline constexpr int32_t WrongArgumentCount = 450;
inline constexpr int32_t InvalidPicture = 481;
inline constexpr int32_t PrinterError = 482;
inline constexpr int32_t CancelSelected = 32755;
}  // namespace err

// Well-known result codes; compare them as signed 32-bit values.
namespace hr {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t Fail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t NoInterface = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t Pointer = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t NotImplemented = static_cast<int32_t>(0x80004001u);
inline constexpr int32_t InvalidArgument = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t ClassNotRegistered = static_cast<int32_t>(0x80040154u);
inline constexpr int32_t UnknownName = static_cast<int32_t>(0x80020006u);
inline constexpr int32_t BadParamCount = static_cast<int32_t>(0x8002000Eu);
// What a missing optional argument carries (Variant::missing()).
inline constexpr int32_t ParamNotFound = static_cast<int32_t>(0x80020004u);
constexpr bool failed(int32_t resultCode) {
  return resultCode < 0;
}
constexpr bool succeeded(int32_t resultCode) {
  return resultCode >= 0;
}
// A run-time error number n travels as 0x800A0000 | n.
constexpr int32_t fromErrorNumber(int32_t number) {
  return static_cast<int32_t>(0x800A0000u | (static_cast<uint32_t>(number) & 0xFFFFu));
}
}  // namespace hr

// The standard text of a run-time error number ("Overflow", "Type mismatch", ...);
// "Application-defined or object-defined error" for a number without one.
PLAT_API std::string errorText(int32_t number);
// The text of error 326 naming the missing resource: "Resource with identifier '12' not found".
PLAT_API std::string resourceNotFoundText(int32_t id);
// A readable text for a failed result code that is not a run-time error number,
// e.g. "Class not registered (&H80040154)"; unknown codes give "Call failed (&H804A0001)".
PLAT_API std::string resultText(int32_t resultCode);

// A run-time error: what a failing call raises. It carries the result code that
// crossed the object boundary, the error number the caller traps on and a text.
class PLAT_API RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int32_t number, std::string text, int32_t resultCode);
  explicit RuntimeError(int32_t number);
  RuntimeError(int32_t number, std::string text);
  ~RuntimeError() override;

  int32_t number() const { return number_; }
  int32_t resultCode() const { return resultCode_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  int32_t resultCode_;
  std::string description_;
};

// Raises run-time error `number` with its standard text, or with `text` when given.
[[noreturn]] PLAT_API void raise(int32_t number, std::string_view text = {});
// Raises a failed call with result code `resultCode`: a run-time error code 0x800Axxxx gives
// error number xxxx with its standard text; any other code gives error number = the code
// itself (a negative number) with resultText(), as a failed call on an object does.
[[noreturn]] PLAT_API void raiseResult(int32_t resultCode, std::string_view text = {});
// Raises through raiseResult when `resultCode` reports a failure; success codes pass.
inline void checkResult(int32_t resultCode) {
  if (hr::failed(resultCode)) raiseResult(resultCode);
}

}  // namespace platform::com
