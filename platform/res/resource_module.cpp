#include "platform/res/resource_module.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/res/language.h"
#include "platform/res/utf.h"

namespace platform::res {

namespace {

bool blockLess(const StringBlockData* a, const StringBlockData* b) {
  if (a->langId != b->langId) return a->langId < b->langId;
  return a->blockNumber < b->blockNumber;
}

}  // namespace

std::optional<std::u16string_view> stringInBlock(std::span<const char16_t> block, uint32_t index) {
  if (index >= kStringsPerBlock) return std::nullopt;
  std::size_t pos = 0;
  for (uint32_t i = 0; i < index; ++i) {
    if (pos >= block.size()) return std::nullopt;
    pos += static_cast<std::size_t>(block[pos]) + 1;
  }
  if (pos >= block.size()) return std::nullopt;
  const std::size_t length = block[pos];
  if (length > block.size() - pos - 1) return std::nullopt;
  return std::u16string_view(block.data() + pos + 1, length);
}

struct ResourceModule::TextCache {
  std::mutex mutex;
  // (language << 32 | id) → the decoded text, null where the module has none.
  std::unordered_map<uint64_t, std::unique_ptr<const std::string>> texts;
};

ResourceModule::ResourceModule() : texts_(std::make_shared<TextCache>()) {}

ResourceModule::ResourceModule(std::span<const StringBlockData> strings, std::span<const BitmapData> bitmaps)
    : texts_(std::make_shared<TextCache>()) {
  blocks_.reserve(strings.size());
  for (const StringBlockData& block : strings) blocks_.push_back(&block);
  std::stable_sort(blocks_.begin(), blocks_.end(), blockLess);

  bitmaps_.reserve(bitmaps.size());
  for (const BitmapData& bitmap : bitmaps) bitmaps_.push_back(&bitmap);
  std::stable_sort(bitmaps_.begin(), bitmaps_.end(),
                   [](const BitmapData* a, const BitmapData* b) { return a->id < b->id; });
}

std::optional<std::span<const char16_t>> ResourceModule::findStringBlock(uint16_t langId,
                                                                         uint32_t blockNumber) const {
  const StringBlockData key{langId, blockNumber, nullptr, 0};
  auto it = std::lower_bound(blocks_.begin(), blocks_.end(), &key, blockLess);
  if (it == blocks_.end() || (*it)->langId != langId || (*it)->blockNumber != blockNumber)
    return std::nullopt;
  return std::span<const char16_t>((*it)->units, (*it)->count);
}

std::optional<std::span<const unsigned char>> ResourceModule::findBitmap(int32_t id) const {
  auto it = std::lower_bound(bitmaps_.begin(), bitmaps_.end(), id,
                             [](const BitmapData* bitmap, int32_t value) { return bitmap->id < value; });
  if (it == bitmaps_.end() || (*it)->id != id) return std::nullopt;
  return std::span<const unsigned char>((*it)->png, (*it)->size);
}

std::optional<std::u16string> ResourceModule::readString(uint16_t langId, uint32_t id) const {
  auto block = findStringBlock(langId, stringBlockNumber(id));
  if (!block) return std::nullopt;
  auto text = stringInBlock(*block, stringIndexInBlock(id));
  if (!text) return std::nullopt;
  return std::u16string(*text);
}

const std::string* ResourceModule::readStringUtf8(uint16_t langId, uint32_t id) const {
  const uint64_t key = (uint64_t{langId} << 32) | id;
  std::lock_guard<std::mutex> lock(texts_->mutex);
  auto it = texts_->texts.find(key);
  if (it == texts_->texts.end()) {
    const std::optional<std::u16string> text = readString(langId, id);
    it = texts_->texts.emplace(key, text ? std::make_unique<const std::string>(utf16ToUtf8(*text)) : nullptr)
             .first;
  }
  return it->second.get();
}

std::optional<std::u16string> ResourceModule::loadStringPlain(uint32_t id) const {
  return loadStringPlain(id, userDefaultLangId());
}

std::optional<std::u16string> ResourceModule::loadStringPlain(uint32_t id, uint16_t userLangId) const {
  if (auto text = readString(userLangId, id)) return text;

  std::vector<uint16_t> order;
  for (uint16_t lang : languages())
    if (lang != userLangId && primaryLanguage(lang) == primaryLanguage(userLangId)) order.push_back(lang);
  if (userLangId != kLangEnglish) order.push_back(kLangEnglish);
  for (uint16_t lang : languages())
    if (std::find(order.begin(), order.end(), lang) == order.end() && lang != userLangId)
      order.push_back(lang);

  for (uint16_t lang : order)
    if (auto text = readString(lang, id)) return text;
  return std::nullopt;
}

std::vector<uint16_t> ResourceModule::languages() const {
  std::vector<uint16_t> result;
  for (const StringBlockData* block : blocks_)
    if (result.empty() || result.back() != block->langId) result.push_back(block->langId);
  return result;
}

}  // namespace platform::res
