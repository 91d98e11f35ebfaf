#pragma once
// Host-side timing on the event loop's clock. The host's own work (connecting, the steps of a
// record, the simulated meter's cycle) runs as jobs due at a time; one window timer on a hidden
// host form is armed for the earliest job, so host work interleaves with the views' timers in
// time order, on the manual clock of tests and scripts as on real time.
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "platform/com/ref.h"

namespace platform::ui {
class Form;
}

namespace tolvar::sim {

class HostScheduler {
 public:
  using JobId = uint64_t;
  // The hidden form that carries the host's timer; a front end has nothing to draw for it.
  static constexpr const char* kFormName = "TolvarHostTimerForm";

  HostScheduler();
  ~HostScheduler();
  HostScheduler(const HostScheduler&) = delete;
  HostScheduler& operator=(const HostScheduler&) = delete;

  // Runs `job` `delayMs` (at least 1) milliseconds from now. Jobs due at the same time run in
  // the order they were scheduled. A job may schedule and cancel jobs.
  JobId after(int64_t delayMs, std::function<void()> job);
  // Cancels a job that has not run yet; unknown ids are ignored.
  void cancel(JobId id);
  void cancelAll();
  bool pending(JobId id) const;
  size_t pendingCount() const { return jobs_.size(); }
  // The time the earliest job is due, -1 when none.
  int64_t nextDue() const;

 private:
  struct Key {
    int64_t due;
    JobId id;
    friend bool operator<(const Key& a, const Key& b) { return a.due != b.due ? a.due < b.due : a.id < b.id; }
  };
  void onTick();
  void rearm();

  platform::com::Ptr<platform::ui::Form> form_;
  std::map<Key, std::function<void()>> jobs_;
  std::map<JobId, int64_t> dueOf_;
  JobId nextId_ = 1;
  bool inTick_ = false;
};

}  // namespace tolvar::sim
