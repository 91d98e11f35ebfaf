#include "tolvar/sim/sequence_engine.h"

#include "tolvar/sim/item_values.h"
#include "tolvar/sim/status.h"

namespace tolvar::sim {

using platform::com::ByteArray;
using platform::com::Variant;

SequenceEngine::SequenceEngine(ItemStore& store, HostScheduler& scheduler, Rq4400Simulator& meter)
    : store_(store), scheduler_(scheduler), meter_(meter) {}

SequenceEngine::~SequenceEngine() {
  if (run_) {
    stopWaiting();
    if (run_->job) scheduler_.cancel(run_->job);
  }
}

std::string SequenceEngine::running() const {
  return run_ ? run_->sequence->name : std::string();
}

void SequenceEngine::setItem(const std::string& name, double value) {
  store_.set(name, Variant(value));
}

int32_t SequenceEngine::start(std::string_view name) {
  const dd::SequenceDef* seq = store_.data().findSequence(name);
  if (!seq) return kStatusNotFound;
  if (connected_ && !connected_()) return kStatusNotConnected;
  if (run_) return kHostBusy;
  // A new run makes an earlier adjust's outcome stale.
  adjustDone_.clear();
  adjustFailed_.clear();
  begin(*seq, false);
  return 0;
}

int32_t SequenceEngine::adjust(std::string_view name) {
  const dd::SequenceDef* seq = store_.data().findSequence(name);
  if (!seq) return kStatusNotFound;
  const std::string folded = dd::foldCase(seq->name);
  if (!run_ && adjustDone_ == folded) {
    adjustDone_.clear();
    return kHostAdjustFinished;
  }
  if (!run_ && adjustFailed_ == folded) {
    adjustFailed_.clear();
    return kStatusAdjustFailed;
  }
  if (seq->adjustRecords.empty()) return kHostAdjustFinished;  // nothing to re-read
  if (connected_ && !connected_()) return kStatusNotConnected;
  if (run_) return kHostBusy;
  adjustDone_.clear();
  adjustFailed_.clear();
  begin(*seq, true);
  return kHostBusy;  // running: ask again for the outcome
}

void SequenceEngine::schedule(int64_t ms, std::function<void()> step) {
  run_->job = scheduler_.after(ms, [this, step = std::move(step)] {
    if (!run_) return;
    run_->job = 0;
    step();
  });
}

void SequenceEngine::begin(const dd::SequenceDef& sequence, bool adjust) {
  Run run;
  run.sequence = &sequence;
  run.adjust = adjust;
  for (const auto& name : adjust ? sequence.adjustRecords : sequence.records)
    if (const auto* r = store_.data().findRecord(name)) run.records.push_back(r);
  for (const auto* r : run.records)
    if (!adjust && isWrite(*r)) run.write = true;
  run_ = std::move(run);

  const std::string& name = sequence.name;
  setItem(dd::sequenceControlItem(name), 0);
  if (!adjust) setItem(dd::sequenceProgressItem(name), 0);
  setItem(dd::sequenceStateItem(name), adjust        ? kSequenceAdjustStopping
                                       : run_->write ? kSequenceWriteRequested
                                                     : kSequenceReadRequested);
  schedule(timing_.sequenceStart, [this] {
    setItem(dd::sequenceStateItem(run_->sequence->name), run_->adjust  ? kSequenceAdjustActive
                                                         : run_->write ? kSequenceWriteActive
                                                                       : kSequenceReadActive);
    nextRecord();
  });
}

void SequenceEngine::nextRecord() {
  if (run_->index >= run_->records.size()) {
    finish(true);
    return;
  }
  run_->tries = 0;
  request();
}

void SequenceEngine::request() {
  const dd::RecordDef& r = record();
  const bool write = isWrite(r);
  setItem(dd::recordResponseControlItem(r.name), kControlNone);
  setItem(dd::recordStateItem(r.name), write ? kRecordWriteRequested : kRecordReadRequested);
  schedule(timing_.requestToWait, [this, write] {
    setItem(dd::recordStateItem(record().name), write ? kRecordWaitingWrite : kRecordWaitingRead);
    schedule(timing_.waitToResponse, [this] { respond(); });
  });
}

void SequenceEngine::respond() {
  const dd::RecordDef& r = record();
  const bool write = isWrite(r);
  run_->code = meter_.execute(r);
  const std::vector<uint8_t> octets = meter_.response(r, run_->code);
  run_->deviceStatus = octets.size() > 1 ? octets[1] : 0;
  const int32_t responseIndex = store_.indexOf(dd::recordResponseItem(r.name));
  if (responseIndex >= 0) store_.set(responseIndex, Variant(ByteArray{1, octets}));
  setItem(dd::recordStateItem(r.name), (write ? kRecordWriteResponse : kRecordReadResponse) + run_->tries);

  const int32_t control = store_.indexOf(dd::recordResponseControlItem(r.name));
  if (control >= 0 && store_.isAdvised(control)) {
    // Someone supervises this record: its answer in the control item decides.
    run_->watch = store_.watch({control}, [this] { onControl(); });
    run_->waited = 0;
    superviseWait(control);
    return;
  }
  schedule(timing_.autoDecision, [this] { decide(ownDecision(run_->code)); });
}

int32_t SequenceEngine::ownDecision(uint8_t code) {
  // What the host decides where nobody supervises: go on after success, send again after a
  // communication error, give up on any other code.
  return code == 0 ? kControlContinue : (code & 0x80) ? kControlRepeat : kControlFail;
}

void SequenceEngine::superviseWait(int32_t control) {
  // Looks now and then whether anyone still supervises: a supervisor that went away (its view
  // closed) or never answers leaves the decision to the host.
  run_->timeout = scheduler_.after(timing_.supervisionCheck, [this, control] {
    if (!run_) return;
    run_->timeout = 0;
    run_->waited += timing_.supervisionCheck;
    if (store_.isAdvised(control) && run_->waited < timing_.controlTimeout) {
      superviseWait(control);
      return;
    }
    decide(ownDecision(run_->code));
  });
}

void SequenceEngine::onControl() {
  if (!run_ || !run_->watch) return;
  const int32_t control = store_.indexOf(dd::recordResponseControlItem(record().name));
  const auto v = numberOf(store_.value(control)).value_or(0.0);
  if (v == kControlRepeat || v == kControlContinue || v == kControlFail) decide(static_cast<int32_t>(v));
}

void SequenceEngine::stopWaiting() {
  if (run_->watch) store_.unwatch(run_->watch);
  if (run_->timeout) scheduler_.cancel(run_->timeout);
  run_->watch = 0;
  run_->timeout = 0;
}

void SequenceEngine::decide(int32_t control) {
  stopWaiting();
  if (control == kControlContinue) {
    finishRecord(true);
    return;
  }
  if (control == kControlRepeat) {
    const int maxTries = isWrite(record()) ? kWriteTries : kReadTries;
    if (run_->tries + 1 < maxTries) {
      ++run_->tries;
      schedule(timing_.autoDecision, [this] { request(); });
      return;
    }
  }
  finishRecord(false);  // fail, or a repeat with no try left
}

void SequenceEngine::showDeviceValues(const dd::RecordDef& r) {
  for (const auto& name : r.items) {
    const int32_t i = store_.indexOf(name);
    if (i >= 0 && !store_.def(i).dataSet) store_.set(i, meter_.deviceValue(name));
  }
}

void SequenceEngine::finishRecord(bool ok) {
  const dd::RecordDef& r = record();
  if (run_->code != 0) {
    if (ok) run_->refused = true;
    if (isWrite(r) && !(run_->code & 0x80)) showDeviceValues(r);
  }
  setItem(dd::recordStateItem(r.name), kRecordFinished);
  setItem("LastCommandResponseSummary", run_->code);
  // The field device status comes with every answer: its views hear of it each time.
  store_.report(store_.indexOf("LastFieldDeviceStatus"), Variant(static_cast<double>(run_->deviceStatus)));
  if (!ok) {
    finish(false);
    return;
  }
  ++run_->index;
  if (!run_->adjust && run_->index < run_->records.size()) {
    const auto progress = static_cast<double>(run_->index * 100 / run_->records.size());
    setItem(dd::sequenceProgressItem(run_->sequence->name), progress);
  }
  schedule(timing_.betweenRecords, [this] { nextRecord(); });
}

void SequenceEngine::finish(bool ok) {
  const std::string name = run_->sequence->name;
  // A run the device refused a record of still ran to its end: its progress, adjust and
  // listener see that; only its state says it did not succeed.
  const bool refused = ok && run_->refused;
  const bool adjusting = run_->adjust;
  if (!adjusting) setItem(dd::sequenceProgressItem(name), ok ? 100.0 : 0.0);
  setItem(dd::sequenceStateItem(name), refused ? kSequenceRefused : ok ? kSequenceFinished : kSequenceFailed);
  if (adjusting) (ok ? adjustDone_ : adjustFailed_) = dd::foldCase(name);
  run_.reset();
  if (finished_) finished_(name, adjusting, ok);
}

void SequenceEngine::abort() {
  if (!run_) return;
  stopWaiting();
  if (run_->job) scheduler_.cancel(run_->job);
  run_->job = 0;
  if (run_->index < run_->records.size()) setItem(dd::recordStateItem(record().name), kRecordFinished);
  finish(false);
}

}  // namespace tolvar::sim
