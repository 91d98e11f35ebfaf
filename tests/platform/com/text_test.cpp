// The shared text helpers: code points counted and cut on character boundaries, trimming of
// chosen characters, and names compared without case.
#include "platform/com/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace platform::com;

TEST(Text, CountsAndCutsCodePointsNeverHalfACharacter) {
  struct Case {
    std::string s;
    std::size_t count;
    std::size_t cut;  // code points kept by firstCodePoints
    std::string firstCut;
  } cases[] = {
      {"", 0, 3, ""},       {"abc", 3, 0, ""},       {"abc", 3, 2, "ab"},
      {"abc", 3, 5, "abc"}, {"Grüße", 5, 3, "Grü"},   // two-byte characters
      {"°C", 2, 1, "°"},    {"€uro", 4, 1, "€"},      // three bytes
      {"a😀b", 3, 2, "a😀"},                            // four bytes
      {"ü", 1, 0, ""},      {"\x80\x80x", 1, 0, ""},  // stray continuation bytes belong to no character of
                                                      // their own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s + " / " + std::to_string(c.cut));
    EXPECT_EQ(codePointCount(c.s), c.count);
    EXPECT_EQ(firstCodePoints(c.s, c.cut), c.firstCut);
    EXPECT_EQ(bytesOfCodePoints(c.s, c.cut), c.firstCut.size());
  }
}

TEST(Text, TrimsOnlyTheChosenCharactersAtBothEnds) {
  struct Case {
    std::string s, chars, out;
  } cases[] = {
      {"  a b  ", " ", "a b"}, {" \t a \r\n", std::string(kWhitespace), "a"},
      {"\ta ", " ", "\ta"},  // spaces only: a tab stays
      {"    ", " ", ""},       {"", " ", ""},
      {"x", " ", "x"},         {" ü ", " ", "ü"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(trim(c.s, c.chars), c.out);
  }
  EXPECT_EQ(trim(" \tvalue\n"), "value");  // blanks and line ends by default
}

TEST(Text, ComparesAsciiLettersWithoutCaseAndEverythingElseExactly) {
  EXPECT_TRUE(equalsNoCase("MenuSourceDevice", "menusourcedevice"));
  EXPECT_TRUE(equalsNoCase("", ""));
  EXPECT_FALSE(equalsNoCase("abc", "abcd"));
  EXPECT_FALSE(equalsNoCase("a[", "A{"));  // '[' and '{' lie 32 apart but are no letters
  EXPECT_FALSE(equalsNoCase("Ü", "ü"));    // not ASCII: compared as they are
  EXPECT_FALSE(equalsNoCase("item1", "item2"));
}

}  // namespace
