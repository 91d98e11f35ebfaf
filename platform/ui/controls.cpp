#include "platform/ui/controls.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/ui/controls_support.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"

namespace platform::ui {

using namespace platform::ui::detail;
using platform::com::equalsNoCase;
using platform::com::RuntimeError;
using platform::com::VarType;
namespace err = platform::com::err;

// ---------------------------------------------------------------- BasicControl

BasicControl::BasicControl(Form& form, ControlType type, std::string name, int32_t index)
    : Control(form, type, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  switch (type) {
    case ControlType::Label:
      d("Caption", Variant(std::string()));
      d("Alignment", Variant(int16_t{0}));
      d("AutoSize", Variant(false));
      d("WordWrap", Variant(false));
      d("BackStyle", Variant(int16_t{1}));
      d("BorderStyle", Variant(int16_t{0}));
      break;
    case ControlType::Frame:
      d("Caption", Variant(std::string()));
      d("BorderStyle", Variant(int16_t{1}));
      break;
    case ControlType::TextBox:
      d("Text", Variant(std::string()));
      d("MultiLine", Variant(false));
      d("ScrollBars", Variant(int16_t{0}));
      d("Locked", Variant(false));
      d("Alignment", Variant(int16_t{0}));
      d("BorderStyle", Variant(int16_t{1}));
      d("MaxLength", Variant(int32_t{0}));
      d("BackColor", Variant(kWindowBackground));
      d("ForeColor", Variant(kWindowText));
      d("SelStart", Variant(int32_t{0}));
      d("SelLength", Variant(int32_t{0}));
      break;
    case ControlType::CommandButton:
      d("Caption", Variant(std::string()));
      d("Default", Variant(false));
      d("Cancel", Variant(false));
      d("Style", Variant(int16_t{0}));
      break;
    case ControlType::OptionButton:
      d("Caption", Variant(std::string()));
      d("Value", Variant(false));
      d("Alignment", Variant(int16_t{0}));
      break;
    case ControlType::CheckBox:
      d("Caption", Variant(std::string()));
      d("Value", Variant(int16_t{0}));
      d("Alignment", Variant(int16_t{0}));
      break;
    case ControlType::Image:
      d("Stretch", Variant(false));
      d("Picture", Variant(std::string()));
      d("BorderStyle", Variant(int16_t{0}));
      break;
    case ControlType::PictureBox:
      d("Picture", Variant(std::string()));
      d("BorderStyle", Variant(int16_t{1}));
      d("AutoRedraw", Variant(false));
      d("AutoSize", Variant(false));
      d("ScaleMode", Variant(int16_t{1}));
      break;
    case ControlType::Shape:
      d("Shape", Variant(int16_t{0}));
      d("FillColor", Variant(int32_t{0}));
      d("FillStyle", Variant(int16_t{1}));
      d("BorderColor", Variant(kWindowText));
      d("BorderWidth", Variant(int16_t{1}));
      d("BorderStyle", Variant(int16_t{1}));
      d("BackStyle", Variant(int16_t{0}));
      break;
    case ControlType::Line:
      d("X1", Variant(0.0f));
      d("Y1", Variant(0.0f));
      d("X2", Variant(0.0f));
      d("Y2", Variant(0.0f));
      d("BorderColor", Variant(kWindowText));
      d("BorderWidth", Variant(int16_t{1}));
      d("BorderStyle", Variant(int16_t{1}));
      break;
    default:
      break;
  }
}

void BasicControl::setProperty(std::string_view name, const Variant& value) {
  if (equalsNoCase(name, "Picture")) {
    std::string source = value.toString();
    Picture p;
    if (!source.empty() && form().pictures()) p = form().pictures()->resolve(source);
    if (!source.empty() && p.empty())
      platform::com::raise(err::InvalidPicture, "No picture '" + source + "'");
    Control::setProperty(name, Variant(source));
    setPicture(std::move(p));
    return;
  }
  if (type() == ControlType::OptionButton && equalsNoCase(name, "Value")) {
    bool on = value.toBool();
    bool was = getProperty("Value").toBool();
    Control::setProperty(name, Variant(on));
    if (on) {
      // One option per container is on; choosing one raises its Click.
      if (container()) {
        for (Control* s : container()->children())
          if (s != this && s->type() == ControlType::OptionButton) s->setProperty("Value", Variant(false));
      }
      if (!was) raise("Click");
    }
    return;
  }
  if (type() == ControlType::TextBox && equalsNoCase(name, "Text")) {
    std::string before = getProperty("Text").toString();
    Control::setProperty(name, value);
    if (before != getProperty("Text").toString()) raise("Change");
    return;
  }
  if (type() == ControlType::CheckBox && equalsNoCase(name, "Value")) {
    int16_t before = getProperty("Value").toInteger();
    Control::setProperty(name, value);
    if (before != getProperty("Value").toInteger()) raise("Click");
    return;
  }
  Control::setProperty(name, value);
}

void BasicControl::setPicture(Picture p) {
  if (replaced(picture_, std::move(p))) notify("Picture");
}

// ---------------------------------------------------------------- Timer

TimerControl::TimerControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::Timer, std::move(name), index) {
  declare("Interval", Variant(int32_t{0}));
  declare("Enabled", Variant(true));
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
  // Invisible at run time, but a design places it with a size like any control.
  declare("Width", Variant(420.0f));
  declare("Height", Variant(420.0f));
}

TimerControl::~TimerControl() {
  EventLoop::instance().disarm(this);
}

void TimerControl::setProperty(std::string_view name, const Variant& value) {
  if (equalsNoCase(name, "Interval")) {
    int32_t v = value.toLong();
    if (v < 0 || v > 65535) platform::com::raise(err::InvalidPropertyValue, "Timer interval out of range");
    Control::setProperty(name, Variant(v));
    rearm();  // setting the interval restarts the count
    return;
  }
  if (equalsNoCase(name, "Enabled")) {
    Control::setProperty(name, value);
    rearm();  // enabling restarts the count
    return;
  }
  Control::setProperty(name, value);
}

namespace {
// Property numbers exist once a control has declared the name: every timer has by then.
int32_t timerEnabledId() {
  static const int32_t id = PropertyStore::propertyId("Enabled");
  return id;
}
int32_t timerIntervalId() {
  static const int32_t id = PropertyStore::propertyId("Interval");
  return id;
}
}  // namespace

int32_t TimerControl::interval() const {
  if (const std::optional<int32_t> ms = longById(timerIntervalId())) return *ms;
  return valueById(timerIntervalId()).toLong();
}

bool TimerControl::isEnabled() const {
  if (const std::optional<bool> on = boolById(timerEnabledId())) return *on;
  return valueById(timerEnabledId()).toBool();
}

void TimerControl::setTimerEnabled(bool on) {
  if (!storeBoolById(timerEnabledId(), on)) storeById(timerEnabledId(), Variant(on));
  rearm();
}

void TimerControl::rearm() {
  const int32_t ms = detached_ || !isEnabled() ? 0 : interval();
  if (ms > 0)
    EventLoop::instance().arm(this, ms);
  else
    EventLoop::instance().disarm(this);
}

void TimerControl::detach() {
  detached_ = true;
  EventLoop::instance().disarm(this);
}

void TimerControl::fire() {
  if (running_ || detached_) return;
  running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{running_};
  EventArgs args;
  form().raiseEvent(*this, "Timer", args, handler_);
}

// ---------------------------------------------------------------- Menu

MenuControl::MenuControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::Menu, std::move(name), index) {
  declare("Caption", Variant(std::string()));
  declare("Checked", Variant(false));
  declare("Enabled", Variant(true));
  declare("Visible", Variant(true));
  declare("Shortcut", Variant(std::string()));
  declare("WindowList", Variant(false));
  declare("HelpContextID", Variant(int32_t{0}));
  declare("NegotiatePosition", Variant(int16_t{0}));
}

void MenuControl::setChecked(bool checked) {
  static const int32_t id = PropertyStore::propertyId("Checked");
  if (!storeBoolById(id, checked)) setProperty("Checked", checked);
}

std::vector<MenuControl*> MenuControl::entries() const {
  std::vector<MenuControl*> out;
  for (Control* c : children())
    if (auto* m = dynamic_cast<MenuControl*>(c)) out.push_back(m);
  return out;
}

// ---------------------------------------------------------------- ListBox / ComboBox

ListBoxControl::ListBoxControl(Form& form, ControlType type, std::string name, int32_t index)
    : Control(form, type, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  d("BackColor", Variant(kWindowBackground));
  d("ForeColor", Variant(kWindowText));
  d("ListIndex", Variant(int32_t{-1}));
  d("Sorted", Variant(false));
  d("IntegralHeight", Variant(true));
  d("Style", Variant(int16_t{0}));
  d("Text", Variant(std::string()));
  d("TopIndex", Variant(int32_t{0}));
}

void ListBoxControl::addItem(std::string item, int32_t index) {
  if (index < -1 || index > listCount()) platform::com::raise(err::InvalidProcedureCall);
  if (index == -1)
    items_.push_back(std::move(item));
  else
    items_.insert(items_.begin() + index, std::move(item));
  notify("List");
}

void ListBoxControl::removeItem(int32_t index) {
  if (index < 0 || index >= listCount()) platform::com::raise(err::InvalidProcedureCall);
  items_.erase(items_.begin() + index);
  int32_t li = listIndex();
  if (li >= listCount()) store("ListIndex", Variant(int32_t{-1}));
  notify("List");
}

void ListBoxControl::clear() {
  items_.clear();
  store("ListIndex", Variant(int32_t{-1}));
  notify("List");
}

const std::string& ListBoxControl::list(int32_t index) const {
  if (index < 0 || index >= listCount()) platform::com::raise(err::InvalidProcedureCall);
  return items_[index];
}

void ListBoxControl::setListIndex(int32_t i) {
  setProperty("ListIndex", Variant(i));
}

void ListBoxControl::setTabStops(std::vector<int32_t> stops) {
  tabStops_ = std::move(stops);
  notify("List");
}

void ListBoxControl::setProperty(std::string_view name, const Variant& value) {
  if (equalsNoCase(name, "ListIndex")) {
    int32_t i = value.toLong();
    if (i < -1 || i >= listCount()) platform::com::raise(err::InvalidPropertyValue);
    int32_t before = listIndex();
    Control::setProperty(name, Variant(i));
    if (i >= 0 && type() == ControlType::ComboBox) store("Text", Variant(items_[i]));
    if (before != i) raise("Click");
    return;
  }
  Control::setProperty(name, value);
}

Variant ListBoxControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (equalsNoCase(s.name, "List") && s.arg && s.rest.empty()) return Variant(list(pathArg(*s.arg).toLong()));
  if (equalsNoCase(s.name, "ListCount") && !s.arg && s.rest.empty()) return Variant(listCount());
  return Control::evalPath(path);
}

std::string ListBoxControl::extraJson() const {
  return jsonText({{"list", items_}, {"tabStops", tabStops_}});
}

// ---------------------------------------------------------------- CommonDialog

CommonDialogControl::CommonDialogControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::CommonDialog, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  d("Left", Variant(0.0f));
  d("Top", Variant(0.0f));
  d("Width", Variant(480.0f));  // its design size; it is never drawn
  d("Height", Variant(480.0f));
  d("CancelError", Variant(false));
  d("FileName", Variant(std::string()));
  d("FileTitle", Variant(std::string()));
  d("Filter", Variant(std::string()));
  d("FilterIndex", Variant(int16_t{0}));
  d("DefaultExt", Variant(std::string()));
  d("DialogTitle", Variant(std::string()));
  d("InitDir", Variant(std::string()));
  d("Flags", Variant(int32_t{0}));
  d("HelpFile", Variant(std::string()));
  d("HelpCommand", Variant(int32_t{0}));
  d("HelpKey", Variant(std::string()));
  d("HelpContext", Variant(int32_t{0}));
  d("Copies", Variant(int16_t{1}));
  d("FromPage", Variant(int16_t{0}));
  d("ToPage", Variant(int16_t{0}));
  d("Min", Variant(int16_t{0}));
  d("Max", Variant(int16_t{0}));
  d("Orientation", Variant(int16_t{1}));
  d("PrinterDefault", Variant(true));
}

namespace {
// Flag of the printer dialog that tells the caller "print to file" was ticked.
constexpr int32_t kPrintToFile = 0x20;
}  // namespace

void CommonDialogControl::ShowSave() {
  SaveFileRequest r;
  r.title = getProperty("DialogTitle").toString();
  r.fileName = getProperty("FileName").toString();
  r.filter = getProperty("Filter").toString();
  r.filterIndex = getProperty("FilterIndex").toLong();
  r.defaultExt = getProperty("DefaultExt").toString();
  r.initDir = getProperty("InitDir").toString();
  r.flags = getProperty("Flags").toLong();
  std::optional<std::string> chosen = Services::dialogs().saveFile(r);
  if (!chosen) {
    if (getProperty("CancelError").toBool()) platform::com::raise(err::CancelSelected);
    return;
  }
  setProperty("FileName", Variant(*chosen));
  std::string title = *chosen;
  if (auto slash = title.find_last_of('/'); slash != std::string::npos) title = title.substr(slash + 1);
  setProperty("FileTitle", Variant(title));
}

void CommonDialogControl::ShowPrinter() {
  PrinterRequest r;
  r.flags = getProperty("Flags").toLong();
  r.copies = getProperty("Copies").toInteger();
  r.setupOnly = (r.flags & 0x40) != 0;  // the set-up dialog flag
  PrinterAnswer a = Services::dialogs().printer(r);
  if (!a.ok) {
    if (getProperty("CancelError").toBool()) platform::com::raise(err::CancelSelected);
    return;
  }
  setProperty("Copies", Variant(static_cast<int16_t>(std::clamp(a.copies, 1, 9999))));
  int32_t flags = getProperty("Flags").toLong();
  flags = a.printToFile ? (flags | kPrintToFile) : (flags & ~kPrintToFile);
  setProperty("Flags", Variant(flags));
}

void CommonDialogControl::ShowHelp() {
  Services::help().help(getProperty("HelpFile").toString(), getProperty("HelpCommand").toLong(),
                        getProperty("HelpKey").toString());
}

}  // namespace platform::ui
