#include "tolvar/controls/host_control.h"

#include <algorithm>
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

HostControl::HostControl(std::string kind, const Members* members)
    : kind_(std::move(kind)),
      own_(members ? nullptr : std::make_unique<Members>()),
      members_(members ? members : own_.get()) {}

HostControl::~HostControl() = default;

void HostControl::attach(platform::ui::UserControl* site) {
  if (!site && this->site()) dropHost();
  UserControlImpl::attach(site);
}

void HostControl::Members::addReadOnly(int32_t id, std::string name,
                                       std::function<Variant(HostControl&)> getter) {
  table.addProperty(id, std::move(name), std::move(getter), nullptr);
}

void HostControl::Members::addSiteVisible() {
  table.addProperty(
      tolvar::dispid::ExtenderVisible, "Visible",
      [](HostControl& c) { return Variant(c.site() ? c.site()->visible() : c.localVisible_); },
      [](HostControl& c, const Variant& v) {
        const bool b = v.toBool();
        if (c.site())
          c.site()->setVisible(b);
        else
          c.localVisible_ = b;
      });
}

void HostControl::Members::addDesignProperty(std::string name, Variant defaultValue) {
  const int32_t id = privateId();
  design.emplace_back(name, std::move(defaultValue));
  const size_t slot = design.size() - 1;
  table.addProperty(
      id, std::move(name), [slot](const HostControl& c) { return c.designAt(slot); },
      [slot](HostControl& c, const Variant& v) { c.setDesignAt(slot, v); });
}

void HostControl::Members::addCommonDesignProperties() {
  addDesignProperty("BackColor", Variant(static_cast<int32_t>(0x8000000Fu)));  // button face
  addDesignProperty("ForeColor", Variant(static_cast<int32_t>(0x80000012u)));  // button text
  addDesignProperty("FontName", Variant("MS Sans Serif"));
  addDesignProperty("FontSize", Variant(8.25f));
  addDesignProperty("FontBold", Variant(false));
  addDesignProperty("FontItalic", Variant(false));
  addDesignProperty("FontUnderline", Variant(false));
  addDesignProperty("Alignment", Variant(int16_t{0}));
}

const Variant& HostControl::designAt(size_t slot) const {
  for (const auto& [s, v] : designSet_)
    if (s == slot) return v;
  return members_->design[slot].second;
}

void HostControl::setDesignAt(size_t slot, const Variant& value) {
  if (value.identical(designAt(slot))) return;
  const auto at =
      std::find_if(designSet_.begin(), designSet_.end(), [slot](const auto& p) { return p.first == slot; });
  if (value.identical(members_->design[slot].second)) {
    designSet_.erase(at);  // back to the default: nothing to keep
  } else if (at != designSet_.end()) {
    at->second = value;
  } else {
    designSet_.emplace_back(static_cast<uint16_t>(slot), value);
  }
  changed();
}

std::vector<std::pair<std::string, Variant>> HostControl::designSnapshot() const {
  std::vector<std::pair<std::string, Variant>> out;
  out.reserve(members_->design.size());
  for (size_t slot = 0; slot < members_->design.size(); ++slot)
    out.emplace_back(members_->design[slot].first, designAt(slot));
  return out;
}

Variant HostControl::designValue(std::string_view name) const {
  for (size_t slot = 0; slot < members_->design.size(); ++slot)
    if (equalsNoCase(members_->design[slot].first, name)) return designAt(slot);
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
