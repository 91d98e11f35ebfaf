// The host frame and the session around it: connection states, by-name probes, the device
// menu's functions, opening and releasing views.
#include <gtest/gtest.h>

#include "platform/com/error.h"
#include "platform/com/loader.h"
#include "sim_test_support.h"
#include "tolvar/sim/applet_utility.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/sequence_engine.h"

namespace simtest {
namespace {

using platform::com::InvokeKind;
using platform::com::RuntimeError;
using tolvar::HostFrame;
using tolvar::sim::HostSession;

class FrameTest : public SessionTest {
 protected:
  Ptr<HostFrame> frame() {
    Ptr<HostFrame> f;
    int32_t st = -1;
    session->itemManager()->GetFrame(f, st);
    EXPECT_EQ(st, 0);
    return f;
  }
  int32_t errorOf(const Ptr<HostFrame>& f, const std::string& name, std::vector<Variant> args) {
    try {
      f->invokeByName(name, InvokeKind::Method, args);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  }
};

TEST_F(FrameTest, EveryGetFrameHandsOutANewObject) {
  Ptr<HostFrame> a = frame(), b = frame();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
}

TEST_F(FrameTest, ConnectGoesThroughConnectingAndDisconnectThroughDisconnecting) {
  RecordingView& v = openRecordingView();
  const int32_t h = v.registerItem("&&private&&Connect");
  drain();
  int32_t st = -1;
  frame()->Connect(0, st);
  EXPECT_EQ(st, 0);
  drain();
  EXPECT_EQ(session->connectionState(), tolvar::Connecting);
  run(HostSession::kConnectMs - 1);
  EXPECT_EQ(session->connectionState(), tolvar::Connecting);
  run(1);
  EXPECT_EQ(session->connectionState(), tolvar::Connected);
  frame()->Connect(0, st);  // already connected: nothing happens
  EXPECT_EQ(st, 0);
  frame()->Disconnect(0, st);
  EXPECT_EQ(st, 0);
  drain();
  EXPECT_EQ(session->connectionState(), tolvar::Disconnecting);
  run(HostSession::kDisconnectMs);
  EXPECT_EQ(session->connectionState(), tolvar::Disconnected);
  EXPECT_EQ(v.valuesFor(h), (std::vector<double>{0, 1, 2, 3, 0}));
}

TEST_F(FrameTest, DisconnectWhileConnectingCancelsTheConnection) {
  session->frameOperations().connect();
  run(100);
  session->frameOperations().disconnect();
  run(1000);
  EXPECT_EQ(session->connectionState(), tolvar::Disconnected);
  EXPECT_FALSE(session->simulator().online());
}

TEST_F(FrameTest, TheDatabaseOperationsAreFoundByTheViewsProbe) {
  Ptr<HostFrame> f = frame();
  EXPECT_EQ(errorOf(f, "OpenFromDatabase", {Variant(true)}), platform::com::err::WrongArgumentCount);
  EXPECT_EQ(errorOf(f, "SaveAsToDatabase", {Variant(true)}), platform::com::err::WrongArgumentCount);
  EXPECT_EQ(errorOf(f, "LoadFromFile", {Variant(true)}), platform::com::err::NoSuchMember);
  // Called as the views call them, without arguments: headless, the default set.
  EXPECT_EQ(f->call("SaveAsToDatabase").toLong(), 0);
  EXPECT_EQ(f->call("openfromdatabase").toLong(), 0);
  EXPECT_EQ(session->currentDataSet(), "default");
  EXPECT_EQ(value("&&private&&CurrentSource"), 1.0);
}

TEST_F(FrameTest, DeviceMenuFunctionsTakeOneTextArgument) {
  Ptr<HostFrame> f = frame();
  EXPECT_EQ(errorOf(f, "fncStartForm", {}), platform::com::err::WrongArgumentCount);
  EXPECT_EQ(f->call("fncStartForm", {Variant(std::string(kRecordingProgId))}).toLong(), 0);
  ASSERT_EQ(session->hostOpenedViews().size(), 1u);
  // The class name alone, with the blank a parameter may start with.
  EXPECT_EQ(f->call("FNCSTARTFORM", {Variant(" RecordingViewClass")}).toLong(), 0);
  EXPECT_EQ(session->hostOpenedViews().size(), 2u);
  auto* opened = static_cast<RecordingView*>(session->hostOpenedViews()[0].get());
  EXPECT_EQ(opened->shows, 1);
  EXPECT_NE(opened->viewHandle, static_cast<RecordingView*>(session->hostOpenedViews()[1].get())->viewHandle);
  EXPECT_TRUE(opened->itemManager);

  session->takeHostMessages();
  EXPECT_NE(f->call("fncStartForm", {Variant("Velumor.NoSuchViewClass")}).toLong(), 0);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("NoSuchViewClass"), std::string::npos) << messages[0];
  EXPECT_EQ(session->hostOpenedViews().size(), 2u);
}

TEST_F(FrameTest, SaveToDeviceStartsTheFullDownload) {
  connect();
  EXPECT_EQ(frame()->call("SaveToDevice", {Variant("")}).toLong(), 0);
  EXPECT_EQ(session->sequences().running(), "FULL_DOWNLOAD");
  EXPECT_EQ(frame()->call("SaveToDevice", {Variant("")}).toLong(), tolvar::kHostBusy);
}

TEST_F(FrameTest, OpenViewCreatesByProgIdAndReportsWhatFails) {
  int32_t st = -1;
  frame()->OpenView(kRecordingProgId, st);
  EXPECT_EQ(st, 0);
  frame()->OpenView("Nobody.NothingClass", st);
  EXPECT_EQ(st, tolvar::sim::kStatusViewFailed);
  const auto notAView = session->openView(tolvar::sim::kAppletUtilityProgId);
  EXPECT_EQ(notAView.reason(), tolvar::Reason::Refused);
  EXPECT_NE(notAView.text().find("not a view"), std::string::npos) << notAView.text();
  const auto unknown = session->openView("Nobody.NothingClass");
  EXPECT_EQ(unknown.reason(), tolvar::Reason::NotFound);
  EXPECT_NE(unknown.text().find("'Nobody.NothingClass'"), std::string::npos) << unknown.text();
  EXPECT_EQ(session->views().size(), 1u);
}

TEST_F(FrameTest, AViewThatRefusesTheItemManagerIsDestroyedAgain) {
  session->registerBuiltinView("Test.Refusing", [] {
    auto* v = new RecordingView();
    v->attachStatus = 5;
    return Ptr<platform::com::Unknown>(v);
  });
  const auto refused = session->openView("Test.Refusing");
  EXPECT_EQ(refused.reason(), tolvar::Reason::Refused);
  EXPECT_NE(
      refused.text().find("The view \"Test.Refusing\" could not be opened: it refused the item manager"),
      std::string::npos)
      << refused.text();
  EXPECT_TRUE(session->views().empty());
}

TEST_F(FrameTest, NotificationsToAReleasedOrDestroyedViewAreDropped) {
  RecordingView& a = openRecordingView();
  RecordingView& b = openRecordingView();
  const int32_t ha = a.registerItem("DAMPING_VALUE");
  const int32_t hb = b.registerItem("DAMPING_VALUE");
  drain();
  a.notes.clear();
  b.notes.clear();
  set("DAMPING_VALUE", Variant(3.0));  // posted to both
  EXPECT_TRUE(session->destroyView(views[1]));
  drain();
  EXPECT_EQ(a.notesFor(ha).size(), 1u);
  EXPECT_TRUE(b.notesFor(hb).empty());
  EXPECT_EQ(b.destroys, 1);
  EXPECT_FALSE(session->destroyView(views[1])) << "gone already";
  EXPECT_EQ(session->views().size(), 1u);
  EXPECT_EQ(session->viewOf(b.viewHandle), nullptr);
}

TEST_F(FrameTest, TheSessionDestroysItsViewsNewestFirst) {
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) openRecordingView().onDestroy = [&order, i] { order.push_back(i); };
  ASSERT_EQ(session->views().size(), 3u);
  session.reset();
  EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));
  session = std::make_unique<HostSession>(testOptions(dir));
}

TEST_F(FrameTest, AViewStillReadsItsItemsInsideDestroyAndARefusalKeepsItRegistered) {
  // The unload inside Destroy asks its save question from registered items.
  for (bool releases : {true, false}) {
    SCOPED_TRACE(releases ? "the view releases itself" : "the view never releases itself");
    RecordingView& v = openRecordingView();
    v.releaseOnDestroy = releases;
    const int32_t dirty = v.registerItem("&&private&&Dirty");
    set("&&private&&Dirty", Variant(true));
    int32_t readStatus = -1;
    bool readValue = false;
    v.onDestroy = [&] { v.itemManager->GetBoolValue(dirty, readValue, readStatus); };
    ASSERT_TRUE(session->destroyView(views.back()));
    EXPECT_EQ(readStatus, 0);
    EXPECT_TRUE(readValue);
    int32_t after = 0;
    v.itemManager->GetBoolValue(dirty, readValue, after);
    EXPECT_EQ(after, tolvar::kStatusBadHandle) << "its registrations end once Destroy has returned";
  }

  RecordingView& guarded = openRecordingView();
  guarded.destroyStatus = 1;
  const int32_t h = guarded.registerItem("DAMPING_VALUE");
  ASSERT_TRUE(session->destroyView(views.back()));
  EXPECT_EQ(session->views().size(), 1u) << "a refusing view stays open";
  drain();
  guarded.notes.clear();
  set("DAMPING_VALUE", Variant(7.0));
  drain();
  EXPECT_EQ(guarded.valuesFor(h), std::vector<double>{7.0}) << "and hears of its items as before";
}

TEST_F(FrameTest, TheHostsEndAsksEveryViewOnceAndLetsGoOfOneThatRefuses) {
  RecordingView& kept = openRecordingView();
  kept.destroyStatus = 1;
  RecordingView& newest = openRecordingView();
  std::vector<std::string> order;
  kept.onDestroy = [&] { order.push_back("kept"); };
  newest.onDestroy = [&] { order.push_back("newest"); };
  session->endSession();
  EXPECT_EQ(order, (std::vector<std::string>{"newest", "kept"}));
  EXPECT_TRUE(session->views().empty());
  EXPECT_EQ(session->viewOf(kept.viewHandle), nullptr);
  session.reset();
  EXPECT_EQ(kept.destroys, 1) << "the session's own end does not ask again";
  session = std::make_unique<HostSession>(testOptions(dir));
}

TEST_F(FrameTest, SetAddressTakesTheAddressOptionHeadlessAndAskTheProviderOtherwise) {
  int32_t st = -1;
  frame()->SetAddress(0, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(session->itemValue("&&private_pm&&Address")->toString(), "0");
  session->setAddressProvider([](const std::string& current) -> std::optional<std::string> {
    EXPECT_EQ(current, "0");
    return std::string(" 7 ");
  });
  frame()->SetAddress(0, st);
  EXPECT_EQ(session->itemValue("&&private_PM&&Address")->toString(), "7");
  session->setAddressProvider([](const std::string&) { return std::optional<std::string>(); });
  frame()->SetAddress(0, st);
  EXPECT_EQ(st, tolvar::sim::kStatusCancelled);
  EXPECT_EQ(session->itemValue("&&private_PM&&Address")->toString(), "7");
}

TEST(CheckedAddress, TakesAPollingAddressOrATagWithinTheDevicesLimits) {
  struct Case {
    std::string in;
    std::optional<std::string> out;  // nullopt: refused
  };
  for (const Case& c : std::vector<Case>{
           {"0", "0"},
           {" 63 ", "63"},
           {"007", "7"},
           {"64", std::nullopt},
           {"0064", std::nullopt},
           {"-1", "-1"},  // not a number: a tag of two characters
           {"ft-101", "FT-101"},
           {"ABCDEFGH", "ABCDEFGH"},
           {"ABCDEFGHI", std::nullopt},
           {"", std::nullopt},
           {"   ", std::nullopt},
           {"a~b", std::nullopt},
           {"\xc3\xa4", std::nullopt},
       }) {
    const auto r = tolvar::sim::checkedAddress(c.in);
    ASSERT_EQ(r.ok(), c.out.has_value()) << "\"" << c.in << "\"";
    if (c.out) {
      EXPECT_EQ(r.value(), *c.out) << c.in;
    } else {
      EXPECT_NE(r.text().find("0 to 63"), std::string::npos) << r.text();
      EXPECT_NE(r.text().find("1 to 8"), std::string::npos) << r.text();
    }
  }
}

TEST_F(FrameTest, AnAddressOutsideTheLimitsIsRefusedAndTheOldOneStays) {
  session->setAddressProvider([](const std::string&) { return std::optional<std::string>("64"); });
  session->takeHostMessages();
  int32_t st = 0;
  frame()->SetAddress(0, st);
  EXPECT_EQ(st, tolvar::sim::kStatusBadArgument);
  EXPECT_EQ(session->itemValue("&&private_PM&&Address")->toString(), "0");
  const auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("\"64\" is no device address"), std::string::npos) << messages[0];
}

TEST_F(FrameTest, ScriptFrameCallsGoByName) {
  auto result = session->frame("StartSequence", {"UPLOAD"});
  ASSERT_TRUE(result.ok()) << result.text();
  EXPECT_EQ(result.value(), std::to_string(tolvar::sim::kStatusNotConnected));
  result = session->frame("Connect", {"0"});
  ASSERT_TRUE(result.ok()) << result.text();
  EXPECT_EQ(result.value(), "0");
  // What a user reads names the operation and the run-time error.
  struct Case {
    std::string operation;
    std::vector<std::string> args;
    tolvar::Reason reason;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{
           {"Connect",
            {"0", "1"},
            tolvar::Reason::InvalidArgument,
            "frame operation \"Connect\": Run-time error 450"},
           {"Explode", {}, tolvar::Reason::NotFound, "frame operation \"Explode\": Run-time error 438"},
           {"OpenFromDatabase",
            {"x"},
            tolvar::Reason::InvalidArgument,
            "frame operation \"OpenFromDatabase\": Run-time error 450"},
       }) {
    result = session->frame(c.operation, c.args);
    ASSERT_FALSE(result.ok()) << c.operation;
    EXPECT_EQ(result.reason(), c.reason) << c.operation;
    EXPECT_EQ(result.text().rfind(c.text, 0), 0u) << result.text();
  }
}

TEST_F(FrameTest, TheAppletUtilityReadsBitFields) {
  Ptr<platform::com::Unknown> obj = session->loader().createObject(tolvar::sim::kAppletUtilityProgId);
  auto util = platform::com::queryInterface<tolvar::AppletUtility>(obj);
  ASSERT_TRUE(util);
  int32_t v = 0, st = -1;
  platform::com::ByteArray response{1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x19}};
  // What the supervision view asks: the last four octets, (ub - lb - 3) * 8 bits in.
  util->GetBitField(v, 32, true, response, (response.upperBound() - response.lowerBound - 3) * 8, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(v, 25);
  util->GetBitField(v, 4, true, platform::com::ByteArray{0, {0xA5}}, 4, st);
  EXPECT_EQ(v, 5);
  util->GetBitField(v, 16, false, platform::com::ByteArray{0, {0x12, 0x34}}, 0, st);
  EXPECT_EQ(v, 0x3412);
  util->GetBitField(v, 32, true, platform::com::ByteArray{1, {1, 2}}, -16, st);
  EXPECT_NE(st, 0) << "a response shorter than four octets";
  EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace simtest

namespace simtest {
namespace {

TEST_F(FrameTest, TheSessionServesItsAppletUtilityToTheProcessByProgId) {
  Ptr<platform::com::Unknown> object = platform::com::createProcessObject("tolvarapplet.appletutility");
  auto utility = platform::com::queryInterface<tolvar::AppletUtility>(object);
  ASSERT_TRUE(utility);
  int32_t v = -1, status = -1;
  utility->GetBitField(v, 32, true, platform::com::ByteArray{1, {0, 0, 0, 0, 0, 25}}, 16, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(v, 25);
  // Once the session is gone, nobody serves the class.
  session.reset();
  EXPECT_THROW(platform::com::createProcessObject(tolvar::kAppletUtilityProgId), RuntimeError);
}

TEST(SimAppletUtility, ReadsFieldsMostSignificantBitFirst) {
  tolvar::sim::SimAppletUtility u;
  int32_t v = -1, status = -1;
  const platform::com::ByteArray bytes{1, {0x12, 0x34, 0x56, 0x78, 0x9A}};
  u.GetBitField(v, 32, true, bytes, 8, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(static_cast<uint32_t>(v), 0x3456789Au);
  u.GetBitField(v, 32, false, bytes, 8, status);
  EXPECT_EQ(static_cast<uint32_t>(v), 0x9A785634u);
  u.GetBitField(v, 4, true, bytes, 4, status);
  EXPECT_EQ(v, 0x2);
  u.GetBitField(v, 12, true, bytes, 4, status);
  EXPECT_EQ(v, 0x234);
  for (auto [width, offset] : {std::pair{32, 9}, {8, -1}, {0, 0}, {33, 0}, {32, -32}}) {
    u.GetBitField(v, static_cast<uint8_t>(width), true, bytes, offset, status);
    EXPECT_NE(status, 0) << width << "@" << offset;
    EXPECT_EQ(v, 0);
  }
}

}  // namespace
}  // namespace simtest
