#pragma once
// The simulated RQ4400 Coriolis meter behind the host: its parameter memory, its process
// (mass flow, density, temperature and what follows from them) moving on the event loop's
// clock, its totalizers, current output and pulse output, its status octets in both device
// variants, and its answers to the HART commands the host's records send.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/com/variant.h"
#include "tolvar/sim/dd/device_data.h"
#include "tolvar/sim/host_scheduler.h"
#include "tolvar/sim/item_store.h"

namespace tolvar::sim {

class Rq4400Simulator {
 public:
  // Additional status octets the meter keeps (ADD_TRANSMITTER_STATE, octets 0 to 24).
  static constexpr size_t kStatusOctets = 25;
  // The host reads the measured values this often while connected.
  static constexpr int64_t kCycleMs = 250;

  // Field device status bits.
  static constexpr uint8_t kMalfunction = 0x80;
  static constexpr uint8_t kConfigChanged = 0x40;
  static constexpr uint8_t kMoreStatus = 0x10;
  static constexpr uint8_t kLoopCurrentFixed = 0x08;
  static constexpr uint8_t kOutputSaturated = 0x04;
  static constexpr uint8_t kNonPrimaryOutOfLimits = 0x02;
  static constexpr uint8_t kPrimaryOutOfLimits = 0x01;

  // HART response codes the meter gives.
  static constexpr uint8_t kInvalidSelection = 2;
  static constexpr uint8_t kTooLarge = 3;
  static constexpr uint8_t kTooSmall = 4;
  static constexpr uint8_t kWriteProtected = 7;

  Rq4400Simulator(ItemStore& store, HostScheduler& scheduler);
  ~Rq4400Simulator();
  Rq4400Simulator(const Rq4400Simulator&) = delete;
  Rq4400Simulator& operator=(const Rq4400Simulator&) = delete;

  // While online the process moves and its values reach the host every kCycleMs.
  void setOnline(bool online);
  bool online() const { return online_; }
  // Advances the process by `ms` and, when `publish`, writes the measured values to the host's
  // items (what the host's cyclic reading does).
  void step(int64_t ms, bool publish = true);

  // Runs the HART command of `record`: a read fills the record's items from the meter, a write
  // gives the items' values to the meter. Returns the response code (0 = done).
  uint8_t execute(const dd::RecordDef& record);
  // The response octets of `record` with `code`: code, field device status, and for
  // command 48 the number of additional status octets (4 octets, most significant first).
  std::vector<uint8_t> response(const dd::RecordDef& record, uint8_t code) const;
  uint8_t fieldDeviceStatus() const;

  // Named conditions: "normal", "sensor-fault", "empty-pipe", "overrange", "totalizer-overflow",
  // "config-changed", "fixed-current", "write-protected" (writes answer code 7), "variant-a10",
  // "variant-standard", "warnings" (function test on, and in the A10 variant a density alarm
  // and external data loaded). "normal" clears every fault, fixed current and write protection but keeps
  // the variant. The new status reaches the host's status items at once. NotFound, with the
  // names there are, for an unknown name.
  Status scenario(std::string_view name);
  static const std::vector<std::string>& scenarioNames();

  // Device variant: 0 reports five additional status octets, 1 (the A10 variant) twenty-five.
  int variant() const { return variant_; }
  void setVariant(int variant);
  bool fixedCurrentActive() const { return fixedCurrent_ != 0.0; }
  double fixedCurrent() const { return fixedCurrent_; }
  bool configChanged() const { return configChanged_; }
  int pollingAddress() const { return pollingAddress_; }
  // The status octets as the meter reports them, the bits it sets itself included.
  std::array<uint8_t, kStatusOctets> statusOctets() const;
  // A response code the meter gives to the next run of `record` instead of running it
  // (bit 7 set: a communication error). Consumed by that run.
  void injectResponse(std::string_view record, uint8_t code);
  bool hasInjectedResponse(std::string_view record) const;

  // A host-side write to a status item (a script, the table view): the meter takes the octets
  // over, so that its next report agrees.
  void hostItemWritten(int32_t index);
  // Writes the status items, the field device status, the command-48 response and the device
  // variant to the host, as a status read would.
  void publishStatus();

  // The meter's own value of a parameter (what a read would bring).
  platform::com::Variant deviceValue(std::string_view name) const;
  // Process values in base units: kg/h, m³/h, kg/m³, °C; totalizers in kg and m³; mA.
  double massFlow() const { return massFlow_; }
  double volumeFlow() const;
  double density() const { return density_; }
  double temperature() const { return temperature_; }
  double loopCurrent() const { return loopCurrent_; }
  double massTotalForward() const { return qmForward_; }

 private:
  double param(int32_t index) const;
  double paramNamed(std::string_view name) const;
  // A unit, mode or selection code, and a count: a host may write any number into the item,
  // and converting one out of range is undefined, so such a value reads as no code (-1) or 0.
  int32_t codeNamed(std::string_view name) const;
  int64_t countNamed(std::string_view name) const;
  void setParam(int32_t index, const platform::com::Variant& v);
  void cycle();
  void computeOutputs();
  void publishMeasured();
  void applyFaultBits();
  double channelValue(int selection, int32_t& unit) const;
  double displayValue(int selection, int32_t& unit) const;
  double currentFor(int selection, const char* prefix, bool& saturated) const;
  double noise();
  // The steps of execute: a write gives the items to the meter, a read brings them back.
  uint8_t executeWrite(const dd::RecordDef& record);
  uint8_t executeRead(const dd::RecordDef& record);
  // Commands 140 to 147 reset a totalizer (and its overflow count) before they answer.
  void resetTotalizers(int command);
  // Command 48: each bytes item takes its slice of the status octets.
  void fillStatusItems(const dd::RecordDef& record);

  ItemStore& store_;
  HostScheduler& scheduler_;
  std::unordered_map<int32_t, platform::com::Variant> memory_;  // the meter's parameters by item
  std::unordered_map<std::string, uint8_t> injected_;           // folded record name -> code
  std::array<uint8_t, kStatusOctets> octets_{};
  HostScheduler::JobId cycleJob_ = 0;
  bool online_ = false;
  int variant_ = 0;
  double fixedCurrent_ = 0.0;
  int pollingAddress_ = 0;
  bool configChanged_ = false;
  bool sensorFault_ = false;
  bool emptyPipe_ = false;
  bool overrange_ = false;
  bool totalizerWarning_ = false;
  bool warnings_ = false;
  bool saturated_ = false;
  int64_t lastStepAt_ = 0;
  double processTimeMs_ = 0;
  uint64_t random_ = 0x2545F4914F6CDD1DULL;
  // Process (base units).
  double dampedFlow_ = 12500.0;
  double massFlow_ = 12500.0;  // after the low-flow cut-off
  double density_ = 998.2;
  double temperature_ = 21.5;
  double loopCurrent_ = 12.0;
  double loopCurrent2_ = 12.0;
  double heldCurrent_ = 12.0;
  double qmForward_ = 0, qmReverse_ = 0, qvForward_ = 0, qvReverse_ = 0;
  int64_t qmOverflowF_ = 0, qmOverflowR_ = 0, qvOverflowF_ = 0, qvOverflowR_ = 0;
};

}  // namespace tolvar::sim
