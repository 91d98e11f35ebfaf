#include "tolvar/controls/host_control.h"

#include <exception>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "tolvar/applet/control_ids.h"

namespace tolvar::controls {

using platform::com::equalsNoCase;
using platform::com::raise;

HostLink linkTo(const Ptr<AppletItemManager>& aim) {
  if (!aim) raise(platform::com::err::ObjectNotSet, "No item manager was given");
  auto* access = dynamic_cast<HostItemAccess*>(aim.get());
  if (!access) raise(kInterfaceNotSupported, "The item manager offers no access to its items");
  return HostLink{aim, access};
}

bool ItemWatch::start(HostItemAccess* access, const std::string& name, std::function<void()> onChange) {
  reset();
  if (!access || name.empty()) return false;
  id_ = access->watchItem(name, std::move(onChange));
  if (id_ != 0) access_ = access;
  return id_ != 0;
}

void ItemWatch::reset() {
  if (id_ != 0 && access_) access_->unwatchItem(id_);
  id_ = 0;
  access_ = nullptr;
}

HostControl::HostControl(std::string kind) : kind_(std::move(kind)) {}

HostControl::~HostControl() = default;

void HostControl::attach(platform::ui::UserControl* site) {
  if (!site && this->site()) dropHost();
  UserControlImpl::attach(site);
}

template <class T>
void HostControl::addField(int32_t id, std::string name, T& field, T (Variant::*read)() const,
                           std::function<void()> after) {
  table_.addProperty(
      id, std::move(name), [&field] { return Variant(field); },
      [this, &field, read, after = std::move(after)](const Variant& v) {
        T value = (v.*read)();
        const bool differs = value != field;
        field = std::move(value);
        if (after) after();
        if (differs) changed();
      });
}

void HostControl::addString(int32_t id, std::string name, std::string& field, std::function<void()> after) {
  addField(id, std::move(name), field, &Variant::toString, std::move(after));
}

void HostControl::addBool(int32_t id, std::string name, bool& field, std::function<void()> after) {
  addField(id, std::move(name), field, &Variant::toBool, std::move(after));
}

void HostControl::addInteger(int32_t id, std::string name, int16_t& field, std::function<void()> after) {
  addField(id, std::move(name), field, &Variant::toInteger, std::move(after));
}

void HostControl::addReadOnly(int32_t id, std::string name, std::function<Variant()> getter) {
  table_.addProperty(id, std::move(name), std::move(getter), nullptr);
}

void HostControl::addSiteVisible() {
  table_.addProperty(
      tolvar::dispid::ExtenderVisible, "Visible",
      [this] { return Variant(site() ? site()->visible() : localVisible_); },
      [this](const Variant& v) {
        const bool b = v.toBool();
        if (site())
          site()->setVisible(b);
        else
          localVisible_ = b;
      });
}

void HostControl::addDesignProperty(std::string name, Variant defaultValue) {
  const int32_t id = privateId();
  design_.emplace_back(name, std::move(defaultValue));
  const size_t slot = design_.size() - 1;
  table_.addProperty(
      id, std::move(name), [this, slot] { return design_[slot].second; },
      [this, slot](const Variant& v) {
        if (v.identical(design_[slot].second)) return;
        design_[slot].second = v;
        changed();
      });
}

void HostControl::addCommonDesignProperties() {
  addDesignProperty("BackColor", Variant(static_cast<int32_t>(0x8000000Fu)));  // button face
  addDesignProperty("ForeColor", Variant(static_cast<int32_t>(0x80000012u)));  // button text
  addDesignProperty("FontName", Variant("MS Sans Serif"));
  addDesignProperty("FontSize", Variant(8.25f));
  addDesignProperty("FontBold", Variant(false));
  addDesignProperty("FontItalic", Variant(false));
  addDesignProperty("FontUnderline", Variant(false));
  addDesignProperty("Alignment", Variant(int16_t{0}));
}

std::vector<std::pair<std::string, Variant>> HostControl::designSnapshot() const {
  return design_;
}

Variant HostControl::designValue(std::string_view name) const {
  for (const auto& [n, v] : design_)
    if (equalsNoCase(n, name)) return v;
  return Variant();
}

std::function<void()> HostControl::guarded(std::function<void()> f) {
  std::weak_ptr<char> alive = token_;
  const uint64_t generation = generation_;
  return [this, alive, generation, f = std::move(f)] {
    auto token = alive.lock();
    if (!token || generation != generation_) return;
    Ptr<HostControl> keep(this);
    try {
      f();
    } catch (const std::exception& e) {
      platform::ui::EventLoop::instance().reportError(kind_, e.what());
    }
  };
}

}  // namespace tolvar::controls
