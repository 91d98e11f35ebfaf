#pragma once
// Runs the device description's sequences the way a host does: one sequence at a time, its
// records one after the other, each record through its states (requested, waiting, response
// received, finished) with its response octets, and the response-control answer of whoever
// supervises the record (a supervision view registers the control item) deciding whether the
// run goes on, repeats the record or fails. Unsupervised records decide by themselves: go on
// after response code 0, repeat after a communication error (bit 7), fail otherwise.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tolvar/sim/dd/device_data.h"
#include "tolvar/sim/host_scheduler.h"
#include "tolvar/sim/item_store.h"
#include "tolvar/sim/rq4400_simulator.h"

namespace tolvar::sim {

class SequenceEngine {
 public:
  // Milliseconds between the steps of a run.
  struct Timing {
    int64_t sequenceStart = 20;       // requested -> active
    int64_t requestToWait = 10;       // record requested -> waiting
    int64_t waitToResponse = 30;      // waiting -> response received
    int64_t autoDecision = 5;         // response -> decision of an unsupervised record
    int64_t betweenRecords = 20;      // finished -> next record requested
    int64_t controlTimeout = 120000;  // nobody answered a supervised response
    int64_t supervisionCheck = 500;   // how often a waiting record looks for its supervisor
  };
  // Tries of one record: a read is sent up to three times (states 16, 17, 18), a write twice.
  static constexpr int kReadTries = 3;
  static constexpr int kWriteTries = 2;

  // Told when a run ends: the sequence, whether it was an adjust, whether it ran to its end
  // (also where a refusal of the device was ignored; its state then says so).
  using FinishedListener = std::function<void(const std::string& sequence, bool adjust, bool ok)>;

  SequenceEngine(ItemStore& store, HostScheduler& scheduler, Rq4400Simulator& meter);
  ~SequenceEngine();
  SequenceEngine(const SequenceEngine&) = delete;
  SequenceEngine& operator=(const SequenceEngine&) = delete;

  void setConnectedCheck(std::function<bool()> connected) { connected_ = std::move(connected); }
  void setFinishedListener(FinishedListener listener) { finished_ = std::move(listener); }
  Timing& timing() { return timing_; }

  // 0 when the run started; kHostBusy while another runs; kStatusNotFound for a sequence the
  // description lacks (names match without regard to case); kStatusNotConnected offline.
  int32_t start(std::string_view name);
  // The adjust of a sequence that wrote or read. Without adjust records: kHostAdjustFinished at
  // once. Otherwise the first call starts the adjust and answers kHostBusy, as do calls while it
  // runs; the first call after it ended answers kHostAdjustFinished (or kStatusAdjustFailed).
  int32_t adjust(std::string_view name);
  bool busy() const { return run_.has_value(); }
  // The sequence running now ("" when idle).
  std::string running() const;
  // Ends a run at once (the connection went away): the record finishes, the sequence fails.
  void abort();

 private:
  struct Run {
    const dd::SequenceDef* sequence = nullptr;
    bool adjust = false;
    bool write = false;
    std::vector<const dd::RecordDef*> records;
    size_t index = 0;
    int tries = 0;
    uint8_t code = 0;
    uint8_t deviceStatus = 0;
    bool refused = false;  // a record ended with a response code and the run went on
    int32_t watch = 0;
    HostScheduler::JobId job = 0;
    HostScheduler::JobId timeout = 0;
    int64_t waited = 0;
  };

  void begin(const dd::SequenceDef& sequence, bool adjust);
  void schedule(int64_t ms, std::function<void()> step);
  void nextRecord();
  void request();
  void respond();
  static int32_t ownDecision(uint8_t code);
  void superviseWait(int32_t control);
  void onControl();
  void decide(int32_t control);
  void finishRecord(bool ok);
  // After the device refused a write: the record's items that only the device holds show
  // the device's value again (data-set items keep the user's values for the next download).
  void showDeviceValues(const dd::RecordDef& record);
  void finish(bool ok);
  void stopWaiting();
  void setItem(const std::string& name, double value);
  const dd::RecordDef& record() const { return *run_->records[run_->index]; }
  bool isWrite(const dd::RecordDef& r) const { return r.direction == dd::Direction::Write; }

  ItemStore& store_;
  HostScheduler& scheduler_;
  Rq4400Simulator& meter_;
  Timing timing_;
  std::function<bool()> connected_;
  FinishedListener finished_;
  std::optional<Run> run_;
  std::string adjustDone_;    // folded name of an adjust that finished and was not asked for yet
  std::string adjustFailed_;  // the same for one that failed
};

}  // namespace tolvar::sim
