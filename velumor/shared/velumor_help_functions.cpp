#include "velumor/shared/velumor_help_functions.h"

#include <vector>

#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/res/utf.h"

namespace velumor::shared {

namespace {

// Upper case as the text functions give it for the letters the Windows ANSI code page
// (1252) holds; other characters stay as they are.
char32_t upperCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0xFF:
      return 0x178;  // ÿ
    case 0x161:
      return 0x160;  // š
    case 0x153:
      return 0x152;  // œ
    case 0x17E:
      return 0x17D;  // ž
    default:
      return c;
  }
}

// A character in the Windows ANSI code page (1252): Latin-1 less the C1 controls whose bytes
// the page gives to other characters; everything the page lacks becomes '?'.
unsigned char toCodePage1252(char32_t c) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
  };
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (unsigned i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  return '?';
}

std::vector<char32_t> codePoints(std::string_view s) {
  const std::u16string units = platform::res::utf8ToUtf16(s);
  std::vector<char32_t> out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
      ++i;
    } else {
      out.push_back(u);
    }
  }
  return out;
}

}  // namespace

std::string StripAtNul(std::string_view s) {
  return std::string(s.substr(0, s.find('\0')));
}

std::string FormatHexCode(int32_t n) {
  if (n >= 0 && n <= 9) return std::string(1, static_cast<char>('0' + n));
  static constexpr char kDigits[] = "0123456789ABCDEF";
  uint32_t value = static_cast<uint32_t>(n);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

bool HasStateBits(int32_t n) {
  return (n & 0xAE) != 0;
}

std::string GetEnumText(tolvar::DeviceDescription* dd, int32_t lEnumHandle, int32_t lValue) {
  if (!dd || lEnumHandle < 1) return std::string();
  std::string name;
  std::vector<tolvar::EnumEntry> entries;
  int32_t status = 0;
  dd->GetEnumeration(lEnumHandle, name, entries, status);
  // From the last entry down: of several entries with the same value, the last one wins.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->value == lValue) return it->text;
  return std::string();
}

int32_t GetEngineeringContext(tolvar::DeviceDescription* dd, int32_t /*lHandle*/) {
  if (!dd) platform::com::raise(platform::com::err::ObjectNotSet);
  int32_t handle = 0;
  int32_t status = 0;
  dd->FindObject("object", "&&private_FDT&&EngineeringContext", handle, status);
  platform::com::Variant v1, v2, v3, v4, v5, v6;
  dd->GetObjectInfo2(handle, v1, v2, v3, v4, v5, v6, status);
  return v1.toLong();
}

std::string CompactPath(std::string_view sPath, uint8_t nMax) {
  const std::string s = StripAtNul(sPath);
  if (platform::com::codePointCount(s) < nMax) return s;  // paths count characters, not bytes

  // The last separator, and the one before it; the tail from there keeps two levels.
  // Paths come from both worlds: a backslash and a slash both separate folders.
  constexpr char kSeparators[] = "\\/";
  const std::size_t p1 = s.find_last_of(kSeparators);
  std::size_t p2 = std::string::npos;
  if (p1 != std::string::npos && p1 > 0) p2 = s.find_last_of(kSeparators, p1 - 1);
  // Without a separator before the last one the tail is the whole path.
  const std::string_view tail =
      p2 == std::string::npos ? std::string_view(s) : std::string_view(s).substr(p2);
  return s.substr(0, platform::com::bytesOfCodePoints(s, 3)) + "..." + std::string(tail);
}

platform::com::ByteArray PackAscii(std::string_view s) {
  platform::com::ByteArray out;
  std::vector<uint8_t> codes;
  for (char32_t c : codePoints(s)) codes.push_back(static_cast<uint8_t>(toCodePage1252(upperCase(c)) & 0x3F));
  const std::size_t n = codes.size();
  if (n == 0) return out;

  codes.resize(n + 3, 0);  // zeros fill the last group of four
  std::vector<uint8_t> bytes;
  bytes.reserve((n + 3) / 4 * 3);
  for (std::size_t i = 0; i < n; i += 4) {
    const uint8_t c0 = codes[i], c1 = codes[i + 1], c2 = codes[i + 2], c3 = codes[i + 3];
    bytes.push_back(static_cast<uint8_t>((c0 << 2) | (c1 >> 4)));
    bytes.push_back(static_cast<uint8_t>(((c1 & 0x0F) << 4) | (c2 >> 2)));
    bytes.push_back(static_cast<uint8_t>(((c2 & 0x03) << 6) | c3));
  }
  bytes.resize((6 * n + 7) / 8);
  out.data = std::move(bytes);
  return out;
}

}  // namespace velumor::shared
