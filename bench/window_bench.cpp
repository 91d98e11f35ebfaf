// The figures that need real windows and real time: how fast the interactive drive works off
// notifications, a drawn upload burst, the time to a painted main window, and the memory
// each window costs. Prints one JSON object a line: {"name", "value", "unit", ...}.
//
//   velumor-window-bench [--short]
//   velumor-window-bench --memory PROGID   the memory figure of one window class alone: each
//                                          class is measured in a fresh process, so that memory
//                                          freed by other windows does not make it look smaller
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bench/bench_session.h"
#include "frontend/qt/front_end.h"
#include "platform/ui/event_loop.h"

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

// Notifications worked off per second by one view on the real-time drive, measured in the
// same loop as a plain 1 ms Qt timer, so that the ratio does not depend on the machine.
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
  report("realtime_rate", rate, "/s",
         ", \"plain_timer_rate\": " + std::to_string(plainRate) +
             ", \"ratio\": " + std::to_string(rate / plainRate));
  session.close(view);
  front.stopRealTime();
}

// A burst of item changes (an upload), from the first write until the main view has worked
// off every notification and its window is drawn.
double burst(BenchSession& session, frontend::qt::FrontEnd& front, int changes) {
  front.startRealTime();  // as the interactive host drives it
  auto view = session.open(kMainView);
  platform::ui::Form* window = BenchSession::windowOf(view);
  runUntil([] { return false; }, 50);
  const std::vector<std::string> names = session.numericVariables();
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

// Resident memory each further window of `progId` adds, shown and painted.
double memoryPerWindow(BenchSession& session, frontend::qt::FrontEnd& front, const std::string& progId,
                       int extra) {
  std::vector<platform::com::Ptr<tolvar::View>> views;
  auto openPainted = [&] {
    views.push_back(session.open(progId));
    QString error;
    front.grabImage(*BenchSession::windowOf(views.back()), error);
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
  std::string memoryOf;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0) gShort = true;
    if (std::strcmp(argv[i], "--memory") == 0 && i + 1 < argc) memoryOf = argv[++i];
  }
  QApplication app(argc, argv);
  try {
    BenchSession session;
    frontend::qt::FrontEnd front;
    front.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
    if (!memoryOf.empty()) {
      report("rss:" + memoryOf, memoryPerWindow(session, front, memoryOf, gShort ? 1 : 8), "MB");
      front.uninstall();
      return 0;
    }

    realtimeRate(session, front);

    report("burst_1000", burst(session, front, 1000), "s");
    if (!gShort) {
      for (int n : {100, 10000}) report("burst_" + std::to_string(n), burst(session, front, n), "s");
    }

    platform::ui::EventLoop::instance().useManualClock();
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

    front.uninstall();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velumor-window-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
