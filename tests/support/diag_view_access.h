#pragma once
// What the diagnosis window's tests read of its state that nothing shows directly: the key of
// the tab shown (the fallback's "tab shown before"), the octet arrays the status items fill and
// the field device status byte kept between reports.
#include <cstdint>
#include <string>

#include "velumor/diag_view/diag_status.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/view_window/test_access.h"

namespace velumor::view_window {

using diag_view::DiagStatus;
using diag_view::VelumorDiagViewForm;

template <>
struct TestAccess<DiagStatus> {
  static const diag_view::StatusOctets& octets(const DiagStatus& s) { return s.Octets; }
  static uint8_t fieldDeviceStatusByte(const DiagStatus& s) { return s.FieldDeviceStatusByte; }
};

template <>
struct TestAccess<VelumorDiagViewForm> {
  static const std::string& currentTabKey(const VelumorDiagViewForm& f) { return f.CurrentTabKey; }
};

}  // namespace velumor::view_window
