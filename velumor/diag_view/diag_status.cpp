// The device variant, its status items and the handlers that draw what they report.
#include "velumor/diag_view/diag_status.h"

#include <cmath>

namespace velumor::diag_view {

using platform::com::ByteArray;
using platform::com::Variant;

namespace {

struct GroupNames {
  std::string_view key;
  std::string_view rows;
  int count;
};
constexpr std::array<GroupNames, kDiagGroupCount> kGroups = {{
    {"DiagDeviceKey", "DiagDevice", 8},
    {"DiagSensorKey", "DiagSensor", 8},
    {"DiagInputKey", "DiagInput", 2},
    {"DiagValueKey", "DiagValue", 5},
    {"DiagAlarmKey", "DiagAlarm", 6},
    {"DiagLimitsKey", "DiagLimits", 0},
    {"DiagTotalizerKey", "DiagTotalizer", 5},
    {"DiagOutputKey", "DiagOutput", 8},
    {"DiagConfigKey", "DiagConfig", 2},
    {"DiagMemoryKey", "DiagMemory", 5},
}};

constexpr std::array<std::string_view, kStatusItemCount> kItemNames = {
    "ADD_TRANSMITTER_STATE_ERROR",
    "ADD_TRANSMITTER_STATE_STATE",
    "A10_ADD_TRANSMITTER_STATE_ERROR",
    "A10_ADD_TRANSMITTER_STATE_STATE",
    "A10_OPERATING_MODE",
    "A10_ANALOG_OUTPUT_SATURATED",
    "A10_ANALOG_OUTPUT_FIXED",
    "A10_ADD_TRANSMITTER_STATE_TSTATE",
    "A10_ADD_TRANSMITTER_STATE_WARNINGS",
};

constexpr std::array<StatusItem, 2> kVariant0Items = {StatusItem::Error, StatusItem::State};
constexpr std::array<StatusItem, 7> kVariant1Items = {
    StatusItem::A10Error, StatusItem::A10State,  StatusItem::A10OperatingMode, StatusItem::A10Saturated,
    StatusItem::A10Fixed, StatusItem::A10TState, StatusItem::A10Warnings};

ByteArray zeroOctets(int32_t first, int32_t last) {
  return ByteArray{first, std::vector<uint8_t>(static_cast<size_t>(last - first + 1), 0)};
}

}  // namespace

std::string_view diagTabKey(DiagGroup g) {
  return kGroups[static_cast<size_t>(g)].key;
}
std::string_view diagRowArray(DiagGroup g) {
  return kGroups[static_cast<size_t>(g)].rows;
}
int diagRowCount(DiagGroup g) {
  return kGroups[static_cast<size_t>(g)].count;
}
std::string_view statusItemName(StatusItem item) {
  return kItemNames[static_cast<size_t>(item)];
}

std::optional<uint8_t> hostByte(double v) {
  // Rounded halves to even, -0.5 still becomes 0 and 255.5 already 256.
  if (!std::isfinite(v) || v < -0.5 || v >= 255.5) return std::nullopt;
  return platform::com::cByte(v);
}

void applyDiagSteps(const DiagSteps& steps, DiagStatusDrawing& drawing) {
  for (const DiagStep& s : steps) {
    switch (s.kind) {
      case DiagStep::Kind::TabTag:
        drawing.setDiagTabPresent(s.group, s.value != 0);
        break;
      case DiagStep::Kind::TabImage:
        drawing.setDiagTabImage(s.group, s.value);
        break;
      case DiagStep::Kind::TabSelection:
        drawing.runDiagTabSelection();
        break;
      case DiagStep::Kind::ShowRow:
        drawing.setDiagRowVisible(s.group, s.row, true);
        break;
      case DiagStep::Kind::HideRow:
        drawing.setDiagRowVisible(s.group, s.row, false);
        break;
      case DiagStep::Kind::DrawRow:
        drawing.drawDiagRow(s.group, s.row, s.value);
        break;
    }
  }
}

void DiagStatus::ApplyDeviceVariant(tolvar::AppletItemManager& aim, int32_t viewHandle, int32_t itemHandle) {
  double v = 0;
  int32_t status = 0;
  aim.GetValue(itemHandle, v, status);
  const auto variant = hostByte(v);
  if (!variant || *variant > 1) return;

  const bool standard = *variant == 0;
  if (standard) {
    Octets.ErrorOctets = zeroOctets(0, 2);
    Octets.StateOctets = zeroOctets(3, 4);
    Octets.WarningOctets = ByteArray{};
  } else {
    Octets.ErrorOctets = zeroOctets(0, 3);
    Octets.StateOctets = zeroOctets(14, 15);
    Octets.WarningOctets = zeroOctets(16, 18);
  }
  auto giveUp = [&](StatusItem item) {
    const auto i = static_cast<size_t>(item);
    aim.UnadviseItem(Variant(viewHandle), handles_[i], true, status);
    // The handle stays kept, but a record still queued for it is no longer decoded.
    active_[i] = false;
  };
  auto take = [&](StatusItem item) {
    const auto i = static_cast<size_t>(item);
    int32_t handle = 0;
    aim.RegisterItem(std::string(statusItemName(item)), true, viewHandle, handle, 0, 3, status);
    handles_[i] = handle;
    active_[i] = true;
  };
  if (standard) {
    for (StatusItem item : kVariant1Items) giveUp(item);
    for (StatusItem item : kVariant0Items) take(item);
  } else {
    for (StatusItem item : kVariant0Items) giveUp(item);
    for (StatusItem item : kVariant1Items) take(item);
  }
  variant_ = *variant;
}

bool DiagStatus::HandleStatusRecord(tolvar::AppletItemManager& aim, int32_t itemHandle,
                                    DiagStatusDrawing& drawing) {
  if (itemHandle == 0) return false;  // the handle of an item never registered
  std::optional<StatusItem> match;
  for (size_t i = 0; i < kStatusItemCount && !match; ++i)
    if (active_[i] && handles_[i] == itemHandle) match = static_cast<StatusItem>(i);
  if (!match) {
    for (size_t i = 0; i < kStatusItemCount; ++i)
      if (handles_[i] == itemHandle) return true;  // given up at a variant switch: consumed
    return false;
  }

  Decode(*match, aim, drawing);
  return true;
}

void DiagStatus::Decode(StatusItem item, tolvar::AppletItemManager& aim, DiagStatusDrawing& drawing) {
  const auto i = static_cast<size_t>(item);
  if (!active_[i] || handles_[i] == 0) return;
  platform::com::ByteArray StatusOctets::*array = nullptr;
  std::optional<DiagSteps> (*decode)(const StatusOctets&) = nullptr;
  switch (item) {
    case StatusItem::Error:
      array = &StatusOctets::ErrorOctets;
      decode = decodeErrorOctets;
      break;
    case StatusItem::State:
      array = &StatusOctets::StateOctets;
      decode = decodeStateOctets;
      break;
    case StatusItem::A10Error:
      array = &StatusOctets::ErrorOctets;
      decode = decodeA10Errors;
      break;
    case StatusItem::A10TState:
      array = &StatusOctets::StateOctets;
      decode = decodeA10TState;
      break;
    case StatusItem::A10Warnings:
      array = &StatusOctets::WarningOctets;
      decode = decodeA10Warnings;
      break;
    case StatusItem::A10State:
    case StatusItem::A10OperatingMode:
    case StatusItem::A10Saturated:
    case StatusItem::A10Fixed:
      return;  // registered with the variant, shown nowhere
  }

  // Read into a copy: a delivery that cannot be decoded in full leaves the array and the
  // display as they were.
  StatusOctets next = Octets;
  int32_t status = 0;
  aim.GetArrayValue(handles_[i], next.*array, true, status);
  const auto steps = decode(next);
  if (!steps) return;
  Octets.*array = std::move(next.*array);
  applyDiagSteps(*steps, drawing);
}

void DiagStatus::ShowFieldDeviceStatus(tolvar::AppletItemManager& aim, int32_t itemHandle,
                                       DiagStatusDrawing& drawing) {
  double v = 0;
  int32_t status = 0;
  aim.GetValue(itemHandle, v, status);
  // Compared before rounding: a first report of 0 draws nothing.
  if (v == static_cast<double>(FieldDeviceStatusByte)) return;
  const auto byte = hostByte(v);
  if (!byte) return;  // no status byte: the rows keep the last one
  FieldDeviceStatusByte = *byte;
  drawing.setDiagTabImage(DiagGroup::Device, FieldDeviceStatusByte == 0 ? DiagImageOk : DiagImageWarning);
  DrawFieldDeviceRows(drawing);
}

void DiagStatus::DrawFieldDeviceRows(DiagStatusDrawing& drawing) const {
  applyDiagSteps(fieldDeviceRows(FieldDeviceStatusByte), drawing);
}

}  // namespace velumor::diag_view
