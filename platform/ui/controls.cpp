#include "platform/ui/controls.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"

namespace platform::ui {

using platform::com::equalsNoCase;
using platform::com::RuntimeError;
using platform::com::VarType;
namespace err = platform::com::err;

namespace {

constexpr int32_t kButtonFace = static_cast<int32_t>(0x8000000Fu);
constexpr int32_t kButtonText = static_cast<int32_t>(0x80000012u);
constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005u);
constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008u);

// What every visible control has.
void declareVisual(Control& c, auto&& declare) {
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
  declare("Width", Variant(1215.0f));
  declare("Height", Variant(375.0f));
  declare("Visible", Variant(true));
  declare("Enabled", Variant(true));
  declare("ToolTipText", Variant(std::string()));
  declare("BackColor", Variant(kButtonFace));
  declare("ForeColor", Variant(kButtonText));
  declare("FontName", Variant(std::string("MS Sans Serif")));
  declare("FontSize", Variant(8.25f));
  declare("FontBold", Variant(false));
  declare("FontItalic", Variant(false));
  declare("FontUnderline", Variant(false));
  declare("TabIndex", Variant(int16_t{0}));
  declare("TabStop", Variant(true));
  declare("MousePointer", Variant(int16_t{0}));
  declare("Appearance", Variant(int16_t{1}));
  declare("HelpContextID", Variant(int32_t{0}));
}

std::string jsonText(const nlohmann::json& j) {
  return j.dump();
}

int32_t resolveIn(const auto& items, const Variant& keyOrPosition, auto&& keyOf) {
  if (keyOrPosition.isNumeric()) {
    int32_t pos = keyOrPosition.toLong();
    return pos >= 1 && pos <= static_cast<int32_t>(items.size()) ? pos : 0;
  }
  std::string key = keyOrPosition.toString();
  for (size_t i = 0; i < items.size(); ++i)
    if (keyOf(items[i]) == key) return static_cast<int32_t>(i + 1);
  return 0;
}

// The position resolveIn gave for `keyOrPosition`; error 380 when it found nothing.
int32_t foundAt(int32_t pos, const Variant& keyOrPosition) {
  if (pos == 0)
    platform::com::raise(err::InvalidPropertyValue, "Element not found: " + keyOrPosition.toString());
  return pos;
}

// Stores `value` in `field`; false, with nothing stored, when the field holds it already.
template <class T>
bool replaced(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

// A path argument: digits are a position, anything else a key.
Variant pathArg(const std::string& arg) {
  bool digits =
      !arg.empty() && std::all_of(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) return Variant(static_cast<int32_t>(std::stol(arg)));
  std::string a = arg;
  if (a.size() >= 2 && a.front() == '"' && a.back() == '"') a = a.substr(1, a.size() - 2);
  return Variant(a);
}

[[noreturn]] void noPath(const Control& c, std::string_view path) {
  platform::com::raise(err::NoSuchMember,
                       "'" + c.qualifiedName() + "' has no property path '" + std::string(path) + "'");
}

}  // namespace

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

void TimerControl::rearm() {
  if (!detached_ && isEnabled() && interval() > 0)
    EventLoop::instance().arm(this, interval());
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

std::vector<MenuControl*> MenuControl::entries() const {
  std::vector<MenuControl*> out;
  for (Control* c : children())
    if (auto* m = dynamic_cast<MenuControl*>(c)) out.push_back(m);
  return out;
}

// ---------------------------------------------------------------- TabStrip

TabStripControl::TabStripControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::TabStrip, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  d("ImageList", Variant(std::string()));
  d("MultiRow", Variant(false));
  d("Style", Variant(int16_t{0}));
  d("TabWidthStyle", Variant(int16_t{0}));
  d("Placement", Variant(int16_t{0}));
}

int32_t TabStripControl::resolve(const Variant& k) const {
  return resolveIn(tabs_, k, [](const Tab& t) -> const std::string& { return t.key; });
}

int32_t TabStripControl::positionOf(std::string_view key) const {
  return resolve(Variant(key));
}

Tab& TabStripControl::add(int32_t position, std::string key, std::string caption, int32_t image) {
  if (!key.empty() && resolve(Variant(key)) != 0)
    platform::com::raise(err::InvalidPropertyValue, "Key is not unique in collection: " + key);
  if (position == 0) position = count() + 1;
  if (position < 1 || position > count() + 1)
    platform::com::raise(err::InvalidPropertyValue, "Index out of bounds");
  Tab t;
  t.key = std::move(key);
  t.caption = std::move(caption);
  t.image = image;
  tabs_.insert(tabs_.begin() + (position - 1), std::move(t));
  if (selected_ >= position) ++selected_;
  if (selected_ == 0) selected_ = 1;  // a strip with tabs always has a selected tab
  notify("Tabs");
  return tabs_[position - 1];
}

void TabStripControl::remove(const Variant& k) {
  int32_t pos = foundAt(resolve(k), k);
  tabs_.erase(tabs_.begin() + (pos - 1));
  if (selected_ == pos)
    selected_ = tabs_.empty() ? 0 : std::min<int32_t>(pos, count());
  else if (selected_ > pos)
    --selected_;
  notify("Tabs");
}

Tab& TabStripControl::tab(const Variant& k) {
  return tabs_[foundAt(resolve(k), k) - 1];
}
const Tab& TabStripControl::tab(const Variant& k) const {
  return const_cast<TabStripControl*>(this)->tab(k);
}

void TabStripControl::setTabCaption(const Variant& k, std::string caption) {
  if (replaced(tab(k).caption, std::move(caption))) notify("Tabs");
}
void TabStripControl::setTabImage(const Variant& k, int32_t image) {
  if (replaced(tab(k).image, image)) notify("Tabs");
}
void TabStripControl::setTabTag(const Variant& k, Variant tag) {
  Tab& t = tab(k);
  t.tag = std::move(tag);
}

void TabStripControl::clear() {
  tabs_.clear();
  selected_ = 0;
  notify("Tabs");
}

std::string TabStripControl::selectedKey() const {
  return selected_ ? tabs_[selected_ - 1].key : std::string();
}

void TabStripControl::select(const Variant& k) {
  int32_t pos = foundAt(resolve(k), k);
  bool changed = pos != selected_;
  selected_ = pos;
  if (changed) notify("SelectedItem");
  // A click handler may select again; a runaway chain ends with an error, not a crash.
  if (clickDepth_ > 64) platform::com::raise(28, "Out of stack space");
  ++clickDepth_;
  struct Dec {
    int& d;
    ~Dec() { --d; }
  } dec{clickDepth_};
  raise("Click");
}

float TabStripControl::clientLeft() const {
  return left() + kBorder;
}
float TabStripControl::clientTop() const {
  return top() + kTabRowHeight + kBorder;
}
float TabStripControl::clientWidth() const {
  return std::max(0.0f, width() - 2 * kBorder);
}
float TabStripControl::clientHeight() const {
  return std::max(0.0f, height() - kTabRowHeight - 2 * kBorder);
}

Variant TabStripControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  auto tabField = [&](const Tab& t, const std::string& field) -> Variant {
    if (field.empty() || equalsNoCase(field, "Key")) return Variant(t.key);
    if (equalsNoCase(field, "Caption")) return Variant(t.caption);
    if (equalsNoCase(field, "Image")) return Variant(t.image);
    if (equalsNoCase(field, "Tag")) return t.tag;
    if (equalsNoCase(field, "ToolTipText")) return Variant(t.toolTipText);
    if (equalsNoCase(field, "Index")) return Variant(positionOf(t.key));
    if (equalsNoCase(field, "Selected")) return Variant(positionOf(t.key) == selected_);
    noPath(*this, path);
  };
  if (equalsNoCase(s.name, "Tabs")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(count());
      noPath(*this, path);
    }
    return tabField(tab(pathArg(*s.arg)), s.rest);
  }
  if (equalsNoCase(s.name, "SelectedItem")) {
    if (selected_ == 0) platform::com::raise(err::ObjectNotSet);
    return tabField(tabs_[selected_ - 1], s.rest);
  }
  if (s.rest.empty() && !s.arg) {
    if (equalsNoCase(s.name, "ClientLeft")) return Variant(clientLeft());
    if (equalsNoCase(s.name, "ClientTop")) return Variant(clientTop());
    if (equalsNoCase(s.name, "ClientWidth")) return Variant(clientWidth());
    if (equalsNoCase(s.name, "ClientHeight")) return Variant(clientHeight());
  }
  return Control::evalPath(path);
}

std::string TabStripControl::extraJson() const {
  nlohmann::json tabs = nlohmann::json::array();
  for (size_t i = 0; i < tabs_.size(); ++i) {
    const Tab& t = tabs_[i];
    tabs.push_back({{"key", t.key},
                    {"caption", t.caption},
                    {"image", t.image},
                    {"tag", t.tag.isEmpty() ? std::string() : t.tag.toString()},
                    {"selected", static_cast<int32_t>(i + 1) == selected_}});
  }
  return jsonText({{"tabs", tabs}, {"client", {clientLeft(), clientTop(), clientWidth(), clientHeight()}}});
}

// ---------------------------------------------------------------- StatusBar

StatusBarControl::StatusBarControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::StatusBar, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  d("Height", Variant(315.0f));
  d("Align", Variant(int16_t{2}));  // along the bottom
  d("Style", Variant(int16_t{0}));
  d("SimpleText", Variant(std::string()));
}

int32_t StatusBarControl::resolve(const Variant& k) const {
  return resolveIn(panels_, k, [](const Panel& p) -> const std::string& { return p.key; });
}

Panel& StatusBarControl::panel(const Variant& k) {
  return panels_[foundAt(resolve(k), k) - 1];
}
const Panel& StatusBarControl::panel(const Variant& k) const {
  return const_cast<StatusBarControl*>(this)->panel(k);
}

Panel& StatusBarControl::addPanel(Panel p) {
  panels_.push_back(std::move(p));
  layoutPanels();
  notify("Panels");
  return panels_.back();
}

void StatusBarControl::setPanelText(const Variant& k, std::string text) {
  if (replaced(panel(k).text, std::move(text))) notify("Panels");
}
void StatusBarControl::setPanelToolTip(const Variant& k, std::string text) {
  if (replaced(panel(k).toolTipText, std::move(text))) notify("Panels");
}
void StatusBarControl::setPanelPicture(const Variant& k, Picture picture) {
  if (replaced(panel(k).picture, std::move(picture))) notify("Panels");
}
void StatusBarControl::setPanelWidth(const Variant& k, float width) {
  Panel& p = panel(k);
  p.width = std::max(width, p.minWidth);
  layoutPanels();
  notify("Panels");
}

void StatusBarControl::alignToForm() {
  if (getProperty("Align").toInteger() != 2) return;
  float h = height();
  float top = std::max(0.0f, form().scaleHeight() - h);
  // Panels first, so that observers told of the new width see panels that fit it.
  float width = form().scaleWidth();
  layoutPanelsTo(width);
  store("Left", Variant(0.0f));
  store("Top", Variant(top));
  store("Width", Variant(width));
}

void StatusBarControl::layoutPanels() {
  layoutPanelsTo(width());
}

void StatusBarControl::layoutPanelsTo(float total) {
  float fixed = 0;
  int springs = 0;
  for (const Panel& p : panels_) {
    if (!p.visible) continue;
    if (p.autoSize == "spring")
      ++springs;
    else
      fixed += p.width;
  }
  float share = springs ? std::max(0.0f, (total - fixed) / static_cast<float>(springs)) : 0.0f;
  float x = 0;
  for (Panel& p : panels_) {
    if (!p.visible) continue;
    if (p.autoSize == "spring") p.width = std::max(share, p.minWidth);
    p.left = x;
    x += p.width;
  }
}

Variant StatusBarControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (equalsNoCase(s.name, "Panels")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(static_cast<int32_t>(panels_.size()));
      noPath(*this, path);
    }
    const Panel& p = panel(pathArg(*s.arg));
    const std::string& f = s.rest;
    if (f.empty() || equalsNoCase(f, "Text")) return Variant(p.text);
    if (equalsNoCase(f, "Key")) return Variant(p.key);
    if (equalsNoCase(f, "ToolTipText")) return Variant(p.toolTipText);
    if (equalsNoCase(f, "Width")) return Variant(p.width);
    if (equalsNoCase(f, "MinWidth")) return Variant(p.minWidth);
    if (equalsNoCase(f, "Left")) return Variant(p.left);
    if (equalsNoCase(f, "Visible")) return Variant(p.visible);
    if (equalsNoCase(f, "Picture")) return Variant(p.picture.source);
    if (equalsNoCase(f, "Style")) return Variant(p.style);
    noPath(*this, path);
  }
  return Control::evalPath(path);
}

std::string StatusBarControl::extraJson() const {
  nlohmann::json panels = nlohmann::json::array();
  for (const Panel& p : panels_)
    panels.push_back({{"key", p.key},
                      {"text", p.text},
                      {"toolTipText", p.toolTipText},
                      {"style", p.style},
                      {"left", p.left},
                      {"width", p.width},
                      {"picture", p.picture.source}});
  return jsonText({{"panels", panels}});
}

// ---------------------------------------------------------------- ImageList

ImageListControl::ImageListControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::ImageList, std::move(name), index) {
  declare("ImageWidth", Variant(int16_t{16}));
  declare("ImageHeight", Variant(int16_t{16}));
  declare("MaskColor", Variant(int32_t{0xC0C0C0}));
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
}

void ImageListControl::addImage(ListImage image) {
  images_.push_back(std::move(image));
  notify("ListImages");
}

const ListImage* ImageListControl::image(const Variant& k) const {
  int32_t pos = resolveIn(images_, k, [](const ListImage& i) -> const std::string& { return i.key; });
  return pos ? &images_[pos - 1] : nullptr;
}

Variant ImageListControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (equalsNoCase(s.name, "ListImages")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(static_cast<int32_t>(images_.size()));
      noPath(*this, path);
    }
    const ListImage* i = image(pathArg(*s.arg));
    if (!i) platform::com::raise(err::InvalidPropertyValue, "Element not found");
    if (s.rest.empty() || equalsNoCase(s.rest, "Key")) return Variant(i->key);
    if (equalsNoCase(s.rest, "Picture")) return Variant(i->picture.source);
    noPath(*this, path);
  }
  return Control::evalPath(path);
}

std::string ImageListControl::extraJson() const {
  nlohmann::json imgs = nlohmann::json::array();
  for (const ListImage& i : images_) imgs.push_back({{"key", i.key}, {"picture", i.picture.source}});
  return jsonText({{"images", imgs}});
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

// ---------------------------------------------------------------- User controls

Variant UserControlImpl::propertyByName(std::string_view name, std::span<Variant> args) {
  return invoke(idOfName(name), platform::com::InvokeKind::PropertyGet, args);
}

void UserControlImpl::setPropertyByName(std::string_view name, const Variant& value) {
  Variant a[1] = {value};
  invoke(idOfName(name), platform::com::InvokeKind::PropertyPut, a);
}

void UserControlImpl::changed(std::string_view what) {
  if (site_) site_->notifyDisplay(what);
}

UserControl::UserControl(Form& form, std::string typeName, std::string progId, std::string name,
                         int32_t index, platform::com::Ptr<UserControlImpl> impl)
    : Control(form, ControlType::User, std::move(name), index),
      typeName_(std::move(typeName)),
      progId_(std::move(progId)),
      impl_(std::move(impl)) {
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
  declare("Width", Variant(1215.0f));
  declare("Height", Variant(375.0f));
  declare("Visible", Variant(true));
  declare("Enabled", Variant(true));
  declare("ToolTipText", Variant(std::string()));
  declare("TabIndex", Variant(int16_t{0}));
  declare("TabStop", Variant(true));
  declare("HelpContextID", Variant(int32_t{0}));
  impl_->attach(this);
}

UserControl::~UserControl() {
  if (impl_) impl_->attach(nullptr);
}

void UserControl::detach() {
  if (impl_) impl_->attach(nullptr);
}

Variant UserControl::getProperty(std::string_view name) const {
  if (hasProperty(name)) return Control::getProperty(name);
  return impl_->propertyByName(name, {});
}

void UserControl::setProperty(std::string_view name, const Variant& value) {
  if (hasProperty(name)) {
    Control::setProperty(name, value);
    return;
  }
  impl_->setPropertyByName(name, value);
}

Variant UserControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (!hasProperty(s.name) && s.rest.empty()) {
    std::vector<Variant> args;
    if (s.arg) args.push_back(pathArg(*s.arg));
    return impl_->propertyByName(s.name, args);
  }
  return Control::evalPath(path);
}

std::vector<std::pair<std::string, Variant>> UserControl::properties() const {
  auto out = Control::properties();
  for (auto& p : impl_->snapshot()) out.push_back(std::move(p));
  return out;
}

UserControlRegistry& UserControlRegistry::instance() {
  static UserControlRegistry registry;
  return registry;
}

void UserControlRegistry::add(std::string progId, Factory factory) {
  factories_.insert_or_assign(std::move(progId), std::move(factory));
}
void UserControlRegistry::remove(const std::string& progId) {
  factories_.erase(progId);
}
bool UserControlRegistry::has(std::string_view progId) const {
  return factories_.find(progId) != factories_.end();
}

platform::com::Ptr<UserControlImpl> UserControlRegistry::create(std::string_view progId) const {
  auto it = factories_.find(progId);
  if (it == factories_.end())
    platform::com::raise(err::CannotCreateObject,
                         "Cannot create control '" + std::string(progId) + "': not registered");
  return it->second();
}

}  // namespace platform::ui
