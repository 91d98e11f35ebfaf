#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/rescomp/string_source.h"

namespace rescomp {

// One string-table block as the platform stores it: the 16 strings of ids
// (blockNumber - 1) * 16 to (blockNumber - 1) * 16 + 15, each a count and its units.
struct Block {
  uint16_t langId = 0;
  uint32_t blockNumber = 0;
  std::vector<char16_t> units;
};

// The blocks of every language, sorted by language and block number. A block exists
// when the language defines at least one of its ids (an empty text included).
std::vector<Block> buildBlocks(const std::vector<LanguageTable>& tables);

// A C++ name, optionally qualified by namespaces: "stringTables", "velumor::res::strings".
bool isValidSymbol(std::string_view symbol);

// The generated source: the blocks as const char16_t arrays and the function
// `std::span<const platform::res::StringBlockData> symbol()` that lists them.
std::string generateSource(std::string_view symbol, const std::vector<Block>& blocks,
                           const std::vector<std::string>& sourceNames);

}  // namespace rescomp
