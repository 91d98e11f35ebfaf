#pragma once
// Shared ground of the simulated host's tests: a view that records what the host tells it,
// a private folder, and a session on the manual clock with its own database and registry.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/event_loop.h"
#include "tests/support/temp_dir.h"
#include "tolvar/applet/applet.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/item_store.h"
#include "tolvar/sim/rq4400_simulator.h"
#include "tolvar/sim/sequence_engine.h"
#include "tolvar/sim/status.h"

namespace simtest {

using platform::com::Ptr;
using platform::com::Variant;
using tolvar::AppletItemManager;
using tolvar::View;

struct Notification {
  int32_t handle;
  bool shadow;
  int32_t state;
  int32_t userLong;
  double value;  // the item's value read when the notification arrived (NaN when unreadable)
  bool duringOwnCall;
};

// A view that records every NotifyChanged and reads the notified item's value at that moment.
class RecordingView : public View {
 public:
  RecordingView() = default;
  int32_t SetAppletItemManagRef(int32_t handle, Ptr<AppletItemManager> aim) override {
    viewHandle = handle;
    itemManager = aim;
    if (onAttach) onAttach(*this);
    return attachStatus;
  }
  int32_t Show() override {
    ++shows;
    return 0;
  }
  int32_t Hide() override { return 0; }
  int32_t Destroy() override {
    ++destroys;
    if (onDestroy) onDestroy();
    if (destroyStatus != 0) return destroyStatus;  // refused, as a window's close guard can
    if (itemManager && releaseOnDestroy) {
      int32_t st = 0;
      itemManager->ReleaseView(Ptr<View>(this), st);
    }
    return 0;
  }
  int32_t NotifyChanged(int32_t h, bool shadow, int32_t state, int32_t userLong) override {
    double v = std::nan("");
    if (itemManager) {
      int32_t st = 0;
      double d = 0;
      itemManager->GetValueEx(h, d, shadow, st);
      if (st == 0) v = d;
    }
    notes.push_back(Notification{h, shadow, state, userLong, v, inOwnCall});
    if (onNotify) onNotify(notes.back());
    return 0;
  }

  // Runs `f` as the view's own call into the host, marking notifications that would arrive inside it.
  template <class F>
  void ownCall(F&& f) {
    inOwnCall = true;
    f();
    inOwnCall = false;
  }

  int32_t registerItem(const std::string& name, int32_t userLong = 0, bool shadow = false) {
    int32_t h = 0, st = 0;
    itemManager->RegisterItem(name, shadow, viewHandle, h, userLong, 0, st);
    lastStatus = st;
    return h;
  }
  std::vector<Notification> notesFor(int32_t handle) const {
    std::vector<Notification> out;
    for (const auto& n : notes)
      if (n.handle == handle) out.push_back(n);
    return out;
  }
  std::vector<double> valuesFor(int32_t handle) const {
    std::vector<double> out;
    for (const auto& n : notes)
      if (n.handle == handle) out.push_back(n.value);
    return out;
  }

  int32_t viewHandle = 0;
  Ptr<AppletItemManager> itemManager;
  std::vector<Notification> notes;
  std::function<void(RecordingView&)> onAttach;
  std::function<void(const Notification&)> onNotify;
  std::function<void()> onDestroy;
  int32_t attachStatus = 0;
  int32_t destroyStatus = 0;
  int32_t lastStatus = 0;
  int shows = 0;
  int destroys = 0;
  bool releaseOnDestroy = true;
  bool inOwnCall = false;
};

inline constexpr char kRecordingProgId[] = "Test.RecordingViewClass";

using testsupport::TempDir;

inline tolvar::sim::HostOptions testOptions(const TempDir& dir) {
  tolvar::sim::HostOptions o;
  o.deviceFile = TOLVAR_SIM_DEVICE_FILE;
  o.databaseFile = dir / "data" / "datasets.sqlite";
  o.registryFile = dir / "registry.json";
  o.databaseBusyTimeoutMs = 20;
  return o;
}

// A session on the manual clock, with a recording view class the host can create by ProgID.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().useManualClock();
    loop().drainPosted();
    session = std::make_unique<tolvar::sim::HostSession>(testOptions(dir));
    session->registerBuiltinView(kRecordingProgId,
                                 [] { return Ptr<platform::com::Unknown>(new RecordingView()); });
  }
  void TearDown() override {
    session.reset();
    loop().drainPosted();
  }

  static platform::ui::EventLoop& loop() { return platform::ui::EventLoop::instance(); }
  void run(int64_t ms) { loop().advance(ms); }
  void drain() { loop().drainPosted(); }

  // Opens a recording view through the session, as a host opens a view.
  RecordingView& openRecordingView() {
    auto opened = session->openView(kRecordingProgId);
    EXPECT_TRUE(opened.ok()) << opened.text();
    Ptr<View> v = opened ? opened.value() : Ptr<View>();
    views.push_back(v);
    return *static_cast<RecordingView*>(v.get());
  }

  double value(const std::string& name) {
    auto v = session->itemValue(name);
    return v ? v->toDouble() : std::nan("");
  }
  void set(const std::string& name, const Variant& v) {
    const auto set = session->setItem(name, v, false);
    ASSERT_TRUE(set.ok()) << set.text();
  }
  void connect() {
    session->frameOperations().connect();
    run(tolvar::sim::HostSession::kConnectMs + 1);
    ASSERT_EQ(session->connectionState(), tolvar::Connected);
  }
  // Runs the clock until no sequence runs (at most `limit` ms).
  void runUntilIdle(int64_t limit = 20000) {
    for (int64_t t = 0; t < limit && session->sequences().busy(); t += 10) run(10);
  }

  TempDir dir;
  std::unique_ptr<tolvar::sim::HostSession> session;
  std::vector<Ptr<View>> views;
};

}  // namespace simtest
