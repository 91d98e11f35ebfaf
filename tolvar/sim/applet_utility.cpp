#include "tolvar/sim/applet_utility.h"

#include "tolvar/sim/status.h"

namespace tolvar::sim {

void SimAppletUtility::GetBitField(int32_t& lValue, uint8_t width, bool bigEndian,
                                   const platform::com::ByteArray& bytes, int32_t bitOffset,
                                   int32_t& status) {
  lValue = 0;
  const int64_t totalBits = static_cast<int64_t>(bytes.data.size()) * 8;
  if (width == 0 || width > 32 || bitOffset < 0 || bitOffset + int64_t{width} > totalBits) {
    status = kStatusBadArgument;
    return;
  }
  uint32_t v = 0;
  for (int i = 0; i < width; ++i) {
    const int64_t bit = bitOffset + i;
    const uint8_t octet = bytes.data[static_cast<size_t>(bit / 8)];
    v = (v << 1) | ((octet >> (7 - bit % 8)) & 1u);
  }
  if (!bigEndian && width % 8 == 0 && bitOffset % 8 == 0) {
    // The octets of the field taken lowest first.
    uint32_t r = 0;
    for (int i = 0; i < width / 8; ++i) r |= ((v >> (8 * i)) & 0xFFu) << (width - 8 - 8 * i);
    v = r;
  }
  lValue = static_cast<int32_t>(v);
  status = 0;
}

}  // namespace tolvar::sim
