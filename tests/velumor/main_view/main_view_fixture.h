#pragma once
#include "tests/support/scoped_lang.h"
#include "tests/velumor/window_fixture.h"
// The main window on a scripted host: the real host controls (so captions and flags are
// read back through the controls' own members), the real lamp, a fake item manager and
// frame, and headless services that also log help and message-box requests into the
// host's call log, so the order of a shut-down can be read from one list.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/ref.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/support/fake_host.h"
#include "tests/support/main_view_access.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/register.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/vexaonoff.h"

namespace mainview_test {

using platform::com::Ptr;
using platform::com::Variant;

using ::ScopedLang;
// The window's private state, for the few checks of what the user cannot see.
using MainAccess = velumor::view_window::TestAccess<velumor::main_view::VelumorMainViewForm>;

// A string table source as the build compiles it: `id "text"` lines after a LANGUAGE line.
inline std::map<int32_t, std::string> readStringTable(const std::string& language) {
  const std::string path = std::string(VELUMOR_STRINGS_DIR) + "/" + language + ".txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::map<int32_t, std::string> table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] < '0' || line[0] > '9') continue;
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    if (open == std::string::npos || close <= open) continue;
    std::string text;
    for (size_t i = open + 1; i < close; ++i) {
      if (line[i] != '\\' || i + 1 >= close) {
        text += line[i];
        continue;
      }
      const char e = line[++i];
      text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
    }
    table[std::stoi(line.substr(0, open))] = text;
  }
  return table;
}

using windowtest::FakeView;
using windowtest::LoggingItemHandler;
using windowtest::LoggingServices;

class MainViewTest : public windowtest::WindowTest<velumor::main_view::VelumorMainViewForm> {
 protected:
  // What a host control shows, by the control's member name.
  Variant hostProperty(std::string_view name, int32_t index, std::string_view member) {
    return ctl(name, index).evalPath(member);
  }
  // The user selects a tab (the strip is visible once the registration tick has run).
  void clickTab(std::string_view key) {
    form->show();
    ctl("MainTab").setVisible(true);
    ASSERT_TRUE(form->userSelectTab(tabs(), Variant(key)));
  }
  void expectFitsTabClientArea(std::string_view frame) {
    platform::ui::TabStripControl& t = tabs();
    platform::ui::Control& f = ctl(frame);
    EXPECT_FLOAT_EQ(f.top(), t.clientTop()) << frame;
    EXPECT_FLOAT_EQ(f.left(), t.clientLeft()) << frame;
    EXPECT_FLOAT_EQ(f.width(), t.clientWidth()) << frame;
    EXPECT_FLOAT_EQ(f.height(), t.clientHeight()) << frame;
  }
};

// A host frame operation that exists: called with any argument it refuses the call with
// error 450, as an operation without parameters does.
inline fakehost::ByName::Fn operationWithoutArguments() {
  return [](std::span<Variant> args) -> Variant {
    if (!args.empty()) platform::com::raise(platform::com::err::WrongArgumentCount);
    return Variant();
  };
}

}  // namespace mainview_test
