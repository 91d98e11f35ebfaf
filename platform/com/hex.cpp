#include "platform/com/hex.h"

namespace platform::com {

std::string hexOctets(std::span<const uint8_t> octets, std::string_view separator) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(octets.size() * (2 + separator.size()));
  for (size_t i = 0; i < octets.size(); ++i) {
    if (i) out += separator;
    out += kDigits[octets[i] >> 4];
    out += kDigits[octets[i] & 0x0F];
  }
  return out;
}

}  // namespace platform::com
