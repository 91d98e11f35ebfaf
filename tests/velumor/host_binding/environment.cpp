// The controls the window designs place: the component's real lamp and stand-ins for the
// host's controls.
#include <gtest/gtest.h>

#include "tests/support/fake_host.h"
#include "velumor/shared/vexaonoff.h"

namespace {

class Controls : public ::testing::Environment {
 public:
  void SetUp() override {
    velumor::shared::registerVexaOnOff();
    fakehost::registerFakeHostControls();
  }
};

[[maybe_unused]] const auto* const kControls = ::testing::AddGlobalTestEnvironment(new Controls);

}  // namespace
