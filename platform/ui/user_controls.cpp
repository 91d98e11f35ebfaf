#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/ui/controls.h"
#include "platform/ui/controls_support.h"

namespace platform::ui {

using namespace platform::ui::detail;
using platform::com::equalsNoCase;
using platform::com::RuntimeError;
using platform::com::VarType;
namespace err = platform::com::err;

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
  declarePlacement([this](std::string_view n, Variant v) { declare(n, std::move(v)); });
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
