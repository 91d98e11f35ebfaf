// The memory a window costs as a user has it: the Qt front end installed, the interactive
// real-time drive running, the host connected to the simulated meter, each window registered
// and every page of it visited once. Prints one JSON object a line: {"name", "value", "unit"}.
//
//   velumor-memory-bench [--short] [--sweep] main|diag|sim|trend|analog|digital|bar
//
// With --sweep the meter runs empty and over its range before each figure is read, so that
// the measured values sweep from the bottom of their ranges to the top: the trend window's
// curves then cover all of its plot, which is what its curves' layer costs at most
// (rss_used_sweep:PROGID).
// The first window pays for what every window shares (fonts, styles, the device description);
// the figure is what each further one adds, in MiB, with the growth at 1, 8 and 32 further
// windows. Each window class runs in a fresh process so that memory freed by one does not make
// another look smaller. Then, for information, the 95th percentile of a page switch of one of
// the windows, in ms (page_switch_main_p95, page_switch_diag_p95).
#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_session.h"
#include "frontend/qt/front_end.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "tolvar/sim/frame_operations.h"

namespace {

using velumor::bench::BenchSession;
using velumor::bench::notificationsPending;
using velumor::bench::residentBytes;

void report(const std::string& name, double value, const char* unit) {
  std::printf("{\"name\": \"%s\", \"value\": %.6g, \"unit\": \"%s\"}\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// Lets Qt, and with it the real-time drive, run for `ms`, or until `done` holds.
template <class Done>
bool runFor(int ms, Done done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void runFor(int ms) {
  runFor(ms, [] { return false; });
}

// The window registered (its one-shot registration tick fired) and its notifications worked off.
bool settled(platform::ui::Form& window) {
  if (!window.isLoaded()) return true;
  return !window.timer("RegisterTimer").isEnabled() && !notificationsPending(window);
}

// Selects every tab of every tab strip of the window, as a user clicks through the pages,
// each page drawn into the window before the next; the first tab is selected again at the end.
void visitEveryPage(platform::ui::Form& window) {
  std::vector<platform::ui::TabStripControl*> strips;
  for (const auto& c : window.controls())
    if (auto* s = dynamic_cast<platform::ui::TabStripControl*>(c.get()); s && s->effectivelyVisible())
      strips.push_back(s);
  for (platform::ui::TabStripControl* strip : strips) {
    std::vector<std::string> keys;
    for (const platform::ui::Tab& t : strip->tabs()) keys.push_back(t.key);
    for (const std::string& key : keys) {
      window.userSelectTab(*strip, platform::com::Variant(key));
      runFor(200, [&] { return settled(window); });
      runFor(20);  // drawn as the window system asks for it, not grabbed
    }
    if (!keys.empty()) window.userSelectTab(*strip, platform::com::Variant(keys.front()));
  }
  QApplication::processEvents();
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// Milliseconds from a click on a tab until its page is drawn, its widgets made anew, and the
// page left has given its widgets back: every tab of every strip in turn, `rounds` times.
std::vector<double> pageSwitchTimes(frontend::qt::FrontEnd& front, platform::ui::Form& window, int rounds) {
  std::vector<double> ms;
  QWidget* shown = front.window(window);
  for (const auto& c : window.controls()) {
    auto* strip = dynamic_cast<platform::ui::TabStripControl*>(c.get());
    QWidget* widget = strip && strip->effectivelyVisible() ? front.widget(*strip) : nullptr;
    QTabBar* bar = widget ? widget->findChild<QTabBar*>() : nullptr;
    if (!bar || bar->count() < 2) continue;
    for (int round = 0; round < rounds; ++round) {
      for (int step = 1; step <= bar->count(); ++step) {
        const int tab = step % bar->count();
        if (tab == bar->currentIndex()) continue;
        QElapsedTimer t;
        t.start();
        bar->setCurrentIndex(tab);  // as a click does; the strip hands it on once Qt's loop runs
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        const bool selected = strip->selectedPosition() == tab + 1;  // a page the meter lacks is refused
        shown->repaint();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the page left goes
        if (selected) ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        runFor(20);
      }
    }
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  bool isShort = false, sweep = false;
  std::string which;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0)
      isShort = true;
    else if (std::strcmp(argv[i], "--sweep") == 0)
      sweep = true;
    else
      which = argv[i];
  }
  static const std::map<std::string, const char*> kClasses = {
      {"main", "Velumor.VelumorMainViewClass"},        {"diag", "Velumor.VelumorDiagViewClass"},
      {"sim", "Velumor.VelumorSimulationClass"},       {"trend", "Velumor.VelumorDisplayTrendClass"},
      {"analog", "Velumor.VelumorDisplayAnalogClass"}, {"digital", "Velumor.VelumorDisplayDigitalClass"},
      {"bar", "Velumor.VelumorDisplayBarClass"}};
  const auto known = kClasses.find(which);
  if (known == kClasses.end()) {
    std::fprintf(stderr,
                 "usage: velumor-memory-bench [--short] [--sweep] main|diag|sim|trend|analog|digital|bar\n");
    return 2;
  }
  const char* progId = known->second;
  QApplication app(argc, argv);
  try {
    BenchSession session;
    frontend::qt::FrontEnd front;
    front.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
    front.startRealTime();
    if (session.host().frameOperations().connect() != 0) throw std::runtime_error("the host did not connect");
    runFor(10000, [&] { return session.host().connectionState() == tolvar::Connected; });
    if (session.host().connectionState() != tolvar::Connected)
      throw std::runtime_error("the simulated meter did not come online");

    std::vector<platform::com::Ptr<tolvar::View>> views;
    auto openUsed = [&] {
      views.push_back(session.open(progId));
      platform::ui::Form* window = BenchSession::windowOf(views.back());
      if (!window) throw std::runtime_error(std::string(progId) + " has no window");
      if (!runFor(10000, [&] { return settled(*window); }))
        throw std::runtime_error(std::string(progId) + " did not register within 10 s");
      visitEveryPage(*window);
    };
    // Every open window sees the values go from the bottom of their ranges to the top and back
    // (the meter's damping takes a second or two to follow).
    auto sweepValues = [&] {
      if (!sweep) return;
      for (const char* condition : {"empty-pipe", "overrange", "normal"}) {
        if (!session.host().scenario(condition).ok())
          throw std::runtime_error(std::string("the meter refused the condition ") + condition);
        runFor(2500);
      }
    };
    openUsed();  // the first window also loads what every window shares
    sweepValues();
    runFor(300);
    const int64_t before = residentBytes();
    const std::vector<int> steps = isShort ? std::vector<int>{1} : std::vector<int>{1, 8, 32};
    // The main and diagnosis windows have figures of their own; the other classes' headline
    // counts towards the largest of the other windows.
    const bool ownFigure = which == "main" || which == "diag";
    const std::string figure = ownFigure ? "rss_" + which + "_used" + (sweep ? "_sweep" : "")
                                         : std::string(sweep ? "rss_used_sweep:" : "rss_used:") + progId;
    for (int n : steps) {
      while (static_cast<int>(views.size()) - 1 < n) openUsed();
      sweepValues();
      runFor(300);
      const double mib = static_cast<double>(residentBytes() - before) / n / (1024.0 * 1024.0);
      if (ownFigure) report(figure + "_with_" + std::to_string(n), mib, "MiB");
      if (n == 8 || isShort) report(figure, mib, "MiB");
    }
    // The time a page switch takes, now that a page makes its widgets each time it shows (the
    // windows with a tab strip).
    if (ownFigure)
      report(
          "page_switch_" + which + "_p95",
          percentile(pageSwitchTimes(front, *BenchSession::windowOf(views.back()), isShort ? 1 : 10), 0.95),
          "ms");
    for (auto& v : views) session.close(v);
    QApplication::processEvents();
    front.stopRealTime();
    front.uninstall();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velumor-memory-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
