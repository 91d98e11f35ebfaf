// Numbers as users type and read them: one rule for the host's fields and the windows that
// read those fields, and the decimal mark of the session's language.
#include "platform/res/user_number.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::res::parseUserNumber;
using platform::res::UserNumber;
using Problem = UserNumber::Problem;

TEST(UserNumber, EitherDecimalMarkGivesTheSameNumber) {
  const struct {
    const char* text;
    double value;
  } good[] = {
      {"12,5", 12.5}, {"12.5", 12.5},   {" \t12,5\r\n", 12.5}, {"-0,5", -0.5},  {"+3", 3.0}, {",5", 0.5},
      {"5,", 5.0},    {"1,25E1", 12.5}, {"1.25e+1", 12.5},     {"2E-3", 0.002}, {"-0", 0.0}, {"0012", 12.0},
  };
  for (const auto& c : good) {
    const UserNumber n = parseUserNumber(c.text);
    EXPECT_EQ(n.problem, Problem::None) << c.text;
    EXPECT_DOUBLE_EQ(n.value, c.value) << c.text;
  }
  EXPECT_FALSE(std::signbit(parseUserNumber("-0").value)) << "no negative zero reaches an item";
}

TEST(UserNumber, TextsThatAreNotPlainlyOneNumberAreRefused) {
  // Grouping marks would make "1.234,5" a thousand times off in one of the two languages.
  for (const char* text : {"", "  ", "abc", "12abc", "1.234,5", "1,234,5", "1..5", "12 5", "&H10", "1e",
                           "1e+", "e5", ".", "-", "+-1", "inf", "nan", "12,5 mA"})
    EXPECT_EQ(parseUserNumber(text).problem, Problem::NotANumber) << '"' << text << '"';
  EXPECT_EQ(parseUserNumber("1e400").problem, Problem::OutOfRange);
  EXPECT_EQ(parseUserNumber("-1e400").problem, Problem::OutOfRange);
}

TEST(UserNumber, GermanReadersGetTheDecimalComma) {
  EXPECT_EQ(platform::res::withDecimalMark("998.805", 1031), "998,805");
  EXPECT_EQ(platform::res::withDecimalMark("-2.5E-06", 3079), "-2,5E-06") << "Austrian German too";
  EXPECT_EQ(platform::res::withDecimalMark("998.805", 1033), "998.805");
  EXPECT_EQ(platform::res::withDecimalMark("1E+16", 1031), "1E+16");
  // What a German field shows reads back as the same number.
  const UserNumber back = parseUserNumber(platform::res::withDecimalMark("12.078", 1031));
  EXPECT_EQ(back.problem, Problem::None);
  EXPECT_DOUBLE_EQ(back.value, 12.078);
}

}  // namespace
