// What the display windows write into their host display controls for every output and
// selection: the expected calls are written out by hand, numbers included, so a wrong role
// number, a wrong order or a wrong scale row shows up as a difference in one line.
#include "velumor/output_views/display_channels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "tests/support/fake_host.h"
#include "tests/support/scoped_lang.h"

namespace {

using platform::com::InvokeKind;
using platform::com::Variant;
using velumor::output_views::ChannelContext;
using velumor::output_views::DisplayClass;

// A display control that writes down every call: "put 0x68030003 = "Mass Flow:"",
// "put 0x68030004[2] = -1" (a curve index in brackets), "call 0x60030046".
class RecordingControl : public platform::com::Dispatch {
 public:
  std::vector<std::string> calls;
  std::vector<Variant> connectArgs;  // the arguments of the last ConnectItems
  int32_t leaveUserLevel = -100;     // what ConnectItems leaves in its by-reference argument (-100: nothing)

  int32_t idOfName(std::string_view) const override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(id));
    if (kind == InvokeKind::Method) {
      calls.push_back(std::string("call ") + hex);
      if (!args.empty()) {
        connectArgs.assign(args.begin(), args.end());
        if (leaveUserLevel != -100) args[1] = Variant(leaveUserLevel);
      }
      return Variant();
    }
    std::string s = std::string("put ") + hex;
    if (args.size() == 2) s += "[" + std::to_string(args[0].toLong()) + "]";
    const Variant& v = args.back();
    s += " = " + (v.type() == platform::com::VarType::String ? "\"" + v.toString() + "\"" : v.debugString());
    calls.push_back(s);
    return Variant();
  }
};

std::string q(const std::string& s) {
  return "\"" + s + "\"";
}

// Role numbers per class, copied from the role table.
struct Ids {
  const char *caption, *flag, *mode, *unit, *value, *classFlag, *format, *max, *min, *connect, *disconnect;
};
constexpr Ids kNeedle{"0x68030003", "0x68030004", "0x6803000C", "0x6803000D", "0x6803000E", "0x68030023",
                      nullptr,      "0x68030009", "0x6803000A", "0x60030045", "0x60030046"};
constexpr Ids kBar{"0x68030002", "0x68030003", "0x6803000B", "0x6803000C", "0x6803000D", "0x68030026",
                   nullptr,      "0x68030008", "0x68030009", "0x6003004A", "0x6003004B"};
constexpr Ids kDigital{"0x68030003", "0x68030004", "0x6803000C", "0x6803000D", "0x6803000E", "0x68030021",
                       "0x68030002", "0x68030009", "0x6803000A", "0x6003003A", "0x6003003B"};

// One row of the expectations: channel, selection, the caption shown, the scale written
// (none: the previous one stays), and for the second line whether the control shows.
struct Case {
  int channel;
  int32_t selection;
  std::string caption;
  std::optional<std::pair<std::string, std::string>> scale;
  std::optional<bool> visible;
};

const std::vector<Case>& cases() {
  using S = std::pair<std::string, std::string>;
  static const std::vector<Case> c = {
      // Output 1: selection 0 has its own caption; the others the enumeration's text.
      {0, 0, "Mass Flow:", S{"QM_MAXIMUM_VALUE", "0"}, {}},
      {0, 1, "enum1-1", S{"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}, {}},
      {0,
       2,
       "enum1-2",
       S{"CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_VALUE"},
       {}},
      {0,
       3,
       "enum1-3",
       S{"CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE"},
       {}},
      {0, 4, "", std::nullopt, {}},
      {0, -1, "", std::nullopt, {}},
      // Output 2: selection 2 has its own caption, 0 is the enumeration's.
      {1, 0, "enum2-0", S{"QM_MAXIMUM_VALUE", "0"}, {}},
      {1, 1, "enum2-1", S{"CURRENT_OUTPUT_2_QV_MAX_VALUE", "0"}, {}},
      {1,
       2,
       "Density:",
       S{"CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_2_LOW_DENSITY_LIMIT_VALUE"},
       {}},
      {1,
       3,
       "enum2-3",
       S{"CURRENT_OUTPUT_2_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_2_LOW_TEMP_LIMIT_VALUE"},
       {}},
      {1, 7, "", std::nullopt, {}},
      // Pulse: selection 1 uses current output 1's volume-flow maximum.
      {2, 0, "enum3-0", S{"QM_MAXIMUM_VALUE", "0"}, {}},
      {2, 1, "Volume Flow:", S{"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}, {}},
      {2, 2, "enum3-2", std::nullopt, {}},
      // Display second line: its own numbers, current output 1's limits, hidden elsewhere.
      {3, 0, "enum4-0", std::nullopt, false},
      {3, 1, "enum4-1", S{"QM_MAXIMUM_VALUE", "0"}, true},
      {3, 2, "enum4-2", S{"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}, true},
      {3, 3, "enum4-3", std::nullopt, false},
      {3, 10, "enum4-10",
       S{"CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_VALUE"}, true},
      {3, 11, "Temperature:",
       S{"CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE"}, true},
  };
  return c;
}

const char* const kUnit[] = {"PRIMARY_UNITS", "SECOND_UNITS", "THIRD_UNITS", "FOURTH_UNITS"};
const char* const kValue[] = {"PRIMARY_VALUE", "SECOND_VALUE", "THIRD_VALUE", "FOURTH_VALUE"};

std::vector<std::string> expectedChannel(const Ids& id, const Case& c) {
  std::vector<std::string> e = {
      std::string("call ") + id.disconnect,
      std::string("put ") + id.caption + " = " + q(c.caption),
      std::string("put ") + id.flag + " = Integer -1",
      std::string("put ") + id.mode + " = Integer 3",
      std::string("put ") + id.unit + " = " + q(kUnit[c.channel]),
      std::string("put ") + id.value + " = " + q(kValue[c.channel]),
      std::string("put ") + id.classFlag + " = False",
  };
  if (id.format) e.push_back(std::string("put ") + id.format + " = \"#########UUUUUUUUUUUU\"");
  if (c.scale) {
    e.push_back(std::string("put ") + id.max + " = " + q(c.scale->first));
    e.push_back(std::string("put ") + id.min + " = " + q(c.scale->second));
  }
  if (c.visible) e.push_back(std::string("put 0x80010007 = ") + (*c.visible ? "True" : "False"));
  e.push_back(std::string("call ") + id.connect);
  return e;
}

// The selection items of the four channels, with an enumeration each whose texts name the
// channel and value ("enum2-3"); values not in an enumeration have no text.
class ChannelFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int ch = 0; ch < 4; ++ch) {
      auto& ctx = contexts[ch];
      ctx.itemManager = aim.get();
      ctx.deviceDescription = aim->dd.get();
      ctx.selectionHandle = 100 + ch;
      ctx.enumHandle = 200 + ch;
      ctx.selection = &members[ch];
      auto& entries = aim->dd->enumerations[200 + ch];
      for (int32_t v : {0, 1, 2, 3, 10, 11})
        entries.push_back({v, "enum" + std::to_string(ch + 1) + "-" + std::to_string(v)});
    }
  }
  void select(int ch, double v) { aim->values[100 + ch] = Variant(v); }

  platform::com::Ptr<fakehost::FakeItemManager> aim = platform::com::makeObject<fakehost::FakeItemManager>();
  ChannelContext contexts[4];
  int32_t members[4] = {-7, -7, -7, -7};
  int32_t userLevel = 3, countryCode = 49;
};

using ConfigureChannelTest = ChannelFixture;

TEST_F(ConfigureChannelTest, EveryOutputAndSelectionInEveryClass) {
  ScopedLang lang("en");  // the listed captions come from the texts of the user's language
  const std::pair<DisplayClass, const Ids*> classes[] = {
      {DisplayClass::Needle, &kNeedle}, {DisplayClass::BarGraph, &kBar}, {DisplayClass::Digital, &kDigital}};
  for (const auto& [cls, ids] : classes) {
    for (const Case& c : cases()) {
      SCOPED_TRACE("class " + std::string(ids->connect) + " channel " + std::to_string(c.channel) +
                   " selection " + std::to_string(c.selection));
      select(c.channel, c.selection);
      RecordingControl control;
      velumor::output_views::ConfigureChannel(control, cls,
                                              velumor::output_views::displayChannels()[c.channel],
                                              contexts[c.channel], false, userLevel, countryCode);
      EXPECT_EQ(control.calls, expectedChannel(*ids, c));
      EXPECT_EQ(members[c.channel], c.selection);
    }
  }
}

TEST_F(ConfigureChannelTest, ReadsTheSelectionWithTheNotificationsShadowFlagAndRounds) {
  select(0, 2.5);  // halves go to the even number
  RecordingControl control;
  velumor::output_views::ConfigureChannel(control, DisplayClass::Needle,
                                          velumor::output_views::displayChannels()[0], contexts[0], true,
                                          userLevel, countryCode);
  EXPECT_EQ(members[0], 2);
  const auto reads = aim->log().of("GetValueEx");
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].args[0].toLong(), 100);
  EXPECT_TRUE(reads[0].args[1].toBool());
}

TEST_F(ConfigureChannelTest, ConnectItemsTakesTheItemManagerAndTheLevelsByReference) {
  select(0, 0);
  RecordingControl control;
  control.leaveUserLevel = 10;
  velumor::output_views::ConfigureChannel(control, DisplayClass::BarGraph,
                                          velumor::output_views::displayChannels()[0], contexts[0], false,
                                          userLevel, countryCode);
  ASSERT_EQ(control.connectArgs.size(), 3u);
  EXPECT_TRUE(control.connectArgs[0].isObject());
  EXPECT_EQ(control.connectArgs[1].toLong(), 3);
  EXPECT_EQ(control.connectArgs[2].toLong(), 49);
  EXPECT_EQ(userLevel, 10);  // what the control left in it comes back
  EXPECT_EQ(countryCode, 49);
}

TEST_F(ConfigureChannelTest, GermanCaptionsOfTheListedSelections) {
  ScopedLang lang("de");
  const std::pair<int, std::string> listed[] = {
      {0, "Masse - Durchfluß:"}, {1, "Dichte:"}, {2, "Volumendurchfluß:"}, {3, "Temperatur:"}};
  const int32_t value[] = {0, 2, 1, 11};
  for (const auto& [ch, caption] : listed) {
    select(ch, value[ch]);
    RecordingControl control;
    velumor::output_views::ConfigureChannel(control, DisplayClass::Digital,
                                            velumor::output_views::displayChannels()[ch], contexts[ch], false,
                                            userLevel, countryCode);
    EXPECT_EQ(control.calls.at(1), "put 0x68030003 = " + q(caption));
  }
}

TEST_F(ConfigureChannelTest, AFailingReadLeavesTheControlDisconnected) {
  aim->failures.set("GetValueEx", static_cast<int32_t>(0x80004005u));
  RecordingControl control;
  EXPECT_THROW(velumor::output_views::ConfigureChannel(control, DisplayClass::Needle,
                                                       velumor::output_views::displayChannels()[0],
                                                       contexts[0], false, userLevel, countryCode),
               platform::com::RuntimeError);
  EXPECT_EQ(control.calls, std::vector<std::string>{"call 0x60030046"});
}

// A host value that does not fit a Long raises no Overflow: the record is dropped after the
// disconnect, as a failed read leaves it.
TEST_F(ConfigureChannelTest, ASelectionOutOfTheLongRangeIsDroppedAfterTheDisconnect) {
  for (const double beyond : {1e12, 2147483648.0, -2147483649.0}) {
    select(0, beyond);
    RecordingControl control;
    EXPECT_NO_THROW(velumor::output_views::ConfigureChannel(control, DisplayClass::Needle,
                                                            velumor::output_views::displayChannels()[0],
                                                            contexts[0], false, userLevel, countryCode))
        << beyond;
    EXPECT_EQ(control.calls, std::vector<std::string>{"call 0x60030046"}) << beyond;
    EXPECT_EQ(members[0], -7) << "nothing stored";
  }
}

// ---------------------------------------------------------------------------- the plotter

using ConfigureCurvesTest = ChannelFixture;

std::vector<std::string> expectedCurve(int curve, const std::string& caption, const std::string& unit,
                                       const std::string& value, const std::string& max,
                                       const std::string& min) {
  const std::string i = "[" + std::to_string(curve) + "]";
  return {"put 0x68030004" + i + " = " + q(caption), "put 0x68030005" + i + " = Integer -1",
          "put 0x68030003" + i + " = Integer 3",     "put 0x6803000C" + i + " = " + q(unit),
          "put 0x6803000D" + i + " = " + q(value),   "put 0x6803000B" + i + " = " + q(max),
          "put 0x6803000A" + i + " = " + q(min)};
}

TEST_F(ConfigureCurvesTest, AllFourCurvesInOneCycle) {
  ScopedLang lang("en");
  select(0, 0);
  select(1, 2);
  select(2, 1);
  select(3, 11);
  RecordingControl plotter;
  velumor::output_views::ConfigureCurves(plotter, std::span<const ChannelContext, 4>(contexts), false,
                                         userLevel, countryCode);
  std::vector<std::string> e = {"call 0x6003002D", "put 0x68030011 = \"-1\"", "put 0x6803000F = \"\""};
  auto add = [&e](std::vector<std::string> v) { e.insert(e.end(), v.begin(), v.end()); };
  add(expectedCurve(1, "Mass Flow:", "PRIMARY_UNITS", "PRIMARY_VALUE", "QM_MAXIMUM_VALUE", "0"));
  add(expectedCurve(2, "Density:", "SECOND_UNITS", "SECOND_VALUE", "CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_VALUE",
                    "CURRENT_OUTPUT_2_LOW_DENSITY_LIMIT_VALUE"));
  add(expectedCurve(3, "Volume Flow:", "THIRD_UNITS", "THIRD_VALUE", "CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"));
  add(expectedCurve(4, "Temperature:", "FOURTH_UNITS", "FOURTH_VALUE",
                    "CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE"));
  e.push_back("call 0x6003002C");
  EXPECT_EQ(plotter.calls, e);
  EXPECT_EQ(members[0], 0);
  EXPECT_EQ(members[1], 2);
  EXPECT_EQ(members[2], 1);
  EXPECT_EQ(members[3], 11);
}

TEST_F(ConfigureCurvesTest, InvalidSelectionsClearTheirCurveOnly) {
  select(0, -1);  // signed test: no curve
  select(1, 3);
  select(2, 2);  // pulse knows 0 and 1 only
  select(3, 3);  // the second line knows 1, 2, 10, 11
  RecordingControl plotter;
  velumor::output_views::ConfigureCurves(plotter, std::span<const ChannelContext, 4>(contexts), true,
                                         userLevel, countryCode);
  std::vector<std::string> e = {"call 0x6003002D", "put 0x68030011 = \"-1\"", "put 0x6803000F = \"\""};
  auto add = [&e](std::vector<std::string> v) { e.insert(e.end(), v.begin(), v.end()); };
  add(expectedCurve(1, "", "", "", "", ""));
  add(expectedCurve(2, "enum2-3", "SECOND_UNITS", "SECOND_VALUE", "CURRENT_OUTPUT_2_UPP_TEMP_LIMIT_VALUE",
                    "CURRENT_OUTPUT_2_LOW_TEMP_LIMIT_VALUE"));
  add(expectedCurve(3, "", "", "", "", ""));
  add(expectedCurve(4, "", "", "", "", ""));
  e.push_back("call 0x6003002C");
  EXPECT_EQ(plotter.calls, e);
  // Every read took the one flag; the enumeration is asked only for the valid curve.
  for (const auto& call : aim->log().of("GetValueEx")) EXPECT_TRUE(call.args[1].toBool());
  EXPECT_EQ(aim->log().count("GetValueEx"), 4);
  EXPECT_EQ(aim->log().count("GetEnumeration"), 1);
}

TEST_F(ConfigureCurvesTest, NoScaleRowIsEverMissingForAValidCurve) {
  // Every value the curves accept has a scale row, so a configured curve always has a scale.
  for (int ch = 0; ch < 4; ++ch)
    for (int32_t s = -2; s <= 12; ++s) {
      const bool valid = ch < 2    ? (s >= 0 && s <= 3)
                         : ch == 2 ? (s == 0 || s == 1)
                                   : (s == 1 || s == 2 || s == 10 || s == 11);
      EXPECT_EQ(velumor::output_views::scaleOf(velumor::output_views::displayChannels()[ch], s).has_value(),
                valid)
          << ch << " " << s;
    }
}

}  // namespace
