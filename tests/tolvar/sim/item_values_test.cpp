// How the host converts item values: packed ASCII, octets, display texts, user input.
#include "tolvar/sim/item_values.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/com/hex.h"
#include "tolvar/sim/dd/device_data.h"

namespace {

using namespace tolvar::sim;
using platform::com::ByteArray;
using platform::com::Variant;

const tolvar::dd::DeviceData& device() {
  static const auto data = [] {
    auto loaded = tolvar::dd::loadDeviceData(TOLVAR_SIM_DEVICE_FILE);
    if (!loaded) throw std::runtime_error(loaded.text());
    return std::make_shared<tolvar::dd::DeviceData>(std::move(loaded).value());
  }();
  return *data;
}

TEST(PackedAscii, PacksFourCharactersIntoThreeOctetsMostSignificantFirst) {
  EXPECT_EQ(platform::com::hexOctets(packAscii("ABCD", 0)), "04 20 C4");
  EXPECT_EQ(packAscii("abcd", 0), packAscii("ABCD", 0)) << "letters fold to upper case";
  EXPECT_EQ(packAscii("AB", 8).size(), 6u) << "padded with blanks to the length";
  EXPECT_EQ(unpackAscii(packAscii("AB", 8)), "AB") << "trailing blanks are dropped";
  EXPECT_EQ(unpackAscii(packAscii("A B-1", 8)), "A B-1");
  EXPECT_EQ(unpackAscii(packAscii("A~", 4)), "A?") << "characters outside the six-bit set";
  EXPECT_EQ(unpackAscii({0x04, 0x20}), "") << "a part group holds no whole character";
  EXPECT_TRUE(fitsPackedAscii("FT-101"));
  EXPECT_TRUE(fitsPackedAscii("ft-101"));
  EXPECT_FALSE(fitsPackedAscii("FT~1"));
}

TEST(Octets, HexTextAndItsParse) {
  EXPECT_EQ(platform::com::hexOctets(std::vector<uint8_t>{0x04, 0x20, 0xC4}), "04 20 C4");
  EXPECT_EQ(parseHex("04 20 c4"), (std::vector<uint8_t>{0x04, 0x20, 0xC4}));
  EXPECT_EQ(parseHex(""), std::vector<uint8_t>{});
  EXPECT_FALSE(parseHex("4 20"));
  EXPECT_FALSE(parseHex("0G"));
  EXPECT_FALSE(parseHex("0420"));
}

TEST(DisplayText, ResponsesShowTheirCodeAndDeviceStatus) {
  const auto* def = device().findVariable("&&Record_Response&&HART_COMMAND_000_READ");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(displayText(device(), *def, Variant(ByteArray{1, {3, 0x40}})),
            "Passed parameter too large (3), device status 40");
  EXPECT_EQ(displayText(device(), *def, Variant(ByteArray{1, {0x81, 0x00}})),
            "Communication error (129), device status 00");
  const auto* bytes = device().findVariable("ADD_TRANSMITTER_STATE_ERROR");
  EXPECT_EQ(displayText(device(), *bytes, Variant(ByteArray{0, {1, 0, 0xFF}})), "01 00 FF");
}

TEST(DisplayText, EnumerationsBitsAndUnknownValues) {
  const auto* units = device().findVariable("UNITS_QM");
  EXPECT_EQ(displayText(device(), *units, Variant(73.0)), "kg/s");
  EXPECT_EQ(displayText(device(), *units, Variant(74.5)), "74.5") << "no entry: the number";
  const auto* status = device().findVariable("LastFieldDeviceStatus");
  EXPECT_EQ(displayText(device(), *status, Variant(0x48 * 1.0)),
            "Primary variable analog output fixed, Configuration changed");
  const auto* fixed = device().findVariable("PRIMARY_FIXED_CURRENT");
  EXPECT_EQ(displayText(device(), *fixed, Variant(12.0)), "12.000");
  EXPECT_EQ(displayText(device(), *fixed, Variant(std::string("n/a"))), "n/a");
}

TEST(UserInput, IsCheckedAgainstTheItem) {
  const auto* address = device().findVariable("INSTRUMENT_ADDRESS");
  EXPECT_FALSE(valueFromUserText(device(), *address, "1.5")) << "a whole number is needed";
  EXPECT_FALSE(valueFromUserText(device(), *address, "64")) << "0 to 63";
  auto ok = valueFromUserText(device(), *address, " 12 ");
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->toDouble(), 12.0);
  const auto* units = device().findVariable("UNITS_QM");
  EXPECT_FALSE(valueFromUserNumber(device(), *units, 1.0));
  EXPECT_EQ(valueFromUserText(device(), *units, "kg/h")->toDouble(), 75.0);
  EXPECT_EQ(valueFromUserText(device(), *units, "75")->toDouble(), 75.0);
  const auto* adjust = device().findVariable("ADJUST");
  EXPECT_EQ(valueFromUserText(device(), *adjust, "TRUE")->type(), platform::com::VarType::Boolean);
  EXPECT_FALSE(valueFromUserText(device(), *adjust, "maybe"));
  const auto* date = device().findVariable("DATE_ALL");
  EXPECT_TRUE(valueFromUserText(device(), *date, "2024-02-29"));
  EXPECT_FALSE(valueFromUserText(device(), *date, "2023-02-29"));
  EXPECT_FALSE(valueFromUserText(device(), *date, "1899-12-31"));
  const auto* state = device().findVariable("ADD_TRANSMITTER_STATE_ERROR");
  auto octets = valueFromUserText(device(), *state, "01 02 03");
  ASSERT_TRUE(octets);
  EXPECT_EQ(octets->byteArray().lowerBound, 0);
  EXPECT_FALSE(valueFromUserText(device(), *state, "01 02")) << "three octets";
}

}  // namespace

namespace {

constexpr uint16_t kGerman = 1031;
constexpr uint16_t kEnglish = 1033;

TEST(UserText, GermanFieldsShowTheDecimalCommaAndItemsKeepThePoint) {
  const auto* fixed = device().findVariable("PRIMARY_FIXED_CURRENT");
  const auto* units = device().findVariable("UNITS_QM");
  const auto* tag = device().findVariable("TAG");
  EXPECT_EQ(userText(device(), *fixed, Variant(998.805), kGerman), "998,805");
  EXPECT_EQ(userText(device(), *fixed, Variant(998.805), kEnglish), "998.805");
  EXPECT_EQ(displayText(device(), *fixed, Variant(998.805)), "998.805") << "what views and scripts read";
  EXPECT_EQ(userText(device(), *units, Variant(73.0), kGerman), "kg/s");
  EXPECT_EQ(userText(device(), *tag, Variant(std::string("FT.101")), kGerman), "FT.101")
      << "texts stay as they are";
}

TEST(UserInput, TakesEitherDecimalMarkInEveryLanguage) {
  const auto* damping = device().findVariable("DAMPING_VALUE");
  for (uint16_t lang : {kGerman, kEnglish})
    for (const char* typed : {"2,5", "2.5", " 2,5 "}) {
      auto v = valueFromUserText(device(), *damping, typed, lang);
      ASSERT_TRUE(v) << typed << ": " << v.text();
      EXPECT_EQ(v->toDouble(), 2.5) << typed;
    }
  EXPECT_FALSE(valueFromUserText(device(), *damping, "1.234,5", kGerman)) << "no grouping marks";
  const auto* address = device().findVariable("INSTRUMENT_ADDRESS");
  EXPECT_FALSE(valueFromUserText(device(), *address, "1,5", kGerman)) << "a whole number is needed";
}

TEST(UserInput, ARefusalSaysWhyInTheSessionsLanguageWithTheRangeOrLength) {
  const struct {
    const char* item;
    const char* typed;
    uint16_t lang;
    const char* message;
  } cases[] = {
      {"CURRENT_OUTPUT_1_LOW_ALARM_LIMIT_VALUE", "5", kEnglish,
       "Output 1: low alarm current: 5 is outside the allowed range (3.5 to 4)"},
      {"CURRENT_OUTPUT_1_LOW_ALARM_LIMIT_VALUE", "5", kGerman,
       "Output 1: low alarm current: 5 liegt außerhalb des erlaubten Bereichs (3,5 bis 4)"},
      {"CURRENT_OUTPUT_1_LOW_ALARM_LIMIT_VALUE", "abc", kGerman,
       "Output 1: low alarm current: \"abc\" ist keine Zahl (erlaubt: 3,5 bis 4)"},
      {"CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE", "99999999", kEnglish,
       "Output 1: density at 20 mA: 99999999 is outside the allowed range (0 to 5000)"},
      {"QM_MAXIMUM_VALUE", "-1", kGerman,
       "Mass flow at 20 mA: -1 liegt außerhalb des erlaubten Bereichs (mindestens 0)"},
      {"DAMPING_VALUE", "1e400", kEnglish, "Damping: 1e400 is outside the allowed range (0 to 60)"},
      {"TAG", "FT-101-LONG-NAME", kEnglish, "Tag: at most 8 characters (16 given)"},
      {"TAG", "FT-101-LONG-NAME", kGerman, "Tag: höchstens 8 Zeichen (16 eingegeben)"},
      {"UNITS_QM", "furlongs", kGerman, "Mass flow unit: \"furlongs\" ist keine der Auswahlmöglichkeiten"},
  };
  for (const auto& c : cases) {
    const auto* def = device().findVariable(c.item);
    ASSERT_NE(def, nullptr) << c.item;
    const auto refused = valueFromUserText(device(), *def, c.typed, c.lang);
    EXPECT_FALSE(refused) << c.item << " " << c.typed;
    EXPECT_EQ(refused.reason(), tolvar::Reason::InvalidArgument) << c.item;
    EXPECT_EQ(refused.text(), c.message);
  }
}

}  // namespace
