#include "platform/ui/picture.h"

namespace platform::ui {

Picture pictureFromPng(std::string source, std::vector<uint8_t> png) {
  Picture p;
  p.source = std::move(source);
  // The PNG signature (8 bytes), the IHDR length and type (8), then width and height, big-endian.
  if (png.size() >= 24 && png[0] == 0x89 && png[1] == 'P' && png[2] == 'N' && png[3] == 'G') {
    auto be32 = [&](size_t i) {
      return static_cast<int32_t>((uint32_t(png[i]) << 24) | (uint32_t(png[i + 1]) << 16) |
                                  (uint32_t(png[i + 2]) << 8) | uint32_t(png[i + 3]));
    };
    p.widthPx = be32(16);
    p.heightPx = be32(20);
    p.png = std::make_shared<const std::vector<uint8_t>>(std::move(png));
  }
  return p;
}

}  // namespace platform::ui
