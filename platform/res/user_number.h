#pragma once
// Numbers as a user types and reads them in the session's language. Items, scripts, data sets
// and the device keep the locale-free form; only what a field shows and takes goes through here.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/res/export.h"

namespace platform::res {

struct UserNumber {
  enum class Problem {
    None,
    NotANumber,  // empty, letters, trailing characters, two decimal marks, "inf", "nan", ...
    OutOfRange,  // a number, but beyond what a Double holds
  };
  double value = 0.0;  // meaningful when problem is None
  Problem problem = Problem::None;
};

// One rule in every language, so that the host's fields and the windows that read them agree:
// blanks, tabs and line ends around the number; an optional sign; digits with at most one
// decimal mark, "." or "," ("12,5" and "12.5" are both 12.5); an optional exponent ("1,25E1").
// No grouping marks, no "&H" forms; the whole text must fit.
PLAT_RES_API UserNumber parseUserNumber(std::string_view text);

// The decimal mark a reader of `langId` expects: "," in German, "." otherwise.
PLAT_RES_API char decimalMark(uint16_t langId);
// A locale-free number text ("998.805", "-2.5E-06") with the decimal mark of `langId`.
PLAT_RES_API std::string withDecimalMark(std::string numberText, uint16_t langId);

// Whether `langId` is German (the host's texts come in German and English).
PLAT_RES_API bool isGerman(uint16_t langId);

}  // namespace platform::res
