#pragma once
// The applet library's utility object as the supervision view uses it: one bit field out of a
// device response. The component cannot reach the host's own class, so it carries a small one;
// tests put their own in through the factory.
#include <cstdint>
#include <functional>

#include "platform/com/ref.h"
#include "tolvar/applet/applet.h"

namespace velumor {

// Reads up to 32 bits of a byte array, bit 0 being the most significant bit of the array's
// first byte. Out-of-range fields and widths give 0 and a non-zero status.
class BitFieldUtility final : public tolvar::AppletUtility {
 public:
  BitFieldUtility() = default;
  void GetBitField(int32_t& lValue, uint8_t width, bool bigEndian, const plat::com::ByteArray& bytes,
                   int32_t bitOffset, int32_t& status) override;

  static constexpr int32_t kStatusOutOfRange = static_cast<int32_t>(0x80070057u);
};

using AppletUtilityFactory = std::function<plat::com::Ptr<tolvar::AppletUtility>()>;

// The utility shared by every supervision view, created on first use and kept from then on.
// Error 429 when the factory gives none.
tolvar::AppletUtility& sharedAppletUtility();

// Replaces the factory (an empty one restores the built-in utility) and drops the shared
// object, so that the next use creates a fresh one.
void setAppletUtilityFactory(AppletUtilityFactory factory);

}  // namespace velumor
