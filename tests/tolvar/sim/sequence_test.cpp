// Sequences and their records as the views watch them: states, progress, responses, the
// response-control answers, busy and adjust answers.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_test_support.h"
#include "tolvar/sim/rq4400_simulator.h"
#include "tolvar/sim/sequence_engine.h"

namespace simtest {
namespace {

using platform::com::ByteArray;
using tolvar::kHostAdjustFinished;
using tolvar::kHostBusy;
using tolvar::sim::kRecordIdle;
using tolvar::sim::kSequenceFailed;
using tolvar::sim::kSequenceIdle;
using tolvar::sim::kSequenceRefused;

constexpr char kStatusRecord[] = "HART_COMMAND_048_ReadOctets";
constexpr char kStatusSequence[] = "GET_TRANSMITTER_STATE_Octets";

class SequenceTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    view = &openRecordingView();
    aim = view->itemManager;
    connect();
  }
  int32_t start(const std::string& name) {
    int32_t result = 0;
    const int32_t status = session->frameOperations().startSequence(name, result);
    EXPECT_EQ(status == 0, result == 0 || result == kHostBusy) << "the status reports a refusal";
    return result;
  }
  int32_t adjust(const std::string& name) {
    int32_t result = 0;
    session->frameOperations().adjustSequence(name, result);
    return result;
  }
  ByteArray response(const std::string& record) {
    const int32_t h = view->registerItem("&&Record_Response&&" + record);
    ByteArray a;
    int32_t st = -1;
    aim->GetArrayValue(h, a, false, st);
    EXPECT_EQ(st, 0);
    return a;
  }
  void answer(int32_t controlHandle, double value) {
    int32_t st = -1;
    aim->SetValue(controlHandle, value, st);
    ASSERT_EQ(st, 0);
  }
  RecordingView* view = nullptr;
  Ptr<AppletItemManager> aim;
};

TEST_F(SequenceTest, AnUploadRunsItsRecordsWithProgressFromZeroToHundred) {
  const int32_t progress = view->registerItem("&&Sequence_Progress&&Upload");
  const int32_t state = view->registerItem("&&Sequence_State&&UPLOAD");
  const int32_t record = view->registerItem("&&Record_State&&HART_COMMAND_000_READ");
  drain();
  EXPECT_EQ(start("upload"), 0) << "sequence names match without regard to case";
  EXPECT_EQ(start(kStatusSequence), kHostBusy);
  runUntilIdle();
  EXPECT_FALSE(session->sequences().busy());

  auto p = view->valuesFor(progress);
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p.front(), 0.0);
  EXPECT_EQ(p.back(), 100.0);
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
  EXPECT_EQ(std::adjacent_find(p.begin(), p.end()), p.end()) << "every notification is a change";
  // Idle until it first runs, then its own states.
  EXPECT_EQ(view->valuesFor(state), (std::vector<double>{kSequenceIdle, 2, 64, 0}));
  EXPECT_EQ(view->valuesFor(record), (std::vector<double>{kRecordIdle, 2, 8, 16, 0}));
  EXPECT_EQ(value("&&private&&CurrentSource"), 2.0) << "the data now comes from the device";
  ByteArray r = response("HART_COMMAND_000_READ");
  EXPECT_EQ(r.lowerBound, 1);
  ASSERT_EQ(r.data.size(), 2u);
  EXPECT_EQ(r.at(1), 0) << "response code";
  EXPECT_EQ(start(kStatusSequence), 0) << "accepted once the upload is over";
}

TEST_F(SequenceTest, EachStatusReadReachesItsViewsChangedOrNotOtherItemsOnlyOnAChange) {
  const int32_t fieldStatus = view->registerItem("LastFieldDeviceStatus");
  const int32_t error = view->registerItem("ADD_TRANSMITTER_STATE_ERROR");
  const int32_t a10 = view->registerItem("A10_ADD_TRANSMITTER_STATE_TSTATE", 0, true);  // shadow
  const int32_t damping = view->registerItem("DAMPING_VALUE");
  runUntilIdle();
  drain();
  for (int read = 1; read <= 2; ++read) {
    SCOPED_TRACE("read " + std::to_string(read));
    view->notes.clear();
    ASSERT_EQ(start(kStatusSequence), 0);
    runUntilIdle();
    drain();
    EXPECT_EQ(view->notesFor(fieldStatus).size(), 1u);
    EXPECT_EQ(view->notesFor(error).size(), 1u);
    EXPECT_EQ(view->notesFor(a10).size(), 1u);
    EXPECT_TRUE(view->notesFor(damping).empty());
  }
  // The host's own writes keep their rule: the value an item holds already tells nobody.
  view->notes.clear();
  set("LastFieldDeviceStatus", Variant(value("LastFieldDeviceStatus")));
  drain();
  EXPECT_TRUE(view->notesFor(fieldStatus).empty());
}

TEST_F(SequenceTest, RefusedStartsSayWhy) {
  EXPECT_EQ(start("NO_SUCH_SEQUENCE"), tolvar::kStatusNotFound);
  session->frameOperations().disconnect();
  run(1000);
  EXPECT_EQ(start("UPLOAD"), tolvar::sim::kStatusNotConnected) << "not busy: a view drops it";
  Ptr<tolvar::HostFrame> frame;
  int32_t st = -1, result = 0;
  aim->GetFrame(frame, st);
  frame->StartSequence("UPLOAD", result, st);
  EXPECT_EQ(result, tolvar::sim::kStatusNotConnected);
  EXPECT_NE(st, 0);
}

TEST_F(SequenceTest, ASupervisedRecordWaitsForItsResponseControl) {
  const int32_t control =
      view->registerItem(std::string("&&Record_Response_Control&&") + kStatusRecord, 0x3000001);
  const int32_t recordState = view->registerItem(std::string("&&Record_State&&") + kStatusRecord, 0x1000001);
  drain();
  ASSERT_EQ(start(kStatusSequence), 0);
  run(5000);
  EXPECT_TRUE(session->sequences().busy()) << "nobody answered yet";
  EXPECT_EQ(value(std::string("&&Record_State&&") + kStatusRecord), 16.0);
  answer(control, 2.0);  // continue
  runUntilIdle();
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), 0.0);
  EXPECT_EQ(view->valuesFor(recordState).back(), 0.0);
}

TEST_F(SequenceTest, ARecordWhoseSupervisorWentAwayDecidesByItself) {
  RecordingView& supervisor = openRecordingView();
  supervisor.registerItem(std::string("&&Record_Response_Control&&") + kStatusRecord);
  ASSERT_EQ(start(kStatusSequence), 0);
  run(3000);
  ASSERT_TRUE(session->sequences().busy()) << "waiting for the supervisor";
  session->destroyView(views.back());
  run(1000);
  EXPECT_FALSE(session->sequences().busy());
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), 0.0);
}

TEST_F(SequenceTest, AnInjectedResponseCodeCanBeFailedOrIgnored) {
  const int32_t control = view->registerItem(std::string("&&Record_Response_Control&&") + kStatusRecord);
  const int32_t resp = view->registerItem(std::string("&&Record_Response&&") + kStatusRecord);
  session->injectResponse(kStatusRecord, 3);
  ASSERT_EQ(start(kStatusSequence), 0);
  run(1000);
  ByteArray r;
  int32_t st = -1;
  aim->GetArrayValue(resp, r, false, st);
  EXPECT_EQ(r.at(1), 3);
  std::string text;
  aim->GetValueText(resp, text, false, st);
  EXPECT_NE(text.find("too large"), std::string::npos) << text;
  answer(control, 4.0);  // the user chose Error
  runUntilIdle();
  EXPECT_FALSE(session->sequences().busy());
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), kSequenceFailed);
  EXPECT_EQ(value(std::string("&&Sequence_Progress&&") + kStatusSequence), 0.0) << "no bar left behind";
  EXPECT_EQ(value("LastCommandResponseSummary"), 3.0);

  // The code was for one run. Ignore goes on after a code too, to the end of the run, but
  // the run is not reported as successfully finished.
  session->injectResponse(kStatusRecord, 2);
  ASSERT_EQ(start(kStatusSequence), 0);
  run(1000);
  answer(control, 2.0);
  runUntilIdle();
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), kSequenceRefused);
  EXPECT_EQ(value(std::string("&&Sequence_Progress&&") + kStatusSequence), 100.0) << "it ran to its end";
  EXPECT_FALSE(session->simulator().hasInjectedResponse(kStatusRecord));

  // The next run answers normally and finishes.
  ASSERT_EQ(start(kStatusSequence), 0);
  run(1000);
  answer(control, 2.0);
  runUntilIdle();
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), 0.0);
}

TEST_F(SequenceTest, AFixedCurrentTheMeterRefusesIsNotLeftInTheItem) {
  const int32_t control = view->registerItem("&&Record_Response_Control&&HART_COMMAND_040_WRITE");
  const int32_t fixed = view->registerItem("PRIMARY_FIXED_CURRENT");
  int32_t st = -1;
  aim->SetValue(fixed, 12.5, st);
  ASSERT_EQ(start("SeqHART_COMMAND_040_Write"), 0);
  run(1000);
  answer(control, 2.0);
  runUntilIdle();
  ASSERT_EQ(value("&&Sequence_State&&SeqHART_COMMAND_040_Write"), 0.0);
  ASSERT_TRUE(session->simulator().fixedCurrentActive());

  // 30 mA is beyond what the loop carries: the meter answers "too large" and stays at 12.5 mA;
  // ignored or failed, the item shows the meter's current again and the run does not finish.
  for (double decision : {2.0, 4.0}) {
    aim->SetValue(fixed, 30.0, st);
    ASSERT_EQ(start("SeqHART_COMMAND_040_Write"), 0);
    run(1000);
    EXPECT_EQ(value("PRIMARY_FIXED_CURRENT"), 30.0) << "nothing decided yet";
    answer(control, decision);
    runUntilIdle();
    EXPECT_EQ(value("PRIMARY_FIXED_CURRENT"), 12.5) << decision;
    EXPECT_EQ(session->simulator().fixedCurrent(), 12.5) << decision;
    EXPECT_NE(response("HART_COMMAND_040_WRITE").at(1), 0) << decision;
    EXPECT_EQ(value("&&Sequence_State&&SeqHART_COMMAND_040_Write"),
              decision == 2.0 ? kSequenceRefused : kSequenceFailed);
  }
}

TEST_F(SequenceTest, ACommunicationErrorRepeatsTheRecord) {
  const int32_t recordState = view->registerItem(std::string("&&Record_State&&") + kStatusRecord);
  session->injectResponse(kStatusRecord, 0x81);
  ASSERT_EQ(start(kStatusSequence), 0);  // nobody supervises: the host repeats by itself
  runUntilIdle();
  EXPECT_EQ(view->valuesFor(recordState), (std::vector<double>{kRecordIdle, 2, 8, 16, 2, 8, 17, 0}));
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), 0.0);
  EXPECT_EQ(value("LastCommandResponseSummary"), 0.0);
}

TEST_F(SequenceTest, RepeatsEndWhenNoTryIsLeft) {
  const int32_t control = view->registerItem(std::string("&&Record_Response_Control&&") + kStatusRecord);
  ASSERT_EQ(start(kStatusSequence), 0);
  for (int tryNo = 0; tryNo < tolvar::sim::SequenceEngine::kReadTries; ++tryNo) {
    run(200);
    EXPECT_EQ(value(std::string("&&Record_State&&") + kStatusRecord), 16.0 + tryNo);
    answer(control, 1.0);  // repeat
  }
  runUntilIdle();
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), kSequenceFailed);
}

TEST_F(SequenceTest, AnUnsupervisedResponseCodeFailsTheRun) {
  session->injectResponse(kStatusRecord, 5);
  ASSERT_EQ(start(kStatusSequence), 0);
  runUntilIdle();
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), kSequenceFailed);
  EXPECT_EQ(value("LastCommandResponseSummary"), 5.0);
}

TEST_F(SequenceTest, AnAdjustRunsItsRecordsAndIsReportedFinishedOnce) {
  ASSERT_EQ(start("UPLOAD"), 0);
  runUntilIdle();
  const int32_t state = view->registerItem("&&Sequence_State&&UPLOAD");
  drain();
  EXPECT_EQ(adjust("UPLOAD"), kHostBusy) << "started; ask again for the outcome";
  EXPECT_EQ(adjust("UPLOAD"), kHostBusy);
  EXPECT_EQ(start(kStatusSequence), kHostBusy);
  runUntilIdle();
  EXPECT_EQ(view->valuesFor(state), (std::vector<double>{0, 16, 128, 0}));
  EXPECT_EQ(adjust("upload"), kHostAdjustFinished);
  EXPECT_EQ(adjust("UPLOAD"), kHostBusy) << "a new adjust";
  runUntilIdle();
  EXPECT_EQ(adjust(kStatusSequence), kHostAdjustFinished) << "nothing to re-read";
  EXPECT_EQ(adjust("NOPE"), tolvar::kStatusNotFound);
  int32_t result = 0;
  EXPECT_EQ(session->frameOperations().adjustSequence("UPLOAD", result), 0);
  EXPECT_EQ(result, kHostAdjustFinished);
}

TEST_F(SequenceTest, DisconnectingEndsARunningSequence) {
  ASSERT_EQ(start("UPLOAD"), 0);
  run(300);
  ASSERT_TRUE(session->sequences().busy());
  session->frameOperations().disconnect();
  EXPECT_FALSE(session->sequences().busy());
  EXPECT_EQ(value("&&Sequence_State&&UPLOAD"), kSequenceFailed);
  run(1000);
  EXPECT_EQ(value("&&Sequence_Progress&&UPLOAD"), 0.0);
  // The records it reached are finished; the others never ran and stay idle.
  int finished = 0;
  for (const auto& r : session->deviceData().records) {
    const double v = value("&&Record_State&&" + r.name);
    EXPECT_TRUE(v == 0.0 || v == kRecordIdle) << r.name << " " << v;
    if (v == 0.0) ++finished;
  }
  EXPECT_GT(finished, 0);
}

TEST_F(SequenceTest, AFreshMeterHasEveryRecordAndSequenceIdle) {
  for (const auto& r : session->deviceData().records)
    EXPECT_EQ(value("&&Record_State&&" + r.name), kRecordIdle) << r.name;
  for (const auto& q : session->deviceData().sequences)
    EXPECT_EQ(value("&&Sequence_State&&" + q.name), kSequenceIdle) << q.name;
  // A sequence that ran reports its end; the others stay idle.
  ASSERT_EQ(start("UPLOAD"), 0);
  runUntilIdle();
  EXPECT_EQ(value("&&Sequence_State&&UPLOAD"), 0.0);
  EXPECT_EQ(value(std::string("&&Sequence_State&&") + kStatusSequence), kSequenceIdle);
}

TEST_F(SequenceTest, FixedCurrentSetsAndClearsTheFieldDeviceStatusBit) {
  const int32_t fixed = view->registerItem("PRIMARY_FIXED_CURRENT");
  const int32_t status = view->registerItem("LastFieldDeviceStatus");
  int32_t st = -1;
  aim->SetSingleValue(fixed, 12.5f, st);
  ASSERT_EQ(st, 0);
  ASSERT_EQ(start("SeqHART_COMMAND_040_Write"), 0);
  runUntilIdle();
  double fds = 0;
  aim->GetValue(status, fds, st);
  EXPECT_EQ(static_cast<int>(fds) & 0x08, 0x08);
  EXPECT_DOUBLE_EQ(value("PRIMARY_CURR"), 12.5);
  run(1000);
  EXPECT_DOUBLE_EQ(value("PRIMARY_CURR"), 12.5) << "fixed while the meter runs";

  aim->SetSingleValue(fixed, 0.0f, st);
  ASSERT_EQ(start("SeqHART_COMMAND_040_Write"), 0);
  runUntilIdle();
  aim->GetValue(status, fds, st);
  EXPECT_EQ(static_cast<int>(fds) & 0x08, 0);
  EXPECT_FALSE(session->simulator().fixedCurrentActive());

  aim->SetSingleValue(fixed, 30.0f, st);  // more than the loop can carry
  ASSERT_EQ(start("SeqHART_COMMAND_040_Write"), 0);
  runUntilIdle();
  EXPECT_EQ(value("LastCommandResponseSummary"), 3.0);
  EXPECT_FALSE(session->simulator().fixedCurrentActive());
}

TEST_F(SequenceTest, WritingConfigurationRaisesConfigurationChangedUntilCommand38) {
  ASSERT_EQ(start("DOWNLOAD"), 0);
  runUntilIdle();
  EXPECT_EQ(value("&&Sequence_State&&DOWNLOAD"), 0.0);
  EXPECT_EQ(static_cast<int>(value("LastFieldDeviceStatus")) & 0x40, 0x40);
  EXPECT_TRUE(session->simulator().configChanged());
  ASSERT_EQ(start("SeqHART_COMMAND_038_Write"), 0);
  runUntilIdle();
  EXPECT_EQ(static_cast<int>(value("LastFieldDeviceStatus")) & 0x40, 0);
}

TEST_F(SequenceTest, AWriteProtectedMeterRefusesWrites) {
  const auto set = session->scenario("write-protected");
  ASSERT_TRUE(set.ok()) << set.text();
  const tolvar::Status written = session->itemAccess()->setItemFromText("DAMPING_VALUE", "7,5");
  ASSERT_TRUE(written.ok()) << written.text();
  ASSERT_EQ(start("DOWNLOAD"), 0);
  runUntilIdle();
  EXPECT_EQ(value("&&Sequence_State&&DOWNLOAD"), kSequenceFailed);
  EXPECT_EQ(value("LastCommandResponseSummary"), 7.0);
  EXPECT_EQ(value("DAMPING_VALUE"), 7.5) << "the data set keeps the user's value for the next try";
  EXPECT_FALSE(session->simulator().configChanged());
  ASSERT_EQ(start("UPLOAD"), 0) << "reads still work";
  runUntilIdle();
  EXPECT_EQ(value("&&Sequence_State&&UPLOAD"), 0.0);
  EXPECT_EQ(value("WRITE_PROTECTION"), 1.0) << "the upload brings the meter's setting";
}

TEST_F(SequenceTest, AWriteGivesTheItemsValuesToTheMeter) {
  const tolvar::Status written = session->itemAccess()->setItemFromText("DAMPING_VALUE", "4.5");
  ASSERT_TRUE(written.ok()) << written.text();
  EXPECT_NE(session->simulator().deviceValue("DAMPING_VALUE").toDouble(), 4.5);
  ASSERT_EQ(start("DOWNLOAD"), 0);
  runUntilIdle();
  EXPECT_EQ(session->simulator().deviceValue("DAMPING_VALUE").toDouble(), 4.5);
}

}  // namespace
}  // namespace simtest
