#pragma once
// What the main window knows of the meter's output configuration and status octets, apart
// from the window: the output-choice rows, the status items and octet layout of each device
// variant, the error and warning summary and the diagnosis lamp's steps.
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/com/variant.h"

namespace velumor::main_view::outputs {

// One item that chooses what an output shows.
struct OutputChoiceRow {
  std::string_view item;
  int32_t fixedChoice;     // the choice the meter's outputs are built for
  int32_t valueLabel;      // element of ValueLabelTextUnit whose label follows the choice
  int32_t fixedLabelId;    // label text while the fixed choice is set
  int32_t messageLineId;   // names the output in the configuration-error message
  int32_t output;          // current output 1 or 2; 0 for the pulse output and the display
  bool keepsShadowChoice;  // the shadow notification keeps the choice (not the display line)
};

enum OutputRow { kOutput1 = 0, kOutput2 = 1, kPulse = 2, kDisplayLine2 = 3 };

inline constexpr std::array<OutputChoiceRow, 4> kOutputChoiceRows = {{
    {"CURRENT_OUTPUT_1_OUTPUT_VARIABLE", 0, 0, 4100, 12100, 1, true},
    {"CURRENT_OUTPUT_2_OUTPUT_VARIABLE", 2, 2, 4102, 12101, 2, true},
    {"PULSE_OUTPUT_MODE", 1, 1, 4101, 12102, 0, true},
    {"DISPLAY_2ND_LINE", 11, 3, 4103, 7101, 0, false},
}};

// The span-limit field groups of current output `output` (1 or 2), for choices 0 to 3
// (mass flow, volume flow, density, temperature).
inline constexpr std::array<std::string_view, 4> kOutput1Groups = {
    "Output1MLabelTextUnit", "Output1VLabelTextUnit", "Output1DLabelTextUnit", "Output1TLabelTextUnit"};
inline constexpr std::array<std::string_view, 4> kOutput2Groups = {
    "Output2MLabelTextUnit", "Output2VLabelTextUnit", "Output2DLabelTextUnit", "Output2TLabelTextUnit"};
inline const std::array<std::string_view, 4>& fieldGroups(int32_t output) {
  return output == 1 ? kOutput1Groups : kOutput2Groups;
}

// The status items of the two device variants, in registration order.
inline constexpr std::array<std::string_view, 2> kVariant0Items = {"ADD_TRANSMITTER_STATE_ERROR",
                                                                   "ADD_TRANSMITTER_STATE_STATE"};
inline constexpr std::array<std::string_view, 7> kVariant1Items = {"A10_ADD_TRANSMITTER_STATE_ERROR",
                                                                   "A10_ADD_TRANSMITTER_STATE_STATE",
                                                                   "A10_OPERATING_MODE",
                                                                   "A10_ANALOG_OUTPUT_SATURATED",
                                                                   "A10_ANALOG_OUTPUT_FIXED",
                                                                   "A10_ADD_TRANSMITTER_STATE_TSTATE",
                                                                   "A10_ADD_TRANSMITTER_STATE_WARNINGS"};

// Which octet array a status item fills.
enum class OctetTarget { None, Error, State, Warning };

// The target of element `index` of a variant's item list; None for the items whose
// notifications the window drops.
inline OctetTarget targetOf(int32_t variant, size_t index) {
  if (variant == 0)
    return index == 0 ? OctetTarget::Error : index == 1 ? OctetTarget::State : OctetTarget::None;
  if (variant == 1) {
    switch (index) {
      case 0:
        return OctetTarget::Error;
      case 5:
        return OctetTarget::State;
      case 6:
        return OctetTarget::Warning;
      default:
        return OctetTarget::None;
    }
  }
  return OctetTarget::None;
}

// The last status octets, at the bounds of the device variant they were sized for.
struct StatusOctets {
  platform::com::ByteArray error, state, warning;
};

// A cleared octet array from `lower` to `upper`; empty when upper < lower.
inline platform::com::ByteArray octetArray(int32_t lower, int32_t upper) {
  platform::com::ByteArray a;
  a.lowerBound = lower;
  if (upper >= lower) a.data.assign(static_cast<size_t>(upper - lower + 1), 0);
  return a;
}

// The arrays of a device variant (0 or 1), cleared.
inline StatusOctets octetsFor(int32_t variant) {
  if (variant == 1) return {octetArray(0, 3), octetArray(14, 15), octetArray(16, 18)};
  return {octetArray(0, 2), octetArray(3, 4), octetArray(0, -1)};
}

// Octet `index` of an array; an octet the array lacks counts as 0.
inline uint8_t octet(const platform::com::ByteArray& a, int32_t index) {
  if (index < a.lowerBound || index > a.upperBound()) return 0;
  return a.data[static_cast<size_t>(index - a.lowerBound)];
}

// Puts what the host delivered into `target`'s own bounds: octet n to element n, octets
// the delivery lacks as 0, octets beyond the bounds dropped.
inline void takeOctets(platform::com::ByteArray& target, const platform::com::ByteArray& delivered) {
  for (int32_t i = target.lowerBound; i <= target.upperBound(); ++i)
    target.data[static_cast<size_t>(i - target.lowerBound)] = octet(delivered, i);
}

struct Summary {
  uint32_t errors = 0;
  uint32_t warnings = 0;
};

// Every bit of the octets counts; a layout other than 0 and 1 has neither.
inline Summary summarize(int32_t variant, const platform::com::ByteArray& error,
                         const platform::com::ByteArray& state, const platform::com::ByteArray& warning) {
  Summary s;
  if (variant == 0) {
    s.errors = octet(error, 0) | octet(error, 1) | octet(error, 2);
    s.warnings = octet(state, 3) | octet(state, 4);
  } else if (variant == 1) {
    s.errors = octet(error, 0) | octet(error, 1) | octet(error, 2) | octet(error, 3);
    s.warnings =
        octet(warning, 16) | octet(warning, 17) | octet(warning, 18) | octet(state, 14) | octet(state, 15);
  }
  return s;
}
inline Summary summarize(int32_t variant, const StatusOctets& o) {
  return summarize(variant, o.error, o.state, o.warning);
}

// Lamp states (the indicator's DiagValue codes).
inline constexpr int16_t kLampRed = 1;
inline constexpr int16_t kLampGreen = 2;
inline constexpr int16_t kLampYellow = 3;
inline constexpr int16_t kLampOff = 4;

struct LampStep {
  int16_t state;
  bool blinking;  // the blink timer runs
};

// A status notification: errors or warnings start the blinking (from green with their own
// colour at once); neither stops it on green.
inline LampStep lampOnStatus(int16_t state, Summary s) {
  if (s.errors != 0) return {state == kLampGreen ? kLampRed : state, true};
  if (s.warnings == 0) return {kLampGreen, false};
  return {state == kLampGreen ? kLampYellow : state, true};
}

// One blink tick: red and yellow alternate with off, or with each other when both are there.
inline int16_t lampOnTick(int16_t state, Summary s) {
  switch (state) {
    case kLampRed:
      return s.warnings != 0 ? kLampYellow : kLampOff;
    case kLampYellow:
      return s.errors != 0 ? kLampRed : kLampOff;
    case kLampOff:
      return s.errors != 0 ? kLampRed : s.warnings != 0 ? kLampYellow : kLampOff;
    default:
      return state;
  }
}

}  // namespace velumor::main_view::outputs
