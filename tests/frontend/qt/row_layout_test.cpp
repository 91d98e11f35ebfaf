#include "frontend/qt/row_layout.h"

#include <gtest/gtest.h>

namespace {

using frontend::qt::layOutRow;

// The three parts always fill the row; the value keeps what a number needs, and the unit
// keeps its text wherever the label can give way.
TEST(RowLayout, ValueAndUnitKeepTheirTextAndTheLabelGivesWay) {
  struct Case {
    const char* what;
    int width, minValue, labelNeed, unitNeed;
    int label, value, unit;
  };
  const Case cases[] = {
      {"room for all: the fixed shares", 300, 80, 100, 30, 135, 105, 60},
      {"a long label takes the unit's spare room", 300, 80, 160, 30, 160, 105, 35},
      {"tight: the value gives up its share beyond a number", 250, 80, 140, 30, 140, 80, 30},
      {"tighter: the label gives way, the unit stays whole", 242, 85, 140, 30, 127, 85, 30},
      {"no unit text: the label may take all but the value", 242, 85, 200, 0, 157, 85, 0},
      {"narrower than a number: the value takes the row", 60, 80, 40, 30, 0, 60, 0},
      {"no width", 0, 80, 40, 30, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto row = layOutRow(c.width, c.minValue, c.labelNeed, c.unitNeed);
    EXPECT_EQ(row.label + row.value + row.unit, c.width);
    EXPECT_EQ(row.label, c.label);
    EXPECT_EQ(row.value, c.value);
    EXPECT_EQ(row.unit, c.unit);
  }
}

}  // namespace
