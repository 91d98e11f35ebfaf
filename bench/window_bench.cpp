// The figures that need real windows: how fast the interactive drive works off notifications,
// a drawn upload burst, the time to a painted main window and to its first values, a change
// drawn by many windows, what an idle host and waiting trend windows cost, and the memory each
// window costs. Prints one JSON object a line: {"name", "value", "unit", ...}.
//
//   velumor-window-bench [--short] [--only GROUP]
//   velumor-window-bench --memory PROGID   the memory figure of one window class alone: each
//                                          class is measured in a fresh process, so that memory
//                                          freed by other windows does not make it look smaller
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_session.h"
#include "frontend/qt/front_end.h"
#include "platform/ui/event_loop.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/item_store.h"

namespace {

using velumor::bench::BenchSession;
using velumor::bench::kMainView;
using velumor::bench::notificationsPending;
using velumor::bench::otherViews;
using velumor::bench::residentBytes;

bool gShort = false;

void report(const std::string& name, double value, const char* unit, const std::string& extra = {}) {
  std::printf("{\"name\": \"%s\", \"value\": %.6g, \"unit\": \"%s\"%s}\n", name.c_str(), value, unit,
              extra.c_str());
  std::fflush(stdout);
}

// Lets Qt run (and so the real-time drive) until `done` holds or `limitMs` passes.
template <class Done>
bool runUntil(Done done, int limitMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > limitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// Notifications worked off per second by one view on the real-time drive, as measured; a plain
// 1 ms Qt timer in the same loop shows what the machine allowed meanwhile.
void realtimeRate(BenchSession& session, frontend::qt::FrontEnd& front) {
  front.startRealTime();  // as the interactive host drives it
  auto view = session.open(kMainView);
  platform::ui::Form* window = BenchSession::windowOf(view);
  runUntil([] { return false; }, 50);  // registration and first paint
  const int records = gShort ? 200 : 3000;
  for (int i = 0; i < records; ++i) view->NotifyChanged(0x7ffff0, false, 0, 0);
  int plainTicks = 0;
  QTimer plain;
  plain.setTimerType(Qt::PreciseTimer);
  plain.setInterval(1);
  QObject::connect(&plain, &QTimer::timeout, [&] { ++plainTicks; });
  QElapsedTimer t;
  t.start();
  plain.start();
  runUntil([&] { return !notificationsPending(*window); }, 60000);
  const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
  plain.stop();
  const double rate = records / seconds;
  const double plainRate = plainTicks / seconds;
  report("realtime_rate", rate, "/s", ", \"plain_timer_rate\": " + std::to_string(plainRate));
  session.close(view);
  front.stopRealTime();
}

// A burst of item changes (an upload) to items the main window registered, from the first
// write until the main view has worked off every notification and its window is drawn.
double burst(BenchSession& session, frontend::qt::FrontEnd& front, int changes) {
  front.startRealTime();  // as the interactive host drives it
  auto view = session.open(kMainView);
  platform::ui::Form* window = BenchSession::windowOf(view);
  runUntil([] { return false; }, 50);
  // Only items the window registered: each change is a notification that reaches the view.
  const std::vector<std::string> names = session.registeredNumericVariables();
  if (names.empty()) throw std::runtime_error("the main window registered no numeric item");
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < changes; ++i) session.set(names[static_cast<size_t>(i) % names.size()], 1000.0 + i);
  runUntil([&] { return !notificationsPending(*window); }, 120000);
  QString error;
  front.grabImage(*window, error);
  const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
  session.close(view);
  front.stopRealTime();
  return seconds;
}

// From SetAppletItemManagRef (inside open) to a painted window, warm.
std::vector<double> openTimes(BenchSession& session, frontend::qt::FrontEnd& front, int opens) {
  std::vector<double> ms;
  for (int i = 0; i < opens + 2; ++i) {
    QElapsedTimer t;
    t.start();
    auto view = session.open(kMainView);
    QString error;
    front.grabImage(*BenchSession::windowOf(view), error);
    const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (i >= 2) ms.push_back(elapsed);  // the first two warm the caches
    session.close(view);
    QApplication::processEvents();
  }
  return ms;
}

// CPU time of this process, in seconds.
double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Times this process went to sleep and was woken (voluntary context switches).
int64_t wakeups() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_nvcsw;
}

// Runs Qt's event loop, blocking as an application does, for `ms`.
void runBlocking(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The share of a core the process used, and its wake-ups per second, while Qt's loop ran `ms`.
struct Load {
  double cpuPercent;
  double wakeupsPerSecond;
};
Load measureLoad(int ms) {
  const double cpu0 = cpuSeconds();
  const int64_t w0 = wakeups();
  QElapsedTimer t;
  t.start();
  runBlocking(ms);
  const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
  return {100.0 * (cpuSeconds() - cpu0) / seconds, static_cast<double>(wakeups() - w0) / seconds};
}

// From SetAppletItemManagRef on the real drive, connected to the meter, until the main window
// has registered its items, worked off their first notifications and is drawn with them.
std::vector<double> openWithValuesTimes(BenchSession& session, frontend::qt::FrontEnd& front, int opens) {
  std::vector<double> ms;
  for (int i = 0; i < opens + 2; ++i) {
    const int32_t before = session.host().store().advisedCount();
    QElapsedTimer t;
    t.start();
    auto view = session.open(kMainView);
    platform::ui::Form* window = BenchSession::windowOf(view);
    runUntil(
        [&] {
          return session.host().store().advisedCount() > before && !notificationsPending(*window) &&
                 !platform::ui::EventLoop::instance().hasPosted();
        },
        10000);
    QString error;
    front.grabImage(*window, error);
    const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (i >= 2) ms.push_back(elapsed);  // the first two warm the caches
    session.close(view);
    runUntil([] { return false; }, 20);
  }
  return ms;
}

// The measured part of drawnTickCost, a function of its own so that a profiler can collect
// it alone (valgrind --toggle-collect='*userLevelChanges*').
[[gnu::noinline]] void userLevelChanges(BenchSession& session, int changes,
                                        const std::function<void()>& drain) {
  int level = 0;
  for (int i = 0; i < changes; ++i) {
    level = level == 0 ? 3 : 0;
    session.set("&&private&&UserLevel", level);
    drain();
  }
}

// CPU per window per change with `views` main windows shown and drawn by Qt: a change of the
// user level that every window shows, worked off on the manual clock and painted as a screen
// is, at most once a frame (16 ms of the clock).
double drawnTickCost(BenchSession& session, int views, int changes) {
  auto& loop = platform::ui::EventLoop::instance();
  std::vector<platform::com::Ptr<tolvar::View>> open;
  std::vector<platform::ui::Form*> windows;
  for (int i = 0; i < views; ++i) {
    open.push_back(session.open(kMainView));
    windows.push_back(BenchSession::windowOf(open.back()));
  }
  loop.advance(10);
  int64_t painted = loop.now();
  auto paint = [&] {
    QApplication::processEvents();  // the windows draw what changed
    painted = loop.now();
  };
  const std::vector<platform::ui::TimerControl*> timers = velumor::bench::notifyTimers(windows);
  auto drain = [&] {
    loop.drainPosted();
    for (int guard = 0; guard < 100000 && velumor::bench::anyRunning(timers); ++guard) loop.advance(1);
    if (loop.now() - painted >= 16) paint();
  };
  drain();
  paint();
  // The median of several rounds: a round now and then runs at a much slower pace for reasons
  // of the machine's (the same paints, no page faults), which one round would report alone.
  std::vector<double> rounds;
  for (int round = 0; round < (gShort ? 1 : 7); ++round) {
    const double cpu0 = cpuSeconds();
    userLevelChanges(session, changes, drain);
    paint();
    rounds.push_back((cpuSeconds() - cpu0) / changes / views * 1e6);
  }
  for (auto& v : open) session.close(v);
  QApplication::processEvents();
  return percentile(rounds, 0.5);
}

// Eight trend windows connected to the meter with their plots full (a simulated minute and
// more on the manual clock), then on the real drive: the share of a core they cost above the
// same connected host without them.
void trendLoad(BenchSession& session, frontend::qt::FrontEnd& front, int ms) {
  auto& loop = platform::ui::EventLoop::instance();
  loop.useManualClock();
  if (session.host().frameOperations().connect() != 0) throw std::runtime_error("cannot connect");
  loop.advance(1000);
  front.startRealTime();
  runBlocking(200);
  const Load without = measureLoad(ms);
  front.stopRealTime();
  std::vector<platform::com::Ptr<tolvar::View>> trends;
  for (int i = 0; i < 8; ++i) trends.push_back(session.open("Velumor.VelumorDisplayTrendClass"));
  for (int s = 0; s < 70; ++s) {
    loop.advance(1000);
    QApplication::processEvents();
  }
  front.startRealTime();
  runBlocking(200);
  const Load with = measureLoad(ms);
  report("trend8_cpu", with.cpuPercent - without.cpuPercent, "%",
         ", \"with\": " + std::to_string(with.cpuPercent) +
             ", \"without\": " + std::to_string(without.cpuPercent));
  front.stopRealTime();
  for (auto& v : trends) session.close(v);
  session.host().frameOperations().disconnect();
  loop.advance(1000);
  QApplication::processEvents();
}

// The host with a main and a diagnosis window, offline, nothing happening: its share of a core
// and how often it wakes.
void idleLoad(BenchSession& session, frontend::qt::FrontEnd& front, int ms) {
  front.startRealTime();
  auto mainView = session.open(kMainView);
  auto diagView = session.open("Velumor.VelumorDiagViewClass");
  runBlocking(1000);  // registered, first values drawn
  const Load idle = measureLoad(ms);
  report("idle_cpu", idle.cpuPercent, "%");
  report("idle_wakeups", idle.wakeupsPerSecond, "/s");
  session.close(diagView);
  session.close(mainView);
  front.stopRealTime();
}

// Resident memory each further window of `progId` adds, offline, as a user opens it: shown,
// registered (its registration tick fired and its first notifications worked off) and painted.
double memoryPerWindow(BenchSession& session, frontend::qt::FrontEnd& front, const std::string& progId,
                       int extra) {
  auto& loop = platform::ui::EventLoop::instance();
  std::vector<platform::com::Ptr<tolvar::View>> views;
  auto openPainted = [&] {
    views.push_back(session.open(progId));
    platform::ui::Form* window = BenchSession::windowOf(views.back());
    for (int ms = 0;
         ms < 10000 && window && window->isLoaded() &&
         (window->timer("RegisterTimer").isEnabled() || velumor::bench::notificationsPending(*window));
         ++ms)
      loop.advance(1);
    QString error;
    front.grabImage(*window, error);
    QApplication::processEvents();
  };
  openPainted();  // the first window also loads what every window shares
  const int64_t before = residentBytes();
  for (int i = 0; i < extra; ++i) openPainted();
  const int64_t after = residentBytes();
  for (auto& v : views) session.close(v);
  QApplication::processEvents();
  return static_cast<double>(after - before) / extra / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string memoryOf, only;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0) gShort = true;
    if (std::strcmp(argv[i], "--memory") == 0 && i + 1 < argc) memoryOf = argv[++i];
    if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
  }
  // With --only GROUP, one group of figures alone (for a profiler): rate, burst, idle,
  // values, trend, drawn, open.
  auto runs = [&only](const char* group) { return only.empty() || only == group; };
  QApplication app(argc, argv);
  try {
    BenchSession session;
    frontend::qt::FrontEnd front;
    front.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
    if (!memoryOf.empty()) {
      report("rss:" + memoryOf, memoryPerWindow(session, front, memoryOf, gShort ? 1 : 8), "MiB");
      front.uninstall();
      return 0;
    }

    if (runs("rate")) realtimeRate(session, front);

    if (runs("burst")) {
      report("burst_1000", burst(session, front, 1000), "s");
      if (!gShort)
        for (int n : {100, 10000}) report("burst_" + std::to_string(n), burst(session, front, n), "s");
    }

    if (runs("idle")) idleLoad(session, front, gShort ? 300 : 5000);

    if (runs("values")) {
      // Opening on the real drive, connected, until the first values are drawn.
      front.startRealTime();
      if (session.host().frameOperations().connect() != 0) throw std::runtime_error("cannot connect");
      report("open_main_values_p95", percentile(openWithValuesTimes(session, front, gShort ? 3 : 40), 0.95),
             "ms");
      session.host().frameOperations().disconnect();
      runUntil([] { return false; }, 200);
      front.stopRealTime();
    }

    if (runs("trend")) trendLoad(session, front, gShort ? 300 : 5000);

    platform::ui::EventLoop::instance().useManualClock();
    if (runs("drawn")) {
      for (int views : gShort ? std::vector<int>{32} : std::vector<int>{1, 8, 32})
        report(views == 32 ? "tick_cost_32_drawn" : "tick_cost_drawn_" + std::to_string(views),
               drawnTickCost(session, views, gShort ? 5 : 200), "us");
    }

    if (runs("open")) {
      const int opens = gShort ? 3 : 40;
      report("open_main_p95", percentile(openTimes(session, front, opens), 0.95), "ms");
      if (!gShort) {
        // How opening grows with the windows already open.
        for (int k : {1, 8, 32}) {
          std::vector<platform::com::Ptr<tolvar::View>> held;
          for (int i = 0; i < k - 1; ++i) held.push_back(session.open(kMainView));
          report("open_main_median_with_" + std::to_string(k), percentile(openTimes(session, front, 10), 0.5),
                 "ms");
          for (auto& v : held) session.close(v);
        }
      }
    }

    front.uninstall();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velumor-window-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
