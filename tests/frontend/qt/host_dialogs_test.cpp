// The interactive host's data-set and address dialogs: what they let the user accept.
#include "frontend/qt/host_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "qt_test_support.h"

namespace {

QPushButton* okButton(QDialog& d) {
  return d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

TEST(DataSetDialog, SavingTakesATypedOrPickedNameButNoBlankOne) {
  frontend::qt::DataSetDialog d(true, {"default", "Linie 7"}, "default", false);
  auto* name = d.findChild<QLineEdit*>("dataSetName");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), "default");
  name->setText("   ");
  EXPECT_FALSE(okButton(d)->isEnabled());
  name->setText("  Skid 3  ");
  EXPECT_TRUE(okButton(d)->isEnabled());
  EXPECT_EQ(d.chosen(), "Skid 3");
  d.findChild<QListWidget*>("dataSets")->setCurrentRow(1);
  EXPECT_EQ(d.chosen(), "Linie 7") << "a picked set fills in the name";
  EXPECT_EQ(okButton(d)->text(), "&Save");
}

TEST(DataSetDialog, OpeningNeedsASetOfTheList) {
  frontend::qt::DataSetDialog empty(false, {}, "default", true);
  EXPECT_FALSE(okButton(empty)->isEnabled()) << "nothing to open";
  EXPECT_EQ(empty.findChild<QLineEdit*>(), nullptr) << "no new name when opening";
  EXPECT_EQ(empty.windowTitle(), QString::fromUtf8("Datensatz öffnen"));

  frontend::qt::DataSetDialog d(false, {"A", "B"}, "B", false);
  EXPECT_EQ(d.chosen(), "B") << "the current set is chosen at first";
  d.findChild<QListWidget*>("dataSets")->setCurrentRow(0);
  EXPECT_EQ(d.chosen(), "A");
  EXPECT_TRUE(okButton(d)->isEnabled());
}

TEST(AddressDialog, SaysTheLimitsWhileTheEntryIsRefused) {
  frontend::qt::AddressDialog d(
      "0", [](const std::string& s) { return s == "0" || s == "7"; }, false);
  auto* edit = d.findChild<QLineEdit*>("address");
  auto* problem = d.findChild<QLabel*>("problem");
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(problem, nullptr);
  EXPECT_TRUE(okButton(d)->isEnabled());
  EXPECT_TRUE(problem->isHidden());
  // A number out of range is told as an address; anything else as neither address nor tag.
  for (const auto& [text, why] :
       {std::pair{"64", "A number is an address: 0 to 63."},
        std::pair{"TAG-NAME-TOO-LONG", "neither an address from 0 to 63 nor a tag"}}) {
    edit->setText(text);
    EXPECT_FALSE(okButton(d)->isEnabled()) << text;
    EXPECT_FALSE(problem->isHidden()) << text;
    EXPECT_TRUE(problem->text().contains(why)) << text << ": " << problem->text().toStdString();
  }
  edit->setText(" 7 ");
  EXPECT_TRUE(okButton(d)->isEnabled());
  EXPECT_EQ(d.entered(), "7");
}

}  // namespace
