#pragma once
// The simulation window on a recording host: a fake item manager, device description and
// frame that log every call, stand-ins for the host's controls (the fixed-current field keeps
// the text typed into it), headless services that answer message boxes from a queue, and the
// manual clock, so the timers tick only when a test advances it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ref.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/fake_host.h"
#include "tests/support/scoped_lang.h"
#include "velumor/output_views/velumor_simulation_form.h"
#include "velumor/shared/component.h"
#include "velumor/view_window/seq_start_queue.h"

namespace simview_test {

using platform::com::Ptr;
using platform::com::Variant;

constexpr double kFixed = 8.0;  // bit &H08 of the field device status: loop current fixed

class SimulationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lang = std::make_unique<ScopedLang>(language());
    fakehost::registerFakeHostControls();
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
    platform::ui::EventLoop::instance().clearErrors();
    aim = platform::com::makeObject<fakehost::FakeItemManager>();
    aim->dd->properties["DevDescLong"] = "RQ4400 Coriolis Mass Flowmeter";
    // A device description without a device menu: no nickname.
    aim->dd->byName.add("fncGetGeneralString", [](std::span<Variant>) { return Variant(int32_t{1}); });
    form = platform::com::makeObject<velumor::output_views::VelumorSimulationForm>();
  }
  void TearDown() override {
    if (form && form->isLoaded()) {
      // A window left in fixed-current mode would ask; the owner's end never does.
      form->unload(platform::ui::kUnloadFormOwner);
    }
    form = nullptr;
    platform::ui::Services::headless().reset();
    lang.reset();
  }
  virtual const char* language() const { return "en"; }

  // Hands the item manager over (the window loads) and runs the registration tick.
  void open() {
    ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0);
    form->show();
    run(1);
  }
  void run(int64_t ms) { platform::ui::EventLoop::instance().advance(ms); }

  // The host changes an item the window registered and tells the window, as the host does.
  void notify(std::string_view item, Variant value) {
    const int32_t h = aim->handleOf(item);
    ASSERT_NE(h, 0) << item << " was not registered";
    aim->values[h] = std::move(value);
    const auto r = aim->registration(item);
    form->NotifyChanged(h, false, 0, r->userLong);
    run(1);
  }
  void connect() { notify("&&private&&connect", Variant(2.0)); }

  platform::ui::Control& ctl(std::string_view name, int32_t index = -1) { return form->ctl(name, index); }
  const platform::ui::Panel& lamp() {
    return form->statusBar("VelumorStatusBar").panel(Variant("StatusBarSimulationLED"));
  }
  bool optionOn(int32_t i) { return ctl("OperationModeOption", i).getProperty("Value").toBool(); }
  // What the user typed into the fixed-current field.
  void type(const std::string& text) { ctl("CurrentText", 0).setProperty("Text", Variant(text)); }

  // The values written to "PRIMARY_FIXED_CURRENT", in order.
  std::vector<float> fixedCurrentWrites() const {
    std::vector<float> out;
    const int32_t h = aim->handleOf("PRIMARY_FIXED_CURRENT");
    for (const auto& c : aim->log().of("SetSingleValue"))
      if (c.args.at(0).toLong() == h) out.push_back(c.args.at(1).toSingle());
    return out;
  }
  std::vector<std::string> startedSequences() const {
    std::vector<std::string> out;
    for (const auto& c : aim->log().of("StartSequence")) out.push_back(c.args.at(0).toString());
    return out;
  }
  std::vector<platform::ui::ServiceRequest> boxes() const {
    return platform::ui::Services::headless().requestsOf("msgbox");
  }
  void answer(int32_t a) { platform::ui::Services::headless().queueMessageAnswer(a); }

  std::unique_ptr<ScopedLang> lang;
  Ptr<fakehost::FakeItemManager> aim;
  Ptr<velumor::output_views::VelumorSimulationForm> form;
};

}  // namespace simview_test
