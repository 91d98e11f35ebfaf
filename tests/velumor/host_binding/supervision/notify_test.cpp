// The supervision view's notification dispatch: menu states, engineering context, device
// variant, address, tag name, caption, sequence messages and the adjust queue.
#include <cmath>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "tests/velumor/host_binding/supervision/supervision_fixture.h"
#include "velumor/shared/velumor_help_functions.h"

namespace {

using namespace suptest;

const double kNo = std::nan("");
constexpr double kOff = 1.0;  // shown, disabled
constexpr double kOn = 3.0;   // shown, enabled

bool sameMenus(const std::vector<double>& actual, const std::vector<double>& expected) {
  if (actual.size() != expected.size()) return false;
  for (size_t i = 0; i < actual.size(); ++i) {
    if (std::isnan(expected[i]) != std::isnan(actual[i])) return false;
    if (!std::isnan(expected[i]) && expected[i] != actual[i]) return false;
  }
  return true;
}

std::string show(const std::vector<double>& v) {
  std::string s;
  for (double d : v) s += (std::isnan(d) ? std::string("-") : std::to_string(d).substr(0, 3)) + " ";
  return s;
}

// The message windows opened since `before`, as "caption|text".
std::vector<std::string> messagesSince(size_t before) {
  std::vector<std::string> out;
  const auto forms = platform::ui::allForms();
  size_t seen = 0;
  for (platform::ui::Form* f : forms) {
    if (f->name() != "MessageForm" || !f->isLoaded()) continue;
    if (seen++ < before) continue;
    out.push_back(f->caption() + "|" + f->ctl("MessageLabel").caption());
  }
  return out;
}

class MenuStates : public SupervisionTest {
 protected:
  void SetUp() override {
    SupervisionTest::SetUp();
    attach();
    // Start from a known picture: nothing written after registration counts.
    for (const char* item : velumor::host_binding::supervision::kMenuStateItems) host->values.erase(h(item));
  }
};

TEST_F(MenuStates, ConnectedAndDisconnectedSwapTheConnectionEntries) {
  change("&&private&&Connect", Variant(2.0));
  EXPECT_PRED2(sameMenus, menuValues(),
               (std::vector<double>{kOff, kOn, kOn, kOn, kOn, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo}))
      << show(menuValues());
  for (double state : {0.0, 1.0, 3.0, 4.0}) {
    change("&&private&&Connect", Variant(state));
    EXPECT_PRED2(sameMenus, menuValues(),
                 (std::vector<double>{kOn, kOff, kOff, kOff, kOff, kNo, kNo, kNo, kNo, kNo, kNo, kNo, kNo}))
        << "state " << state << ": " << show(menuValues());
  }
}

TEST_F(MenuStates, AConnectionStateThatCannotBeReadChangesNothing) {
  view->NotifyChanged(h("&&private&&Connect"), false, 0, 0);  // no value: the read fails
  loop().advance(1);
  EXPECT_PRED2(sameMenus, menuValues(), std::vector<double>(13, kNo)) << show(menuValues());
}

TEST_F(MenuStates, EngineeringContextTwoLocksTheDeviceEntries) {
  change("&&private_FDT&&EngineeringContext", Variant(2.0));
  EXPECT_TRUE(sup().contextLatched());
  const std::vector<double> locked{kOff, kOff, kOff, kOff, kOff, kNo, kNo, kNo, kNo, kNo, kNo, kOff, kOff};
  EXPECT_PRED2(sameMenus, menuValues(), locked) << show(menuValues());

  host->log().clear();
  change("&&private&&Connect", Variant(2.0));
  change("&&private&&Connect", Variant(0.0));
  EXPECT_EQ(count("SetValue"), 0);
  EXPECT_PRED2(sameMenus, menuValues(), locked);
  // Once the context leaves 2 the connection is in charge of its entries again; the view
  // entries stay as the lock left them.
  change("&&private_FDT&&EngineeringContext", Variant(0.0));
  change("&&private&&Connect", Variant(2.0));
  EXPECT_PRED2(sameMenus, menuValues(),
               (std::vector<double>{kOff, kOn, kOn, kOn, kOn, kNo, kNo, kNo, kNo, kNo, kNo, kOff, kOff}))
      << show(menuValues());
}

TEST_F(MenuStates, AContextTheDescriptionAlreadyHoldsChangesNothing) {
  setEngineeringContextOfDescription(2);
  change("&&private_FDT&&EngineeringContext", Variant(2.0));
  EXPECT_FALSE(sup().contextLatched());
  EXPECT_PRED2(sameMenus, menuValues(), std::vector<double>(13, kNo));
  change("&&private&&Connect", Variant(2.0));
  EXPECT_EQ(value("&&Menu_State&&Connect"), kOff);
  EXPECT_EQ(value("&&Menu_State&&Disconnect"), kOn);
}

TEST_F(MenuStates, OtherContextsLatchButLeaveTheConnectionInCharge) {
  change("&&private_FDT&&EngineeringContext", Variant(8.0));
  EXPECT_TRUE(sup().contextLatched());
  EXPECT_PRED2(sameMenus, menuValues(), std::vector<double>(13, kNo));
  change("&&private&&Connect", Variant(2.0));
  EXPECT_EQ(value("&&Menu_State&&Connect"), kOff);
  EXPECT_EQ(value("&&Menu_State&&SaveToDevice"), kOn);
  // Once latched, a later value 2 no longer locks.
  change("&&private_FDT&&EngineeringContext", Variant(2.0));
  EXPECT_EQ(value("&&Menu_State&&SaveToDevice"), kOn);
}

TEST_F(MenuStates, ContextsWithoutStateBitsAreIgnored) {
  for (double v : {0.0, 1.0, 16.0, 64.0, 81.0}) change("&&private_FDT&&EngineeringContext", Variant(v));
  EXPECT_FALSE(sup().contextLatched());
  // A flag word above the Long range counts as its signed counterpart (-2 has state bits).
  change("&&private_FDT&&EngineeringContext", Variant(4294967294.0));
  EXPECT_TRUE(sup().contextLatched());
  EXPECT_TRUE(loop().errors().empty());
}

class Items : public SupervisionTest {
 protected:
  void SetUp() override {
    SupervisionTest::SetUp();
    attach();
    host->log().clear();
  }
  ByteArray tagWritten() const {
    auto calls = host->log().of("SetArrayValue");
    EXPECT_EQ(calls.size(), 1u);
    if (calls.empty()) return {};
    EXPECT_EQ(calls[0].args[0].toLong(), h("TAG"));
    return calls[0].args[1].byteArray();
  }
};

TEST_F(Items, TheTagNameGoesToTagPackedAndPaddedToEightCharacters) {
  change("&&private_PM&&TagName", Variant(std::string("ab")));
  // "AB" and six blanks: 01 02 20 20 | 20 20 20 20 in six bits each.
  EXPECT_EQ(tagWritten().data, (std::vector<uint8_t>{0x04, 0x28, 0x20, 0x82, 0x08, 0x20}));
}

TEST_F(Items, TheTagNameIsCutAtNulAndTrimmed) {
  change("&&private_PM&&TagName", Variant(std::string("  AB\0XYZ", 8)));
  EXPECT_EQ(tagWritten().data, (std::vector<uint8_t>{0x04, 0x28, 0x20, 0x82, 0x08, 0x20}));
}

TEST_F(Items, TheTagNameIsTrimmedBeforeItIsCut) {
  // A blank before the NUL survives the trim: nine characters are packed, the last a blank.
  change("&&private_PM&&TagName", Variant(std::string("TAGNAME1 \0\0\0", 12)));
  const ByteArray packed = tagWritten();
  EXPECT_EQ(packed.data.size(), 7u);  // (6 * 9 + 7) / 8
  EXPECT_EQ(packed.data, velumor::shared::PackAscii("TAGNAME1 ").data);
}

TEST_F(Items, ALongTagNameIsPackedWhole) {
  change("&&private_PM&&TagName", Variant(std::string("ABCDEFGHIJ")));
  EXPECT_EQ(tagWritten().data.size(), 8u);  // (6 * 10 + 7) / 8
  EXPECT_EQ(tagWritten().data[0], 0x04);
}

TEST_F(Items, AnEmptyTagNameOrOneInTransitWritesNothing) {
  change("&&private_PM&&TagName", Variant(std::string("   ")));
  change("&&private_PM&&TagName", Variant(std::string("ABCD")), 4);
  EXPECT_EQ(count("SetArrayValue"), 0);
  EXPECT_EQ(count("GetString"), 1);  // the one in transit is not even read
}

TEST_F(Items, TheAddressIsTrimmedBeforeItIsCut) {
  change("DESCRIPTOR", Variant(std::string("Line 3")));
  change("&&private_PM&&Address", Variant(std::string("12 \0   ", 7)));
  EXPECT_EQ(form().caption(), "AlwaysView / Statemachine, [12 ] RQ4400 Coriolis: Line 3");
  EXPECT_EQ(writes("INSTRUMENT_ADDRESS"), (std::vector<double>{12.0}));
}

TEST_F(Items, ANumericAddressGoesToTheInstrumentAddressAndTheCaption) {
  change("DESCRIPTOR", Variant(std::string("  Line 3  ")));
  EXPECT_EQ(form().caption(), "AlwaysView / Statemachine, [] RQ4400 Coriolis: Line 3");
  change("&&private_PM&&Address", Variant(std::string(" 12 ")));
  EXPECT_EQ(writes("INSTRUMENT_ADDRESS"), (std::vector<double>{12.0}));
  EXPECT_EQ(form().caption(), "AlwaysView / Statemachine, [12] RQ4400 Coriolis: Line 3");
  change("&&private_PM&&Address", Variant(std::string("COM1")));
  EXPECT_EQ(writes("INSTRUMENT_ADDRESS"), (std::vector<double>{12.0}));
  EXPECT_EQ(form().caption(), "AlwaysView / Statemachine, [COM1] RQ4400 Coriolis: Line 3");
}

class Revision : public Items {
 protected:
  void transmitterState(ByteArray response) {
    host->setItem("&&Record_Response&&HART_COMMAND_048_ReadOctets", Variant(std::move(response)));
    change("ADD_TRANSMITTER_STATE", Variant(ByteArray{0, {0, 0, 0, 0, 0}}));
  }
};

TEST_F(Revision, TheNumberOfStatusOctetsTellsTheDeviceVariant) {
  transmitterState(octets(1, {0, 0, 0, 0, 0, 5}));
  transmitterState(octets(1, {0, 0, 0, 0, 0, 25}));
  transmitterState(octets(1, {0, 0, 0, 0, 0, 18}));
  transmitterState(octets(1, {0, 0, 0, 0, 0, 17}));
  transmitterState(octets(1, {0, 0, 0, 0, 1, 5}));              // 261, all four octets count
  transmitterState(octets(1, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));  // -1 as a Long: neither
  transmitterState(octets(1, {0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(writes("HartRevision"), (std::vector<double>{0.0, 1.0, 1.0, 1.0}));
}

TEST_F(Revision, AResponseTooShortForTheCountWritesNothing) {
  // The host's utility answers 0 (and a failure) for bits the response does not have.
  transmitterState(octets(1, {0, 0, 5}));
  transmitterState(octets(1, {}));
  EXPECT_TRUE(writes("HartRevision").empty());
  EXPECT_TRUE(loop().errors().empty());
}

class RecordingUtility : public tolvar::AppletUtility {
 public:
  struct Call {
    uint8_t width;
    bool flag;
    ByteArray bytes;
    int32_t offset;
  };
  std::vector<Call> calls;
  int32_t answer = 18;
  int32_t status = 0;
  void GetBitField(int32_t& v, uint8_t width, bool flag, const ByteArray& bytes, int32_t offset,
                   int32_t& out) override {
    calls.push_back({width, flag, bytes, offset});
    v = answer;
    out = status;
  }
};

TEST_F(Revision, TheUtilityIsTheHostsMadeOnceAndAskedForTheLastFourOctets) {
  auto utility = makeObject<RecordingUtility>();
  makeUtility = [&] { return Ptr<platform::com::Unknown>(utility); };
  transmitterState(octets(1, {0, 0, 0, 0, 0, 5}));
  transmitterState(octets(0, {1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_EQ(utility->calls.size(), 2u);
  EXPECT_EQ(utility->calls[0].width, 32);
  EXPECT_TRUE(utility->calls[0].flag);
  EXPECT_EQ(utility->calls[0].offset, 16);  // octets 3 to 6 of 1 to 6
  EXPECT_EQ(utility->calls[0].bytes, octets(1, {0, 0, 0, 0, 0, 5}));
  EXPECT_EQ(utility->calls[1].offset, 32);  // octets 4 to 7 of 0 to 7
  EXPECT_EQ(utilitiesMade, 1);

  // A second supervision view shares it.
  auto other = makeObject<velumor::host_binding::VelumorAlwaysView>();
  ASSERT_EQ(other->SetAppletItemManagRef(2, host), 0);
  loop().advance(1);
  host->setItem("&&Record_Response&&HART_COMMAND_048_ReadOctets", Variant(octets(1, {0, 0, 0, 0, 0, 5})));
  other->NotifyChanged(h("ADD_TRANSMITTER_STATE"), false, 0, 0);
  loop().advance(1);
  EXPECT_EQ(utility->calls.size(), 3u);
  EXPECT_EQ(utilitiesMade, 1);
  other->Destroy();
}

TEST_F(Revision, OnlyTheValueOfTheBitFieldCountsNotItsStatus) {
  auto utility = makeObject<RecordingUtility>();
  makeUtility = [&] { return Ptr<platform::com::Unknown>(utility); };
  utility->status = static_cast<int32_t>(0x80004005u);
  utility->answer = 18;
  transmitterState(octets(1, {0, 0, 0, 0, 0, 18}));
  utility->answer = 5;
  transmitterState(octets(1, {0, 0, 0, 0, 0, 5}));
  EXPECT_EQ(writes("HartRevision"), (std::vector<double>{1.0, 0.0}));
}

TEST_F(Revision, WithoutTheHostsUtilityTheTickFailsAndTheQueueGoesOn) {
  platform::com::setProcessLoader(nullptr);
  transmitterState(octets(1, {0, 0, 0, 0, 0, 5}));
  EXPECT_TRUE(writes("HartRevision").empty());
  ASSERT_EQ(loop().errors().size(), 1u);
  EXPECT_NE(loop().errors()[0].find("429"), std::string::npos) << loop().errors()[0];
  loop().clearErrors();
  change("&&private&&Connect", Variant(2.0));
  EXPECT_EQ(value("&&Menu_State&&Connect"), 1.0);
}

class Sequences : public Items {
 protected:
  void sequenceState(std::string_view name, double state, int32_t lState = 0) {
    host->setItem("&&Sequence_State&&" + std::string(name), Variant(state));
    notifyTagged("&&Sequence_State&&" + std::string(name), lState);
  }
  std::string adjustQueue() const { return form().timer("SeqAdjustTimer").getProperty("Tag").toString(); }
  size_t before = velumor::shared::windows::openMessageWindowCount();
};

TEST_F(Sequences, ReadActiveThenFinishedShowsTwoMessagesAndAsksForOneAdjust) {
  sequenceState("SEQ_UPLOAD", 64);
  sequenceState("SEQ_UPLOAD", 0);
  EXPECT_EQ(messagesSince(before),
            (std::vector<std::string>{"RQ4400 Coriolis|SEQ_UPLOAD\r\nread activ",
                                      "RQ4400 Coriolis|SEQ_UPLOAD\r\nsuccessfully finished"}));
  EXPECT_EQ(writes("&&Sequence_Control&&SEQ_UPLOAD"), (std::vector<double>{1.0}));
  EXPECT_EQ(writes("SequenceState"), (std::vector<double>{64.0, 0.0}));
  EXPECT_EQ(host->values[h("SequenceName")].toString(), "SEQ_UPLOAD");
  EXPECT_EQ(adjustQueue(), "SEQ_UPLOAD\r\n");
  const auto& timer = form().timer("SeqAdjustTimer");
  EXPECT_TRUE(timer.isEnabled());
  EXPECT_EQ(timer.interval(), 50);
}

TEST_F(Sequences, AfterWriteAndReadTheNameIsQueuedTwice) {
  sequenceState("SEQ_DOWNLOAD", 32);
  sequenceState("SEQ_DOWNLOAD", 64);
  sequenceState("SEQ_UPLOAD", 0);  // any sequence's end consumes the flags
  EXPECT_EQ(adjustQueue(), "SEQ_UPLOAD\r\nSEQ_UPLOAD\r\n");
  sequenceState("SEQ_UPLOAD", 0);
  EXPECT_EQ(adjustQueue().size(), std::string("SEQ_UPLOAD\r\nSEQ_UPLOAD\r\n").size());
}

TEST_F(Sequences, TransitStatesAreDroppedOrKeptQuiet) {
  sequenceState("SEQ_UPLOAD", 2, 4);  // dropped whole
  EXPECT_EQ(count("GetValue"), 0);
  EXPECT_TRUE(writes("SequenceState").empty());

  sequenceState("SEQ_UPLOAD", 2, 8);  // recorded, acknowledged, not shown
  EXPECT_EQ(writes("SequenceState"), (std::vector<double>{2.0}));
  EXPECT_EQ(writes("&&Sequence_Control&&SEQ_UPLOAD"), (std::vector<double>{1.0}));
  EXPECT_TRUE(messagesSince(before).empty());

  sequenceState("SEQ_UPLOAD", 3);  // not a reported state
  EXPECT_EQ(writes("SequenceState"), (std::vector<double>{2.0, 3.0}));
  EXPECT_EQ(writes("&&Sequence_Control&&SEQ_UPLOAD"), (std::vector<double>{1.0}));
  EXPECT_TRUE(messagesSince(before).empty());
}

TEST_F(Sequences, TagsOutsideTheTableOrOfTheWrongKindAreDropped) {
  const int32_t handle = h("&&Sequence_State&&SEQ_UPLOAD");
  host->setItem("&&Sequence_State&&SEQ_UPLOAD", Variant(0.0));
  for (int32_t tag :
       {0x8000000, 0x8000000 | 6, 0x8FFFFFF, 0x8000001 /* a record's index */, 0x1000000, 0x1000000 | 77,
        0x1000004 /* a sequence's index */, 0x2000001, 0x3000001, 0x9000004, 0x10000001, 0x7F000000}) {
    view->NotifyChanged(handle, false, 0, tag);
    loop().advance(1);
  }
  EXPECT_EQ(host->log().calls().size(), 0u);
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(Sequences, UnitsAreReadOnlyWhileConnected) {
  notifyTagged("UNITS_QM");
  EXPECT_EQ(count("GetValue"), 0);
  change("&&private&&Connect", Variant(2.0));
  host->setItem("UNITS_QM", Variant(75.0));
  host->log().clear();
  notifyTagged("UNITS_QM");
  EXPECT_EQ(count("GetValue"), 1);
  EXPECT_EQ(count("GetShadowValue"), 1);
  EXPECT_EQ(count("SetValue"), 0);
}

TEST_F(Sequences, NotificationsAfterDestroyAreDropped) {
  view->Destroy();
  EXPECT_EQ(view->NotifyChanged(h("&&private&&Connect"), false, 0, 0), 0);
  EXPECT_FALSE(view->binding().hasQueue());
  loop().advance(10);
  EXPECT_EQ(count("GetValue"), 0);
}

class AdjustQueue : public Sequences {
 protected:
  void SetUp() override {
    Sequences::SetUp();
    host->log().onCall = [this](const fakehost::Call& c) {
      if (c.op == "AdjustSequence")
        tries.push_back(c.args[0].toString() + "@" + std::to_string(loop().now()));
    };
  }
  void TearDown() override {
    host->log().onCall = nullptr;
    Sequences::TearDown();
  }
  std::vector<std::string> tries;
};

TEST_F(AdjustQueue, ABusyHostKeepsTheNameUntilItAnswers) {
  host->frame->sequenceResults = {tolvar::kHostBusy, tolvar::kHostBusy, tolvar::kHostBusy, 0};
  const int64_t t0 = loop().now();
  sup().QueueSeqAdjust("SEQ_A");
  sup().QueueSeqAdjust("SEQ_B");
  loop().advance(300);
  const auto at = [&](const char* name, int64_t ms) {
    return std::string(name) + "@" + std::to_string(t0 + ms);
  };
  EXPECT_EQ(tries, (std::vector<std::string>{at("SEQ_A", 50), at("SEQ_A", 100), at("SEQ_A", 150),
                                             at("SEQ_A", 200), at("SEQ_B", 250)}));
  EXPECT_EQ(adjustQueue(), "");
  EXPECT_FALSE(form().timer("SeqAdjustTimer").isEnabled());
  EXPECT_EQ(count("GetObjectCount"), 0);
}

TEST_F(AdjustQueue, AFinishedAdjustRereadsTheDeviceObjects) {
  host->dd->objects["Object"] = {"FLOW"};
  host->dd->info3[1] = {Variant(int32_t{1})};
  host->frame->sequenceResults = {tolvar::kHostAdjustFinished};
  sup().QueueSeqAdjust("SEQ_A");
  loop().advance(50);
  EXPECT_EQ(count("GetNamedValue"), 1);
  EXPECT_EQ(adjustQueue(), "");
}

TEST_F(AdjustQueue, WithoutAFrameTheNameWaits) {
  auto frame = host->frame;
  host->frame = nullptr;
  sup().QueueSeqAdjust("SEQ_A");
  loop().advance(200);
  EXPECT_EQ(adjustQueue(), "SEQ_A\r\n");
  host->frame = frame;
  loop().advance(50);
  EXPECT_EQ(tries.size(), 1u);
  EXPECT_EQ(adjustQueue(), "");
}

TEST_F(AdjustQueue, AFailingAdjustIsReportedAndNotRetriedForEver) {
  host->frame->failures.set("AdjustSequence", static_cast<int32_t>(0x80004005u));
  sup().QueueSeqAdjust("SEQ_A");
  sup().QueueSeqAdjust("SEQ_B");
  loop().advance(500);
  EXPECT_EQ(tries.size(), 2u);
  EXPECT_EQ(loop().errors().size(), 2u);
  loop().clearErrors();
  EXPECT_EQ(adjustQueue(), "");
}

TEST_F(AdjustQueue, AFailingRereadDoesNotRepeatTheAdjust) {
  host->dd->failures.set("GetObjectCount", static_cast<int32_t>(0x80004005u));
  host->frame->sequenceResults = {tolvar::kHostAdjustFinished, tolvar::kHostAdjustFinished};
  sup().QueueSeqAdjust("SEQ_A");
  loop().advance(500);
  EXPECT_EQ(tries.size(), 1u);
  EXPECT_EQ(loop().errors().size(), 1u);
  loop().clearErrors();
}

}  // namespace
