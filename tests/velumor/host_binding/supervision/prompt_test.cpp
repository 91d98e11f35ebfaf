// Record states and the communication-error prompt: automatic answers, the user's answers,
// the log, and the view's end while the user is being asked.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "tests/velumor/host_binding/supervision/supervision_fixture.h"
#include "velumor/shared/component.h"

namespace {

using namespace suptest;
namespace mb = platform::ui::mb;

class Prompt : public SupervisionTest {
 protected:
  void SetUp() override {
    SupervisionTest::SetUp();
    attach();
    host->log().clear();
  }
  void TearDown() override {
    platform::ui::Services::installHeadless();
    SupervisionTest::TearDown();
  }

  // The host reports record `name` in `state` with `response` octets (from octet 1).
  void recordState(const std::string& name, double state, std::vector<uint8_t> response) {
    host->setItem("&&Record_State&&" + name, Variant(state));
    host->setItem("&&Record_Response&&" + name, Variant(octets(1, std::move(response))));
    notifyTagged("&&Record_State&&" + name);
  }
  std::vector<double> control(const std::string& name) const {
    return writes("&&Record_Response_Control&&" + name);
  }
  // What the user sees: no message box ever, the window only while a prompt waits.
  std::vector<platform::ui::ServiceRequest> boxes() const { return headless().requestsOf("msgbox"); }
  // The user clicks one of the window's buttons; the tick after it runs too.
  void click(const char* button) {
    ASSERT_TRUE(form().visible()) << button << " clicked on a hidden window";
    ASSERT_TRUE(form().userClick(form().ctl(button))) << button;
    loop().advance(1);
  }
  // The record a prompt on screen asks about, from the newest log line.
  std::string askedRecord() const {
    if (!form().visible() || log().listCount() == 0) return {};
    const std::string line = log().list(0);
    return line.substr(line.find("  :  ") + 5);
  }
  bool buttonsEnabled() const {
    return form().ctl("cmdRepeat").enabled() && form().ctl("cmdIgnore").enabled() &&
           form().ctl("cmdError").enabled();
  }
  bool buttonsDisabled() const {
    return !form().ctl("cmdRepeat").enabled() && !form().ctl("cmdIgnore").enabled() &&
           !form().ctl("cmdError").enabled();
  }
};

TEST_F(Prompt, AFinishedRecordPassesItsCodeAndDeviceStatusOn) {
  recordState("REC_FIRST", 0, {0x03, 0x40, 0x99});
  EXPECT_EQ(host->values[h("RecordName")].toString(), "REC_FIRST");
  EXPECT_EQ(writes("RecordState"), (std::vector<double>{0.0}));
  EXPECT_EQ(writes("LastCommandResponseSummary"), (std::vector<double>{3.0}));
  EXPECT_EQ(writes("LastFieldDeviceStatus"), (std::vector<double>{64.0}));
  EXPECT_TRUE(control("REC_FIRST").empty());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Prompt, AFinishedRecordWithAShortResponsePassesOnlyWhatItHas) {
  recordState("REC_FIRST", 0, {0x05});
  recordState("REC_SECOND", 0, {});
  EXPECT_EQ(writes("LastCommandResponseSummary"), (std::vector<double>{5.0}));
  EXPECT_TRUE(writes("LastFieldDeviceStatus").empty());
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(Prompt, WaitingAndRequestedStatesNeedNoAnswer) {
  for (double state : {1.0, 2.0, 4.0, 8.0, 19.0, 31.0, 34.0}) recordState("REC_FIRST", state, {0x03, 0});
  EXPECT_EQ(count("GetArrayValue"), 0);
  EXPECT_TRUE(control("REC_FIRST").empty());
  EXPECT_EQ(writes("RecordState"), (std::vector<double>{1, 2, 4, 8, 19, 31, 34}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Prompt, CodeZeroContinuesAndBitSevenRepeatsWithoutAsking) {
  recordState("REC_FIRST", 32, {0x00, 0});
  recordState("REC_FIRST", 17, {0x81, 0});
  recordState("REC_FIRST", 33, {0xFF, 0});
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0, 1.0, 1.0}));
  EXPECT_TRUE(boxes().empty());
  EXPECT_FALSE(form().visible());
  EXPECT_EQ(log().listCount(), 0);
}

TEST_F(Prompt, AReadErrorAsksTheUserAndRetryRepeats) {
  host->valueTexts["&&Record_Response&&REC_THIRD"] = "Parameter too large: 250.0 > 100.0";
  recordState("REC_THIRD", 16, {0x03, 0});
  // The window itself asks, modeless: no message box, nothing written yet.
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(form().visible());
  EXPECT_FALSE(form().isModal());
  EXPECT_TRUE(buttonsEnabled());
  EXPECT_TRUE(sup().promptPending());
  EXPECT_TRUE(control("REC_THIRD").empty());
  ASSERT_EQ(log().listCount(), 1);
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_THIRD");
  EXPECT_EQ(caption("lblResponse"), "Parameter too large: 250.0 > 100.0");
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_PARAMETER_TOO_LARGE");
  EXPECT_EQ(caption("lblState"), "0x10");

  click("cmdRepeat");
  EXPECT_EQ(control("REC_THIRD"), (std::vector<double>{1.0}));
  // After the answer: the response is emptied, the rest stays; buttons off, window hidden.
  EXPECT_EQ(caption("lblResponse"), "");
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_PARAMETER_TOO_LARGE");
  EXPECT_EQ(log().listCount(), 1);
  EXPECT_TRUE(buttonsDisabled());
  EXPECT_FALSE(form().visible());
  EXPECT_FALSE(sup().promptPending());
  EXPECT_TRUE(form().isLoaded());
}

TEST_F(Prompt, IgnoreContinuesAndErrorFailsTheRequest) {
  recordState("REC_FIRST", 32, {0x05, 0});
  EXPECT_EQ(caption("lblState"), "0x20");
  click("cmdIgnore");
  recordState("REC_SECOND", 33, {0x06, 0});
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_SECOND");
  EXPECT_EQ(caption("lblState"), "0x21");
  click("cmdError");
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{4.0}));
  EXPECT_TRUE(boxes().empty());
  EXPECT_FALSE(form().visible());
}

TEST_F(Prompt, TheResponseLabelTakesFiftyCharacters) {
  const std::string text = "\u00c4nderung abgelehnt: der Wert liegt \u00fcber der oberen Grenze des Bereichs";
  host->valueTexts["&&Record_Response&&REC_FIRST"] = text;
  recordState("REC_FIRST", 16, {0x03, 0});
  // Fifty characters, not fifty bytes: the umlauts stay whole.
  EXPECT_EQ(caption("lblResponse"), "\u00c4nderung abgelehnt: der Wert liegt \u00fcber der oberen");
}

TEST_F(Prompt, CodesWithoutATextShowTheNumberAndUnknownError) {
  recordState("REC_FIRST", 16, {7, 0});
  EXPECT_EQ(caption("lblError"), "7:  unknown error");
  click("cmdIgnore");
  recordState("REC_FIRST", 16, {1, 0});
  EXPECT_EQ(caption("lblError"), "1:  unknown error");
  click("cmdIgnore");
  recordState("REC_FIRST", 16, {20, 0});  // no string block at all
  EXPECT_EQ(caption("lblError"), "0x14:  unknown error");
  click("cmdIgnore");
  recordState("REC_FIRST", 16, {11, 0});  // the text is longer than the label takes
  EXPECT_EQ(
      caption("lblError"),
      std::string("VR_RESPONSE_UPPER_RANGE_VALUE_TOO_HIGH / VR_RESPONSE_IN_MULTIDROP_MODE").substr(0, 50));
  click("cmdIgnore");
  recordState("REC_FIRST", 16, {2, 0});
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_INVALID_SELECTION");
  click("cmdIgnore");
  EXPECT_EQ(control("REC_FIRST"), std::vector<double>(5, 2.0));
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(Prompt, AResponseWithoutACodeIsNeverTakenForSuccess) {
  recordState("REC_FIRST", 32, {});
  EXPECT_TRUE(form().visible());
  EXPECT_EQ(caption("lblError"), "unknown error");
  EXPECT_TRUE(control("REC_FIRST").empty());
  click("cmdError");
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{4.0}));
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(Prompt, AStateThatCannotBeReadDecidesNothing) {
  host->setItem("&&Record_Response&&REC_FIRST", Variant(octets(1, {0x00, 0})));
  view->NotifyChanged(h("&&Record_State&&REC_FIRST"), false, 0,
                      host->registration("&&Record_State&&REC_FIRST")->userLong);
  loop().advance(1);
  EXPECT_EQ(host->values[h("RecordName")].toString(), "REC_FIRST");
  EXPECT_TRUE(writes("RecordState").empty());
  EXPECT_TRUE(control("REC_FIRST").empty());
  EXPECT_TRUE(writes("LastCommandResponseSummary").empty());
}

TEST_F(Prompt, AFailingWriteIsSkippedAndTheRestOfTheHandlerRuns) {
  host->log().onCall = [this](const fakehost::Call& c) {
    if (c.op == "SetString" && c.args[0].toLong() == h("RecordName"))
      platform::com::raise(platform::com::err::Overflow);
  };
  recordState("REC_FIRST", 32, {0x00, 0});
  EXPECT_EQ(writes("RecordState"), (std::vector<double>{32.0}));
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_TRUE(loop().errors().empty());
  host->log().onCall = nullptr;
}

TEST_F(Prompt, TheLogKeepsTheNewestHundredLines) {
  for (int i = 0; i < 101; ++i) {
    recordState(i % 2 ? "REC_FIRST" : "REC_SECOND", i % 2 ? 16 : 32, {0x03, 0});
    click("cmdIgnore");
  }
  ASSERT_EQ(log().listCount(), 100);
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_SECOND");  // the 101st
  EXPECT_EQ(log().list(1), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_FIRST");
  EXPECT_EQ(log().list(99), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_FIRST");  // the 2nd; the 1st is gone
  EXPECT_EQ(log().tabStops(), std::vector<int32_t>{64});
}

TEST_F(Prompt, ClearEmptiesTheLogWhileAPromptWaits) {
  recordState("REC_FIRST", 16, {0x03, 0});
  click("cmdIgnore");
  recordState("REC_SECOND", 32, {0x05, 0});
  ASSERT_EQ(log().listCount(), 2);
  // The window is up and Clear is reachable: it empties the log and answers nothing.
  click("cmdClear");
  EXPECT_EQ(log().listCount(), 0);
  EXPECT_TRUE(form().visible());
  EXPECT_TRUE(sup().promptPending());
  EXPECT_TRUE(control("REC_SECOND").empty());
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_INCORRECT_BYTE_COUNT");
  click("cmdRepeat");
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{1.0}));
  EXPECT_EQ(log().listCount(), 0);
}

TEST_F(Prompt, AnswersWithoutAPendingPromptWriteNothing) {
  form().cmdRepeat_Click();
  form().cmdIgnore_Click();
  form().cmdError_Click();
  sup().AnswerError();
  EXPECT_EQ(count("SetValue"), 0);
  EXPECT_TRUE(buttonsDisabled());
}

TEST_F(Prompt, TheCloseBoxAnswersIgnoreAndKeepsTheWindowLoaded) {
  recordState("REC_FIRST", 16, {0x03, 0});
  ASSERT_TRUE(form().visible());
  EXPECT_FALSE(form().userClose());  // closing is cancelled
  loop().advance(1);
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_TRUE(form().isLoaded());
  EXPECT_FALSE(form().visible());
  EXPECT_TRUE(buttonsDisabled());
  EXPECT_EQ(caption("lblResponse"), "");
  EXPECT_FALSE(sup().promptPending());
  EXPECT_EQ(count("ReleaseView"), 0);
  // The window asks again for the next error.
  recordState("REC_FIRST", 16, {0x03, 0});
  EXPECT_TRUE(form().visible());
  click("cmdError");
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0, 4.0}));
}

TEST_F(Prompt, TheQueueKeepsMovingWhileAPromptIsOpen) {
  recordState("REC_FIRST", 16, {0x03, 0});
  ASSERT_TRUE(sup().promptPending());
  // While the user has not answered: the connection, automatic answers and the adjust queue
  // are all worked off.
  change("&&private&&Connect", Variant(2.0));
  EXPECT_EQ(value("&&Menu_State&&Connect"), 1.0);
  EXPECT_EQ(value("&&Menu_State&&SaveToDevice"), 3.0);
  recordState("REC_SECOND", 32, {0x00, 0});
  recordState("REC_THIRD", 17, {0x81, 0});
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{2.0}));
  EXPECT_EQ(control("REC_THIRD"), (std::vector<double>{1.0}));
  sup().QueueSeqAdjust("SEQ_UPLOAD");
  loop().advance(60);
  EXPECT_EQ(count("AdjustSequence"), 1);
  EXPECT_TRUE(view->binding().queue()->empty());
  // The prompt still waits for its own answer.
  EXPECT_TRUE(form().visible());
  EXPECT_TRUE(control("REC_FIRST").empty());
  click("cmdIgnore");
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
}

TEST_F(Prompt, NestedPromptsAreAnsweredNewestFirst) {
  recordState("REC_FIRST", 16, {0x03, 0});
  // Two more records fail while the first is on screen: they wait, the first stays.
  recordState("REC_SECOND", 32, {0x05, 0});
  recordState("REC_THIRD", 17, {0x04, 0});
  EXPECT_EQ(sup().waitingPrompts(), 2u);
  EXPECT_EQ(askedRecord(), "REC_FIRST");
  EXPECT_EQ(log().listCount(), 1);  // a waiting prompt is logged when it is asked

  std::vector<std::string> asked;
  for (const char* button : {"cmdRepeat", "cmdIgnore", "cmdError"}) {
    asked.push_back(askedRecord());
    click(button);
  }
  // The one on screen first, then the waiting ones, the newest first.
  EXPECT_EQ(asked, (std::vector<std::string>{"REC_FIRST", "REC_THIRD", "REC_SECOND"}));
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{1.0}));
  EXPECT_EQ(control("REC_THIRD"), (std::vector<double>{2.0}));
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{4.0}));
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_SECOND");
  EXPECT_EQ(log().list(1), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_THIRD");
  EXPECT_EQ(log().list(2), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_FIRST");
  EXPECT_FALSE(form().visible());
  EXPECT_EQ(sup().waitingPrompts(), 0u);
}

TEST_F(Prompt, APromptRaisedWhileOthersWaitIsAskedBeforeThem) {
  recordState("REC_FIRST", 16, {0x03, 0});
  recordState("REC_SECOND", 32, {0x05, 0});
  click("cmdIgnore");  // REC_FIRST answered: REC_SECOND on screen
  EXPECT_EQ(askedRecord(), "REC_SECOND");
  // Meanwhile REC_FIRST fails again and waits behind the one on screen; the close box
  // answers REC_SECOND, then REC_FIRST is asked.
  recordState("REC_FIRST", 18, {0x03, 0});
  recordState("REC_THIRD", 16, {0x03, 0});
  EXPECT_FALSE(form().userClose());
  loop().advance(1);
  EXPECT_EQ(askedRecord(), "REC_THIRD");
  click("cmdRepeat");
  EXPECT_EQ(askedRecord(), "REC_FIRST");
  EXPECT_EQ(caption("lblState"), "0x12");
  click("cmdError");
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0, 4.0}));
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{2.0}));
  EXPECT_EQ(control("REC_THIRD"), (std::vector<double>{1.0}));
}

class PromptEnd : public Prompt {
 protected:
  // A prompt on screen and two waiting.
  void askThree() {
    recordState("REC_FIRST", 16, {0x03, 0});
    recordState("REC_SECOND", 32, {0x05, 0});
    recordState("REC_THIRD", 16, {0x03, 0});
    ASSERT_TRUE(form().visible());
    ASSERT_EQ(sup().waitingPrompts(), 2u);
  }
  // Asserts the clean end: released once, no prompt left, nothing written after the end.
  void expectCleanEnd() {
    EXPECT_EQ(host->releasedViews.size(), 1u);
    for (const char* name : {"REC_FIRST", "REC_SECOND", "REC_THIRD"})
      EXPECT_TRUE(control(name).empty()) << name;
    EXPECT_FALSE(form().visible());
    EXPECT_FALSE(view->binding().hasQueue());
    EXPECT_FALSE(sup().promptPending());
    EXPECT_EQ(sup().waitingPrompts(), 0u);
    EXPECT_TRUE(loop().errors().empty()) << loop().errors().front();
    // Nothing of the view keeps running.
    const size_t callsBefore = host->log().calls().size();
    view->NotifyChanged(h("&&private&&Connect"), false, 0, 0);
    loop().advance(1000);
    EXPECT_EQ(host->log().calls().size(), callsBefore);
  }
};

TEST_F(PromptEnd, DestroyWhilePromptsWaitEndsThemCleanly) {
  sup().QueueSeqAdjust("SEQ_UPLOAD");
  askThree();
  EXPECT_EQ(view->Destroy(), 0);
  expectCleanEnd();
  EXPECT_TRUE(form().isLoaded());  // Destroy does not unload the window
  EXPECT_EQ(count("AdjustSequence"), 0);
  view = nullptr;  // the terminator releases nothing more
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

TEST_F(PromptEnd, UnloadWhilePromptsWaitEndsThemCleanly) {
  askThree();
  EXPECT_TRUE(form().unload());
  expectCleanEnd();
  EXPECT_FALSE(form().isLoaded());
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

TEST_F(PromptEnd, TheHostMayLetGoOfTheViewWhilePromptsWait) {
  const int64_t live = velumor::shared::componentLiveCount().value();
  askThree();
  view->Destroy();
  view = nullptr;  // the host's last reference
  EXPECT_EQ(host->releasedViews.size(), 1u);
  EXPECT_TRUE(control("REC_FIRST").empty());
  loop().advance(100);
  EXPECT_TRUE(loop().errors().empty());
  EXPECT_LT(velumor::shared::componentLiveCount().value(), live);  // view and window are gone
}

TEST_F(Prompt, DestroyReleasesTheViewExactlyOnce) {
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(view->Destroy(), 0);
  view = nullptr;
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

}  // namespace
