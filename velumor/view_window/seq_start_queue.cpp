#include "velumor/view_window/seq_start_queue.h"

#include <exception>

#include "platform/ui/event_loop.h"
#include "tolvar/applet/applet.h"

namespace velumor::view_window {

SeqStartQueue::SeqStartQueue(platform::ui::Form& window, const ViewBinding& binding)
    : window_(window), binding_(binding) {}

void SeqStartQueue::queue(const std::string& name) {
  names_.push_back(name);
  platform::ui::TimerControl& t = window_.timer("SeqStartTimer");
  t.setProperty("Interval", kFirstAttemptMs);
  t.setProperty("Enabled", true);
}

void SeqStartQueue::tick() {
  platform::ui::TimerControl& t = window_.timer("SeqStartTimer");
  if (names_.empty()) {
    t.setProperty("Enabled", false);
    return;
  }
  const std::string head = names_.front();
  bool keep = false;
  try {
    platform::com::Ptr<tolvar::HostFrame> frame = binding_.frame(window_.name() + ".SeqStartTimer");
    int32_t result = 0;
    int32_t status = 0;
    frame->StartSequence(head, result, status);
    keep = result == tolvar::kHostBusy;
  } catch (const std::exception& e) {
    // A host that cannot take the head now would refuse it on every tick: it is dropped
    // and reported once, and the queue goes on at the normal pace.
    platform::ui::EventLoop::instance().reportError(window_.name() + ".SeqStartTimer_Timer",
                                                    "Sequence \"" + head + "\" not started: " + e.what());
  }
  // A handler run while the host was called may have unloaded the window.
  if (!window_.isLoaded()) return;
  // The handler may also have cleared or refilled the queue: only the head that was tried goes.
  // cppcheck-suppress knownConditionTrueFalse ; the host call above can change names_
  if (!keep && !names_.empty() && names_.front() == head) names_.pop_front();
  t.setProperty("Interval", kRetryMs);
}

void SeqStartQueue::clear() {
  names_.clear();
  if (window_.isLoaded()) window_.timer("SeqStartTimer").setProperty("Enabled", false);
}

std::string SeqStartQueue::text() const {
  std::string s;
  for (const std::string& n : names_) s += n + "\r\n";
  return s;
}

}  // namespace velumor::view_window
