#pragma once
// Ends the interactive host once none of its windows is shown any more, whatever took the last
// one away: its close box, File > Exit, a view that unloaded its own window, or the host
// destroying a view. A window's questions (save the data set? leave the fixed current?) come
// first: while a dialog or message box is open the host goes on.
#include <QObject>

#include "platform/ui/form.h"

class QTimer;

namespace velumor_host {

class QuitOnLastWindow : public QObject, public platform::ui::GlobalFormObserver {
 public:
  // Watches every form created from now on; create it before the first view opens.
  QuitOnLastWindow();
  ~QuitOnLastWindow() override;
  QuitOnLastWindow(const QuitOnLastWindow&) = delete;
  QuitOnLastWindow& operator=(const QuitOnLastWindow&) = delete;

  void formUnloading(platform::ui::Form&) override { schedule(); }
  void formHidden(platform::ui::Form&) override { schedule(); }
  void formDestroyed(platform::ui::Form&) override { schedule(); }

  // Whether a form's window is shown, or a dialog or message box is open.
  static bool anythingShown();

 private:
  // Checked once the event loop has finished the input that took the window away: a window
  // replaced by another in the same step, or unloaded after its question, counts then.
  void schedule();
  void check();

  QTimer* timer_;
};

}  // namespace velumor_host
