#pragma once
// What every benchmark needs: a simulated host with the registered component, views opened
// by ProgID, their windows, and the figures read off the process.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "tolvar/sim/host_session.h"

namespace velumor::bench {

// A host session on the class registry named by VELUMOR_REGISTRY (the component registered
// there), a scratch data-set database, and the host's controls registered.
class BenchSession {
 public:
  BenchSession();
  ~BenchSession();

  tolvar::sim::HostSession& host() { return *host_; }
  // Opens and shows a view; throws std::runtime_error with the host's reason when it cannot.
  platform::com::Ptr<tolvar::View> open(const std::string& progId);
  void close(const platform::com::Ptr<tolvar::View>& view);
  // The window a view owns (null when it has none).
  static platform::ui::Form* windowOf(const platform::com::Ptr<tolvar::View>& view);
  // Writes a number to a host item; throws when the host refuses.
  void set(const std::string& item, double value);
  // Names of the device's numeric variables, in description order: the items a data-set
  // upload changes.
  std::vector<std::string> numericVariables() const;
  // Those of them some open view registered: a change of one reaches that view.
  std::vector<std::string> registeredNumericVariables() const;

 private:
  std::string dbDir_;
  std::unique_ptr<tolvar::sim::HostSession> host_;
};

// Resident set size of this process, in bytes.
int64_t residentBytes();

// True while a window still has notifications to work off (its notification timer runs).
bool notificationsPending(platform::ui::Form& window);

// The windows' notification timers, looked up once, so that the harness's own lookups do not
// count as the views' work. The windows stay loaded while they are used.
std::vector<platform::ui::TimerControl*> notifyTimers(const std::vector<platform::ui::Form*>& windows);
// True while one of them runs. A switched-on notification timer is an armed one: with nothing
// armed no window has work, and the harness need not ask every window (its own cost would
// grow with the windows).
bool anyRunning(const std::vector<platform::ui::TimerControl*>& timers);

// The main view and the other windows' view classes.
inline const char* const kMainView = "Velumor.VelumorMainViewClass";
inline const std::vector<std::string>& otherViews() {
  static const std::vector<std::string> v = {
      "Velumor.VelumorDiagViewClass",       "Velumor.VelumorSimulationClass",
      "Velumor.VelumorDisplayTrendClass",   "Velumor.VelumorDisplayAnalogClass",
      "Velumor.VelumorDisplayDigitalClass", "Velumor.VelumorDisplayBarClass"};
  return v;
}

}  // namespace velumor::bench
