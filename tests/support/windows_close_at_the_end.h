#pragma once
// A shown window lives until it is unloaded, as a window of the platform does. Tests that show
// windows and let go of them include this: the windows still open when the tests are over close
// as an application's windows do at its end, so that none is left behind.
#include <gtest/gtest.h>

#include "platform/ui/control.h"
#include "platform/ui/form.h"

namespace testsupport {

class WindowsCloseAtTheEnd : public ::testing::Environment {
 public:
  void TearDown() override {
    for (platform::ui::Form* f : platform::ui::allForms())
      if (f->isLoaded()) f->unload(platform::ui::kUnloadAppWindows);
  }
};

inline const bool kWindowsCloseAtTheEnd = [] {
  ::testing::AddGlobalTestEnvironment(new WindowsCloseAtTheEnd);
  return true;
}();

}  // namespace testsupport
