// Which group the user sees: one frame at a time, never a group the device lacks.
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

class DiagTabsTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    open();
  }
};

TEST_F(DiagTabsTest, APresentGroupsTabShowsOnlyItsFrameFitted) {
  clickTab("DiagTotalizerKey");
  EXPECT_EQ(currentTabKey(), "DiagTotalizerKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagTotalizerFrame"});
  EXPECT_FLOAT_EQ(ctl("DiagTotalizerFrame").height(), tabs().clientHeight());
}

TEST_F(DiagTabsTest, AnAbsentGroupsTabFallsBackToTheTabShownBefore) {
  clickTab("DiagSensorKey");
  form->setTabPresent("DiagAlarmKey", false);
  clickTab("DiagAlarmKey");
  EXPECT_EQ(tabs().selectedKey(), "DiagSensorKey");
  EXPECT_EQ(currentTabKey(), "DiagSensorKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagSensorFrame"});
}

TEST_F(DiagTabsTest, WhenTheShownGroupBecomesAbsentTheFirstPresentTabTakesOver) {
  clickTab("DiagInputKey");
  form->setTabPresent("DiagInputKey", false);
  form->MainTab_Click();  // as the status handler does right after marking it absent
  EXPECT_EQ(tabs().selectedKey(), "DiagDeviceKey");
  EXPECT_EQ(currentTabKey(), "DiagDeviceKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagDeviceFrame"});
}

TEST_F(DiagTabsTest, TheFirstPresentTabNeedNotBeTheFirstTab) {
  clickTab("DiagInputKey");
  for (const char* key : {"DiagDeviceKey", "DiagSensorKey", "DiagInputKey"}) form->setTabPresent(key, false);
  form->MainTab_Click();
  EXPECT_EQ(tabs().selectedKey(), "DiagValueKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagValueFrame"});
}

TEST_F(DiagTabsTest, AKeptKeyThatIsNotInTheStripCountsAsAbsent) {
  clickTab("DiagValueKey");
  // The tab goes, as the Limits tab goes at the load; the window still keeps its key.
  tabs().remove(Variant("DiagValueKey"));
  ASSERT_EQ(currentTabKey(), "DiagValueKey");
  form->setTabPresent("DiagDeviceKey", false);
  tabs().select(Variant("DiagDeviceKey"));
  EXPECT_EQ(tabs().selectedKey(), "DiagSensorKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagSensorFrame"});
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

TEST_F(DiagTabsTest, WithNoGroupPresentNothingIsShown) {
  for (const RowGroup& g : rowGroups()) form->setTabPresent(g.key, false);
  form->MainTab_Click();
  EXPECT_TRUE(visibleFrames().empty());
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

TEST_F(DiagTabsTest, ATagThatIsNoFlagCountsAsAbsent) {
  clickTab("DiagMemoryKey");
  tabs().setTabTag(Variant("DiagConfigKey"), Variant("maybe"));
  clickTab("DiagConfigKey");
  EXPECT_EQ(tabs().selectedKey(), "DiagMemoryKey");
  tabs().setTabTag(Variant("DiagConfigKey"), Variant());
  clickTab("DiagConfigKey");
  EXPECT_EQ(tabs().selectedKey(), "DiagMemoryKey");
}

// An absent group's tab is greyed, the others stay live; it comes back with its group.
TEST_F(DiagTabsTest, AnAbsentGroupsTabIsDisabledUntilItsGroupReturns) {
  auto enabledKeys = [&] {
    std::vector<std::string> keys;
    for (const platform::ui::Tab& t : tabs().tabs())
      if (t.enabled) keys.push_back(t.key);
    return keys;
  };
  const std::vector<std::string> all = enabledKeys();
  ASSERT_EQ(all.size(), 9u);  // every group but Limits, which has no tab
  for (const char* key : {"DiagInputKey", "DiagAlarmKey", "DiagTotalizerKey"})
    form->setTabPresent(key, false);
  std::vector<std::string> live = enabledKeys();
  EXPECT_EQ(live, (std::vector<std::string>{"DiagDeviceKey", "DiagSensorKey", "DiagValueKey", "DiagOutputKey",
                                            "DiagConfigKey", "DiagMemoryKey"}));
  EXPECT_EQ(tabs().evalPath("Tabs(\"DiagAlarmKey\").Enabled").toBool(), false);
  // The selection rules are unchanged: a script may still pick the greyed tab and is sent back.
  clickTab("DiagValueKey");
  clickTab("DiagAlarmKey");
  EXPECT_EQ(tabs().selectedKey(), "DiagValueKey");
  for (const char* key : {"DiagInputKey", "DiagAlarmKey", "DiagTotalizerKey"}) form->setTabPresent(key, true);
  EXPECT_EQ(enabledKeys(), all);
  clickTab("DiagAlarmKey");
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagAlarmFrame"});
}

}  // namespace
}  // namespace diagview_test
