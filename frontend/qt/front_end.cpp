#include "frontend/qt/front_end.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "frontend/qt/form_window.h"
#include "frontend/qt/qt_convert.h"
#include "frontend/qt/qt_services.h"
#include "platform/com/error.h"
#include "platform/com/file_replace.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::Form;
using platform::ui::MenuControl;

namespace {

// What the style may keep of drawn control faces, in KB.
constexpr int kStylePictureCacheKb = 1024;

FrontEnd* gCurrent = nullptr;

bool haveWidgetApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// Renders `w`'s window; `temp` builds one for the moment when the form has none.
QImage renderWindow(Form& form, FormWindow* existing, QString& error) {
  if (!haveWidgetApplication()) {
    error = QStringLiteral("screenshots need a QApplication");
    return {};
  }
  if (!form.isLoaded()) {
    error = QStringLiteral("the window '%1' is not loaded").arg(qs(form.name()));
    return {};
  }
  // Work the windows deferred (deletions, sizes) is done first.
  QCoreApplication::sendPostedEvents();
  std::unique_ptr<FormWindow> temp;
  FormWindow* w = existing;
  if (!w) {
    temp = std::make_unique<FormWindow>(form);
    w = temp.get();
  }
  w->syncGeometry();
  QWidget* win = w->window();
  if (!win || win->width() <= 0 || win->height() <= 0) {
    error = QStringLiteral("the window '%1' has no area to show").arg(qs(form.name()));
    return {};
  }
  QImage img = win->grab().toImage();
  if (img.isNull()) error = QStringLiteral("the window '%1' could not be drawn").arg(qs(form.name()));
  return img;
}

bool saveImage(const QImage& img, const QString& path, QString& error) {
  QFileInfo fi(path);
  if (!fi.dir().exists() && !QDir().mkpath(fi.absolutePath())) {
    error = QStringLiteral("cannot create the folder %1").arg(fi.absolutePath());
    return false;
  }
  // Encoded in memory first: the image writer leaks what it holds when the file fails in the
  // middle, and the file is then replaced whole, never left half written.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!img.save(&buffer, "PNG")) {
    error = QStringLiteral("cannot encode the picture for %1").arg(path);
    return false;
  }
  const QByteArray file = QFile::encodeName(path);
  if (const int failure = platform::com::replaceFileContents(
          std::filesystem::path(file.toStdString()),
          std::string_view(png.constData(), static_cast<size_t>(png.size())), 0666);
      failure != 0) {
    error = QStringLiteral("cannot write %1 (%2)").arg(path, QString::fromLocal8Bit(std::strerror(failure)));
    return false;
  }
  return true;
}

// The entries of a popup menu; each chosen action carries its menu control.
void addPopupEntries(QMenu* menu, MenuControl& parent) {
  for (MenuControl* e : menuEntries(parent)) {
    bool visible = e->getProperty("Visible").toBool();
    bool enabled = e->getProperty("Enabled").toBool();
    if (e->isSeparator()) {
      menu->addSeparator()->setVisible(visible);
      continue;
    }
    if (!e->entries().empty()) {
      QMenu* sub = menu->addMenu(qs(e->caption()));
      addPopupEntries(sub, *e);
      sub->menuAction()->setVisible(visible);
      sub->menuAction()->setEnabled(enabled);
      continue;
    }
    QAction* a = menu->addAction(qs(e->caption()));
    a->setVisible(visible);
    a->setEnabled(enabled);
    if (e->getProperty("Checked").toBool()) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    a->setData(QVariant::fromValue(static_cast<void*>(e)));
  }
}

}  // namespace

FrontEnd::FrontEnd() = default;

FrontEnd::~FrontEnd() {
  uninstall();
}

FrontEnd* FrontEnd::current() {
  return gCurrent;
}

void FrontEnd::install(Mode mode) {
  if (installed_) return;
  if (!haveWidgetApplication())
    throw std::logic_error("frontend::qt::FrontEnd::install needs a QApplication");
  if (gCurrent && gCurrent != this) gCurrent->uninstall();
  gCurrent = this;
  installed_ = true;
  mode_ = mode;
  if (mode == Mode::WindowsAndServices) {
    services_ = std::make_unique<QtServices>(*this);
    QtServices* s = services_.get();
    platform::ui::Services::install(s, s, s, s, s, s);
  }
  // The style keeps a drawn picture of each control face it paints, keyed by the widget's own
  // palette, so every window added its own set until the cache's 10 MB were full: a window's
  // faces are drawn anew instead where they do not fit into a smaller cache.
  QPixmapCache::setCacheLimit(kStylePictureCacheKb);
  if (QScreen* screen = QApplication::primaryScreen()) {
    QRect r = screen->geometry();
    platform::ui::Screen::setSize(static_cast<float>(pxToTwips(r.width())),
                                  static_cast<float>(pxToTwips(r.height())));
  }
  platform::ui::addGlobalFormObserver(this);
  for (Form* f : platform::ui::allForms()) {
    if (std::find(observed_.begin(), observed_.end(), f) != observed_.end()) continue;
    f->addFormObserver(this);
    observed_.push_back(f);
    if (f->isLoaded()) {
      createWindow(*f);
      if (f->visible()) windowOf(*f)->show(false);
    }
  }
}

void FrontEnd::uninstall() {
  if (!installed_) return;
  for (Modal& m : modals_) m.loop->quit();
  modals_.clear();
  stopRealTime();
  platform::ui::removeGlobalFormObserver(this);
  for (Form* f : observed_) f->removeFormObserver(this);
  observed_.clear();
  while (!windows_.empty()) destroyWindow(*windows_.begin()->first);
  if (services_) {
    if (&platform::ui::Services::messageBox() ==
        static_cast<platform::ui::MessageBoxService*>(services_.get()))
      platform::ui::Services::installHeadless();
    services_.reset();
  }
  if (screenPointer_ != 0) {
    QApplication::restoreOverrideCursor();
    screenPointer_ = 0;
  }
  installed_ = false;
  if (gCurrent == this) gCurrent = nullptr;
}

// ---------------------------------------------------------------- real time

void FrontEnd::startRealTime(int tickMs) {
  tickMs_ = std::clamp(tickMs, 1, 100);
  auto& loop = platform::ui::EventLoop::instance();
  loop.useRealClock();
  if (tickers_.empty()) {
    tickers_.push_back(makeTicker(0));
    // The drive sleeps until the next model timer is due. Work that arrives meanwhile wakes
    // it: directly where it arrives outside a tick, and before Qt blocks for anything that
    // arrived inside a nested wait (a message box opened by a timer handler).
    loop.setWakeHandler([this] {
      if (!draining_) scheduleDrive();
    });
    blockWatch_ = QObject::connect(QAbstractEventDispatcher::instance(),
                                   &QAbstractEventDispatcher::aboutToBlock, [this] { scheduleDrive(); });
  }
  scheduleDrive();
}

void FrontEnd::stopRealTime() {
  if (tickers_.empty()) return;
  platform::ui::EventLoop::instance().setWakeHandler(nullptr);
  QObject::disconnect(blockWatch_);
  for (auto& t : tickers_) {
    t->stop();
    // A timer whose tick is on the stack goes when that tick has returned.
    if (tickDepth_ > 0) t.release()->deleteLater();
  }
  tickers_.clear();
  platform::ui::EventLoop::instance().useManualClock();
}

std::unique_ptr<QTimer> FrontEnd::makeTicker(size_t level) {
  auto t = std::make_unique<QTimer>();
  t->setTimerType(Qt::PreciseTimer);
  t->setSingleShot(true);
  QObject::connect(t.get(), &QTimer::timeout, [this, level] { tick(level); });
  return t;
}

void FrontEnd::scheduleDrive() {
  const auto level = static_cast<size_t>(tickDepth_);
  if (tickers_.empty() || level >= tickers_.size()) return;
  auto& loop = platform::ui::EventLoop::instance();
  int64_t delay = loop.hasPosted() ? 0 : loop.msUntilNextTimer();
  QTimer* t = tickers_[level].get();
  if (delay < 0) {
    t->stop();  // nothing is due: asleep until something is
    return;
  }
  if (!loop.hasPosted()) delay = std::max<int64_t>(delay, tickMs_ - 1);
  const int ms = static_cast<int>(std::min<int64_t>(delay, 24 * 3600 * 1000));
  // Restarted only when it would wake later than wanted, so that waking does not cost a
  // timer registration each time something is armed.
  if (t->isActive() && t->remainingTime() <= ms) return;
  t->start(ms);
}

void FrontEnd::tick(size_t level) {
  if (level >= tickers_.size()) return;
  if (tickers_.size() <= level + 1) tickers_.push_back(makeTicker(level + 1));
  QPointer<QTimer> nested = tickers_[level + 1].get();
  ++tickDepth_;
  const bool wasDraining = draining_;
  draining_ = true;
  try {
    platform::ui::EventLoop::instance().processDue();
  } catch (const std::exception& e) {
    platform::ui::EventLoop::instance().reportError("event loop", e.what());
  }
  draining_ = wasDraining;
  --tickDepth_;
  if (nested) nested->stop();
  scheduleDrive();
  // The screen's pointer (an hourglass over the whole application while busy).
  int16_t p = platform::ui::Screen::mousePointer();
  if (p != screenPointer_) {
    Qt::CursorShape shape;
    if (screenPointer_ != 0 && cursorForPointer(screenPointer_, shape)) QApplication::restoreOverrideCursor();
    if (cursorForPointer(p, shape)) QApplication::setOverrideCursor(shape);
    screenPointer_ = p;
  }
}

// ---------------------------------------------------------------- windows

FormWindow* FrontEnd::windowOf(const Form& form) const {
  auto it = windows_.find(&form);
  return it == windows_.end() ? nullptr : it->second.get();
}

FormWindow* FrontEnd::ensureWindow(const Form& form) const {
  if (FormWindow* w = windowOf(form)) return w;
  if (!installed_ || !form.isLoaded()) return nullptr;
  // The form is not changed here: the window only observes it.
  auto& w = windows_[&form];
  w = std::make_unique<FormWindow>(const_cast<Form&>(form));
  return w.get();
}

void FrontEnd::createWindow(Form& form) {
  if (windowOf(form)) return;
  windows_[&form] = std::make_unique<FormWindow>(form);
}

void FrontEnd::destroyWindow(const Form& form) {
  auto it = windows_.find(&form);
  if (it == windows_.end()) return;
  std::unique_ptr<FormWindow> w = std::move(it->second);
  windows_.erase(it);
  w->detach();
  // The window may be the one whose event is being handled.
  if (InputScope::active()) w.release()->deleteLater();
}

QWidget* FrontEnd::window(const Form& form) const {
  FormWindow* w = ensureWindow(form);
  return w ? w->window() : nullptr;
}

QWidget* FrontEnd::clientArea(const Form& form) const {
  FormWindow* w = ensureWindow(form);
  return w ? w->client() : nullptr;
}

QMenuBar* FrontEnd::menuBar(const Form& form) const {
  FormWindow* w = ensureWindow(form);
  return w ? w->menuBar() : nullptr;
}

QWidget* FrontEnd::widget(const Control& control) const {
  FormWindow* w = ensureWindow(control.form());
  return w ? w->widgetFor(control) : nullptr;
}

ShownText FrontEnd::drawnLook(const Control& control) const {
  FormWindow* w = ensureWindow(control.form());
  ControlView* v = w ? w->viewFor(control) : nullptr;
  return v ? v->drawnLook() : ShownText{};
}

QAction* FrontEnd::menuAction(const MenuControl& menu) const {
  FormWindow* w = ensureWindow(menu.form());
  return w ? w->actionFor(menu) : nullptr;
}

std::vector<std::string> FrontEnd::drawnFaults(const Form& form) const {
  FormWindow* w = ensureWindow(form);
  return w ? w->drawnFaults() : std::vector<std::string>{};
}

QImage FrontEnd::grabImage(Form& form, QString& error) {
  return renderWindow(form, ensureWindow(form), error);
}

bool FrontEnd::grab(Form& form, const QString& pngPath, QString& error) {
  QImage img = grabImage(form, error);
  return !img.isNull() && saveImage(img, pngPath, error);
}

// ---------------------------------------------------------------- modal runs, popup menus

void FrontEnd::runModal(Form& form) {
  if (!windowOf(form) || !form.isLoaded() || !form.visible()) return;
  platform::com::Ptr<Form> keep(&form);
  QEventLoop loop;
  modals_.push_back({&form, &loop});
  loop.exec(QEventLoop::DialogExec);
  modals_.erase(
      std::remove_if(modals_.begin(), modals_.end(), [&](const Modal& m) { return m.loop == &loop; }),
      modals_.end());
}

void FrontEnd::endModal(const Form& form) {
  for (auto it = modals_.begin(); it != modals_.end();) {
    if (it->form == &form) {
      it->loop->quit();
      it = modals_.erase(it);
    } else {
      ++it;
    }
  }
}

void FrontEnd::showPopupMenu(Form& form, MenuControl& menu) {
  if (!form.isLoaded()) return;
  platform::com::Ptr<Form> keep(&form);
  FormWindow* w = windowOf(form);
  QMenu popup(w ? w->window() : nullptr);
  addPopupEntries(&popup, menu);
  // The chosen entry, however it was chosen (pointer, keyboard, or triggered directly).
  QAction* chosen = nullptr;
  QObject::connect(&popup, &QMenu::triggered, &popup, [&chosen](QAction* a) { chosen = a; });
  if (QAction* a = popup.exec(QCursor::pos())) chosen = a;
  if (!chosen || !form.isLoaded()) return;
  auto* entry = static_cast<MenuControl*>(chosen->data().value<void*>());
  // A timer may have unloaded the entry while the menu was open.
  bool present = std::any_of(form.controls().begin(), form.controls().end(),
                             [&](const std::unique_ptr<Control>& c) { return c.get() == entry; });
  if (!present) return;
  // A popup menu is usually a hidden top-level menu: what counts is that the entry itself
  // could be chosen, not whether its menu shows in the menu bar.
  runGuarded(&form, entry->qualifiedName() + "_Click", [&] {
    if (entry->getProperty("Enabled").toBool() && entry->getProperty("Visible").toBool())
      entry->raise("Click");
  });
}

// ---------------------------------------------------------------- form observer

void FrontEnd::formCreated(Form& form) {
  if (std::find(observed_.begin(), observed_.end(), &form) == observed_.end()) observed_.push_back(&form);
}

void FrontEnd::formLoaded(Form&) {
  // The window waits until the form is shown or asked for (ensureWindow).
}

void FrontEnd::formUnloading(Form& form) {
  endModal(form);
  destroyWindow(form);
}

void FrontEnd::formShown(Form& form, bool modal) {
  if (!windowOf(form) && form.isLoaded()) createWindow(form);
  if (FormWindow* w = windowOf(form)) w->show(modal);
}

void FrontEnd::formHidden(Form& form) {
  if (FormWindow* w = windowOf(form)) w->hide();
  endModal(form);
}

void FrontEnd::controlAdded(Form& form, Control& control) {
  if (FormWindow* w = windowOf(form)) w->controlAdded(control);
}

void FrontEnd::controlRemoved(Form& form, Control& control) {
  if (FormWindow* w = windowOf(form)) w->controlRemoved(control);
}

void FrontEnd::formDestroyed(Form& form) {
  endModal(form);
  destroyWindow(form);
  observed_.erase(std::remove(observed_.begin(), observed_.end(), &form), observed_.end());
}

// ---------------------------------------------------------------- screenshots

ScreenshotFunction screenshotFunction() {
  return [](Form& form, const std::filesystem::path& path, std::string& error) {
    QString e;
    QString p = QString::fromStdString(path.string());
    bool ok;
    if (FrontEnd* fe = FrontEnd::current()) {
      ok = fe->grab(form, p, e);
      // A screenshot is also a check: the window as drawn must be readable.
      if (ok) {
        const std::vector<std::string> faults = fe->drawnFaults(form);
        for (const std::string& f : faults) e += (e.isEmpty() ? QString() : QStringLiteral("; ")) + qs(f);
        ok = faults.empty();
        if (!ok) e = QStringLiteral("the window is drawn unreadably: ") + e;
      }
    } else {
      QImage img = renderWindow(form, nullptr, e);
      ok = !img.isNull() && saveImage(img, p, e);
    }
    if (!ok) error = utf8(e);
    return ok;
  };
}

}  // namespace frontend::qt
