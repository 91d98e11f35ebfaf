// The view-window skeleton: attaching to the host, the notification queue and its tick, the
// registration tick, and the end of the unload.
#include "velumor/view_window/view_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "platform/com/error.h"
#include "tests/support/kit_access.h"
#include "tests/velumor/host_binding/test_support.h"

namespace {

using fakehost::Call;
using hbtest::HostBindingTest;
using hbtest::run;
using platform::com::makeObject;
using platform::com::Ptr;
using velumor::view_window::VELUMOR_Notify_Type;

constexpr int32_t kHostFailure = static_cast<int32_t>(0x80004005u);

const char* kTestDesign = R"({
  "form": {"name": "TestViewForm", "props": {"Caption": "Test", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [
    {"name": "RegisterTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}},
    {"name": "NotifyTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}},
    {"name": "SeqStartTimer", "type": "Timer", "container": "", "props": {"Interval": 100, "Enabled": false}}
  ]
})";

// A window on the skeleton that records what its load, registration and dispatch see.
class TestViewForm : public velumor::view_window::ViewWindow {
 public:
  TestViewForm() : ViewWindow("TestViewForm", kTestDesign) {}

  int loads = 0;
  bool loadSawItemManager = false;
  bool loadSawDeviceDescription = false;
  int32_t loadSawViewHandle = -1;
  int registrations = 0;
  bool registerTimerOnDuringRegister = true;
  std::vector<VELUMOR_Notify_Type> dispatched;
  std::function<void(const VELUMOR_Notify_Type&)> onDispatch;

  platform::ui::TimerControl& notifyTimer() { return timer("NotifyTimer"); }

 protected:
  void Form_Load() override {
    ++loads;
    loadSawItemManager = binding().itemManager() != nullptr;
    loadSawDeviceDescription = binding().deviceDescription() != nullptr;
    loadSawViewHandle = binding().viewHandle();
    createNotifyQueue();
  }
  void Register() override {
    ++registrations;
    registerTimerOnDuringRegister = timer("RegisterTimer").isEnabled();
  }
  void Dispatch(const VELUMOR_Notify_Type& record) override {
    dispatched.push_back(record);
    if (onDispatch) onDispatch(record);
  }
};

class ViewWindowTest : public HostBindingTest {
 protected:
  Ptr<TestViewForm> window = makeObject<TestViewForm>();
};

TEST_F(ViewWindowTest, LoadsInsideSetAppletItemManagRefWithTheHostReferencesAlreadyKept) {
  ASSERT_FALSE(window->isLoaded());
  EXPECT_EQ(window->SetAppletItemManagRef(42, host), 0);

  EXPECT_TRUE(window->isLoaded());
  EXPECT_FALSE(window->visible());  // loaded, not shown
  EXPECT_EQ(window->loads, 1);
  EXPECT_TRUE(window->loadSawItemManager);
  EXPECT_TRUE(window->loadSawDeviceDescription);
  EXPECT_EQ(window->loadSawViewHandle, 42);
  EXPECT_EQ(window->binding().itemManager(), host.get());
  EXPECT_EQ(window->binding().deviceDescription(), host->dd.get());
  // Inside the host's call only the device description is asked for; registration waits.
  EXPECT_EQ(host->log().ops(), std::vector<std::string>{"GetDDObject"});
  EXPECT_EQ(window->registrations, 0);
  ASSERT_TRUE(window->binding().hasQueue());
  EXPECT_TRUE(window->binding().queue()->empty());
}

TEST_F(ViewWindowTest, RegistrationTickRunsOnceAfterOneMillisecond) {
  window->SetAppletItemManagRef(1, host);
  platform::ui::TimerControl& t = window->timer("RegisterTimer");
  EXPECT_TRUE(t.isEnabled());
  EXPECT_EQ(t.interval(), 1);

  run(1);
  EXPECT_EQ(window->registrations, 1);
  EXPECT_FALSE(window->registerTimerOnDuringRegister);  // switched off before registering
  EXPECT_FALSE(t.isEnabled());
  run(50);
  EXPECT_EQ(window->registrations, 1);
}

TEST_F(ViewWindowTest, FailingGetDDObjectReachesTheCallerBeforeTheWindowLoads) {
  host->failures.set("GetDDObject", kHostFailure);
  try {
    window->SetAppletItemManagRef(5, host);
    FAIL() << "the failure of GetDDObject was swallowed";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.resultCode(), kHostFailure);
  }
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(window->binding().viewHandle(), 0);  // the steps after the failing call did not run
  EXPECT_FALSE(window->binding().hasQueue());
}

TEST_F(ViewWindowTest, MissingItemManagerIsObjectNotSet) {
  try {
    window->SetAppletItemManagRef(5, nullptr);
    FAIL() << "a null item manager was accepted";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::ObjectNotSet);
  }
  EXPECT_FALSE(window->isLoaded());
}

TEST_F(ViewWindowTest, NotificationsBeforeTheLoadAreDroppedWithoutLoadingTheWindow) {
  EXPECT_EQ(window->NotifyChanged(7, false, 1, 0), 0);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_FALSE(window->binding().hasQueue());

  window->SetAppletItemManagRef(1, host);
  EXPECT_TRUE(window->binding().queue()->empty());
  run(10);
  EXPECT_TRUE(window->dispatched.empty());
}

TEST_F(ViewWindowTest, QueueIsWorkedOffOneRecordPerTickInArrivalOrder) {
  window->SetAppletItemManagRef(1, host);
  run(1);  // registration tick out of the way

  const VELUMOR_Notify_Type a{11, false, 1, 0};
  const VELUMOR_Notify_Type b{12, true, -3, 0x12000003};
  const VELUMOR_Notify_Type c{-1, false, 0, static_cast<int32_t>(0x8000000Fu)};
  for (const auto& r : {a, b, c})
    EXPECT_EQ(window->NotifyChanged(r.lAppletItemHandle, r.bShadow, r.lState, r.lUserLong), 0);
  EXPECT_TRUE(window->dispatched.empty());  // nothing inside the host's call
  EXPECT_TRUE(window->notifyTimer().isEnabled());
  EXPECT_EQ(window->notifyTimer().interval(), 1);

  run(1);
  EXPECT_EQ(window->dispatched, (std::vector<VELUMOR_Notify_Type>{a}));
  run(1);
  EXPECT_EQ(window->dispatched, (std::vector<VELUMOR_Notify_Type>{a, b}));
  run(1);
  EXPECT_EQ(window->dispatched, (std::vector<VELUMOR_Notify_Type>{a, b, c}));
  EXPECT_TRUE(window->notifyTimer().isEnabled());  // the next tick finds the queue empty
  run(1);
  EXPECT_FALSE(window->notifyTimer().isEnabled());
  EXPECT_EQ(window->dispatched.size(), 3u);

  const VELUMOR_Notify_Type d{13, false, 2, 0};
  window->NotifyChanged(d.lAppletItemHandle, d.bShadow, d.lState, d.lUserLong);
  EXPECT_TRUE(window->notifyTimer().isEnabled());
  run(1);
  EXPECT_EQ(window->dispatched.back(), d);
}

TEST_F(ViewWindowTest, ArrivingNotificationsDoNotPostponeThePendingTick) {
  window->SetAppletItemManagRef(1, host);
  run(1);
  window->NotifyChanged(1, false, 0, 0);
  const int64_t due = hbtest::loop().dueAt(&window->notifyTimer());
  ASSERT_GE(due, 0);
  for (int i = 0; i < 5; ++i) window->NotifyChanged(2 + i, false, 0, 0);
  EXPECT_EQ(hbtest::loop().dueAt(&window->notifyTimer()), due);
}

TEST_F(ViewWindowTest, FailingDispatchLosesOnlyItsOwnRecord) {
  window->SetAppletItemManagRef(1, host);
  run(1);
  window->onDispatch = [](const VELUMOR_Notify_Type& r) {
    if (r.lAppletItemHandle == 1) platform::com::raise(platform::com::err::TypeMismatch);
  };
  window->NotifyChanged(1, false, 0, 0);
  window->NotifyChanged(2, false, 0, 0);

  run(1);  // the error is reported by the tick's boundary, not thrown
  ASSERT_EQ(hbtest::loop().errors().size(), 1u);
  EXPECT_NE(hbtest::loop().errors().front().find("NotifyTimer"), std::string::npos);
  run(1);
  ASSERT_EQ(window->dispatched.size(), 2u);
  EXPECT_EQ(window->dispatched[1].lAppletItemHandle, 2);
  run(1);
  EXPECT_EQ(window->dispatched.size(), 2u);  // the failed record is not tried again
}

TEST_F(ViewWindowTest, UnloadReleasesTheViewFirstThenStopsTimersAndDropsEverything) {
  Ptr<tolvar::View> view = makeObject<hbtest::DummyView>();
  window->takeOwningView(view);
  window->SetAppletItemManagRef(1, host);
  window->NotifyChanged(3, false, 0, 0);
  bool timerOnAtRelease = false;
  bool itemManagerKeptAtRelease = false;
  host->log().onCall = [&](const Call& c) {
    if (c.op != "ReleaseView") return;
    timerOnAtRelease = window->notifyTimer().isEnabled();
    itemManagerKeptAtRelease = window->binding().itemManager() != nullptr;
  };

  ASSERT_TRUE(window->unload());
  host->log().onCall = nullptr;
  ASSERT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
  EXPECT_TRUE(timerOnAtRelease);
  EXPECT_TRUE(itemManagerKeptAtRelease);
  EXPECT_EQ(Kit::viewRef(*window), nullptr);
  EXPECT_EQ(window->binding().itemManager(), nullptr);
  EXPECT_EQ(window->binding().deviceDescription(), nullptr);
  EXPECT_FALSE(window->binding().hasQueue());
  EXPECT_EQ(view->refCount(), 1u);  // the window holds no reference any more

  // A late notification is dropped and does not bring the window back.
  EXPECT_EQ(window->NotifyChanged(4, false, 0, 0), 0);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(window->loads, 1);
  run(10);
  EXPECT_TRUE(window->dispatched.empty());
}

TEST_F(ViewWindowTest, UnloadWithoutViewRefReleasesNothing) {
  window->SetAppletItemManagRef(1, host);
  ASSERT_TRUE(window->unload());
  EXPECT_EQ(host->log().count("ReleaseView"), 0);
  EXPECT_EQ(window->binding().itemManager(), nullptr);
}

TEST_F(ViewWindowTest, FailingReleaseViewDoesNotStopTheUnload) {
  Ptr<tolvar::View> view = makeObject<hbtest::DummyView>();
  window->takeOwningView(view);
  window->SetAppletItemManagRef(1, host);
  host->failures.set("ReleaseView", kHostFailure);
  EXPECT_TRUE(window->unload());
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(Kit::viewRef(*window), nullptr);
  EXPECT_EQ(window->binding().itemManager(), nullptr);
  EXPECT_FALSE(window->binding().hasQueue());
}

TEST_F(ViewWindowTest, ViewRefWithoutItemManagerIsDroppedWithoutACall) {
  // Shown before the host handed over its item manager, then closed.
  Ptr<tolvar::View> view = makeObject<hbtest::DummyView>();
  window->takeOwningView(view);
  window->show();
  EXPECT_TRUE(window->unload());
  EXPECT_EQ(Kit::viewRef(*window), nullptr);
  EXPECT_TRUE(host->log().calls().empty());
}

TEST_F(ViewWindowTest, ClosedWindowIsNotAttachedToAHostAgain) {
  window->SetAppletItemManagRef(1, host);
  window->userClose();
  ASSERT_TRUE(window->wasUnloaded());
  host->log().clear();
  try {
    window->SetAppletItemManagRef(2, host);
    FAIL() << "a closed window was attached again";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::ObjectUnloaded);
  }
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(window->binding().itemManager(), nullptr);
  EXPECT_TRUE(host->log().calls().empty());
}

// Numbers from the host become Longs as the original language rounds: halves to the even
// neighbour (not away from zero), and nothing outside the Long range.
TEST(RoundToLong, RoundsHalvesToEvenAndRefusesWhatNoLongHolds) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double in;
    std::optional<int32_t> out;
  } cases[] = {
      {0.5, 0},
      {1.5, 2},
      {2.5, 2},
      {3.5, 4},
      {-0.5, 0},
      {-2.5, -2},
      {2.4999, 2},
      {2.5001, 3},
      {-7.0, -7},
      {2147483647.4, 2147483647},
      {2147483646.5, 2147483646},
      {2147483647.5, std::nullopt},
      {-2147483648.5, -2147483648},
      {-2147483649.0, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
      {inf, std::nullopt},
      {-inf, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(velumor::view_window::roundToLong(c.in), c.out);
  }
}

}  // namespace
