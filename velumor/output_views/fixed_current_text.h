#pragma once
// The fixed current as the user typed it, checked before anything is written to the device's
// item: a current of 0 takes the output out of fixed-current mode, so a text that is not
// plainly a number must never turn into 0 or into the leading part of itself.
#include <optional>
#include <string>
#include <string_view>

namespace velumor::output_views {

struct FixedCurrentText {
  enum class Problem {
    None,
    NotANumber,  // empty, letters, trailing characters, two decimal marks, "inf", "nan", ...
    OutOfRange,  // a number, but beyond what a Single holds (or so small it would become 0)
  };
  std::optional<float> value;  // set exactly when problem is None
  Problem problem = Problem::None;
};

// The rule of the host's value fields (platform::res::parseUserNumber): blanks around, an
// optional sign, digits with at most one decimal mark, "." or "," (so "12,5" and "12.5" are
// both 12.5), an optional exponent; the whole text must fit. Beyond that, the current must be
// a Single, and one that a Single holds only as 0 is refused.
FixedCurrentText parseFixedCurrentText(std::string_view text);

// The message for a refused text in the user's language; empty for a good one.
std::string fixedCurrentRefusal(const FixedCurrentText& checked, std::string_view typed);

}  // namespace velumor::output_views
