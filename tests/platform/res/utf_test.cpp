#include "platform/res/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::res {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::u16string texts[] = {
      u"",
      u"Communication State:",
      u"Über RQ4400 (VELUMOR) – Meßwert: 20 °C",
      u"\u65E5\u672C\u8A9E",
      u"\U0001F600 and \U0010FFFF",
      std::u16string(u"nul\0inside", 10),
  };
  for (const std::u16string& text : texts) {
    const std::string utf8 = utf16ToUtf8(text);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToUtf16(utf8), text);
  }
}

TEST(Utf, EncodesByteSequencesExactly) {
  EXPECT_EQ(utf16ToUtf8(u"\u00DC"), "\xC3\x9C");
  EXPECT_EQ(utf16ToUtf8(u"\u20AC"), "\xE2\x82\xAC");
  EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xD800), u'A'}),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  const std::u16string r(1, u'\uFFFD');
  EXPECT_EQ(utf8ToUtf16("\x80"), r);
  EXPECT_EQ(utf8ToUtf16("a\xFF"
                        "b"),
            u"a" + r + u"b");
  EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), r + r) << "overlong form";
  EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), r + r + r) << "overlong three-byte form";
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), r + r + r) << "encoded surrogate";
  EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), r + r + r + r) << "above U+10FFFF";
  EXPECT_EQ(utf8ToUtf16("\xF5\x80"), r + r);
  EXPECT_EQ(utf8ToUtf16("\xE2\x82"), r) << "cut short at the end";
  EXPECT_EQ(utf8ToUtf16("\xE2\x82"
                        "A"),
            r + u"A")
      << "cut short before a letter";
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98"), r);
  EXPECT_FALSE(isValidUtf8("\xC3"));
  EXPECT_FALSE(isValidUtf8("G\xE4rt"));
  EXPECT_TRUE(isValidUtf8("G\xC3\xA4rt"));
}

TEST(Utf, EveryTwoByteInputDecodesSafelyAndValidInputRoundTrips) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string input{static_cast<char>(a), static_cast<char>(b)};
      const std::u16string decoded = utf8ToUtf16(input);
      ASSERT_GE(decoded.size(), 1u);
      ASSERT_LE(decoded.size(), 2u);
      const std::string encoded = utf16ToUtf8(decoded);
      ASSERT_TRUE(isValidUtf8(encoded));
      if (isValidUtf8(input)) {
        ASSERT_EQ(encoded, input) << a << " " << b;
      }
    }
  }
}

}  // namespace
}  // namespace platform::res
