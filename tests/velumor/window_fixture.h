#pragma once
// A window of the component on a recording host, headless: the real host controls and lamp, a
// fake item manager and frame, and stand-ins that log what the window asks of them (help,
// message boxes, ReleaseItems, a child window's unload) into the host's call log, so the order
// of a shut-down can be read from one list. What the main and diagnosis windows' tests share.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/ref.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/support/fake_host.h"
#include "tests/support/scoped_lang.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/register.h"
#include "velumor/shared/vexaonoff.h"

namespace windowtest {

using platform::com::Ptr;
using platform::com::Variant;

// The owning view, as the view class would hand it over.
using FakeView = fakehost::NullView;

// Logs "Unload <label>" into the host's log as a window begins to unload, so the place of a
// window the view opened shows in the order of a shut-down.
class UnloadLogger : public platform::ui::FormObserver {
 public:
  UnloadLogger(std::string label, fakehost::CallLog& log) : label_(std::move(label)), log_(log) {}
  void formUnloading(platform::ui::Form&) override { log_.add(fakehost::Call{"Unload " + label_, {}}); }

 private:
  std::string label_;
  fakehost::CallLog& log_;
};

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

// `Form` made, in English, on a fresh recording host; open() hands the item manager over.
template <class Form>
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    english = std::make_unique<ScopedLang>("en");  // whatever the locale of the machine
    tolvar::controls::registerHostControls();
    velumor::shared::registerVexaOnOff();
    aim = platform::com::makeObject<fakehost::FakeItemManager>();
    services = std::make_unique<LoggingServices>(aim->log());
    platform::ui::Services::install(services.get(), services.get(), services.get(), services.get(),
                                    services.get(), services.get());
    platform::ui::EventLoop::instance().clearErrors();
    form = platform::com::makeObject<Form>();
  }

  void TearDown() override {
    if (form && form->isLoaded()) form->unload();
    form = nullptr;
    platform::ui::Services::installHeadless();
    services.reset();
    tolvar::controls::registerHostControls();
    english.reset();
  }

  // Hands the item manager over: the window loads inside this call, as it does for the host.
  void open() { ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0); }

  platform::ui::Control& ctl(std::string_view name, int32_t index = -1) { return form->ctl(name, index); }
  platform::ui::TabStripControl& tabs() { return form->tabStrip("MainTab"); }
  std::vector<std::string> tabKeys() {
    std::vector<std::string> keys;
    for (const platform::ui::Tab& t : tabs().tabs()) keys.push_back(t.key);
    return keys;
  }

  std::unique_ptr<ScopedLang> english;
  Ptr<fakehost::FakeItemManager> aim;
  std::unique_ptr<LoggingServices> services;
  Ptr<Form> form;
};

inline constexpr int32_t kDirtyHandle = 21;
inline constexpr int32_t kSaveOnExitHandle = 22;

// The window of `Fixture` opened and registered on a host that hands out kDirtyHandle and
// kSaveOnExitHandle, ready to be unloaded, with an item handler that logs ReleaseItems into the
// host's log, so its place in the order shows.
template <class Fixture>
class UnloadTest : public Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    fakehost::CallLog* log = &this->aim->log();
    platform::ui::UserControlRegistry::instance().add(tolvar::progid::ItemHandler, [log, this] {
      auto h = platform::com::makeObject<LoggingItemHandler>(*log);
      handler = h.get();
      return Ptr<platform::ui::UserControlImpl>(h);
    });
    beforeOpen();
    this->aim->nextHandleFor["&&private&&Dirty"] = kDirtyHandle;
    this->aim->nextHandleFor["SaveToDataBaseOnExit"] = kSaveOnExitHandle;
    this->aim->nextHandle = 100;  // no other item gets either handle
    this->aim->dd->properties["DevDescLong"] = "RQ4400 Coriolis";
    this->open();
    platform::ui::EventLoop::instance().advance(1);  // the registration tick
    ASSERT_EQ(this->aim->handleOf("&&private&&Dirty"), kDirtyHandle);
    ASSERT_EQ(this->aim->handleOf("SaveToDataBaseOnExit"), kSaveOnExitHandle);
    // The fake host offers no device menu and no item access to the host controls.
    platform::ui::EventLoop::instance().clearErrors();
    this->aim->log().clear();
  }
  // What a test's window is given before it opens.
  virtual void beforeOpen() {}

  // What the host answers for the dirty flag and the save-on-exit setting (as in SaveCase).
  void setHost(std::optional<bool> dirty, std::optional<double> saveOnExit) {
    this->aim->values.erase(kDirtyHandle);
    this->aim->values.erase(kSaveOnExitHandle);
    if (dirty) this->aim->values[kDirtyHandle] = Variant(*dirty);
    if (saveOnExit) this->aim->values[kSaveOnExitHandle] = Variant(*saveOnExit);
  }

  LoggingItemHandler* handler = nullptr;
};

// A case of the save question at the unload: what the host answers, and whether the user is asked.
struct SaveCase {
  const char* name;
  std::optional<bool> dirty;         // nullopt: GetBoolValue answers a non-zero status
  std::optional<double> saveOnExit;  // nullopt: GetValue answers a non-zero status
  bool asked;
};

}  // namespace windowtest
