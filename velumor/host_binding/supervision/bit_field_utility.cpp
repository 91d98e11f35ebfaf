#include "velumor/host_binding/supervision/bit_field_utility.h"

#include <utility>

#include "platform/com/error.h"

namespace velumor {

void BitFieldUtility::GetBitField(int32_t& lValue, uint8_t width, bool bigEndian,
                                  const plat::com::ByteArray& bytes, int32_t bitOffset, int32_t& status) {
  lValue = 0;
  const int64_t available = static_cast<int64_t>(bytes.data.size()) * 8;
  const int64_t end = static_cast<int64_t>(bitOffset) + width;
  if (width == 0 || width > 32 || bitOffset < 0 || end > available) {
    status = kStatusOutOfRange;
    return;
  }
  uint32_t field = 0;
  for (int64_t bit = bitOffset; bit < end; ++bit) {
    const uint8_t octet = bytes.data[static_cast<size_t>(bit >> 3)];
    field = (field << 1) | ((octet >> (7 - (bit & 7))) & 1u);
  }
  if (!bigEndian && width % 8 == 0) {
    // Least significant octet first: turn the octets of the field around.
    uint32_t swapped = 0;
    for (int i = 0; i < width / 8; ++i) swapped = (swapped << 8) | ((field >> (8 * i)) & 0xFFu);
    field = swapped;
  }
  lValue = static_cast<int32_t>(field);
  status = 0;
}

namespace {

struct UtilityHolder {
  AppletUtilityFactory factory;
  plat::com::Ptr<tolvar::AppletUtility> shared;
};

// Never destroyed: the last supervision view may go after static destruction has begun.
UtilityHolder& holder() {
  static auto* h = new UtilityHolder();
  return *h;
}

}  // namespace

tolvar::AppletUtility& sharedAppletUtility() {
  UtilityHolder& h = holder();
  if (!h.shared) {
    h.shared = h.factory ? h.factory()
                         : plat::com::Ptr<tolvar::AppletUtility>(plat::com::makeObject<BitFieldUtility>());
    if (!h.shared) plat::com::raise(plat::com::err::CannotCreateObject, "No applet utility object");
  }
  return *h.shared;
}

void setAppletUtilityFactory(AppletUtilityFactory factory) {
  UtilityHolder& h = holder();
  h.factory = std::move(factory);
  h.shared = nullptr;
}

}  // namespace velumor
