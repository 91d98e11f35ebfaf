#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace velumor::shared::detail {

// One picture compiled into the component: a PNG file from velumor/resources/bitmaps.
struct EmbeddedPicture {
  int32_t id;  // its bitmap id, or kNoBitmapId for a picture reached by file name only
  const char* name;
  const unsigned char* png;
  std::size_t size;
};

inline constexpr int32_t kNoBitmapId = -1;

// Every picture of the component, in the order of the manifest.
std::span<const EmbeddedPicture> embeddedPictures();

}  // namespace velumor::shared::detail
