#pragma once
#include <optional>
#include <span>

#include "platform/res/export.h"

namespace platform::res {

struct PngInfo {
  int width;
  int height;
};

// Width and height from a PNG file's header chunk; nullopt when the data is not a PNG
// file, is cut short before the header ends, or states a size of 0 or above 2^31 - 1.
PLAT_RES_API std::optional<PngInfo> pngSize(std::span<const unsigned char> png);

}  // namespace platform::res
