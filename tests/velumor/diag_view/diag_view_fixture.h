#pragma once
// The diagnosis window on a recording host: the real host controls and lamp, a fake item
// manager and frame, and headless services that log help and message-box requests into
// the host's call log, so the order of a shut-down can be read from one list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/event_loop.h"
#include "tests/support/diag_view_access.h"
#include "tests/velumor/main_view/main_view_fixture.h"
#include "tests/velumor/window_fixture.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/shared/vexaonoff.h"
#include "velumor/view_window/seq_start_queue.h"

namespace diagview_test {

using platform::com::Ptr;
using platform::com::Variant;
using windowtest::FakeView;
using windowtest::LoggingItemHandler;
using windowtest::LoggingServices;
using Form = velumor::diag_view::VelumorDiagViewForm;

inline constexpr int32_t kGreyText = static_cast<int32_t>(0x80000011u);
inline constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008u);
inline constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005u);

// The groups with rows, as the user reaches them, and their row counts.
struct RowGroup {
  const char* name;
  const char* key;
  int32_t rows;
};
inline const std::vector<RowGroup>& rowGroups() {
  static const std::vector<RowGroup> g = {
      {"Device", "DiagDeviceKey", 8}, {"Sensor", "DiagSensorKey", 8}, {"Input", "DiagInputKey", 2},
      {"Value", "DiagValueKey", 5},   {"Alarm", "DiagAlarmKey", 6},   {"Totalizer", "DiagTotalizerKey", 5},
      {"Output", "DiagOutputKey", 8}, {"Config", "DiagConfigKey", 2}, {"Memory", "DiagMemoryKey", 5},
  };
  return g;
}

class DiagViewTest : public windowtest::WindowTest<Form> {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // A device description without a device menu, unless a test gives it one.
    aim->dd->byName.add("fncGetGeneralString", [](std::span<Variant>) { return Variant(int32_t{1}); });
  }

  static void run(int64_t ms) { platform::ui::EventLoop::instance().advance(ms); }

  std::vector<std::string> visibleFrames() {
    std::vector<std::string> v;
    for (const Form::Group& g : Form::groups()) {
      const std::string frame = "Diag" + std::string(g.name) + "Frame";
      if (ctl(frame).visible()) v.push_back(frame);
    }
    return v;
  }
  int32_t backColour(std::string_view group, int32_t row) {
    return ctl("Diag" + std::string(group) + "Text", row).getProperty("BackColor").toLong();
  }
  int32_t foreColour(std::string_view group, int32_t row) {
    return ctl("Diag" + std::string(group) + "Text", row).getProperty("ForeColor").toLong();
  }
  std::string rowText(std::string_view group, int32_t row) {
    return ctl("Diag" + std::string(group) + "Text", row).text();
  }
  int32_t lamp(std::string_view group, int32_t row) {
    return ctl("Diag" + std::string(group) + "ONOFF", row).evalPath("state").toLong();
  }
  // The window opened and registered, and the host reporting the connection `state`.
  void showConnection(int32_t state) {
    open();
    run(1);  // the registration tick
    ASSERT_TRUE(aim->setItem("&&private&&connect", Variant(static_cast<double>(state))));
    form->NotifyChanged(aim->handleOf("&&private&&connect"), false, 0, 0);
    run(1);
  }
  // The key of the tab whose frame the window shows.
  const std::string& currentTabKey() const {
    return velumor::view_window::TestAccess<Form>::currentTabKey(*form);
  }
  // The user selects a tab.
  void clickTab(std::string_view key) {
    form->show();
    ASSERT_TRUE(form->userSelectTab(tabs(), Variant(key)));
  }
};

}  // namespace diagview_test
