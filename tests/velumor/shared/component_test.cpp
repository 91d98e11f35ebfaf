#include "velumor/shared/component.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/res/png_info.h"

using platform::ui::Picture;
using velumor::shared::componentPictures;
using velumor::shared::loadBitmap;

namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ManifestEntry {
  std::string id;  // "-" for a picture reached by name only
  std::string name;
};

std::vector<ManifestEntry> manifest() {
  std::ifstream in(std::filesystem::path(VELUMOR_BITMAPS_DIR) / "bitmaps.txt");
  std::vector<ManifestEntry> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    ManifestEntry e;
    fields >> e.id >> e.name;
    out.push_back(e);
  }
  return out;
}

void expectSize(const Picture& p, int32_t width, int32_t height, const std::string& what) {
  EXPECT_FALSE(p.empty()) << what;
  EXPECT_EQ(p.widthPx, width) << what;
  EXPECT_EQ(p.heightPx, height) << what;
}

// The bitmaps the windows load by id: lamps and the simulation LED, diagnosis tab icons,
// communication states, data sources, the maker's logo, the totalizer directions.
TEST(ComponentPictures, EveryBitmapTheWindowsLoadExists) {
  for (int32_t id : {101, 102, 103, 104, 111, 112, 113, 114, 400, 401, 402, 403, 404, 500, 501, 502})
    expectSize(loadBitmap(id), 16, 16, "bitmap " + std::to_string(id));
  expectSize(loadBitmap(600), 28, 14, "maker's logo");
  for (int32_t id : {211, 212, 221, 222}) {
    const Picture p = loadBitmap(id);
    EXPECT_FALSE(p.empty()) << id;
    EXPECT_EQ(p.widthPx, p.heightPx) << id;  // square: the frames stretch it into a square image
  }
  expectSize(componentPictures().resolve("file:about.png"), 189, 169, "About picture");
}

TEST(ComponentPictures, NoBitmapBesideTheLamps) {
  // The lamp relies on these being absent: state 0 and 5 keep its picture.
  EXPECT_TRUE(loadBitmap(100).empty());
  EXPECT_TRUE(loadBitmap(105).empty());
  EXPECT_TRUE(loadBitmap(-1).empty());
  EXPECT_TRUE(loadBitmap(0).empty());
}

TEST(ComponentPictures, ResolverKnowsBitmapsAndFiles) {
  const auto& pictures = componentPictures();
  const Picture byId = pictures.resolve("bitmap:103");
  EXPECT_EQ(byId, loadBitmap(103));
  EXPECT_EQ(byId.source, "bitmap:103");

  const Picture byName = pictures.resolve("file:diag_error.png");
  EXPECT_EQ(byName.source, "file:diag_error.png");
  ASSERT_FALSE(byName.empty());
  EXPECT_EQ(*byName.png, *loadBitmap(111).png);  // the same file, by name and by id
  EXPECT_FALSE(pictures.resolve("file:DIAG_ERROR.PNG").empty());

  for (const char* unknown :
       {"", "bitmap:", "bitmap:abc", "bitmap:-101", "bitmap:99999999999999", "bitmap:720",
        "file:", "file:missing.png", "file:../strings/de.txt", "other:101", "101"})
    EXPECT_TRUE(pictures.resolve(unknown).empty()) << unknown;
}

TEST(ComponentPictures, LoadingTwiceGivesEqualPictures) {
  EXPECT_EQ(loadBitmap(402), loadBitmap(402));
  EXPECT_FALSE(loadBitmap(402) == loadBitmap(403));
}

TEST(ComponentPictures, TabIconsHaveATransparentGround) {
  // The tab strip draws them on its own ground: each carries a transparency chunk, the
  // lamps 101 to 104 on their grey ground do not.
  auto hasTransparency = [](const Picture& p) {
    const std::string bytes(p.png->begin(), p.png->end());
    return bytes.find("tRNS") != std::string::npos;
  };
  for (int32_t id : {111, 112, 113, 114}) EXPECT_TRUE(hasTransparency(loadBitmap(id))) << id;
  for (int32_t id : {101, 102, 103, 104}) EXPECT_FALSE(hasTransparency(loadBitmap(id))) << id;
}

TEST(ComponentPictures, EmbeddedBytesMatchTheFilesOfTheManifest) {
  const auto entries = manifest();
  ASSERT_FALSE(entries.empty());
  for (const ManifestEntry& e : entries) {
    const std::vector<uint8_t> onDisk = readFile(std::filesystem::path(VELUMOR_BITMAPS_DIR) / e.name);
    ASSERT_FALSE(onDisk.empty()) << e.name;
    EXPECT_TRUE(platform::res::pngSize(onDisk).has_value()) << e.name << " is no PNG file";

    const Picture byName = componentPictures().resolve("file:" + e.name);
    ASSERT_FALSE(byName.empty()) << e.name;
    EXPECT_EQ(*byName.png, onDisk) << e.name << ": rebuild after redrawing the pictures";
    if (e.id != "-") {
      const Picture byId = loadBitmap(std::stoi(e.id));
      ASSERT_FALSE(byId.empty()) << e.id;
      EXPECT_EQ(*byId.png, onDisk) << e.id;
      auto resource = velumor::shared::componentResources().findBitmap(std::stoi(e.id));
      ASSERT_TRUE(resource.has_value()) << e.id;
      EXPECT_EQ(std::vector<uint8_t>(resource->begin(), resource->end()), onDisk) << e.id;
    }
  }
}

TEST(Component, VersionComesFromTheProject) {
  const velumor::shared::ComponentVersion v = velumor::shared::componentVersion();
  EXPECT_EQ(v.major, EXPECTED_VERSION_MAJOR);
  EXPECT_EQ(v.minor, EXPECTED_VERSION_MINOR);
  EXPECT_EQ(v.revision, EXPECTED_VERSION_PATCH);
}

TEST(Component, FolderIsTheFolderOfTheBinaryHoldingTheCode) {
  // Linked statically here, the code lives in the test program itself.
  const auto self = std::filesystem::canonical("/proc/self/exe");
  EXPECT_EQ(std::filesystem::canonical(velumor::shared::componentFolder()), self.parent_path());

  velumor::shared::setComponentFolderForTests("/tmp/velumor-test-folder");
  EXPECT_EQ(velumor::shared::componentFolder(), std::filesystem::path("/tmp/velumor-test-folder"));
  velumor::shared::setComponentFolderForTests({});
  EXPECT_EQ(std::filesystem::canonical(velumor::shared::componentFolder()), self.parent_path());
}

TEST(Component, StringTablesHoldBothLanguages) {
  const auto languages = velumor::shared::componentResources().languages();
  EXPECT_EQ(languages, (std::vector<uint16_t>{1031, 1033}));
}

}  // namespace
