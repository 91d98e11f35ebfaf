#include "platform/ui/event_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_forms.h"

using namespace platform::ui;
using platform::com::makeObject;
using platform::com::Ptr;
using platform::com::Variant;

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override { EventLoop::instance().useManualClock(); }
  EventLoop& loop = EventLoop::instance();
};

TEST_F(LoopTest, TimersFireInTimeOrderAndArmingOrderBreaksTies) {
  auto f = makeObject<SampleForm>();
  std::vector<std::string> order;
  f->on("Tick", "Timer", [&] { order.push_back("tick@" + std::to_string(loop.now())); });
  f->on("Other", "Timer", [&] { order.push_back("other@" + std::to_string(loop.now())); });
  f->timer("Other").setEnabled(true);
  f->timer("Tick").setEnabled(true);
  loop.advance(250);
  EXPECT_EQ(order,
            (std::vector<std::string>{
                "other@" + std::to_string(loop.now() - 150), "tick@" + std::to_string(loop.now() - 150),
                "other@" + std::to_string(loop.now() - 50), "tick@" + std::to_string(loop.now() - 50)}));
  f->unload();
}

TEST_F(LoopTest, EnablingOrSettingTheIntervalRestartsTheCount) {
  auto f = makeObject<SampleForm>();
  int ticks = 0;
  f->on("Tick", "Timer", [&] { ++ticks; });
  auto& t = f->timer("Tick");
  t.setEnabled(true);
  loop.advance(90);
  t.setProperty("Interval", Variant(100));  // restart: next tick at +100 from now
  loop.advance(90);
  EXPECT_EQ(ticks, 0);
  loop.advance(10);
  EXPECT_EQ(ticks, 1);
  f->unload();
}

TEST_F(LoopTest, OneShotTimerThatDisablesItselfFiresOnce) {
  auto f = makeObject<SampleForm>();
  int ticks = 0;
  f->on("Tick", "Timer", [&] {
    ++ticks;
    f->timer("Tick").setEnabled(false);
  });
  f->timer("Tick").setProperty("Interval", Variant(1));
  f->timer("Tick").setEnabled(true);
  loop.advance(1000);
  EXPECT_EQ(ticks, 1);
  f->unload();
}

TEST_F(LoopTest, PostedWorkRunsAfterTheTickThatPostedIt) {
  auto f = makeObject<SampleForm>();
  std::vector<std::string> order;
  f->on("Tick", "Timer", [&] {
    order.push_back("tick");
    loop.post([&] { order.push_back("posted"); });
    order.push_back("tick end");
    f->timer("Tick").setEnabled(false);
  });
  f->timer("Tick").setEnabled(true);
  loop.advance(100);
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "tick end", "posted"}));
  f->unload();
}

TEST_F(LoopTest, AHandlerErrorIsReportedAndTheTimerKeepsRunning) {
  auto f = makeObject<SampleForm>();
  int ticks = 0;
  f->on("Tick", "Timer", [&] {
    ++ticks;
    platform::com::raise(91);
  });
  loop.clearErrors();
  f->timer("Tick").setEnabled(true);
  loop.advance(300);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(loop.errors().size(), 3u);
  loop.clearErrors();
  f->unload();
}

TEST_F(LoopTest, ATimerNeverReentersItsOwnHandler) {
  auto f = makeObject<SampleForm>();
  int depth = 0, maxDepth = 0, ticks = 0;
  f->on("Tick", "Timer", [&] {
    ++depth;
    ++ticks;
    maxDepth = std::max(maxDepth, depth);
    if (ticks == 1) f->timer("Tick").fire();  // as a nested wait would
    --depth;
  });
  f->timer("Tick").setEnabled(true);
  loop.advance(100);
  EXPECT_EQ(maxDepth, 1);
  f->unload();
}

TEST_F(LoopTest, TimerOfAFormUnloadedByItsOwnTickStopsCleanly) {
  auto f = makeObject<SampleForm>();
  int ticks = 0;
  f->on("Tick", "Timer", [&] {
    ++ticks;
    f->unload();
  });
  f->timer("Tick").setEnabled(true);
  loop.advance(1000);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(loop.armedCount(), 0u);
}

// The real-time drive calls processDue whenever it wakes; the manual clock stands in for a
// loop that woke late.
TEST_F(LoopTest, ALateWakeFiresOnceForEachIntervalPassedEachAsItsOwnTick) {
  auto f = makeObject<SampleForm>();
  std::vector<int64_t> ticks;
  int postedRuns = 0;
  f->on("Tick", "Timer", [&] {
    ticks.push_back(loop.now());
    loop.post([&] { ++postedRuns; });  // each tick's own posted work runs before the next tick
    EXPECT_EQ(postedRuns, static_cast<int>(ticks.size()) - 1);
  });
  f->timer("Tick").setProperty("Interval", Variant(1));
  f->timer("Tick").setEnabled(true);
  const int64_t start = loop.now();
  loop.manualClock()->set(start + 10);
  loop.processDue();
  EXPECT_EQ(ticks.size(), 10u);
  EXPECT_EQ(postedRuns, 10);
  // The deadlines stay absolute: the next tick is at start + 11, not one interval from the wake.
  EXPECT_EQ(loop.dueAt(&f->timer("Tick")), start + 11);
  f->unload();
}

TEST_F(LoopTest, AStalledLoopCatchesUpABoundedNumberOfTicksThenGoesOnFromNow) {
  auto f = makeObject<SampleForm>();
  int ticks = 0;
  f->on("Tick", "Timer", [&] { ++ticks; });
  f->timer("Tick").setProperty("Interval", Variant(1));
  f->timer("Tick").setEnabled(true);
  const int64_t start = loop.now();
  loop.manualClock()->set(start + 5000);
  loop.processDue();
  EXPECT_LE(ticks, EventLoop::kMaxCatchUp + 1);
  EXPECT_GE(ticks, 1);
  EXPECT_EQ(loop.dueAt(&f->timer("Tick")), start + 5001);
  f->unload();
}

TEST_F(LoopTest, ProcessDueFiresTimersInDeadlineOrderAcrossCatchUp) {
  auto f = makeObject<SampleForm>();
  std::string order;
  f->on("Tick", "Timer", [&] { order += "t"; });
  f->on("Other", "Timer", [&] { order += "o"; });
  f->timer("Tick").setProperty("Interval", Variant(2));
  f->timer("Other").setProperty("Interval", Variant(3));
  f->timer("Tick").setEnabled(true);
  f->timer("Other").setEnabled(true);
  loop.manualClock()->set(loop.now() + 6);
  loop.processDue();
  // Deadlines 2 t, 3 o, 4 t, then 6 for both: the one that ticked longer ago goes first,
  // as on the manual clock.
  EXPECT_EQ(order, "totot");
  f->unload();
}

TEST_F(LoopTest, ATimerTakesAHandlerSetAfterItsFirstTick) {
  auto f = makeObject<SampleForm>();
  std::string seen;
  f->on("Tick", "Timer", [&] { seen += "a"; });
  f->timer("Tick").setProperty("Interval", Variant(1));
  f->timer("Tick").setEnabled(true);
  loop.advance(1);
  f->on("Tick", "Timer", [&] { seen += "b"; });
  loop.advance(1);
  EXPECT_EQ(seen, "ab");
  f->unload();
}

// The loop keeps its armed timers in firing order; arming again, disarming and unloading a
// window among many must keep that order right.
TEST_F(LoopTest, ManyWindowsFireInDeadlineOrderThroughRearmsAndUnloads) {
  std::vector<platform::com::Ptr<SampleForm>> forms;
  std::vector<std::string> order;
  for (int i = 0; i < 3; ++i) {
    forms.push_back(makeObject<SampleForm>());
    for (const char* name : {"Tick", "Other"}) {
      const std::string label = std::string(name) + std::to_string(i);
      forms[i]->on(name, "Timer",
                   [&order, label, this] { order.push_back(label + "@" + std::to_string(loop.now())); });
    }
  }
  const int64_t t0 = loop.now();
  auto at = [&](const std::string& label, int64_t ms) { return label + "@" + std::to_string(t0 + ms); };
  forms[2]->timer("Tick").setProperty("Interval", Variant(30));
  forms[2]->timer("Tick").setEnabled(true);   // 30, 60, 90, ...
  forms[0]->timer("Other").setEnabled(true);  // 100, 200
  forms[1]->timer("Tick").setEnabled(true);   // 100 (armed after Other0), then re-armed
  forms[0]->timer("Tick").setProperty("Interval", Variant(50));
  forms[0]->timer("Tick").setEnabled(true);  // 50, 100, 150, ...
  loop.advance(40);
  forms[1]->timer("Tick").setProperty("Interval", Variant(20));  // re-armed at 40: 60, 80, 100
  loop.advance(25);                                              // to 65
  forms[2]->unload();                                            // its 90 never comes
  loop.advance(35);                                              // to 100
  forms[1]->timer("Tick").setEnabled(false);
  loop.advance(100);  // to 200
  EXPECT_EQ(order,
            (std::vector<std::string>{at("Tick2", 30), at("Tick0", 50), at("Tick2", 60), at("Tick1", 60),
                                      at("Tick1", 80), at("Other0", 100), at("Tick0", 100), at("Tick1", 100),
                                      at("Tick0", 150), at("Other0", 200), at("Tick0", 200)}));
  EXPECT_EQ(loop.armedCount(), 2u);
  EXPECT_EQ(loop.msUntilNextTimer(), 50);
  forms[0]->unload();
  forms[1]->unload();
  EXPECT_EQ(loop.armedCount(), 0u);
  EXPECT_EQ(loop.msUntilNextTimer(), -1);
}

// Many timers of many windows switched on, off and to other intervals in a long mixed run fire
// in the order of their deadlines, the earlier armed first among equal ones, as a plain list
// of the armed timers, searched for the first at every tick, tells.
TEST_F(LoopTest, ManyTimersFireAsTheirDeadlinesAndArmingsOrderThem) {
  struct Expected {
    bool armed = false;
    int64_t due = 0;
    uint64_t seq = 0;
    int32_t interval = 100;
    bool enabled = false;
  };
  std::vector<Ptr<SampleForm>> forms;
  std::vector<TimerControl*> timers;
  std::vector<Expected> expected;
  std::vector<std::string> fired, told;
  for (int i = 0; i < 24; ++i) {
    forms.push_back(makeObject<SampleForm>());
    for (const char* name : {"Tick", "Other"}) {
      const std::string label = std::string(name) + std::to_string(i);
      forms.back()->on(name, "Timer",
                       [&fired, label, this] { fired.push_back(label + "@" + std::to_string(loop.now())); });
      timers.push_back(&forms.back()->timer(name));
      expected.push_back({});
    }
  }
  uint64_t seq = 0;
  auto arm = [&](Expected& e) {
    e.armed = e.enabled && e.interval > 0;
    e.due = loop.now() + e.interval;
    e.seq = ++seq;
  };
  auto advance = [&](int64_t ms) {
    const int64_t target = loop.now() + ms;
    for (int64_t now = loop.now();;) {
      Expected* first = nullptr;
      size_t which = 0;
      for (size_t i = 0; i < expected.size(); ++i) {
        Expected& e = expected[i];
        if (e.armed && e.due <= target &&
            (!first || e.due < first->due || (e.due == first->due && e.seq < first->seq))) {
          first = &e;
          which = i;
        }
      }
      if (!first) break;
      now = std::max(now, first->due);
      told.push_back(std::string(which % 2 ? "Other" : "Tick") + std::to_string(which / 2) + "@" +
                     std::to_string(now));
      first->due += first->interval;
      first->seq = ++seq;
    }
    loop.advance(ms);
  };
  uint32_t random = 12345;
  auto next = [&](uint32_t n) {
    random = random * 1103515245u + 12345u;
    return (random >> 8) % n;
  };
  for (int step = 0; step < 3000; ++step) {
    const size_t i = next(static_cast<uint32_t>(timers.size()));
    switch (next(4)) {
      case 0:
        expected[i].enabled = true;
        timers[i]->setTimerEnabled(true);
        arm(expected[i]);
        break;
      case 1:
        expected[i].enabled = false;
        timers[i]->setTimerEnabled(false);
        expected[i].armed = false;
        break;
      case 2:
        expected[i].interval = static_cast<int32_t>(next(40));  // 0 switches the timer off
        timers[i]->setProperty("Interval", Variant(expected[i].interval));
        arm(expected[i]);
        break;
      default:
        advance(next(30));
    }
    ASSERT_EQ(fired, told) << "step " << step;
    ASSERT_EQ(loop.armedCount(),
              static_cast<size_t>(
                  std::count_if(expected.begin(), expected.end(), [](const Expected& e) { return e.armed; })))
        << "step " << step;
  }
  EXPECT_GT(fired.size(), 1000u);
  for (auto& f : forms) f->unload();
  EXPECT_EQ(loop.armedCount(), 0u);
}

// A timer keeps its place in the firing order while it is switched off and on, thousands of
// times, beside others: each arming goes behind every timer armed before it for that time.
TEST_F(LoopTest, SwitchingTimersOffAndOnKeepsArmingOrderAndCount) {
  auto a = makeObject<SampleForm>();
  auto b = makeObject<SampleForm>();
  std::string seen;
  a->on("Tick", "Timer", [&] { seen += 'a'; });
  b->on("Tick", "Timer", [&] { seen += 'b'; });
  for (auto* t : {&a->timer("Tick"), &b->timer("Tick")}) t->setProperty("Interval", Variant(1));
  for (int i = 0; i < 5000; ++i) {
    TimerControl& first = (i % 2 ? b : a)->timer("Tick");
    TimerControl& second = (i % 2 ? a : b)->timer("Tick");
    first.setTimerEnabled(false);
    second.setTimerEnabled(false);
    EXPECT_EQ(loop.armedCount(), 0u);
    first.setTimerEnabled(true);
    second.setTimerEnabled(true);
    EXPECT_EQ(loop.armedCount(), 2u);
    seen.clear();
    loop.advance(1);
    ASSERT_EQ(seen, i % 2 ? "ba" : "ab") << "round " << i;
  }
  EXPECT_TRUE(a->timer("Tick").isEnabled());
  a->timer("Tick").setTimerEnabled(false);
  EXPECT_FALSE(a->timer("Tick").getProperty("Enabled").toBool()) << "the property follows";
  EXPECT_EQ(loop.dueAt(&a->timer("Tick")), -1);
  a->unload();
  b->unload();
  EXPECT_EQ(loop.armedCount(), 0u);
}

// Switching the clock keeps each armed timer's distance to its deadline and the order.
TEST_F(LoopTest, SwitchingToTheRealClockKeepsDeadlinesAndOrder) {
  auto f = makeObject<SampleForm>();
  f->timer("Other").setEnabled(true);  // 100 ms
  f->timer("Tick").setProperty("Interval", Variant(60000));
  f->timer("Tick").setEnabled(true);
  loop.useRealClock();
  const int64_t now = loop.now();
  EXPECT_NEAR(static_cast<double>(loop.dueAt(&f->timer("Other")) - now), 100.0, 500.0);
  EXPECT_NEAR(static_cast<double>(loop.dueAt(&f->timer("Tick")) - now), 60000.0, 500.0);
  EXPECT_EQ(loop.armedCount(), 2u);
  loop.useManualClock();
  f->unload();
  EXPECT_EQ(loop.armedCount(), 0u);
}
