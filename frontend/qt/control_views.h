#pragma once
// What the view classes of the control kinds share, and one factory per kind. Internal to
// the front end: makeView (form_window.h) chooses among them.
#include <QPalette>
#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "frontend/qt/form_window.h"
#include "platform/com/variant.h"

class QComboBox;

namespace frontend::qt {

inline bool is(std::string_view a, std::string_view b) {
  return platform::com::equalsNoCase(a, b);
}

// Text box and label alignment: 0 left, 1 right, 2 centre.
inline Qt::Alignment horizontalAlignment(int a) {
  switch (a) {
    case 1:
      return Qt::AlignRight;
    case 2:
      return Qt::AlignHCenter;
    default:
      return Qt::AlignLeft;
  }
}

// A control's own colour for `role`; the disabled look stays the platform's.
inline void setRole(QWidget* w, QPalette::ColorRole role, const QColor& c) {
  // A colour the widget shows already needs no palette of its own: sharing its container's
  // keeps the style's drawn faces shared too.
  if (w->palette().color(role) == c) return;
  QPalette p = w->palette();
  p.setColor(QPalette::Active, role, c);
  p.setColor(QPalette::Inactive, role, c);
  w->setPalette(p);
}

// How a field that shows a value but takes no input looks and acts: the platform's
// read-only background (unless `ownBackground`, where the field's colour means something),
// and no stop for the Tab key; a click still selects text to copy.
void showReadOnly(QWidget* field, bool readOnly, bool ownBackground = false);

// Gives a combo box that lists only texts a plain list of them: its own model keeps an item
// object with a table of roles for every entry.
void listTextsOnly(QComboBox* combo);

// The view of a control that one widget of type `W` shows, made in the parent it is given.
// `made` sets a new widget up (fixed settings, its signals) before the properties are applied;
// it runs again when the widget is made anew.
template <class W>
class WidgetView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    w_ = new W(parent);
    made();
    return w_;
  }
  virtual void made() {}

  W* w_ = nullptr;
};

// Why `text` does not fit into `area` in `font` (on one line, or broken into as many lines as
// the area holds where it `wraps`); empty when it fits.
std::string textMisfit(const QFont& font, const QRect& area, const QString& text, bool wraps);

// One factory per file of views, each for the control types it names.
// Label, TextBox.
std::unique_ptr<ControlView> makeTextView(FormWindow& owner, platform::ui::Control& control);
// CommandButton, OptionButton, CheckBox.
std::unique_ptr<ControlView> makeButtonView(FormWindow& owner, platform::ui::Control& control);
// Frame, TabStrip, StatusBar.
std::unique_ptr<ControlView> makeContainerView(FormWindow& owner, platform::ui::Control& control);
// Image, PictureBox, Shape, Line.
std::unique_ptr<ControlView> makePictureView(FormWindow& owner, platform::ui::Control& control);
// ListBox, ComboBox.
std::unique_ptr<ControlView> makeListView(FormWindow& owner, platform::ui::Control& control);
// The host's controls; null for the item handler, which works unseen.
std::unique_ptr<ControlView> makeUserView(FormWindow& owner, platform::ui::Control& control);

}  // namespace frontend::qt
