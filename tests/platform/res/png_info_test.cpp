#include "platform/res/png_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace platform::res {
namespace {

void put32(std::vector<unsigned char>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

// Signature and header chunk of a PNG file of the given size (8-bit RGB, CRC not checked).
std::vector<unsigned char> pngHeader(uint32_t width, uint32_t height) {
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  put32(png, 13);
  png.insert(png.end(), {'I', 'H', 'D', 'R'});
  put32(png, width);
  put32(png, height);
  png.insert(png.end(), {8, 2, 0, 0, 0});
  put32(png, 0);
  return png;
}

TEST(PngSize, ReadsWidthAndHeightFromTheHeader) {
  auto info = pngSize(pngHeader(189, 169));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->width, 189);
  EXPECT_EQ(info->height, 169);
  info = pngSize(pngHeader(16, 0x7FFFFFFF));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->height, 0x7FFFFFFF);
}

TEST(PngSize, HeaderWithoutItsChecksumIsEnough) {
  std::vector<unsigned char> png = pngHeader(28, 14);
  png.resize(png.size() - 4);
  ASSERT_TRUE(pngSize(png));
  png.pop_back();
  EXPECT_FALSE(pngSize(png)) << "header data cut short";
}

TEST(PngSize, RejectsWhatIsNotAPngHeader) {
  std::vector<unsigned char> png = pngHeader(16, 16);
  png[1] = 'J';
  EXPECT_FALSE(pngSize(png)) << "signature";
  png = pngHeader(16, 16);
  png[12] = 'i';
  EXPECT_FALSE(pngSize(png)) << "first chunk is not IHDR";
  png = pngHeader(16, 16);
  png[11] = 12;
  EXPECT_FALSE(pngSize(png)) << "header length";
  EXPECT_FALSE(pngSize({}));
  const unsigned char bmp[] = {'B', 'M', 0, 0};
  EXPECT_FALSE(pngSize(bmp));
}

TEST(PngSize, RejectsSizesOutsideTheFormat) {
  EXPECT_FALSE(pngSize(pngHeader(0, 16)));
  EXPECT_FALSE(pngSize(pngHeader(16, 0)));
  EXPECT_FALSE(pngSize(pngHeader(0x80000000u, 16)));
  EXPECT_FALSE(pngSize(pngHeader(16, 0xFFFFFFFFu)));
}

}  // namespace
}  // namespace platform::res
