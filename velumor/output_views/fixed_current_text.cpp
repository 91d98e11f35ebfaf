#include "velumor/output_views/fixed_current_text.h"

#include <cfloat>
#include <cmath>

#include "platform/res/user_number.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::output_views {

namespace {

constexpr int16_t kNotANumberText = 29100;
constexpr int16_t kOutOfRangeText = 29101;
constexpr int16_t kHowToEnterText = 29102;

FixedCurrentText refused(FixedCurrentText::Problem p) {
  return FixedCurrentText{std::nullopt, p};
}

}  // namespace

FixedCurrentText parseFixedCurrentText(std::string_view text) {
  using Problem = FixedCurrentText::Problem;
  // The host's value fields read numbers by the same rule, so what the field shows this
  // window reads as the same current.
  const platform::res::UserNumber n = platform::res::parseUserNumber(text);
  if (n.problem == platform::res::UserNumber::Problem::NotANumber) return refused(Problem::NotANumber);
  if (n.problem != platform::res::UserNumber::Problem::None) return refused(Problem::OutOfRange);
  const double d = n.value;
  // Compared in double before converting: a Double beyond the Single range has no Single.
  if (std::fabs(d) > static_cast<double>(FLT_MAX)) return refused(Problem::OutOfRange);
  const float f = static_cast<float>(d);
  // A tiny current that a Single holds only as 0 would silently leave fixed-current mode.
  if (f == 0.0f && d != 0.0) return refused(Problem::OutOfRange);
  return FixedCurrentText{f == 0.0f ? 0.0f : f, Problem::None};
}

std::string fixedCurrentRefusal(const FixedCurrentText& checked, std::string_view typed) {
  using Problem = FixedCurrentText::Problem;
  if (checked.problem == Problem::None) return {};
  const int16_t first = checked.problem == Problem::OutOfRange ? kOutOfRangeText : kNotANumberText;
  return shared::LoadResStringByLang(first) + " \"" + std::string(typed) + "\"\r\n" +
         shared::LoadResStringByLang(kHowToEnterText);
}

}  // namespace velumor::output_views
