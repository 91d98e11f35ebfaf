#include "platform/com/error.h"

#include <cstdio>

namespace platform::com {

std::string errorText(int32_t number) {
  switch (number) {
    case 3:
      return "Return without GoSub";
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 10:
      return "This array is fixed or temporarily locked";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 14:
      return "Out of string space";
    case 28:
      return "Out of stack space";
    case 35:
      return "Sub or Function not defined";
    case 48:
      return "Error in loading library";
    case 51:
      return "Internal error";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    case 91:
      return "Object variable or With block variable not set";
    case 92:
      return "For loop not initialized";
    case 93:
      return "Invalid pattern string";
    case 94:
      return "Invalid use of Null";
    case 321:
      return "Invalid file format";
    case 326:
      return "Resource with identifier not found";
    case 340:
      return "Control array element doesn't exist";
    case 360:
      return "Object already loaded";
    case 364:
      return "Object was unloaded";
    case 380:
      return "Invalid property value";
    case 381:
      return "Invalid property array index";
    case 400:
      return "Form already displayed; can't show modally";
    case 401:
      return "Can't show non-modal form when modal form is displayed";
    case 422:
      return "Property not found";
    case 424:
      return "Object required";
    case 429:
      return "Component can't create object";
    case 438:
      return "Object doesn't support this property or method";
    case 440:
      return "Automation error";
    case 445:
      return "Object doesn't support this action";
    case 448:
      return "Named argument not found";
    case 449:
      return "Argument not optional";
    case 450:
      return "Wrong number of arguments or invalid property assignment";
    case 457:
      return "This key is already associated with an element of this collection";
    case 481:
      return "Invalid picture";
    case 482:
      return "Printer error";
    case 32755:
      return "Cancel was selected.";
    default:
      return "Application-defined or object-defined error";
  }
}

std::string resourceNotFoundText(int32_t id) {
  return "Resource with identifier '" + std::to_string(id) + "' not found";
}

namespace {
std::string hexCode(int32_t resultCode) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%08X", static_cast<unsigned>(static_cast<uint32_t>(resultCode)));
  return buf;
}

bool isErrorNumberCode(int32_t resultCode) {
  return (static_cast<uint32_t>(resultCode) & 0xFFFF0000u) == 0x800A0000u;
}
}  // namespace

std::string resultText(int32_t resultCode) {
  const char* known = nullptr;
  switch (resultCode) {
    case hr::Fail:
      known = "Unspecified error";
      break;
    case hr::NoInterface:
      known = "No such interface supported";
      break;
    case hr::Pointer:
      known = "Invalid pointer";
      break;
    case hr::NotImplemented:
      known = "Not implemented";
      break;
    case hr::InvalidArgument:
      known = "The parameter is incorrect";
      break;
    case hr::OutOfMemory:
      known = "Out of memory";
      break;
    case hr::ClassNotRegistered:
      known = "Class not registered";
      break;
    case hr::UnknownName:
      known = "Unknown name";
      break;
    case hr::BadParamCount:
      known = "Invalid number of parameters";
      break;
    case hr::ParamNotFound:
      known = "Parameter not found";
      break;
    default:
      break;
  }
  if (isErrorNumberCode(resultCode)) return errorText(static_cast<int32_t>(resultCode & 0xFFFF));
  return std::string(known ? known : "Call failed") + " (" + hexCode(resultCode) + ")";
}

RuntimeError::RuntimeError(int32_t number, std::string text, int32_t resultCode)
    : std::runtime_error(text), number_(number), resultCode_(resultCode), description_(std::move(text)) {}

RuntimeError::RuntimeError(int32_t number) : RuntimeError(number, errorText(number)) {}

RuntimeError::RuntimeError(int32_t number, std::string text)
    : RuntimeError(number, std::move(text), hr::fromErrorNumber(number)) {}

// Out of line so that the class has one home for its type information.
RuntimeError::~RuntimeError() = default;

void raise(int32_t number, std::string_view text) {
  throw RuntimeError(number, text.empty() ? errorText(number) : std::string(text));
}

void raiseResult(int32_t resultCode, std::string_view text) {
  if (isErrorNumberCode(resultCode)) {
    const int32_t number = static_cast<int32_t>(resultCode & 0xFFFF);
    throw RuntimeError(number, text.empty() ? errorText(number) : std::string(text), resultCode);
  }
  throw RuntimeError(resultCode, text.empty() ? resultText(resultCode) : std::string(text), resultCode);
}

}  // namespace platform::com
