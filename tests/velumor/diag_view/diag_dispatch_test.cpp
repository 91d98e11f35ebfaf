// The notification dispatch as the user sees it: one record a tick, by tag or by handle;
// the connection state on the rows, menus and buttons; the engineering-context lock; the
// Device commands and the sequence-start queue on the manual clock.
#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

constexpr int32_t kBusy = static_cast<int32_t>(0x804A0001u);

class DiagDispatchTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400";
    open();
    run(1);  // the registration tick
    run(10);
    aim->log().clear();
    // The fake host offers no device menu and no item access to the host controls.
    platform::ui::EventLoop::instance().clearErrors();
  }
  // The host reports `item` with `value`: one record, worked off by the next tick.
  void report(std::string_view item, Variant value) {
    ASSERT_TRUE(aim->setItem(item, value)) << item;
    form->NotifyChanged(aim->handleOf(item), false, 0, 0);
    run(1);
  }
  platform::ui::StatusBarControl& bar() { return form->statusBar("VelumorStatusBar"); }
};

TEST_F(DiagDispatchTest, CaptionFollowsAddressAndDescriptor) {
  report("&&private_pm&&Address", Variant(std::string("  12\0\0", 6)));
  report("DESCRIPTOR", Variant("  Line 4  "));
  EXPECT_EQ(form->caption(), "Diagnostics, [12] RQ4400: Line 4");
}

TEST_F(DiagDispatchTest, OneRecordPerTickInArrivalOrder) {
  aim->setItem("&&private&&UserLevel", Variant(3.0));
  aim->setItem("&&private&&connect", Variant(2.0));
  form->NotifyChanged(aim->handleOf("&&private&&UserLevel"), false, 0, 0);
  form->NotifyChanged(aim->handleOf("&&private&&connect"), false, 0, 0);
  run(1);
  EXPECT_EQ(bar().panel(Variant("StatusBarUser")).text, "Operator.Administrator");
  EXPECT_EQ(Kit::connectionState(*form), 0);
  run(1);
  EXPECT_EQ(Kit::connectionState(*form), 2);
  EXPECT_EQ(bar().panel(Variant("StatusBarCommText")).text, "Connected");
}

TEST_F(DiagDispatchTest, RecordsOfOtherTagsHandlesAndAdjustAreDropped) {
  const std::string caption = form->caption();
  for (int32_t tag : {0x11000000, 0x12000001, -5, 0x09000001})
    form->NotifyChanged(aim->handleOf("&&private&&connect"), false, 0, tag);
  form->NotifyChanged(9999, false, 0, 0);
  form->NotifyChanged(aim->handleOf("ADJUST"), false, 0, 0);
  form->NotifyChanged(0, false, 0, 0);  // matches none of the handles not yet kept
  run(20);
  EXPECT_EQ(form->caption(), caption);
  EXPECT_EQ(Kit::connectionState(*form), 0);
  EXPECT_TRUE(form->binding().queue()->empty());
  EXPECT_FALSE(form->timer("NotifyTimer").isEnabled());
}

TEST_F(DiagDispatchTest, DisconnectingPalesEveryRowAndKeepsItsValue) {
  report("&&private&&connect", Variant(2.0));
  form->setRow("Sensor", 1, Form::kYes);
  form->setRow("Totalizer", 0, Form::kWarning);
  EXPECT_EQ(backColour("Sensor", 1), 0x0000FF);
  report("&&private&&connect", Variant(0.0));
  EXPECT_EQ(backColour("Sensor", 1), 0xC0C0FF);
  EXPECT_EQ(foreColour("Sensor", 1), kGreyText);
  EXPECT_EQ(rowText("Sensor", 1), "Yes");
  EXPECT_EQ(lamp("Sensor", 1), 1);
  EXPECT_EQ(backColour("Totalizer", 0), 0xC0FFFF);
  for (const char* m : {"MenuSetAddress", "MenuLoadDev", "MenuSaveDev"}) EXPECT_FALSE(ctl(m).enabled()) << m;
  EXPECT_FALSE(ctl("DiagCommand", 1).enabled());
  EXPECT_FALSE(ctl("DiagCommand", 4).enabled());
}

TEST_F(DiagDispatchTest, ConnectingAndDisturbedLeaveTheRowsAsTheyAre) {
  report("&&private&&connect", Variant(2.0));
  form->setRow("Value", 2, Form::kYes);
  report("&&private&&connect", Variant(1.0));
  EXPECT_EQ(backColour("Value", 2), 0x0000FF);
  EXPECT_FALSE(ctl("DiagCommand", 1).enabled());
  report("&&private&&connect", Variant(4.0));
  EXPECT_EQ(bar().panel(Variant("StatusBarCommText")).text, "Disturbed");
  EXPECT_FALSE(ctl("DiagCommand", 1).enabled());  // unchanged by Disturbed
  report("&&private&&connect", Variant(2.0));
  EXPECT_TRUE(ctl("DiagCommand", 1).enabled());
  EXPECT_TRUE(ctl("DiagCommand", 4).enabled());
  EXPECT_TRUE(ctl("MenuLoadDev").enabled());
}

TEST_F(DiagDispatchTest, AStateWithoutATextIsKeptAndDrawsNoError) {
  report("&&private&&connect", Variant(9.0));
  EXPECT_EQ(Kit::connectionState(*form), 9);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  report("&&private&&connect", Variant(1.0e12));  // no Long: the record is dropped
  EXPECT_EQ(Kit::connectionState(*form), 9);
}

struct ContextCase {
  const char* name;
  double value;
  int32_t described;
  bool applied;
  bool locked;
};
class DiagContextTest : public DiagDispatchTest, public ::testing::WithParamInterface<ContextCase> {};

TEST_P(DiagContextTest, TheLockAppliesOnceAndOnlyForAContextTheDescriptionLacks) {
  const ContextCase& c = GetParam();
  aim->dd->handles[{"object", "&&private_FDT&&EngineeringContext"}] = 77;
  aim->dd->info2[77] = {Variant(c.described)};
  report("&&private_FDT&&EngineeringContext", Variant(c.value));
  EXPECT_EQ(Kit::engineeringContextApplied(*form), c.applied);
  EXPECT_EQ(ctl("MenuSetAddress").visible(), !c.applied);
  const bool off = c.applied && c.locked;
  for (const char* m : {"MenuConnect", "MenuDisconnect", "MenuSimulation", "MenuLoadDev", "MenuSaveDev"})
    EXPECT_EQ(ctl(m).enabled(), !off) << m;
  EXPECT_EQ(ctl("DiagCommand", 4).enabled(), !off);
  // A later connection does not lift the lock: no view is opened from a locked window.
  report("&&private&&connect", Variant(2.0));
  EXPECT_EQ(ctl("DiagCommand", 4).enabled(), !off);
  EXPECT_EQ(ctl("MenuConnect").enabled(), !off);
  EXPECT_EQ(ctl("MenuSimulation").enabled(), !off);
  EXPECT_TRUE(ctl("DiagCommand", 1).enabled());
}

INSTANTIATE_TEST_SUITE_P(Values, DiagContextTest,
                         ::testing::Values(ContextCase{"Two", 2.0, 0, true, true},
                                           ContextCase{"Eight", 8.0, 0, true, false},
                                           ContextCase{"One", 1.0, 0, false, false},
                                           ContextCase{"TwoDescribed", 2.0, 2, false, false},
                                           ContextCase{"MinusTwoAsUnsigned", 4294967294.0, 0, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiagDispatchTest, ProgressShowsItsBarAndZeroOrHundredHidesTheFrame) {
  report("&&Sequence_Progress&&Upload", Variant(int32_t{50}));
  EXPECT_TRUE(ctl("ProgressFrame").visible());
  EXPECT_FLOAT_EQ(ctl("shp_fg_upload").width(), ctl("shp_bg_upload").width() / 2);
  report("&&Sequence_Progress&&FULL_Download", Variant(int32_t{150}));
  EXPECT_FLOAT_EQ(ctl("shp_fg_download").width(), ctl("shp_bg_download").width());  // clamped
  report("&&Sequence_Progress&&Download", Variant(int32_t{100}));
  EXPECT_FALSE(ctl("ProgressFrame").visible());
}

TEST_F(DiagDispatchTest, UserLevelAndDataSourceReachTheStatusBarAndTheChecks) {
  report("&&private&&UserLevel", Variant(10.0));
  EXPECT_EQ(bar().panel(Variant("StatusBarUser")).text, "Administrator.Administrator");
  report("&&private_PM&&FileName", Variant("/data/sets/meter.vds"));
  report("&&private&&CurrentSource", Variant(2.0));
  EXPECT_EQ(bar().panel(Variant("StatusBarDataSource")).toolTipText,
            "Source: &Device     /data/sets/meter.vds");
  EXPECT_TRUE(ctl("MenuSourceDevice").getProperty("Checked").toBool());
  EXPECT_FALSE(ctl("MenuSourceFile").getProperty("Checked").toBool());
  report("&&private&&CurrentSource", Variant(0.0));
  EXPECT_FALSE(ctl("MenuSourceDevice").getProperty("Checked").toBool());
  report("&&private&&UserLevel", Variant(57.0));  // no text: kept, no error
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

// ------------------------------------------------------------------ commands and the queue

TEST_F(DiagDispatchTest, ADoubleClickOnADeviceRowReadsTheStatusBehindWhatIsQueued) {
  report("&&private&&connect", Variant(2.0));
  form->show();
  ASSERT_TRUE(form->userClick(ctl("DiagCommand", 1)));
  ASSERT_TRUE(form->userDblClick(ctl("DiagDeviceLabel", 6)));
  EXPECT_EQ(form->seqStartQueue()->text(), "SeqHART_COMMAND_038_Write\r\nGET_TRANSMITTER_STATE_Octets\r\n");
  run(1);
  run(100);
  std::vector<std::string> started;
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "StartSequence") started.push_back(c.args[0].toString());
  EXPECT_EQ(started, (std::vector<std::string>{"SeqHART_COMMAND_038_Write", "GET_TRANSMITTER_STATE_Octets"}));
  run(100);
  EXPECT_FALSE(form->timer("SeqStartTimer").isEnabled());
}

TEST_F(DiagDispatchTest, ABusyHostKeepsTheNameUntilItTakesIt) {
  aim->frame->sequenceResults = {kBusy, kBusy, 0};
  form->show();
  ASSERT_TRUE(form->userDblClick(ctl("DiagDeviceLabel", 0)));
  run(1);
  EXPECT_EQ(aim->log().count("StartSequence"), 1);
  run(99);
  EXPECT_EQ(aim->log().count("StartSequence"), 1);  // 100 ms between tries
  run(1);
  run(100);
  EXPECT_EQ(aim->log().count("StartSequence"), 3);
  EXPECT_EQ(form->seqStartQueue()->text(), "");
}

TEST_F(DiagDispatchTest, AFailingFrameDropsTheHeadAndReportsOnce) {
  aim->failures.set("GetFrame", static_cast<int32_t>(0x80004005u));
  form->show();
  ASSERT_TRUE(form->userDblClick(ctl("DiagDeviceLabel", 0)));
  ASSERT_TRUE(form->userDblClick(ctl("DiagDeviceLabel", 1)));
  platform::ui::EventLoop::instance().clearErrors();
  run(1);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
  EXPECT_EQ(form->seqStartQueue()->text(), "GET_TRANSMITTER_STATE_Octets\r\n");
  EXPECT_EQ(form->timer("SeqStartTimer").interval(), 100);
}

TEST_F(DiagDispatchTest, SimOpensTheSimulationView) {
  report("&&private&&connect", Variant(2.0));
  form->show();
  ASSERT_TRUE(form->userClick(ctl("DiagCommand", 4)));
  EXPECT_EQ(aim->log().count("OpenView"), 1);
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "OpenView") {
      EXPECT_EQ(c.args[0].toString(), "Velumor.VelumorSimulationClass");
    }
}

}  // namespace
}  // namespace diagview_test
