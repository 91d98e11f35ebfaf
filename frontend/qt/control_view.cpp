// The view of one control: what every kind of control shares (geometry, font, colours,
// visibility, mouse events), and the choice of a view for a control.

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "frontend/qt/control_views.h"
#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// One application filter for every view's widget: a filter on each widget gave each its own
// filter list. It sees an event before the widget's own filters do, so it leaves an event over
// a control that the container draws (a caption) to that container's filter.
class ViewInput : public QObject {
 public:
  static ViewInput* get(bool make) {
    static QPointer<ViewInput> one;
    if (!one && make && qApp) {
      one = new ViewInput(qApp);
      qApp->installEventFilter(one);
    }
    return one;
  }
  void add(const QWidget* w, ControlView* v) { views_[w] = v; }
  void remove(const QWidget* w, const ControlView* v) {
    auto it = views_.find(w);
    if (it != views_.end() && it->second == v) views_.erase(it);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::ContextMenu:
        break;
      default:
        return false;
    }
    if (!watched->isWidgetType()) return false;
    // The parts of a control's widget (a combo box's field) are its own; windows are not.
    for (auto* w = static_cast<QWidget*>(watched); w; w = w->isWindow() ? nullptr : w->parentWidget()) {
      auto it = views_.find(w);
      if (it == views_.end()) continue;
      if (it->second->widget() != w) {  // gone with its container, the address taken again
        views_.erase(it);
        continue;
      }
      if (w == watched && event->type() != QEvent::ContextMenu)
        if (DrawnControls* d = DrawnControls::of(w);
            d && d->takesMouseAt(static_cast<QMouseEvent*>(event)->position()))
          return false;
      return it->second->widgetInput(event);
    }
    return false;
  }

 private:
  using QObject::QObject;
  std::unordered_map<const QObject*, ControlView*> views_;
};

}  // namespace

// ================================================================ ControlView

ControlView::ControlView(FormWindow& owner, Control& control) : owner_(owner), control_(control) {}

ControlView::~ControlView() {
  release();
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
  release();
}

void ControlView::release() {
  if (detached_) return;
  detached_ = true;
  control_.removeObserver(this);
  unwatch();
  if (widget_) disposeObject(widget_.data());
  widget_ = nullptr;
}

void ControlView::recreate() {
  if (!widget_) return;
  QWidget* parent = widget_->parentWidget();
  unwatch();
  disposeObject(widget_.data());
  made_ = owner_.nextMade();  // last in the Tab order, as a widget made now is
  widget_ = makeWidget(parent);
  if (!widget_) return;
  watch(widget_);
  applyCommon();
  applyAll();
  owner_.restack(control_.container());
}

void ControlView::watch(QWidget* w) {
  unwatch();
  if (ViewInput* in = ViewInput::get(true)) in->add(w, this);
  watched_ = w;
}

void ControlView::unwatch() {
  // By the address kept: the widget may have gone with its container already.
  if (ViewInput* in = ViewInput::get(false); in && watched_) in->remove(watched_, this);
  watched_ = nullptr;
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
    bool visible = boolProp("Visible", true);
    widget_->setVisible(visible);
    if (!control_.children().empty()) {
      if (visible)
        owner_.containerShown();
      else
        owner_.containerHidden();
    }
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

bool ControlView::widgetInput(QEvent* event) {
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

bool ControlView::inputClick() {
  Control* c = &control_;
  return input("Click", [c] { c->form().userClick(*c); });
}

bool ControlView::inputText(const std::string& where, const QString& text, bool* taken) {
  Control* c = &control_;
  std::string t = utf8(text);
  return input(where, [c, t, taken] {
    bool kept = c->form().userText(*c, t);
    if (taken) *taken = kept;
  });
}

void ControlView::applyEach(std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) apply(name);
}

void ControlView::applyColourRoles(QWidget* w, QPalette::ColorRole back, QPalette::ColorRole fore) {
  setRole(w, back, colourProp("BackColor"));
  setRole(w, fore, colourProp("ForeColor"));
}

void showReadOnly(QWidget* field, bool readOnly, bool ownBackground) {
  field->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
  if (!ownBackground)
    setRole(field, QPalette::Base,
            QApplication::palette(field).color(readOnly ? QPalette::Window : QPalette::Base));
}

std::unique_ptr<ControlView> makeView(FormWindow& owner, Control& control) {
  switch (control.type()) {
    case ControlType::Label:
    case ControlType::TextBox:
      return makeTextView(owner, control);
    case ControlType::CommandButton:
    case ControlType::OptionButton:
    case ControlType::CheckBox:
      return makeButtonView(owner, control);
    case ControlType::Frame:
    case ControlType::TabStrip:
    case ControlType::StatusBar:
      return makeContainerView(owner, control);
    case ControlType::Image:
    case ControlType::PictureBox:
    case ControlType::Shape:
    case ControlType::Line:
      return makePictureView(owner, control);
    case ControlType::ListBox:
    case ControlType::ComboBox:
      return makeListView(owner, control);
    case ControlType::User:
      return makeUserView(owner, control);
    default:
      return nullptr;
  }
}

}  // namespace frontend::qt
