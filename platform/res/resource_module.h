#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/res/export.h"

namespace platform::res {

// One compiled string-table block of one language: 16 strings, each a 16-bit count
// followed by that many UTF-16 code units, no terminator. A string the block does not
// define has count 0. Block number = id / 16 + 1, string number = id % 16.
struct StringBlockData {
  uint16_t langId;
  uint32_t blockNumber;
  const char16_t* units;
  std::size_t count;
};

// One bitmap resource, stored as a PNG file.
struct BitmapData {
  int32_t id;
  const unsigned char* png;
  std::size_t size;
};

inline constexpr uint16_t kLangNeutral = 0;
inline constexpr uint16_t kLangGerman = 1031;
inline constexpr uint16_t kLangEnglish = 1033;
inline constexpr uint32_t kStringsPerBlock = 16;

constexpr uint32_t stringBlockNumber(uint32_t id) {
  return id / kStringsPerBlock + 1;
}
constexpr uint32_t stringIndexInBlock(uint32_t id) {
  return id % kStringsPerBlock;
}

// String `index` (0 to 15) of a block: skips `index` strings of (count + 1) units each.
// nullopt when the block ends before the string does, so a damaged block is never read
// past its end.
PLAT_RES_API std::optional<std::u16string_view> stringInBlock(std::span<const char16_t> block,
                                                              uint32_t index);

// The string and bitmap resources of one module. It keeps views of the arrays it is
// given (compiled-in, static data), which must outlive it.
class PLAT_RES_API ResourceModule {
 public:
  ResourceModule();
  explicit ResourceModule(std::span<const StringBlockData> strings, std::span<const BitmapData> bitmaps = {});

  // The block of exactly this language; no fallback to any other language.
  std::optional<std::span<const char16_t>> findStringBlock(uint16_t langId, uint32_t blockNumber) const;

  std::optional<std::span<const unsigned char>> findBitmap(int32_t id) const;

  // String id from the block of exactly this language: nullopt when that block is
  // missing (or damaged); an empty text when the block leaves the id undefined.
  std::optional<std::u16string> readString(uint16_t langId, uint32_t id) const;
  // The same text as UTF-8, decoded once and kept for the module's life (copies of a module
  // share what it kept): the views read some texts at every change. Null where readString
  // gives nullopt. Safe to call from several threads.
  const std::string* readStringUtf8(uint16_t langId, uint32_t id) const;

  // The platform's plain string load: the string in the user's default language if
  // that block exists, else from another table that holds the block (same primary
  // language first, then 1033, then the lowest language id). nullopt when no table
  // holds the block; the caller raises its "resource not found" error then.
  std::optional<std::u16string> loadStringPlain(uint32_t id) const;
  std::optional<std::u16string> loadStringPlain(uint32_t id, uint16_t userLangId) const;

  // The language ids that hold at least one string block, ascending.
  std::vector<uint16_t> languages() const;

 private:
  // Sorted by (language, block number) and by id; the first of equal keys wins.
  std::vector<const StringBlockData*> blocks_;
  std::vector<const BitmapData*> bitmaps_;
  struct TextCache;
  std::shared_ptr<TextCache> texts_;
};

}  // namespace platform::res
