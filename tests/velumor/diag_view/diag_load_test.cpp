// Start-up and shut-down of the diagnosis window: what the user sees right after the load,
// the size it opens at, the probes, and the order of the unload with its one ReleaseView.
#include <algorithm>

#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"
#include "velumor/shared/component.h"

namespace diagview_test {
namespace {

constexpr float kStatusBarHeight = 315.0f;

TEST_F(DiagViewTest, OpensAtItsMinimumSizeWithNineTabsAndTheDeviceGroup) {
  open();
  EXPECT_EQ(Kit::minFormWidth(*form), 8040);
  EXPECT_EQ(Kit::minFormHeight(*form), 5400 + 315 + 100);
  EXPECT_FLOAT_EQ(form->width(), 8040.0f);
  EXPECT_FLOAT_EQ(form->height(), 5500.0f + kStatusBarHeight);
  EXPECT_TRUE(Kit::formLoaded(*form));
  EXPECT_FALSE(ctl("ResizeLabel").visible());

  // The Limits tab is gone for good; its frame stays, hidden.
  EXPECT_EQ(tabKeys(), (std::vector<std::string>{"DiagDeviceKey", "DiagSensorKey", "DiagInputKey",
                                                 "DiagValueKey", "DiagAlarmKey", "DiagTotalizerKey",
                                                 "DiagOutputKey", "DiagConfigKey", "DiagMemoryKey"}));
  EXPECT_EQ(tabs().selectedKey(), "DiagDeviceKey");
  EXPECT_EQ(currentTabKey(), "DiagDeviceKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagDeviceFrame"});
  // Every tab: its title, the OK picture, present.
  for (const platform::ui::Tab& t : tabs().tabs()) {
    EXPECT_EQ(t.image, Form::kImageOk) << t.key;
    EXPECT_TRUE(t.tag.toBool()) << t.key;
  }
  EXPECT_EQ(tabs().tab(Variant("DiagDeviceKey")).caption, "Field Device State");
  EXPECT_EQ(tabs().tab(Variant("DiagConfigKey")).caption, "Function State");
  // The frames lie in front and fill the tab strip's client area, without a caption.
  for (const Form::Group& g : Form::groups()) {
    platform::ui::Control& f = ctl("Diag" + std::string(g.name) + "Frame");
    EXPECT_EQ(f.caption(), "") << g.name;
    EXPECT_FLOAT_EQ(f.top(), tabs().clientTop()) << g.name;
    EXPECT_FLOAT_EQ(f.left(), tabs().clientLeft()) << g.name;
    EXPECT_FLOAT_EQ(f.width(), tabs().clientWidth()) << g.name;
    EXPECT_FLOAT_EQ(f.height(), tabs().clientHeight()) << g.name;
    EXPECT_GT(f.zIndex(), ctl("MainTab").zIndex()) << g.name;
  }
}

TEST_F(DiagViewTest, EveryRowStartsOffInThePaleColoursWithItsCaption) {
  open();
  int rows = 0;
  for (const RowGroup& g : rowGroups()) {
    for (int32_t i = 0; i < g.rows; ++i, ++rows) {
      SCOPED_TRACE(std::string(g.name) + " " + std::to_string(i));
      EXPECT_EQ(rowText(g.name, i), "off");
      EXPECT_EQ(backColour(g.name, i), 0xC0C0C5);
      EXPECT_EQ(foreColour(g.name, i), kGreyText);
      EXPECT_EQ(lamp(g.name, i), 4);
      EXPECT_TRUE(ctl("Diag" + std::string(g.name) + "Text", i).getProperty("Locked").toBool());
    }
  }
  EXPECT_EQ(rows, 49);
  EXPECT_EQ(ctl("DiagDeviceLabel", 0).caption(), "Field Device Malfunction:");
  EXPECT_EQ(ctl("DiagSensorLabel", 7).caption(), "Error Sensor C (E 11c):");
  EXPECT_EQ(ctl("DiagMemoryLabel", 4).caption(), "Update external Data (W 8b):");
  EXPECT_EQ(ctl("DiagLimitsLabel", 0).caption(), "Min. Value:");
  EXPECT_EQ(ctl("DiagLimitsLabel", 1).caption(), "Max. Value");
  EXPECT_EQ(ctl("DiagLimitsLabelTextUnit", 2).evalPath("LabelText").toString(), "Volume Flow:");
  EXPECT_EQ(ctl("DiagLimitsLabelTextUnit", 3).evalPath("LabelText").toString(), "");
}

TEST_F(DiagViewTest, GermanRowsAndButtonsComeFromTheGermanTable) {
  ScopedLang german("de");
  open();
  EXPECT_EQ(rowText("Output", 0), "aus");
  EXPECT_EQ(ctl("DiagDeviceLabel", 1).caption(), "Konfiguration geändert:");
  EXPECT_EQ(tabs().tab(Variant("DiagValueKey")).caption, "Status Meßwerte");
  EXPECT_EQ(Kit::helpFile(*form), (velumor::shared::componentFolder() / "VR_GE.HLP").string());
}

TEST_F(DiagViewTest, DeviceButtonsStandBesideTheirRows) {
  open();
  for (int32_t i : {1, 4}) {
    platform::ui::Control& b = ctl("DiagCommand", i);
    EXPECT_FLOAT_EQ(b.top(), ctl("DiagDeviceText", i).top()) << i;
    EXPECT_FLOAT_EQ(b.height(), ctl("DiagDeviceText", i).height()) << i;
    EXPECT_FLOAT_EQ(b.left(), 6865.0f) << i;
    EXPECT_FLOAT_EQ(b.width(), ctl("DiagDeviceFrame").width() - 6865.0f - 180.0f) << i;
  }
  EXPECT_EQ(ctl("DiagCommand", 1).caption(), "Rst.");
  EXPECT_EQ(ctl("DiagCommand", 4).caption(), "Sim");
}

TEST_F(DiagViewTest, ProgressFrameLiesOverTheDataSourcePanelWithEmptyBars) {
  open();
  platform::ui::StatusBarControl& bar = form->statusBar("VelumorStatusBar");
  const platform::ui::Panel& panel = bar.panel(Variant("StatusBarDataSource"));
  platform::ui::Control& progress = ctl("ProgressFrame");
  EXPECT_FLOAT_EQ(progress.left(), panel.left + 50.0f);
  EXPECT_FLOAT_EQ(progress.width(), panel.width - 100.0f);
  EXPECT_FLOAT_EQ(progress.height(), bar.height() - 100.0f);
  EXPECT_NEAR(progress.top(), bar.top() + 66.67f, 0.01f);
  EXPECT_EQ(progress.getProperty("BorderStyle").toLong(), 0);
  for (const char* pair : {"upload", "download", "SequenceProgress"}) {
    EXPECT_FLOAT_EQ(ctl(std::string("shp_bg_") + pair).width(), progress.width()) << pair;
    EXPECT_FLOAT_EQ(ctl(std::string("shp_bg_") + pair).top(), 0.0f) << pair;
    EXPECT_FLOAT_EQ(ctl(std::string("shp_fg_") + pair).width(), 0.0f) << pair;
  }
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).toolTipText, "Communication State:Disconnected");
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).text, "Disconnected");
  EXPECT_EQ(bar.panel(Variant("StatusBarDataSource")).toolTipText, "Source: &File");
}

TEST_F(DiagViewTest, MenusAreCaptionedAndTheNeverOfferedEntriesHidden) {
  open();
  EXPECT_EQ(ctl("MenuData").caption(), "Device &Date");
  EXPECT_EQ(ctl("MenuContents").caption(), "&Contets");
  for (const char* entry : {"MenuAdjust", "MenuMaintenance", "MenuSpecialist"}) {
    EXPECT_FALSE(ctl(entry).visible()) << entry;
    EXPECT_FALSE(ctl(entry).enabled()) << entry;
  }
  std::vector<std::string> settings;
  for (platform::ui::MenuControl* m : form->menu("MenuSettings").entries())
    if (m->visible()) settings.push_back(m->name());
  EXPECT_EQ(settings, (std::vector<std::string>{"MenuSourceFile", "MenuSourceDevice"}));
  std::vector<std::string> help;
  for (platform::ui::MenuControl* m : form->menu("MenuHelp").entries()) help.push_back(m->name());
  EXPECT_EQ(help, (std::vector<std::string>{"MenuContents", "MenuIndex", "MenuWeb", "MenuService", "MenuS5",
                                            "MenuReadMe", "MenuS6", "MenuAbout"}));
  EXPECT_EQ(Kit::helpFile(*form), (velumor::shared::componentFolder() / "VR_EN.HLP").string());
}

// The two optional frame operations, judged each on its own probe.
struct ProbeCase {
  const char* name;
  bool openExists;
  bool saveAsExists;
};
class DiagProbeTest : public DiagViewTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(DiagProbeTest, OffersOnlyTheOperationsTheHostFrameHas) {
  const ProbeCase& c = GetParam();
  if (c.openExists) aim->frame->byName.add("OpenFromDatabase", mainview_test::operationWithoutArguments());
  if (c.saveAsExists) aim->frame->byName.add("SaveAsToDatabase", mainview_test::operationWithoutArguments());
  open();
  EXPECT_EQ(ctl("MenuOpenNew").enabled(), c.openExists);
  EXPECT_EQ(ctl("MenuSaveAs").enabled(), c.saveAsExists);
  // The load's only host calls are the probes.
  for (const fakehost::Call& call : aim->log().calls())
    EXPECT_TRUE(call.op == "GetDDObject" || call.op == "GetFrame" || call.op == "OpenFromDatabase" ||
                call.op == "SaveAsToDatabase")
        << call.text();
}

INSTANTIATE_TEST_SUITE_P(Probes, DiagProbeTest,
                         ::testing::Values(ProbeCase{"Both", true, true}, ProbeCase{"OpenOnly", true, false},
                                           ProbeCase{"SaveAsOnly", false, true},
                                           ProbeCase{"Neither", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiagViewTest, AnOperationThatTakesTheArgumentCountsAsMissing) {
  aim->frame->byName.add("OpenFromDatabase", [](std::span<Variant>) { return Variant(); });
  open();
  EXPECT_FALSE(ctl("MenuOpenNew").enabled());
}

TEST_F(DiagViewTest, TheDesignEnabledNotifyTimerSwitchesItselfOffOnTheEmptyQueue) {
  open();
  EXPECT_TRUE(form->timer("NotifyTimer").isEnabled());
  EXPECT_TRUE(form->timer("RegisterTimer").isEnabled());
  ASSERT_TRUE(form->binding().hasQueue());
  EXPECT_TRUE(form->binding().queue()->empty());
  run(1);
  EXPECT_FALSE(form->timer("NotifyTimer").isEnabled());
  EXPECT_FALSE(form->timer("RegisterTimer").isEnabled());
}

// ------------------------------------------------------------------ unload

class DiagUnloadTest : public windowtest::UnloadTest<DiagViewTest> {
 protected:
  void beforeOpen() override {
    view = platform::com::makeObject<FakeView>();
    form->takeOwningView(view);
  }
  std::vector<std::string> ops() const { return aim->log().ops(); }
  Ptr<FakeView> view;
};

TEST_F(DiagUnloadTest, StepsRunInOrderAndTheViewIsReleasedOnce) {
  setHost(true, 1.0);
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  windowtest::UnloadLogger aboutLog("About", aim->log()), readMeLog("ReadMe", aim->log());
  for (const char* menu : {"MenuAbout", "MenuReadMe"}) ASSERT_TRUE(form->userClick(ctl(menu)));
  Ptr<platform::ui::Form> about = Kit::aboutWindow(*form);
  Ptr<platform::ui::Form> readMe = Kit::readMeWindow(*form);
  ASSERT_TRUE(about && readMe);
  about->addFormObserver(&aboutLog);
  readMe->addFormObserver(&readMeLog);
  aim->log().clear();
  form->unload();
  EXPECT_EQ(ops(), (std::vector<std::string>{"Help", "GetBoolValue", "GetValue", "MsgBox", "GetFrame",
                                             "SaveToDatabase", "Unload About", "Unload ReadMe",
                                             "ReleaseItems", "ReleaseView"}));
  EXPECT_EQ(aim->releasedViews, std::vector<const void*>{view.get()});
  EXPECT_EQ(Kit::viewRef(*form), nullptr);
  EXPECT_EQ(Kit::aboutWindow(*form), nullptr);
  EXPECT_EQ(form->binding().itemManager(), nullptr);
  EXPECT_FALSE(form->binding().hasQueue());
  // No timer of the window runs any more.
  run(500);
  EXPECT_EQ(aim->log().count("RegisterItem"), 0);
}

TEST_F(DiagUnloadTest, TheRegistrationTimerStopsWhenTheWindowGoesBeforeItsTick) {
  // The unload comes before the registration tick: nothing is registered afterwards.
  auto fresh = platform::com::makeObject<Form>();
  ASSERT_EQ(fresh->SetAppletItemManagRef(7, aim), 0);
  aim->log().clear();
  fresh->timer("SeqStartTimer").setProperty("Tag", Variant("upload\r\n"));
  fresh->timer("SeqStartTimer").setProperty("Enabled", true);
  fresh->unload();
  run(200);
  EXPECT_EQ(aim->log().count("RegisterItem"), 0);
  EXPECT_EQ(aim->log().count("StartSequence"), 0);
}

using windowtest::SaveCase;

class DiagSaveQuestionTest : public DiagUnloadTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(DiagSaveQuestionTest, IsAskedOnlyForADirtyDataSetWithSaveOnExitExactlyOne) {
  const SaveCase& c = GetParam();
  setHost(c.dirty, c.saveOnExit);
  services->queueMessageAnswer(platform::ui::mb::IdNo);
  form->unload();
  EXPECT_EQ(aim->log().count("MsgBox"), c.asked ? 1 : 0);
  EXPECT_EQ(aim->log().count("SaveToDatabase"), 0);
  EXPECT_EQ(aim->log().count("ReleaseView"), 1);
  EXPECT_FALSE(form->isLoaded());
}

INSTANTIATE_TEST_SUITE_P(SaveQuestion, DiagSaveQuestionTest,
                         ::testing::Values(SaveCase{"DirtyAndOne", true, 1.0, true},
                                           SaveCase{"NotDirty", false, 1.0, false},
                                           SaveCase{"Zero", true, 0.0, false},
                                           SaveCase{"Two", true, 2.0, false},
                                           SaveCase{"Half", true, 0.5, false},
                                           SaveCase{"DirtyUnreadable", std::nullopt, 1.0, false},
                                           SaveCase{"SaveOnExitUnreadable", true, std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiagUnloadTest, AFailingStepDoesNotStopTheOthers) {
  handler->failRelease = true;
  aim->failures.set("GetBoolValue", static_cast<int32_t>(0x80004005u));
  form->unload();
  EXPECT_EQ(aim->log().count("ReleaseItems"), 1);
  EXPECT_EQ(aim->log().count("ReleaseView"), 1);
  EXPECT_FALSE(form->binding().hasQueue());
  EXPECT_EQ(form->binding().itemManager(), nullptr);
}

TEST_F(DiagUnloadTest, ANotificationAfterTheUnloadIsDroppedWithoutReloading) {
  form->unload();
  EXPECT_EQ(form->NotifyChanged(5, false, 0, 0), 0);
  EXPECT_FALSE(form->isLoaded());
  run(5);
  EXPECT_FALSE(form->isLoaded());
}

}  // namespace
}  // namespace diagview_test
