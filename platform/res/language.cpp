#include "platform/res/language.h"

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/res/resource_module.h"

namespace platform::res {

namespace {

struct LocaleEntry {
  const char* language;
  const char* region;  // "" is the language's main id
  uint16_t langId;
};

// Windows-style ids; the entry with an empty region is the one a bare language name gets.
constexpr LocaleEntry kLocales[] = {
    {"ar", "", 1025},   {"ar", "SA", 1025},  {"ar", "EG", 3073},  {"bg", "", 1026},   {"bg", "BG", 1026},
    {"ca", "", 1027},   {"ca", "ES", 1027},  {"cs", "", 1029},    {"cs", "CZ", 1029}, {"da", "", 1030},
    {"da", "DK", 1030}, {"de", "", 1031},    {"de", "DE", 1031},  {"de", "CH", 2055}, {"de", "AT", 3079},
    {"de", "LU", 4103}, {"de", "LI", 5127},  {"el", "", 1032},    {"el", "GR", 1032}, {"en", "", 1033},
    {"en", "US", 1033}, {"en", "GB", 2057},  {"en", "AU", 3081},  {"en", "CA", 4105}, {"en", "NZ", 5129},
    {"en", "IE", 6153}, {"en", "ZA", 7177},  {"en", "IN", 16393}, {"es", "", 3082},   {"es", "ES", 3082},
    {"es", "MX", 2058}, {"es", "AR", 11274}, {"et", "", 1061},    {"et", "EE", 1061}, {"fi", "", 1035},
    {"fi", "FI", 1035}, {"fr", "", 1036},    {"fr", "FR", 1036},  {"fr", "BE", 2060}, {"fr", "CA", 3084},
    {"fr", "CH", 4108}, {"fr", "LU", 5132},  {"he", "", 1037},    {"he", "IL", 1037}, {"hr", "", 1050},
    {"hr", "HR", 1050}, {"hu", "", 1038},    {"hu", "HU", 1038},  {"is", "", 1039},   {"is", "IS", 1039},
    {"it", "", 1040},   {"it", "IT", 1040},  {"it", "CH", 2064},  {"ja", "", 1041},   {"ja", "JP", 1041},
    {"ko", "", 1042},   {"ko", "KR", 1042},  {"lt", "", 1063},    {"lt", "LT", 1063}, {"lv", "", 1062},
    {"lv", "LV", 1062}, {"nb", "", 1044},    {"nb", "NO", 1044},  {"nl", "", 1043},   {"nl", "NL", 1043},
    {"nl", "BE", 2067}, {"nn", "", 2068},    {"nn", "NO", 2068},  {"no", "", 1044},   {"no", "NO", 1044},
    {"pl", "", 1045},   {"pl", "PL", 1045},  {"pt", "", 1046},    {"pt", "BR", 1046}, {"pt", "PT", 2070},
    {"ro", "", 1048},   {"ro", "RO", 1048},  {"ru", "", 1049},    {"ru", "RU", 1049}, {"sk", "", 1051},
    {"sk", "SK", 1051}, {"sl", "", 1060},    {"sl", "SI", 1060},  {"sv", "", 1053},   {"sv", "SE", 1053},
    {"sv", "FI", 2077}, {"th", "", 1054},    {"th", "TH", 1054},  {"tr", "", 1055},   {"tr", "TR", 1055},
    {"uk", "", 1058},   {"uk", "UA", 1058},  {"zh", "", 2052},    {"zh", "CN", 2052}, {"zh", "TW", 1028},
    {"zh", "HK", 3076}, {"zh", "SG", 4100},
};

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// nullopt for a name whose language the table does not know.
std::optional<uint16_t> lookupLocale(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return kLangEnglish;

  const std::size_t split = name.find_first_of("_-");
  std::string language(name.substr(0, split));
  std::string region(split == std::string_view::npos ? std::string_view() : name.substr(split + 1));
  for (char& c : language) c = lower(c);
  for (char& c : region) c = upper(c);

  std::optional<uint16_t> mainId;
  for (const LocaleEntry& entry : kLocales) {
    if (language != entry.language) continue;
    if (region == entry.region) return entry.langId;
    if (entry.region[0] == '\0') mainId = entry.langId;
  }
  return mainId;
}

std::optional<uint16_t> parseDecimalId(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
}

}  // namespace

uint16_t langIdFromLocaleName(std::string_view name) {
  return lookupLocale(name).value_or(kLangEnglish);
}

namespace {

uint16_t readUserDefaultLangId() {
  const std::string_view override = environment("VELUMOR_LANG");
  if (!override.empty()) {
    if (auto id = parseDecimalId(override)) return *id;
    if (auto id = lookupLocale(override)) return *id;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string_view value = environment(name);
    if (!value.empty()) return lookupLocale(value).value_or(kLangEnglish);
  }
  return kLangEnglish;
}

// The language as read, -1 until it is read (again).
std::atomic<int32_t> keptLangId{-1};

}  // namespace

uint16_t userDefaultLangId() {
  int32_t id = keptLangId.load(std::memory_order_relaxed);
  if (id < 0) {
    id = readUserDefaultLangId();
    keptLangId.store(id, std::memory_order_relaxed);
  }
  return static_cast<uint16_t>(id);
}

void userLanguageChanged() {
  keptLangId.store(-1, std::memory_order_relaxed);
}

}  // namespace platform::res
