#pragma once
// The Qt mirror of one loaded form: a top-level window, its menu bar, its client area and
// one view per control. Internal to the front end; FrontEnd owns the windows.
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/qt/drawn_text.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class QAction;
class QMenu;

namespace frontend::qt {

// Marks that a call into the model started from a widget is running. While one runs, the
// widgets and views that the call makes obsolete are hidden at once and deleted when
// control returns to Qt's event loop, never under the feet of the widget that called.
class InputScope {
 public:
  InputScope();
  ~InputScope();
  InputScope(const InputScope&) = delete;
  InputScope& operator=(const InputScope&) = delete;
  static bool active();
  // Runs `f` once the outermost input has ended, unless `context` is gone by then.
  static void whenDone(QObject* context, std::function<void()> f);
};

// Hides a QObject's widget and deletes it: at once, or later while an input is running.
void disposeObject(QObject* o);

// Runs `f` as a user event of `form`: keeps the form alive meanwhile, reports an error that
// escapes instead of letting it into Qt, and delivers the work the call posted.
void runGuarded(platform::ui::Form* form, const std::string& where, const std::function<void()>& f);

class FormWindow;

// Menu entries in the order a menu shows them: the members of a control array together, by
// index, where the array's first member stands (members loaded at run time come last among
// their container's children in the model).
std::vector<platform::ui::MenuControl*> menuOrder(const std::vector<platform::ui::MenuControl*>& entries);
// The menus directly inside `parent` (a menu, or the form for the menu bar), in that order.
std::vector<platform::ui::MenuControl*> menuEntries(const platform::ui::Control& parent);

// The view of one control: its widget, kept in step with the control's properties.
class ControlView : public QObject, public platform::ui::ControlObserver {
 public:
  ControlView(FormWindow& owner, platform::ui::Control& control);
  ~ControlView() override;
  // Creates the widget in `parent` and applies every property.
  virtual void create(QWidget* parent);
  // Stops observing and disposes the widget; the view does nothing afterwards.
  virtual void detach();
  bool detached() const { return detached_; }

  QWidget* widget() const { return widget_; }
  platform::ui::Control& control() const { return control_; }
  FormWindow& owner() const { return owner_; }
  // The widget's place in its parent, from the model.
  virtual QRect modelGeometry() const;
  // Graphical controls (labels, images, shapes, lines) stay beneath the others, as
  // controls without a window of their own do.
  virtual bool graphical() const { return false; }
  // Why the texts the view draws itself do not fit where it draws them (empty: they fit).
  virtual std::vector<std::string> textMisfits() const { return {}; }
  // What a control without a widget of its own (a label) shows where its container draws it;
  // `in` null for a control with a widget.
  virtual ShownText drawnLook() const { return {}; }
  // Whether the widget holds what the user entered and the model has not taken yet (an edit
  // not committed); `finishInput` hands it to the model.
  // False when the model refused the edit: the field then shows why and keeps the focus.
  virtual bool holdsInput() const { return false; }
  virtual bool finishInput() { return true; }
  // When the view was made, counted in its window: a page made anew makes its widgets in the
  // order they were made before, and so keeps their Tab order.
  uint64_t made() const { return made_; }
  void setMade(uint64_t n) { made_ = n; }

  void controlChanged(platform::ui::Control& control, std::string_view what) override;
  // A mouse or context-menu event on the widget or one of its parts; true when it was the
  // control's own and goes no further.
  bool widgetInput(QEvent* event);

 protected:
  virtual QWidget* makeWidget(QWidget* parent) = 0;
  // One property by name; false when not handled.
  virtual bool apply(std::string_view what) { return false; }
  // Everything the subclass shows (called after the common properties).
  virtual void applyAll() {}
  virtual void applyColours() {}
  // Double clicks the widget handles itself (text selection) are passed on to it.
  virtual bool passDoubleClick() const { return false; }
  // Builds the widget anew (a text box that became multi-line).
  void recreate();
  // A user event into the model; false when the view was detached meanwhile (then the
  // caller touches nothing of the view any more).
  bool input(const std::string& where, const std::function<void()>& f);
  // Runs `f` once control is back in Qt's event loop, unless the view was detached by then:
  // for input from widgets (tab bars, lists, combo boxes) that must not see their own
  // contents change inside their own signal.
  void later(std::function<void()> f);
  // The user clicked the control; false as for `input`.
  bool inputClick();
  // The user typed or committed `text`, passed to the model as the event `where`; false as for
  // `input`. `taken`, where given, tells whether the model kept the text.
  bool inputText(const std::string& where, const QString& text, bool* taken = nullptr);
  // Applies each of `names` in turn.
  void applyEach(std::initializer_list<std::string_view> names);
  // Puts the control's BackColor at `back` and its ForeColor at `fore` in `w`'s palette.
  void applyColourRoles(QWidget* w, QPalette::ColorRole back, QPalette::ColorRole fore);
  // Property reads that never throw.
  platform::com::Variant prop(std::string_view name) const;
  QString textProp(std::string_view name) const;
  int intProp(std::string_view name, int fallback = 0) const;
  bool boolProp(std::string_view name, bool fallback = false) const;
  QColor colourProp(std::string_view name) const;
  void watch(QWidget* w);  // routes the widget's (and its parts') mouse events here
  void unwatch();

  FormWindow& owner_;
  platform::ui::Control& control_;
  QPointer<QWidget> widget_;
  const QWidget* watched_ = nullptr;  // the widget whose events reach widgetInput
  uint64_t made_ = 0;
  bool detached_ = false;

 private:
  void release();  // what detach does, also from the destructor
  void applyCommon();
  void applyFont();
  void applyPointer();
};

// A view for `control`, or null for controls without a widget (timers, menus, image
// lists, common dialogs, the item handler).
std::unique_ptr<ControlView> makeView(FormWindow& owner, platform::ui::Control& control);

class WindowWidget;

class FormWindow : public QObject, public platform::ui::ControlObserver {
 public:
  explicit FormWindow(platform::ui::Form& form);
  ~FormWindow() override;
  void detach();
  bool detached() const { return detached_; }

  platform::ui::Form& form() const { return form_; }
  QWidget* window() const;
  QWidget* client() const { return client_; }
  QMenuBar* menuBar() const { return menuBar_; }
  QWidget* widgetFor(const platform::ui::Control& control) const;
  ControlView* viewFor(const platform::ui::Control& control) const;
  // The action of a menu entry, its menu filled where it has entries: an entry's menu gets its
  // actions when it first opens, or when they are asked for here.
  QAction* actionFor(const platform::ui::MenuControl& menu);
  // The widget a control's widget goes into: its container's, or the client area.
  QWidget* parentWidgetFor(const platform::ui::Control& control) const;

  void show(bool modal);
  void hide();
  void controlAdded(platform::ui::Control& control);
  void controlRemoved(platform::ui::Control& control);
  // A container was shown: the controls that waited for it get their widgets now.
  void containerShown();
  // A container was hidden: once control is back in Qt's event loop, the controls inside
  // hidden containers give back their views and widgets and wait to be shown again.
  void containerHidden();
  // Hands the model the edits the window's fields hold: a tab strip takes the focus when
  // clicked, which finishes an edit before the page it stands on goes.
  // False when a field's edit was refused (that field shows why).
  bool finishInput();
  // The next count for ControlView::made.
  uint64_t nextMade() { return ++made_; }
  // Orders the widgets of `container`'s controls by their z-order.
  void restack(const platform::ui::Control* container);
  void rebuildMenus();
  void refreshTabStrips();
  // Sizes the window from the model (client area = ScaleWidth x ScaleHeight).
  void syncGeometry();
  // The menu bar's height; 0 while no top-level menu is visible.
  int menuBarHeight() const;
  void updateMenuBar();
  // Lays the menu bar and the client area into the window.
  void layoutWindow();

  void controlChanged(platform::ui::Control& control, std::string_view what) override;

  // From the window: the user acted on it.
  // True when the window may close (the form unloaded or hid), false when it refused.
  bool userClose();
  void userResized();
  void userWindowState();
  // Tells the model the outer size of the maximised window.
  void tellMaximizedSize();
  void userMouseUp(platform::ui::Control& control, QWidget* widget, QPointF pos);
  // Clicks the form's visible, enabled command button whose `role` ("Default" or
  // "Cancel") is set; false when there is none.
  bool pressButton(const char* role);
  // What makes the drawn window unreadable (drawn_checks.cpp); empty when nothing does.
  std::vector<std::string> drawnFaults() const;

 private:
  void addView(platform::ui::Control& control);
  void createView(platform::ui::Control& control);
  // True while a container of `control` (a page of a tab strip) is hidden: its widget is
  // made when the page is first shown, from the control's properties as they are then.
  bool waitsForContainer(const platform::ui::Control& control) const;
  void removeView(platform::ui::Control& control);
  // Gives back the views of the controls inside hidden containers (a page the user left): a
  // page shows one at a time, and its widgets are made anew from the model when it shows.
  void releaseHidden();
  QWidget* menuHost(const platform::ui::MenuControl& m) const;
  void menuEntryAdded(platform::ui::MenuControl& m);
  void menuEntryRemoved(platform::ui::MenuControl& m);
  QAction* makeMenuAction(platform::ui::MenuControl& m, QWidget* parent);
  // The action made for `menu` so far; null while its menu has not been filled.
  QAction* builtAction(const platform::ui::MenuControl& menu) const;
  void fillMenu(QMenu* menu, const platform::ui::MenuControl& parent);
  // Leaves `m`'s entries to be made when it first opens.
  void waitForOpening(const platform::ui::MenuControl& m);
  void fillPending(const platform::ui::MenuControl& m);
  // Whether `m` waits for its menu to be filled (it has no action yet, its menu does).
  bool pendingEntry(const platform::ui::MenuControl& m) const;
  void applyMenu(platform::ui::MenuControl& m, QAction* a);
  void applyFormProperty(std::string_view what);
  void applyWindowFlags();
  void applyWindowState();

  platform::ui::Form& form_;
  QPointer<WindowWidget> window_;
  QPointer<QWidget> client_;
  QPointer<QMenuBar> menuBar_;
  std::map<const platform::ui::Control*, std::unique_ptr<ControlView>> views_;
  std::map<const platform::ui::MenuControl*, QPointer<QAction>> actions_;
  std::vector<QPointer<QObject>> menuObjects_;
  // Menus made without their entries' actions yet: most menus are never opened in a window's
  // life, and an action each costs more than the entry's model.
  std::set<const platform::ui::MenuControl*> unfilled_;
  // Entries not yet made that were checked: an action once checked stays checkable.
  std::set<const platform::ui::MenuControl*> wereChecked_;
  std::vector<platform::ui::Control*> observed_;  // menus and image lists this window observes
  // Controls in hidden containers (pages), in the order they are to be made: containers first.
  std::vector<platform::ui::Control*> waiting_;
  bool releaseQueued_ = false;  // releaseHidden is due
  uint64_t made_ = 0;           // views made so far
  bool applyingGeometry_ = false;
  bool inUserResize_ = false;
  bool detached_ = false;
  bool placed_ = false;
  void place();

 public:
  // The form window shown or activated last: the opener of the next window when no window is
  // active, and the owner of a question asked while a window it opened is still coming up.
  static QPointer<QWidget>& lastShown();
};

// Where a window of `size` opens when it comes from `opener` (null: from no window): a step
// down and to the right of it, or near the corner of `area` where that would leave `area`.
// A place in `taken` (the top left corners of the windows already shown) is passed by.
QPoint cascadePosition(const QRect& opener, const QSize& size, const QRect& area,
                       const std::vector<QPoint>& taken = {});
// The top left corner that keeps `frame` inside `area`, or its top left inside where it is larger.
QPoint insideArea(const QRect& frame, const QRect& area);
// The frame `window` will have once shown, taking the frame's margins from `like` (may be null).
QRect framed(QWidget* window, QWidget* like);
// Moves a shown window back inside its screen where its frame sticks out.
void keepInsideScreen(QWidget* window);

}  // namespace frontend::qt
