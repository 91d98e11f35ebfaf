// One view class per kind of control. Each keeps its widget in step with the control's
// properties, one property at a time, and turns the user's actions into model events.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/form_window.h"
#include "frontend/qt/qt_convert.h"
#include "platform/ui/event_loop.h"

namespace frontend::qt {

using platform::com::equalsNoCase;
using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;

namespace {

bool is(std::string_view a, std::string_view b) {
  return equalsNoCase(a, b);
}

// Text box and label alignment: 0 left, 1 right, 2 centre.
Qt::Alignment horizontalAlignment(int a) {
  switch (a) {
    case 1:
      return Qt::AlignRight;
    case 2:
      return Qt::AlignHCenter;
    default:
      return Qt::AlignLeft;
  }
}

void setRole(QWidget* w, QPalette::ColorRole role, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(role, c);
  w->setPalette(p);
}

}  // namespace

// ================================================================ ControlView

ControlView::ControlView(FormWindow& owner, Control& control) : owner_(owner), control_(control) {}

ControlView::~ControlView() {
  detach();
}

void ControlView::create(QWidget* parent) {
  widget_ = makeWidget(parent);
  if (!widget_) return;
  watch(widget_);
  applyCommon();
  applyAll();
  control_.addObserver(this);
}

void ControlView::detach() {
  if (detached_) return;
  detached_ = true;
  control_.removeObserver(this);
  if (widget_) disposeObject(widget_.data());
  widget_ = nullptr;
}

void ControlView::recreate() {
  if (!widget_) return;
  QWidget* parent = widget_->parentWidget();
  disposeObject(widget_.data());
  widget_ = makeWidget(parent);
  if (!widget_) return;
  watch(widget_);
  applyCommon();
  applyAll();
  owner_.restack(control_.container());
}

void ControlView::watch(QWidget* w) {
  w->installEventFilter(this);
  for (QWidget* child : w->findChildren<QWidget*>()) child->installEventFilter(this);
}

Variant ControlView::prop(std::string_view name) const {
  try {
    return control_.getProperty(name);
  } catch (const std::exception&) {
    return {};
  }
}
QString ControlView::textProp(std::string_view name) const {
  return variantText(prop(name));
}
int ControlView::intProp(std::string_view name, int fallback) const {
  double d = variantDouble(prop(name), fallback);
  return std::isfinite(d) && std::fabs(d) < 2e9 ? static_cast<int>(d) : fallback;
}
bool ControlView::boolProp(std::string_view name, bool fallback) const {
  return variantBool(prop(name), fallback);
}
QColor ControlView::colourProp(std::string_view name) const {
  Variant v = prop(name);
  if (v.isEmpty()) return {};
  try {
    return oleColor(v.toLong());
  } catch (const std::exception&) {
    return {};
  }
}

QRect ControlView::modelGeometry() const {
  return QRect(twipsToPx(variantDouble(prop("Left"), 0)), twipsToPx(variantDouble(prop("Top"), 0)),
               std::max(0, twipsToPx(variantDouble(prop("Width"), 0))),
               std::max(0, twipsToPx(variantDouble(prop("Height"), 0))));
}

void ControlView::applyFont() {
  if (!control_.hasProperty("FontName")) return;
  widget_->setFont(modelFont(utf8(textProp("FontName")), variantDouble(prop("FontSize"), 8.25),
                             boolProp("FontBold"), boolProp("FontItalic"), boolProp("FontUnderline")));
}

void ControlView::applyPointer() {
  Qt::CursorShape shape;
  if (cursorForPointer(intProp("MousePointer"), shape))
    widget_->setCursor(shape);
  else
    widget_->unsetCursor();
}

void ControlView::applyCommon() {
  widget_->setGeometry(modelGeometry());
  applyFont();
  applyColours();
  widget_->setEnabled(boolProp("Enabled", true));
  widget_->setToolTip(textProp("ToolTipText"));
  if (control_.hasProperty("MousePointer")) applyPointer();
  widget_->setVisible(boolProp("Visible", true));
}

void ControlView::controlChanged(Control&, std::string_view what) {
  if (detached_ || !widget_) return;
  if (apply(what)) return;
  if (is(what, "Left") || is(what, "Top") || is(what, "Width") || is(what, "Height")) {
    widget_->setGeometry(modelGeometry());
  } else if (is(what, "Visible")) {
    widget_->setVisible(boolProp("Visible", true));
  } else if (is(what, "Enabled")) {
    widget_->setEnabled(boolProp("Enabled", true));
  } else if (is(what, "ToolTipText")) {
    widget_->setToolTip(textProp("ToolTipText"));
  } else if (what.size() >= 4 && is(what.substr(0, 4), "Font")) {
    applyFont();
  } else if (is(what, "BackColor") || is(what, "ForeColor")) {
    applyColours();
  } else if (is(what, "MousePointer")) {
    applyPointer();
  } else if (is(what, "ZOrder")) {
    owner_.restack(control_.container());
  }
}

bool ControlView::eventFilter(QObject* watched, QEvent* event) {
  if (detached_) return false;
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* me = static_cast<QMouseEvent*>(event);
    if (me->button() == Qt::RightButton && widget_) {
      QPointF local = widget_->mapFromGlobal(me->globalPosition());
      owner_.userMouseUp(control_, widget_, local);
      return true;  // the control's own event; its container does not see it too
    }
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    auto* me = static_cast<QMouseEvent*>(event);
    if (me->button() == Qt::LeftButton) {
      bool pass = passDoubleClick();
      Control* c = &control_;
      runGuarded(&c->form(), c->qualifiedName() + "_DblClick", [c] { c->form().userDblClick(*c); });
      return !pass;
    }
  } else if (event->type() == QEvent::ContextMenu) {
    // Where the form handles the right button (MouseUp, PopupMenu) the widget's own menu
    // stays away; elsewhere a text field keeps its edit menu.
    return control_.form().hasHandler(control_.name(), "MouseUp");
  }
  (void)watched;
  return false;
}

void ControlView::later(std::function<void()> f) {
  QTimer::singleShot(0, this, [this, f = std::move(f)] {
    if (!detached_) f();
  });
}

bool ControlView::input(const std::string& where, const std::function<void()>& f) {
  QPointer<QObject> alive(this);
  runGuarded(&control_.form(), control_.qualifiedName() + "_" + where, f);
  return alive && !detached_;
}

// ================================================================ Label

namespace {

class LabelView : public ControlView {
 public:
  using ControlView::ControlView;
  bool graphical() const override { return true; }

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    label_ = new QLabel(parent);
    label_->setTextFormat(Qt::PlainText);
    return label_;
  }
  void applyAll() override {
    for (auto p : {"Caption", "Alignment", "WordWrap", "BorderStyle"}) apply(p);
  }
  void applyColours() override {
    bool opaque = intProp("BackStyle", 1) != 0;
    label_->setAutoFillBackground(opaque);
    if (opaque) setRole(label_, QPalette::Window, colourProp("BackColor"));
    setRole(label_, QPalette::WindowText, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      label_->setText(stripMnemonic(textProp("Caption")));
    } else if (is(what, "Alignment")) {
      label_->setAlignment(horizontalAlignment(intProp("Alignment")) | Qt::AlignTop);
    } else if (is(what, "WordWrap") || is(what, "AutoSize")) {
      // A label breaks its text at its width unless it grows to fit one line.
      label_->setWordWrap(boolProp("WordWrap") || !boolProp("AutoSize"));
    } else if (is(what, "BackStyle")) {
      applyColours();
    } else if (is(what, "BorderStyle")) {
      label_->setFrameStyle(intProp("BorderStyle") == 1 ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    } else {
      return false;
    }
    return true;
  }

 private:
  QLabel* label_ = nullptr;
};

// ================================================================ Frame

class FrameWidget : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;
  bool borderless = false;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (!borderless) {
      QGroupBox::paintEvent(e);
      return;
    }
    // A frame without border shows neither border nor caption: only its background.
    if (autoFillBackground()) return;
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
  }
};

class FrameView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    frame_ = new FrameWidget(parent);
    return frame_;
  }
  void applyAll() override {
    apply("Caption");
    apply("BorderStyle");
  }
  void applyColours() override {
    frame_->setAutoFillBackground(true);
    setRole(frame_, QPalette::Window, colourProp("BackColor"));
    setRole(frame_, QPalette::WindowText, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      frame_->setTitle(textProp("Caption"));
    } else if (is(what, "BorderStyle")) {
      frame_->borderless = intProp("BorderStyle", 1) == 0;
      frame_->update();
    } else {
      return false;
    }
    return true;
  }

 private:
  FrameWidget* frame_ = nullptr;
};

// ================================================================ TextBox

class TextBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    line_ = nullptr;
    multi_ = nullptr;
    if (boolProp("MultiLine")) {
      multi_ = new QPlainTextEdit(parent);
      QObject::connect(multi_, &QPlainTextEdit::textChanged, this, [this] {
        if (updating_ || detached_) return;
        // The model keeps line breaks as CR LF.
        QString t = multi_->toPlainText();
        t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        commit(t);
      });
      multi_->setFrameStyle(intProp("BorderStyle", 1) == 0 ? QFrame::NoFrame
                                                           : (QFrame::StyledPanel | QFrame::Sunken));
      return multi_;
    }
    line_ = new QLineEdit(parent);
    QObject::connect(line_, &QLineEdit::textEdited, this, [this](const QString& t) {
      if (!detached_) commit(t);
    });
    return line_;
  }
  void commit(const QString& t) {
    Control* c = &control_;
    bool taken = false;
    std::string text = utf8(t);
    if (!input("Change", [&] { taken = c->form().userText(*c, text); })) return;
    if (!taken || textProp("Text") != shownText()) apply("Text");  // refused or changed by a handler
  }
  QString shownText() const {
    if (line_) return line_->text();
    QString t = multi_->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
  }
  void applyAll() override {
    for (auto p : {"Text", "Locked", "Alignment", "MaxLength", "BorderStyle", "ScrollBars"}) apply(p);
  }
  void applyColours() override {
    setRole(widget_, QPalette::Base, colourProp("BackColor"));
    setRole(widget_, QPalette::Text, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    if (is(what, "Text")) {
      QString t = textProp("Text");
      updating_ = true;
      if (line_ && line_->text() != t) {
        line_->setText(t);
      } else if (multi_) {
        QString plain = t;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (multi_->toPlainText() != plain) multi_->setPlainText(plain);
      }
      updating_ = false;
    } else if (is(what, "Locked")) {
      if (line_) line_->setReadOnly(boolProp("Locked"));
      if (multi_) multi_->setReadOnly(boolProp("Locked"));
    } else if (is(what, "Alignment")) {
      if (line_) line_->setAlignment(horizontalAlignment(intProp("Alignment")) | Qt::AlignVCenter);
    } else if (is(what, "MaxLength")) {
      int n = intProp("MaxLength");
      if (line_) line_->setMaxLength(n > 0 ? n : 32767);
    } else if (is(what, "BorderStyle")) {
      if (line_) line_->setFrame(intProp("BorderStyle", 1) != 0);
      if (multi_)
        multi_->setFrameStyle(intProp("BorderStyle", 1) == 0 ? QFrame::NoFrame
                                                             : (QFrame::StyledPanel | QFrame::Sunken));
    } else if (is(what, "ScrollBars")) {
      int s = intProp("ScrollBars");
      if (multi_) {
        multi_->setHorizontalScrollBarPolicy((s & 1) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        multi_->setVerticalScrollBarPolicy((s & 2) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        // Without a horizontal scroll bar a multi-line box wraps at its width.
        multi_->setLineWrapMode((s & 1) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
      }
    } else if (is(what, "MultiLine")) {
      if (boolProp("MultiLine") != (multi_ != nullptr)) recreate();
    } else {
      return false;
    }
    return true;
  }

 private:
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* multi_ = nullptr;
  bool updating_ = false;
};

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

// ================================================================ Image, PictureBox

class ImageView : public ControlView {
 public:
  using ControlView::ControlView;
  bool graphical() const override { return control_.type() == ControlType::Image; }

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    picture_ = new PictureWidget(parent);
    return picture_;
  }
  void applyAll() override {
    apply("Picture");
    apply("Stretch");
    apply("BorderStyle");
  }
  void applyColours() override {
    // An image is transparent; a picture box fills its background.
    picture_->setBackground(control_.type() == ControlType::PictureBox ? colourProp("BackColor") : QColor());
  }
  bool apply(std::string_view what) override {
    if (is(what, "Picture")) {
      auto* basic = dynamic_cast<platform::ui::BasicControl*>(&control_);
      picture_->setPicture(basic ? pixmapFromPicture(basic->picture()) : QPixmap());
    } else if (is(what, "Stretch")) {
      picture_->setMode(boolProp("Stretch") ? PictureWidget::Mode::Stretch : PictureWidget::Mode::Natural);
    } else if (is(what, "BorderStyle")) {
      picture_->setBorder(intProp("BorderStyle") == 1);
    } else {
      return false;
    }
    return true;
  }

 private:
  PictureWidget* picture_ = nullptr;
};

// ================================================================ Shape, Line

class ShapeView : public ControlView {
 public:
  using ControlView::ControlView;
  bool graphical() const override { return true; }

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    shape_ = new ShapeWidget(parent);
    return shape_;
  }
  void applyAll() override { applyColours(); }
  void applyColours() override {
    ShapeData d;
    d.shape = intProp("Shape");
    d.fillStyle = intProp("FillStyle", 1);
    d.fillColour = colourProp("FillColor");
    d.backStyle = intProp("BackStyle");
    d.backColour = colourProp("BackColor");
    d.borderStyle = intProp("BorderStyle", 1);
    d.borderColour = colourProp("BorderColor");
    d.borderWidth = intProp("BorderWidth", 1);
    shape_->setShape(d);
  }
  bool apply(std::string_view what) override {
    for (auto p :
         {"Shape", "FillStyle", "FillColor", "BackStyle", "BorderStyle", "BorderColor", "BorderWidth"})
      if (is(what, p)) {
        applyColours();
        return true;
      }
    return false;
  }

 private:
  ShapeWidget* shape_ = nullptr;
};

class LineView : public ControlView {
 public:
  using ControlView::ControlView;
  bool graphical() const override { return true; }

  // A line's widget is the box around its two ends, widened by its thickness.
  QRect modelGeometry() const override {
    QPoint a(twipsToPx(variantDouble(prop("X1"), 0)), twipsToPx(variantDouble(prop("Y1"), 0)));
    QPoint b(twipsToPx(variantDouble(prop("X2"), 0)), twipsToPx(variantDouble(prop("Y2"), 0)));
    int pad = std::clamp(intProp("BorderWidth", 1), 1, 100) / 2 + 1;
    return QRect(a, b).normalized().adjusted(-pad, -pad, pad, pad);
  }

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    line_ = new LineWidget(parent);
    return line_;
  }
  void applyAll() override { applyColours(); }
  void applyColours() override {
    QRect g = modelGeometry();
    QPointF a(twipsToPx(variantDouble(prop("X1"), 0)) - g.left(),
              twipsToPx(variantDouble(prop("Y1"), 0)) - g.top());
    QPointF b(twipsToPx(variantDouble(prop("X2"), 0)) - g.left(),
              twipsToPx(variantDouble(prop("Y2"), 0)) - g.top());
    line_->setLine(a, b, colourProp("BorderColor"), intProp("BorderWidth", 1), intProp("BorderStyle", 1));
  }
  bool apply(std::string_view what) override {
    for (auto p : {"X1", "Y1", "X2", "Y2", "BorderWidth"})
      if (is(what, p)) {
        widget_->setGeometry(modelGeometry());
        applyColours();
        return true;
      }
    if (is(what, "BorderColor") || is(what, "BorderStyle")) {
      applyColours();
      return true;
    }
    return false;
  }

 private:
  LineWidget* line_ = nullptr;
};

// ================================================================ ListBox, ComboBox

// Draws an item's tab-separated parts in columns at the list's tab stops.
class TabStopDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::vector<int> stopsDlu;

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QString text = index.data().toString();
    if (!text.contains(QLatin1Char('\t'))) {
      QStyledItemDelegate::paint(p, option, index);
      return;
    }
    QStyleOptionViewItem o(option);
    initStyleOption(&o, index);
    o.text.clear();
    const QWidget* w = o.widget;
    QStyle* style = w ? w->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
    QFontMetrics fm(o.font);
    double dlu = std::max(1.0, fm.averageCharWidth() / 4.0);  // horizontal dialog unit
    QRect r = o.rect.adjusted(2, 0, -2, 0);
    p->save();
    p->setFont(o.font);
    p->setPen(
        o.palette.color((o.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    QStringList parts = text.split(QLatin1Char('\t'));
    int x = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
      if (i > 0) x = nextStop(x, dlu);
      int nextX = i + 1 < parts.size() ? nextStop(x + fm.horizontalAdvance(parts[i]), dlu) : r.width();
      QRect cell(r.left() + x, r.top(), std::max(0, std::min(nextX, r.width()) - x), r.height());
      p->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, parts[i]);
      x += fm.horizontalAdvance(parts[i]);
    }
    p->restore();
  }

 private:
  // The first tab stop right of `x` (pixels): the list's stops, one stop repeated, or every 32 units.
  int nextStop(int x, double dlu) const {
    if (stopsDlu.size() > 1) {
      for (int s : stopsDlu)
        if (s * dlu > x) return static_cast<int>(s * dlu);
      return x + static_cast<int>(8 * dlu);
    }
    double step = (stopsDlu.size() == 1 && stopsDlu[0] > 0 ? stopsDlu[0] : 32) * dlu;
    return static_cast<int>((std::floor(x / step) + 1) * step);
  }
};

class ListBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    list_ = new QListWidget(parent);
    delegate_ = new TabStopDelegate(list_);
    list_->setItemDelegate(delegate_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long entries are cut, as in a list box
    QObject::connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (updating_ || detached_) return;
      later([this, row] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || row >= lb->listCount()) return;
        if (input("Click", [lb, row] { lb->setListIndex(row); })) apply("ListIndex");
      });
    });
    return list_;
  }
  void applyAll() override { apply("List"); }
  void applyColours() override {
    setRole(list_, QPalette::Base, colourProp("BackColor"));
    setRole(list_, QPalette::Text, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    if (is(what, "List")) {
      updating_ = true;
      delegate_->stopsDlu = lb->tabStops();
      list_->clear();
      for (const std::string& item : lb->items()) list_->addItem(qs(item));
      list_->setCurrentRow(lb->listIndex());
      updating_ = false;
      list_->viewport()->update();
    } else if (is(what, "ListIndex")) {
      updating_ = true;
      list_->setCurrentRow(lb->listIndex());
      updating_ = false;
    } else {
      return false;
    }
    return true;
  }

 private:
  QListWidget* list_ = nullptr;
  TabStopDelegate* delegate_ = nullptr;
  bool updating_ = false;
};

class ComboBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    combo_ = new QComboBox(parent);
    // Style 2 is a drop-down list; the others take typed text too.
    combo_->setEditable(intProp("Style") != 2);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(combo_, &QComboBox::activated, this, [this](int i) {
      if (updating_ || detached_) return;
      later([this, i] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || i < 0 || i >= lb->listCount()) return;
        if (input("Click", [lb, i] { lb->setListIndex(i); })) applyAll();
      });
    });
    if (QLineEdit* le = combo_->lineEdit()) {
      QObject::connect(le, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (detached_) return;
        Control* c = &control_;
        std::string text = utf8(t);
        input("Change", [c, text] { c->form().userText(*c, text); });
      });
    }
    return combo_;
  }
  void applyAll() override {
    apply("List");
    apply("Text");
  }
  void applyColours() override {
    setRole(combo_, QPalette::Base, colourProp("BackColor"));
    setRole(combo_, QPalette::Text, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    updating_ = true;
    bool handled = true;
    if (is(what, "List")) {
      combo_->clear();
      for (const std::string& item : lb->items()) combo_->addItem(qs(item));
      combo_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "ListIndex")) {
      combo_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "Text")) {
      QString t = textProp("Text");
      if (combo_->isEditable()) {
        if (combo_->currentText() != t) combo_->setEditText(t);
      } else if (int i = combo_->findText(t); i >= 0) {
        combo_->setCurrentIndex(i);
      }
    } else if (is(what, "Style")) {
      updating_ = false;
      recreate();
      return true;
    } else {
      handled = false;
    }
    updating_ = false;
    return handled;
  }

 private:
  QComboBox* combo_ = nullptr;
  bool updating_ = false;
};

// ================================================================ TabStrip

class TabStripWidget : public QWidget {
 public:
  explicit TabStripWidget(QWidget* parent) : QWidget(parent), bar(new QTabBar(this)) {
    bar->setDrawBase(false);
    bar->setExpanding(false);
    bar->setUsesScrollButtons(true);
    bar->setElideMode(Qt::ElideNone);
  }
  QTabBar* bar;
  static int rowHeight() { return twipsToPx(platform::ui::TabStripControl::kTabRowHeight); }

 protected:
  void resizeEvent(QResizeEvent*) override { bar->setGeometry(0, 0, width(), rowHeight()); }
  void paintEvent(QPaintEvent*) override {
    // The page area below the tabs: a raised panel.
    QPainter p(this);
    QRect r(0, rowHeight() - 1, width() - 1, height() - rowHeight());
    p.fillRect(r, palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
};

class TabStripView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    strip_ = new TabStripWidget(parent);
    QObject::connect(strip_->bar, &QTabBar::currentChanged, this, [this](int i) {
      if (!updating_ && !detached_ && i >= 0) later([this, i] { userSelect(i); });
    });
    // A click on the selected tab is a click too.
    QObject::connect(strip_->bar, &QTabBar::tabBarClicked, this, [this](int i) {
      if (!updating_ && !detached_ && i >= 0 && i == strip_->bar->currentIndex())
        later([this, i] { userSelect(i); });
    });
    return strip_;
  }
  void userSelect(int i) {
    auto* ts = dynamic_cast<platform::ui::TabStripControl*>(&control_);
    if (!ts || i >= ts->count()) return;
    if (input("Click", [ts, i] { ts->form().userSelectTab(*ts, Variant(static_cast<int32_t>(i + 1))); }))
      apply("SelectedItem");
  }
  void applyAll() override { apply("Tabs"); }
  void applyColours() override { setRole(strip_, QPalette::Window, colourProp("BackColor")); }
  bool apply(std::string_view what) override {
    auto* ts = dynamic_cast<platform::ui::TabStripControl*>(&control_);
    if (!ts) return false;
    if (is(what, "Tabs") || is(what, "ImageList")) {
      const platform::ui::ImageListControl* images = nullptr;
      std::string listName = utf8(textProp("ImageList"));
      if (!listName.empty())
        images = dynamic_cast<const platform::ui::ImageListControl*>(control_.form().findControl(listName));
      updating_ = true;
      QTabBar* bar = strip_->bar;
      while (bar->count() > 0) bar->removeTab(bar->count() - 1);
      for (const platform::ui::Tab& t : ts->tabs()) {
        int i = bar->addTab(qs(t.caption));
        bar->setTabData(i, qs(t.key));
        bar->setTabToolTip(i, qs(t.toolTipText));
        if (images && t.image > 0)
          if (const platform::ui::ListImage* li = images->image(Variant(t.image)))
            bar->setTabIcon(i, QIcon(pixmapFromPicture(li->picture)));
      }
      bar->setCurrentIndex(ts->selectedPosition() - 1);
      updating_ = false;
    } else if (is(what, "SelectedItem")) {
      updating_ = true;
      strip_->bar->setCurrentIndex(ts->selectedPosition() - 1);
      updating_ = false;
    } else {
      return false;
    }
    return true;
  }

 private:
  TabStripWidget* strip_ = nullptr;
  bool updating_ = false;
};

// ================================================================ StatusBar

class StatusBarView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  QWidget* makeWidget(QWidget* parent) override {
    bar_ = new StatusBarWidget(parent);
    return bar_;
  }
  void applyAll() override {
    apply("Panels");
    apply("Style");
  }
  void applyColours() override {
    setRole(bar_, QPalette::Window, colourProp("BackColor"));
    setRole(bar_, QPalette::WindowText, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    auto* sb = dynamic_cast<platform::ui::StatusBarControl*>(&control_);
    if (!sb) return false;
    if (is(what, "Panels") || is(what, "Width")) {
      // The bar spreads its panels when it is sized, after it told of the new width.
      sb->layoutPanels();
      std::vector<PanelData> panels;
      for (const platform::ui::Panel& p : sb->panels()) {
        PanelData d;
        d.key = qs(p.key);
        d.text = qs(p.text);
        d.toolTip = qs(p.toolTipText);
        d.picture = p.style == "picture";
        d.pixmap = pixmapFromPicture(p.picture);
        d.left = twipsToPx(p.left);
        d.width = twipsToPx(p.width);
        d.visible = p.visible;
        panels.push_back(std::move(d));
      }
      bar_->setPanels(std::move(panels));
      if (is(what, "Width")) return false;  // the geometry too
    } else if (is(what, "Style") || is(what, "SimpleText")) {
      bar_->setSimpleText(intProp("Style") == 1, textProp("SimpleText"));
    } else {
      return false;
    }
    return true;
  }

 private:
  StatusBarWidget* bar_ = nullptr;
};

// ================================================================ user controls

// Label, text and unit in one row.
class LabelTextUnitWidget : public QWidget {
 public:
  explicit LabelTextUnitWidget(QWidget* parent)
      : QWidget(parent), label(new QLabel(this)), edit(new QLineEdit(this)), unit(new QLabel(this)) {
    label->setTextFormat(Qt::PlainText);
    unit->setTextFormat(Qt::PlainText);
  }
  QLabel* label;
  QLineEdit* edit;
  QLabel* unit;

  void setLabelText(const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    relayoutColumn();
  }

  // The least width of the value part: a signed number of seven digits and its decimal point
  // ("-1234.567"), so that no digit and no sign is ever cut off.
  int minValueWidth() const {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    return edit->fontMetrics().horizontalAdvance(QStringLiteral("-8888.888")) + 2 * frame + 2 * 2 + 2 + kGap;
  }

 protected:
  void resizeEvent(QResizeEvent*) override { relayoutColumn(); }

 private:
  static constexpr int kGap = 3;

  // Rows stacked in one container with the same left edge and width form a column: their
  // value fields stand at one x, after the widest label of the column.
  std::vector<LabelTextUnitWidget*> column() {
    std::vector<LabelTextUnitWidget*> rows;
    if (QWidget* parent = parentWidget()) {
      for (QObject* o : parent->children()) {
        auto* row = dynamic_cast<LabelTextUnitWidget*>(o);
        if (row && row->x() == x() && row->width() == width()) rows.push_back(row);
      }
    }
    if (rows.empty()) rows.push_back(this);
    return rows;
  }

  int labelNeed() const {
    return label->text().isEmpty() ? 0 : label->fontMetrics().horizontalAdvance(label->text()) + 2 * kGap;
  }

  void relayoutColumn() {
    const std::vector<LabelTextUnitWidget*> rows = column();
    int need = 0;
    for (LabelTextUnitWidget* row : rows) need = std::max(need, row->labelNeed());
    for (LabelTextUnitWidget* row : rows) row->place(need);
  }

  void place(int columnLabelNeed) {
    // Fixed shares keep stacked rows in line; the value takes at least what a number needs, a
    // long label takes its room from the unit, and where the row is too narrow for both the
    // label gives way, never the digits.
    const int w = width(), h = height();
    const int ew = std::min(w, std::max(w * 35 / 100, minValueWidth()));
    const int lw = std::max(0, std::min(std::max(w * 45 / 100, columnLabelNeed), w - ew));
    label->setGeometry(0, 0, std::max(0, lw - kGap), h);
    edit->setGeometry(lw, 0, std::max(0, ew - kGap), h);
    unit->setGeometry(lw + ew, 0, std::max(0, w - lw - ew), h);
  }
};

class UserView : public ControlView {
 public:
  enum class Kind { Text, Combo, LabelTextUnit, Digital, Needle, BarGraph, Plotter, Lamp, Unknown };

  UserView(FormWindow& owner, Control& control, Kind kind) : ControlView(owner, control), kind_(kind) {}

 protected:
  platform::ui::UserControl& user() const { return static_cast<platform::ui::UserControl&>(control_); }

  QWidget* makeWidget(QWidget* parent) override {
    switch (kind_) {
      case Kind::Text: {
        edit_ = new QLineEdit(parent);
        connectEdit(edit_);
        return edit_;
      }
      case Kind::Combo: {
        combo_ = new QComboBox(parent);
        QObject::connect(combo_, &QComboBox::activated, this, [this](int i) {
          if (updating_ || detached_ || i < 0) return;
          std::string text = utf8(combo_->itemText(i));
          later([this, text] {
            auto* u = &user();
            if (input("Select", [u, text] { u->impl().userInput("select", Variant(text)); })) refresh();
          });
        });
        return combo_;
      }
      case Kind::LabelTextUnit: {
        ltu_ = new LabelTextUnitWidget(parent);
        edit_ = ltu_->edit;
        connectEdit(edit_);
        return ltu_;
      }
      case Kind::Digital:
        digital_ = new DigitalWidget(parent);
        return digital_;
      case Kind::Needle:
        instrument_ = new NeedleWidget(parent);
        return instrument_;
      case Kind::BarGraph:
        instrument_ = new BarGraphWidget(parent);
        return instrument_;
      case Kind::Plotter:
        plotter_ = new PlotterWidget(parent);
        return plotter_;
      case Kind::Lamp:
        lamp_ = new PictureWidget(parent);
        lamp_->setMode(PictureWidget::Mode::Fit);
        return lamp_;
      case Kind::Unknown:
        break;
    }
    return new UnknownControlWidget(qs(control_.typeName()), parent);
  }

  void connectEdit(QLineEdit* e) {
    // Committed when the user finishes (Enter or leaving the field), not per keystroke:
    // each commit writes the host's item.
    QObject::connect(e, &QLineEdit::editingFinished, this, [this, e] {
      if (detached_ || updating_ || !e->isModified()) return;
      e->setModified(false);
      Control* c = &control_;
      std::string text = utf8(e->text());
      if (input("Input", [c, text] { c->form().userText(*c, text); })) refresh();
    });
  }

  void applyAll() override { refresh(); }
  bool apply(std::string_view what) override {
    if (is(what, "Enabled")) {
      widget_->setEnabled(boolProp("Enabled", true));
      refresh();  // a combo box is also disabled while its item cannot be written
      return true;
    }
    for (auto p : {"Left", "Top", "Width", "Height", "Visible", "ToolTipText", "ZOrder"})
      if (is(what, p)) return false;
    refresh();  // anything else is what the control shows
    return true;
  }

  void refresh() {
    using Snapshot = std::map<std::string, Variant, platform::ui::NoCaseLess>;
    Snapshot s;
    try {
      for (auto& [k, v] : user().impl().snapshot()) s[k] = v;
    } catch (const std::exception& e) {
      platform::ui::EventLoop::instance().reportError(control_.form().name() + "." + control_.qualifiedName(),
                                                      e.what());
    }
    auto text = [&](const char* k) {
      auto it = s.find(k);
      return it == s.end() ? QString() : variantText(it->second);
    };
    auto number = [&](const char* k, double fallback) {
      auto it = s.find(k);
      return it == s.end() ? fallback : variantDouble(it->second, fallback);
    };
    auto flag = [&](const char* k, bool fallback) {
      auto it = s.find(k);
      return it == s.end() ? fallback : variantBool(it->second, fallback);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    updating_ = true;
    switch (kind_) {
      case Kind::Text:
        showEdit(edit_, text("Text"), flag("Editable", false));
        break;
      case Kind::LabelTextUnit:
        ltu_->setLabelText(text("LabelText"));
        ltu_->unit->setText(text("UnitText"));
        showEdit(edit_, text("Text"), flag("Editable", false));
        break;
      case Kind::Combo: {
        QStringList entries = text("Entries").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList had;
        for (int i = 0; i < combo_->count(); ++i) had << combo_->itemText(i);
        if (had != entries) {
          combo_->clear();
          combo_->addItems(entries);
        }
        QString current = text("Text");
        int i = entries.indexOf(current);
        combo_->setCurrentIndex(i);
        combo_->setPlaceholderText(i < 0 ? current : QString());  // a value outside the list still shows
        bool editable = flag("Editable", false);
        combo_->setEnabled(editable && boolProp("Enabled", true));
        break;
      }
      case Kind::Digital:
        digital_->setTexts(text("Caption"), text("Text"), text("UnitText"));
        break;
      case Kind::Needle:
      case Kind::BarGraph: {
        InstrumentData d;
        d.caption = text("Caption");
        d.value = number("Value", nan);
        d.min = number("Min", nan);
        d.max = number("Max", nan);
        d.valueText = text("ValueText");
        d.unitText = text("UnitText");
        d.overRange = flag("OverRange", false);
        d.underRange = flag("UnderRange", false);
        // The face and ink the design gives the instrument.
        for (auto [key, colour] : {std::pair{"BackColor", &d.face}, std::pair{"ForeColor", &d.ink}}) {
          auto it = s.find(key);
          if (it != s.end() && !it->second.isEmpty())
            *colour = oleColor(it->second.toLong(), instrument_->palette());
        }
        instrument_->setData(d);
        break;
      }
      case Kind::Plotter:
        plotter_->setCurves(parseCurves(text("Curves")), number("TimeSpanMs", 0));
        break;
      case Kind::Lamp: {
        QPixmap pm;
        try {
          pm = pixmapFromPicture(user().impl().picture());
        } catch (const std::exception&) {
        }
        lamp_->setPicture(pm);
        break;
      }
      case Kind::Unknown:
        break;
    }
    updating_ = false;
  }

  static void showEdit(QLineEdit* e, const QString& t, bool editable) {
    e->setReadOnly(!editable);
    // What the user is typing is not overwritten by a value arriving meanwhile.
    if (e->hasFocus() && e->isModified()) return;
    if (e->text() != t) e->setText(t);
    e->setModified(false);
  }

 private:
  Kind kind_;
  QLineEdit* edit_ = nullptr;
  QComboBox* combo_ = nullptr;
  LabelTextUnitWidget* ltu_ = nullptr;
  DigitalWidget* digital_ = nullptr;
  InstrumentWidget* instrument_ = nullptr;
  PlotterWidget* plotter_ = nullptr;
  PictureWidget* lamp_ = nullptr;
  bool updating_ = false;
};

}  // namespace

std::unique_ptr<ControlView> makeView(FormWindow& owner, Control& control) {
  switch (control.type()) {
    case ControlType::Label:
      return std::make_unique<LabelView>(owner, control);
    case ControlType::Frame:
      return std::make_unique<FrameView>(owner, control);
    case ControlType::TextBox:
      return std::make_unique<TextBoxView>(owner, control);
    case ControlType::CommandButton:
      return std::make_unique<CommandButtonView>(owner, control);
    case ControlType::OptionButton:
      return std::make_unique<OptionButtonView>(owner, control);
    case ControlType::CheckBox:
      return std::make_unique<CheckBoxView>(owner, control);
    case ControlType::Image:
    case ControlType::PictureBox:
      return std::make_unique<ImageView>(owner, control);
    case ControlType::Shape:
      return std::make_unique<ShapeView>(owner, control);
    case ControlType::Line:
      return std::make_unique<LineView>(owner, control);
    case ControlType::ListBox:
      return std::make_unique<ListBoxView>(owner, control);
    case ControlType::ComboBox:
      return std::make_unique<ComboBoxView>(owner, control);
    case ControlType::TabStrip:
      return std::make_unique<TabStripView>(owner, control);
    case ControlType::StatusBar:
      return std::make_unique<StatusBarView>(owner, control);
    case ControlType::User: {
      static const std::map<std::string, UserView::Kind, platform::ui::NoCaseLess> kinds = {
          {"Tolvar4Text", UserView::Kind::Text},
          {"Tolvar4Combo", UserView::Kind::Combo},
          {"Tolvar4LabelTextUnit", UserView::Kind::LabelTextUnit},
          {"Tolvar4Digital", UserView::Kind::Digital},
          {"Tolvar4Needle", UserView::Kind::Needle},
          {"Tolvar4BarGraph", UserView::Kind::BarGraph},
          {"Tolvar4Plotter", UserView::Kind::Plotter},
          {"VEXAONOFF", UserView::Kind::Lamp},
      };
      std::string type = control.typeName();
      if (equalsNoCase(type, "Tolvar4CtrlItemHandler")) return nullptr;  // works unseen
      auto it = kinds.find(type);
      return std::make_unique<UserView>(owner, control,
                                        it == kinds.end() ? UserView::Kind::Unknown : it->second);
    }
    default:
      return nullptr;
  }
}

}  // namespace frontend::qt
