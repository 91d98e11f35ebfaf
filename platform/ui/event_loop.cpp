#include "platform/ui/event_loop.h"

#include <algorithm>
#include <cstdio>
#include <vector>

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

// The order of the loop's heap: due time, then arming order. The heap holds each timer's key
// beside it, so that finding a timer's place reads one array.
template <class Entry>
bool firesBefore(const Entry& a, const Entry& b) {
  return a.dueUs < b.dueUs || (a.dueUs == b.dueUs && a.seq < b.seq);
}

template <class Entry>
void put(std::vector<Entry>& heap, size_t place, const Entry& e) {
  heap[place] = e;
  e.schedule->place = place;
}

template <class Entry>
void siftUp(std::vector<Entry>& heap, size_t place) {
  const Entry e = heap[place];
  while (place > 0) {
    const size_t parent = (place - 1) / 2;
    if (!firesBefore(e, heap[parent])) break;
    put(heap, place, heap[parent]);
    place = parent;
  }
  put(heap, place, e);
}

template <class Entry>
void siftDown(std::vector<Entry>& heap, size_t place) {
  const Entry e = heap[place];
  const size_t n = heap.size();
  for (;;) {
    size_t child = 2 * place + 1;
    if (child >= n) break;
    if (child + 1 < n && firesBefore(heap[child + 1], heap[child])) ++child;
    if (!firesBefore(heap[child], e)) break;
    put(heap, place, heap[child]);
    place = child;
  }
  put(heap, place, e);
}

}  // namespace

RealClock::RealClock(int64_t startUs) : start_(std::chrono::steady_clock::now()), startUs_(startUs) {}
int64_t RealClock::nowMs() const {
  return nowUs() / 1000;
}
int64_t RealClock::nowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_)
             .count() +
         startUs_;
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
  auto c = std::make_unique<RealClock>(before);
  // Keep armed timers' due times meaningful on the new time base.
  int64_t shift = c->nowUs() - before;
  // Each is armed again in firing order, so that their order stays.
  std::vector<HeapEntry> armed = heap_;
  std::sort(armed.begin(), armed.end(), firesBefore<HeapEntry>);
  for (const HeapEntry& e : armed) schedule(e.schedule->timer, e.dueUs + shift);
  ownedClock_ = std::move(c);
  clock_ = ownedClock_.get();
}

void EventLoop::post(std::function<void()> task) {
  posted_.push_back(std::move(task));
  if (wake_ && posted_.size() == 1) wake_();
}

void EventLoop::drainPosted() {
  // Bounded, so that work that keeps posting more cannot hang the caller.
  for (int guard = 0; !posted_.empty() && guard < 100000; ++guard) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    runReported("posted work", task);
  }
}

void EventLoop::schedule(TimerControl* timer, int64_t dueUs) {
  // Every arming goes behind everything armed so far for the same time.
  TimerSchedule& s = timer->schedule_;
  s.timer = timer;
  s.dueUs = dueUs;
  const HeapEntry e{dueUs, ++seq_, &s};
  if (s.armed) {
    // Most timers go on one interval from now, behind every other: down from where it was.
    heap_[s.place] = e;
    siftDown(heap_, s.place);
    siftUp(heap_, s.place);
    return;
  }
  s.armed = true;
  heap_.push_back(e);
  siftUp(heap_, heap_.size() - 1);
}

void EventLoop::unschedule(TimerControl* timer) {
  TimerSchedule& s = timer->schedule_;
  if (!s.armed) return;
  s.armed = false;
  const HeapEntry last = heap_.back();
  heap_.pop_back();
  if (last.schedule == &s) return;
  put(heap_, s.place, last);
  siftDown(heap_, last.schedule->place);
  siftUp(heap_, last.schedule->place);
}

void EventLoop::arm(TimerControl* timer, int64_t intervalMs) {
  timer->schedule_.intervalUs = intervalMs * 1000;
  schedule(timer, clock_->nowUs() + intervalMs * 1000);
  if (wake_) wake_();
}

void EventLoop::disarm(TimerControl* timer) {
  unschedule(timer);
}

bool EventLoop::isArmed(const TimerControl* timer) const {
  return timer->schedule_.armed;
}

int64_t EventLoop::dueAt(const TimerControl* timer) const {
  return timer->schedule_.armed ? timer->schedule_.dueUs / 1000 : -1;
}

TimerControl* EventLoop::nextDue(int64_t untilUs) const {
  // The first in firing order that is due and whose handler is not running: the top, unless
  // a tick runs the loop from inside its own handler.
  if (heap_.empty() || heap_.front().dueUs > untilUs) return nullptr;
  if (!heap_.front().schedule->timer->running()) return heap_.front().schedule->timer;
  const HeapEntry* first = nullptr;
  for (const HeapEntry& e : heap_)
    if (e.dueUs <= untilUs && !e.schedule->timer->running() && (!first || firesBefore(e, *first))) first = &e;
  return first ? first->schedule->timer : nullptr;
}

void EventLoop::fire(TimerControl* t) {
  // The next tick is due one interval after this one; a handler that re-arms
  // (enables or sets the interval) restarts the count from now instead. A timer that
  // has fallen further behind than the catch-up allows goes on from now.
  const TimerSchedule& s = t->schedule_;
  const int64_t nowUs = clock_->nowUs();
  int64_t dueUs = s.dueUs + s.intervalUs;
  if (nowUs - dueUs >= kMaxCatchUp * s.intervalUs) dueUs = nowUs + s.intervalUs;
  schedule(t, dueUs);
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
    int64_t due = t->schedule_.dueUs / 1000;
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
  if (heap_.empty()) return -1;
  const int64_t nowUs = clock_->nowUs();
  return std::max<int64_t>(0, (heap_.front().dueUs - nowUs + 999) / 1000);
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
