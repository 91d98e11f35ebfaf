#include "tolvar/sim/rq4400_simulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/event_loop.h"
#include "tolvar/sim/item_values.h"

namespace tolvar::sim {

using platform::com::ByteArray;
using platform::com::Variant;

namespace {

// Conversion factors to the base units (kg/h, m³/h, kg/m³, kg, m³) by HART unit code.
constexpr double kLb = 0.45359237;
constexpr double kGal = 0.003785411784;
constexpr double kFt3 = 0.028316846592;
constexpr double kImpGal = 0.00454609;

double massFlowFactor(int32_t code) {
  switch (code) {
    case 70:
      return 3.6;
    case 71:
      return 0.06;
    case 72:
      return 0.001;
    case 73:
      return 3600.0;
    case 74:
      return 60.0;
    case 76:
      return 1.0 / 24.0;
    case 77:
      return 60000.0;
    case 78:
      return 1000.0;
    case 79:
      return 1000.0 / 24.0;
    case 80:
      return kLb * 3600.0;
    case 81:
      return kLb * 60.0;
    case 82:
      return kLb;
    case 83:
      return kLb / 24.0;
    default:
      return 1.0;  // 75 kg/h
  }
}

double volumeFlowFactor(int32_t code) {
  switch (code) {
    case 15:
      return kFt3 * 60.0;
    case 16:
      return kGal * 60.0;
    case 17:
      return 0.06;
    case 18:
      return kImpGal * 60.0;
    case 22:
      return kGal * 3600.0;
    case 24:
      return 3.6;
    case 26:
      return kFt3 * 3600.0;
    case 28:
      return 3600.0;
    case 29:
      return 1.0 / 24.0;
    case 131:
      return 60.0;
    case 136:
      return kGal;
    case 138:
      return 0.001;
    default:
      return 1.0;  // 19 m³/h
  }
}

double densityFactor(int32_t code) {
  switch (code) {
    case 91:
    case 95:
    case 96:
      return 1000.0;
    case 93:
      return 119.826427;
    case 94:
      return 16.018463;
    default:
      return 1.0;  // 92 kg/m³, 97 g/l
  }
}

double massFactor(int32_t code) {
  switch (code) {
    case 60:
      return 0.001;
    case 62:
      return 1000.0;
    case 63:
      return kLb;
    case 64:
      return 907.18474;
    default:
      return 1.0;  // 61 kg
  }
}

double volumeFactor(int32_t code) {
  switch (code) {
    case 40:
      return kGal;
    case 41:
      return 0.001;
    case 112:
      return kFt3;
    default:
      return 1.0;  // 43 m³
  }
}

double temperatureIn(double celsius, int32_t code) {
  if (code == 33) return celsius * 9.0 / 5.0 + 32.0;
  if (code == 35) return celsius + 273.15;
  return celsius;
}

// Values the device transfers as single precision arrive as such.
double asFloat(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return v;
  return static_cast<double>(static_cast<float>(v));
}

constexpr double kTotalizerLimit = 1.0e7;  // a totalizer overflows into its counter here
constexpr int32_t kUnitMilliampere = 39;
constexpr int32_t kUnitHertz = 38;

bool isStatusItem(std::string_view name) {
  return name.rfind("ADD_TRANSMITTER_STATE", 0) == 0 || name.rfind("A10_", 0) == 0;
}

}  // namespace

Rq4400Simulator::Rq4400Simulator(ItemStore& store, HostScheduler& scheduler)
    : store_(store), scheduler_(scheduler) {
  const auto& data = store_.data();
  for (const auto& rec : data.records) {
    for (const auto& name : rec.items) {
      const int32_t i = store_.indexOf(name);
      if (i >= 0) memory_[i] = store_.value(i);
    }
  }
  // A fresh meter starts from what its description says it holds.
  const int32_t status = store_.indexOf("ADD_TRANSMITTER_STATE");
  if (status >= 0 && store_.value(status).type() == platform::com::VarType::ByteArray) {
    const auto& a = store_.value(status).byteArray();
    for (size_t k = 0; k < a.data.size(); ++k) {
      const int64_t n = a.lowerBound + static_cast<int64_t>(k);
      if (n >= 0 && n < static_cast<int64_t>(kStatusOctets)) octets_[static_cast<size_t>(n)] = a.data[k];
    }
  }
  const int32_t hart = store_.indexOf("HartRevision");
  if (hart >= 0) variant_ = store_.value(hart).toDouble() >= 0.5 ? 1 : 0;
  pollingAddress_ = codeNamed("INSTRUMENT_ADDRESS");
  qmForward_ = paramNamed("TOTALIZER_QM_F_SET_VALUE") * massFactor(codeNamed("TOTALIZER_QM_F_SET_UNIT"));
  qmReverse_ = paramNamed("TOTALIZER_QM_R_SET_VALUE") * massFactor(codeNamed("TOTALIZER_QM_R_SET_UNIT"));
  qvForward_ = paramNamed("TOTALIZER_QV_F_SET_VALUE") * volumeFactor(codeNamed("TOTALIZER_QV_F_SET_UNIT"));
  qvReverse_ = paramNamed("TOTALIZER_QV_R_SET_VALUE") * volumeFactor(codeNamed("TOTALIZER_QV_R_SET_UNIT"));
  qmOverflowF_ = countNamed("TOTALIZER_QM_OVERFLOW_F");
  qmOverflowR_ = countNamed("TOTALIZER_QM_OVERFLOW_R");
  qvOverflowF_ = countNamed("TOTALIZER_QV_OVERFLOW_F");
  qvOverflowR_ = countNamed("TOTALIZER_QV_OVERFLOW_R");
  computeOutputs();
}

Rq4400Simulator::~Rq4400Simulator() {
  if (cycleJob_) scheduler_.cancel(cycleJob_);
}

// ------------------------------------------------------------------ parameters

double Rq4400Simulator::param(int32_t index) const {
  auto it = memory_.find(index);
  const Variant& v = it != memory_.end() ? it->second : store_.value(index);
  return numberOf(v).value_or(0.0);
}

double Rq4400Simulator::paramNamed(std::string_view name) const {
  const int32_t i = store_.indexOf(name);
  return i < 0 ? 0.0 : param(i);
}

int32_t Rq4400Simulator::codeNamed(std::string_view name) const {
  const double d = paramNamed(name);
  return d > -2147483649.0 && d < 2147483648.0 ? static_cast<int32_t>(d) : -1;
}

int64_t Rq4400Simulator::countNamed(std::string_view name) const {
  const double d = paramNamed(name);
  return d > -9.2e18 && d < 9.2e18 ? static_cast<int64_t>(d) : 0;
}

void Rq4400Simulator::setParam(int32_t index, const Variant& v) {
  if (index >= 0) memory_[index] = v;
}

Variant Rq4400Simulator::deviceValue(std::string_view name) const {
  const int32_t i = store_.indexOf(name);
  if (i < 0) return Variant();
  auto it = memory_.find(i);
  return it != memory_.end() ? it->second : store_.value(i);
}

// ------------------------------------------------------------------ process

void Rq4400Simulator::setOnline(bool online) {
  if (online == online_) return;
  online_ = online;
  if (cycleJob_) scheduler_.cancel(cycleJob_);
  cycleJob_ = 0;
  if (online_) {
    lastStepAt_ = platform::ui::EventLoop::instance().now();
    step(0, true);
    cycleJob_ = scheduler_.after(kCycleMs, [this] { cycle(); });
  }
}

void Rq4400Simulator::cycle() {
  cycleJob_ = 0;
  if (!online_) return;
  const int64_t now = platform::ui::EventLoop::instance().now();
  step(now - lastStepAt_, true);
  lastStepAt_ = now;
  cycleJob_ = scheduler_.after(kCycleMs, [this] { cycle(); });
}

double Rq4400Simulator::noise() {
  random_ ^= random_ << 13;
  random_ ^= random_ >> 7;
  random_ ^= random_ << 17;
  return static_cast<double>(random_ >> 11) / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
}

double Rq4400Simulator::volumeFlow() const {
  return density_ > 0.1 ? massFlow_ / density_ : 0.0;
}

void Rq4400Simulator::step(int64_t ms, bool publish) {
  const double dt = static_cast<double>(std::max<int64_t>(0, ms));
  processTimeMs_ += dt;
  const double t = processTimeMs_ / 1000.0;
  const double twoPi = 2.0 * std::numbers::pi;
  const double qmax = paramNamed("QMAX_METER_TUBE_VALUE") * massFlowFactor(codeNamed("QMAX_METER_TUBE_UNIT"));

  // The flow the tube sees.
  double raw = 12500.0 * (1.0 + 0.04 * std::sin(twoPi * t / 90.0) + 0.015 * std::sin(twoPi * t / 13.0)) +
               25.0 * noise();
  if (overrange_) raw = 1.25 * qmax + 50.0 * noise();
  if (emptyPipe_) raw = 40.0 * noise();
  if (sensorFault_) raw = 0.0;
  if (codeNamed("FLOW_DIRECTION") == 1) raw = -raw;

  // Damping: first order with the configured time constant.
  const double tau = paramNamed("DAMPING_VALUE") * 1000.0;
  if (tau > 0.0 && dt > 0.0)
    dampedFlow_ += (raw - dampedFlow_) * (1.0 - std::exp(-dt / tau));
  else if (tau <= 0.0)
    dampedFlow_ = raw;
  // Below the low-flow cut-off the meter shows and counts nothing.
  const double cutoff = paramNamed("LOW_FLOW_CUTOFF_VALUE") / 100.0 * qmax;
  massFlow_ = std::fabs(dampedFlow_) < cutoff ? 0.0 : dampedFlow_;
  const double shownFlow = massFlow_;

  density_ = emptyPipe_ ? 1.2 + 0.1 * std::fabs(noise())
                        : 998.2 + 0.6 * std::sin(twoPi * t / 240.0) + 0.05 * noise();
  temperature_ = 21.5 + 0.8 * std::sin(twoPi * t / 600.0) + 0.02 * noise();

  // Totalizers count what flowed.
  const double hours = dt / 3.6e6;
  const double vol = density_ > 0.1 ? shownFlow / density_ : 0.0;
  if (shownFlow > 0) {
    qmForward_ += shownFlow * hours;
    qvForward_ += vol * hours;
  } else {
    qmReverse_ += -shownFlow * hours;
    qvReverse_ += -vol * hours;
  }
  auto overflow = [](double& total, int64_t& counter, double factor) {
    const double limit = kTotalizerLimit * factor;
    while (total >= limit) {
      total -= limit;
      ++counter;
    }
  };
  overflow(qmForward_, qmOverflowF_, massFactor(codeNamed("UNITS_TOTALIZER_QM")));
  overflow(qmReverse_, qmOverflowR_, massFactor(codeNamed("UNITS_TOTALIZER_QM")));
  overflow(qvForward_, qvOverflowF_, volumeFactor(codeNamed("UNITS_TOTALIZER_QV")));
  overflow(qvReverse_, qvOverflowR_, volumeFactor(codeNamed("UNITS_TOTALIZER_QV")));
  computeOutputs();
  if (publish) publishMeasured();
}

double Rq4400Simulator::currentFor(int selection, const char* prefix, bool& saturated) const {
  const std::string p = prefix;
  double v = 0, lo = 0, hi = 1;
  switch (selection) {
    case 0: {
      const auto unit = codeNamed("QM_MAXIMUM_UNIT");
      v = massFlow_ / massFlowFactor(unit);
      lo = paramNamed("QM_MINIMUM_VALUE");
      hi = paramNamed("QM_MAXIMUM_VALUE");
      break;
    }
    case 1: {
      const auto unit = codeNamed(p + "QV_MAX_UNIT");
      v = volumeFlow() / volumeFlowFactor(unit);
      lo = paramNamed(p + "QV_MIN_VALUE");
      hi = paramNamed(p + "QV_MAX_VALUE");
      break;
    }
    case 2: {
      const auto unit = codeNamed(p + "UPP_DENSITY_LIMIT_UNIT");
      v = density_ / densityFactor(unit);
      lo = paramNamed(p + "LOW_DENSITY_LIMIT_VALUE");
      hi = paramNamed(p + "UPP_DENSITY_LIMIT_VALUE");
      break;
    }
    case 3: {
      v = temperatureIn(temperature_, codeNamed(p + "UPP_TEMP_LIMIT_UNIT"));
      lo = paramNamed(p + "LOW_TEMP_LIMIT_VALUE");
      hi = paramNamed(p + "UPP_TEMP_LIMIT_VALUE");
      break;
    }
    default:
      break;
  }
  double mA = hi > lo ? 4.0 + 16.0 * (v - lo) / (hi - lo) : 4.0;
  const double clamped = std::clamp(mA, 3.8, 20.5);
  saturated = clamped != mA;
  return clamped;
}

void Rq4400Simulator::computeOutputs() {
  bool sat1 = false, sat2 = false;
  const double normal1 = currentFor(codeNamed("CURRENT_OUTPUT_1_OUTPUT_VARIABLE"), "CURRENT_OUTPUT_1_", sat1);
  const double normal2 = currentFor(codeNamed("CURRENT_OUTPUT_2_OUTPUT_VARIABLE"), "CURRENT_OUTPUT_2_", sat2);
  auto alarm = [this](const char* prefix, double held) {
    const std::string p = prefix;
    switch (codeNamed(p + "ALARM")) {
      case 1:
        return paramNamed(p + "UPP_ALARM_LIMIT_VALUE");
      case 2:
        return held;
      default:
        return paramNamed(p + "LOW_ALARM_LIMIT_VALUE");
    }
  };
  if (fixedCurrent_ != 0.0) {
    loopCurrent_ = fixedCurrent_;
    saturated_ = false;
  } else if (sensorFault_) {
    loopCurrent_ = alarm("CURRENT_OUTPUT_1_", heldCurrent_);
    saturated_ = false;
  } else {
    loopCurrent_ = normal1;
    heldCurrent_ = normal1;
    saturated_ = sat1;
  }
  loopCurrent2_ = sensorFault_ ? alarm("CURRENT_OUTPUT_2_", loopCurrent2_) : normal2;
}

double Rq4400Simulator::channelValue(int selection, int32_t& unit) const {
  switch (selection) {
    case 0:
      unit = codeNamed("UNITS_QM");
      return massFlow_ / massFlowFactor(unit);
    case 1:
      unit = codeNamed("UNITS_QV");
      return volumeFlow() / volumeFlowFactor(unit);
    case 2:
      unit = codeNamed("UNITS_DENSITY");
      return density_ / densityFactor(unit);
    case 3:
      unit = codeNamed("UNITS_TEMPERATURE");
      return temperatureIn(temperature_, unit);
    default:
      unit = codeNamed("UNITS_QM");
      return 0.0;
  }
}

double Rq4400Simulator::displayValue(int selection, int32_t& unit) const {
  const auto totQm = codeNamed("UNITS_TOTALIZER_QM");
  const auto totQv = codeNamed("UNITS_TOTALIZER_QV");
  switch (selection) {
    case 1:
      return channelValue(0, unit);
    case 2:
      return channelValue(1, unit);
    case 3:
      unit = totQm;
      return qmForward_ / massFactor(totQm);
    case 4:
      unit = totQm;
      return qmReverse_ / massFactor(totQm);
    case 5:
      unit = totQv;
      return qvForward_ / volumeFactor(totQv);
    case 6:
      unit = totQv;
      return qvReverse_ / volumeFactor(totQv);
    case 7:
      unit = kUnitMilliampere;
      return loopCurrent_;
    case 8:
      unit = kUnitMilliampere;
      return loopCurrent2_;
    case 9: {
      // Pulses per second: the flow in the pulse unit per second times the pulses per unit.
      unit = kUnitHertz;
      const int mode = codeNamed("PULSE_OUTPUT_MODE");
      if (mode == 0)
        return std::fabs(massFlow_) / 3600.0 / massFactor(codeNamed("PULSE_FACTOR_QM_UNIT")) *
               paramNamed("PULSE_FACTOR_QM_VALUE");
      if (mode == 1)
        return std::fabs(volumeFlow()) / 3600.0 / volumeFactor(codeNamed("PULSE_FACTOR_QV_UNIT")) *
               paramNamed("PULSE_FACTOR_QV_VALUE");
      return 0.0;
    }
    case 10:
      return channelValue(2, unit);
    case 11:
      return channelValue(3, unit);
    default:
      unit = 0;
      return 0.0;
  }
}

void Rq4400Simulator::publishMeasured() {
  auto put = [this](std::string_view name, const Variant& v) {
    const int32_t i = store_.indexOf(name);
    if (i < 0) return;
    setParam(i, v);
    store_.set(i, v);
  };
  int32_t unit = 0;
  double v = channelValue(codeNamed("CURRENT_OUTPUT_1_OUTPUT_VARIABLE"), unit);
  put("PRIMARY_VALUE", Variant(asFloat(v)));
  put("PRIMARY_UNITS", Variant(static_cast<double>(unit)));
  v = channelValue(codeNamed("CURRENT_OUTPUT_2_OUTPUT_VARIABLE"), unit);
  put("SECOND_VALUE", Variant(asFloat(v)));
  put("SECOND_UNITS", Variant(static_cast<double>(unit)));
  const int pulse = codeNamed("PULSE_OUTPUT_MODE");
  v = pulse == 0 || pulse == 1 ? channelValue(pulse, unit) : channelValue(-1, unit);
  put("THIRD_VALUE", Variant(asFloat(v)));
  put("THIRD_UNITS", Variant(static_cast<double>(unit)));
  v = displayValue(codeNamed("DISPLAY_2ND_LINE"), unit);
  put("FOURTH_VALUE", Variant(asFloat(v)));
  put("FOURTH_UNITS", Variant(static_cast<double>(unit)));
  put("PRIMARY_CURR", Variant(asFloat(loopCurrent_)));
  put("PRIMARY_PER_RANGE", Variant(asFloat((loopCurrent_ - 4.0) / 16.0 * 100.0)));

  const auto totQm = codeNamed("UNITS_TOTALIZER_QM");
  const auto totQv = codeNamed("UNITS_TOTALIZER_QV");
  put("TOTALIZER_QM_F_SET_VALUE", Variant(qmForward_ / massFactor(totQm)));
  put("TOTALIZER_QM_R_SET_VALUE", Variant(qmReverse_ / massFactor(totQm)));
  put("TOTALIZER_QV_F_SET_VALUE", Variant(qvForward_ / volumeFactor(totQv)));
  put("TOTALIZER_QV_R_SET_VALUE", Variant(qvReverse_ / volumeFactor(totQv)));
  put("TOTALIZER_QM_F_SET_UNIT", Variant(static_cast<double>(totQm)));
  put("TOTALIZER_QM_R_SET_UNIT", Variant(static_cast<double>(totQm)));
  put("TOTALIZER_QV_F_SET_UNIT", Variant(static_cast<double>(totQv)));
  put("TOTALIZER_QV_R_SET_UNIT", Variant(static_cast<double>(totQv)));
  put("TOTALIZER_QM_OVERFLOW_F", Variant(static_cast<double>(qmOverflowF_)));
  put("TOTALIZER_QM_OVERFLOW_R", Variant(static_cast<double>(qmOverflowR_)));
  put("TOTALIZER_QV_OVERFLOW_F", Variant(static_cast<double>(qvOverflowF_)));
  put("TOTALIZER_QV_OVERFLOW_R", Variant(static_cast<double>(qvOverflowR_)));
}

// ------------------------------------------------------------------ status

std::array<uint8_t, Rq4400Simulator::kStatusOctets> Rq4400Simulator::statusOctets() const {
  auto out = octets_;
  if (variant_ == 1) {
    // The A10 variant reports its operating mode and output state in octets of their own.
    out[7] = static_cast<uint8_t>(fixedCurrent_ != 0.0 ? 0x01 : 0x00);
    out[10] = static_cast<uint8_t>(saturated_ ? 0x01 : 0x00);
    out[13] = static_cast<uint8_t>(fixedCurrent_ != 0.0 ? 0x01 : 0x00);
  }
  return out;
}

uint8_t Rq4400Simulator::fieldDeviceStatus() const {
  uint8_t s = 0;
  if (sensorFault_) s |= kMalfunction;
  if (configChanged_) s |= kConfigChanged;
  if (fixedCurrent_ != 0.0) s |= kLoopCurrentFixed;
  if (saturated_) s |= kOutputSaturated;
  if (emptyPipe_) s |= kNonPrimaryOutOfLimits;
  const double high =
      paramNamed("PRIMARY_SENSOR_HIGH_LIMIT") * massFlowFactor(codeNamed("PRIMARY_SENSOR_UNITS"));
  if (overrange_ || (high > 0 && std::fabs(massFlow_) > high)) s |= kPrimaryOutOfLimits;
  const auto octets = statusOctets();
  const size_t reported = variant_ == 1 ? kStatusOctets : 5;
  for (size_t i = 0; i < reported; ++i) {
    if (variant_ == 1 && (i == 7 || i == 13)) continue;  // the output state is not "more status"
    if (octets[i]) s |= kMoreStatus;
  }
  return s;
}

void Rq4400Simulator::applyFaultBits() {
  if (variant_ == 0) {
    if (sensorFault_) octets_[0] |= 0x08;    // Sensor 1 (E 0)
    if (emptyPipe_) octets_[0] |= 0x40;      // Value 0 (E 9b)
    if (overrange_) octets_[1] |= 0x04;      // Output 0 (E 8a)
    if (configChanged_) octets_[3] |= 0x02;  // Config 1 (W 1)
    if (warnings_) octets_[3] |= 0x01;       // Config 0 (function test on)
  } else {
    if (sensorFault_) octets_[0] |= 0x20;  // Sensor 1 (E 0)
    if (emptyPipe_) octets_[1] |= 0x02;    // Value 0 (E 9b)
    if (overrange_) {
      octets_[1] |= 0x20;   // Output 0 (E 8a)
      octets_[16] |= 0x02;  // Alarm 0 (W 6a)
    }
    if (totalizerWarning_) octets_[16] |= 0x01;  // Totalizer 0 (W 2)
    if (configChanged_) octets_[17] |= 0x08;     // Config 1 (W 1)
    if (warnings_) {
      octets_[14] |= 0x01;  // Config 0 (function test on)
      octets_[16] |= 0x08;  // Alarm 2 (W 6b)
      octets_[17] |= 0x01;  // Memory 2 (W 7)
    }
  }
}

void Rq4400Simulator::setVariant(int variant) {
  variant_ = variant == 1 ? 1 : 0;
  octets_.fill(0);
  applyFaultBits();
}

void Rq4400Simulator::publishStatus() {
  const auto octets = statusOctets();
  const auto& data = store_.data();
  for (const auto& v : data.variables) {
    if (v.type != dd::ValueType::Bytes || !isStatusItem(v.name)) continue;
    const int32_t i = store_.indexOf(v.name);
    std::vector<uint8_t> part;
    for (int k = 0; k < v.octets; ++k) {
      const int n = v.firstOctet + k;
      part.push_back(n >= 0 && n < static_cast<int>(kStatusOctets) ? octets[static_cast<size_t>(n)] : 0);
    }
    const Variant value(ByteArray{v.firstOctet, part});
    setParam(i, value);
    store_.set(i, value);
  }
  store_.set("LastFieldDeviceStatus", Variant(static_cast<double>(fieldDeviceStatus())));
  if (const auto* rec = data.findRecord("HART_COMMAND_048_ReadOctets")) {
    const int32_t i = store_.indexOf(dd::recordResponseItem(rec->name));
    if (i >= 0) store_.set(i, Variant(ByteArray{1, response(*rec, 0)}));
  }
  store_.set("HartRevision", Variant(static_cast<double>(variant_)));
}

void Rq4400Simulator::hostItemWritten(int32_t index) {
  if (!store_.validIndex(index)) return;
  const auto& def = store_.def(index);
  if (def.type != dd::ValueType::Bytes || !isStatusItem(def.name)) return;
  const Variant& v = store_.value(index);
  if (v.type() != platform::com::VarType::ByteArray) return;
  const auto& a = v.byteArray();
  for (size_t k = 0; k < a.data.size(); ++k) {
    const int64_t n = def.firstOctet + static_cast<int64_t>(k);
    if (n >= 0 && n < static_cast<int64_t>(kStatusOctets)) octets_[static_cast<size_t>(n)] = a.data[k];
  }
  setParam(index, v);
}

const std::vector<std::string>& Rq4400Simulator::scenarioNames() {
  static const std::vector<std::string> names = {
      "normal",         "sensor-fault",  "empty-pipe",      "overrange",   "totalizer-overflow",
      "config-changed", "fixed-current", "write-protected", "variant-a10", "variant-standard",
      "warnings"};
  return names;
}

Status Rq4400Simulator::scenario(std::string_view name) {
  const std::string n = dd::foldCase(name);
  if (n == "normal") {
    sensorFault_ = emptyPipe_ = overrange_ = totalizerWarning_ = configChanged_ = warnings_ = false;
    fixedCurrent_ = 0.0;
    setParam(store_.indexOf("PRIMARY_FIXED_CURRENT"), Variant(0.0));
    setParam(store_.indexOf("WRITE_PROTECTION"), Variant(0.0));
    octets_.fill(0);
  } else if (n == "sensor-fault") {
    sensorFault_ = true;
  } else if (n == "empty-pipe") {
    emptyPipe_ = true;
  } else if (n == "overrange") {
    overrange_ = true;
  } else if (n == "totalizer-overflow") {
    ++qmOverflowF_;
    ++qvOverflowF_;
    totalizerWarning_ = true;
  } else if (n == "config-changed") {
    configChanged_ = true;
  } else if (n == "fixed-current") {
    fixedCurrent_ = 12.0;
    setParam(store_.indexOf("PRIMARY_FIXED_CURRENT"), Variant(12.0));
  } else if (n == "write-protected") {
    setParam(store_.indexOf("WRITE_PROTECTION"), Variant(1.0));
  } else if (n == "warnings") {
    warnings_ = true;
  } else if (n == "variant-a10") {
    setVariant(1);
  } else if (n == "variant-standard") {
    setVariant(0);
  } else {
    std::string list;
    for (const auto& s : scenarioNames()) list += (list.empty() ? "" : ", ") + s;
    return Status::fail(Reason::NotFound,
                        "Unknown scenario \"" + std::string(name) + "\" (known: " + list + ")");
  }
  applyFaultBits();
  step(0, false);
  publishMeasured();
  publishStatus();
  return {};
}

void Rq4400Simulator::injectResponse(std::string_view record, uint8_t code) {
  injected_[dd::foldCase(record)] = code;
}

bool Rq4400Simulator::hasInjectedResponse(std::string_view record) const {
  return injected_.count(dd::foldCase(record)) != 0;
}

// ------------------------------------------------------------------ commands

std::vector<uint8_t> Rq4400Simulator::response(const dd::RecordDef& record, uint8_t code) const {
  std::vector<uint8_t> out{code, fieldDeviceStatus()};
  if (record.command == 48) {
    const uint32_t count = variant_ == 1 ? 25u : 5u;
    out.push_back(static_cast<uint8_t>(count >> 24));
    out.push_back(static_cast<uint8_t>(count >> 16));
    out.push_back(static_cast<uint8_t>(count >> 8));
    out.push_back(static_cast<uint8_t>(count));
  }
  return out;
}

uint8_t Rq4400Simulator::execute(const dd::RecordDef& record) {
  if (auto it = injected_.find(dd::foldCase(record.name)); it != injected_.end()) {
    const uint8_t code = it->second;
    injected_.erase(it);
    return code;  // the meter answers with the code and does nothing else
  }
  const bool write = record.direction == dd::Direction::Write;
  if (write) return executeWrite(record);
  return executeRead(record);
}

uint8_t Rq4400Simulator::executeWrite(const dd::RecordDef& record) {
  if (record.command != 38 && record.command != 40 && paramNamed("WRITE_PROTECTION") == 1.0)
    return kWriteProtected;
  switch (record.command) {
    case 6: {
      const int32_t i = store_.indexOf("INSTRUMENT_ADDRESS");
      const double a = i >= 0 ? numberOf(store_.value(i)).value_or(-1) : -1;
      if (a < 0 || a > 63 || a != std::floor(a)) return kInvalidSelection;
      setParam(i, Variant(a));
      pollingAddress_ = static_cast<int>(a);
      return 0;
    }
    case 38:
      configChanged_ = false;
      if (variant_ == 0)
        octets_[3] &= static_cast<uint8_t>(~0x02u);
      else
        octets_[17] &= static_cast<uint8_t>(~0x08u);
      return 0;
    case 40: {
      const int32_t i = store_.indexOf("PRIMARY_FIXED_CURRENT");
      const double mA = i >= 0 ? numberOf(store_.value(i)).value_or(0.0) : 0.0;
      // A current of 0 leaves fixed-current mode; others must be one the loop can carry.
      if (mA != 0.0 && mA > 22.5) return kTooLarge;
      if (mA != 0.0 && mA < 3.5) return kTooSmall;
      fixedCurrent_ = mA;
      setParam(i, Variant(mA));
      computeOutputs();
      return 0;
    }
    default:
      break;
  }
  for (const auto& name : record.items) {
    const int32_t i = store_.indexOf(name);
    if (i >= 0) setParam(i, store_.value(i));
  }
  if (!record.items.empty()) {
    configChanged_ = true;
    applyFaultBits();
  }
  computeOutputs();
  return 0;
}

uint8_t Rq4400Simulator::executeRead(const dd::RecordDef& record) {
  resetTotalizers(record.command);
  // Fresh measured values and status for what the command carries.
  step(0, false);
  publishMeasured();
  if (record.command == 48) fillStatusItems(record);
  for (const auto& name : record.items) {
    const int32_t i = store_.indexOf(name);
    if (i < 0) continue;
    auto it = memory_.find(i);
    if (it == memory_.end()) continue;
    // A status read from the device is news to its views even when it did not change: a
    // window shows it again (the diagnosis rows after a connect).
    if (isStatusItem(name))
      store_.report(i, it->second);
    else
      store_.set(i, it->second);
  }
  return 0;
}

void Rq4400Simulator::resetTotalizers(int command) {
  // Reads: the resets answer with the values they left.
  auto resetMass = [this](bool forward, bool total) {
    if (forward) {
      qmOverflowF_ = 0;
      if (total) qmForward_ = 0;
    } else {
      qmOverflowR_ = 0;
      if (total) qmReverse_ = 0;
    }
  };
  auto resetVolume = [this](bool forward, bool total) {
    if (forward) {
      qvOverflowF_ = 0;
      if (total) qvForward_ = 0;
    } else {
      qvOverflowR_ = 0;
      if (total) qvReverse_ = 0;
    }
  };
  switch (command) {
    case 140:
      resetMass(true, true);
      break;
    case 141:
      resetMass(false, true);
      break;
    case 142:
      resetMass(true, false);
      break;
    case 143:
      resetMass(false, false);
      break;
    case 144:
      resetVolume(true, true);
      break;
    case 145:
      resetVolume(false, true);
      break;
    case 146:
      resetVolume(true, false);
      break;
    case 147:
      resetVolume(false, false);
      break;
    default:
      break;
  }
  if (command >= 140 && command <= 147) totalizerWarning_ = false;
}

void Rq4400Simulator::fillStatusItems(const dd::RecordDef& record) {
  const auto octets = statusOctets();
  for (const auto& name : record.items) {
    const int32_t i = store_.indexOf(name);
    if (i < 0) continue;
    const auto& def = store_.def(i);
    if (def.type != dd::ValueType::Bytes) continue;
    std::vector<uint8_t> part;
    for (int k = 0; k < def.octets; ++k) {
      const int n = def.firstOctet + k;
      part.push_back(n >= 0 && n < static_cast<int>(kStatusOctets) ? octets[static_cast<size_t>(n)] : 0);
    }
    setParam(i, Variant(ByteArray{def.firstOctet, part}));
  }
}

}  // namespace tolvar::sim
