#include "tolvar/controls/scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using tolvar::controls::fitNumber;
using tolvar::controls::readScale;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ReadScale, ValueInsideAndOnTheLimits) {
  auto r = readScale(50, 0, 100);
  EXPECT_TRUE(r.rangeValid);
  EXPECT_EQ(r.value, 50);
  EXPECT_FALSE(r.overRange || r.underRange);
  // The limits themselves are inside.
  EXPECT_FALSE(readScale(100, 0, 100).overRange);
  EXPECT_FALSE(readScale(0, 0, 100).underRange);
  EXPECT_TRUE(readScale(100.000001, 0, 100).overRange);
  EXPECT_TRUE(readScale(-1e-9, 0, 100).underRange);
}

TEST(ReadScale, UnknownLimitsFlagNothingAndStillGiveADrawableRange) {
  for (auto [lo, hi] : {std::pair{kNaN, kNaN}, {kNaN, 50.0}, {10.0, kNaN}, {kNaN, -20.0}, {-kInf, kInf}}) {
    auto r = readScale(1e12, lo, hi);
    EXPECT_FALSE(r.rangeValid) << lo << " " << hi;
    EXPECT_FALSE(r.overRange || r.underRange) << lo << " " << hi;
    EXPECT_LT(r.min, r.max) << lo << " " << hi;
    EXPECT_EQ(r.value, r.max) << lo << " " << hi;
  }
  // A known limit is kept.
  EXPECT_EQ(readScale(0, kNaN, 50).max, 50);
  EXPECT_EQ(readScale(0, 10, kNaN).min, 10);
}

TEST(ReadScale, InvertedAndEmptyRanges) {
  auto inverted = readScale(75, 100, 50);
  EXPECT_FALSE(inverted.rangeValid);
  EXPECT_EQ(inverted.min, 50);
  EXPECT_EQ(inverted.max, 100);
  EXPECT_FALSE(inverted.overRange || inverted.underRange);

  auto empty = readScale(5, 5, 5);
  EXPECT_FALSE(empty.rangeValid);
  EXPECT_LT(empty.min, 5);
  EXPECT_GT(empty.max, 5);
  EXPECT_EQ(empty.value, 5);
  EXPECT_FALSE(empty.overRange || empty.underRange);
  EXPECT_TRUE(readScale(6, 5, 5).overRange);

  // Large limits are widened by more than rounding can eat.
  auto big = readScale(1e20, 1e20, 1e20);
  EXPECT_LT(big.min, big.max);
}

TEST(ReadScale, NonFiniteValues) {
  auto nan = readScale(kNaN, 0, 10);
  EXPECT_TRUE(std::isnan(nan.value));
  EXPECT_FALSE(nan.overRange || nan.underRange);
  auto up = readScale(kInf, 0, 10);
  EXPECT_EQ(up.value, 10);
  EXPECT_TRUE(up.overRange);
  auto down = readScale(-kInf, 0, 10);
  EXPECT_EQ(down.value, 0);
  EXPECT_TRUE(down.underRange);
}

TEST(FitNumber, KeepsWhatFitsAndShortensWhatDoesNot) {
  EXPECT_EQ(fitNumber("12.5", 12.5, 9), "12.5");
  EXPECT_EQ(fitNumber("anything at all", 1, 0), "anything at all");  // no width given
  EXPECT_EQ(fitNumber("0.333333333333333", 1.0 / 3, 6), "0.3333");
  EXPECT_EQ(fitNumber("100.000000001", 100.000000001, 5), "100");  // no trailing zeros
  EXPECT_EQ(fitNumber("12345678901", 12345678901.0, 9), "1.235E+10");
  EXPECT_EQ(fitNumber("-12345678901", -12345678901.0, 3), "###");
  EXPECT_EQ(fitNumber("Infinity", kInf, 3), "Infinity");  // not a number to shorten
}

}  // namespace
