#include "platform/ui/control.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/ui/design.h"
#include "platform/ui/form.h"

namespace platform::ui {

using platform::com::RuntimeError;
using platform::com::VarType;
namespace err = platform::com::err;

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

namespace {
constexpr std::pair<ControlType, std::string_view> kTypeNames[] = {
    {ControlType::Form, "Form"},
    {ControlType::Label, "Label"},
    {ControlType::Frame, "Frame"},
    {ControlType::TextBox, "TextBox"},
    {ControlType::CommandButton, "CommandButton"},
    {ControlType::OptionButton, "OptionButton"},
    {ControlType::CheckBox, "CheckBox"},
    {ControlType::Image, "Image"},
    {ControlType::PictureBox, "PictureBox"},
    {ControlType::Shape, "Shape"},
    {ControlType::Line, "Line"},
    {ControlType::Timer, "Timer"},
    {ControlType::Menu, "Menu"},
    {ControlType::TabStrip, "TabStrip"},
    {ControlType::StatusBar, "StatusBar"},
    {ControlType::ImageList, "ImageList"},
    {ControlType::ListBox, "ListBox"},
    {ControlType::ComboBox, "ComboBox"},
    {ControlType::CommonDialog, "CommonDialog"},
    {ControlType::User, "User"},
};
}  // namespace

std::string_view controlTypeName(ControlType t) {
  for (auto& [type, name] : kTypeNames)
    if (type == t) return name;
  return "?";
}

ControlType controlTypeFromName(std::string_view name) {
  for (auto& [type, n] : kTypeNames)
    if (platform::com::equalsNoCase(n, name)) return type;
  platform::com::raise(err::TypeMismatch, "Unknown control type '" + std::string(name) + "'");
}

Control::Control(Form& form, ControlType type, std::string name, int32_t index)
    : form_(form), type_(type), name_(std::move(name)), index_(index) {
  declare("Name", Variant(name_));
  declare("Index", Variant(index_));
  declare("Tag", Variant());
}

Control::~Control() = default;

std::string Control::qualifiedName() const {
  return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::setContainer(Control* c) {
  if (container_) {
    auto& v = container_->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  container_ = c;
  if (c) {
    c->children_.push_back(this);
    int32_t y = 0;
    for (Control* s : c->children_) y = std::max(y, s->zIndex_);
    zIndex_ = y + 1;
  }
}

void Control::declare(std::string_view name, Variant defaultValue) {
  props_.declare(name, std::move(defaultValue), name_, index_);
}

std::optional<Variant> Control::find(std::string_view name) const {
  size_t slot = props_.slotOf(name);
  if (slot == PropertyStore::npos) return std::nullopt;
  return props_.valueAt(slot, name_, index_);
}

bool Control::hasProperty(std::string_view name) const {
  return props_.slotOf(name) != PropertyStore::npos;
}

size_t Control::slotOrRaise(std::string_view name) const {
  size_t slot = props_.slotOf(name);
  if (slot == PropertyStore::npos) {
    platform::com::raise(err::NoSuchMember,
                         "'" + qualifiedName() + "' has no property '" + std::string(name) + "'");
  }
  return slot;
}

Variant Control::valueById(int32_t id) const {
  const size_t slot = props_.slotOfId(id);
  if (slot == PropertyStore::npos)
    platform::com::raise(err::NoSuchMember, "'" + qualifiedName() + "': property not declared");
  return props_.valueAt(slot, name_, index_);
}

void Control::storeById(int32_t id, Variant value) {
  const size_t slot = props_.slotOfId(id);
  if (slot == PropertyStore::npos)
    platform::com::raise(err::NoSuchMember, "'" + qualifiedName() + "': property not declared");
  storeAt(slot, std::move(value));
}

std::optional<bool> Control::boolById(int32_t id) const {
  const size_t slot = props_.slotOfId(id);
  return slot == PropertyStore::npos ? std::nullopt : props_.boolAt(slot);
}

std::optional<int32_t> Control::longById(int32_t id) const {
  const size_t slot = props_.slotOfId(id);
  return slot == PropertyStore::npos ? std::nullopt : props_.longAt(slot);
}

bool Control::storeBoolById(int32_t id, bool value) {
  const size_t slot = props_.slotOfId(id);
  if (slot == PropertyStore::npos) return false;
  const std::optional<bool> now = props_.boolAt(slot);
  if (!now) return false;
  if (*now == value) return true;
  props_.setBoolAt(slot, value);
  notify(props_.nameAt(slot));
  return true;
}

Variant Control::getProperty(std::string_view name) const {
  return props_.valueAt(slotOrRaise(name), name_, index_);
}

Variant Control::coerceLike(const Variant& like, const Variant& value) {
  switch (like.type()) {
    case VarType::Boolean:
      return Variant(value.toBool());
    case VarType::Byte:
      return Variant(value.toByte());
    case VarType::Integer:
      return Variant(value.toInteger());
    case VarType::Long:
      return Variant(value.isString() ? designValue(value).toLong() : value.toLong());
    case VarType::Single: {
      double d = value.toDouble();
      if (!(d > -3.4e38 && d < 3.4e38)) platform::com::raise(err::Overflow);
      return Variant(static_cast<float>(d));
    }
    case VarType::Double:
      return Variant(value.toDouble());
    case VarType::String:
      return Variant(value.toString());
    default:
      return value;
  }
}

void Control::store(std::string_view name, Variant value) {
  storeAt(slotOrRaise(name), std::move(value));
}

void Control::storeAt(size_t slot, Variant value) {
  if (props_.valueAt(slot, name_, index_).identical(value)) return;
  props_.setAt(slot, std::move(value), name_, index_);
  notify(props_.nameAt(slot));
}

void Control::setProperty(std::string_view name, const Variant& value) {
  size_t slot = slotOrRaise(name);
  if (platform::com::equalsNoCase(name, "Name") || platform::com::equalsNoCase(name, "Index")) {
    platform::com::raise(err::InvalidPropertyValue, "'" + std::string(name) + "' is read-only at run time");
  }
  storeAt(slot, coerceLike(props_.valueAt(slot, name_, index_), value));
}

void Control::move(double left, double top, double width, double height) {
  setLeft(left);
  setTop(top);
  setWidth(width);
  setHeight(height);
}

std::vector<std::pair<std::string, Variant>> Control::properties() const {
  std::vector<std::pair<std::string, Variant>> out;
  out.reserve(props_.size());
  for (size_t slot = 0; slot < props_.size(); ++slot)
    out.emplace_back(props_.nameAt(slot), props_.valueAt(slot, name_, index_));
  return out;
}

PathSegment splitControlPath(std::string_view path) {
  PathSegment s;
  size_t i = 0;
  while (i < path.size() && path[i] != '.' && path[i] != '(') ++i;
  s.name = std::string(path.substr(0, i));
  if (i < path.size() && path[i] == '(') {
    size_t close = path.find(')', i);
    if (close == std::string_view::npos)
      platform::com::raise(err::InvalidPropertyValue, "Unclosed '(' in " + std::string(path));
    s.arg = std::string(path.substr(i + 1, close - i - 1));
    i = close + 1;
  }
  if (i < path.size() && path[i] == '.') ++i;
  s.rest = std::string(path.substr(std::min(i, path.size())));
  return s;
}

Variant Control::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (platform::com::equalsNoCase(s.name, "ZOrder") && !s.arg) {
    // Rank among the siblings, 0 the frontmost.
    if (!container_) return Variant(int32_t{0});
    int32_t rank = 0;
    for (Control* c : container_->children_)
      if (c != this && c->zIndex_ > zIndex_) ++rank;
    return Variant(rank);
  }
  if (!s.rest.empty() || s.arg) {
    platform::com::raise(err::NoSuchMember,
                         "'" + qualifiedName() + "' has no property path '" + std::string(path) + "'");
  }
  return getProperty(s.name);
}

void Control::zOrder(int position) {
  if (!container_) return;
  auto& sibs = container_->children_;
  if (position == 0) {
    int32_t y = 0;
    for (Control* c : sibs) y = std::max(y, c->zIndex_);
    if (zIndex_ != y ||
        std::count_if(sibs.begin(), sibs.end(), [&](Control* c) { return c->zIndex_ == y; }) > 1)
      zIndex_ = y + 1;
  } else {
    int32_t bottom = 0;
    for (Control* c : sibs) bottom = std::min(bottom, c->zIndex_);
    zIndex_ = bottom - 1;
  }
  notify("ZOrder");
}

bool Control::effectivelyVisible() const {
  for (const Control* c = this; c; c = c->container_) {
    if (c->type_ == ControlType::Menu) {
      if (!c->getProperty("Visible").toBool()) return false;
      continue;
    }
    if (!c->getProperty("Visible").toBool()) return false;
  }
  return form_.getProperty("Visible").toBool();
}

void Control::addObserver(ControlObserver* o) {
  observers_.push_back(o);
}
void Control::removeObserver(ControlObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Control::notify(std::string_view what) {
  // Most controls have no observer or one (the front end's widget): nobody can have gone
  // before that one is told, so only more need the copy below.
  if (observers_.empty()) return;
  if (observers_.size() == 1) {
    observers_.front()->controlChanged(*this, what);
    return;
  }
  // Observers may unsubscribe while being told.
  auto copy = observers_;
  for (ControlObserver* o : copy)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end())
      o->controlChanged(*this, what);
}

void Control::raise(std::string_view event, EventArgs& args) {
  form_.raiseEvent(*this, event, args);
}
void Control::raise(std::string_view event) {
  EventArgs a;
  raise(event, a);
}

}  // namespace platform::ui
