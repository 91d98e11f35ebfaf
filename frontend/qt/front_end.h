#pragma once
// The Qt front end: real windows that mirror the window model, the platform services
// drawn with Qt, and the real-time drive of the model's event loop.
//
// Use (the host application, after it created its QApplication):
//   frontend::qt::FrontEnd frontEnd;
//   frontEnd.install();        // services + a window for every form, existing and future
//   frontEnd.startRealTime();  // interactive sessions: model timers on real time
//   ... app.exec() ...
//   (destroy the views) then frontEnd.uninstall() (the destructor does it too),
//   before the QApplication goes.
// Scripted sessions keep the manual clock and the headless services and only mirror
// windows for screenshots: install(FrontEnd::Mode::WindowsOnly), or use
// screenshotFunction() alone.
#include <QImage>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/qt/drawn_text.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class QAction;
class QEventLoop;
class QMenuBar;
class QTimer;
class QWidget;

namespace frontend::qt {

class FormWindow;
class QtServices;

class FrontEnd : public platform::ui::GlobalFormObserver {
 public:
  enum class Mode {
    WindowsAndServices,  // the interactive host: Qt message boxes, dialogs, printing, help
    WindowsOnly,         // windows only; the installed services stay as they are
  };

  FrontEnd();
  ~FrontEnd() override;
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  // Mirrors every form from now on and the forms that exist already; installs the Qt
  // services into platform::ui::Services (WindowsAndServices). Needs a QApplication.
  // One front end is installed at a time.
  void install(Mode mode = Mode::WindowsAndServices);
  // Closes every window and modal wait, restores the headless services (if it installed
  // its own), stops the real-time drive and forgets every form.
  void uninstall();
  bool installed() const { return installed_; }
  // The installed front end, or null.
  static FrontEnd* current();

  // Runs the model's event loop on real time, driven from Qt when a model timer is due or
  // work is posted (no more often than every `tickMs` for timers), also inside nested waits
  // (message boxes, modal windows, popup menus); with nothing due it sleeps. The views'
  // notification timers tick every millisecond; a drive that wakes late catches up
  // (EventLoop::processDue).
  void startRealTime(int tickMs = 1);
  // Stops the drive and puts the event loop back on a manual clock (at the current time).
  void stopRealTime();
  bool realTime() const { return !tickers_.empty(); }

  // Renders the form's window (loaded; shown or not) offscreen to a PNG file.
  bool grab(platform::ui::Form& form, const QString& pngPath, QString& error);
  QImage grabImage(platform::ui::Form& form, QString& error);

  // What makes the form's drawn window unreadable: a control cut off by its container or the
  // window, one under the status bar, a text wider than its control. Empty when nothing does.
  std::vector<std::string> drawnFaults(const platform::ui::Form& form) const;

  // The Qt objects of a form and its controls (null when there are none).
  QWidget* window(const platform::ui::Form& form) const;
  QWidget* clientArea(const platform::ui::Form& form) const;
  QMenuBar* menuBar(const platform::ui::Form& form) const;
  QWidget* widget(const platform::ui::Control& control) const;
  // What a control without a widget of its own (a label) shows where its container draws it.
  ShownText drawnLook(const platform::ui::Control& control) const;
  QAction* menuAction(const platform::ui::MenuControl& menu) const;
  QtServices* services() const { return services_.get(); }

  // Modal runs and popup menus (the interaction service calls these).
  void runModal(platform::ui::Form& form);
  void showPopupMenu(platform::ui::Form& form, platform::ui::MenuControl& menu);

  // --- platform::ui::GlobalFormObserver
  void formCreated(platform::ui::Form& form) override;
  void formLoaded(platform::ui::Form& form) override;
  void formUnloading(platform::ui::Form& form) override;
  void formShown(platform::ui::Form& form, bool modal) override;
  void formHidden(platform::ui::Form& form) override;
  void controlAdded(platform::ui::Form& form, platform::ui::Control& control) override;
  void controlRemoved(platform::ui::Form& form, platform::ui::Control& control) override;
  // The interaction service shows popup menus; the form's notice of one needs nothing here.
  void popupMenu(platform::ui::Form&, platform::ui::MenuControl&) override {}
  void formDestroyed(platform::ui::Form& form) override;

 private:
  FormWindow* windowOf(const platform::ui::Form& form) const;
  // The form's window, built now if the form is loaded and has none yet.
  FormWindow* ensureWindow(const platform::ui::Form& form) const;
  void createWindow(platform::ui::Form& form);
  void destroyWindow(const platform::ui::Form& form);
  void endModal(const platform::ui::Form& form);
  void tick(size_t level);
  std::unique_ptr<QTimer> makeTicker(size_t level);
  // Sets the drive's timer at the current nesting level to the next model deadline.
  void scheduleDrive();

  bool installed_ = false;
  Mode mode_ = Mode::WindowsAndServices;
  std::unique_ptr<QtServices> services_;
  // A window is built when its form is first shown or asked for, not when it loads: by then
  // Form_Load has set the texts, and the widgets are made once with them.
  mutable std::map<const platform::ui::Form*, std::unique_ptr<FormWindow>> windows_;
  std::vector<platform::ui::Form*> observed_;
  struct Modal {
    const platform::ui::Form* form;
    QEventLoop* loop;
  };
  std::vector<Modal> modals_;
  // One timer per nesting level: Qt does not deliver a timer again while its own
  // handler runs, so a wait inside a tick is driven by the next timer.
  std::vector<std::unique_ptr<QTimer>> tickers_;
  int tickMs_ = 5;
  int tickDepth_ = 0;
  bool draining_ = false;  // the model's due work is being run
  QMetaObject::Connection blockWatch_;
  int16_t screenPointer_ = 0;
};

// The scripted host's screenshot command: a PNG of the form's window. Uses the installed
// front end's window, or builds a window for the moment when none is installed.
using ScreenshotFunction =
    std::function<bool(platform::ui::Form&, const std::filesystem::path&, std::string& error)>;
ScreenshotFunction screenshotFunction();

}  // namespace frontend::qt
