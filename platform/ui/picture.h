#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/export.h"

namespace platform::ui {

// A picture as the model holds it: encoded PNG bytes and the size in pixels.
// The model never decodes pixels; the front end draws them.
struct Picture {
  std::string source;  // "bitmap:101", "file:about.png", "" for none
  std::shared_ptr<const std::vector<uint8_t>> png;
  int32_t widthPx = 0;
  int32_t heightPx = 0;

  bool empty() const { return !png || png->empty(); }
  friend bool operator==(const Picture& a, const Picture& b) {
    return a.source == b.source && a.png == b.png;
  }
};

// Finds pictures named in designs ("bitmap:ID" from the owning library's resources,
// "file:NAME" stored with the design). Each library registers its own resolver.
class PLAT_API PictureResolver {
 public:
  virtual ~PictureResolver() = default;
  // Returns an empty picture when the source is unknown.
  virtual Picture resolve(const std::string& source) const = 0;
};

// Builds a picture from PNG bytes; width and height come from the PNG header.
PLAT_API Picture pictureFromPng(std::string source, std::vector<uint8_t> png);

}  // namespace platform::ui
