#pragma once
#include <cstdint>
#include <string_view>

#include "platform/res/export.h"

namespace platform::res {

// The user's default language as a Windows-style language id (1031 German, 1033 English,
// 1036 French, ...). VELUMOR_LANG overrides the locale for tests and demos: "de", "en",
// "fr", a locale name such as "de_DE.UTF-8", or a decimal id; a value it cannot read is
// passed over. Otherwise the first non-empty of LC_ALL, LC_MESSAGES and LANG decides;
// "C", "POSIX", an unknown language or no setting at all give 1033.
// The environment is read at the first call and the answer kept: a process's language is
// set before it loads anything (velumor-host --lang sets VELUMOR_LANG first thing), and
// every text a window shows asks for it. Whoever changes those variables later (the tests,
// from one language to the next) calls userLanguageChanged() after each change.
PLAT_RES_API uint16_t userDefaultLangId();
// The variables userDefaultLangId reads have changed: its next call reads them again.
PLAT_RES_API void userLanguageChanged();

// Language id of a locale name "ll", "ll_RR", "ll-RR", optionally followed by
// ".codeset" and "@modifier". A region the table does not know gives the language's
// main id (de_BE gives 1031); "C", "POSIX", an empty name and unknown languages 1033.
PLAT_RES_API uint16_t langIdFromLocaleName(std::string_view name);

// The primary language of a language id: its low 10 bits (7 for 1031, 2055 and 3079).
constexpr uint16_t primaryLanguage(uint16_t langId) {
  return static_cast<uint16_t>(langId & 0x3FFu);
}

}  // namespace platform::res
