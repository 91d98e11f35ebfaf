#pragma once
// Octets as the tools and the scripts show them: two upper-case hex digits each.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/com/export.h"

namespace platform::com {

// "04 20 C4": each octet as two upper-case hex digits, `separator` between them; "" for none.
PLAT_API std::string hexOctets(std::span<const uint8_t> octets, std::string_view separator = " ");

}  // namespace platform::com
