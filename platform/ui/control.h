#pragma once
// The window model: a form is a tree of controls, and every property a behaviour reads or
// writes lives here, in the units the behaviour uses (twips as float, OLE colours as Long).
// A front end only mirrors it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/export.h"
#include "platform/com/variant.h"
#include "platform/ui/property_store.h"

namespace platform::ui {

using platform::com::Variant;

class Form;
class Control;

// Case-insensitive ordering for property, control and key names.
struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

enum class ControlType : uint8_t {
  Form,
  Label,
  Frame,
  TextBox,
  CommandButton,
  OptionButton,
  CheckBox,
  Image,
  PictureBox,
  Shape,
  Line,
  Timer,
  Menu,
  TabStrip,
  StatusBar,
  ImageList,
  ListBox,
  ComboBox,
  CommonDialog,
  User,  // a user control created by ProgID (host controls, the lamp)
};

PLAT_API std::string_view controlTypeName(ControlType t);

// One step of a property path: "Name(arg).Rest" gives name, the argument text and the rest.
struct PathSegment {
  std::string name;
  std::optional<std::string> arg;
  std::string rest;
};
// Raises error 380 for an unclosed parenthesis.
PLAT_API PathSegment splitControlPath(std::string_view path);
// Raises error 13 for an unknown name.
PLAT_API ControlType controlTypeFromName(std::string_view name);

// Arguments of an event. Handlers read what the event carries and may set Cancel.
struct EventArgs {
  int32_t index = -1;  // member index of a control array, -1 otherwise
  int16_t button = 0;  // 1 left, 2 right, 4 middle
  int16_t shift = 0;
  float x = 0, y = 0;  // twips, relative to the control
  int16_t cancel = 0;
  int16_t unloadMode = 0;  // 0 the user closed the window, 1 code, 4 the host
  int16_t keyAscii = 0;
};

// A form's handler of one control event.
using EventHandler = std::function<void(EventArgs&)>;
// The handler of one event, looked up once for a control that raises it often (a timer's
// tick); valid while the form's handlers have not changed since.
struct EventHandlerCache {
  const std::shared_ptr<const EventHandler>* handler = nullptr;
  uint64_t generation = 0;  // 0: not looked up yet
};

// Mouse buttons and query-unload modes as the event arguments carry them.
inline constexpr int16_t kLeftButton = 1;
inline constexpr int16_t kRightButton = 2;
inline constexpr int16_t kUnloadFormControlMenu = 0;
inline constexpr int16_t kUnloadFormCode = 1;
inline constexpr int16_t kUnloadAppWindows = 2;
// The window's owner is going away (the view object that holds it ends): nothing can wait.
inline constexpr int16_t kUnloadFormOwner = 5;

// Something that wants to know about changes of a control (the front end, a test).
// `what` is the property name, or a structural change: "Tabs", "Panels", "List",
// "ListImages", "Controls" (a control array member loaded or unloaded), "Picture".
class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void controlChanged(Control& control, std::string_view what) = 0;
};

class PLAT_API Control {
 public:
  Control(Form& form, ControlType type, std::string name, int32_t index);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Form& form() const { return form_; }
  ControlType type() const { return type_; }
  const std::string& name() const { return name_; }
  int32_t index() const { return index_; }  // -1 when not a control array member
  std::string qualifiedName() const;        // "Name" or "Name(3)"
  virtual std::string typeName() const { return std::string(controlTypeName(type_)); }

  Control* container() const { return container_; }
  void setContainer(Control* c);
  const std::vector<Control*>& children() const { return children_; }

  // Properties by name. Unknown names raise error 438; a value that does not convert
  // to the property's type raises 13 or 380.
  virtual Variant getProperty(std::string_view name) const;
  virtual void setProperty(std::string_view name, const Variant& value);
  bool hasProperty(std::string_view name) const;
  // A dotted path with optional (key-or-index) arguments: "Panels(StatusBarCommText).Text",
  // "Tabs.Count", "SelectedItem.Key", "ChannelCaption(1)".
  virtual Variant evalPath(std::string_view path) const;
  // Every property with its value, for dumps.
  virtual std::vector<std::pair<std::string, Variant>> properties() const;
  // Structured extras for dumps (tabs, panels, list items); empty by default.
  virtual std::string extraJson() const { return {}; }

  // Typed shortcuts for the common properties.
  float left() const { return getProperty("Left").toSingle(); }
  float top() const { return getProperty("Top").toSingle(); }
  float width() const { return getProperty("Width").toSingle(); }
  float height() const { return getProperty("Height").toSingle(); }
  void setLeft(double v) { setProperty("Left", static_cast<float>(v)); }
  void setTop(double v) { setProperty("Top", static_cast<float>(v)); }
  void setWidth(double v) { setProperty("Width", static_cast<float>(v)); }
  void setHeight(double v) { setProperty("Height", static_cast<float>(v)); }
  void move(double left, double top, double width, double height);
  bool visible() const { return getProperty("Visible").toBool(); }
  void setVisible(bool v) { setProperty("Visible", v); }
  bool enabled() const { return getProperty("Enabled").toBool(); }
  void setEnabled(bool v) { setProperty("Enabled", v); }
  std::string caption() const { return getProperty("Caption").toString(); }
  void setCaption(std::string_view v) { setProperty("Caption", Variant(v)); }
  std::string text() const { return getProperty("Text").toString(); }
  void setText(std::string_view v) { setProperty("Text", Variant(v)); }
  Variant tag() const { return getProperty("Tag"); }
  void setTag(const Variant& v) { setProperty("Tag", v); }

  // Z-order among the siblings: 0 brings to the front, 1 sends to the back.
  void zOrder(int position = 0);
  int32_t zIndex() const { return zIndex_; }

  // Whether the control can be seen: its own Visible and every container's, and the form's.
  bool effectivelyVisible() const;

  void addObserver(ControlObserver* o);
  void removeObserver(ControlObserver* o);

  // Raises a named event of this control on its form (handlers by control name).
  void raise(std::string_view event, EventArgs& args);
  void raise(std::string_view event);

  // Called by the form when the control leaves it (unload of the form or of the member).
  virtual void detach() {}

 protected:
  // Declares a property with its default; only declared properties exist.
  void declare(std::string_view name, Variant defaultValue);
  // Stores a value without side effects and notifies observers on a real change.
  void store(std::string_view name, Variant value);
  // The current value, nullopt when the property is not declared.
  std::optional<Variant> find(std::string_view name) const;
  // A declared property by its number (PropertyStore::propertyId), for the few that are read
  // or written at every notification: no lookup by name. Storing does not convert the value
  // and tells the observers of a real change, as setProperty does.
  Variant valueById(int32_t id) const;
  void storeById(int32_t id, Variant value);
  // The same for a Boolean that is read or switched often, without a Variant built or
  // copied; nullopt or false (nothing stored) when the value is of another type.
  std::optional<bool> boolById(int32_t id) const;
  bool storeBoolById(int32_t id, bool value);
  // A Long read the same way.
  std::optional<int32_t> longById(int32_t id) const;
  void notify(std::string_view what);
  // Converts a value to the type of the declared default (Single, Long, Boolean, String...).
  static Variant coerceLike(const Variant& like, const Variant& value);

 private:
  Form& form_;
  ControlType type_;
  std::string name_;
  int32_t index_;
  Control* container_ = nullptr;
  std::vector<Control*> children_;
  // Raises 438 naming the property when it is not declared.
  size_t slotOrRaise(std::string_view name) const;
  void storeAt(size_t slot, Variant value);
  PropertyStore props_;
  std::vector<ControlObserver*> observers_;
  int32_t zIndex_ = 0;
  friend class Form;
};

}  // namespace platform::ui
