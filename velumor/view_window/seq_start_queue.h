#pragma once
// The sequence-start queue of a view window: host sequences are never started from a click
// or a host call-back, but queued by name and started one per tick of the window's
// "SeqStartTimer", outside every handler. First attempt 1 ms after a name was queued, then
// every 100 ms; a busy host (&H804A0001) keeps the head for the next tick, without limit;
// any other answer removes it. A tick that finds the queue empty switches the timer off.
#include <cstdint>
#include <deque>
#include <string>

#include "platform/ui/form.h"
#include "velumor/view_window/view_binding.h"

namespace velumor::view_window {

class SeqStartQueue {
 public:
  static constexpr int32_t kFirstAttemptMs = 1;
  static constexpr int32_t kRetryMs = 100;

  // `window` carries "SeqStartTimer"; the binding gives the host frame for each start.
  SeqStartQueue(platform::ui::Form& window, const ViewBinding& binding);

  // Appends `name` and sets the timer to its first attempt (1 ms), which also brings the
  // next attempt of a waiting head forward; the order does not change.
  void queue(const std::string& name);
  // One tick: tries the head with StartSequence.
  void tick();
  // Drops every pending name and stops the timer (the window's unload).
  void clear();

  // The pending names as one text, each followed by CR LF, oldest first.
  std::string text() const;
  const std::deque<std::string>& pending() const { return names_; }

 private:
  platform::ui::Form& window_;
  const ViewBinding& binding_;
  std::deque<std::string> names_;
};

}  // namespace velumor::view_window
