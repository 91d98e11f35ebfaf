// The output-choice checks, the pulse page, the device variant and the diagnosis lamp of
// the main window, driven by the notifications the dispatch hands them.
#include "velumor/main_view/main_form_outputs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_view_fixture.h"
#include "platform/ui/event_loop.h"

namespace mainview_test {
namespace {

using velumor::view_window::VELUMOR_Notify_Type;

// Enumeration handles the device description answers for the output-choice items and the
// pulse factor units; the item handles are the ones the registration tick is handed.
constexpr int32_t kOutputEnum = 50, kPulseEnum = 51, kDisplayEnum = 52, kMassEnum = 53, kVolumeEnum = 54;
// The order of the registration's output choices: output 1, output 2, display second line,
// pulse mode.
constexpr const char* kChoiceItems[4] = {"CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                                         "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "DISPLAY_2ND_LINE",
                                         "PULSE_OUTPUT_MODE"};
enum { O1 = 0, O2 = 1, D2 = 2, PM = 3 };

class OutputChecksTest : public MainViewTest {
 protected:
  void SetUp() override {
    MainViewTest::SetUp();
    auto& e = aim->dd->enumerations;
    e[kOutputEnum] = {{0, "Mass flow"}, {1, "Volume flow"}, {2, "Density"}, {3, "Temperature"}};
    e[kPulseEnum] = {{0, "Mass flow"}, {1, "Volume flow"}, {2, "Off"}};
    e[kDisplayEnum] = {{0, "Off"}, {1, "Mass flow"}, {11, "Temperature"}, {12, "Density"}};
    e[kMassEnum] = {{60, "g"}, {61, "kg"}};
    e[kVolumeEnum] = {{41, "l"}, {43, "m3"}};
    const int32_t enums[4] = {kOutputEnum, kOutputEnum, kDisplayEnum, kPulseEnum};
    for (int k = 0; k < 4; ++k) describeEnumeration(kChoiceItems[k], enums[k]);
    describeEnumeration("PULSE_FACTOR_QM_UNIT", kMassEnum);
    describeEnumeration("PULSE_FACTOR_QV_UNIT", kVolumeEnum);
    open();
    // The registration tick runs first, so that it does not run inside a test's clock.
    platform::ui::EventLoop::instance().advance(10);
    services->reset();
    for (int k = 0; k < 4; ++k) {
      valueHandle[k] = registered(kChoiceItems[k], false);
      shadowHandle[k] = registered(kChoiceItems[k], true);
      ASSERT_NE(valueHandle[k], 0) << kChoiceItems[k];
      ASSERT_NE(shadowHandle[k], 0) << kChoiceItems[k];
    }
    massUnit = aim->handleOf("PULSE_FACTOR_QM_UNIT");
    volumeUnit = aim->handleOf("PULSE_FACTOR_QV_UNIT");
    ASSERT_NE(massUnit, 0);
    ASSERT_NE(volumeUnit, 0);
    aim->values[massUnit] = Variant(61.0);
    aim->values[volumeUnit] = Variant(43.0);
    aim->log().clear();
  }

  // The device description names `enumeration` as the enumeration of `item`.
  void describeEnumeration(const std::string& item, int32_t enumeration) {
    const int32_t object = 900 + static_cast<int32_t>(aim->dd->info.size());
    aim->dd->handles[{"object", item}] = object;
    aim->dd->info[object] = {Variant(), Variant(), Variant(), Variant(), Variant(item + "_ENUM"), Variant()};
    aim->dd->handles[{"enumeration", item + "_ENUM"}] = enumeration;
  }
  // The handle the window's registration of `item` with `flag` was given; 0 when none.
  int32_t registered(std::string_view item, bool flag) const {
    for (auto r = aim->registrations.rbegin(); r != aim->registrations.rend(); ++r)
      if (r->name == item && r->flag == flag) return r->handle;
    return 0;
  }

  // Value and shadow registrations of the output choices; the pulse factor units.
  int32_t valueHandle[4] = {}, shadowHandle[4] = {};
  int32_t massUnit = 0, volumeUnit = 0;

  void shadowReport(int k, double choice) {
    aim->values[shadowHandle[k]] = Variant(choice);
    form->CheckOutputChoice(VELUMOR_Notify_Type{shadowHandle[k], true, 0, 0});
  }
  void valueReport(int k, double value, double shadow) {
    aim->values[valueHandle[k]] = Variant(value);
    aim->shadows[valueHandle[k]] = Variant(shadow);
    form->CheckOutputChoice(VELUMOR_Notify_Type{valueHandle[k], false, 0, 0});
  }
  std::string valueLabel(int i) { return hostProperty("ValueLabelTextUnit", i, "LabelText").toString(); }
  // Which of the four field groups of an output show their two rows ("MVDT", '-' hidden).
  std::string groupsShown(int output) {
    std::string s;
    for (std::string_view g : velumor::main_view::outputs::fieldGroups(output)) {
      const bool a = ctl(g, 0).visible(), b = ctl(g, 1).visible();
      EXPECT_EQ(a, b) << g;
      s += a ? g[7] : '-';
    }
    return s;
  }
  std::vector<platform::ui::ServiceRequest> messages() { return services->requestsOf("msgbox"); }
};

TEST_F(OutputChecksTest, ShadowChoicesSetTheValueLabelAndTheFieldGroups) {
  struct Case {
    const char* what;
    int k;
    double choice;
    int label;
    std::string text;
    std::string groups;  // output k's groups, "" for no output page
  } cases[] = {
      {"output 1 fixed choice", O1, 0, 0, "Mass Flow:", "M---"},
      {"output 1 density", O1, 2, 0, "Density", "--D-"},
      {"output 1 temperature", O1, 3, 0, "Temperature", "---T"},
      {"output 1 outside the choices hides all", O1, 7, 0, "", "----"},
      {"output 1 negative choice hides all", O1, -1, 0, "", "----"},
      {"output 2 fixed choice", O2, 2, 2, "Density:", "--D-"},
      {"output 2 volume flow", O2, 1, 2, "Volume flow", "-V--"},
      {"pulse fixed choice", PM, 1, 1, "Volume Flow:", ""},
      {"pulse mass flow", PM, 0, 1, "Mass flow", ""},
      {"display fixed choice", D2, 11, 3, "Temperature:", ""},
      {"display other choice", D2, 12, 3, "Density", ""},
      {"display: the unrounded value is compared", D2, 11.2, 3, "Temperature", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    shadowReport(c.k, c.choice);
    EXPECT_EQ(valueLabel(c.label), c.text);
    if (!c.groups.empty()) {
      EXPECT_EQ(groupsShown(c.k + 1), c.groups);
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(aim->log().count("SetValue"), 0);
  }
  EXPECT_EQ(MainAccess::outputChoice1(*form), -1);
  EXPECT_EQ(MainAccess::outputChoice2(*form), 1);
  EXPECT_EQ(MainAccess::pulseMode(*form), 0);
}

TEST_F(OutputChecksTest, ValueReportsAreWrittenBackAndAChoiceOffTheFixedOneIsReported) {
  aim->dd->properties["Nickname"] = "RQ4400";
  struct Case {
    const char* what;
    int k;
    double value, shadow;
    bool written;
    std::string message;
  } cases[] = {
      {"value equals shadow: nothing", O1, 2, 2, false, ""},
      {"output 1 back to the fixed choice: written, quiet", O1, 0, 2, true, ""},
      {"output 1 density", O1, 2, 0, true, "Configuration Error\r\nIout 1:Density <> Mass flow"},
      {"output 2 mass flow", O2, 0, 2, true, "Configuration Error\r\nIout 2:Mass flow <> Density"},
      {"pulse mode 0 with shadow 1", PM, 0, 1, true,
       "Configuration Error\r\nPulse Output:Mass flow <> Volume flow"},
      {"pulse mode 1 with shadow 0", PM, 1, 0, true, ""},
      {"display off", D2, 0, 11, true, "Configuration Error\r\nDisplay 2nd Line:Off <> Temperature"},
      {"display temperature", D2, 11, 0, true, ""},
      {"a choice without text names nothing", O1, 9, 0, true, "Configuration Error\r\nIout 1: <> Mass flow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    services->reset();
    aim->log().clear();
    valueReport(c.k, c.value, c.shadow);
    auto writes = aim->log().of("SetValue");
    ASSERT_EQ(writes.size(), c.written ? 1u : 0u);
    if (c.written) {
      EXPECT_EQ(writes[0].args[0].toLong(), valueHandle[c.k]);
      EXPECT_EQ(writes[0].args[1].toDouble(), c.value);
    }
    auto shown = messages();
    ASSERT_EQ(shown.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(shown[0].text, c.message);
      EXPECT_EQ(shown[0].style, platform::ui::mb::Exclamation);
    }
  }
  EXPECT_EQ(MainAccess::displayLine2Choice(*form), 11);
}

TEST_F(OutputChecksTest, TheConfigurationErrorIsInTheUserLanguage) {
  ScopedLang german("de");
  valueReport(O1, 3, 0);
  auto shown = messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Konfigurierungsfehler\r\nStromausgang 1:Temperature <> Mass flow");
  shadowReport(O2, 2);
  EXPECT_EQ(valueLabel(2), "Dichte:");
}

TEST_F(OutputChecksTest, PulseTextsFollowTheModeAndTheUnits) {
  shadowReport(PM, 0);
  EXPECT_TRUE(ctl("PulseText", 0).visible());
  EXPECT_FALSE(ctl("PulseText", 1).visible());
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Pulse / ");  // units not reported yet
  form->ReadPulseUnits(VELUMOR_Notify_Type{massUnit, false, 0, 0});
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Pulse / kg");
  shadowReport(PM, 1);
  EXPECT_FALSE(ctl("PulseText", 0).visible());
  EXPECT_TRUE(ctl("PulseText", 1).visible());
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Pulse / m3");
  // The notified unit is read first.
  aim->values[volumeUnit] = Variant(41.0);
  aim->log().clear();
  form->ReadPulseUnits(VELUMOR_Notify_Type{volumeUnit, false, 0, 0});
  auto reads = aim->log().of("GetValue");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].args[0].toLong(), volumeUnit);
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Pulse / l");
  // Off: the page stays as it was.
  shadowReport(PM, 2);
  EXPECT_TRUE(ctl("PulseText", 1).visible());
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Pulse / l");
  ScopedLang german("de");
  shadowReport(PM, 0);
  EXPECT_EQ(ctl("PulseLabel", 3).caption(), "Impulse / kg");
}

// ------------------------------------------------------------------ variant and lamp

class StatusLampTest : public OutputChecksTest {
 protected:
  static constexpr int32_t kHartRevision = 400;
  void variant(double v) {
    aim->values[kHartRevision] = Variant(v);
    form->ApplyDeviceVariant(VELUMOR_Notify_Type{kHartRevision, false, 0, 0});
  }
  // The handle the variant's registration of a status item was given.
  int32_t handleOf(std::string_view name) { return aim->handleOf(name); }
  void octets(std::string_view name, int32_t lower, std::vector<uint8_t> data) {
    const int32_t h = handleOf(name);
    ASSERT_NE(h, 0) << name;
    aim->values[h] = Variant(platform::com::ByteArray{lower, std::move(data)});
    form->ReadStatusOctets(VELUMOR_Notify_Type{h, true, 0, 0});
  }
  int16_t lamp() { return hostProperty("DiagnoseONOFF", -1, "state").toInteger(); }
  bool blinking() { return form->timer("DiagLEDTimer").isEnabled(); }
  // The lamp after each of `ticks` half seconds.
  std::vector<int16_t> blink(int ticks) {
    std::vector<int16_t> seen;
    for (int i = 0; i < ticks; ++i) {
      platform::ui::EventLoop::instance().advance(500);
      seen.push_back(lamp());
    }
    return seen;
  }
};

TEST_F(StatusLampTest, TheVariantChoosesTheStatusItemsUnadvisingTheOthersFirst) {
  variant(0);
  std::vector<std::string> registered;
  for (const auto& c : aim->log().of("RegisterItem")) {
    registered.push_back(c.args[0].toString());
    EXPECT_TRUE(c.args[1].toBool());
    EXPECT_EQ(c.args[4].toLong(), 3);
  }
  EXPECT_EQ(registered,
            (std::vector<std::string>{"ADD_TRANSMITTER_STATE_ERROR", "ADD_TRANSMITTER_STATE_STATE"}));
  EXPECT_EQ(aim->log().count("UnadviseItem"), 0);  // nothing was registered before
  EXPECT_EQ(MainAccess::errorOctets(*form).upperBound(), 2);

  const int32_t old0 = handleOf("ADD_TRANSMITTER_STATE_ERROR"),
                old1 = handleOf("ADD_TRANSMITTER_STATE_STATE");
  aim->log().clear();
  variant(1);
  std::vector<std::string> ops;
  for (const auto& c : aim->log().calls())
    if (c.op == "UnadviseItem" || c.op == "RegisterItem") ops.push_back(c.op);
  ASSERT_EQ(ops.size(), 9u);
  EXPECT_EQ(ops[0], "UnadviseItem");
  EXPECT_EQ(ops[1], "UnadviseItem");
  auto unadvised = aim->log().of("UnadviseItem");
  EXPECT_EQ(unadvised[0].args[1].toLong(), old0);
  EXPECT_EQ(unadvised[1].args[1].toLong(), old1);
  EXPECT_EQ(unadvised[0].args[0].toLong(), 7);  // the view handle
  EXPECT_TRUE(unadvised[0].args[2].toBool());
  std::vector<std::string> registered1;
  for (const auto& c : aim->log().of("RegisterItem")) registered1.push_back(c.args[0].toString());
  EXPECT_EQ(registered1, std::vector<std::string>(velumor::main_view::outputs::kVariant1Items.begin(),
                                                  velumor::main_view::outputs::kVariant1Items.end()));
  EXPECT_EQ(MainAccess::errorOctets(*form).data.size(), 4u);
  EXPECT_EQ(MainAccess::deviceVariant(*form), 1);
}

TEST_F(StatusLampTest, AnUnknownVariantIsStoredAndChangesNothing) {
  variant(1);
  octets("A10_ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0, 0});
  EXPECT_EQ(lamp(), 2);
  octets("A10_ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0, 1});
  EXPECT_EQ(lamp(), 1);
  aim->log().clear();
  variant(5);
  EXPECT_EQ(MainAccess::deviceVariant(*form), 5);
  EXPECT_EQ(aim->log().count("RegisterItem") + aim->log().count("UnadviseItem"), 0);
  // The items in use still report and the lamp goes on blinking red.
  EXPECT_EQ(blink(2), (std::vector<int16_t>{4, 1}));
  octets("A10_ADD_TRANSMITTER_STATE_WARNINGS", 16, {0, 2, 0});
  EXPECT_EQ(blink(2), (std::vector<int16_t>{3, 1}));
  // A value that is no octet is not a variant at all.
  variant(300);
  variant(-1);
  EXPECT_EQ(MainAccess::deviceVariant(*form), 5);
  EXPECT_EQ(aim->log().count("RegisterItem"), 0);
}

TEST_F(StatusLampTest, OctetsGoOnlyToTheArrayOfAnItemInUse) {
  variant(0);
  const int32_t oldError = handleOf("ADD_TRANSMITTER_STATE_ERROR");
  variant(1);
  aim->log().clear();
  // The old variant's item and a zero handle route nothing.
  aim->values[oldError] = Variant(platform::com::ByteArray{0, {0xFF, 0xFF, 0xFF}});
  form->ReadStatusOctets(VELUMOR_Notify_Type{oldError, true, 0, 0});
  form->ReadStatusOctets(VELUMOR_Notify_Type{0, true, 0, 0});
  EXPECT_EQ(aim->log().count("GetArrayValue"), 0);
  // The four items the window does not read are dropped too.
  for (std::string_view dropped : {"A10_ADD_TRANSMITTER_STATE_STATE", "A10_OPERATING_MODE",
                                   "A10_ANALOG_OUTPUT_SATURATED", "A10_ANALOG_OUTPUT_FIXED"})
    form->ReadStatusOctets(VELUMOR_Notify_Type{handleOf(dropped), true, 0, 0});
  EXPECT_EQ(aim->log().count("GetArrayValue"), 0);
  // A short delivery counts the missing octets as 0.
  octets("A10_ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0, 4});
  octets("A10_ADD_TRANSMITTER_STATE_ERROR", 0, {0});
  EXPECT_EQ(MainAccess::errorOctets(*form).data, (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(lamp(), 2);
  EXPECT_FALSE(blinking());
}

TEST_F(StatusLampTest, TheLampStartsOffAndAFirstErrorWaitsForTheTick) {
  EXPECT_EQ(lamp(), 4);  // as the window loads
  variant(0);
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {1, 0, 0});
  EXPECT_EQ(lamp(), 4);
  EXPECT_EQ(blink(2), (std::vector<int16_t>{1, 4}));
}

TEST_F(StatusLampTest, TheLampBlinksAsTheStatusSays) {
  variant(0);
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0});
  EXPECT_EQ(lamp(), 2);
  EXPECT_FALSE(blinking());

  // Errors alone: red at once, then off and red every half second.
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0x20, 0});
  EXPECT_EQ(lamp(), 1);
  EXPECT_TRUE(blinking());
  EXPECT_EQ(blink(4), (std::vector<int16_t>{4, 1, 4, 1}));
  // Warnings arriving while red leave it red until the next tick; then red and yellow.
  octets("ADD_TRANSMITTER_STATE_STATE", 3, {0, 1});
  EXPECT_EQ(lamp(), 1);
  EXPECT_EQ(blink(4), (std::vector<int16_t>{3, 1, 3, 1}));
  // Errors clear: yellow and off.
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0});
  EXPECT_EQ(blink(4), (std::vector<int16_t>{3, 4, 3, 4}));
  // An error while off stays off until the next tick.
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {1, 0, 0});
  EXPECT_EQ(lamp(), 4);
  EXPECT_EQ(blink(1), (std::vector<int16_t>{1}));
  // Both clear: green and still.
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0});
  octets("ADD_TRANSMITTER_STATE_STATE", 3, {0, 0});
  EXPECT_EQ(lamp(), 2);
  EXPECT_FALSE(blinking());
  EXPECT_EQ(blink(2), (std::vector<int16_t>{2, 2}));
  // Warnings alone from green: yellow at once.
  octets("ADD_TRANSMITTER_STATE_STATE", 3, {0x80, 0});
  EXPECT_EQ(lamp(), 3);
  EXPECT_EQ(blink(2), (std::vector<int16_t>{4, 3}));
}

TEST_F(StatusLampTest, ReportsFasterThanTheBlinkDoNotHoldItStill) {
  variant(0);
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {0, 0, 0});
  octets("ADD_TRANSMITTER_STATE_ERROR", 0, {1, 0, 0});
  std::vector<int16_t> seen;
  for (int i = 0; i < 8; ++i) {
    platform::ui::EventLoop::instance().advance(250);
    octets("ADD_TRANSMITTER_STATE_ERROR", 0, {1, 0, 0});
    seen.push_back(lamp());
  }
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 4, 4, 1, 1, 4, 4, 1}));
}

}  // namespace
}  // namespace mainview_test
