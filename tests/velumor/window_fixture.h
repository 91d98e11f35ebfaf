#pragma once
// A window of the component on a recording host, headless: the host's stand-ins that log what
// the window asks of them (help, message boxes, ReleaseItems, a child window's unload) into the
// host's call log, so the order of a shut-down can be read from one list.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/support/fake_host.h"
#include "tests/support/null_host.h"
#include "tolvar/applet/control_ids.h"

namespace windowtest {

using platform::com::Variant;

// The owning view, as the view class would hand it over.
using FakeView = testsupport::NullView;

// Headless services whose help and message-box requests also go into a call log.
class LoggingServices : public platform::ui::HeadlessServices {
 public:
  explicit LoggingServices(fakehost::CallLog& log) : log_(log) {}
  int32_t show(const std::string& text, int32_t style, const std::string& title) override {
    log_.add(fakehost::Call{"MsgBox", {Variant(text), Variant(style), Variant(title)}});
    return HeadlessServices::show(text, style, title);
  }
  void help(const std::string& helpFile, int32_t command, const std::string& key) override {
    log_.add(fakehost::Call{"Help", {Variant(helpFile), Variant(command)}});
    HeadlessServices::help(helpFile, command, key);
  }

 private:
  fakehost::CallLog& log_;
};

// An item handler that logs ReleaseItems (called by its dispatch number) into the host's log.
class LoggingItemHandler : public platform::ui::UserControlImpl {
 public:
  explicit LoggingItemHandler(fakehost::CallLog& log) : log_(log) {}
  std::string kind() const override { return "Tolvar4CtrlItemHandler"; }
  std::vector<std::pair<std::string, Variant>> snapshot() const override { return {}; }
  int32_t idOfName(std::string_view name) const override {
    if (platform::com::equalsNoCase(name, "ReleaseItems")) return tolvar::dispid::ReleaseItems;
    if (platform::com::equalsNoCase(name, "BindItems")) return tolvar::dispid::BindItems;
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  Variant invoke(int32_t id, platform::com::InvokeKind kind, std::span<Variant> args) override {
    if (id == tolvar::dispid::ReleaseItems && kind == platform::com::InvokeKind::Method && args.empty()) {
      log_.add(fakehost::Call{"ReleaseItems", {}});
      if (failRelease) platform::com::raise(platform::com::err::InvalidProcedureCall);
      return Variant();
    }
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  bool failRelease = false;

 private:
  fakehost::CallLog& log_;
};

// A child window (About, service, read-me) that logs its unload.
class LoggingChildWindow : public platform::ui::Form {
 public:
  LoggingChildWindow(std::string name, fakehost::CallLog& log)
      : Form(std::move(name), R"({"form": {"name": "Child", "props": {}}, "controls": []})"), log_(log) {}

 protected:
  void Form_Unload(int16_t&) override { log_.add(fakehost::Call{"Unload " + name(), {}}); }

 private:
  fakehost::CallLog& log_;
};

}  // namespace windowtest
