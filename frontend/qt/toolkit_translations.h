#pragma once
// Qt's own texts (standard buttons, the print and file dialogs) in the session's language.
#include <QTranslator>
#include <cstdint>
#include <memory>

namespace frontend::qt {

// Installs Qt's translation for the language id `langId` (1031 German, ...) into the
// application until the returned translator goes. Null for English and where the system has
// no translation for the language: Qt's texts then stay English.
std::unique_ptr<QTranslator> installToolkitTranslation(uint16_t langId);

}  // namespace frontend::qt
