#include "frontend/qt/toolkit_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include "platform/res/language.h"

namespace frontend::qt {

std::unique_ptr<QTranslator> installToolkitTranslation(uint16_t langId) {
  // The languages Qt's translation packages carry, by the codes its files are named with.
  static const char* const kCodes[] = {
      "ar", "bg", "ca", "cs", "da", "de",    "es",    "fi", "fr", "he", "hr", "hu", "it", "ja",    "ko",
      "lt", "lv", "nl", "nn", "pl", "pt_BR", "pt_PT", "ru", "sk", "sl", "sv", "tr", "uk", "zh_CN", "zh_TW"};
  if (platform::res::primaryLanguage(langId) == platform::res::primaryLanguage(1033)) return nullptr;
  // The exact language and region first (Brazilian or European Portuguese), else the language.
  const char* code = nullptr;
  for (const char* c : kCodes)
    if (platform::res::langIdFromLocaleName(c) == langId) code = c;
  for (const char* c : kCodes)
    if (!code && platform::res::primaryLanguage(platform::res::langIdFromLocaleName(c)) ==
                     platform::res::primaryLanguage(langId))
      code = c;
  if (!code) return nullptr;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(QString::fromLatin1(code)), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return nullptr;
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

}  // namespace frontend::qt
