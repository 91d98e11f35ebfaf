#pragma once
// Compact storage of a control's properties. Controls of one kind declare the same names with
// the same defaults, so what they declare (names in dump order, defaults, where each value
// lives) is kept once, in a layout shared by all of them. A control keeps the common
// properties in typed fields and, of the rare ones, only those that differ from their default.
// The window model runs on one thread; layouts are created on it and never freed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/variant.h"

namespace platform::ui {

class PropertyLayout;

class PLAT_API PropertyStore {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);
  // The number a property name has in every layout (case-insensitive), or -1 when no
  // control has ever declared it. Cheap: the views look names up on every change.
  static int32_t propertyId(std::string_view name);

  PropertyStore();
  // Declares a property, or declares it again with a new default (the first spelling stays);
  // its value becomes the default. `ownName` and `ownIndex` are the control's name and index,
  // the defaults of "Name" and "Index", which the store does not copy.
  void declare(std::string_view name, platform::com::Variant defaultValue, const std::string& ownName,
               int32_t ownIndex);
  // The slot of a declared property, npos when it is not declared. Slots are in dump order
  // (case-insensitive by name).
  size_t slotOf(std::string_view name) const;
  // The same by the property's number (propertyId).
  size_t slotOfId(int32_t id) const;
  size_t size() const;
  // The name as first declared.
  const std::string& nameAt(size_t slot) const;
  platform::com::Variant valueAt(size_t slot, const std::string& ownName, int32_t ownIndex) const;
  // Stores without conversion: a value of another type than the field's goes to the rare ones.
  void setAt(size_t slot, platform::com::Variant value, const std::string& ownName, int32_t ownIndex);
  // The value when it is a Boolean, read without a copy (nullopt for any other type): timers
  // and menu checks are switched at every change a view works off.
  std::optional<bool> boolAt(size_t slot) const;
  // Stores a Boolean where boolAt found one.
  void setBoolAt(size_t slot, bool value);
  // The same for a Long (a timer's interval, read at every arming).
  std::optional<int32_t> longAt(size_t slot) const;

 private:
  platform::com::Variant rareValue(size_t slot) const;
  const platform::com::Variant& rareRef(size_t slot) const;
  void setRare(uint16_t id, platform::com::Variant value, const platform::com::Variant* defaultValue);
  void dropRare(uint16_t id);

  const PropertyLayout* layout_;
  float floats_[5] = {};   // Left, Top, Width, Height, FontSize
  int32_t longs_[2] = {};  // BackColor, ForeColor
  int16_t tabIndex_ = 0;
  uint8_t flags_ = 0;       // Visible, Enabled, TabStop, FontBold
  uint32_t displaced_ = 0;  // typed fields whose value is held among the rare ones
  std::string text_;        // Caption or Text
  std::vector<std::pair<uint16_t, platform::com::Variant>> rare_;  // by property number
};

}  // namespace platform::ui
