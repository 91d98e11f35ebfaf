#include "velumor/shared/toolkit_load_resource.h"

#include "platform/com/error.h"
#include "platform/res/language.h"
#include "platform/res/utf.h"
#include "velumor/shared/component.h"

namespace velumor::shared {

bool ReadStringResource(const platform::res::ResourceModule& module, int16_t id, uint16_t lang,
                        std::string& text) {
  // Ids are 0 to 32767; a negative one has no block in any table.
  if (id < 0) return false;
  const std::string* found = module.readStringUtf8(lang, static_cast<uint32_t>(id));
  if (!found) return false;
  text = *found;
  return true;
}

std::string LoadResStringByLang(const platform::res::ResourceModule& module, int16_t id) {
  std::string text;
  for (uint16_t lang :
       {platform::res::userDefaultLangId(), platform::res::kLangEnglish, platform::res::kLangNeutral})
    if (ReadStringResource(module, id, lang, text)) return text;

  if (id >= 0)
    if (auto plain = module.loadStringPlain(static_cast<uint32_t>(id)))
      return platform::res::utf16ToUtf8(*plain);
  platform::com::raise(platform::com::err::ResourceNotFound, platform::com::resourceNotFoundText(id));
}

std::string LoadResStringByLang(int16_t id) {
  return LoadResStringByLang(componentResources(), id);
}

std::string GetTextFromResource(int16_t id) {
  try {
    return LoadResStringByLang(id);
  } catch (...) {
    // Captions of optional windows: a missing text must not stop the window.
    return std::string();
  }
}

}  // namespace velumor::shared
