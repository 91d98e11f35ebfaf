#include "platform/res/png_info.h"

#include <cstdint>

namespace platform::res {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kHeaderEnd = 8 + 4 + 4 + 13;  // signature, length, type, header data

uint32_t bigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

std::optional<PngInfo> pngSize(std::span<const unsigned char> png) {
  if (png.size() < kHeaderEnd) return std::nullopt;
  for (std::size_t i = 0; i < sizeof kSignature; ++i)
    if (png[i] != kSignature[i]) return std::nullopt;
  const unsigned char* chunk = png.data() + 8;
  if (bigEndian32(chunk) != 13) return std::nullopt;
  if (chunk[4] != 'I' || chunk[5] != 'H' || chunk[6] != 'D' || chunk[7] != 'R') return std::nullopt;
  const uint32_t width = bigEndian32(chunk + 8);
  const uint32_t height = bigEndian32(chunk + 12);
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return std::nullopt;
  return PngInfo{static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace platform::res
