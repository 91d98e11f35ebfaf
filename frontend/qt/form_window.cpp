#include "frontend/qt/form_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"
#include "platform/com/error.h"
#include "platform/ui/event_loop.h"

namespace frontend::qt {

using platform::com::equalsNoCase;
using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;
using platform::ui::MenuControl;

// ================================================================ input scope, disposal

namespace {
int gInputDepth = 0;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> gAfterInput;
}  // namespace

InputScope::InputScope() {
  ++gInputDepth;
}
InputScope::~InputScope() {
  if (--gInputDepth > 0 || gAfterInput.empty()) return;
  auto due = std::move(gAfterInput);
  gAfterInput.clear();
  for (auto& [context, f] : due)
    if (context) f();
}
bool InputScope::active() {
  return gInputDepth > 0;
}
void InputScope::whenDone(QObject* context, std::function<void()> f) {
  gAfterInput.emplace_back(context, std::move(f));
}

void disposeObject(QObject* o) {
  if (!o) return;
  if (auto* w = qobject_cast<QWidget*>(o)) w->hide();
  if (InputScope::active())
    o->deleteLater();
  else
    delete o;
}

void runGuarded(platform::ui::Form* form, const std::string& where, const std::function<void()>& f) {
  platform::com::Ptr<platform::ui::Form> keep(form);
  InputScope scope;
  std::string place = (form ? form->name() + "." : std::string()) + where;
  platform::ui::EventLoop::instance().runReported(place, f);
  try {
    platform::ui::EventLoop::instance().drainPosted();
  } catch (const std::exception& e) {
    platform::ui::EventLoop::instance().reportError(place, e.what());
  }
}

// ================================================================ the window

class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(FormWindow* owner) : QWidget(nullptr, Qt::Window), owner_(owner) {}
  void release() { owner_ = nullptr; }

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (!owner_) return;
    owner_->layoutWindow();
    owner_->userResized();
  }
  void closeEvent(QCloseEvent* e) override {
    // The model decides: it hides or unloads the form, or refuses, and the window follows.
    // A close the model allowed is accepted, so that Qt knows when the last window closed.
    e->setAccepted(owner_ ? owner_->userClose() : true);
  }
  void changeEvent(QEvent* e) override {
    QWidget::changeEvent(e);
    if (owner_ && e->type() == QEvent::WindowStateChange) owner_->userWindowState();
    // The window the user turns to owns what comes next.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() &&
        !testAttribute(Qt::WA_ShowWithoutActivating))
      FormWindow::lastShown() = this;
  }
  void keyPressEvent(QKeyEvent* e) override {
    // Enter and Escape that no control took press the form's default and cancel buttons.
    if (owner_ && e->modifiers() == Qt::NoModifier) {
      if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && owner_->pressButton("Default")) return;
      if (e->key() == Qt::Key_Escape && owner_->pressButton("Cancel")) return;
    }
    QWidget::keyPressEvent(e);
  }

 private:
  FormWindow* owner_;
};

namespace {

// The client area: the form's background, and the form's own right-button release.
class ClientWidget : public QWidget {
 public:
  ClientWidget(QWidget* parent, FormWindow* owner) : QWidget(parent), owner_(owner) {
    setAutoFillBackground(true);
    new DrawnControls(this);
  }
  void release() { owner_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    DrawnControls::paintIn(this, p, e->rect());
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (owner_ && e->button() == Qt::RightButton) {
      owner_->userMouseUp(owner_->form(), this, e->position());
      return;
    }
    QWidget::mouseReleaseEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }

 private:
  FormWindow* owner_;
};

// Menu shortcuts as the designs write them: "^S" Ctrl+S, "+{F5}" Shift+F5, "%X" Alt+X.
QKeySequence shortcutFromModel(const std::string& s) {
  if (s.empty()) return {};
  QString out;
  size_t i = 0;
  for (; i < s.size(); ++i) {
    if (s[i] == '^')
      out += QStringLiteral("Ctrl+");
    else if (s[i] == '+')
      out += QStringLiteral("Shift+");
    else if (s[i] == '%')
      out += QStringLiteral("Alt+");
    else
      break;
  }
  std::string key = s.substr(i);
  if (key.size() > 2 && key.front() == '{' && key.back() == '}') key = key.substr(1, key.size() - 2);
  if (equalsNoCase(key, "DEL") || equalsNoCase(key, "DELETE")) key = "Del";
  if (equalsNoCase(key, "INSERT")) key = "Ins";
  if (equalsNoCase(key, "BKSP")) key = "Backspace";
  out += qs(key);
  return QKeySequence(out);
}

}  // namespace

std::vector<MenuControl*> menuOrder(const std::vector<MenuControl*>& entries) {
  std::vector<MenuControl*> out;
  out.reserve(entries.size());
  for (MenuControl* e : entries) {
    if (std::find(out.begin(), out.end(), e) != out.end()) continue;
    if (e->index() < 0) {
      out.push_back(e);
      continue;
    }
    std::vector<MenuControl*> group;
    for (MenuControl* g : entries)
      if (g->index() >= 0 && equalsNoCase(g->name(), e->name())) group.push_back(g);
    std::sort(group.begin(), group.end(),
              [](MenuControl* a, MenuControl* b) { return a->index() < b->index(); });
    out.insert(out.end(), group.begin(), group.end());
  }
  return out;
}

namespace {

// Whether `m` or an entry beneath it has a shortcut.
bool hasShortcut(const MenuControl& m) {
  if (!m.getProperty("Shortcut").toString().empty()) return true;
  for (MenuControl* e : m.entries())
    if (hasShortcut(*e)) return true;
  return false;
}

}  // namespace

std::vector<MenuControl*> menuEntries(const Control& parent) {
  std::vector<MenuControl*> entries;
  for (Control* c : parent.children())
    if (auto* m = dynamic_cast<MenuControl*>(c)) entries.push_back(m);
  return menuOrder(entries);
}

// ================================================================ FormWindow

FormWindow::FormWindow(platform::ui::Form& form) : form_(form) {
  window_ = new WindowWidget(this);
  window_->setAttribute(Qt::WA_DeleteOnClose, false);
  client_ = new ClientWidget(window_, this);
  if (form_.hasMenuBar()) {
    menuBar_ = new QMenuBar(window_);
    menuBar_->setNativeMenuBar(false);  // the model counts the menu bar into the window's height
  }
  form_.addObserver(this);
  for (const auto& c : form_.controls()) addView(*c);
  for (auto& c : form_.controls())
    if (!c->children().empty()) restack(c.get());
  restack(&form_);
  if (menuBar_) rebuildMenus();
  for (auto p : {"Caption", "BackColor", "MousePointer", "Enabled"}) applyFormProperty(p);
  applyWindowFlags();
  syncGeometry();
}

FormWindow::~FormWindow() {
  detach();
}

void FormWindow::detach() {
  if (detached_) return;
  detached_ = true;
  form_.removeObserver(this);
  for (Control* c : observed_) c->removeObserver(this);
  observed_.clear();
  waiting_.clear();
  for (auto& [c, v] : views_) v->detach();
  // The views themselves may be on the stack of the input that ended the window.
  for (auto& [c, v] : views_) {
    if (InputScope::active())
      v.release()->deleteLater();
    else
      v.reset();
  }
  views_.clear();
  actions_.clear();
  unfilled_.clear();
  if (window_) {
    window_->release();
    if (auto* cw = dynamic_cast<ClientWidget*>(client_.data())) cw->release();
    disposeObject(window_.data());
  }
  window_ = nullptr;
  client_ = nullptr;
  menuBar_ = nullptr;
}

QWidget* FormWindow::window() const {
  return window_;
}

ControlView* FormWindow::viewFor(const Control& control) const {
  auto it = views_.find(&control);
  return it == views_.end() ? nullptr : it->second.get();
}

QWidget* FormWindow::widgetFor(const Control& control) const {
  if (&control == &form_) return window_;
  ControlView* v = viewFor(control);
  return v ? v->widget() : nullptr;
}

QAction* FormWindow::builtAction(const MenuControl& menu) const {
  auto it = actions_.find(&menu);
  return it == actions_.end() ? nullptr : it->second.data();
}

QAction* FormWindow::actionFor(const MenuControl& menu) {
  if (pendingEntry(menu))
    if (auto* parent = dynamic_cast<const MenuControl*>(menu.container())) {
      actionFor(*parent);
      fillPending(*parent);
    }
  fillPending(menu);
  return builtAction(menu);
}

QWidget* FormWindow::parentWidgetFor(const Control& control) const {
  const Control* container = control.container();
  if (container && container != &form_)
    if (QWidget* w = widgetFor(*container)) return w;
  return client_;
}

void FormWindow::addView(Control& control) {
  switch (control.type()) {
    case ControlType::Menu:
    case ControlType::ImageList:
      // Menus live in the menu bar; image lists only feed tab strips.
      control.addObserver(this);
      observed_.push_back(&control);
      return;
    default:
      break;
  }
  if (waitsForContainer(control)) {
    waiting_.push_back(&control);
    return;
  }
  createView(control);
}

void FormWindow::createView(Control& control) {
  std::unique_ptr<ControlView> view = makeView(*this, control);
  if (!view) return;
  view->setMade(nextMade());
  view->create(parentWidgetFor(control));
  views_[&control] = std::move(view);
}

bool FormWindow::waitsForContainer(const Control& control) const {
  for (const Control* c = control.container(); c && c != &form_; c = c->container())
    if (!c->getProperty("Visible").toBool()) return true;
  return false;
}

void FormWindow::containerShown() {
  if (detached_ || waiting_.empty()) return;
  // Containers come before what they hold, so one pass in order also makes the widgets of
  // frames nested in the page.
  std::vector<Control*> still;
  std::vector<const Control*> touched;
  for (Control* c : waiting_) {
    if (waitsForContainer(*c)) {
      still.push_back(c);
      continue;
    }
    createView(*c);
    if (std::find(touched.begin(), touched.end(), c->container()) == touched.end())
      touched.push_back(c->container());
  }
  waiting_ = std::move(still);
  for (const Control* k : touched) restack(k);
}

void FormWindow::containerHidden() {
  if (detached_ || releaseQueued_) return;
  releaseQueued_ = true;
  // Not at once: a handler that hides every page and then shows the selected one keeps that
  // page's widgets, and no widget goes while its own signal may be on the stack.
  QTimer::singleShot(0, this, [this] {
    releaseQueued_ = false;
    releaseHidden();
  });
}

bool FormWindow::finishInput() {
  // Only shown fields: the model takes no input from a hidden one.
  std::vector<const Control*> holding;
  for (const auto& [c, v] : views_)
    if (v->holdsInput() && c->effectivelyVisible()) holding.push_back(c);
  bool taken = true;
  for (const Control* c : holding) {
    if (detached_) return taken;  // a handler ended the window
    if (ControlView* v = viewFor(*c)) taken = v->finishInput() && taken;
  }
  return taken;
}

void FormWindow::releaseHidden() {
  if (detached_) return;
  // In a wait inside an input (a message box) the widget that called is still on the stack:
  // the pages left meanwhile give their widgets back once that input has ended.
  if (InputScope::active()) {
    InputScope::whenDone(this, [this] { containerHidden(); });
    return;
  }
  // The outermost hidden container of `c`, null when it is shown.
  auto page = [this](const Control& c) {
    const Control* hidden = nullptr;
    for (const Control* k = c.container(); k && k != &form_; k = k->container())
      if (!k->getProperty("Visible").toBool()) hidden = k;
    return hidden;
  };
  // A field that still holds an edit keeps its page (the model takes no input from a hidden
  // field, so the edit would be lost with its widget): it is there when the page shows again.
  std::vector<const Control*> kept;
  for (const auto& [c, v] : views_)
    if (v->holdsInput())
      if (const Control* p = page(*c)) kept.push_back(p);
  std::vector<std::pair<uint64_t, Control*>> gone;
  for (const auto& c : form_.controls()) {
    auto it = views_.find(c.get());
    if (it == views_.end()) continue;
    const Control* p = page(*c);
    if (p && std::find(kept.begin(), kept.end(), p) == kept.end())
      gone.emplace_back(it->second->made(), c.get());
  }
  if (gone.empty()) return;
  for (auto& [made, c] : gone) {
    auto it = views_.find(c);
    it->second->detach();
    views_.erase(it);
  }
  // Made again in the order they were made (containers before what they hold), before the
  // controls that waited already: what those wait for is among them or shown.
  std::sort(gone.begin(), gone.end());
  std::vector<Control*> waiting;
  waiting.reserve(gone.size() + waiting_.size());
  for (auto& [made, c] : gone) waiting.push_back(c);
  waiting.insert(waiting.end(), waiting_.begin(), waiting_.end());
  waiting_ = std::move(waiting);
}

void FormWindow::removeView(Control& control) {
  waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), &control), waiting_.end());
  auto it = views_.find(&control);
  if (it == views_.end()) return;
  it->second->detach();
  if (InputScope::active()) it->second.release()->deleteLater();
  views_.erase(it);
}

void FormWindow::controlAdded(Control& control) {
  if (detached_) return;
  addView(control);
  if (auto* m = dynamic_cast<MenuControl*>(&control))
    menuEntryAdded(*m);
  else
    restack(control.container());
}

void FormWindow::controlRemoved(Control& control) {
  if (detached_) return;
  auto it = std::find(observed_.begin(), observed_.end(), &control);
  if (it != observed_.end()) {
    control.removeObserver(this);
    observed_.erase(it);
  }
  if (auto* m = dynamic_cast<MenuControl*>(&control)) {
    menuEntryRemoved(*m);
    return;
  }
  removeView(control);
}

void FormWindow::restack(const Control* container) {
  if (detached_ || !container) return;
  std::vector<ControlView*> siblings;
  for (Control* c : container->children())
    if (ControlView* v = viewFor(*c); v && v->widget()) siblings.push_back(v);
  std::stable_sort(siblings.begin(), siblings.end(), [](ControlView* a, ControlView* b) {
    if (a->graphical() != b->graphical()) return a->graphical();
    return a->control().zIndex() < b->control().zIndex();
  });
  for (ControlView* v : siblings) v->widget()->raise();
}

// ---------------------------------------------------------------- menus

void FormWindow::applyMenu(MenuControl& m, QAction* a) {
  a->setText(qs(m.caption()));
  a->setEnabled(m.getProperty("Enabled").toBool());
  a->setVisible(m.getProperty("Visible").toBool());
  bool checked = m.getProperty("Checked").toBool();
  if (!a->menu()) {
    a->setCheckable(checked || a->isCheckable() || wereChecked_.count(&m));
    a->setChecked(checked);
    a->setShortcut(shortcutFromModel(m.getProperty("Shortcut").toString()));
  }
}

QAction* FormWindow::makeMenuAction(MenuControl& m, QWidget* parent) {
  QAction* a = nullptr;
  if (m.isSeparator()) {
    a = new QAction(parent);
    a->setSeparator(true);
    a->setVisible(m.getProperty("Visible").toBool());
    menuObjects_.push_back(a);
    actions_[&m] = a;
    return a;
  }
  if (!m.entries().empty()) {
    auto* sub = new QMenu(parent);
    menuObjects_.push_back(sub);
    a = sub->menuAction();
    actions_[&m] = a;
    if (hasShortcut(m))
      fillMenu(sub, m);  // a shortcut works only through its action
    else
      waitForOpening(m);
    // Opening a menu raises its Click: handlers bring their entries up to date first.
    QObject::connect(sub, &QMenu::aboutToShow, this, [this, mp = &m] {
      if (detached_) return;
      fillPending(*mp);
      runGuarded(&form_, mp->qualifiedName() + "_Click", [this, mp] { form_.userClick(*mp); });
    });
  } else {
    a = new QAction(parent);
    menuObjects_.push_back(a);
    actions_[&m] = a;
    QObject::connect(a, &QAction::triggered, this, [this, mp = &m] {
      if (detached_) return;
      runGuarded(&form_, mp->qualifiedName() + "_Click", [this, mp] { form_.userClick(*mp); });
    });
  }
  applyMenu(m, a);
  wereChecked_.erase(&m);
  return a;
}

void FormWindow::fillMenu(QMenu* menu, const MenuControl& parent) {
  for (MenuControl* e : menuEntries(parent)) menu->addAction(makeMenuAction(*e, menu));
}

void FormWindow::waitForOpening(const MenuControl& m) {
  unfilled_.insert(&m);
  std::function<void(const MenuControl&)> note = [&](const MenuControl& e) {
    for (MenuControl* c : e.entries()) {
      if (c->getProperty("Checked").toBool()) wereChecked_.insert(c);
      note(*c);
    }
  };
  note(m);
}

void FormWindow::fillPending(const MenuControl& m) {
  if (!unfilled_.erase(&m)) return;
  if (QAction* a = builtAction(m); a && a->menu()) fillMenu(a->menu(), m);
}

bool FormWindow::pendingEntry(const MenuControl& m) const {
  if (builtAction(m)) return false;
  for (auto* p = dynamic_cast<const MenuControl*>(m.container()); p;
       p = dynamic_cast<const MenuControl*>(p->container()))
    if (builtAction(*p)) return unfilled_.count(p) > 0;
  return false;
}

void FormWindow::rebuildMenus() {
  if (detached_ || !menuBar_) return;
  menuBar_->clear();
  for (QPointer<QObject>& o : menuObjects_)
    if (o) disposeObject(o.data());
  menuObjects_.clear();
  actions_.clear();
  unfilled_.clear();
  for (MenuControl* m : menuEntries(form_)) menuBar_->addAction(makeMenuAction(*m, menuBar_));
  updateMenuBar();
}

QWidget* FormWindow::menuHost(const MenuControl& m) const {
  Control* parent = m.container();
  if (parent == &form_) return menuBar_;
  auto* pm = dynamic_cast<MenuControl*>(parent);
  QAction* pa = pm ? builtAction(*pm) : nullptr;
  return pa ? pa->menu() : nullptr;
}

// Entries loaded at run time (a list of recent files, say) join their menu in place, also
// while that menu is about to open; the rest of the menus stays as it is.
void FormWindow::menuEntryAdded(MenuControl& m) {
  if (!menuBar_ || pendingEntry(m)) return;  // it joins when its menu is filled
  QWidget* host = menuHost(m);
  if (!host) {
    rebuildMenus();  // the parent had no entries yet and becomes a submenu
    return;
  }
  std::vector<MenuControl*> siblings = menuEntries(*m.container());
  QAction* before = nullptr;
  auto self = std::find(siblings.begin(), siblings.end(), &m);
  for (auto it = self == siblings.end() ? self : self + 1; it != siblings.end() && !before; ++it)
    before = builtAction(**it);
  host->insertAction(before, makeMenuAction(m, host));
  if (host == menuBar_) updateMenuBar();
}

void FormWindow::menuEntryRemoved(MenuControl& m) {
  wereChecked_.erase(&m);
  QAction* a = builtAction(m);
  if (!a) return;
  if (QWidget* host = menuHost(m)) host->removeAction(a);
  std::function<void(MenuControl&)> forget = [&](MenuControl& e) {
    actions_.erase(&e);
    unfilled_.erase(&e);
    for (MenuControl* c : e.entries()) forget(*c);
  };
  forget(m);
  disposeObject(a->menu() ? static_cast<QObject*>(a->menu()) : a);
  if (m.container() == &form_) updateMenuBar();
}

void FormWindow::updateMenuBar() {
  if (!menuBar_) return;
  // A form whose top-level menus are all hidden (popup menus only) shows no empty bar.
  bool any = false;
  for (MenuControl* m : menuEntries(form_)) any = any || m->getProperty("Visible").toBool();
  if (any == !menuBar_->isHidden()) return;
  menuBar_->setVisible(any);
  syncGeometry();
}

int FormWindow::menuBarHeight() const {
  if (!menuBar_ || menuBar_->isHidden()) return 0;
  // Constant, whether or not entries are visible, as the model's frame height is.
  return std::max(menuBar_->sizeHint().height(), QFontMetrics(menuBar_->font()).height() + 6);
}

// ---------------------------------------------------------------- tab strips and image lists

void FormWindow::refreshTabStrips() {
  for (auto& [c, v] : views_)
    if (c->type() == ControlType::TabStrip) v->controlChanged(const_cast<Control&>(*c), "ImageList");
}

// ---------------------------------------------------------------- model → window

void FormWindow::controlChanged(Control& control, std::string_view what) {
  if (detached_) return;
  if (&control == &form_) {
    applyFormProperty(what);
    return;
  }
  if (control.type() == ControlType::ImageList) {
    refreshTabStrips();
    return;
  }
  if (auto* m = dynamic_cast<MenuControl*>(&control)) {
    if (pendingEntry(*m)) {
      // Made from the model as it is then, when its menu opens; a shortcut needs it now.
      if (m->getProperty("Checked").toBool()) wereChecked_.insert(m);
      if (equalsNoCase(what, "Shortcut") && hasShortcut(*m)) actionFor(*m);
      return;
    }
    QAction* a = builtAction(*m);
    bool separatorNow = m->isSeparator();
    if (!a || (equalsNoCase(what, "Caption") && separatorNow != a->isSeparator())) {
      rebuildMenus();
      return;
    }
    if (a->isSeparator())
      a->setVisible(m->getProperty("Visible").toBool());
    else
      applyMenu(*m, a);
    if (m->container() == &form_ && equalsNoCase(what, "Visible")) updateMenuBar();
  }
}

void FormWindow::applyFormProperty(std::string_view what) {
  if (!window_) return;
  auto is = [&](const char* n) { return equalsNoCase(what, n); };
  if (is("Caption")) {
    window_->setWindowTitle(qs(form_.caption()));
  } else if (is("Width") || is("Height")) {
    if (!inUserResize_) syncGeometry();
  } else if (is("Left") || is("Top")) {
    if (form_.windowState() == platform::ui::kNormal)
      window_->move(twipsToPx(form_.left()), twipsToPx(form_.top()));
  } else if (is("BackColor")) {
    QPalette p = client_->palette();
    p.setColor(QPalette::Window, oleColor(form_.getProperty("BackColor").toLong()));
    client_->setPalette(p);
  } else if (is("MousePointer")) {
    Qt::CursorShape shape;
    if (cursorForPointer(form_.getProperty("MousePointer").toInteger(), shape))
      window_->setCursor(shape);
    else
      window_->unsetCursor();
  } else if (is("WindowState")) {
    applyWindowState();
  } else if (is("Enabled")) {
    window_->setEnabled(form_.getProperty("Enabled").toBool());
  } else if (is("BorderStyle") || is("MinButton") || is("MaxButton") || is("ControlBox")) {
    applyWindowFlags();
  }
}

void FormWindow::applyWindowFlags() {
  int border = form_.getProperty("BorderStyle").toInteger();
  bool controlBox = form_.getProperty("ControlBox").toBool();
  Qt::WindowFlags f = Qt::Window;
  if (border == 0) {
    f |= Qt::FramelessWindowHint;
  } else {
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (controlBox) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    bool sizable = border == 2 || border == 5;
    if (controlBox && form_.getProperty("MinButton").toBool() && border != 3 && border < 4)
      f |= Qt::WindowMinimizeButtonHint;
    if (controlBox && sizable && form_.getProperty("MaxButton").toBool() && border != 5)
      f |= Qt::WindowMaximizeButtonHint;
    if (border >= 4) f |= Qt::Tool;
  }
  if (window_->windowFlags() != f) {
    bool shown = window_->isVisible();
    window_->setWindowFlags(f);  // hides the window
    if (shown) window_->show();
  }
  syncGeometry();
}

void FormWindow::syncGeometry() {
  if (!window_ || detached_) return;
  QSize area(std::max(0, twipsToPx(form_.scaleWidth())), std::max(0, twipsToPx(form_.scaleHeight())));
  int border = form_.getProperty("BorderStyle").toInteger();
  applyingGeometry_ = true;
  if (form_.windowState() == platform::ui::kNormal) {
    QSize outer(area.width(), area.height() + menuBarHeight());
    bool fixed = border == 1 || border == 3 || border == 4;
    if (fixed) {
      window_->setFixedSize(outer);
    } else {
      window_->setMinimumSize(0, 0);
      window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      window_->resize(outer);
    }
  }
  layoutWindow();
  applyingGeometry_ = false;
}

void FormWindow::layoutWindow() {
  if (!window_) return;
  int mb = menuBarHeight();
  if (menuBar_) menuBar_->setGeometry(0, 0, window_->width(), mb);
  // The client area fills the window below the menu bar; syncGeometry sizes the window so
  // that this is the model's ScaleWidth x ScaleHeight.
  client_->setGeometry(0, mb, window_->width(), std::max(0, window_->height() - mb));
}

void FormWindow::applyWindowState() {
  if (!window_) return;
  int16_t s = form_.windowState();
  Qt::WindowStates want = s == platform::ui::kMinimized   ? Qt::WindowMinimized
                          : s == platform::ui::kMaximized ? Qt::WindowMaximized
                                                          : Qt::WindowNoState;
  if ((window_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) == want) return;
  applyingGeometry_ = true;
  window_->setWindowState(want);
  applyingGeometry_ = false;
  if (s == platform::ui::kNormal) syncGeometry();
  // The maximised size is known once the window system has applied it; the model may be
  // inside its own state change now, so it hears of it after this returns.
  if (s == platform::ui::kMaximized)
    QTimer::singleShot(0, this, [this] {
      if (!detached_ && form_.windowState() == platform::ui::kMaximized) tellMaximizedSize();
    });
}

void FormWindow::show(bool modal) {
  if (!window_ || detached_) return;
  Qt::WindowModality want = modal ? Qt::ApplicationModal : Qt::NonModal;
  if (window_->windowModality() != want) {
    bool shown = window_->isVisible();
    if (shown) window_->hide();  // modality changes only on a hidden window
    window_->setWindowModality(want);
  }
  syncGeometry();
  const bool first = !placed_;
  if (first) {
    placed_ = true;
    place();
  }
  applyWindowState();
  // A passing notice (a modeless window outside the taskbar) shows without taking the
  // keyboard from the window the user types in.
  const bool passive = !modal && !form_.getProperty("ShowInTaskbar").toBool();
  window_->setAttribute(Qt::WA_ShowWithoutActivating, passive);
  if (!window_->isVisible()) window_->show();
  // Only now is the window's frame known for sure.
  if (first) keepInsideScreen(window_);
  window_->raise();
  if (!passive) {
    window_->activateWindow();
    lastShown() = window_.data();
  }
}

QPointer<QWidget>& FormWindow::lastShown() {
  static QPointer<QWidget> shown;
  return shown;
}

// Where a window first opens: centred where the form asks for it, where the form put itself,
// or else cascaded from the window it was opened from; always inside the screen.
void FormWindow::place() {
  QWidget* self = window_.data();
  QWidget* opener = QApplication::activeWindow();
  if (!opener || opener == self || !opener->isVisible()) opener = lastShown().data();
  if (opener == self || (opener && !opener->isVisible())) opener = nullptr;
  QScreen* screen = opener && opener->screen() ? opener->screen() : QApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QRect frame = framed(window_, opener);
  const int start = form_.getProperty("StartUpPosition").toInteger();
  const bool positioned = form_.left() != 0 || form_.top() != 0;
  if (start == 1 || start == 2) {
    frame.moveCenter(start == 1 && opener ? opener->frameGeometry().center() : area.center());
  } else if (start == 0 && positioned) {
    frame.moveTopLeft(QPoint(twipsToPx(form_.left()), twipsToPx(form_.top())));
  } else {
    std::vector<QPoint> taken;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != self && w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
        taken.push_back(w->frameGeometry().topLeft());
    frame.moveTopLeft(cascadePosition(opener ? opener->frameGeometry() : QRect(), frame.size(), area, taken));
  }
  window_->move(insideArea(frame, area));
}

// A window's frame before it is shown, when the window system has not drawn one yet: its
// geometry with the frame of `like`, a window that has one.
QRect framed(QWidget* window, QWidget* like) {
  QRect frame = window->frameGeometry();
  if (!window->isVisible() && like && like->isVisible()) {
    const QRect outer = like->frameGeometry(), inner = like->geometry();
    frame.setSize(window->size() + (outer.size() - inner.size()));
  }
  return frame;
}

void keepInsideScreen(QWidget* window) {
  QScreen* screen = window->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QRect frame = window->frameGeometry();
  if (area.contains(frame)) return;
  // A window that may change its size gives up what its frame takes beyond the screen.
  const QSize over = (frame.size() - area.size()).expandedTo(QSize(0, 0));
  if ((over.width() > 0 || over.height() > 0) && window->minimumSize() != window->maximumSize()) {
    window->resize((window->size() - over).expandedTo(window->minimumSize()));
    frame = window->frameGeometry();
  }
  window->move(insideArea(frame, area));
}

QPoint cascadePosition(const QRect& opener, const QSize& size, const QRect& area,
                       const std::vector<QPoint>& taken) {
  constexpr int kStep = 32;  // about a title bar: the opener's title stays readable
  const QPoint corner = area.topLeft() + QPoint(kStep, kStep);
  QPoint p = opener.isNull() ? corner : opener.topLeft() + QPoint(kStep, kStep);
  // A window that would run off the screen starts the cascade again at its corner; a place
  // another window already has is passed by, so that windows opened one after the other from
  // the same window do not hide each other. After as many steps as there are windows every
  // place was tried, and the last one is kept.
  for (size_t tried = 0; tried <= taken.size(); ++tried) {
    if (p.x() + size.width() > area.right() + 1 || p.y() + size.height() > area.bottom() + 1) p = corner;
    if (std::find(taken.begin(), taken.end(), p) == taken.end()) break;
    p += QPoint(kStep, kStep);
  }
  return p;
}

QPoint insideArea(const QRect& frame, const QRect& area) {
  // Too large a window keeps its top left corner (title and menu) on the screen.
  const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
  return QPoint(x, y);
}

void FormWindow::hide() {
  if (window_) window_->hide();
}

// ---------------------------------------------------------------- window → model

bool FormWindow::userClose() {
  if (detached_) return true;
  QPointer<FormWindow> alive(this);
  runGuarded(&form_, "Form_QueryUnload", [this] { form_.userClose(); });
  if (!alive || detached_) return true;  // unloaded
  return !form_.visible();               // hidden by its handlers, or refused
}

void FormWindow::tellMaximizedSize() {
  if (detached_ || !window_ || !(window_->windowState() & Qt::WindowMaximized)) return;
  QSize area(window_->width(), std::max(0, window_->height() - menuBarHeight()));
  float w = static_cast<float>(pxToTwips(area.width())) + 2 * platform::ui::kBorderTwips;
  float h = static_cast<float>(pxToTwips(area.height())) + platform::ui::kCaptionTwips +
            2 * platform::ui::kBorderTwips + (form_.hasMenuBar() ? platform::ui::kMenuBarTwips : 0.0f);
  runGuarded(&form_, "Form_Resize", [this, w, h] { form_.userMaximizedSize(w, h); });
}

void FormWindow::userResized() {
  if (detached_ || applyingGeometry_ || !window_ || !window_->isVisible()) return;
  // Maximised, the window system decides the size: the model lays the window out for it.
  if (window_->windowState() & Qt::WindowMaximized) {
    tellMaximizedSize();
    return;
  }
  if (window_->windowState() & (Qt::WindowMinimized | Qt::WindowFullScreen)) return;
  if (form_.windowState() != platform::ui::kNormal) return;
  QSize area(window_->width(), std::max(0, window_->height() - menuBarHeight()));
  if (area.width() == twipsToPx(form_.scaleWidth()) && area.height() == twipsToPx(form_.scaleHeight()))
    return;
  float nonClientW = 2 * platform::ui::kBorderTwips;
  float nonClientH = platform::ui::kCaptionTwips + 2 * platform::ui::kBorderTwips +
                     (form_.hasMenuBar() ? platform::ui::kMenuBarTwips : 0.0f);
  float w = static_cast<float>(pxToTwips(area.width())) + nonClientW;
  float h = static_cast<float>(pxToTwips(area.height())) + nonClientH;
  QPointer<FormWindow> alive(this);
  inUserResize_ = true;
  runGuarded(&form_, "Form_Resize", [this, w, h] { form_.userResize(w, h); });
  if (!alive || detached_) return;
  inUserResize_ = false;
  // A handler may have set another size; the window follows the model once Qt is done
  // with the user's resize.
  QTimer::singleShot(0, this, [this] {
    if (detached_ || !window_) return;
    QSize now(window_->width(), std::max(0, window_->height() - menuBarHeight()));
    if (now.width() != twipsToPx(form_.scaleWidth()) || now.height() != twipsToPx(form_.scaleHeight()))
      syncGeometry();
  });
}

void FormWindow::userWindowState() {
  if (detached_ || applyingGeometry_ || !window_) return;
  Qt::WindowStates ws = window_->windowState();
  int16_t s = (ws & Qt::WindowMinimized)   ? platform::ui::kMinimized
              : (ws & Qt::WindowMaximized) ? platform::ui::kMaximized
                                           : platform::ui::kNormal;
  if (s == form_.windowState()) return;
  QPointer<FormWindow> alive(this);
  runGuarded(&form_, "Form_Resize", [this, s] { form_.setWindowState(s); });
  if (!alive || detached_) return;
  if (s == platform::ui::kMaximized) tellMaximizedSize();
  // Restored: the window takes the size the model restored.
  if (s == platform::ui::kNormal) syncGeometry();
}

bool FormWindow::pressButton(const char* role) {
  if (detached_) return false;
  for (auto& c : form_.controls()) {
    if (c->type() != ControlType::CommandButton || !c->getProperty(role).toBool()) continue;
    if (!c->effectivelyVisible() || !c->enabled()) continue;
    Control* button = c.get();
    runGuarded(&form_, button->qualifiedName() + "_Click", [this, button] { form_.userClick(*button); });
    return true;
  }
  return false;
}

void FormWindow::userMouseUp(Control& control, QWidget* widget, QPointF pos) {
  if (detached_) return;
  (void)widget;
  auto x = static_cast<float>(pxToTwips(pos.x())), y = static_cast<float>(pxToTwips(pos.y()));
  Control* c = &control;
  runGuarded(&form_, control.qualifiedName() + "_MouseUp",
             [this, c, x, y] { form_.userMouseUp(*c, platform::ui::kRightButton, x, y); });
}

}  // namespace frontend::qt
