// Host-side timing on the event loop's clock.
#include "tolvar/sim/host_scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/event_loop.h"

namespace {

using tolvar::sim::HostScheduler;

class HostSchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().useManualClock();
    loop().drainPosted();
  }
  static platform::ui::EventLoop& loop() { return platform::ui::EventLoop::instance(); }
  HostScheduler scheduler;
  std::vector<std::string> log;
};

TEST_F(HostSchedulerTest, JobsRunWhenDueInTimeOrder) {
  const int64_t t0 = loop().now();
  scheduler.after(30, [&] { log.push_back("b@" + std::to_string(loop().now() - t0)); });
  scheduler.after(10, [&] { log.push_back("a@" + std::to_string(loop().now() - t0)); });
  scheduler.after(30, [&] { log.push_back("c@" + std::to_string(loop().now() - t0)); });
  loop().advance(29);
  EXPECT_EQ(log, (std::vector<std::string>{"a@10"}));
  loop().advance(1);
  EXPECT_EQ(log, (std::vector<std::string>{"a@10", "b@30", "c@30"})) << "equal times keep their order";
  EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(HostSchedulerTest, JobsScheduleAndCancelJobs) {
  HostScheduler::JobId victim = 0;
  scheduler.after(5, [&] {
    log.push_back("first");
    scheduler.cancel(victim);
    scheduler.after(5, [&] { log.push_back("chained"); });
  });
  victim = scheduler.after(7, [&] { log.push_back("cancelled"); });
  EXPECT_TRUE(scheduler.pending(victim));
  loop().advance(20);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "chained"}));
  EXPECT_FALSE(scheduler.pending(victim));
}

TEST_F(HostSchedulerTest, AJobFarAheadWaitsLongerThanOneTimerInterval) {
  bool ran = false;
  scheduler.after(100000, [&] { ran = true; });
  loop().advance(99999);
  EXPECT_FALSE(ran);
  loop().advance(1);
  EXPECT_TRUE(ran);
}

TEST_F(HostSchedulerTest, AFailingJobIsReportedAndTheOthersStillRun) {
  loop().clearErrors();
  scheduler.after(1, [] { throw std::runtime_error("boom"); });
  scheduler.after(1, [&] { log.push_back("after"); });
  loop().setErrorSink([](const std::string&, const std::string&) {});
  loop().advance(1);
  loop().setErrorSink(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"after"}));
  ASSERT_FALSE(loop().errors().empty());
  EXPECT_NE(loop().errors().back().find("boom"), std::string::npos);
}

TEST_F(HostSchedulerTest, NothingRunsAfterTheSchedulerIsGone) {
  bool ran = false;
  {
    HostScheduler local;
    local.after(5, [&] { ran = true; });
  }
  loop().advance(10);
  EXPECT_FALSE(ran);
}

}  // namespace
