// Record states and the communication-error prompt: automatic answers, the user's answers,
// the log, and the view's end while the user is being asked.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "tests/supervision/supervision_fixture.h"
#include "velumor/shared/component.h"

namespace {

using namespace suptest;
namespace mb = plat::ui::mb;

class Prompt : public SupervisionTest {
 protected:
  void SetUp() override {
    SupervisionTest::SetUp();
    attach();
    host->log().clear();
  }
  void TearDown() override {
    plat::ui::Services::installHeadless();
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
  std::vector<plat::ui::ServiceRequest> boxes() const { return headless().requestsOf("msgbox"); }
  bool buttonsEnabled() const {
    return form().ctl("cmdRepeat").enabled() && form().ctl("cmdIgnore").enabled() &&
           form().ctl("cmdError").enabled();
  }
  bool buttonsDisabled() const {
    return !form().ctl("cmdRepeat").enabled() && !form().ctl("cmdIgnore").enabled() &&
           !form().ctl("cmdError").enabled();
  }
  HookedMessageBox hooked;
  void useHookedBox(std::function<int32_t(const std::string&)> answer) {
    hooked.answer = std::move(answer);
    plat::ui::Services::install(&hooked, nullptr, nullptr, nullptr, nullptr, nullptr);
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
  bool shownWhileAsked = false, enabledWhileAsked = false;
  std::string responseWhileAsked;
  useHookedBox([&](const std::string&) {
    shownWhileAsked = form().visible();
    enabledWhileAsked = buttonsEnabled();
    responseWhileAsked = caption("lblResponse");
    EXPECT_TRUE(sup().promptPending());
    return mb::IdRetry;
  });
  recordState("REC_THIRD", 16, {0x03, 0});
  EXPECT_EQ(control("REC_THIRD"), (std::vector<double>{1.0}));
  ASSERT_EQ(hooked.texts.size(), 1u);
  EXPECT_NE(hooked.texts[0].find("RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_THIRD"), std::string::npos);
  EXPECT_NE(hooked.texts[0].find("VR_RESPONSE_PARAMETER_TOO_LARGE"), std::string::npos);
  EXPECT_NE(hooked.texts[0].find("Parameter too large: 250.0 > 100.0"), std::string::npos);
  EXPECT_TRUE(shownWhileAsked);
  EXPECT_TRUE(enabledWhileAsked);
  EXPECT_EQ(responseWhileAsked, "Parameter too large: 250.0 > 100.0");

  ASSERT_EQ(log().listCount(), 1);
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_THIRD");
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_PARAMETER_TOO_LARGE");
  EXPECT_EQ(caption("lblState"), "0x10");
  // After the answer: the response is emptied, the rest stays; buttons off, window hidden.
  EXPECT_EQ(caption("lblResponse"), "");
  EXPECT_TRUE(buttonsDisabled());
  EXPECT_FALSE(form().visible());
  EXPECT_FALSE(sup().promptPending());
  EXPECT_TRUE(form().isLoaded());
}

TEST_F(Prompt, IgnoreContinuesAndAbortFailsTheRequest) {
  headless().queueMessageAnswer(mb::IdIgnore);
  headless().queueMessageAnswer(mb::IdAbort);
  recordState("REC_FIRST", 32, {0x05, 0});
  recordState("REC_SECOND", 33, {0x06, 0});
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{4.0}));
  auto asked = boxes();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].style & 7, mb::AbortRetryIgnore);
  EXPECT_NE(asked[0].text.find("RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_FIRST"), std::string::npos);
  EXPECT_EQ(asked[0].title, form().caption());
  EXPECT_EQ(caption("lblState"), "0x21");
  EXPECT_TRUE(headless().unanswered().empty());
}

TEST_F(Prompt, TheResponseLabelTakesFiftyCharacters) {
  const std::string text = "\u00c4nderung abgelehnt: der Wert liegt \u00fcber der oberen Grenze des Bereichs";
  host->valueTexts["&&Record_Response&&REC_FIRST"] = text;
  std::string responseWhileAsked;
  useHookedBox([&](const std::string&) {
    responseWhileAsked = caption("lblResponse");
    return mb::IdIgnore;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  // Fifty characters, not fifty bytes: the umlauts stay whole.
  EXPECT_EQ(responseWhileAsked, "\u00c4nderung abgelehnt: der Wert liegt \u00fcber der oberen");
}

TEST_F(Prompt, CodesWithoutATextShowTheNumberAndUnknownError) {
  for (int i = 0; i < 5; ++i) headless().queueMessageAnswer(mb::IdIgnore);
  recordState("REC_FIRST", 16, {7, 0});
  EXPECT_EQ(caption("lblError"), "7:  unknown error");
  recordState("REC_FIRST", 16, {1, 0});
  EXPECT_EQ(caption("lblError"), "1:  unknown error");
  recordState("REC_FIRST", 16, {20, 0});  // no string block at all
  EXPECT_EQ(caption("lblError"), "0x14:  unknown error");
  recordState("REC_FIRST", 16, {11, 0});  // the text is longer than the label takes
  EXPECT_EQ(
      caption("lblError"),
      std::string("VR_RESPONSE_UPPER_RANGE_VALUE_TOO_HIGH / VR_RESPONSE_IN_MULTIDROP_MODE").substr(0, 50));
  recordState("REC_FIRST", 16, {2, 0});
  EXPECT_EQ(caption("lblError"), "VR_RESPONSE_INVALID_SELECTION");
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(Prompt, AResponseWithoutACodeIsNeverTakenForSuccess) {
  headless().queueMessageAnswer(mb::IdAbort);
  recordState("REC_FIRST", 32, {});
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(caption("lblError"), "unknown error");
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
      plat::com::raise(plat::com::err::Overflow);
  };
  recordState("REC_FIRST", 32, {0x00, 0});
  EXPECT_EQ(writes("RecordState"), (std::vector<double>{32.0}));
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_TRUE(loop().errors().empty());
  host->log().onCall = nullptr;
}

TEST_F(Prompt, TheLogKeepsTheNewestHundredLines) {
  for (int i = 0; i < 101; ++i) {
    headless().queueMessageAnswer(mb::IdIgnore);
    recordState(i % 2 ? "REC_FIRST" : "REC_SECOND", i % 2 ? 16 : 32, {0x03, 0});
  }
  ASSERT_EQ(log().listCount(), 100);
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_SECOND");  // the 101st
  EXPECT_EQ(log().list(1), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_FIRST");
  EXPECT_EQ(log().list(99), "RECORD_STATE_RESPONSE_RECEIVE_READ  :  REC_FIRST");  // the 2nd; the 1st is gone
  EXPECT_EQ(log().tabStops(), std::vector<int32_t>{64});

  form().show(false);
  EXPECT_TRUE(form().userClick(form().ctl("cmdClear")));
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

TEST_F(Prompt, AWindowButtonAnswersThePromptFirst) {
  useHookedBox([&](const std::string&) {
    form().userClick(form().ctl("cmdError"));  // the user found the window's own button
    return mb::IdRetry;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{4.0}));
  EXPECT_FALSE(form().visible());
}

TEST_F(Prompt, ClosingTheWindowAnswersIgnoreAndKeepsItLoaded) {
  useHookedBox([&](const std::string&) {
    EXPECT_FALSE(form().userClose());
    return mb::IdRetry;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{2.0}));
  EXPECT_TRUE(form().isLoaded());
  EXPECT_FALSE(form().visible());
  EXPECT_EQ(count("ReleaseView"), 0);
}

TEST_F(Prompt, ASecondPromptWaitsUntilTheFirstIsAnswered) {
  int open = 0, most = 0;
  std::vector<std::string> order;
  useHookedBox([&](const std::string& text) {
    most = std::max(most, ++open);
    const size_t from = text.find("  :  ") + 5;
    order.push_back(text.substr(from, text.find("\r\n") - from));
    if (order.size() == 1) {
      // Another record fails while the user thinks; timers keep running meanwhile.
      host->setItem("&&Record_State&&REC_SECOND", Variant(32.0));
      host->setItem("&&Record_Response&&REC_SECOND", Variant(octets(1, {0x05, 0})));
      view->NotifyChanged(h("&&Record_State&&REC_SECOND"), false, 0,
                          host->registration("&&Record_State&&REC_SECOND")->userLong);
      loop().advance(20);
      EXPECT_TRUE(control("REC_SECOND").empty());
    }
    --open;
    return order.size() == 1 ? mb::IdRetry : mb::IdAbort;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  loop().advance(5);
  EXPECT_EQ(most, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"REC_FIRST", "REC_SECOND"}));
  EXPECT_EQ(control("REC_FIRST"), (std::vector<double>{1.0}));
  EXPECT_EQ(control("REC_SECOND"), (std::vector<double>{4.0}));
  EXPECT_EQ(log().list(0), "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  REC_SECOND");
}

class PromptEnd : public Prompt {
 protected:
  // Asserts the clean end: released once, timers stopped, nothing written after the end.
  void expectCleanEnd() {
    EXPECT_EQ(host->releasedViews.size(), 1u);
    EXPECT_TRUE(control("REC_FIRST").empty());
    EXPECT_FALSE(form().isLoaded());
    EXPECT_FALSE(view->binding().hasQueue());
    EXPECT_FALSE(sup().promptPending());
    EXPECT_TRUE(loop().errors().empty()) << loop().errors().front();
    // Nothing of the view keeps running.
    const size_t callsBefore = host->log().calls().size();
    view->NotifyChanged(h("&&private&&Connect"), false, 0, 0);
    loop().advance(1000);
    EXPECT_EQ(host->log().calls().size(), callsBefore);
  }
};

TEST_F(PromptEnd, DestroyWhileTheUserIsAskedEndsTheWaitCleanly) {
  sup().QueueSeqAdjust("SEQ_UPLOAD");
  useHookedBox([&](const std::string&) {
    EXPECT_EQ(view->Destroy(), 0);
    return mb::IdRetry;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  expectCleanEnd();
  EXPECT_EQ(count("AdjustSequence"), 0);
  view = nullptr;  // the terminator releases nothing more
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

TEST_F(PromptEnd, UnloadWhileTheUserIsAskedEndsTheWaitCleanly) {
  useHookedBox([&](const std::string&) {
    EXPECT_TRUE(form().unload());
    return mb::IdAbort;
  });
  recordState("REC_FIRST", 32, {0x03, 0});
  expectCleanEnd();
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

TEST_F(PromptEnd, TheHostMayLetGoOfTheViewWhileTheUserIsAsked) {
  const int64_t live = velumor::componentLiveCount().value();
  useHookedBox([&](const std::string&) {
    view->Destroy();
    view = nullptr;  // the host's last reference
    return mb::IdRetry;
  });
  recordState("REC_FIRST", 16, {0x03, 0});
  EXPECT_EQ(host->releasedViews.size(), 1u);
  EXPECT_TRUE(control("REC_FIRST").empty());
  loop().advance(100);
  EXPECT_TRUE(loop().errors().empty());
  EXPECT_LT(velumor::componentLiveCount().value(), live);  // view and window are gone
}

TEST_F(Prompt, DestroyReleasesTheViewExactlyOnce) {
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(view->Destroy(), 0);
  view = nullptr;
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

}  // namespace
