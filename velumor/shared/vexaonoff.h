#pragma once
// VEXAONOFF: the component's four-state indicator lamp (1 red, 2 green, 3 yellow,
// 4 grey off), a user control placed by the diagnosis and main windows.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/picture.h"

namespace velumor::shared {

// The stored properties of a control, as a container keeps them between sessions.
using PropertyBag = std::map<std::string, platform::com::Variant>;

class VexaOnOff : public platform::ui::UserControlImpl {
 public:
  static constexpr const char* kKind = "VEXAONOFF";
  static constexpr const char* kProgId = "Velumor.VEXAONOFF";
  // The dispatch id of the `state` property.
  static constexpr int32_t kDispIdState = 0x68030000;
  // The first picture, shown until `state` is given a value that has one: the red lamp.
  static constexpr int32_t kDesignBitmap = 101;

  VexaOnOff();

  // `state` get: the value last assigned (or read from stored properties), 0 at first.
  const platform::com::Variant& state() const { return state_; }
  // `state` let: keeps the value, marks "State" changed and shows bitmap 100 + value; a
  // value without a bitmap (0, anything outside 1 to 4, a text that is no number) keeps
  // the picture. Never raises.
  void setState(const platform::com::Variant& New_State);

  // Stored properties: "State", default 0. Reading does not touch the picture.
  void readProperties(const PropertyBag& bag);
  void writeProperties(PropertyBag& bag) const;
  // How often "State" was marked changed for the container (each `state` assignment).
  int32_t stateChangeMarks() const { return stateChangeMarks_; }

  // Image1's picture.
  platform::ui::Picture picture() const override { return picture_; }

  std::string kind() const override { return kKind; }
  std::vector<std::pair<std::string, platform::com::Variant>> snapshot() const override;
  int32_t idOfName(std::string_view name) const override { return members_.idOfName(name); }
  platform::com::Variant invoke(int32_t id, platform::com::InvokeKind kind,
                                std::span<platform::com::Variant> args) override {
    return members_.invoke(id, kind, args);
  }

 private:
  platform::com::DispatchTable members_;
  platform::com::Variant state_;
  platform::ui::Picture picture_;
  int32_t stateChangeMarks_ = 0;
};

// Makes "Velumor.VEXAONOFF" known to the window model's user-control registry, so
// window designs can place the lamp; unregisterVexaOnOff takes it away again (before
// the library goes).
void registerVexaOnOff();
void unregisterVexaOnOff();

}  // namespace velumor::shared
