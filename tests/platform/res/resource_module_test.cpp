#include "platform/res/resource_module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::res {
namespace {

// clang-format off
// Block 1 (ids 0-15): id 0 "Hi", id 3 "abc", id 15 "Z"; ids 1, 2 and 4-14 undefined.
constexpr char16_t kEnglish1[] = {2, u'H', u'i', 0, 0, 3, u'a', u'b', u'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, u'Z'};
// Block 1 in German: id 0 "Hallo", nothing else.
constexpr char16_t kGerman1[] = {5, u'H', u'a', u'l', u'l', u'o', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// Block 3 (ids 32-47) in German only: id 33 "nur".
constexpr char16_t kGerman3[] = {0, 3, u'n', u'u', u'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// Block 2 (ids 16-31) in the neutral table: id 16 "x".
constexpr char16_t kNeutral2[] = {1, u'x', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// clang-format on

const StringBlockData kBlocks[] = {
    {kLangEnglish, 1, kEnglish1, std::size(kEnglish1)},
    {kLangGerman, 3, kGerman3, std::size(kGerman3)},
    {kLangNeutral, 2, kNeutral2, std::size(kNeutral2)},
    {kLangGerman, 1, kGerman1, std::size(kGerman1)},
};

TEST(StringBlockLayout, BlockNumberAndIndexFollowTheId) {
  EXPECT_EQ(stringBlockNumber(0), 1u);
  EXPECT_EQ(stringBlockNumber(15), 1u);
  EXPECT_EQ(stringBlockNumber(16), 2u);
  EXPECT_EQ(stringBlockNumber(701), 44u);
  EXPECT_EQ(stringBlockNumber(720), 46u);
  EXPECT_EQ(stringIndexInBlock(701), 13u);
  EXPECT_EQ(stringIndexInBlock(720), 0u);
}

TEST(StringBlockLayout, SkipsCountPlusOneUnitsPerString) {
  const std::span<const char16_t> block(kEnglish1);
  EXPECT_EQ(stringInBlock(block, 0), std::u16string_view(u"Hi"));
  EXPECT_EQ(stringInBlock(block, 1), std::u16string_view(u""));
  EXPECT_EQ(stringInBlock(block, 3), std::u16string_view(u"abc"));
  EXPECT_EQ(stringInBlock(block, 4), std::u16string_view(u""));
  EXPECT_EQ(stringInBlock(block, 15), std::u16string_view(u"Z"));
  EXPECT_FALSE(stringInBlock(block, 16));
}

TEST(StringBlockLayout, DamagedBlockIsNeverReadPastItsEnd) {
  const char16_t countTooLarge[] = {5, u'a', u'b'};
  EXPECT_FALSE(stringInBlock(countTooLarge, 0));
  EXPECT_FALSE(stringInBlock(countTooLarge, 1));
  const char16_t tooFewStrings[] = {1, u'a', 0};
  EXPECT_EQ(stringInBlock(tooFewStrings, 1), std::u16string_view(u""));
  EXPECT_FALSE(stringInBlock(tooFewStrings, 2));
  EXPECT_FALSE(stringInBlock({}, 0));
}

TEST(ResourceModule, FindsBlocksInExactlyTheLanguageAsked) {
  const ResourceModule module(kBlocks);
  auto german = module.findStringBlock(kLangGerman, 1);
  ASSERT_TRUE(german);
  EXPECT_EQ(german->data(), kGerman1);
  EXPECT_EQ(german->size(), std::size(kGerman1));
  EXPECT_FALSE(module.findStringBlock(kLangEnglish, 3)) << "no fallback from English to German";
  EXPECT_FALSE(module.findStringBlock(2055, 1)) << "no fallback from Swiss German to German";
  EXPECT_FALSE(module.findStringBlock(kLangNeutral, 1)) << "no fallback to the neutral table";
  EXPECT_FALSE(module.findStringBlock(kLangEnglish, 2));
}

TEST(ResourceModule, UndefinedIdInAnExistingBlockReadsAsEmptyText) {
  const ResourceModule module(kBlocks);
  EXPECT_EQ(module.readString(kLangEnglish, 3), u"abc");
  EXPECT_EQ(module.readString(kLangEnglish, 7), u"");
  EXPECT_EQ(module.readString(kLangGerman, 3), u"") << "German block 1 leaves id 3 undefined";
  EXPECT_FALSE(module.readString(kLangEnglish, 33)) << "English holds no block 3";
  EXPECT_EQ(module.readString(kLangGerman, 33), u"nur");
}

// The UTF-8 read is kept once decoded: it must give what readString gives, in every language
// on its own, including the empty text of an undefined id and nothing for a missing block.
TEST(ResourceModule, Utf8ReadsMatchTheStringReadAndAreKeptPerLanguage) {
  const char16_t umlaut[] = {3, u'G', u'r', u'\u00FC', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const StringBlockData blocks[] = {{kLangGerman, 1, umlaut, std::size(umlaut)},
                                    {kLangEnglish, 1, kEnglish1, std::size(kEnglish1)}};
  const ResourceModule module(blocks);
  const ResourceModule copy = module;
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "decoded" : "kept");
    const std::string* german = module.readStringUtf8(kLangGerman, 0);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(*german, "Gr\xC3\xBC");
    EXPECT_EQ(*module.readStringUtf8(kLangEnglish, 0), "Hi") << "the same id in another language";
    EXPECT_EQ(*module.readStringUtf8(kLangEnglish, 7), "");
    EXPECT_EQ(module.readStringUtf8(kLangEnglish, 33), nullptr);
    EXPECT_EQ(module.readStringUtf8(2055, 0), nullptr);
    EXPECT_EQ(copy.readStringUtf8(kLangGerman, 0), german) << "a copy shares what was kept";
  }
}

TEST(ResourceModule, LanguagesAreListedOnceAscending) {
  const ResourceModule module(kBlocks);
  EXPECT_EQ(module.languages(), (std::vector<uint16_t>{kLangNeutral, kLangGerman, kLangEnglish}));
  EXPECT_TRUE(ResourceModule().languages().empty());
}

TEST(ResourceModule, FirstOfTwoEqualBlocksWins) {
  const char16_t other[] = {1, u'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const StringBlockData blocks[] = {
      {kLangEnglish, 1, kEnglish1, std::size(kEnglish1)},
      {kLangEnglish, 1, other, std::size(other)},
  };
  EXPECT_EQ(ResourceModule(blocks).readString(kLangEnglish, 0), u"Hi");
}

TEST(ResourceModulePlainLoad, UsesTheUsersLanguageWhenItHoldsTheBlock) {
  const ResourceModule module(kBlocks);
  EXPECT_EQ(module.loadStringPlain(0, kLangGerman), u"Hallo");
  EXPECT_EQ(module.loadStringPlain(0, kLangEnglish), u"Hi");
  EXPECT_EQ(module.loadStringPlain(3, kLangGerman), u"") << "the German block exists, so no English text";
}

TEST(ResourceModulePlainLoad, FallsBackToSamePrimaryLanguageThenEnglishThenAnyTable) {
  const ResourceModule module(kBlocks);
  EXPECT_EQ(module.loadStringPlain(0, 2055), u"Hallo") << "Swiss German user, German table";
  EXPECT_EQ(module.loadStringPlain(0, 1036), u"Hi") << "French user, English table";
  EXPECT_EQ(module.loadStringPlain(33, kLangEnglish), u"nur") << "block held by German only";
  EXPECT_EQ(module.loadStringPlain(16, kLangGerman), u"x") << "block held by the neutral table only";
}

TEST(ResourceModulePlainLoad, MissingBlockGivesNothing) {
  const ResourceModule module(kBlocks);
  EXPECT_FALSE(module.loadStringPlain(48, kLangEnglish));
  EXPECT_FALSE(module.loadStringPlain(65535, kLangGerman));
  EXPECT_FALSE(ResourceModule().loadStringPlain(0, kLangEnglish));
}

TEST(ResourceModuleBitmaps, FindsBitmapsById) {
  const unsigned char red[] = {1, 2, 3};
  const unsigned char grey[] = {4};
  const BitmapData bitmaps[] = {{104, grey, 1}, {101, red, 3}};
  const ResourceModule module({}, bitmaps);
  auto found = module.findBitmap(101);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->data(), red);
  EXPECT_EQ(found->size(), 3u);
  EXPECT_EQ(module.findBitmap(104)->data(), grey);
  EXPECT_FALSE(module.findBitmap(100));
  EXPECT_FALSE(module.findBitmap(102));
  EXPECT_FALSE(module.findBitmap(105));
}

}  // namespace
}  // namespace platform::res
