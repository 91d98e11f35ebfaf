#include "platform/ui/event_loop.h"

#include <algorithm>
#include <cstdio>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace platform::ui {

namespace {

// How an error that escaped an entry point is reported.
std::string errorText(const std::exception& e) {
  if (auto* r = dynamic_cast<const platform::com::RuntimeError*>(&e))
    return "Run-time error " + std::to_string(r->number()) + ": " + r->description();
  return e.what();
}

}  // namespace

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}
int64_t RealClock::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
      .count();
}
int64_t RealClock::nowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_)
      .count();
}

EventLoop& EventLoop::instance() {
  static EventLoop loop;
  return loop;
}

EventLoop::EventLoop() : ownedClock_(std::make_unique<ManualClock>()), clock_(ownedClock_.get()) {}

ManualClock* EventLoop::manualClock() const {
  return dynamic_cast<ManualClock*>(clock_);
}

void EventLoop::useManualClock() {
  if (manualClock()) return;
  auto c = std::make_unique<ManualClock>();
  c->set(clock_->nowMs());
  ownedClock_ = std::move(c);
  clock_ = ownedClock_.get();
}

void EventLoop::useRealClock() {
  int64_t before = clock_->nowUs();
  auto c = std::make_unique<RealClock>();
  // Keep armed timers' due times meaningful on the new time base.
  int64_t shift = c->nowUs() - before;
  order_.clear();
  for (auto& [t, a] : timers_) {
    a.dueUs += shift;
    schedule(t, a);
  }
  ownedClock_ = std::move(c);
  clock_ = ownedClock_.get();
}

void EventLoop::post(std::function<void()> task) {
  posted_.push_back(std::move(task));
}

void EventLoop::drainPosted() {
  // Bounded, so that work that keeps posting more cannot hang the caller.
  for (int guard = 0; !posted_.empty() && guard < 100000; ++guard) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    runReported("posted work", task);
  }
}

void EventLoop::schedule(TimerControl* timer, const Armed& a) {
  order_.emplace(a.dueUs, a.seq, timer);
}

void EventLoop::unschedule(TimerControl* timer, const Armed& a) {
  order_.erase(std::make_tuple(a.dueUs, a.seq, timer));
}

void EventLoop::arm(TimerControl* timer, int64_t intervalMs) {
  const Armed a{clock_->nowUs() + intervalMs * 1000, ++seq_, intervalMs * 1000};
  auto [it, fresh] = timers_.try_emplace(timer, a);
  if (!fresh) {
    unschedule(timer, it->second);
    it->second = a;
  }
  schedule(timer, a);
}

void EventLoop::disarm(TimerControl* timer) {
  auto it = timers_.find(timer);
  if (it == timers_.end()) return;
  unschedule(timer, it->second);
  timers_.erase(it);
}

bool EventLoop::isArmed(const TimerControl* timer) const {
  return timers_.count(const_cast<TimerControl*>(timer)) != 0;
}

int64_t EventLoop::dueAt(const TimerControl* timer) const {
  auto it = timers_.find(const_cast<TimerControl*>(timer));
  return it == timers_.end() ? -1 : it->second.dueUs / 1000;
}

TimerControl* EventLoop::nextDue(int64_t untilUs) const {
  // The first in firing order that is due and whose handler is not running.
  for (const auto& [dueUs, seq, t] : order_) {
    if (dueUs > untilUs) break;
    if (!t->running()) return t;
  }
  return nullptr;
}

void EventLoop::fire(TimerControl* t) {
  // The next tick is due one interval after this one; a handler that re-arms
  // (enables or sets the interval) restarts the count from now instead. A timer that
  // has fallen further behind than the catch-up allows goes on from now.
  auto it = timers_.find(t);
  Armed& a = it->second;
  unschedule(t, a);
  const int64_t nowUs = clock_->nowUs();
  a.dueUs += a.intervalUs;
  if (nowUs - a.dueUs >= kMaxCatchUp * a.intervalUs) a.dueUs = nowUs + a.intervalUs;
  a.seq = ++seq_;
  schedule(t, a);
  platform::com::Ptr<Form> keep(&t->form());
  // The tick's name is only built when an error is reported under it.
  auto where = [t] { return t->form().name() + "." + t->qualifiedName() + "_Timer"; };
  try {
    t->fire();
  } catch (const std::exception& e) {
    reportError(where(), errorText(e));
  }
  drainPosted();
}

void EventLoop::advance(int64_t ms) {
  ManualClock* mc = manualClock();
  if (!mc) return;
  // The clock is a signed count of milliseconds; it must never wrap. Half its range leaves
  // room for every timer's next due time beyond the end.
  constexpr int64_t kClockEnd = std::numeric_limits<int64_t>::max() / 2;
  if (ms > kClockEnd - mc->nowMs()) throw std::out_of_range("the clock cannot advance that far");
  drainPosted();
  int64_t target = mc->nowMs() + (ms > 0 ? ms : 0);
  // Bounded: a 1 ms timer over a long run is many ticks, but never unbounded.
  for (int64_t guard = 0; guard < 50'000'000; ++guard) {
    TimerControl* t = nextDue(target * 1000);
    if (!t) break;
    int64_t due = timers_[t].dueUs / 1000;
    if (due > mc->nowMs()) mc->set(due);
    fire(t);
  }
  mc->set(target);
  drainPosted();
}

void EventLoop::processDue() {
  drainPosted();
  // What is due up to now, in time order; later deadlines wait for the next call, so slow
  // handlers cannot keep this call going. Bounded for the same reason.
  const int64_t nowUs = clock_->nowUs();
  for (int guard = 0; guard < 10000; ++guard) {
    TimerControl* t = nextDue(nowUs);
    if (!t) break;
    fire(t);
  }
  drainPosted();
}

int64_t EventLoop::msUntilNextTimer() const {
  // The earliest deadline is the first in firing order.
  if (order_.empty()) return -1;
  const int64_t nowUs = clock_->nowUs();
  return std::max<int64_t>(0, (std::get<0>(*order_.begin()) - nowUs + 999) / 1000);
}

void EventLoop::reportError(const std::string& where, const std::string& what) {
  std::string line = where + ": " + what;
  errors_.push_back(line);
  if (errors_.size() > 1000) errors_.pop_front();
  if (errorSink_)
    errorSink_(where, what);
  else
    std::fprintf(stderr, "velumor: %s\n", line.c_str());
}

void EventLoop::runReported(const std::string& where, const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    reportError(where, errorText(e));
  }
}

}  // namespace platform::ui
