// Start-up of the main window: what the user sees before the registration tick, the size
// it opens at, the tab table, the progress bars over the status bar, and the probes of the
// optional host frame operations.
#include <algorithm>

#include "tests/support/kit_access.h"
#include "tests/velumor/main_view/main_view_fixture.h"
#include "velumor/shared/component.h"

namespace mainview_test {
namespace {

constexpr float kStatusBarHeight = 315.0f;

TEST_F(MainViewTest, OpensAtItsMinimumSizeBehindTheStartUpPanel) {
  open();
  EXPECT_FLOAT_EQ(form->width(), 8760.0f);
  EXPECT_FLOAT_EQ(form->height(), 5500.0f + kStatusBarHeight);
  EXPECT_EQ(Kit::minFormWidth(*form), 8760);
  EXPECT_EQ(Kit::minFormHeight(*form), 5815);

  EXPECT_FALSE(ctl("MainTab").visible());
  platform::ui::Control& init = ctl("InitFrame");
  EXPECT_TRUE(init.visible());
  EXPECT_FLOAT_EQ(init.left(), 120.0f);
  EXPECT_FLOAT_EQ(init.top(), 120.0f);
  EXPECT_EQ(init.caption(), "");
  EXPECT_EQ(ctl("InitLabel").caption(), "Initializing ");
  // It covers the tab strip and lies in front of every page.
  EXPECT_FLOAT_EQ(init.width(), ctl("MainTab").width());
  EXPECT_FLOAT_EQ(init.height(), ctl("MainTab").height());
  for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
    EXPECT_GT(init.zIndex(), ctl(frame).zIndex()) << frame;
  EXPECT_GT(init.zIndex(), ctl("MainTab").zIndex());

  // Only the Device-Info page is visible (behind the panel).
  for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
    EXPECT_EQ(ctl(frame).visible(), frame == "MainDeviceInfoFrame") << frame;
  EXPECT_FALSE(ctl("ResizeLabel").visible());
  EXPECT_TRUE(Kit::formLoaded(*form));
}

TEST_F(MainViewTest, LoadMakesNoHostCallButTheProbesAndStartsNoTimer) {
  open();
  for (const fakehost::Call& c : aim->log().calls())
    EXPECT_TRUE(c.op == "GetDDObject" || c.op == "GetFrame" || c.op == "OpenFromDatabase" ||
                c.op == "SaveAsToDatabase")
        << c.text();
  EXPECT_EQ(aim->log().count("GetFrame"), 2);
  for (const char* t : {"NotifyTimer", "SeqStartTimer", "DiagLEDTimer"})
    EXPECT_FALSE(form->timer(t).isEnabled()) << t;
  // Notifications are queued from the end of the load on.
  ASSERT_TRUE(form->binding().hasQueue());
  EXPECT_TRUE(form->binding().queue()->empty());
}

TEST_F(MainViewTest, MenuEntriesTheViewNeverOffersAreHidden) {
  open();
  for (const char* entry : {"MenuAdjust", "MenuMaintenance", "MenuSpecialist"}) {
    EXPECT_FALSE(ctl(entry).visible()) << entry;
    EXPECT_FALSE(ctl(entry).enabled()) << entry;
  }
  EXPECT_FALSE(ctl("MenuS3").visible());
  // The Settings menu still offers the two data sources.
  std::vector<std::string> shown;
  for (platform::ui::MenuControl* m : form->menu("MenuSettings").entries())
    if (m->visible()) shown.push_back(m->name());
  EXPECT_EQ(shown, (std::vector<std::string>{"MenuSourceFile", "MenuSourceDevice"}));
}

TEST_F(MainViewTest, HelpFileLiesInTheComponentFolderInTheUsersLanguage) {
  open();
  EXPECT_EQ(Kit::helpFile(*form), (velumor::shared::componentFolder() / "VR_EN.HLP").string());

  ScopedLang german("de");
  auto other = platform::com::makeObject<velumor::main_view::VelumorMainViewForm>();
  ASSERT_EQ(other->SetAppletItemManagRef(8, aim), 0);
  EXPECT_EQ(Kit::helpFile(*other), (velumor::shared::componentFolder() / "VR_GE.HLP").string());
  other->unload();
}

TEST_F(MainViewTest, ThreeTabsAreParkedInRecordsTwoSevenAndEight) {
  open();
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{
                           "MainDeviceInfoKey", "MainUnitsKey", "MainValuesKey", "MainMassCounterKey",
                           "MainVolumeCounterKey", "MainDisplayKey", "MainOperationKey", "MainCommentsKey",
                           "MainOutputCfgKey", "MainOutput1Key", "MainOutput2Key", "MainImpulseKey"}));
  EXPECT_EQ(tabs().selectedKey(), "MainDeviceInfoKey");
  const auto& table = MainAccess::tabTable(*form);
  ASSERT_EQ(table.size(), 16u);
  const std::map<size_t, std::pair<std::string, std::string>> parked = {
      {2, {"MainSensorKey", "Sensor"}},
      {7, {"MainAlarmKey", "Alarms"}},
      {8, {"MainTemparatureKey", "Temperature / Density"}}};
  for (size_t i = 0; i < table.size(); ++i) {
    const auto& record = table[i];
    auto it = parked.find(i);
    if (it == parked.end()) {
      EXPECT_FALSE(record.bParked) << i;
      EXPECT_EQ(record.sKey, "") << i;
      continue;
    }
    EXPECT_TRUE(record.bParked) << i;
    EXPECT_EQ(record.sKey, it->second.first) << i;
    EXPECT_EQ(record.sCaption, it->second.second) << i;
  }
}

TEST_F(MainViewTest, ProgressFrameLiesOverTheDataSourcePanelWithEmptyBars) {
  open();
  auto& bar = form->statusBar("VelumorStatusBar");
  // Panel widths are twips: 2400, 2400, the rest, 570 (the client area is 8640 wide).
  const platform::ui::Panel& source = bar.panel(Variant("StatusBarDataSource"));
  EXPECT_FLOAT_EQ(source.left, 4800.0f);
  EXPECT_FLOAT_EQ(source.width, 8640.0f - 2400 - 2400 - 570);

  platform::ui::Control& progress = ctl("ProgressFrame");
  EXPECT_FLOAT_EQ(progress.left(), source.left + 50);
  EXPECT_FLOAT_EQ(progress.width(), source.width - 100);
  EXPECT_FLOAT_EQ(progress.top(), static_cast<float>(bar.top() + 200.0 / 3));
  EXPECT_FLOAT_EQ(progress.height(), kStatusBarHeight - 100);
  EXPECT_EQ(progress.getProperty("BorderStyle").toInteger(), 0);
  EXPECT_TRUE(progress.visible());
  EXPECT_GT(progress.zIndex(), bar.zIndex());
  // The whole frame lies inside the window's client area.
  EXPECT_LE(progress.left() + progress.width(), form->scaleWidth());
  EXPECT_LE(progress.top() + progress.height(), form->scaleHeight());

  for (const char* pair : {"upload", "download", "SequenceProgress"}) {
    platform::ui::Control& bg = ctl(std::string("shp_bg_") + pair);
    platform::ui::Control& fg = ctl(std::string("shp_fg_") + pair);
    EXPECT_FLOAT_EQ(bg.left(), 0) << pair;
    EXPECT_FLOAT_EQ(bg.top(), 0) << pair;
    EXPECT_FLOAT_EQ(bg.width(), progress.width()) << pair;
    EXPECT_FLOAT_EQ(bg.height(), progress.height()) << pair;
    EXPECT_FLOAT_EQ(fg.width(), 0) << pair;
    EXPECT_FLOAT_EQ(fg.height(), bg.height()) << pair;
  }
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).toolTipText, "Communication State:Disconnected");
  EXPECT_EQ(bar.panel(Variant("StatusBarDataSource")).toolTipText, "Source: &File");
}

TEST_F(MainViewTest, PagesCoverTheTabStripAndKeepTheirInnerArrangement) {
  open();
  // The load's own resizes (down to the minimum size) leave the tab strip at its design size.
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8415.0f);
  EXPECT_FLOAT_EQ(ctl("MainTab").height(), 4575.0f);
  for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
    expectFitsTabClientArea(frame);
  for (const char* borderless : {"MainDeviceInfoFrame", "MainValueFrame", "MainDisplayFrame",
                                 "MainTemparatureFrame", "MainOutput1Frame", "MainOutput2Frame"})
    EXPECT_EQ(ctl(borderless).getProperty("BorderStyle").toInteger(), 0) << borderless;
  EXPECT_EQ(ctl("MainUnitFrame").getProperty("BorderStyle").toInteger(), 1);

  const float pageW = tabs().clientWidth();
  const float pageH = tabs().clientHeight();
  // Device-Info: the lower frame reaches the bottom of the page, 100 below the upper one.
  EXPECT_FLOAT_EQ(ctl("MeasurementPointFrame").top(), ctl("DeviceDataFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("MeasurementPointFrame").top() + ctl("MeasurementPointFrame").height(), pageH);
  // Values: the right column stands 100 right of the output frame.
  EXPECT_FLOAT_EQ(ctl("CurrentFrame").left(), ctl("ValueOutputFrame").width() + 100);
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").top(), ctl("CurrentFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").top() + ctl("ValueDiagFrame").height(),
                  ctl("ValueOutputFrame").height());
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").left() + ctl("ValueDiagFrame").width(), pageW);
  EXPECT_FLOAT_EQ(ctl("ValueCounterFrame").top() + ctl("ValueCounterFrame").height(), pageH);
  // Totalizers: the function selection is never shown and takes no room.
  for (const char* p : {"Mass", "Volume"}) {
    const std::string prefix(p);
    platform::ui::Control& function = ctl(prefix + "CounterFunctionFrame");
    EXPECT_FALSE(function.visible()) << p;
    EXPECT_FALSE(function.enabled()) << p;
    EXPECT_FLOAT_EQ(function.height(), 0) << p;
    EXPECT_FLOAT_EQ(ctl(prefix + "CounterFlowFrame").top(), function.top()) << p;
    EXPECT_FLOAT_EQ(ctl(prefix + "CounterRevFlowFrame").top(),
                    ctl(prefix + "CounterFlowFrame").top() + ctl(prefix + "CounterFlowFrame").height())
        << p;
    EXPECT_FLOAT_EQ(ctl(prefix + "CounterRevFlowFrame").width(), pageW - 200) << p;
  }
  // Notes: the same margin on both sides.
  platform::ui::Control& notes = ctl("CommentsText");
  EXPECT_FLOAT_EQ(pageW - (notes.left() + notes.width()), notes.left());
  EXPECT_FLOAT_EQ(pageH - (notes.top() + notes.height()), notes.top());
  // Output 1: the sensor frame overlaps the span rows' last 300 twips, 100 inside its container.
  platform::ui::Control& sensor = ctl("Output1SensorInfoFrame");
  platform::ui::Control& span = ctl("Output1VLabelTextUnit", 0);
  platform::ui::Control& limits = ctl("MainOutput1LimitsFrame");
  EXPECT_FLOAT_EQ(sensor.top(), span.top());
  EXPECT_FLOAT_EQ(sensor.left(), span.left() + span.width() - 300);
  EXPECT_FLOAT_EQ(sensor.left() + sensor.width(), limits.width() - 100);
  EXPECT_FLOAT_EQ(sensor.top() + sensor.height(), limits.height() - 100);
  EXPECT_FLOAT_EQ(ctl("MainOutput2AlarmFrame").top() + ctl("MainOutput2AlarmFrame").height(), pageH);
}

// ------------------------------------------------------------------ probes

struct ProbeCase {
  const char* name;
  int openError;  // -1: the operation is missing; 0: the call goes through; else the error raised
  int saveAsError;
  bool openEnabled;
  bool saveAsEnabled;
};

class MainViewProbeTest : public MainViewTest, public ::testing::WithParamInterface<ProbeCase> {};

fakehost::ByName::Fn raising(int error) {
  return [error](std::span<Variant>) -> Variant {
    if (error != 0) platform::com::raise(error);
    return Variant();
  };
}

TEST_P(MainViewProbeTest, OnlyErrorFourFiftyKeepsAnEntryEnabled) {
  const ProbeCase& c = GetParam();
  if (c.openError >= 0) aim->frame->byName.add("OpenFromDatabase", raising(c.openError));
  if (c.saveAsError >= 0) aim->frame->byName.add("SaveAsToDatabase", raising(c.saveAsError));
  open();
  EXPECT_EQ(ctl("MenuOpenNew").enabled(), c.openEnabled);
  EXPECT_EQ(ctl("MenuSaveAs").enabled(), c.saveAsEnabled);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Outcomes, MainViewProbeTest,
                         ::testing::Values(ProbeCase{"both_present", 450, 450, true, true},
                                           ProbeCase{"neither_present", -1, -1, false, false},
                                           ProbeCase{"only_open", 450, 438, true, false},
                                           ProbeCase{"only_save_as", -1, 450, false, true},
                                           ProbeCase{"calls_go_through", 0, 0, false, false},
                                           ProbeCase{"other_errors", 5, 91, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainViewTest, ProbeCallsEachOperationOnceWithOneBooleanTrue) {
  aim->frame->byName.add("OpenFromDatabase", operationWithoutArguments());
  aim->frame->byName.add("SaveAsToDatabase", operationWithoutArguments());
  open();
  for (const char* op : {"OpenFromDatabase", "SaveAsToDatabase"}) {
    const auto calls = aim->log().of(op);
    ASSERT_EQ(calls.size(), 1u) << op;
    ASSERT_EQ(calls[0].args.size(), 1u) << op;
    EXPECT_EQ(calls[0].args[0].type(), platform::com::VarType::Boolean) << op;
    EXPECT_TRUE(calls[0].args[0].toBool()) << op;
  }
  // Each probe fetches its own frame.
  EXPECT_EQ(aim->log().ops(), (std::vector<std::string>{"GetDDObject", "GetFrame", "OpenFromDatabase",
                                                        "GetFrame", "SaveAsToDatabase"}));
  EXPECT_TRUE(ctl("MenuOpenNew").enabled());
  EXPECT_TRUE(ctl("MenuSaveAs").enabled());
}

TEST_F(MainViewTest, WithoutAFrameBothEntriesAreDisabledAndTheLoadGoesOn) {
  aim->frame = nullptr;
  open();
  EXPECT_FALSE(ctl("MenuOpenNew").enabled());
  EXPECT_FALSE(ctl("MenuSaveAs").enabled());
  EXPECT_TRUE(form->binding().hasQueue());
}

TEST_F(MainViewTest, AFailingGetFrameDisablesBothEntries) {
  aim->frame->byName.add("OpenFromDatabase", operationWithoutArguments());
  aim->frame->byName.add("SaveAsToDatabase", operationWithoutArguments());
  aim->failures.set("GetFrame", platform::com::hr::Fail);
  open();
  EXPECT_FALSE(ctl("MenuOpenNew").enabled());
  EXPECT_FALSE(ctl("MenuSaveAs").enabled());
  EXPECT_TRUE(form->binding().hasQueue());
}

}  // namespace
}  // namespace mainview_test
