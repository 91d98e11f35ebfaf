// The typed fixed current: every form a German or an English user writes a number in is read
// as that number, and everything else is refused, so that nothing but a real number ever
// reaches the device (0 would take the output out of fixed-current mode).
#include "velumor/output_views/fixed_current_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>

#include "tests/support/scoped_lang.h"

namespace {

using velumor::output_views::FixedCurrentText;
using velumor::output_views::parseFixedCurrentText;
using Problem = FixedCurrentText::Problem;

struct Accepted {
  const char* text;
  float value;
  friend void PrintTo(const Accepted& a, std::ostream* os) { *os << '"' << a.text << '"'; }
};

class AcceptedCurrentTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedCurrentTest, ReadsTheWholeTextAsOneNumber) {
  const FixedCurrentText r = parseFixedCurrentText(GetParam().text);
  ASSERT_EQ(r.problem, Problem::None) << GetParam().text;
  ASSERT_TRUE(r.value.has_value());
  EXPECT_FLOAT_EQ(*r.value, GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    GermanAndEnglishForms, AcceptedCurrentTest,
    ::testing::Values(Accepted{"12,5", 12.5f},        // German decimal comma: not 12
                      Accepted{"12.5", 12.5f},        // English decimal point
                      Accepted{"  4,75\t", 4.75f},    // blanks and tabs around
                      Accepted{"\r\n20\r\n", 20.0f},  // line ends around
                      Accepted{"4", 4.0f}, Accepted{"+12,0", 12.0f}, Accepted{"-3.5", -3.5f},
                      Accepted{",5", 0.5f}, Accepted{"12,", 12.0f}, Accepted{"12.", 12.0f},
                      Accepted{"1,25E1", 12.5f}, Accepted{"1.25e+1", 12.5f}, Accepted{"125E-1", 12.5f},
                      Accepted{"0", 0.0f}, Accepted{"-0", 0.0f}, Accepted{"0,000", 0.0f},
                      Accepted{"1,000", 1.0f},  // one comma is always the decimal mark
                      Accepted{"3.4028234e38", 3.4028234e38f}, Accepted{"-3,4028234E38", -3.4028234e38f},
                      Accepted{"1.2e-38", 1.2e-38f},  // still a normal Single
                      Accepted{"1e-45", 1.4e-45f}));  // the smallest Single there is

TEST(FixedCurrentTextTest, NegativeZeroIsWrittenAsZero) {
  const FixedCurrentText r = parseFixedCurrentText("-0,0");
  ASSERT_TRUE(r.value.has_value());
  EXPECT_FALSE(std::signbit(*r.value));
}

struct Refused {
  const char* text;
  Problem problem;
  friend void PrintTo(const Refused& r, std::ostream* os) { *os << '"' << r.text << '"'; }
};

class RefusedCurrentTest : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedCurrentTest, GivesNoValue) {
  const FixedCurrentText r = parseFixedCurrentText(GetParam().text);
  EXPECT_EQ(r.problem, GetParam().problem) << GetParam().text;
  EXPECT_FALSE(r.value.has_value()) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    NotNumbers, RefusedCurrentTest,
    ::testing::Values(Refused{"", Problem::NotANumber}, Refused{"   ", Problem::NotANumber},
                      Refused{"abc", Problem::NotANumber},    // the old reading gave 0
                      Refused{"12abc", Problem::NotANumber},  // ... and 12 for this one
                      Refused{"12,5 mA", Problem::NotANumber}, Refused{"4 . 5", Problem::NotANumber},
                      Refused{"1 2", Problem::NotANumber}, Refused{"1,234.5", Problem::NotANumber},
                      Refused{"1.234,5", Problem::NotANumber}, Refused{"1,2,3", Problem::NotANumber},
                      Refused{"+-1", Problem::NotANumber}, Refused{"-", Problem::NotANumber},
                      Refused{",", Problem::NotANumber}, Refused{"e5", Problem::NotANumber},
                      Refused{"1e", Problem::NotANumber}, Refused{"1e+", Problem::NotANumber},
                      Refused{"1,5e2,5", Problem::NotANumber}, Refused{"&H10", Problem::NotANumber},
                      Refused{"0x10", Problem::NotANumber}, Refused{"inf", Problem::NotANumber},
                      Refused{"-Infinity", Problem::NotANumber}, Refused{"NaN", Problem::NotANumber}));

INSTANTIATE_TEST_SUITE_P(
    BeyondASingle, RefusedCurrentTest,
    ::testing::Values(Refused{"3.4028236e38", Problem::OutOfRange},  // just above the largest Single
                      Refused{"-3,5E38", Problem::OutOfRange}, Refused{"1e39", Problem::OutOfRange},
                      Refused{"1e309", Problem::OutOfRange},  // beyond a Double as well
                      Refused{"1e-46", Problem::OutOfRange},  // a Single holds it only as 0
                      Refused{"-1e-400", Problem::OutOfRange},
                      Refused{"1e99999999999999999999", Problem::OutOfRange}));

TEST(FixedCurrentTextTest, NulInsideTheTextIsRefused) {
  EXPECT_FALSE(parseFixedCurrentText(std::string("12\0"
                                                 "5",
                                                 4))
                   .value.has_value());
}

TEST(FixedCurrentRefusalTest, SaysWhatWasTypedAndHowToWriteItInTheUsersLanguage) {
  {
    ScopedLang lang("en");
    const std::string m = velumor::output_views::fixedCurrentRefusal(parseFixedCurrentText("12 mA"), "12 mA");
    EXPECT_NE(m.find("not a number"), std::string::npos) << m;
    EXPECT_NE(m.find("\"12 mA\""), std::string::npos) << m;
    EXPECT_NE(m.find("Nothing has been written"), std::string::npos) << m;
    const std::string big = velumor::output_views::fixedCurrentRefusal(parseFixedCurrentText("1e40"), "1e40");
    EXPECT_NE(big.find("too large or too small"), std::string::npos) << big;
  }
  {
    ScopedLang lang("de");
    const std::string m = velumor::output_views::fixedCurrentRefusal(parseFixedCurrentText("abc"), "abc");
    EXPECT_NE(m.find("keine Zahl"), std::string::npos) << m;
    EXPECT_NE(m.find("12,5"), std::string::npos) << m;
  }
  EXPECT_EQ(velumor::output_views::fixedCurrentRefusal(parseFixedCurrentText("12,5"), "12,5"), "");
}

}  // namespace
