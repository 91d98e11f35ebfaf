#include "tolvar/sim/host_scheduler.h"

#include <algorithm>
#include <exception>
#include <string>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"

namespace tolvar::sim {

namespace {

// The host's hidden form: it is never shown and only carries the host's timer.
const char* kSchedulerDesign = R"({
  "form": {"name": "TolvarHostTimerForm", "props": {"Caption": "Tolvar host timers"}},
  "controls": [
    {"name": "HostTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}}
  ]
})";

// Window timers take at most 65535 ms; a later job is looked at again after that long.
constexpr int64_t kMaxInterval = 65535;

}  // namespace

HostScheduler::HostScheduler()
    : form_(platform::com::makeObject<platform::ui::Form>(kFormName, kSchedulerDesign)) {
  form_->ensureLoaded();
  form_->on("HostTimer", "Timer", [this] { onTick(); });
}

HostScheduler::~HostScheduler() {
  jobs_.clear();
  dueOf_.clear();
  try {
    form_->timer("HostTimer").setProperty("Enabled", false);
    form_->unload();
  } catch (const std::exception&) {
    // A form that cannot unload still disarms its timer when it is destroyed.
  }
  form_ = nullptr;
}

HostScheduler::JobId HostScheduler::after(int64_t delayMs, std::function<void()> job) {
  const int64_t due = platform::ui::EventLoop::instance().now() + std::max<int64_t>(1, delayMs);
  const JobId id = nextId_++;
  jobs_.emplace(Key{due, id}, std::move(job));
  dueOf_[id] = due;
  if (!inTick_) rearm();
  return id;
}

void HostScheduler::cancel(JobId id) {
  auto it = dueOf_.find(id);
  if (it == dueOf_.end()) return;
  jobs_.erase(Key{it->second, id});
  dueOf_.erase(it);
  if (!inTick_) rearm();
}

void HostScheduler::cancelAll() {
  jobs_.clear();
  dueOf_.clear();
  if (!inTick_) rearm();
}

bool HostScheduler::pending(JobId id) const {
  return dueOf_.count(id) != 0;
}

int64_t HostScheduler::nextDue() const {
  return jobs_.empty() ? -1 : jobs_.begin()->first.due;
}

void HostScheduler::onTick() {
  auto& loop = platform::ui::EventLoop::instance();
  inTick_ = true;
  // Jobs scheduled by a job for the same instant run in this tick too, after it.
  for (int guard = 0; guard < 100000 && !jobs_.empty(); ++guard) {
    auto it = jobs_.begin();
    if (it->first.due > loop.now()) break;
    auto job = std::move(it->second);
    dueOf_.erase(it->first.id);
    jobs_.erase(it);
    try {
      job();
    } catch (const platform::com::RuntimeError& e) {
      loop.reportError("host timer", "Run-time error " + std::to_string(e.number()) + ": " + e.description());
    } catch (const std::exception& e) {
      loop.reportError("host timer", e.what());
    }
  }
  inTick_ = false;
  rearm();
}

void HostScheduler::rearm() {
  if (!form_) return;
  auto& timer = form_->timer("HostTimer");
  if (jobs_.empty()) {
    timer.setProperty("Enabled", false);
    return;
  }
  auto& loop = platform::ui::EventLoop::instance();
  const int64_t due = jobs_.begin()->first.due;
  const int64_t armedAt = loop.dueAt(&timer);
  if (armedAt >= 0 && armedAt == due) return;  // already armed for exactly this job
  const int64_t interval = std::clamp<int64_t>(due - loop.now(), 1, kMaxInterval);
  // Setting the interval restarts the count from now.
  timer.setProperty("Interval", static_cast<int32_t>(interval));
  timer.setProperty("Enabled", true);
}

}  // namespace tolvar::sim
