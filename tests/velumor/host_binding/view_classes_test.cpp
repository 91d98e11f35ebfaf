// The seven view classes that own a window: the View contract as the host drives it.
#include "velumor/host_binding/view_classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "tests/support/kit_access.h"
#include "tests/velumor/host_binding/test_support.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace {

using fakehost::Call;
using hbtest::HostBindingTest;
using hbtest::LifeRecorder;
using hbtest::run;
using platform::com::makeObject;
using platform::com::Ptr;
using velumor::host_binding::ViewAdapter;
namespace hr = platform::com::hr;

constexpr int32_t kHostFailure = static_cast<int32_t>(0x80004005u);
const int32_t kUnloaded = hr::fromErrorNumber(platform::com::err::ObjectUnloaded);

struct ClassCase {
  const char* className;
  const char* windowName;
  std::function<Ptr<ViewAdapter>()> make;
  bool viewRefOnNotify;  // the diagnosis class
};

// Test names and failure messages show the class, not the bytes of the case.
void PrintTo(const ClassCase& c, std::ostream* os) {
  *os << c.className;
}

template <class T>
std::function<Ptr<ViewAdapter>()> maker() {
  return [] { return Ptr<ViewAdapter>(makeObject<T>()); };
}

const ClassCase kClasses[] = {
    {"VelumorMainViewClass", "VelumorMainViewForm", maker<velumor::host_binding::VelumorMainViewClass>(),
     false},
    {"VelumorDiagViewClass", "VelumorDiagViewForm", maker<velumor::host_binding::VelumorDiagViewClass>(),
     false},
    {"VelumorSimulationClass", "VelumorSimulationForm",
     maker<velumor::host_binding::VelumorSimulationClass>(), false},
    {"VelumorDisplayTrendClass", "VelumorDisplayTrendForm",
     maker<velumor::host_binding::VelumorDisplayTrendClass>(), false},
    {"VelumorDisplayAnalogClass", "VelumorDisplayAnalogForm",
     maker<velumor::host_binding::VelumorDisplayAnalogClass>(), false},
    {"VelumorDisplayBarClass", "VelumorDisplayBarForm",
     maker<velumor::host_binding::VelumorDisplayBarClass>(), false},
    {"VelumorDisplayDigitalClass", "VelumorDisplayDigitalForm",
     maker<velumor::host_binding::VelumorDisplayDigitalClass>(), false},
};

class ViewClassTest : public HostBindingTest, public ::testing::WithParamInterface<ClassCase> {
 protected:
  void SetUp() override {
    HostBindingTest::SetUp();
    baseline = velumor::shared::componentLiveCount().value();
    view = GetParam().make();
    window = view->window();
  }
  // The host's last call; without it a window holding its ViewRef keeps the view alive.
  void TearDown() override {
    if (view) view->Destroy();
  }

  // The window's ViewRef once this class has handed it over: right after
  // SetAppletItemManagRef, or for the diagnosis class after its first notification.
  void attach() {
    ASSERT_EQ(view->SetAppletItemManagRef(9, host), 0);
    if (GetParam().viewRefOnNotify) {
      ASSERT_EQ(view->NotifyChanged(1, false, 0, 0), 0);
    }
  }

  int64_t baseline = 0;
  Ptr<ViewAdapter> view;
  velumor::view_window::ViewWindow* window = nullptr;  // valid while `view` owns it
};

TEST_P(ViewClassTest, CreatesItsWindowWithoutLoadingOrShowingIt) {
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->name(), GetParam().windowName);
  EXPECT_EQ(view->ownedWindow(), window);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(Kit::viewRef(*window), nullptr);
  EXPECT_GT(velumor::shared::componentLiveCount().value(), baseline);  // the view and its window count
}

TEST_P(ViewClassTest, WindowLoadsInsideSetAppletItemManagRefWithTheItemManagerKept) {
  LifeRecorder life(window);
  bool itemManagerKeptAtLoad = false;
  bool ddKeptAtLoad = false;
  life.onLoad = [&](platform::ui::Form&) {
    itemManagerKeptAtLoad = window->binding().itemManager() == host.get();
    ddKeptAtLoad = window->binding().deviceDescription() != nullptr;
  };
  const tolvar::View* viewRefAtGetDDObject = reinterpret_cast<const tolvar::View*>(1);
  host->log().onCall = [&](const Call& c) {
    if (c.op == "GetDDObject") viewRefAtGetDDObject = Kit::viewRef(*window).get();
  };

  EXPECT_EQ(view->SetAppletItemManagRef(9, host), 0);
  host->log().onCall = nullptr;
  EXPECT_EQ(life.loads, 1);
  EXPECT_TRUE(itemManagerKeptAtLoad);
  EXPECT_TRUE(ddKeptAtLoad);
  EXPECT_TRUE(window->isLoaded());
  EXPECT_FALSE(window->visible());
  EXPECT_EQ(window->binding().viewHandle(), 9);
  ASSERT_TRUE(window->binding().hasQueue());
  if (GetParam().viewRefOnNotify) {
    EXPECT_EQ(viewRefAtGetDDObject, nullptr);  // forwards only
    EXPECT_EQ(Kit::viewRef(*window), nullptr);
  } else {
    EXPECT_EQ(viewRefAtGetDDObject, view.get());  // set before forwarding
  }
}

TEST_P(ViewClassTest, NotificationsAreQueuedForTheWindowNotHandledInTheCall) {
  ASSERT_EQ(view->SetAppletItemManagRef(9, host), 0);
  if (!GetParam().viewRefOnNotify) window->dropOwningView();  // only the diagnosis class sets it here
  host->log().clear();

  EXPECT_EQ(view->NotifyChanged(21, true, 3, 0x12000001), 0);
  EXPECT_EQ(view->NotifyChanged(22, false, -1, 0), 0);
  EXPECT_TRUE(host->log().calls().empty());  // no host call inside the host's call
  ASSERT_EQ(window->binding().queue()->size(), 2u);
  EXPECT_EQ(window->binding().queue()->front(),
            (velumor::view_window::VELUMOR_Notify_Type{21, true, 3, 0x12000001}));
  EXPECT_EQ(window->binding().queue()->back(), (velumor::view_window::VELUMOR_Notify_Type{22, false, -1, 0}));
  if (GetParam().viewRefOnNotify) {
    EXPECT_EQ(Kit::viewRef(*window).get(), view.get());
  } else {
    EXPECT_EQ(Kit::viewRef(*window), nullptr);  // forwards without touching ViewRef
  }
  run(1);
  run(1);
  EXPECT_TRUE(window->binding().queue()->empty());
}

TEST_P(ViewClassTest, NotificationBeforeSetAppletItemManagRefIsDroppedWithoutLoading) {
  EXPECT_EQ(view->NotifyChanged(5, false, 1, 0), 0);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(Kit::viewRef(*window).get(), GetParam().viewRefOnNotify ? view.get() : nullptr);
  ASSERT_EQ(view->SetAppletItemManagRef(9, host), 0);
  EXPECT_TRUE(window->binding().queue()->empty());
  EXPECT_EQ(view->Destroy(), 0);
}

TEST_P(ViewClassTest, ShowBringsAMinimisedWindowBackInNormalState) {
  ASSERT_EQ(view->SetAppletItemManagRef(9, host), 0);
  EXPECT_EQ(view->Show(), 0);
  EXPECT_TRUE(window->visible());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(window->windowState(), platform::ui::kNormal);

  window->setWindowState(platform::ui::kMinimized);
  EXPECT_EQ(view->Show(), 0);
  EXPECT_EQ(window->windowState(), platform::ui::kNormal);
  window->setWindowState(platform::ui::kMaximized);
  EXPECT_EQ(view->Show(), 0);
  EXPECT_EQ(window->windowState(), platform::ui::kNormal);

  EXPECT_EQ(view->Hide(), 0);
  EXPECT_FALSE(window->visible());
  EXPECT_TRUE(window->isLoaded());  // hidden windows keep working off notifications
  EXPECT_EQ(view->NotifyChanged(5, false, 1, 0), 0);
  run(1);
  EXPECT_TRUE(window->binding().queue()->empty());
}

TEST_P(ViewClassTest, DestroyTwiceUnloadsOnceAndReleasesTheViewOnce) {
  attach();
  LifeRecorder life(window);
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(life.unloads, 1);
  EXPECT_EQ(view->ownedWindow(), nullptr);
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});

  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(life.unloads, 1);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);

  view.reset();  // the terminator's Destroy finds nothing to do
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);  // no reference cycle is left
}

TEST_P(ViewClassTest, OperationsAfterDestroyFailCleanly) {
  attach();
  ASSERT_EQ(view->Destroy(), 0);
  host->log().clear();
  EXPECT_EQ(view->SetAppletItemManagRef(9, host), ViewAdapter::kNoWindow);
  EXPECT_EQ(view->Show(), ViewAdapter::kNoWindow);
  EXPECT_EQ(view->Hide(), ViewAdapter::kNoWindow);
  EXPECT_EQ(view->NotifyChanged(1, false, 0, 0), ViewAdapter::kNoWindow);
  EXPECT_TRUE(hr::failed(ViewAdapter::kNoWindow));
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_TRUE(host->log().calls().empty());
}

TEST_P(ViewClassTest, WindowClosedByTheUserStaysClosed) {
  attach();
  ASSERT_EQ(view->Show(), 0);
  LifeRecorder life(window);
  ASSERT_TRUE(window->userClose());
  EXPECT_EQ(host->log().count("ReleaseView"), 1);  // the window's own unload released the view

  EXPECT_EQ(view->NotifyChanged(5, false, 1, 0), 0);  // dropped
  EXPECT_EQ(view->Show(), kUnloaded);                 // refused, not reloaded
  EXPECT_EQ(view->Hide(), 0);
  EXPECT_EQ(view->SetAppletItemManagRef(9, host), kUnloaded);
  EXPECT_EQ(life.loads, 0);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_TRUE(hbtest::loop().errors().empty());

  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(life.unloads, 1);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  view.reset();
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

TEST_P(ViewClassTest, FailingGetDDObjectReachesTheHostAsTheStatus) {
  host->failures.set("GetDDObject", kHostFailure);
  EXPECT_EQ(view->SetAppletItemManagRef(9, host), kHostFailure);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(view->Destroy(), 0);
  view.reset();
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

TEST_P(ViewClassTest, MissingItemManagerIsAFailureStatus) {
  EXPECT_EQ(view->SetAppletItemManagRef(9, nullptr), hr::fromErrorNumber(platform::com::err::ObjectNotSet));
  EXPECT_FALSE(window->isLoaded());
}

TEST_P(ViewClassTest, ReleasedWithoutAWindowEverLoadedLeavesNothingAlive) {
  view.reset();
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
  EXPECT_EQ(host->log().count("ReleaseView"), 0);
}

INSTANTIATE_TEST_SUITE_P(AllClasses, ViewClassTest, ::testing::ValuesIn(kClasses),
                         [](const auto& info) { return std::string(info.param.className); });

// ---------------------------------------------------------------------------------------------
// The diagnosis class hands over its ViewRef with the item manager, like every other class:
// its window releases the view at unload whether or not a notification ever came.

class DiagViewClassTest : public HostBindingTest {
 protected:
  Ptr<velumor::host_binding::VelumorDiagViewClass> view =
      makeObject<velumor::host_binding::VelumorDiagViewClass>();
};

TEST_F(DiagViewClassTest, DestroyedBeforeItsFirstNotificationItStillReleasesTheViewOnce) {
  ASSERT_EQ(view->SetAppletItemManagRef(3, host), 0);
  EXPECT_EQ(Kit::viewRef(*view->window()).get(), view.get());
  run(5);
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
}

TEST_F(DiagViewClassTest, DestroyedAfterANotificationItReleasesTheViewOnce) {
  ASSERT_EQ(view->SetAppletItemManagRef(3, host), 0);
  ASSERT_EQ(view->NotifyChanged(8, false, 0, 0), 0);
  ASSERT_EQ(view->NotifyChanged(9, false, 0, 0), 0);
  run(5);
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
}

TEST_F(DiagViewClassTest, DestroyUnloadsTheWindowOnceAndASecondDestroyDoesNothing) {
  const int64_t baseline = velumor::shared::componentLiveCount().value() - 2;  // this view and its window
  ASSERT_EQ(view->SetAppletItemManagRef(3, host), 0);
  LifeRecorder life(view->window());
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(life.unloads, 1);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  view.reset();
  EXPECT_TRUE(life.formDestroyed());
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

// ---------------------------------------------------------------------------------------------
// A window whose close guard refuses the unload stays with its view.

const char* kGuardedDesign = R"({
  "form": {"name": "GuardedForm", "props": {"ClientWidth": 2000, "ClientHeight": 1000}},
  "controls": [
    {"name": "RegisterTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}},
    {"name": "NotifyTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}}
  ]
})";

class GuardedForm : public velumor::view_window::ViewWindow {
 public:
  GuardedForm() : ViewWindow("GuardedForm", kGuardedDesign) {}
  bool refuse = true;

 protected:
  void Form_Load() override { createNotifyQueue(); }
  void Form_QueryUnload(int16_t& Cancel, int16_t) override { Cancel = refuse ? 1 : 0; }
};

class GuardedClass : public ViewAdapter {
 public:
  GuardedClass() : ViewAdapter(makeObject<GuardedForm>(), ViewRefSetIn::SetAppletItemManagRef) {}
  GuardedForm* form() const { return static_cast<GuardedForm*>(window()); }
};

TEST_F(HostBindingTest, RefusedUnloadKeepsTheWindowWithItsView) {
  auto view = makeObject<GuardedClass>();
  ASSERT_EQ(view->SetAppletItemManagRef(1, host), 0);
  ASSERT_EQ(view->Show(), 0);

  EXPECT_TRUE(hr::failed(view->Destroy()));
  ASSERT_NE(view->form(), nullptr);
  EXPECT_TRUE(view->form()->isLoaded());
  EXPECT_TRUE(view->form()->visible());
  EXPECT_EQ(host->log().count("ReleaseView"), 0);
  EXPECT_EQ(view->NotifyChanged(1, false, 0, 0), 0);  // still working

  view->form()->refuse = false;
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(view->ownedWindow(), nullptr);
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
}

// ---------------------------------------------------------------------------------------------
// The windows' designs carry what the skeleton and the later window code rely on.

struct DesignCase {
  const char* windowName;
  std::function<Ptr<ViewAdapter>()> make;
  bool notifyTimerOnAtDesign;
  bool hasSeqStartTimer;
  std::vector<std::string> panels;
};

void PrintTo(const DesignCase& c, std::ostream* os) {
  *os << c.windowName;
}

class WindowDesignTest : public HostBindingTest, public ::testing::WithParamInterface<DesignCase> {};

TEST_P(WindowDesignTest, TimersAndStatusBarPanels) {
  Ptr<ViewAdapter> view = GetParam().make();
  velumor::view_window::ViewWindow& w = *view->window();
  EXPECT_EQ(w.name(), GetParam().windowName);
  w.ensureLoaded();
  platform::ui::TimerControl& reg = w.timer("RegisterTimer");
  EXPECT_EQ(reg.interval(), 1);
  EXPECT_FALSE(reg.isEnabled());
  platform::ui::TimerControl& notify = w.timer("NotifyTimer");
  EXPECT_EQ(notify.interval(), 1);
  EXPECT_EQ(notify.isEnabled(), GetParam().notifyTimerOnAtDesign);
  EXPECT_EQ(w.hasControl("SeqStartTimer"), GetParam().hasSeqStartTimer);
  if (GetParam().hasSeqStartTimer) {
    EXPECT_EQ(w.timer("SeqStartTimer").interval(), 100);
    EXPECT_FALSE(w.timer("SeqStartTimer").isEnabled());
  }
  std::vector<std::string> keys;
  for (const auto& p : w.statusBar("VelumorStatusBar").panels()) keys.push_back(p.key);
  EXPECT_EQ(keys, GetParam().panels);

  // A design-enabled notification timer switches itself off on the empty queue.
  run(1);
  EXPECT_FALSE(notify.isEnabled());
  EXPECT_EQ(view->Destroy(), 0);
}

const std::vector<std::string> kPanels = {"StatusBarCommText", "StatusBarUser", "StatusBarDataSource",
                                          "StatusBarMirvelLogo"};
const std::vector<std::string> kSimulationPanels = {"StatusBarCommText", "StatusBarUser",
                                                    "StatusBarDataSource", "StatusBarSimulationLED",
                                                    "StatusBarMirvelLogo"};

INSTANTIATE_TEST_SUITE_P(
    AllWindows, WindowDesignTest,
    ::testing::Values(
        DesignCase{"VelumorMainViewForm", maker<velumor::host_binding::VelumorMainViewClass>(), false, true,
                   kPanels},
        DesignCase{"VelumorDiagViewForm", maker<velumor::host_binding::VelumorDiagViewClass>(), true, true,
                   kPanels},
        DesignCase{"VelumorSimulationForm", maker<velumor::host_binding::VelumorSimulationClass>(), true,
                   true, kSimulationPanels},
        DesignCase{"VelumorDisplayTrendForm", maker<velumor::host_binding::VelumorDisplayTrendClass>(), true,
                   false, kPanels},
        DesignCase{"VelumorDisplayAnalogForm", maker<velumor::host_binding::VelumorDisplayAnalogClass>(),
                   true, false, kPanels},
        DesignCase{"VelumorDisplayBarForm", maker<velumor::host_binding::VelumorDisplayBarClass>(), true,
                   false, kPanels},
        DesignCase{"VelumorDisplayDigitalForm", maker<velumor::host_binding::VelumorDisplayDigitalClass>(),
                   true, false, kPanels}),
    [](const auto& info) { return std::string(info.param.windowName); });

// ---------------------------------------------------------------------------------------------

TEST_F(HostBindingTest, DisplayWindowsGiveTheUserTextOrNothing) {
  auto trend = makeObject<velumor::host_binding::VelumorDisplayTrendClass>();
  auto analog = makeObject<velumor::host_binding::VelumorDisplayAnalogClass>();
  auto bar = makeObject<velumor::host_binding::VelumorDisplayBarClass>();
  auto digital = makeObject<velumor::host_binding::VelumorDisplayDigitalClass>();
  const std::string disconnected = velumor::shared::LoadResStringByLang(310);
  ASSERT_FALSE(disconnected.empty());
  for (const std::string& text :
       {trend->form()->GetTextFromResource(310), analog->form()->GetTextFromResource(310),
        bar->form()->GetTextFromResource(310), digital->form()->GetTextFromResource(310)}) {
    EXPECT_EQ(text, disconnected);
  }
  // An id no table holds is an empty text, not an error.
  EXPECT_EQ(trend->form()->GetTextFromResource(32000), "");
  EXPECT_EQ(digital->form()->GetTextFromResource(-5), "");
  EXPECT_FALSE(trend->form()->isLoaded());  // reading a text does not load the window
}

}  // namespace
