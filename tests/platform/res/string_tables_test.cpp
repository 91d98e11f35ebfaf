// The component's real string tables, compiled from velumor/resources/strings.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/res/resource_module.h"
#include "platform/res/utf.h"

namespace res_test {
std::span<const platform::res::StringBlockData> realStringTables();
}

namespace {

using platform::res::kLangEnglish;
using platform::res::kLangGerman;
using platform::res::ResourceModule;

const ResourceModule& tables() {
  static const ResourceModule module(res_test::realStringTables());
  return module;
}

std::string text(uint16_t lang, uint32_t id) {
  auto found = tables().readString(lang, id);
  return found ? platform::res::utf16ToUtf8(*found) : "<no block>";
}

TEST(StringTables, HoldGermanAndEnglishOnly) {
  EXPECT_EQ(tables().languages(), (std::vector<uint16_t>{kLangGerman, kLangEnglish}));
}

TEST(StringTables, TextsAreExactInBothLanguages) {
  struct Pair {
    uint32_t id;
    const char* english;
    const char* german;
  } pairs[] = {
      {0, "AlwaysView / Statemachine, ", "AlwaysView / Status, "},
      {3, "About RQ4400 (VELUMOR)",
       "\xC3\x9C"
       "ber RQ4400 (VELUMOR)"},
      {90, "file not found: ", "Datei nicht gefunden: "},
      {95, "Save data set to database?",
       "Soll der ge\xC3\xA4nderte Datensatz in der Datenbank gespeichert werden?"},
      {97, "readme.txt", "readme_de.txt"},
      {98, "VR_EN.HLP", "VR_GE.HLP"},
      {99, "VR_EN.HLP", "VR_GE.HLP"},
      {89, "Service001.txt", "Service049.txt"},
      {150, "Initializing ", "Initialisierung l\xC3\xA4uft "},
      {301, "Communication State:", "Kommunikations-Status:"},
      {310, "Disconnected", "getrennt"},
      {314, "Disturbed", "gest\xC3\xB6rt"},
      {491, "&Contets", "&Inhalt"},
      {513, "Text Files  (*.txt)", "Textdateien (*.txt)"},
      {15110, "Pulse / ", "Impulse / "},
      {20304, "Reverse Flow Q (W 10):",
       "Durchflu0 in R\xC3\xBC"
       "cklauf (W 10):"},
      {29001, "Normal opration", "Normalbetrieb"},
      {30001, "Mirvel Calvenor DTM RQ4400-HART", "Mirvel Calvenor DTM RQ4400-HART"},
  };
  for (const Pair& p : pairs) {
    EXPECT_EQ(text(kLangEnglish, p.id), p.english) << "id " << p.id;
    EXPECT_EQ(text(kLangGerman, p.id), p.german) << "id " << p.id;
  }
}

TEST(StringTables, SupportTextNamesTheSupportAddress) {
  EXPECT_NE(text(kLangEnglish, 80).find("support@velumor.example"), std::string::npos);
  EXPECT_NE(text(kLangGerman, 80).find("support@velumor.example"), std::string::npos);
}

TEST(StringTables, ResponseCodesWithoutTextAreUndefinedInExistingBlocks) {
  for (uint16_t lang : {kLangGerman, kLangEnglish}) {
    for (uint32_t id : {701u, 707u}) {
      ASSERT_TRUE(tables().findStringBlock(lang, platform::res::stringBlockNumber(id))) << id;
      EXPECT_EQ(tables().readString(lang, id), u"") << id;
    }
    EXPECT_EQ(text(lang, 703), "VR_RESPONSE_PARAMETER_TOO_LARGE");
    EXPECT_EQ(text(lang, 714), "VR_RESPONSE_SPAN_TOO_SMALL");
  }
}

TEST(StringTables, NoTableHoldsTheBlockOf720) {
  for (uint16_t lang : {kLangGerman, kLangEnglish, platform::res::kLangNeutral})
    EXPECT_FALSE(tables().findStringBlock(lang, platform::res::stringBlockNumber(720)));
  EXPECT_FALSE(tables().loadStringPlain(720, kLangGerman));
  EXPECT_FALSE(tables().loadStringPlain(735, kLangEnglish));
}

TEST(StringTables, GermanOnlyIdReadsEmptyForEnglishUsers) {
  EXPECT_EQ(text(kLangGerman, 407), "Druck&vorschau ...");
  EXPECT_EQ(tables().readString(kLangEnglish, 407), u"") << "the English block of 400-415 exists";
}

TEST(StringTables, EveryTextExistsInBothLanguagesButTheGermanOnlyOne) {
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    auto german = tables().readString(kLangGerman, id);
    auto english = tables().readString(kLangEnglish, id);
    const bool inGerman = german && !german->empty();
    const bool inEnglish = english && !english->empty();
    if (id == 407) continue;
    EXPECT_EQ(inGerman, inEnglish) << "id " << id;
  }
}

// Ids the windows load; a missing one would break a window's load.
TEST(StringTables, IdsTheWindowsLoadAreDefinedInBothLanguages) {
  std::vector<std::pair<uint32_t, uint32_t>> ranges = {
      {0, 9},         {101, 115},     {201, 210},     {310, 314},     {320, 323},     {330, 331},
      {400, 406},     {409, 416},     {421, 424},     {430, 434},     {440, 444},     {490, 494},
      {510, 513},     {521, 523},     {600, 608},     {1100, 1112},   {1200, 1202},   {2100, 2103},
      {3100, 3105},   {4100, 4107},   {5110, 5113},   {5120, 5121},   {5130, 5133},   {12100, 12103},
      {20001, 20004}, {20100, 20107}, {20200, 20201}, {20300, 20304}, {20400, 20405}, {20600, 20604},
      {20700, 20707}, {20800, 20801}, {20900, 20904}, {21000, 21007}, {29021, 29023}, {29031, 29033}};
  for (uint32_t id :
       {80,    81,    89,    90,    95,    97,    98,    99,    150,   301,   302,   496,   498,   499,
        501,   502,   999,   1001,  1002,  2110,  4110,  4121,  4122,  4200,  5002,  5003,  5100,  5140,
        5142,  7001,  7002,  7100,  7101,  7300,  8100,  8101,  9100,  9101,  9102,  9200,  9201,  9202,
        10110, 10120, 10121, 10130, 10131, 10321, 12000, 13100, 13101, 13110, 13111, 13122, 13123, 13132,
        13133, 13140, 15100, 15101, 15102, 15110, 15120, 20500, 20502, 20504, 20506, 20508, 20509, 21101,
        21104, 29001, 29002, 29011, 29041, 29042, 29051, 29052, 30001, 30002, 30003, 30008, 30009, 700,
        702,   703,   704,   705,   706,   709,   711,   712,   713,   714})
    ranges.emplace_back(id, id);
  for (const auto& [first, last] : ranges)
    for (uint32_t id = first; id <= last; ++id)
      for (uint16_t lang : {kLangGerman, kLangEnglish}) {
        auto found = tables().readString(lang, id);
        EXPECT_TRUE(found && !found->empty()) << "id " << id << " in " << lang;
      }
}

}  // namespace
