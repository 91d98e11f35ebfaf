#pragma once
// A scripted session against the simulated host in a private folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "apps/host_core/script_runner.h"
#include "apps/host_core/session_host.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/temp_dir.h"
#include "tolvar/controls/generic_view.h"
#include "tolvar/sim/host_session.h"

namespace reliab {

class ScriptSession : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::Services::headless().reset();
    tolvar::sim::HostOptions o;
    o.deviceFile = VELUMOR_DEVICE_FILE;
    o.databaseFile = dir / "data.sqlite";
    o.registryFile = dir / "registry.json";
    session = std::make_unique<tolvar::sim::HostSession>(o);
    // The table view, as the host registers it; the component's views are not registered here.
    session->registerBuiltinView("GenericView.GenericViewClass", [this] {
      auto* access = session->itemAccess();
      platform::com::Ptr<platform::com::Unknown> v =
          tolvar::controls::createGenericView([access] { return access->itemNames(); });
      return v;
    });
    host = std::make_unique<host_core::SimulatedHost>(*session);
  }
  void TearDown() override {
    host.reset();
    session.reset();
  }
  // Runs a script; returns its failures and leaves what it printed in `output`.
  int run(const std::string& script) {
    std::ostringstream out;
    host_core::ScriptRunner r(*host, out);
    r.setOutputDir(dir);
    const int failures = r.runText(script);
    output = out.str();
    return failures;
  }
  testsupport::TempDir temp{"reliab"};
  std::filesystem::path dir = temp.path();
  std::unique_ptr<tolvar::sim::HostSession> session;
  std::unique_ptr<host_core::SimulatedHost> host;
  std::string output;
};

// The process under a German locale, as the toolkit sets it from LANG=de_DE.UTF-8.
class GermanLocale {
 public:
  GermanLocale() {
    ::setenv("LOCPATH", VELUMOR_TEST_LOCPATH, 1);
    ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~GermanLocale() {
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
  }
  bool ok = false;
};

}  // namespace reliab
