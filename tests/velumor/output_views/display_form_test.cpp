// The display windows on a recording host: what the registration tick registers and binds,
// how a notification reaches its branch, and how a change of the device's output assignment
// reconfigures exactly the instrument it concerns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "tests/support/fake_host.h"
#include "tests/support/kit_access.h"
#include "tests/support/scoped_lang.h"
#include "tests/velumor/host_binding/test_support.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/output_views/velumor_display_form.h"

namespace {

using platform::com::InvokeKind;
using platform::com::makeObject;
using platform::com::Ptr;
using platform::com::Variant;
using velumor::output_views::DisplayKind;
using velumor::output_views::VelumorDisplayForm;

// An instrument that writes down every call by number, like the channel tests' recorder.
class RecordingInstrument : public platform::ui::UserControlImpl {
 public:
  explicit RecordingInstrument(std::string kind) : kind_(std::move(kind)) {}
  std::string kind() const override { return kind_; }
  std::vector<std::pair<std::string, Variant>> snapshot() const override { return {}; }
  // Design properties come by name; they are taken and not recorded.
  int32_t idOfName(std::string_view name) const override {
    names_.emplace_back(name);
    return static_cast<int32_t>(names_.size());
  }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    if (id > 0 && id <= static_cast<int32_t>(names_.size())) return Variant();
    if (id == tolvar::dispid::ExtenderVisible && kind == InvokeKind::PropertyPut && site()) {
      site()->setVisible(args.back().toBool());
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(id));
    std::string s = (kind == InvokeKind::Method ? "call " : "put ") + std::string(hex);
    if (kind == InvokeKind::PropertyPut) {
      if (args.size() == 2) s += "[" + std::to_string(args[0].toLong()) + "]";
      s += " = " + args.back().debugString();
    }
    calls.push_back(s);
    if (kind == InvokeKind::Method && args.size() == 3)  // ConnectItems: item manager, level, country
      connected.emplace_back(args[1].toLong(), args[2].toLong());
    return Variant();
  }
  std::vector<std::string> calls;
  // The user level and country code of each ConnectItems.
  std::vector<std::pair<int32_t, int32_t>> connected;

 private:
  std::string kind_;
  mutable std::vector<std::string> names_;
};

void registerRecordingInstruments() {
  auto& registry = platform::ui::UserControlRegistry::instance();
  for (auto [progId, kind] : {std::pair{tolvar::progid::Needle, "Tolvar4Needle"},
                              std::pair{tolvar::progid::BarGraph, "Tolvar4BarGraph"},
                              std::pair{tolvar::progid::Digital, "Tolvar4Digital"},
                              std::pair{tolvar::progid::Plotter, "Tolvar4Plotter"}}) {
    registry.remove(progId);
    std::string k = kind;
    registry.add(progId,
                 [k] { return Ptr<platform::ui::UserControlImpl>(makeObject<RecordingInstrument>(k)); });
  }
}

class DisplayFormTest : public hbtest::HostBindingTest {
 protected:
  void SetUp() override {
    HostBindingTest::SetUp();
    // Stand-ins for the host's text controls and item handler (other tests of this program
    // register the real ones), recorders for the instruments.
    for (const char* progId : {tolvar::progid::Text, tolvar::progid::ItemHandler})
      platform::ui::UserControlRegistry::instance().remove(progId);
    fakehost::registerFakeHostControls();
    registerRecordingInstruments();
    host->dd->properties["DevDescLong"] = "RQ4400 Coriolis";
    // Each selection item and the connection state have an enumeration in the description.
    int32_t h = 500;
    for (const char* item : {"&&private&&connect", "CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                             "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "DISPLAY_2ND_LINE", "PULSE_OUTPUT_MODE"}) {
      host->dd->handles[{"object", item}] = ++h;
      host->dd->info[h] = {Variant(), Variant(), Variant(), Variant(), Variant(std::string(item) + "_ENUM"),
                           Variant()};
      host->dd->handles[{"enumeration", std::string(item) + "_ENUM"}] = h + 100;
      host->dd->enumerations[h + 100] = {{0, "zero"}, {1, "one"}, {2, "two"}, {3, "three"}, {11, "eleven"}};
    }
  }
  void TearDown() override {
    if (window) window->unload();
  }

  VelumorDisplayForm& open(DisplayKind kind) {
    window = makeObject<VelumorDisplayForm>(kind);
    window->takeOwningView(makeObject<hbtest::DummyView>());
    EXPECT_EQ(window->SetAppletItemManagRef(42, host), 0);
    hbtest::run(1);
    return *window;
  }
  RecordingInstrument& instrument(const std::string& name) {
    return dynamic_cast<RecordingInstrument&>(window->ctlAs<platform::ui::UserControl>(name).impl());
  }
  // The host reports a change of `item` to `value`.
  void report(const std::string& item, double value, bool shadow = false) {
    host->setItem(item, Variant(value));
    window->NotifyChanged(host->handleOf(item), shadow, 0, 0);
    hbtest::run(1);
  }

  Ptr<VelumorDisplayForm> window;
};

TEST_F(DisplayFormTest, RegistersItsElevenItemsInOrderWithTheirEnumerations) {
  open(DisplayKind::Digital);
  std::vector<std::string> names;
  for (const auto& r : host->registrations) {
    names.push_back(r.name);
    EXPECT_EQ(r.viewHandle, 42);
    EXPECT_EQ(r.userLong, 0);
    EXPECT_EQ(r.mode, 0);
    EXPECT_EQ(r.flag, r.name.find("OUTPUT") != std::string::npos || r.name == "DISPLAY_2ND_LINE") << r.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "&&private_FDT&&EngineeringContext", "&&private_pm&&Address", "DESCRIPTOR",
                       "&&private&&connect", "&&private&&CurrentSource", "&&private&&UserLevel",
                       "&&private&&CountryCode", "CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                       "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "DISPLAY_2ND_LINE", "PULSE_OUTPUT_MODE"}));
  // The enumeration of each selection is looked up right after its registration.
  std::vector<std::string> order;
  for (const auto& c : host->log().calls())
    if (c.op == "RegisterItem" || (c.op == "FindObject" && c.args[0].toString() == "enumeration"))
      order.push_back(c.op == "RegisterItem" ? c.args[0].toString() : "enum " + c.args[1].toString());
  EXPECT_EQ(order, (std::vector<std::string>{
                       "&&private_FDT&&EngineeringContext", "&&private_pm&&Address", "DESCRIPTOR",
                       "&&private&&connect", "enum &&private&&connect_ENUM", "&&private&&CurrentSource",
                       "&&private&&UserLevel", "&&private&&CountryCode", "CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                       "enum CURRENT_OUTPUT_1_OUTPUT_VARIABLE_ENUM", "CURRENT_OUTPUT_2_OUTPUT_VARIABLE",
                       "enum CURRENT_OUTPUT_2_OUTPUT_VARIABLE_ENUM", "DISPLAY_2ND_LINE",
                       "enum DISPLAY_2ND_LINE_ENUM", "PULSE_OUTPUT_MODE", "enum PULSE_OUTPUT_MODE_ENUM"}));
  // Nothing is read at registration: the instruments wait for their first notification.
  EXPECT_EQ(host->log().count("GetValue") + host->log().count("GetValueEx"), 0);
  EXPECT_TRUE(instrument("Output1Tolvar4Digital").calls.empty());
  EXPECT_EQ(window->caption(), "RQ4400 Coriolis");
}

TEST_F(DisplayFormTest, NeedleAndBarWindowsBindTheirTextsOnceBeforeTheItemHandler) {
  for (DisplayKind kind : {DisplayKind::Analog, DisplayKind::Bar}) {
    open(kind);
    auto& text = dynamic_cast<fakehost::FakeHostControl&>(
        window->ctlAs<platform::ui::UserControl>("PulseUnitTolvar4Text").impl());
    bool bound = false;
    for (auto& [n, v] : text.snapshot())
      if (v.type() == platform::com::VarType::String && v.toString() == "THIRD_UNITS") bound = true;
    EXPECT_TRUE(bound);
    auto& handler = dynamic_cast<fakehost::FakeHostControl&>(
        window->ctlAs<platform::ui::UserControl>("VelumorTolvar4CtrlItemHandler").impl());
    EXPECT_EQ(handler.methodCalls.size(), 1u);
    window->unload();
    window = nullptr;
  }
}

TEST_F(DisplayFormTest, AMissingObjectOrEnumerationKeepsHandleZeroAndRegistrationGoesOn) {
  host->dd->handles.erase({"object", "CURRENT_OUTPUT_2_OUTPUT_VARIABLE"});
  host->dd->handles.erase({"enumeration", "DISPLAY_2ND_LINE_ENUM"});
  open(DisplayKind::Analog);
  EXPECT_EQ(host->registrations.size(), 11u);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  // Without an enumeration the caption is empty, unless it is the channel's own text.
  report("CURRENT_OUTPUT_2_OUTPUT_VARIABLE", 1);
  EXPECT_EQ(instrument("Output2Tolvar4Needle").calls.at(1), "put 0x68030003 = \"\"");
}

TEST_F(DisplayFormTest, ASelectionChangeReconfiguresOnlyItsChannel) {
  ScopedLang lang("en");
  open(DisplayKind::Bar);
  report("PULSE_OUTPUT_MODE", 1, true);
  EXPECT_TRUE(instrument("Output1Tolvar4BarGraph").calls.empty());
  const auto& pulse = instrument("PulseTolvar4BarGraph").calls;
  ASSERT_FALSE(pulse.empty());
  EXPECT_EQ(pulse.front(), "call 0x6003004B");
  EXPECT_EQ(pulse.back(), "call 0x6003004A");
  EXPECT_EQ(DisplayAccess::pulseSelection(*window), 1);
  // The read took the notification's shadow flag.
  EXPECT_TRUE(host->log().of("GetValueEx").back().args[1].toBool());
  // Selection 5 keeps the scale of the previous configuration: no scale write this time.
  instrument("Output1Tolvar4BarGraph").calls.clear();
  report("CURRENT_OUTPUT_1_OUTPUT_VARIABLE", 0);
  report("CURRENT_OUTPUT_1_OUTPUT_VARIABLE", 5);
  int scaleWrites = 0;
  for (const auto& c : instrument("Output1Tolvar4BarGraph").calls)
    if (c.rfind("put 0x68030008", 0) == 0) ++scaleWrites;
  EXPECT_EQ(scaleWrites, 1);
  // The second line hides its instrument outside its table and shows it again.
  report("DISPLAY_2ND_LINE", 3);
  EXPECT_FALSE(window->ctl("Display2ndLineTolvar4BarGraph").visible());
  EXPECT_TRUE(window->ctl("Display2ndLineValueTolvar4Text").visible());
  report("DISPLAY_2ND_LINE", 11);
  EXPECT_TRUE(window->ctl("Display2ndLineTolvar4BarGraph").visible());
}

TEST_F(DisplayFormTest, TrendReconfiguresAllFourCurvesOnAnySelection) {
  open(DisplayKind::Trend);
  report("PULSE_OUTPUT_MODE", 1);
  const auto& calls = instrument("VR_Tolvar4Plotter").calls;
  EXPECT_EQ(calls.front(), "call 0x6003002D");
  EXPECT_EQ(calls.back(), "call 0x6003002C");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("call 0x6003002C")), 1);
  // All four selections were read anew.
  EXPECT_EQ(host->log().count("GetValueEx"), 4);
}

TEST_F(DisplayFormTest, UserLevelAndCountryCodeReachTheNextConfigurationOnly) {
  open(DisplayKind::Digital);
  report("&&private&&UserLevel", 10);
  report("&&private&&CountryCode", 44);
  EXPECT_TRUE(instrument("Output1Tolvar4Digital").calls.empty());
  report("CURRENT_OUTPUT_1_OUTPUT_VARIABLE", 0);
  EXPECT_EQ(instrument("Output1Tolvar4Digital").connected,
            (std::vector<std::pair<int32_t, int32_t>>{{10, 44}}));
}

TEST_F(DisplayFormTest, TrendFreezesWhileConnected) {
  open(DisplayKind::Trend);
  report("&&private&&connect", 2);
  EXPECT_FALSE(window->userResize(9000, 9000) && window->width() != 7800);
  EXPECT_EQ(window->width(), 7800);
  report("&&private&&connect", 0);
  window->userResize(9000, 9000);
  EXPECT_EQ(window->width(), 9000);
}

TEST_F(DisplayFormTest, UnknownHandlesAreDroppedOneATick) {
  open(DisplayKind::Analog);
  const size_t calls = host->log().calls().size();
  window->NotifyChanged(9999, false, 0, 0);
  window->NotifyChanged(0, false, 0, 0);
  hbtest::run(2);  // one record a tick
  EXPECT_EQ(host->log().calls().size(), calls);
  EXPECT_TRUE(window->timer("NotifyTimer").isEnabled());
  hbtest::run(1);  // the third tick finds the queue empty
  EXPECT_FALSE(window->timer("NotifyTimer").isEnabled());
}

}  // namespace
