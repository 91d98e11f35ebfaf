#pragma once
#include <string>
#include <string_view>

#include "platform/res/export.h"

namespace platform::res {

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
PLAT_RES_API std::string utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Every maximal ill-formed subsequence (stray continuation bytes,
// overlong forms, encoded surrogates, values above U+10FFFF, a sequence cut short)
// becomes one U+FFFD.
PLAT_RES_API std::u16string utf8ToUtf16(std::string_view text);

// True when the text is well-formed UTF-8 throughout.
PLAT_RES_API bool isValidUtf8(std::string_view text);

}  // namespace platform::res
