#pragma once
// The applet library's utility class, served by the host under kAppletUtilityProgId.
#include <cstdint>

#include "tolvar/applet/applet.h"

namespace tolvar::sim {

using tolvar::kAppletUtilityProgId;

class SimAppletUtility : public AppletUtility {
 public:
  SimAppletUtility() = default;
  // Bits outside the array (a negative offset, a field running past the end) or a width of 0
  // or above 32 give the value 0 and a non-zero status.
  void GetBitField(int32_t& lValue, uint8_t width, bool bigEndian, const platform::com::ByteArray& bytes,
                   int32_t bitOffset, int32_t& status) override;
};

}  // namespace tolvar::sim
