// Command buttons, option buttons and check boxes.

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "frontend/qt/control_views.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// ================================================================ buttons

class CommandButtonView : public WidgetView<QPushButton> {
 public:
  using WidgetView::WidgetView;

 protected:
  void made() override {
    w_->setAutoDefault(false);
    QObject::connect(w_, &QPushButton::clicked, this, [this] { inputClick(); });
  }
  void applyAll() override { applyEach({"Caption", "Default"}); }
  void applyColours() override { applyColourRoles(w_, QPalette::Button, QPalette::ButtonText); }
  bool apply(std::string_view what) override {
    if (is(what, "Caption"))
      w_->setText(textProp("Caption"));
    else if (is(what, "Default"))
      w_->setDefault(boolProp("Default"));
    else
      return false;
    return true;
  }
};

// Option buttons and check boxes show the model's Value; a click asks the model, which
// decides (and raises Click), and the widget then shows what the model says.
class ToggleView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    if (control_.type() == ControlType::OptionButton) {
      auto* radio = new QRadioButton(parent);
      radio->setAutoExclusive(false);  // the model switches the others off
      button_ = radio;
    } else {
      check_ = new QCheckBox(parent);
      button_ = check_;
    }
    QObject::connect(button_, &QAbstractButton::clicked, this, [this] {
      if (inputClick()) apply("Value");
    });
    return button_;
  }
  void applyAll() override { applyEach({"Caption", "Value"}); }
  void applyColours() override { applyColourRoles(button_, QPalette::Window, QPalette::WindowText); }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      button_->setText(textProp("Caption"));
    } else if (is(what, "Value") && check_) {
      int v = intProp("Value");
      check_->setTristate(v == 2);
      check_->setCheckState(v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    } else if (is(what, "Value")) {
      button_->setChecked(boolProp("Value"));
    } else {
      return false;
    }
    return true;
  }

 private:
  QAbstractButton* button_ = nullptr;
  QCheckBox* check_ = nullptr;  // null for an option button
};

}  // namespace

std::unique_ptr<ControlView> makeButtonView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::CommandButton)
    return std::make_unique<CommandButtonView>(owner, control);
  return std::make_unique<ToggleView>(owner, control);
}

}  // namespace frontend::qt
