#pragma once
// The interactive host's own dialogs: a data set of the database to open or to save under,
// and the address or tag the device is reached by. The scripted host answers the same
// questions from its queue and never shows these.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace frontend::qt {

// The data sets of the database in a list; saving also takes a new name. Accepting needs a
// chosen set (opening) or a name that is not blank (saving); replacing another existing set
// is asked first.
class DataSetDialog : public QDialog {
 public:
  DataSetDialog(bool forSave, const std::vector<std::string>& existing, const std::string& current,
                bool german, QWidget* parent = nullptr);
  // The set chosen or the name typed, blanks around it removed.
  std::string chosen() const;

  void accept() override;

 private:
  void update();

  bool forSave_;
  bool german_;
  std::string current_;
  QListWidget* list_;
  QLineEdit* name_ = nullptr;
  QDialogButtonBox* buttons_;
};

// The device's polling address or tag; `valid` decides what may be accepted, and the dialog
// says the limits while the entry is not.
class AddressDialog : public QDialog {
 public:
  AddressDialog(const std::string& current, std::function<bool(const std::string&)> valid, bool german,
                QWidget* parent = nullptr);
  std::string entered() const;

 private:
  void update();

  std::function<bool(const std::string&)> valid_;
  bool german_;
  QLineEdit* edit_;
  QLabel* problem_;
  QDialogButtonBox* buttons_;
};

// Run the dialogs modally over the active window; nullopt when the user cancelled.
std::optional<std::string> chooseDataSet(bool forSave, const std::vector<std::string>& existing,
                                         const std::string& current, bool german);
std::optional<std::string> askAddress(const std::string& current,
                                      std::function<bool(const std::string&)> valid, bool german);

}  // namespace frontend::qt
