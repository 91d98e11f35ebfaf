#pragma once
// What the diagnosis window's tests read of its state that nothing shows directly: the octet
// arrays the status items fill and the field device status byte kept between reports.
#include <cstdint>

#include "velumor/diag_view/diag_status.h"
#include "velumor/view_window/test_access.h"

namespace velumor {

template <>
struct TestAccess<DiagStatus> {
  static const StatusOctets& octets(const DiagStatus& s) { return s.Octets; }
  static uint8_t fieldDeviceStatusByte(const DiagStatus& s) { return s.FieldDeviceStatusByte; }
};

}  // namespace velumor
