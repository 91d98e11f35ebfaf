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

class CommandButtonView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    button_ = new QPushButton(parent);
    button_->setAutoDefault(false);
    QObject::connect(button_, &QPushButton::clicked, this, [this] {
      Control* c = &control_;
      input("Click", [c] { c->form().userClick(*c); });
    });
    return button_;
  }
  void applyAll() override {
    apply("Caption");
    apply("Default");
  }
  void applyColours() override {
    setRole(button_, QPalette::Button, colourProp("BackColor"));
    setRole(button_, QPalette::ButtonText, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption"))
      button_->setText(textProp("Caption"));
    else if (is(what, "Default"))
      button_->setDefault(boolProp("Default"));
    else
      return false;
    return true;
  }

 private:
  QPushButton* button_ = nullptr;
};

// Option buttons and check boxes show the model's Value; a click asks the model, which
// decides (and raises Click), and the widget then shows what the model says.
class ToggleView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  // Takes `button` as the widget and hands its clicks to the model.
  QWidget* wire(QAbstractButton* button) {
    button_ = button;
    QObject::connect(button_, &QAbstractButton::clicked, this, [this] {
      Control* c = &control_;
      if (input("Click", [c] { c->form().userClick(*c); })) apply("Value");
    });
    return button_;
  }
  void applyAll() override {
    apply("Caption");
    apply("Value");
  }
  void applyColours() override {
    setRole(button_, QPalette::Window, colourProp("BackColor"));
    setRole(button_, QPalette::WindowText, colourProp("ForeColor"));
  }

 private:
  QAbstractButton* button_ = nullptr;
};

class OptionButtonView : public ToggleView {
 public:
  using ToggleView::ToggleView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    radio_ = new QRadioButton(parent);
    radio_->setAutoExclusive(false);  // the model switches the others off
    return wire(radio_);
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption"))
      radio_->setText(textProp("Caption"));
    else if (is(what, "Value"))
      radio_->setChecked(boolProp("Value"));
    else
      return false;
    return true;
  }

 private:
  QRadioButton* radio_ = nullptr;
};

class CheckBoxView : public ToggleView {
 public:
  using ToggleView::ToggleView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    check_ = new QCheckBox(parent);
    return wire(check_);
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      check_->setText(textProp("Caption"));
    } else if (is(what, "Value")) {
      int v = intProp("Value");
      check_->setTristate(v == 2);
      check_->setCheckState(v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    } else {
      return false;
    }
    return true;
  }

 private:
  QCheckBox* check_ = nullptr;
};

}  // namespace

std::unique_ptr<ControlView> makeButtonView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::CommandButton)
    return std::make_unique<CommandButtonView>(owner, control);
  if (control.type() == ControlType::OptionButton) return std::make_unique<OptionButtonView>(owner, control);
  return std::make_unique<CheckBoxView>(owner, control);
}

}  // namespace frontend::qt
