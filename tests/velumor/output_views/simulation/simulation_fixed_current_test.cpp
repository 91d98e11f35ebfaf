// The fixed-current road on a recording host: what the mode options write, what Adjust
// queues and when the host is asked to start it, how the lamp and the options follow the
// device's status byte, and the close guard by the user and by the host with each answer.
#include "tests/support/kit_access.h"
#include "tests/velumor/output_views/simulation/simulation_fixture.h"
#include "velumor/host_binding/view_classes.h"

namespace simview_test {
namespace {

constexpr int32_t kBusy = static_cast<int32_t>(0x804A0001u);

TEST_F(SimulationTest, NormalOperationWhileDisconnectedWritesZeroAndQueuesNothing) {
  open();
  ASSERT_TRUE(form->userClick(ctl("OperationModeOption", 0)));
  EXPECT_EQ(fixedCurrentWrites(), std::vector<float>{0.0f});
  EXPECT_FALSE(ctl("AdjustCommand").enabled());
  EXPECT_TRUE(form->seqStartQueue()->pending().empty());
  run(500);
  EXPECT_TRUE(startedSequences().empty());
}

TEST_F(SimulationTest, AdjustWhileDisconnectedDoesNothingAndIsNotRemembered) {
  open();
  ASSERT_TRUE(form->userClick(ctl("AdjustCommand")));
  connect();
  run(500);
  EXPECT_TRUE(startedSequences().empty());
  EXPECT_TRUE(ctl("AdjustCommand").enabled());  // nothing disables it on disconnection
}

TEST_F(SimulationTest, TwoPressesQueueTwoRunsStartedOnSuccessiveTicksAndBusyKeepsTheHead) {
  open();
  connect();
  aim->frame->sequenceResults = {0, kBusy, 0};
  ASSERT_TRUE(form->userClick(ctl("AdjustCommand")));
  ASSERT_TRUE(form->userClick(ctl("AdjustCommand")));
  EXPECT_EQ(form->seqStartQueue()->text(), "SeqHART_COMMAND_040_Write\r\nSeqHART_COMMAND_040_Write\r\n");
  // No host call from the click itself: the timer starts it.
  EXPECT_TRUE(startedSequences().empty());
  run(1);
  EXPECT_EQ(startedSequences().size(), 1u);
  run(99);
  EXPECT_EQ(startedSequences().size(), 1u);
  run(1);  // the host is busy: the same name stays at the head
  EXPECT_EQ(startedSequences().size(), 2u);
  EXPECT_EQ(form->seqStartQueue()->pending().size(), 1u);
  run(100);
  EXPECT_EQ(startedSequences(), (std::vector<std::string>(3, "SeqHART_COMMAND_040_Write")));
  EXPECT_TRUE(form->seqStartQueue()->pending().empty());
}

TEST_F(SimulationTest, AFailingStartDropsTheHeadReportsOnceAndTheNextRunsLater) {
  open();
  connect();
  aim->frame->failures.set("StartSequence", static_cast<int32_t>(0x80004005u));
  ASSERT_TRUE(form->userClick(ctl("AdjustCommand")));
  ASSERT_TRUE(form->userClick(ctl("AdjustCommand")));
  run(1);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
  EXPECT_EQ(form->seqStartQueue()->pending().size(), 1u);
  aim->frame->failures.clear("StartSequence");
  run(99);
  EXPECT_EQ(aim->log().count("StartSequence"), 1);  // the next attempt waits 100 ms
  run(1);
  EXPECT_EQ(aim->log().count("StartSequence"), 2);
  EXPECT_TRUE(form->seqStartQueue()->pending().empty());
  // Every frame got was given back: nothing of the failed call is held.
  EXPECT_EQ(aim->frame->refCount(), 1u);
}

struct TypedCase {
  const char* lang;
  const char* typed;
  bool written;
  float value;
};

class TypedCurrentTest : public SimulationTest, public ::testing::WithParamInterface<TypedCase> {
 protected:
  const char* language() const override { return GetParam().lang; }
};

TEST_P(TypedCurrentTest, FixedOutputWritesTheTypedCurrentOrRefusesItWithAMessage) {
  const TypedCase& c = GetParam();
  open();
  aim->log().clear();
  type(c.typed);
  ASSERT_TRUE(form->userClick(ctl("OperationModeOption", 1)));
  EXPECT_TRUE(ctl("AdjustCommand").enabled());
  if (c.written) {
    EXPECT_EQ(fixedCurrentWrites(), std::vector<float>{c.value});
    EXPECT_TRUE(boxes().empty());
  } else {
    EXPECT_TRUE(fixedCurrentWrites().empty()) << "a refused text must not be written";
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].text.find(std::string("\"") + c.typed + "\""), std::string::npos) << boxes()[0].text;
    EXPECT_EQ(boxes()[0].title, "RQ4400 Coriolis Mass Flowmeter");
    EXPECT_EQ(ctl("CurrentText", 0).getProperty("Text").toString(), c.typed);  // left to correct
  }
  // Choosing the option never starts anything: only Adjust does.
  run(500);
  EXPECT_TRUE(startedSequences().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TypedCurrentTest,
    ::testing::Values(TypedCase{"de", "12,5", true, 12.5f}, TypedCase{"en", "12.5", true, 12.5f},
                      TypedCase{"en", " 4,75 ", true, 4.75f}, TypedCase{"de", "2E1", true, 20.0f},
                      TypedCase{"de", "abc", false, 0}, TypedCase{"en", "", false, 0},
                      TypedCase{"en", "12 mA", false, 0}, TypedCase{"de", "4 . 5", false, 0},
                      TypedCase{"en", "1e39", false, 0}),
    [](const auto& info) { return std::string(info.param.lang) + "_" + std::to_string(info.index); });

TEST_F(SimulationTest, LampFollowsTheDeviceAndTheOptionsFollowItOnlyOnce) {
  open();
  // A first report of 0 is no change: nothing is drawn or chosen.
  notify("LastFieldDeviceStatus", Variant(0.0));
  EXPECT_EQ(lamp().picture.source, "bitmap:104");
  EXPECT_FALSE(optionOn(0) || optionOn(1));
  EXPECT_FALSE(SimulationAccess::optionSynchronised(*form));

  type("12,5");
  notify("LastFieldDeviceStatus", Variant(kFixed + 1));
  EXPECT_EQ(lamp().picture.source, "bitmap:103");
  EXPECT_EQ(lamp().toolTipText, "Simulation activ");
  EXPECT_TRUE(optionOn(1));
  EXPECT_EQ(fixedCurrentWrites(), std::vector<float>{12.5f});  // as the user's click would
  const auto writes = aim->log().count("SetSingleValue");

  // The same byte again redraws nothing; a change without the flag turns the lamp off but
  // leaves the option to the user.
  form->statusBar("VelumorStatusBar").setPanelToolTip(Variant("StatusBarSimulationLED"), "marker");
  notify("LastFieldDeviceStatus", Variant(kFixed + 1));
  EXPECT_EQ(lamp().toolTipText, "marker");
  notify("LastFieldDeviceStatus", Variant(0.0));
  EXPECT_EQ(lamp().picture.source, "bitmap:104");
  EXPECT_EQ(lamp().toolTipText, "Simulation not activ");
  EXPECT_TRUE(optionOn(1));
  EXPECT_EQ(aim->log().count("SetSingleValue"), writes);
  // A lost connection leaves the last report standing.
  notify("LastFieldDeviceStatus", Variant(kFixed));
  notify("&&private&&connect", Variant(0.0));
  EXPECT_EQ(lamp().picture.source, "bitmap:103");
}

TEST_F(SimulationTest, FirstReportWithoutTheFlagChoosesNormalOperationAndQueuesWhenConnected) {
  open();
  connect();
  notify("LastFieldDeviceStatus", Variant(64.0));
  EXPECT_TRUE(optionOn(0));
  EXPECT_FALSE(ctl("AdjustCommand").enabled());
  EXPECT_EQ(fixedCurrentWrites(), std::vector<float>{0.0f});
  run(1);
  EXPECT_EQ(startedSequences(), std::vector<std::string>{"SeqHART_COMMAND_040_Write"});
}

TEST_F(SimulationTest, TheSynchronisationStaysSilentOnAnUnreadableText) {
  open();
  type("abc");
  notify("LastFieldDeviceStatus", Variant(kFixed));
  EXPECT_TRUE(optionOn(1));
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(fixedCurrentWrites().empty());
}

TEST_F(SimulationTest, AStatusOutsideAByteChangesNothing) {
  open();
  for (double v : {256.0, -8.0, 1e12, std::numeric_limits<double>::quiet_NaN(), 8.5e9}) {
    notify("LastFieldDeviceStatus", Variant(v));
    EXPECT_EQ(lamp().picture.source, "bitmap:104") << v;
    EXPECT_EQ(SimulationAccess::fieldDeviceStatusByte(*form), 0) << v;
    EXPECT_FALSE(SimulationAccess::optionSynchronised(*form)) << v;
  }
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

// ------------------------------------------------------------------ the close guard

class CloseGuardTest : public SimulationTest {
 protected:
  void SetUp() override {
    SimulationTest::SetUp();
    // One start-form entry (enabled) and one other entry in the device menu.
    aim->dd->byName.add("fncGetGeneralString", [](std::span<Variant> a) {
      a[1] = Variant("RQ4400");
      return Variant(int32_t{0});
    });
    aim->dd->byName.add("fncNumberOfEntries", [](std::span<Variant> a) {
      a[1] = Variant(int32_t{2});
      return Variant(int32_t{0});
    });
    aim->dd->byName.add("fncGetFirstEntryHandle", [](std::span<Variant> a) {
      a[1] = Variant(int32_t{1});
      return Variant(int32_t{0});
    });
    aim->dd->byName.add("fncGetNextEntryHandle", [](std::span<Variant> a) {
      a[0] = Variant(a[0].toLong() + 1);
      return Variant(int32_t{0});
    });
    aim->dd->byName.add("fncGetMenuData", [](std::span<Variant> a) {
      const bool first = a[0].toLong() == 1;
      a[1] = Variant(first ? "VelumorDiagView" : "Connect");
      a[2] = Variant(first ? "&Diagnosis" : "&Connect");
      a[4] = Variant(first ? "fncStartForm Velumor.VelumorDiagViewClass" : "Connect");
      return Variant(int32_t{0});
    });
    open();
    startForm = aim->handleOf("&&Menu_State&&VelumorDiagView");
    ASSERT_NE(startForm, 0);
    aim->values[startForm] = Variant(7.0);  // visible, enabled, checked
    notify("LastFieldDeviceStatus", Variant(kFixed));
    aim->log().clear();
  }
  int32_t startForm = 0;
};

TEST_F(CloseGuardTest, UserCloseAsksAndNoKeepsTheWindowWithTheMenuAsItWas) {
  answer(platform::ui::mb::IdNo);
  EXPECT_FALSE(form->userClose());
  EXPECT_TRUE(form->isLoaded());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Simulation still activ.\r\nClose window ?");
  EXPECT_EQ(boxes()[0].style, platform::ui::mb::YesNo);
  // Disabled for the question (bit 2 cleared), then exactly that bit given back.
  const auto sets = aim->log().of("SetValue");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].args[1].toDouble(), 5.0);
  EXPECT_EQ(sets[1].args[1].toDouble(), 7.0);
  EXPECT_EQ(aim->values[startForm].toDouble(), 7.0);
  EXPECT_EQ(aim->log().count("ReleaseView"), 0);
}

TEST_F(CloseGuardTest, ADisabledStartFormEntryStaysDisabledAfterTheQuestion) {
  aim->values[startForm] = Variant(1.0);  // visible only
  answer(platform::ui::mb::IdNo);
  EXPECT_FALSE(form->userClose());
  EXPECT_EQ(aim->values[startForm].toDouble(), 1.0);
}

TEST_F(CloseGuardTest, ExitAndYesCloseWithoutLeavingFixedMode) {
  answer(platform::ui::mb::IdYes);
  ASSERT_TRUE(form->userClick(ctl("MenuExit")));
  EXPECT_FALSE(form->isLoaded());
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_TRUE(fixedCurrentWrites().empty());
  EXPECT_TRUE(startedSequences().empty());
}

TEST_F(CloseGuardTest, NormalOperationReportedClosesWithoutAQuestion) {
  notify("LastFieldDeviceStatus", Variant(0.0));
  EXPECT_TRUE(form->userClose());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(CloseGuardTest, ASecondCloseWhileTheQuestionIsOpenIsRefused) {
  bool second = true;
  // The second close comes from inside the wait, as the host's timers would bring it.
  class Nested : public platform::ui::HeadlessServices {
   public:
    std::function<void()> during;
    int32_t show(const std::string& t, int32_t s, const std::string& title) override {
      if (during) during();
      return HeadlessServices::show(t, s, title);
    }
  } services;
  services.during = [&] { second = form->unload(platform::ui::kUnloadFormCode); };
  services.queueMessageAnswer(platform::ui::mb::IdNo);
  platform::ui::Services::install(&services, &services, &services, &services, &services, &services);
  EXPECT_FALSE(form->userClose());
  platform::ui::Services::installHeadless();
  EXPECT_FALSE(second);
  EXPECT_EQ(services.requestsOf("msgbox").size(), 1u);
  EXPECT_TRUE(form->isLoaded());
}

// The host's side: Destroy through the view class asks the same question.
class HostCloseTest : public CloseGuardTest {};

TEST_F(HostCloseTest, DestroyAnsweredNoKeepsTheWindowOwnedAndFailsThenYesCloses) {
  // The view class around a window already set up: a fresh class, handed the same host.
  auto view = platform::com::makeObject<velumor::host_binding::VelumorSimulationClass>();
  // Held here: a closed window is dropped by its view.
  platform::com::Ptr<velumor::output_views::VelumorSimulationForm> window(
      dynamic_cast<velumor::output_views::VelumorSimulationForm*>(view->window()));
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(view->SetAppletItemManagRef(9, aim), 0);
  run(1);
  const int32_t status = aim->handleOf("LastFieldDeviceStatus");
  aim->values[status] = Variant(kFixed);
  view->NotifyChanged(status, false, 0, 0);
  run(1);
  const auto before = boxes().size();

  answer(platform::ui::mb::IdNo);
  EXPECT_NE(view->Destroy(), 0);
  EXPECT_EQ(boxes().size(), before + 1);
  EXPECT_TRUE(window->isLoaded());
  EXPECT_EQ(view->window(), window.get());  // still the view's
  EXPECT_EQ(view->Show(), 0);

  answer(platform::ui::mb::IdYes);
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(view->window(), nullptr);
}

TEST_F(HostCloseTest, TheViewsEndUnloadsWithoutAsking) {
  auto view = platform::com::makeObject<velumor::host_binding::VelumorSimulationClass>();
  platform::com::Ptr<velumor::output_views::VelumorSimulationForm> window(
      dynamic_cast<velumor::output_views::VelumorSimulationForm*>(view->window()));
  ASSERT_EQ(view->SetAppletItemManagRef(9, aim), 0);
  run(1);
  const int32_t status = aim->handleOf("LastFieldDeviceStatus");
  aim->values[status] = Variant(kFixed);
  view->NotifyChanged(status, false, 0, 0);
  run(1);
  const auto before = boxes().size();
  // The window's hold on its view is what keeps a view alive while the window is open; once
  // that is gone, the host letting go ends the view, and its window goes without a question.
  window->dropOwningView();
  view = nullptr;
  EXPECT_FALSE(window->isLoaded());
  EXPECT_EQ(boxes().size(), before);
  EXPECT_TRUE(platform::ui::Services::headless().unanswered().empty());
}

TEST_F(CloseGuardTest, TheHostsShutDownAsksTheSameQuestion) {
  // A device left in fixed-current mode is as much a hazard when the host ends.
  answer(platform::ui::mb::IdNo);
  EXPECT_FALSE(form->unload(platform::ui::kUnloadAppWindows));
  EXPECT_TRUE(form->isLoaded());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Simulation still activ.\r\nClose window ?");
  answer(platform::ui::mb::IdYes);
  EXPECT_TRUE(form->unload(platform::ui::kUnloadAppWindows));
  EXPECT_FALSE(form->isLoaded());
  EXPECT_EQ(boxes().size(), 2u);
  EXPECT_EQ(aim->log().count("ReleaseView"), 0);  // this window was given no view
}

}  // namespace
}  // namespace simview_test
