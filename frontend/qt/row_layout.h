#pragma once
// How a label-text-unit row shares its width, in pixels; apart from the widgets, so that the
// rule can be checked on its own.

#include <algorithm>

namespace frontend::qt {

struct RowLayout {
  int label;  // the label's room, its gap included
  int value;  // the value field's room, its gap included
  int unit;   // what is left
};

// `width` the row's, `minValue` what a number needs, `labelNeed` and `unitNeed` what the
// column's longest label and unit text need. Fixed shares (45 % label, 35 % value) keep
// stacked rows in line. A row too narrow for its label, the value's share and its unit first
// gives up the value's room beyond what a number needs, then the label gives way: never the
// digits, nor the unit ("kg/" for "kg/h" would be read as another unit).
inline RowLayout layOutRow(int width, int minValue, int labelNeed, int unitNeed) {
  const int w = std::max(0, width);
  const int minEw = std::min(w, minValue);
  int ew = std::min(w, std::max(w * 35 / 100, minEw));
  ew = std::max(minEw, ew - std::max(0, labelNeed + ew + unitNeed - w));
  const int unitRoom = std::min(unitNeed, w - ew);
  const int lw = std::max(0, std::min(std::max(w * 45 / 100, labelNeed), w - ew - unitRoom));
  return {lw, ew, w - lw - ew};
}

}  // namespace frontend::qt
