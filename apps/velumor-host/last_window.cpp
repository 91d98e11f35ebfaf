#include "apps/velumor-host/last_window.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace velumor_host {

namespace {
// How soon a host whose last window went looks again while a dialog is still open.
constexpr int kRecheckMs = 200;
}  // namespace

QuitOnLastWindow::QuitOnLastWindow() : timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { check(); });
  platform::ui::addGlobalFormObserver(this);
}

QuitOnLastWindow::~QuitOnLastWindow() {
  platform::ui::removeGlobalFormObserver(this);
}

bool QuitOnLastWindow::anythingShown() {
  for (platform::ui::Form* form : platform::ui::allForms())
    if (form->isLoaded() && form->getProperty("Visible").toBool()) return true;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<QDialog*>(w)) return true;
  return false;
}

void QuitOnLastWindow::schedule() {
  if (!timer_->isActive()) timer_->start(0);
}

void QuitOnLastWindow::check() {
  if (!anythingShown()) {
    QCoreApplication::quit();
    return;
  }
  // A form still shown is one the user sees; only an open dialog is worth a second look, as
  // its closing tells no form anything.
  for (platform::ui::Form* form : platform::ui::allForms())
    if (form->isLoaded() && form->getProperty("Visible").toBool()) return;
  timer_->start(kRecheckMs);
}

}  // namespace velumor_host
