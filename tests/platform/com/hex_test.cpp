#include "platform/com/hex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/variant.h"

using namespace platform::com;

namespace {

TEST(HexOctets, TwoUpperCaseDigitsEachWithTheSeparatorBetween) {
  struct Case {
    std::vector<uint8_t> octets;
    std::string separator;
    std::string expected;
  };
  const Case cases[] = {
      {{}, " ", ""},
      {{0x00}, " ", "00"},                                 // a leading zero is kept
      {{0x0F, 0xF0}, " ", "0F F0"},                        // both nibbles, in order
      {{0x04, 0x20, 0xC4}, " ", "04 20 C4"},               // no separator after the last octet
      {{0xAB, 0xCD, 0xEF}, "", "ABCDEF"},                  // upper case, joined
      {{0xFF, 0x7F, 0x80, 0x01}, ", ", "FF, 7F, 80, 01"},  // a separator of several characters
  };
  for (const Case& c : cases) EXPECT_EQ(hexOctets(c.octets, c.separator), c.expected);
}

TEST(HexOctets, EveryOctetValueRoundTrips) {
  for (unsigned b = 0; b < 256; ++b) {
    const uint8_t octet = static_cast<uint8_t>(b);
    const std::string text = hexOctets(std::span<const uint8_t>(&octet, 1));
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(std::stoul(text, nullptr, 16), b) << text;
    EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos) << text;
  }
}

TEST(NumericTypes, OnlyTheNumberTypesAndBooleanAreNumeric) {
  struct Case {
    Variant value;
    bool numeric;
  };
  const Case cases[] = {
      {Variant(true), true},
      {Variant(uint8_t{7}), true},
      {Variant(int16_t{-3}), true},
      {Variant(int32_t{70000}), true},
      {Variant(1.5f), true},
      {Variant(2.5), true},
      {Variant(), false},
      {Variant::null(), false},
      {Variant("12"), false},  // a text that reads as a number is still a text
      {Variant(ByteArray{}), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.isNumeric(), c.numeric) << c.value.debugString();
}

}  // namespace
