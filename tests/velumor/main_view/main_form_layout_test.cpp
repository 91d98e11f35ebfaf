// The main window's size rules, the lazy fitting of its pages and the parked tabs.
#include "tests/support/kit_access.h"
#include "tests/velumor/main_view/main_view_fixture.h"

namespace mainview_test {
namespace {

// Records the order in which the window's outer size changes.
class SizeRecorder : public platform::ui::ControlObserver {
 public:
  void controlChanged(platform::ui::Control& c, std::string_view what) override {
    if (what == "Width" || what == "Height")
      changes.push_back(std::string(what) + "=" + c.getProperty(what).toString());
  }
  std::vector<std::string> changes;
};

// Counts geometry changes of the controls it watches.
class MoveCounter : public platform::ui::ControlObserver {
 public:
  void controlChanged(platform::ui::Control&, std::string_view what) override {
    if (what == "Left" || what == "Top" || what == "Width" || what == "Height") ++count;
  }
  int count = 0;
};

constexpr float kMinW = 8760.0f;
constexpr float kMinH = 5815.0f;

TEST_F(MainViewTest, DraggingBelowTheMinimumSnapsBackHeightFirst) {
  open();
  SizeRecorder sizes;
  form->addObserver(&sizes);
  ASSERT_TRUE(form->userResize(5000, 3000));
  form->removeObserver(&sizes);
  EXPECT_FLOAT_EQ(form->width(), kMinW);
  EXPECT_FLOAT_EQ(form->height(), kMinH);
  ASSERT_GE(sizes.changes.size(), 2u);
  EXPECT_EQ(sizes.changes[sizes.changes.size() - 2], "Height=5815");
  EXPECT_EQ(sizes.changes.back(), "Width=8760");
  // The nested resizes apply the change once: back at the minimum, nothing moved.
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8415.0f);
  EXPECT_FLOAT_EQ(ctl("MainTab").height(), 4575.0f);
  expectFitsTabClientArea("MainDeviceInfoFrame");
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

TEST_F(MainViewTest, ResizeFitsTheSelectedPageAndSharesTheHeightInHalves) {
  open();
  const float dataH = ctl("DeviceDataFrame").height();
  const float pointTop = ctl("MeasurementPointFrame").top();
  const float valueW = ctl("MainValueFrame").width();
  ASSERT_TRUE(form->userResize(kMinW + 600, kMinH + 300));
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8415.0f + 600);
  EXPECT_FLOAT_EQ(ctl("MainTab").height(), 4575.0f + 300);
  expectFitsTabClientArea("MainDeviceInfoFrame");
  EXPECT_FLOAT_EQ(ctl("DeviceDataFrame").width(), tabs().clientWidth());
  EXPECT_FLOAT_EQ(ctl("DeviceDataFrame").height(), dataH + 150);
  EXPECT_FLOAT_EQ(ctl("MeasurementPointFrame").top(), pointTop + 150);
  EXPECT_FLOAT_EQ(ctl("MeasurementPointFrame").top() + ctl("MeasurementPointFrame").height(),
                  tabs().clientHeight());
  // A hidden page waits for its tab.
  EXPECT_FLOAT_EQ(ctl("MainValueFrame").width(), valueW);
}

TEST_F(MainViewTest, ProgressFrameFollowsTheStatusBarAtEverySize) {
  open();
  for (auto [w, h] :
       {std::pair{kMinW + 1000, kMinH + 500}, std::pair{kMinW + 37, kMinH + 12}, std::pair{kMinW, kMinH}}) {
    ASSERT_TRUE(form->userResize(w, h));
    auto& bar = form->statusBar("VelumorStatusBar");
    const platform::ui::Panel& source = bar.panel(Variant("StatusBarDataSource"));
    platform::ui::Control& progress = ctl("ProgressFrame");
    EXPECT_FLOAT_EQ(progress.top(), static_cast<float>(bar.top() + 200.0 / 3)) << w;
    EXPECT_FLOAT_EQ(progress.width(), source.width - 100) << w;
    EXPECT_FLOAT_EQ(progress.left(), source.left + 50) << w;
    for (const char* bg : {"shp_bg_upload", "shp_bg_download", "shp_bg_SequenceProgress"})
      EXPECT_FLOAT_EQ(ctl(bg).width(), progress.width()) << bg;
  }
}

TEST_F(MainViewTest, SizeChangesCountInWholeTwipsRoundingHalvesToEven) {
  open();
  ASSERT_TRUE(form->userResize(kMinW + 0.5f, kMinH));  // 0.5 rounds to 0
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8415.0f);
  EXPECT_EQ(Kit::lastFormWidth(*form), 8760);
  ASSERT_TRUE(form->userResize(kMinW + 1.5f, kMinH));  // 1.5 rounds to 2
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8417.0f);
  EXPECT_EQ(Kit::lastFormWidth(*form), 8762);
  ASSERT_TRUE(form->userResize(kMinW + 2.5f, kMinH));  // 0.5 again: 0, remembered 8762
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), 8417.0f);
  EXPECT_EQ(Kit::lastFormWidth(*form), 8762);
}

TEST_F(MainViewTest, MinimisingAndRestoringMovesNothing) {
  open();
  ASSERT_TRUE(form->userResize(kMinW + 400, kMinH + 200));
  const float tabW = ctl("MainTab").width();
  const float tabH = ctl("MainTab").height();
  form->setWindowState(platform::ui::kMinimized);
  EXPECT_EQ(Kit::lastFormWidth(*form), static_cast<int32_t>(kMinW + 400));
  form->setWindowState(platform::ui::kNormal);
  EXPECT_FLOAT_EQ(ctl("MainTab").width(), tabW);
  EXPECT_FLOAT_EQ(ctl("MainTab").height(), tabH);
  expectFitsTabClientArea("MainDeviceInfoFrame");
}

TEST_F(MainViewTest, APageMissedBySeveralResizesCatchesUpOnItsClick) {
  open();
  const float outputW = ctl("ValueOutputFrame").width();
  const float outputH = ctl("ValueOutputFrame").height();
  const float currentW = ctl("CurrentFrame").width();
  const float currentH = ctl("CurrentFrame").height();
  const float diagH = ctl("ValueDiagFrame").height();
  const float counterH = ctl("ValueCounterFrame").height();
  ASSERT_TRUE(form->userResize(kMinW + 1000, kMinH + 100));
  ASSERT_TRUE(form->userResize(kMinW + 200, kMinH + 700));
  ASSERT_TRUE(form->userResize(kMinW + 400, kMinH + 800));
  EXPECT_FLOAT_EQ(ctl("ValueOutputFrame").width(), outputW);  // untouched while hidden

  clickTab("MainValuesKey");
  EXPECT_TRUE(ctl("MainValueFrame").visible());
  EXPECT_FALSE(ctl("MainDeviceInfoFrame").visible());
  expectFitsTabClientArea("MainValueFrame");
  // One pass spreads the whole change: widths in halves, heights in halves and quarters.
  EXPECT_FLOAT_EQ(ctl("ValueOutputFrame").width(), outputW + 200);
  EXPECT_FLOAT_EQ(ctl("ValueOutputFrame").height(), outputH + 400);
  EXPECT_FLOAT_EQ(ctl("CurrentFrame").width(), currentW + 200);
  EXPECT_FLOAT_EQ(ctl("CurrentFrame").height(), currentH + 200);
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").height(), diagH + 200);
  EXPECT_FLOAT_EQ(ctl("ValueCounterFrame").height(), counterH + 400);
  // The 100-twip gaps and the page edges hold.
  EXPECT_FLOAT_EQ(ctl("CurrentFrame").left(), ctl("ValueOutputFrame").width() + 100);
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").left(), ctl("ValueOutputFrame").width() + 100);
  EXPECT_FLOAT_EQ(ctl("ValueDiagFrame").top(), ctl("CurrentFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("ValueCounterFrame").top(), ctl("ValueOutputFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("CurrentFrame").left() + ctl("CurrentFrame").width(), tabs().clientWidth());
  EXPECT_FLOAT_EQ(ctl("ValueCounterFrame").top() + ctl("ValueCounterFrame").height(), tabs().clientHeight());

  // A page that already fits is not moved.
  MoveCounter changes;
  ctl("ValueOutputFrame").addObserver(&changes);
  ctl("MainValueFrame").addObserver(&changes);
  clickTab("MainValuesKey");
  ctl("ValueOutputFrame").removeObserver(&changes);
  ctl("MainValueFrame").removeObserver(&changes);
  EXPECT_EQ(changes.count, 0);
}

TEST_F(MainViewTest, EveryPageKeepsItsArrangementWhenShownAfterAResize) {
  open();
  const float dW = 900, dH = 600;
  const float sensorGap = ctl("MainOutput1LimitsFrame").height() - ctl("Output1SensorInfoFrame").top() -
                          ctl("Output1SensorInfoFrame").height();
  const float flowH = ctl("MassCounterFlowFrame").height();
  const float normalH = ctl("NormalDisplayFrame").height();
  ASSERT_TRUE(form->userResize(kMinW + dW, kMinH + dH));
  for (const char* key : {"MainUnitsKey", "MainMassCounterKey", "MainVolumeCounterKey", "MainDisplayKey",
                          "MainOperationKey", "MainCommentsKey", "MainOutputCfgKey", "MainOutput1Key",
                          "MainOutput2Key", "MainImpulseKey", "MainDeviceInfoKey"}) {
    clickTab(key);
    int visible = 0;
    for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
      if (ctl(frame).visible()) {
        ++visible;
        expectFitsTabClientArea(frame);
      }
    EXPECT_EQ(visible, 1) << key;
  }
  const float pageW = tabs().clientWidth();
  const float pageH = tabs().clientHeight();
  // Totalizers: thirds, the last third free below.
  EXPECT_FLOAT_EQ(ctl("MassCounterFlowFrame").height(), flowH + dH / 3);
  EXPECT_FLOAT_EQ(ctl("VolumeCounterRevFlowFrame").top(),
                  ctl("VolumeCounterFlowFrame").top() + ctl("VolumeCounterFlowFrame").height());
  EXPECT_FLOAT_EQ(ctl("MassCounterRevFlowFrame").width(), pageW - 200);
  // Display: thirds, each frame page-wide.
  EXPECT_FLOAT_EQ(ctl("NormalDisplayFrame").height(), normalH + dH / 3);
  EXPECT_FLOAT_EQ(ctl("MultiplexDisplayFrame").top(), ctl("NormalDisplayFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("LanguageDisplayFrame").top(),
                  ctl("MultiplexDisplayFrame").top() + ctl("MultiplexDisplayFrame").height());
  EXPECT_FLOAT_EQ(ctl("LanguageDisplayFrame").width(), pageW);
  // Notes keep their margins.
  EXPECT_FLOAT_EQ(pageW - ctl("CommentsText").left() - ctl("CommentsText").width(),
                  ctl("CommentsText").left());
  EXPECT_FLOAT_EQ(pageH - ctl("CommentsText").top() - ctl("CommentsText").height(),
                  ctl("CommentsText").top());
  // Output pages: halves; the sensor frame keeps its gap inside the limits frame.
  EXPECT_FLOAT_EQ(ctl("MainOutput1AlarmFrame").top(), ctl("MainOutput1LimitsFrame").height() + 100);
  EXPECT_FLOAT_EQ(ctl("MainOutput1AlarmFrame").top() + ctl("MainOutput1AlarmFrame").height(), pageH);
  EXPECT_FLOAT_EQ(ctl("MainOutput1LimitsFrame").height() - ctl("Output1SensorInfoFrame").top() -
                      ctl("Output1SensorInfoFrame").height(),
                  sensorGap);
  EXPECT_FLOAT_EQ(ctl("Output1SensorInfoFrame").left() + ctl("Output1SensorInfoFrame").width(), pageW - 100);
  EXPECT_FLOAT_EQ(ctl("MainOutput2AlarmFrame").top() + ctl("MainOutput2AlarmFrame").height(), pageH);
}

TEST_F(MainViewTest, TemperaturePageIsFittedWhenItsTabComesBack) {
  open();
  ASSERT_TRUE(form->userResize(kMinW + 300, kMinH + 450));
  form->AddTab();
  clickTab("MainTemparatureKey");
  expectFitsTabClientArea("MainTemparatureFrame");
  EXPECT_FLOAT_EQ(ctl("DensityFrame").width(), tabs().clientWidth());
  EXPECT_FLOAT_EQ(ctl("TemparatureFrame").top() + ctl("TemparatureFrame").height(), tabs().clientHeight());
}

// ------------------------------------------------------------------ tabs

TEST_F(MainViewTest, RemovingATabThatIsOutReturnsFalseAndChangesNothing) {
  open();
  const auto before = MainAccess::tabTable(*form);
  const auto keys = tabKeys();
  EXPECT_FALSE(form->RemoveTab("MainAlarmKey"));
  EXPECT_FALSE(form->RemoveTab("NoSuchKey"));
  EXPECT_FALSE(form->RemoveTab("mainunitskey"));  // keys compare exactly
  EXPECT_EQ(tabKeys(), keys);
  const auto& after = MainAccess::tabTable(*form);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].bParked, before[i].bParked) << i;
    EXPECT_EQ(after[i].sKey, before[i].sKey) << i;
  }
}

TEST_F(MainViewTest, ParkedTabsComeBackAtTheirRecordsWithTheirCaptions) {
  open();
  const auto shownAfterLoad = tabKeys();
  form->AddTab();
  // Each goes back at its record's index, in record order: Sensor at 2, then Alarms at 7 and
  // Temperature / Density at 8 (the places they had in the row when they were taken out).
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{
                           "MainDeviceInfoKey", "MainSensorKey", "MainUnitsKey", "MainValuesKey",
                           "MainMassCounterKey", "MainVolumeCounterKey", "MainAlarmKey", "MainTemparatureKey",
                           "MainDisplayKey", "MainOperationKey", "MainCommentsKey", "MainOutputCfgKey",
                           "MainOutput1Key", "MainOutput2Key", "MainImpulseKey"}));
  EXPECT_EQ(tabs().tab(Variant("MainTemparatureKey")).caption, "Temperature / Density");
  EXPECT_EQ(tabs().tab(Variant("MainSensorKey")).caption, "Sensor");
  for (const auto& record : MainAccess::tabTable(*form)) EXPECT_FALSE(record.bParked);
  EXPECT_EQ(tabs().selectedKey(), "MainDeviceInfoKey");
  // The first connection state Connected: the three go out again, Notes stays between
  // Operational Configuration and Output Configuration.
  for (const char* key : {"MainSensorKey", "MainAlarmKey", "MainTemparatureKey"})
    EXPECT_TRUE(form->RemoveTab(key));
  EXPECT_EQ(tabKeys(), shownAfterLoad);
  EXPECT_EQ(tabKeys()[7], "MainCommentsKey");
  // And they come back again in the same order.
  form->AddTab();
  EXPECT_EQ(tabKeys()[1], "MainSensorKey");
  EXPECT_EQ(tabKeys().size(), 15u);
}

TEST_F(MainViewTest, GoingOfflineThenOnlineLeavesNotesLast) {
  open();
  // The offline reaction's removal order.
  for (const char* key :
       {"MainSensorKey", "MainUnitsKey", "MainValuesKey", "MainMassCounterKey", "MainVolumeCounterKey",
        "MainDisplayKey", "MainAlarmKey", "MainTemparatureKey", "MainOperationKey", "MainOutputCfgKey",
        "MainOutput1Key", "MainOutput2Key", "MainImpulseKey", "MainCommentsKey"})
    form->RemoveTab(key);
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{"MainDeviceInfoKey"}));
  EXPECT_EQ(MainAccess::tabTable(*form)[15].sKey, "MainCommentsKey");
  // The online reaction.
  form->AddTab();
  for (const char* key : {"MainSensorKey", "MainAlarmKey", "MainTemparatureKey"}) form->RemoveTab(key);
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{
                           "MainDeviceInfoKey", "MainUnitsKey", "MainValuesKey", "MainMassCounterKey",
                           "MainVolumeCounterKey", "MainDisplayKey", "MainOperationKey", "MainOutputCfgKey",
                           "MainOutput1Key", "MainOutput2Key", "MainImpulseKey", "MainCommentsKey"}));
}

TEST_F(MainViewTest, TheSensorTabShowsNoPage) {
  open();
  form->AddTab();
  clickTab("MainSensorKey");
  for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
    EXPECT_FALSE(ctl(frame).visible()) << frame;
}

TEST_F(MainViewTest, RemovingTheSelectedTabShowsThePageOfTheTabSelectedInstead) {
  open();
  clickTab("MainValuesKey");
  ASSERT_TRUE(ctl("MainValueFrame").visible());
  EXPECT_TRUE(form->RemoveTab("MainValuesKey"));
  const std::string selected = tabs().selectedKey();
  ASSERT_NE(selected, "MainValuesKey");
  EXPECT_FALSE(ctl("MainValueFrame").visible());
  EXPECT_TRUE(ctl(selected == "MainMassCounterKey" ? "MainMassCounterFrame" : "MainUnitFrame").visible())
      << selected;
}

TEST_F(MainViewTest, ATabParkedAboveTheEndOfTheRowIsNotLost) {
  open();
  // The load parked Sensor, Alarms and Temperature / Density in records 2, 7 and 8. With the
  // row cut down to Device-Info behind the window's back, records 7 and 8 lie above its end.
  for (const char* key : {"MainUnitsKey", "MainValuesKey", "MainMassCounterKey", "MainVolumeCounterKey",
                          "MainDisplayKey", "MainOperationKey", "MainCommentsKey", "MainOutputCfgKey",
                          "MainOutput1Key", "MainOutput2Key", "MainImpulseKey"})
    tabs().remove(Variant(key));
  form->AddTab();
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{"MainDeviceInfoKey", "MainSensorKey", "MainAlarmKey",
                                                 "MainTemparatureKey"}));
}

}  // namespace
}  // namespace mainview_test
