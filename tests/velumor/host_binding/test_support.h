#pragma once
// Shared set-up of the host-binding tests: the manual clock, the controls the window designs
// place, and a recorder of a window's life.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/com/ref.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "tests/support/fake_host.h"
#include "tolvar/applet/applet.h"

namespace hbtest {

inline platform::ui::EventLoop& loop() {
  return platform::ui::EventLoop::instance();
}

// Advances the manual clock, running every timer that falls due.
inline void run(int64_t ms) {
  loop().advance(ms);
}

// Counts a form's loads and unloads and lets a test look at the form at those moments.
// Safe to outlive the form, and the form to outlive it.
class LifeRecorder : public platform::ui::FormObserver {
 public:
  explicit LifeRecorder(platform::ui::Form* form) : form_(form) {
    if (form_) form_->addFormObserver(this);
  }
  ~LifeRecorder() override {
    if (form_ && !destroyed_) form_->removeFormObserver(this);
  }
  LifeRecorder(const LifeRecorder&) = delete;
  LifeRecorder& operator=(const LifeRecorder&) = delete;

  void formLoaded(platform::ui::Form& f) override {
    ++loads;
    if (onLoad) onLoad(f);
  }
  void formUnloading(platform::ui::Form&) override { ++unloads; }
  void formDestroyed(platform::ui::Form&) override { destroyed_ = true; }

  bool formDestroyed() const { return destroyed_; }

  int loads = 0;
  int unloads = 0;
  std::function<void(platform::ui::Form&)> onLoad;  // runs just before Form_Load

 private:
  platform::ui::Form* form_;
  bool destroyed_ = false;
};

using DummyView = fakehost::NullView;

// Every host-binding test starts on the manual clock with no reported errors.
class HostBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().useManualClock();
    loop().drainPosted();
    loop().clearErrors();
  }

  platform::com::Ptr<fakehost::FakeItemManager> host = platform::com::makeObject<fakehost::FakeItemManager>();
};

}  // namespace hbtest
