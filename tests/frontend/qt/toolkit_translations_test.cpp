// Qt's standard buttons speak the session's language.
#include "frontend/qt/toolkit_translations.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "frontend/qt/qt_services.h"
#include "qt_test_support.h"

namespace {

// The texts of the buttons of a Yes/No/Cancel question, without their mnemonics.
QStringList questionButtons() {
  auto box = frontend::qt::makeMessageBox("?", platform::ui::mb::YesNoCancel, "", nullptr);
  QStringList texts;
  for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
    texts << box->button(b)->text().remove(QLatin1Char('&'));
  return texts;
}

}  // namespace

TEST(ToolkitTranslation, GermanSessionsGetGermanStandardButtonsUntilTheTranslatorGoes) {
  const QStringList english = questionButtons();
  ASSERT_EQ(english, (QStringList{"Yes", "No", "Cancel"}));
  {
    std::unique_ptr<QTranslator> german = frontend::qt::installToolkitTranslation(1031);
    ASSERT_NE(german, nullptr) << "Qt's German translation is missing (scripts/setup.sh installs it)";
    EXPECT_EQ(questionButtons(), (QStringList{"Ja", "Nein", "Abbrechen"}));
  }
  EXPECT_EQ(questionButtons(), english);
  // Austrian German takes the German texts; English needs none; a language without a
  // translation leaves Qt's texts English.
  EXPECT_NE(frontend::qt::installToolkitTranslation(3079), nullptr);
  EXPECT_EQ(frontend::qt::installToolkitTranslation(1033), nullptr);
  EXPECT_EQ(frontend::qt::installToolkitTranslation(1039), nullptr);  // Icelandic
  EXPECT_EQ(questionButtons(), english);
}
