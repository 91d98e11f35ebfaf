#include "velumor/shared/vexaonoff.h"

#include <cmath>

#include "platform/com/error.h"
#include "velumor/shared/component.h"

namespace velumor {

namespace {

const char kStateKey[] = "State";

plat::com::Variant defaultState() {
  return plat::com::Variant(int16_t{0});
}

bool isDefaultState(const plat::com::Variant& v) {
  if (v.isEmpty()) return true;
  if (!v.isNumeric()) return false;
  return v.toDouble() == 0.0;
}

}  // namespace

VexaOnOff::VexaOnOff()
    : UserControlImpl(&componentLiveCount()), state_(defaultState()), picture_(loadBitmap(kDesignBitmap)) {
  members_.addProperty(
      kDispIdState, "state", [this] { return state_; },
      [this](const plat::com::Variant& value) { setState(value); });
}

void VexaOnOff::setState(const plat::com::Variant& New_State) {
  state_ = New_State;
  ++stateChangeMarks_;
  changed("state");

  // 100 + state, as the number the value converts to; a value that does not convert or
  // names no bitmap leaves the lamp as it was.
  try {
    const double id = 100.0 + New_State.toDouble();
    plat::ui::Picture next = loadBitmap(plat::com::cLng(id));
    if (next.empty()) return;
    picture_ = std::move(next);
    changed("Picture");
  } catch (const plat::com::RuntimeError&) {
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

std::vector<std::pair<std::string, plat::com::Variant>> VexaOnOff::snapshot() const {
  return {{"state", state_}, {"Picture", plat::com::Variant(picture_.source)}};
}

void registerVexaOnOff() {
  plat::ui::UserControlRegistry::instance().add(
      VexaOnOff::kProgId, [] { return plat::com::Ptr<plat::ui::UserControlImpl>(new VexaOnOff()); });
}

void unregisterVexaOnOff() {
  plat::ui::UserControlRegistry::instance().remove(VexaOnOff::kProgId);
}

}  // namespace velumor
