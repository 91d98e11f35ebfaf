#pragma once
// How the display controls turn a value and its scale limits into what they draw.
#include <cstddef>
#include <string>

namespace tolvar::controls {

struct ScaleReading {
  double value;     // clamped into [min, max] for drawing; NaN when there is no value
  double min, max;  // the drawing range; min < max always
  bool overRange;   // the value lies above the scale (+Infinity included)
  bool underRange;  // the value lies below the scale (-Infinity included)
  bool rangeValid;  // both limits were known and min < max as given
};

// `lo` and `hi` are the configured limits, NaN where unknown. An inverted range is drawn the
// right way round, an empty one around its single point; a range with an unknown limit
// falls back to a 0..100 scale and flags nothing, since there is nothing to be outside of.
ScaleReading readScale(double value, double lo, double hi);

// A number's text made to fit `width` characters: fewer decimals first, then the exponent
// form, else `width` '#' characters. Texts that fit, non-finite values and width 0 pass.
std::string fitNumber(const std::string& text, double value, std::size_t width);

}  // namespace tolvar::controls
