#include "velumor/shared/component.h"

#include <algorithm>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/server.h"
#include "velumor/shared/embedded_pictures.h"

namespace velumor::shared::detail {
// Generated from velumor/resources/strings by rescomp.
std::span<const platform::res::StringBlockData> compiledStringTables();
}  // namespace velumor::shared::detail

namespace velumor::shared {

namespace {

std::optional<std::filesystem::path>& folderOverride() {
  static std::optional<std::filesystem::path> folder;
  return folder;
}

bool sameNameNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

platform::ui::Picture pictureOf(std::string source, const detail::EmbeddedPicture& embedded) {
  return platform::ui::pictureFromPng(std::move(source),
                                      std::vector<uint8_t>(embedded.png, embedded.png + embedded.size));
}

// The pictures are made once, so every load of the same picture shares its bytes and
// compares equal to the earlier one.
struct PictureCache {
  std::map<int64_t, platform::ui::Picture> byId;
  std::vector<std::pair<std::string, platform::ui::Picture>> byName;

  PictureCache() {
    for (const detail::EmbeddedPicture& embedded : detail::embeddedPictures()) {
      if (embedded.id != detail::kNoBitmapId)
        byId.emplace(embedded.id, pictureOf("bitmap:" + std::to_string(embedded.id), embedded));
      byName.emplace_back(embedded.name, pictureOf(std::string("file:") + embedded.name, embedded));
    }
  }

  static const PictureCache& instance() {
    static const PictureCache cache;
    return cache;
  }
};

class ComponentPictureResolver final : public platform::ui::PictureResolver {
 public:
  platform::ui::Picture resolve(const std::string& source) const override {
    constexpr std::string_view kBitmap = "bitmap:";
    constexpr std::string_view kFile = "file:";
    const std::string_view text = source;
    if (text.starts_with(kBitmap)) {
      const std::string_view digits = text.substr(kBitmap.size());
      if (digits.empty() || digits.size() > 9 ||
          !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
      return loadBitmap(std::stoi(std::string(digits)));
    }
    if (text.starts_with(kFile)) {
      const std::string_view name = text.substr(kFile.size());
      for (const auto& [fileName, picture] : PictureCache::instance().byName)
        if (sameNameNoCase(fileName, name)) return picture;
    }
    return {};
  }
};

}  // namespace

const platform::res::ResourceModule& componentResources() {
  static const std::vector<platform::res::BitmapData> bitmaps = [] {
    std::vector<platform::res::BitmapData> out;
    for (const detail::EmbeddedPicture& embedded : detail::embeddedPictures())
      if (embedded.id != detail::kNoBitmapId) out.push_back({embedded.id, embedded.png, embedded.size});
    return out;
  }();
  static const platform::res::ResourceModule module(detail::compiledStringTables(), bitmaps);
  return module;
}

std::filesystem::path componentFolder() {
  if (const auto& folder = folderOverride()) return *folder;
  static const std::filesystem::path folder = [] {
    std::filesystem::path file =
        platform::com::ServerModule::libraryPathOf(reinterpret_cast<const void*>(&componentFolder));
    std::error_code ec;
    if (file.empty()) file = std::filesystem::read_symlink("/proc/self/exe", ec);
    return file.empty() ? std::filesystem::current_path(ec) : file.parent_path();
  }();
  return folder;
}

void setComponentFolderForTests(const std::filesystem::path& folder) {
  if (folder.empty())
    folderOverride().reset();
  else
    folderOverride() = folder;
}

platform::com::LiveCount& componentLiveCount() {
  static platform::com::LiveCount count;
  return count;
}

const platform::ui::PictureResolver& componentPictures() {
  static const ComponentPictureResolver resolver;
  return resolver;
}

platform::ui::Picture loadBitmap(int64_t id) {
  const auto& byId = PictureCache::instance().byId;
  auto it = byId.find(id);
  return it == byId.end() ? platform::ui::Picture{} : it->second;
}

ComponentVersion componentVersion() {
  return {VELUMOR_VERSION_MAJOR, VELUMOR_VERSION_MINOR, VELUMOR_VERSION_PATCH};
}

const char* componentLibraryName() {
  return "libvelumor.so";
}

}  // namespace velumor::shared
