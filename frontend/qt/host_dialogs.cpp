#include "frontend/qt/host_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace frontend::qt {

namespace {

QString tr2(bool german, const char* de, const char* en) {
  return QString::fromUtf8(german ? de : en);
}

std::string trimmed(const QString& s) {
  return s.trimmed().toStdString();
}

}  // namespace

// ---------------------------------------------------------------- data sets

DataSetDialog::DataSetDialog(bool forSave, const std::vector<std::string>& existing,
                             const std::string& current, bool german, QWidget* parent)
    : QDialog(parent), forSave_(forSave), german_(german), current_(current) {
  setWindowTitle(forSave ? tr2(german, "Datensatz speichern unter", "Save data set as")
                         : tr2(german, "Datensatz öffnen", "Open data set"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      existing.empty()
          ? tr2(german, "Die Datenbank enthält noch keinen Datensatz.", "The database holds no data set yet.")
          : tr2(german, "Datensätze in der Datenbank:", "Data sets in the database:"),
      this));
  list_ = new QListWidget(this);
  list_->setObjectName("dataSets");
  for (const auto& name : existing) {
    auto* item = new QListWidgetItem(QString::fromStdString(name), list_);
    if (name == current) list_->setCurrentItem(item);
  }
  layout->addWidget(list_);
  if (forSave) {
    layout->addWidget(new QLabel(tr2(german, "Name des Datensatzes:", "Name of the data set:"), this));
    name_ = new QLineEdit(QString::fromStdString(current), this);
    name_->setObjectName("dataSetName");
    name_->selectAll();
    layout->addWidget(name_);
    connect(name_, &QLineEdit::textChanged, this, [this] { update(); });
    connect(list_, &QListWidget::currentTextChanged, name_, &QLineEdit::setText);
  } else {
    connect(list_, &QListWidget::currentRowChanged, this, [this] { update(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  }
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Ok)
      ->setText(forSave ? tr2(german, "&Speichern", "&Save") : tr2(german, "Ö&ffnen", "&Open"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(tr2(german, "Abbrechen", "Cancel"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &DataSetDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &DataSetDialog::reject);
  layout->addWidget(buttons_);
  if (name_) name_->setFocus();
  update();
}

std::string DataSetDialog::chosen() const {
  if (name_) return trimmed(name_->text());
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->text().toStdString() : std::string();
}

void DataSetDialog::update() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(!chosen().empty());
}

void DataSetDialog::accept() {
  const std::string name = chosen();
  if (name.empty()) return;
  if (forSave_ && name != current_) {
    // Saving over another set loses what it held: only when the user says so.
    const QString wanted = QString::fromStdString(name);
    for (int i = 0; i < list_->count(); ++i) {
      if (list_->item(i)->text().compare(wanted, Qt::CaseInsensitive) != 0) continue;
      const auto answer =
          QMessageBox::question(this, windowTitle(),
                                tr2(german_, "Der Datensatz \"%1\" ist schon gespeichert. Ersetzen?",
                                    "The data set \"%1\" is saved already. Replace it?")
                                    .arg(list_->item(i)->text()));
      if (answer != QMessageBox::Yes) return;
      break;
    }
  }
  QDialog::accept();
}

std::optional<std::string> chooseDataSet(bool forSave, const std::vector<std::string>& existing,
                                         const std::string& current, bool german) {
  DataSetDialog dialog(forSave, existing, current, german, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.chosen();
}

// ---------------------------------------------------------------- address

AddressDialog::AddressDialog(const std::string& current, std::function<bool(const std::string&)> valid,
                             bool german, QWidget* parent)
    : QDialog(parent), valid_(std::move(valid)), german_(german) {
  setWindowTitle(tr2(german, "Adresse / Name setzen", "Set address / name"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr2(german,
                                   "Abfrageadresse (0 bis 63) oder Messstellenname (1 bis 8 Zeichen:\n"
                                   "Buchstaben, Ziffern, Leerzeichen und Satzzeichen):",
                                   "Polling address (0 to 63) or tag (1 to 8 characters:\n"
                                   "letters, digits, blank and punctuation):"),
                               this));
  edit_ = new QLineEdit(QString::fromStdString(current), this);
  edit_->setObjectName("address");
  edit_->selectAll();
  layout->addWidget(edit_);
  problem_ = new QLabel(this);
  problem_->setObjectName("problem");
  // The reason keeps its room while the entry is good: the dialog does not jump as one types.
  QSizePolicy keep = problem_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  problem_->setSizePolicy(keep);
  problem_->setStyleSheet("color: #b00000");
  layout->addWidget(problem_);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Cancel)->setText(tr2(german, "Abbrechen", "Cancel"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(edit_, &QLineEdit::textChanged, this, [this] { update(); });
  layout->addWidget(buttons_);
  update();
}

std::string AddressDialog::entered() const {
  return trimmed(edit_->text());
}

void AddressDialog::update() {
  const std::string text = entered();
  const bool ok = valid_ && valid_(text);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(ok);
  problem_->setVisible(!ok);
  // A number is always taken as the address: a tag of digits alone cannot be given, so the
  // refusal of "99" names the address's range rather than the tag's characters.
  const bool number = !ok && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  problem_->setText(
      number ? tr2(german_, "Eine Zahl ist eine Adresse: 0 bis 63.", "A number is an address: 0 to 63.")
             : tr2(german_,
                   "Das ist weder eine Adresse von 0 bis 63 noch ein Name aus 1 bis 8 "
                   "solchen Zeichen.",
                   "This is neither an address from 0 to 63 nor a tag of 1 to 8 such "
                   "characters."));
}

std::optional<std::string> askAddress(const std::string& current,
                                      std::function<bool(const std::string&)> valid, bool german) {
  AddressDialog dialog(current, std::move(valid), german, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.entered();
}

}  // namespace frontend::qt
