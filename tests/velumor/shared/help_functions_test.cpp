#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "velumor/shared/velumor_help_functions.h"

using platform::com::ByteArray;
using platform::com::Variant;
using namespace velumor::shared;

namespace {

// --- StripAtNul, FormatHexCode, HasStateBits

TEST(StripAtNul, CutsAtTheFirstNul) {
  EXPECT_EQ(velumor::shared::StripAtNul(std::string("\0abc", 4)), "");
  EXPECT_EQ(velumor::shared::StripAtNul(std::string("TAG\0\0\0OLD", 9)), "TAG");
  EXPECT_EQ(velumor::shared::StripAtNul("no nul here"), "no nul here");
  EXPECT_EQ(velumor::shared::StripAtNul(""), "");
}

TEST(FormatHexCode, DigitsBelowTenHexAbove) {
  EXPECT_EQ(velumor::shared::FormatHexCode(0), "0");
  EXPECT_EQ(velumor::shared::FormatHexCode(9), "9");
  EXPECT_EQ(velumor::shared::FormatHexCode(10), "0xA");
  EXPECT_EQ(velumor::shared::FormatHexCode(16), "0x10");
  EXPECT_EQ(velumor::shared::FormatHexCode(128), "0x80");
  EXPECT_EQ(velumor::shared::FormatHexCode(255), "0xFF");
  EXPECT_EQ(velumor::shared::FormatHexCode(static_cast<int32_t>(0x804A0001u)), "0x804A0001");
}

TEST(FormatHexCode, NegativeShowsTwosComplement) {
  EXPECT_EQ(velumor::shared::FormatHexCode(-1), "0xFFFFFFFF");
  EXPECT_EQ(velumor::shared::FormatHexCode(-16), "0xFFFFFFF0");
  EXPECT_EQ(velumor::shared::FormatHexCode(INT32_MIN), "0x80000000");
}

TEST(HasStateBits, OnlyTheBitsOfAE) {
  for (int32_t n : {0, 1, 16, 64, 81, 0x51, 0x100}) EXPECT_FALSE(velumor::shared::HasStateBits(n)) << n;
  for (int32_t n : {2, 4, 8, 32, 128, 174, 0x1FF, -1}) EXPECT_TRUE(velumor::shared::HasStateBits(n)) << n;
}

// --- CompactPath

std::string compact(std::string_view path, uint8_t nMax) {
  uint8_t max = nMax;
  std::string out = velumor::shared::CompactPath(path, max);
  EXPECT_EQ(max, nMax) << "nMax must not change";
  return out;
}

TEST(CompactPath, ShorterThanMaxComesBackUnchanged) {
  const std::string path31 = "/srv/velumor/sets/meter0001.dat";
  ASSERT_EQ(path31.size(), 31u);
  EXPECT_EQ(compact(path31, 32), path31);
}

TEST(CompactPath, MaxLengthIsAlreadyShortened) {
  const std::string path32 = "/srv/velumor/sets/meter00001.dat";
  ASSERT_EQ(path32.size(), 32u);
  EXPECT_EQ(compact(path32, 32), "/sr.../sets/meter00001.dat");
}

TEST(CompactPath, KeepsTheLastTwoLevels) {
  EXPECT_EQ(compact("C:/Data/Sets/Meter.dat", 20), "C:/.../Sets/Meter.dat");
  // The result may be longer than nMax; it is not cut further.
  EXPECT_EQ(compact("/a/b/a-rather-long-folder-name/file.txt", 10),
            "/a/.../a-rather-long-folder-name/file.txt");
}

TEST(CompactPath, BackslashAndSlashBothSeparate) {
  struct Case {
    const char* path;
    uint8_t nMax;
    const char* expected;
  };
  const Case cases[] = {
      {R"(C:\Data\Sets\Meter.dat)", 20, R"(C:\...\Sets\Meter.dat)"},
      {"/home/user/sets/meter.dat", 20, "/ho.../sets/meter.dat"},
      // Mixed: the last two separators count, whichever they are.
      {R"(C:\Data/Sets\Meter.dat)", 20, R"(C:\.../Sets\Meter.dat)"},
      {R"(D:/Data\Sets/Meter.dat)", 20, R"(D:/...\Sets/Meter.dat)"},
      // One backslash only, not at the start: the tail is the whole path.
      {R"(velumor-data-sets\meter-0001-of-line.dat)", 32,
       R"(vel...velumor-data-sets\meter-0001-of-line.dat)"},
  };
  for (const Case& c : cases) EXPECT_EQ(compact(c.path, c.nMax), c.expected) << c.path;
}

TEST(CompactPath, WithoutTwoSeparatorsTheTailIsTheWholeText) {
  const std::string text36 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  ASSERT_EQ(text36.size(), 36u);
  EXPECT_EQ(compact(text36, 32), "ABC..." + text36);

  // Only one separator, not at the start.
  const std::string one = "velumor-data-sets/meter-0001-of-the-line.dat";
  EXPECT_EQ(compact(one, 32), "vel..." + one);

  // The only separator is the first character.
  const std::string rooted = "/meter-0001-of-the-production-line.dat";
  EXPECT_EQ(compact(rooted, 32), "/me..." + rooted);
}

TEST(CompactPath, CountsOnlyUpToTheFirstNul) {
  std::string padded = "/srv/sets/m.dat";
  padded.append(40, '\0');
  EXPECT_EQ(compact(padded, 32), "/srv/sets/m.dat");
}

TEST(CompactPath, CountsCharactersNotBytes) {
  // 31 characters, 35 bytes: still shorter than 32.
  const std::string umlauts = "/home/jürgen/Geräte/Übersicht.ö";
  ASSERT_GT(umlauts.size(), 32u);
  EXPECT_EQ(compact(umlauts, 32), umlauts);
  // The first three characters are whole characters.
  EXPECT_EQ(compact("äöü/data/sets/meter.dat", 10), "äöü.../sets/meter.dat");
}

// --- PackAscii

std::vector<uint8_t> bytes(const ByteArray& a) {
  EXPECT_EQ(a.lowerBound, 0);
  return a.data;
}

// The six-bit codes of `count` characters, read back from packed bytes.
std::vector<uint8_t> unpack(const ByteArray& a, std::size_t count) {
  std::vector<uint8_t> codes;
  for (std::size_t i = 0; i < count; ++i) {
    uint32_t value = 0;
    for (std::size_t bit = i * 6; bit < i * 6 + 6; ++bit) {
      const std::size_t byte = bit / 8;
      const uint8_t b = byte < a.data.size() ? a.data[byte] : 0;
      value = (value << 1) | ((b >> (7 - bit % 8)) & 1u);
    }
    codes.push_back(static_cast<uint8_t>(value));
  }
  return codes;
}

TEST(PackAscii, KnownGroups) {
  EXPECT_EQ(bytes(velumor::shared::PackAscii("ABCD")), (std::vector<uint8_t>{0x04, 0x20, 0xC4}));
  EXPECT_EQ(bytes(velumor::shared::PackAscii("A")), (std::vector<uint8_t>{0x04}));
  EXPECT_EQ(bytes(velumor::shared::PackAscii("abcd")), bytes(velumor::shared::PackAscii("ABCD")));
  EXPECT_EQ(bytes(velumor::shared::PackAscii("    ")), (std::vector<uint8_t>{0x82, 0x08, 0x20}));
}

TEST(PackAscii, ByteCountFollowsTheCharacterCount) {
  const std::size_t expected[] = {0, 1, 2, 3, 3, 4, 5, 6, 6, 7};
  for (std::size_t n = 0; n < std::size(expected); ++n)
    EXPECT_EQ(velumor::shared::PackAscii(std::string(n, 'X')).data.size(), expected[n]) << n << " characters";
}

TEST(PackAscii, UnusedLowBitsOfTheLastByteAreZero) {
  for (std::size_t n = 1; n <= 8; ++n) {
    const ByteArray packed = velumor::shared::PackAscii(std::string(n, '?'));  // all six bits set
    const std::size_t usedBits = 6 * n - 8 * (packed.data.size() - 1);
    const uint8_t mask = static_cast<uint8_t>(0xFF >> usedBits);
    EXPECT_EQ(packed.data.back() & mask, 0) << n << " characters";
  }
}

TEST(PackAscii, CharactersOutsideTheSixBitSetKeepTheirLowBits) {
  // Tilde &H7E packs as &H3E, a brace &H7B as &H3B; lower case becomes upper case first.
  EXPECT_EQ(unpack(velumor::shared::PackAscii("A~z{"), 4), (std::vector<uint8_t>{0x01, 0x3E, 0x1A, 0x3B}));
  EXPECT_EQ(unpack(velumor::shared::PackAscii("TAG_01 X"), 8),
            (std::vector<uint8_t>{0x14, 0x01, 0x07, 0x1F, 0x30, 0x31, 0x20, 0x18}));
}

TEST(PackAscii, WindowsAnsiCodePage) {
  // A Latin-1 letter is one character: ä is upper-cased to Ä (&HC4), which keeps &H04.
  EXPECT_EQ(bytes(velumor::shared::PackAscii("ä")), bytes(velumor::shared::PackAscii("D")));
  EXPECT_EQ(bytes(velumor::shared::PackAscii("Ä")), bytes(velumor::shared::PackAscii("D")));
  // Characters where code page 1252 and Latin-1 differ: each packs from its 1252 byte.
  struct Case {
    const char* text;
    uint8_t code;  // the six-bit code the character packs to
  };
  const Case cases[] = {
      {"€", 0x80 & 0x3F},  // &H80, Latin-1 has no euro sign
      {"‚", 0x82 & 0x3F},  // &H82
      {"…", 0x85 & 0x3F},  // &H85
      {"š", 0x8A & 0x3F},  // upper-cased to Š, &H8A
      {"Œ", 0x8C & 0x3F},  // &H8C
      {"ž", 0x8E & 0x3F},  // upper-cased to Ž, &H8E
      {"™", 0x99 & 0x3F},  // &H99
      {"ÿ", 0x9F & 0x3F},  // upper-cased to Ÿ, &H9F
      {"Ă", '?' & 0x3F},   // not in the page
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unpack(velumor::shared::PackAscii(c.text), 1), std::vector<uint8_t>{c.code}) << c.text;
    EXPECT_EQ(velumor::shared::PackAscii(c.text).data.size(), 1u) << c.text;
  }
  EXPECT_EQ(unpack(velumor::shared::PackAscii("€1,5"), 4), (std::vector<uint8_t>{0x00, 0x31, 0x2C, 0x35}));
  // Outside the page there is no byte: the character becomes '?'.
  EXPECT_EQ(bytes(velumor::shared::PackAscii("😀AB")), bytes(PackAscii("?AB")));
  EXPECT_EQ(velumor::shared::PackAscii("€€€€").data.size(), 3u);
}

TEST(PackAscii, EmptyTextGivesEmptyArray) {
  const ByteArray packed = velumor::shared::PackAscii("");
  EXPECT_TRUE(packed.data.empty());
  EXPECT_EQ(packed.lowerBound, 0);
}

// --- GetEnumText and GetEngineeringContext, on a small device description

class FakeDeviceDescription : public tolvar::DeviceDescription {
 public:
  std::map<int32_t, std::vector<tolvar::EnumEntry>> enumerations;
  int enumerationCalls = 0;
  int32_t contextHandle = 77;
  Variant contextValue = Variant(int32_t{2});
  std::string foundKind, foundName;
  int32_t infoHandle = 0;

  int32_t idOfName(std::string_view) const override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  Variant invoke(int32_t, platform::com::InvokeKind, std::span<Variant>) override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  void GetDeviceProperty(const std::string&, std::string&, int32_t& status) override { status = -1; }
  void GetObjectCount(const std::string&, int32_t&, int32_t& status) override { status = -1; }
  void GetFirstObject(const std::string&, int32_t&, int32_t& status) override { status = -1; }
  void GetNextObject(int32_t&, int32_t& status) override { status = -1; }
  void FindObject(const std::string& sKind, const std::string& sName, int32_t& lHandle,
                  int32_t& status) override {
    foundKind = sKind;
    foundName = sName;
    lHandle = contextHandle;
    status = 0;
  }
  void GetObjectName(int32_t, std::string&, int32_t& status) override { status = -1; }
  void GetObjectInfo(int32_t, Variant&, Variant&, Variant&, Variant&, Variant&, Variant&,
                     int32_t& status) override {
    status = -1;
  }
  void GetObjectInfo2(int32_t lHandle, Variant& v1, Variant& v2, Variant&, Variant&, Variant&, Variant&,
                      int32_t& status) override {
    infoHandle = lHandle;
    v1 = contextValue;
    v2 = Variant(int32_t{99});
    status = 0;
  }
  void GetObjectInfo3(int32_t, Variant&, Variant&, Variant&, Variant&, Variant&, Variant&,
                      int32_t& status) override {
    status = -1;
  }
  void GetEnumeration(int32_t lEnumHandle, std::string& sName, std::vector<tolvar::EnumEntry>& entries,
                      int32_t& status) override {
    ++enumerationCalls;
    sName = "enum";
    auto it = enumerations.find(lEnumHandle);
    if (it == enumerations.end()) {
      status = -1;  // callers do not look at it: no entries means no text
      return;
    }
    entries = it->second;
    status = 0;
  }
};

TEST(GetEnumText, FindsTheTextOfTheValue) {
  auto dd = platform::com::makeObject<FakeDeviceDescription>();
  dd->enumerations[5] = {{0, "kg/s"}, {1, "kg/min"}, {2, "kg/h"}};
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 5, 1), "kg/min");
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 5, 0), "kg/s");
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 5, 3), "");
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 6, 0), "");  // no such enumeration
}

TEST(GetEnumText, OfDuplicateValuesTheLastEntryWins) {
  auto dd = platform::com::makeObject<FakeDeviceDescription>();
  dd->enumerations[1] = {{7, "first"}, {8, "other"}, {7, "second"}, {7, "last"}, {9, "after"}};
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 1, 7), "last");
}

TEST(GetEnumText, NoDescriptionOrHandleBelowOneAsksNothing) {
  EXPECT_EQ(velumor::shared::GetEnumText(nullptr, 5, 1), "");
  auto dd = platform::com::makeObject<FakeDeviceDescription>();
  dd->enumerations[0] = {{1, "zero handle"}};
  dd->enumerations[-3] = {{1, "negative handle"}};
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), 0, 1), "");
  EXPECT_EQ(velumor::shared::GetEnumText(dd.get(), -3, 1), "");
  EXPECT_EQ(dd->enumerationCalls, 0);
}

TEST(GetEngineeringContext, ReadsTheFirstInfoValueOfTheContextObject) {
  auto dd = platform::com::makeObject<FakeDeviceDescription>();
  EXPECT_EQ(velumor::shared::GetEngineeringContext(dd.get(), 12345), 2);
  EXPECT_EQ(dd->foundKind, "object");
  EXPECT_EQ(dd->foundName, "&&private_FDT&&EngineeringContext");
  EXPECT_EQ(dd->infoHandle, 77);

  dd->contextValue = Variant(1.0);
  EXPECT_EQ(velumor::shared::GetEngineeringContext(dd.get()), 1);
}

TEST(GetEngineeringContext, NoDescriptionIsObjectNotSet) {
  try {
    velumor::shared::GetEngineeringContext(nullptr);
    FAIL() << "no error";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::ObjectNotSet);
  }
}

}  // namespace
