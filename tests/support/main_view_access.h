#pragma once
// What the main window's tests read of its private state: the tab table, the last output
// choices and the device variant with its error octets. Read only; a test reaches a state
// by registering and notifying, as the host does.
#include <cstdint>
#include <vector>

#include "platform/com/variant.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/view_window/test_access.h"

namespace velumor::view_window {

template <>
struct TestAccess<main_view::VelumorMainViewForm> {
  using Form = main_view::VelumorMainViewForm;
  static const std::vector<Form::TabRecord>& tabTable(const Form& f) { return f.TabTable; }
  static int32_t outputChoice1(const Form& f) { return f.OutputChoice1; }
  static int32_t outputChoice2(const Form& f) { return f.OutputChoice2; }
  static int32_t pulseMode(const Form& f) { return f.PulseMode; }
  static int32_t displayLine2Choice(const Form& f) { return f.DisplayLine2Choice; }
  static uint8_t deviceVariant(const Form& f) { return f.DeviceVariant; }
  static const platform::com::ByteArray& errorOctets(const Form& f) { return f.ErrorOctets; }
};

}  // namespace velumor::view_window
