#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/res/resource_module.h"
#include "tests/support/scoped_lang.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"

using platform::res::ResourceModule;
using platform::res::StringBlockData;
using velumor::shared::GetTextFromResource;
using velumor::shared::LoadResStringByLang;
using velumor::shared::ReadStringResource;

namespace {

int32_t errorNumberOf(int16_t id) {
  try {
    LoadResStringByLang(id);
  } catch (const platform::com::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

// --- the component's own tables

TEST(ComponentTexts, GermanUserGetsGermanOthersEnglish) {
  {
    ScopedLang lang("1031");
    EXPECT_EQ(LoadResStringByLang(301), "Kommunikations-Status:");
    EXPECT_EQ(LoadResStringByLang(1), "Gerätedaten, ");  // UTF-16 in the table, UTF-8 out
  }
  {
    ScopedLang lang("1036");
    EXPECT_EQ(LoadResStringByLang(301), "Communication State:");
  }
  {
    ScopedLang lang("en_US.UTF-8");
    EXPECT_EQ(LoadResStringByLang(301), "Communication State:");
  }
}

TEST(ComponentTexts, IdOnlyGermanDefinesIsEmptyForOthersNotGerman) {
  // 407 lies in the menu block that both tables hold; only the German one defines it.
  {
    ScopedLang lang("1031");
    EXPECT_FALSE(LoadResStringByLang(407).empty());
  }
  for (const char* other : {"1033", "1036", "2057"}) {
    ScopedLang lang(other);
    EXPECT_EQ(LoadResStringByLang(407), "") << "language " << other;
  }
}

TEST(ComponentTexts, UndefinedIdsInExistingBlocksAreEmptyWithoutError) {
  for (const char* language : {"1031", "1033", "1036"}) {
    ScopedLang lang(language);
    for (int16_t id : {int16_t{701}, int16_t{707}, int16_t{408}}) {
      std::string text = "unchanged";
      EXPECT_NO_THROW(text = LoadResStringByLang(id)) << id;
      EXPECT_EQ(text, "") << "id " << id << " language " << language;
    }
  }
}

TEST(ComponentTexts, IdInNoBlockRaisesResourceNotFound) {
  for (const char* language : {"1031", "1033", "1036"}) {
    ScopedLang lang(language);
    EXPECT_EQ(errorNumberOf(720), platform::com::err::ResourceNotFound) << language;
    EXPECT_EQ(errorNumberOf(735), platform::com::err::ResourceNotFound) << language;
    EXPECT_EQ(errorNumberOf(-1), platform::com::err::ResourceNotFound) << language;
  }
}

TEST(ComponentTexts, GetTextFromResourceSwallowsEveryError) {
  ScopedLang lang("1033");
  EXPECT_EQ(GetTextFromResource(720), "");
  EXPECT_EQ(GetTextFromResource(-5), "");
  EXPECT_EQ(GetTextFromResource(301), "Communication State:");
  EXPECT_EQ(GetTextFromResource(701), "");
}

TEST(ComponentTexts, ReadStringResourceLooksAtExactlyOneLanguage) {
  const ResourceModule& module = velumor::shared::componentResources();
  std::string text = "unchanged";
  EXPECT_FALSE(ReadStringResource(module, 301, 1036, text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_FALSE(ReadStringResource(module, 301, 2055, text));  // Swiss German is not German
  EXPECT_FALSE(ReadStringResource(module, 720, 1033, text));
  EXPECT_EQ(text, "unchanged");

  EXPECT_TRUE(ReadStringResource(module, 301, 1031, text));
  EXPECT_EQ(text, "Kommunikations-Status:");
  EXPECT_TRUE(ReadStringResource(module, 701, 1033, text));
  EXPECT_EQ(text, "");  // found, and empty
}

// --- the order of the fallbacks, on tables made for the purpose

// Builds string-table blocks: 16 strings of (count, units); strings not given have count 0.
class Tables {
 public:
  void add(uint16_t lang, uint32_t blockNumber, std::map<uint32_t, std::u16string> strings) {
    std::vector<char16_t>& units = storage_.emplace_back();
    for (uint32_t i = 0; i < 16; ++i) {
      auto it = strings.find(i);
      const std::u16string text = it == strings.end() ? std::u16string() : it->second;
      units.push_back(static_cast<char16_t>(text.size()));
      units.insert(units.end(), text.begin(), text.end());
    }
    blocks_.push_back({lang, blockNumber, units.data(), units.size()});
  }
  ResourceModule module() const { return ResourceModule(blocks_); }

 private:
  std::deque<std::vector<char16_t>> storage_;  // a deque keeps the units where they are
  std::vector<StringBlockData> blocks_;
};

// Id 37 is string 5 of block 3.
constexpr int16_t kId = 37;
constexpr uint32_t kBlock = 3;
constexpr uint32_t kIndex = 5;

TEST(TextFallbacks, EnglishBeforeNeutral) {
  ScopedLang lang("1031");
  Tables t;
  t.add(0, kBlock, {{kIndex, u"neutral"}});
  t.add(1033, kBlock, {{kIndex, u"english"}});
  EXPECT_EQ(LoadResStringByLang(t.module(), kId), "english");
}

TEST(TextFallbacks, NeutralWhenNeitherUserLanguageNorEnglishHasTheBlock) {
  ScopedLang lang("1031");
  Tables t;
  t.add(1036, kBlock, {{kIndex, u"français"}});
  t.add(0, kBlock, {{kIndex, u"neutral"}});
  EXPECT_EQ(LoadResStringByLang(t.module(), kId), "neutral");
}

TEST(TextFallbacks, PlainLoadTakesAnyOtherTableAsTheLastResort) {
  ScopedLang lang("1031");
  Tables t;
  t.add(1036, kBlock, {{kIndex, u"français"}});
  EXPECT_EQ(LoadResStringByLang(t.module(), kId), "français");
}

TEST(TextFallbacks, UserBlockWithoutTheIdGivesEmptyNotEnglish) {
  ScopedLang lang("1031");
  Tables t;
  t.add(1031, kBlock, {{kIndex + 1, u"nachbar"}});
  t.add(1033, kBlock, {{kIndex, u"english"}});
  EXPECT_EQ(LoadResStringByLang(t.module(), kId), "");
  EXPECT_EQ(LoadResStringByLang(t.module(), kId + 1), "nachbar");
}

TEST(TextFallbacks, DefinedEmptyTextIsFoundAndEmpty) {
  ScopedLang lang("1033");
  Tables t;
  t.add(1033, kBlock, {{kIndex, u""}, {kIndex + 1, u"after"}});
  std::string text = "unchanged";
  EXPECT_TRUE(ReadStringResource(t.module(), kId, 1033, text));
  EXPECT_EQ(text, "");
  // The strings after an empty one are still found at their places.
  EXPECT_EQ(LoadResStringByLang(t.module(), kId + 1), "after");
}

TEST(TextFallbacks, NoTablesAtAllRaises) {
  ScopedLang lang("1033");
  const ResourceModule empty;
  try {
    LoadResStringByLang(empty, kId);
    FAIL() << "no error";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::ResourceNotFound);
  }
}

}  // namespace
