#pragma once
// Module Toolkit_LoadResource: user texts from the component's string tables in the
// user's language.
#include <cstdint>
#include <string>

#include "platform/res/resource_module.h"

namespace velumor::shared {

// String `id` from the string-table block of exactly language `lang` of `module`.
// False, with `text` left as it was, when that block does not exist (a negative id has
// none). A block that leaves the id undefined gives an empty text and True.
bool ReadStringResource(const platform::res::ResourceModule& module, int16_t id, uint16_t lang,
                        std::string& text);

// The user text `id`: in the user's default language, else English (1033), else the
// language-neutral table; the first table that holds the id's block decides, so an id
// the user's block leaves undefined is an empty text. When no table of those holds the
// block, the platform's plain load decides, and it raises error 326 when no table at all
// holds the id.
std::string LoadResStringByLang(int16_t id);
std::string LoadResStringByLang(const platform::res::ResourceModule& module, int16_t id);
// LoadResStringByLang for an id the windows keep as a Long (table entries, offsets).
inline std::string resText(int32_t id) {
  return LoadResStringByLang(static_cast<int16_t>(id));
}

// LoadResStringByLang with every error ignored: an empty text after an error. The body
// of the windows' GetTextFromResource method.
std::string GetTextFromResource(int16_t id);

}  // namespace velumor::shared
