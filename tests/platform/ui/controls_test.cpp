#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "test_forms.h"

using namespace platform::ui;
using platform::com::makeObject;
using platform::com::RuntimeError;
using platform::com::Variant;

TEST(TabStrip, SelectionRaisesClickEveryTimeAndRemovalKeepsASelection) {
  auto f = makeObject<SampleForm>();
  auto& tabs = f->tabStrip("Tabs");
  int clicks = 0;
  f->on("Tabs", "Click", [&] { ++clicks; });
  EXPECT_EQ(tabs.selectedKey(), "AKey");
  tabs.select(Variant("BKey"));
  tabs.select(Variant("BKey"));
  EXPECT_EQ(clicks, 2);
  tabs.remove(Variant("BKey"));
  EXPECT_EQ(tabs.count(), 2);
  EXPECT_EQ(tabs.selectedKey(), "CKey");
  tabs.add(2, "BKey", "B again");
  EXPECT_EQ(tabs.positionOf("BKey"), 2);
  EXPECT_EQ(tabs.selectedKey(), "CKey");
  EXPECT_THROW(tabs.add(1, "AKey", "dup"), RuntimeError);
  EXPECT_THROW(tabs.select(Variant("Missing")), RuntimeError);
  EXPECT_EQ(tabs.evalPath("SelectedItem.Key").toString(), "CKey");
  EXPECT_EQ(tabs.evalPath("Tabs(2).Caption").toString(), "B again");
  EXPECT_EQ(tabs.evalPath("Tabs.Count").toLong(), 3);
}

TEST(TabStrip, ClientAreaLiesInsideTheStrip) {
  auto f = makeObject<SampleForm>();
  auto& tabs = f->tabStrip("Tabs");
  EXPECT_GT(tabs.clientLeft(), tabs.left());
  EXPECT_GT(tabs.clientTop(), tabs.top());
  EXPECT_LE(tabs.clientLeft() + tabs.clientWidth(), tabs.left() + tabs.width());
  EXPECT_LE(tabs.clientTop() + tabs.clientHeight(), tabs.top() + tabs.height());
  tabs.setHeight(100);  // too small for a page: the client area is empty, never negative
  EXPECT_EQ(tabs.clientHeight(), 0);
}

TEST(TabStrip, ARunawayClickChainEndsWithAnError) {
  auto f = makeObject<SampleForm>();
  auto& tabs = f->tabStrip("Tabs");
  f->on("Tabs", "Click", [&] { tabs.select(Variant("AKey")); });
  try {
    tabs.select(Variant("AKey"));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 28);
  }
}

TEST(ListBox, ItemsIndexAndBounds) {
  auto f = makeObject<SampleForm>();
  auto& log = f->ctlAs<ListBoxControl>("Log");
  log.addItem("b");
  log.addItem("a", 0);
  EXPECT_EQ(log.list(0), "a");
  EXPECT_THROW(log.addItem("x", 5), RuntimeError);
  log.setListIndex(1);
  log.removeItem(1);
  EXPECT_EQ(log.listIndex(), -1);
  EXPECT_THROW(log.removeItem(3), RuntimeError);
  EXPECT_EQ(log.evalPath("ListCount").toLong(), 1);
}

TEST(Timer, IntervalOutOfRangeIsRefused) {
  auto f = makeObject<SampleForm>();
  EXPECT_THROW(f->timer("Tick").setProperty("Interval", Variant(-1)), RuntimeError);
  EXPECT_THROW(f->timer("Tick").setProperty("Interval", Variant(70000)), RuntimeError);
}

TEST(Timer, AHandlerThatReplacesItselfFinishesItsTickAndTheNewOneRunsNext) {
  EventLoop::instance().useManualClock();
  auto f = makeObject<SampleForm>();
  std::vector<std::string> ran;
  f->on("Tick", "Timer", [&] {
    int32_t kept = 7;  // lives in the first handler's frame, read after the replacement
    f->on("Tick", "Timer", [&] { ran.push_back("second"); });
    ran.push_back("first " + std::to_string(kept));
  });
  TimerControl& t = f->timer("Tick");
  t.setProperty("Enabled", Variant(true));
  EventLoop::instance().advance(200);
  t.setTimerEnabled(false);
  EXPECT_EQ(ran, (std::vector<std::string>{"first 7", "second"}));
  EXPECT_FALSE(EventLoop::instance().isArmed(&t));
}

TEST(Menu, SetCheckedStoresABooleanAndTellsTheObserversOfAChange) {
  auto f = makeObject<SampleForm>();
  auto& entry = static_cast<MenuControl&>(f->ctl("MenuExit"));
  struct Count : ControlObserver {
    int told = 0;
    void controlChanged(Control&, std::string_view what) override { told += what == "Checked"; }
  } count;
  entry.addObserver(&count);
  entry.setChecked(true);
  entry.setChecked(true);
  EXPECT_EQ(entry.getProperty("Checked").type(), platform::com::VarType::Boolean);
  EXPECT_TRUE(entry.getProperty("Checked").toBool());
  entry.setChecked(false);
  EXPECT_FALSE(entry.getProperty("Checked").toBool());
  EXPECT_EQ(count.told, 2);
  entry.removeObserver(&count);
}
