#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/ui/control.h"
#include "platform/ui/controls.h"

namespace platform::ui {

struct Design;

// Window states.
inline constexpr int16_t kNormal = 0;
inline constexpr int16_t kMinimized = 1;
inline constexpr int16_t kMaximized = 2;
// Mouse pointers.
inline constexpr int16_t kDefaultPointer = 0;
inline constexpr int16_t kHourglass = 11;

// Frame sizes of a top-level window, in twips: what lies between the outer size and the
// client area (borders, caption, menu bar).
inline constexpr float kBorderTwips = 60.0f;
inline constexpr float kCaptionTwips = 345.0f;
inline constexpr float kMenuBarTwips = 300.0f;

class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void formLoaded(class Form& form) {}
  virtual void formUnloading(class Form& form) {}
  virtual void formShown(class Form& form, bool modal) {}
  virtual void formHidden(class Form& form) {}
  virtual void controlAdded(class Form& form, Control& control) {}
  virtual void controlRemoved(class Form& form, Control& control) {}
  virtual void popupMenu(class Form& form, MenuControl& menu) {}
  virtual void formDestroyed(class Form& form) {}
};

// A window. It is created without controls; the first access to a control loads it
// (creates the controls from its design and raises Form_Load). After it has unloaded,
// no property access reloads it: such an access raises error 364.
class PLAT_API Form : public Control, public platform::com::Unknown {
 public:
  // `designJson` is the form's design (see design_format.md); `pictures` resolves the
  // pictures the design names (may be null).
  // `liveCount` is the owning library's count of live objects (may be null). Forms are
  // reference counted so that an event handler on the stack keeps its form alive.
  Form(std::string name, std::string designJson, const PictureResolver* pictures = nullptr,
       platform::com::LiveCount* liveCount = nullptr);
  ~Form() override;

  // --- life cycle
  bool isLoaded() const { return loaded_; }
  bool wasUnloaded() const { return unloaded_; }
  // Shown since its load: the form holds itself until it is unloaded.
  bool heldUntilUnload() const { return keptWhileLoaded_; }
  // Counts the loads: a control of the design resolved during one load lives while the form stays
  // loaded and this count is unchanged, so a caller may keep it instead of looking it up again.
  uint64_t loadCount() const { return loadCount_; }
  // Loads the form if it is not loaded (raises error 364 after an unload).
  void ensureLoaded();
  // Loads a form again after it was unloaded (an explicit load, as the language's Load statement).
  void load();
  // Query-unload and unload with `mode`; returns false when a handler cancelled.
  // A form that was shown lives until it is unloaded, as a window of the platform does, also
  // when nobody holds a reference to it any more.
  bool unload(int16_t mode = kUnloadFormCode);
  // The user closes the window (the close box).
  bool userClose() { return unload(kUnloadFormControlMenu); }
  void show(bool modal = false);
  void hide();
  bool isModal() const { return modal_; }

  // --- controls
  // The control by name (and index for array members); loads the form; error 340/730-style
  // (ControlArrayElementMissing / NoSuchMember) when absent.
  Control& ctl(std::string_view name, int32_t index = -1);
  template <class T>
  T& ctlAs(std::string_view name, int32_t index = -1) {
    return dynamic_cast<T&>(ctl(name, index));
  }
  Control* findControl(std::string_view name, int32_t index = -1) const;
  bool hasControl(std::string_view name, int32_t index = -1) const {
    return findControl(name, index) != nullptr;
  }
  // Members of a control array in index order.
  std::vector<Control*> controlArray(std::string_view name) const;
  std::vector<int32_t> arrayIndices(std::string_view name) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  // Creates array member `index` as a copy of the lowest existing member (Load statement).
  Control& loadControl(std::string_view name, int32_t index);
  // Removes a member created by loadControl (Unload statement); error 362-style 5 for design members.
  void unloadControl(std::string_view name, int32_t index);

  // Shortcuts.
  TimerControl& timer(std::string_view name) { return ctlAs<TimerControl>(name); }
  MenuControl& menu(std::string_view name, int32_t index = -1) { return ctlAs<MenuControl>(name, index); }
  TabStripControl& tabStrip(std::string_view name) { return ctlAs<TabStripControl>(name); }
  StatusBarControl& statusBar(std::string_view name) { return ctlAs<StatusBarControl>(name); }

  // --- geometry (twips)
  // Outer size; setting a different size raises Form_Resize at once (nested when a
  // handler changes the size again).
  float scaleWidth() const;   // client width
  float scaleHeight() const;  // client height
  // Maximised, Width and Height are the maximised outer size (the front end tells it, the
  // screen's size until then) and the window is laid out for it; restored, they are the size
  // the window had before, and it is laid out for that again.
  int16_t windowState() const { return getProperty("WindowState").toInteger(); }
  void setWindowState(int16_t s) { setProperty("WindowState", s); }
  // The outer size of the maximised window, as the window system gives it. While maximised a
  // new size raises Form_Resize; otherwise it is kept for the next maximising.
  bool userMaximizedSize(float width, float height);
  bool hasMenuBar() const;

  // --- events
  using Handler = EventHandler;
  // Handlers for control events, by control name (every member of an array shares one).
  void on(std::string_view controlName, std::string_view event, Handler handler);
  void on(std::string_view controlName, std::string_view event, std::function<void()> handler);
  // Raises an event of a control (or of the form itself with controlName "Form").
  void raiseEvent(Control& control, std::string_view event, EventArgs& args);
  // The same through a handler looked up once (see EventHandlerCache).
  void raiseEvent(Control& control, std::string_view event, EventArgs& args, EventHandlerCache& cache);
  bool hasHandler(std::string_view controlName, std::string_view event) const;

  // Input from outside (front end, script): each runs behind an error boundary, so an
  // error that escapes a handler is reported, not thrown. Return false when the control
  // cannot take the input (disabled, invisible, unknown).
  bool userClick(Control& control);
  bool userDblClick(Control& control);
  bool userMouseUp(Control& control, int16_t button, float x = 0, float y = 0);
  bool userText(Control& control, std::string_view text);
  bool userSelectTab(TabStripControl& tabs, const Variant& keyOrPosition);
  bool userResize(float width, float height);

  // Shows a popup menu at the pointer (the front end or the script picks an entry).
  void popupMenu(MenuControl& menu);

  void setProperty(std::string_view name, const Variant& value) override;
  Variant getProperty(std::string_view name) const override;

  void addFormObserver(FormObserver* o);
  void removeFormObserver(FormObserver* o);
  const PictureResolver* pictures() const { return pictures_; }
  // The parsed design, shared with the other windows of its text; null before the first load.
  const Design* design() const { return design_.get(); }

 protected:
  // Form events; derived forms override what they handle.
  virtual void Form_Load() {}
  virtual void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {}
  virtual void Form_Unload(int16_t& Cancel) {}
  virtual void Form_Resize() {}
  virtual void Form_MouseUp(int16_t Button, int16_t Shift, float X, float Y) {}
  virtual void Form_Activate() {}

 private:
  void createControls();
  Control& createControl(const struct DesignControl& dc);
  void raiseResize();
  void destroyControls();
  template <class F>
  bool boundary(std::string_view where, F&& f);

  std::string designJson_;  // until the design is parsed
  std::shared_ptr<const Design> design_;
  const PictureResolver* pictures_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Control>> graveyard_;  // unloaded controls, kept while a handler may run
  std::map<std::string, std::map<int32_t, Control*>, NoCaseLess> byName_;
  // "control.event"; shared, so that a running handler stays alive when it replaces itself
  // without being copied at every event
  std::map<std::string, std::shared_ptr<const Handler>, NoCaseLess> handlers_;
  uint64_t handlersGeneration_ = 1;  // changes whenever a handler is set
  std::vector<FormObserver*> formObservers_;
  std::set<Control*> runtimeLoaded_;  // array members created by loadControl
  bool suppressEvents_ = false;
  uint64_t loadCount_ = 0;
  bool loaded_ = false;
  bool loading_ = false;
  bool unloaded_ = false;
  bool unloading_ = false;
  bool querying_ = false;  // inside Form_QueryUnload
  bool modal_ = false;
  bool keptWhileLoaded_ = false;  // the reference a shown form holds on itself until its unload
  int resizeDepth_ = 0;
  // The size to go back to when a maximised (or minimised) window is restored.
  float restoreWidth_ = 0, restoreHeight_ = 0;
  bool haveRestoreSize_ = false;
  float maximizedWidth_ = 0, maximizedHeight_ = 0;  // 0: the screen's size
  void changeWindowState(int16_t s);
  friend class Control;
};

// Implemented by objects that own a window (the view classes), so that a host can reach
// the window of a view it created: for scripted sessions and the front end.
class PLAT_API WindowOwner {
 public:
  virtual ~WindowOwner() = default;
  // The owned window, or null when it has none any more.
  virtual Form* ownedWindow() const = 0;
};

// Observers that every form created from now on gets (a front end mirrors all windows).
// A form tells them formCreated-like news through FormObserver::controlAdded etc.; the
// constructor calls `formCreated` on them.
class PLAT_API GlobalFormObserver : public FormObserver {
 public:
  virtual void formCreated(Form& form) {}
};
PLAT_API void addGlobalFormObserver(GlobalFormObserver* o);
PLAT_API void removeGlobalFormObserver(GlobalFormObserver* o);

// Every form that exists, for front ends and scripts (newest last).
PLAT_API std::vector<Form*> allForms();

}  // namespace platform::ui
