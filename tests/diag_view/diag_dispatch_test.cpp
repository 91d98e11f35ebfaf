// Registration and dispatch against a recording host: what is registered, in which order,
// and what a reported connection state does to the rows, menus and buttons.
#include "tests/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

const std::vector<std::string> kItems = {
    "HartRevision",           "ADJUST",
    "&&private_FDT&&EngineeringContext", "&&private_pm&&Address",
    "DESCRIPTOR",             "&&private&&connect",
    "&&private&&CurrentSource", "&&private&&UserLevel",
    "&&private_PM&&FileName", "&&Sequence_Progress&&Upload",
    "&&Sequence_Progress&&Download", "&&Sequence_Progress&&FULL_Download",
    "LastFieldDeviceStatus",  "UploadQuestion",
    "SaveToDataBaseOnExit",   "&&private&&Dirty"};

class DiagDispatchTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400";
    open();
    run(1);  // the registration tick
    run(10);
  }
  // The host reports `item` with `value`: one record, worked off by the next tick.
  void report(std::string_view item, Variant value) {
    ASSERT_TRUE(aim->setItem(item, value)) << item;
    form->NotifyChanged(aim->handleOf(item), false, 0, 0);
    run(1);
  }
};

TEST_F(DiagDispatchTest, RegistersEveryItemItReadsOnceInOrder) {
  std::vector<std::string> names;
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "RegisterItem") {
      const std::string n = c.args[0].toString();
      if (std::find(kItems.begin(), kItems.end(), n) == kItems.end()) continue;
      names.push_back(n);
      EXPECT_EQ(c.args[1].toBool(), n == "UploadQuestion" || n == "SaveToDataBaseOnExit") << n;
      EXPECT_EQ(c.args[2].toLong(), 7) << n;  // the view handle
      EXPECT_EQ(c.args[3].toLong(), 0) << n;  // dispatched by handle
    }
  EXPECT_EQ(names, kItems);
  EXPECT_EQ(form->HartRevisionHandle, aim->handleOf("HartRevision"));
  EXPECT_EQ(form->LastFieldDeviceStatusHandle, aim->handleOf("LastFieldDeviceStatus"));
  EXPECT_EQ(form->DirtyHandle, aim->handleOf("&&private&&Dirty"));
}

TEST_F(DiagDispatchTest, DisconnectingPalesEveryRowAndKeepsItsValue) {
  report("&&private&&connect", Variant(2.0));
  EXPECT_EQ(form->ConnectionState, 2);
  form->setRow("Sensor", 1, Form::kYes);
  form->setRow("Totalizer", 0, Form::kWarning);
  EXPECT_EQ(backColour("Sensor", 1), 0x0000FF);
  EXPECT_EQ(foreColour("Sensor", 1), kWindowText);
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
  EXPECT_EQ(form->ConnectionState, 4);
  EXPECT_FALSE(ctl("DiagCommand", 1).enabled());  // unchanged by Disturbed
  report("&&private&&connect", Variant(2.0));
  EXPECT_TRUE(ctl("DiagCommand", 1).enabled());
  EXPECT_TRUE(ctl("DiagCommand", 4).enabled());
  EXPECT_TRUE(ctl("MenuLoadDev").enabled());
}

TEST_F(DiagDispatchTest, AStateOutsideTheLongRangeDropsTheRecord) {
  report("&&private&&connect", Variant(2.0));
  report("&&private&&connect", Variant(1.0e12));
  EXPECT_EQ(form->ConnectionState, 2);
  EXPECT_TRUE(plat::ui::EventLoop::instance().errors().empty());
}

TEST_F(DiagDispatchTest, RecordsOfOtherTagsHandlesAndAdjustAreDropped) {
  for (int32_t tag : {0x11000000, 0x12000001, -5, 0x09000001})
    form->NotifyChanged(aim->handleOf("&&private&&connect"), false, 0, tag);
  aim->setItem("&&private&&connect", Variant(2.0));
  form->NotifyChanged(9999, false, 0, 0);
  form->NotifyChanged(aim->handleOf("ADJUST"), false, 0, 0);
  form->NotifyChanged(0, false, 0, 0);  // matches none of the handles not yet kept
  run(20);
  EXPECT_EQ(form->ConnectionState, 0);
  EXPECT_TRUE(form->NotifyQueue->empty());
  EXPECT_FALSE(form->timer("NotifyTimer").isEnabled());
}

}  // namespace
}  // namespace diagview_test
