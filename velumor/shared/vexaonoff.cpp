#include "velumor/shared/vexaonoff.h"

#include <cmath>

#include "platform/com/error.h"
#include "velumor/shared/component.h"

namespace velumor::shared {

namespace {

const char kStateKey[] = "State";

platform::com::Variant defaultState() {
  return platform::com::Variant(int16_t{0});
}

bool isDefaultState(const platform::com::Variant& v) {
  if (v.isEmpty()) return true;
  if (!v.isNumeric()) return false;
  return v.toDouble() == 0.0;
}

}  // namespace

VexaOnOff::VexaOnOff()
    : UserControlImpl(&componentLiveCount()), state_(defaultState()), picture_(loadBitmap(kDesignBitmap)) {
  members_.addProperty(
      kDispIdState, "state", [this] { return state_; },
      [this](const platform::com::Variant& value) { setState(value); });
}

void VexaOnOff::setState(const platform::com::Variant& New_State) {
  state_ = New_State;
  ++stateChangeMarks_;
  changed("state");

  // 100 + state, as the number the value converts to; a value that does not convert or
  // names no bitmap leaves the lamp as it was.
  try {
    const double id = 100.0 + New_State.toDouble();
    platform::ui::Picture next = loadBitmap(platform::com::cLng(id));
    if (next.empty()) return;
    picture_ = std::move(next);
    changed("Picture");
  } catch (const platform::com::RuntimeError&) {
  }
}

void VexaOnOff::readProperties(const PropertyBag& bag) {
  auto it = bag.find(kStateKey);
  state_ = it == bag.end() ? defaultState() : it->second;
}

void VexaOnOff::writeProperties(PropertyBag& bag) const {
  // A value equal to the default is not stored, so the stored set stays small.
  if (isDefaultState(state_))
    bag.erase(kStateKey);
  else
    bag[kStateKey] = state_;
}

std::vector<std::pair<std::string, platform::com::Variant>> VexaOnOff::snapshot() const {
  return {{"state", state_}, {"Picture", platform::com::Variant(picture_.source)}};
}

void registerVexaOnOff() {
  platform::ui::UserControlRegistry::instance().add(
      VexaOnOff::kProgId, [] { return platform::com::Ptr<platform::ui::UserControlImpl>(new VexaOnOff()); });
}

void unregisterVexaOnOff() {
  platform::ui::UserControlRegistry::instance().remove(VexaOnOff::kProgId);
}

}  // namespace velumor::shared
