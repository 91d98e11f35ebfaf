// Headless costs of the notification road, on the manual clock: a host call into a view,
// one change worked off by many views, and a burst of changes worked off by the main view.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_session.h"
#include "platform/ui/event_loop.h"
#include "tolvar/sim/dd/device_data.h"

namespace {

using platform::ui::EventLoop;
using velumor::bench::anyRunning;
using velumor::bench::BenchSession;
using velumor::bench::kMainView;
using velumor::bench::notifyTimers;

// Advances the manual clock 1 ms at a time until no window has notifications left.
int64_t drain(const std::vector<platform::ui::TimerControl*>& timers) {
  int64_t ticks = 0;
  EventLoop& loop = EventLoop::instance();
  loop.drainPosted();
  while (anyRunning(timers)) {
    loop.advance(1);
    ++ticks;
  }
  return ticks;
}

// `count` main windows, registered and with their first notifications worked off; closed
// when it goes.
struct MainWindows {
  MainWindows(BenchSession& s, int64_t count) : session(s) {
    std::vector<platform::ui::Form*> windows;
    for (int64_t i = 0; i < count; ++i) {
      open.push_back(session.open(kMainView));
      windows.push_back(BenchSession::windowOf(open.back()));
    }
    EventLoop::instance().advance(10);  // the registration tick
    timers = notifyTimers(windows);
    drain(timers);
  }
  ~MainWindows() {
    for (auto& v : open) session.close(v);
  }
  MainWindows(const MainWindows&) = delete;
  MainWindows& operator=(const MainWindows&) = delete;
  BenchSession& session;
  std::vector<platform::com::Ptr<tolvar::View>> open;
  std::vector<platform::ui::TimerControl*> timers;
};

// notify_cost: View.NotifyChanged from the host into a view; the record is only queued.
void notifyChanged(benchmark::State& state) {
  EventLoop::instance().useManualClock();
  BenchSession session;
  auto view = session.open(kMainView);
  EventLoop::instance().advance(10);  // the registration tick
  const auto windows = notifyTimers({BenchSession::windowOf(view)});
  int64_t queued = 0;
  for (auto _ : state) {
    // A handle the window does not know: dropped at dispatch, queued like any other.
    view->NotifyChanged(0x7ffff0, false, 0, 0);
    if (++queued == 100000) {
      state.PauseTiming();
      drain(windows);
      queued = 0;
      state.ResumeTiming();
    }
  }
  drain(windows);
  session.close(view);
}
// A host that cannot be set up (no registered component) fails the benchmark, not the run.
template <void (*Body)(benchmark::State&)>
void guarded(benchmark::State& state) {
  try {
    Body(state);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void BM_NotifyChanged(benchmark::State& state) {
  guarded<notifyChanged>(state);
}
BENCHMARK(BM_NotifyChanged)->Unit(benchmark::kMicrosecond);

// tick_cost: one item change that every open view registered, worked off by all of them;
// the counter is the time per view per change.
void tickCost(benchmark::State& state) {
  EventLoop::instance().useManualClock();
  const int64_t views = state.range(0);
  BenchSession session;
  MainWindows mains(session, views);
  const auto& timers = mains.timers;
  int level = 0;
  for (auto _ : state) {
    level = level == 0 ? 3 : 0;
    session.set("&&private&&UserLevel", level);
    drain(timers);
  }
  state.counters["per_view_change"] =
      benchmark::Counter(static_cast<double>(state.iterations() * views),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
void BM_TickCost(benchmark::State& state) {
  guarded<tickCost>(state);
}
BENCHMARK(BM_TickCost)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);
// The same with a fixed number of changes, for instruction counts that a loaded machine does
// not change: the difference of two runs under callgrind is 2000 changes (bench/README.md).
BENCHMARK(BM_TickCost)->Arg(32)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickCost)->Arg(32)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// A record-state change (the host reading or writing a record) with `views` main windows
// open: none of them registered the item, so it should cost the same with one or with 32.
void recordState(benchmark::State& state) {
  EventLoop::instance().useManualClock();
  const int64_t views = state.range(0);
  BenchSession session;
  MainWindows mains(session, views);
  const auto& timers = mains.timers;
  const auto& records = session.host().deviceData().records;
  if (records.empty()) throw std::runtime_error("the device has no records");
  const std::string item = "&&Record_State&&" + records.front().name;
  int value = 0;
  for (auto _ : state) {
    value = value == 0 ? 1 : 0;
    session.set(item, value);
    drain(timers);
  }
}
void BM_RecordState(benchmark::State& state) {
  guarded<recordState>(state);
}
BENCHMARK(BM_RecordState)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

// A burst of changes to the device's variables (an upload), worked off by the main view.
void burstDrain(benchmark::State& state) {
  EventLoop::instance().useManualClock();
  const int64_t changes = state.range(0);
  BenchSession session;
  auto view = session.open(kMainView);
  EventLoop::instance().advance(10);
  const auto windows = notifyTimers({BenchSession::windowOf(view)});
  drain(windows);
  const std::vector<std::string> names = session.numericVariables();
  double round = 0;
  for (auto _ : state) {
    round += 1;
    for (int64_t i = 0; i < changes; ++i)
      session.set(names[static_cast<size_t>(i) % names.size()], round * 1000 + static_cast<double>(i));
    drain(windows);
  }
  state.counters["per_change"] =
      benchmark::Counter(static_cast<double>(state.iterations() * changes),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  session.close(view);
}
void BM_BurstDrain(benchmark::State& state) {
  guarded<burstDrain>(state);
}
BENCHMARK(BM_BurstDrain)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
