#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/export.h"

namespace platform::ui {

class TimerControl;

// Where the loop has a timer in its firing order, held by the timer itself (a private member
// only the loop reaches): arming, firing and switching off then find it without a search and
// allocate nothing.
struct TimerSchedule {
  TimerControl* timer = nullptr;  // set at its first arming
  bool armed = false;
  int64_t dueUs = 0;
  int64_t intervalUs = 0;
  size_t place = 0;  // in the loop's heap, while armed
};

// Milliseconds since an arbitrary start; microseconds where the clock has them, so that a
// timer's deadlines do not drift by the rounding of each tick.
class PLAT_API Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t nowMs() const = 0;
  virtual int64_t nowUs() const { return nowMs() * 1000; }
};

// Time that moves only when told: tests and scripted sessions.
class PLAT_API ManualClock : public Clock {
 public:
  int64_t nowMs() const override { return now_; }
  void set(int64_t ms) { now_ = ms; }

 private:
  int64_t now_ = 0;
};

// Time as it passes, going on from `startUs` so that a switch of clocks never turns time back.
class PLAT_API RealClock : public Clock {
 public:
  explicit RealClock(int64_t startUs = 0);
  int64_t nowMs() const override;
  int64_t nowUs() const override;

 private:
  std::chrono::steady_clock::time_point start_;
  int64_t startUs_;
};

// The one user-interface thread's loop: window timers and posted work. It does not block:
// a driver (the script runner, a test, the front end's real-time tick) tells it when to run.
class PLAT_API EventLoop {
 public:
  static EventLoop& instance();

  // The clock in use; the loop starts on a manual clock.
  Clock& clock() const { return *clock_; }
  ManualClock* manualClock() const;
  void useManualClock();
  void useRealClock();
  int64_t now() const { return clock_->nowMs(); }

  // Work to run after the current call returns (host notifications travel this way).
  void post(std::function<void()> task);
  // Runs posted work until none is left (work posted meanwhile included).
  void drainPosted();
  bool hasPosted() const { return !posted_.empty(); }

  // Manual clock: advances by `ms`, firing every timer that falls due, in time order
  // (arming order among equal times), with posted work drained after each tick.
  void advance(int64_t ms);
  // Real clock: fires what is due now, in time order, and drains posted work. Timers keep
  // absolute deadlines: a loop that woke late fires a timer once for every interval that
  // has passed, each as its own tick, up to kMaxCatchUp intervals; a longer stall drops
  // the rest and the timer goes on one interval from now.
  void processDue();
  static constexpr int64_t kMaxCatchUp = 20;
  // Time until the next timer falls due (-1 when none), for drivers that sleep.
  int64_t msUntilNextTimer() const;
  // Called when work is posted or a timer armed, so that a driver that sleeps until the
  // next deadline wakes earlier when one comes; none by default.
  void setWakeHandler(std::function<void()> wake) { wake_ = std::move(wake); }

  // Timers arm themselves here: enabled with an interval > 0.
  void arm(TimerControl* timer, int64_t intervalMs);
  void disarm(TimerControl* timer);
  bool isArmed(const TimerControl* timer) const;
  int64_t dueAt(const TimerControl* timer) const;  // -1 when not armed
  size_t armedCount() const { return heap_.size(); }

  // True while the host shuts down: windows then close as at the end of the application
  // (unload mode 2).
  bool hostEnding() const { return hostEnding_; }
  void setHostEnding(bool ending) { hostEnding_ = ending; }

  // Reports an error that escaped an entry point (timer tick, user event, posted work).
  using ErrorSink = std::function<void(const std::string& where, const std::string& what)>;
  void setErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }
  void reportError(const std::string& where, const std::string& what);
  // Runs `f` as an entry point: an error escaping it is reported under `where` ("Run-time
  // error N: ..." for a run-time error) instead of reaching the caller.
  void runReported(const std::string& where, const std::function<void()>& f);
  // Errors reported so far (kept for tests and scripted sessions).
  const std::deque<std::string>& errors() const { return errors_; }
  void clearErrors() { errors_.clear(); }

 private:
  EventLoop();
  TimerControl* nextDue(int64_t untilUs) const;
  void fire(TimerControl* t);

  std::unique_ptr<Clock> ownedClock_;
  Clock* clock_;
  // The armed timers as a heap in firing order (due time, then arming order): the next tick
  // is at the top, and arming, firing and switching off move one timer by a few steps, with
  // no allocation, however many windows have timers armed.
  struct HeapEntry {
    int64_t dueUs;
    uint64_t seq;  // arming order: the earlier of two timers due at one time fires first
    TimerSchedule* schedule;
  };
  std::vector<HeapEntry> heap_;
  void schedule(TimerControl* timer, int64_t dueUs);
  void unschedule(TimerControl* timer);
  uint64_t seq_ = 0;
  std::deque<std::function<void()>> posted_;
  std::function<void()> wake_;
  ErrorSink errorSink_;
  bool hostEnding_ = false;
  std::deque<std::string> errors_;
};

}  // namespace platform::ui
