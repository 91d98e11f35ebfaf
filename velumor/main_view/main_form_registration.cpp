// The main window's attachment to the host: the binding table of its host controls and the
// one-shot registration tick.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/ui/event_loop.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/view_window/dynamic_menu.h"

namespace velumor::main_view {

namespace {

using platform::com::Variant;
using K = VelumorMainViewForm::HostControlKind;

constexpr int32_t kCommentTag = 0x12000000;

// An item the window registers for itself, and the member that keeps its handle.
struct ItemRow {
  const char* name;
  int32_t VelumorMainViewForm::*handle;  // null: kept by the kit as kitItem
  view_window::ViewWindow::KitItem kitItem{};
};

}  // namespace

const std::vector<VelumorMainViewForm::BindingRow>& VelumorMainViewForm::bindingTable() {
  static const std::vector<BindingRow> rows = {
      // Device-Info
      {"DevDataText", 0, K::Text, "&&private_pm&&Address", "", 0},
      {"DevDataText", 1, K::Text, "TAG", "", 0},
      {"DevDataText", 2, K::Text, "MFR_NAME", "", 0},
      {"DevDataText", 3, K::Text, "MFR_ID", "", 0},
      {"DevDataText", 4, K::Text, "MFR_DEVICE_NAME", "", 0},
      {"DevDataText", 5, K::Text, "MFR_DEVICE_TYPE", "", 0},
      {"DevDataText", 6, K::Text, "", "", 0},
      {"DevDataText", 7, K::Text, "DATE_ALL", "", 0},
      {"DevDataText", 8, K::Text, "DEVICE_ID", "", 0},
      {"DevDataText", 9, K::Text, "HARDW_REV", "", 0},
      {"DevDataText", 10, K::Text, "SOFTWAREREVISON_230", "", 0},
      {"DevDataText", 11, K::Text, "SOFTW_REV", "", 0},
      {"DevDataText", 12, K::Text, "WRITE_PROTECTION", "", 0},
      {"MeasurementPointText", 0, K::Text, "DESCRIPTOR", "", 0},
      {"MeasurementPointText", 1, K::Text, "MESSAGE", "", 0},
      {"MeasurementPointText", 2, K::Text, "MP_REMARK", "", 0},
      // Units
      {"UnitCombo", 0, K::Combo, "UNITS_QM", "", 0},
      {"UnitCombo", 1, K::Combo, "UNITS_QV", "", 0},
      {"UnitCombo", 2, K::Combo, "UNITS_TOTALIZER_QM", "", 0},
      {"UnitCombo", 3, K::Combo, "UNITS_TOTALIZER_QV", "", 0},
      {"UnitCombo", 4, K::Combo, "UNITS_DENSITY", "", 0},
      {"UnitCombo", 5, K::Combo, "UNITS_TEMPERATURE", "", 0},
      // Values
      {"ValueLabelTextUnit", 0, K::LabelTextUnit, "PRIMARY_VALUE", "PRIMARY_UNITS", 3},
      {"ValueLabelTextUnit", 1, K::LabelTextUnit, "THIRD_VALUE", "THIRD_UNITS", 3},
      {"ValueLabelTextUnit", 2, K::LabelTextUnit, "SECOND_VALUE", "SECOND_UNITS", 3},
      {"ValueLabelTextUnit", 3, K::LabelTextUnit, "FOURTH_VALUE", "FOURTH_UNITS", 3},
      {"ValueLabelTextUnit", 4, K::LabelTextUnit, "TOTALIZER_QM_F_SET_VALUE", "TOTALIZER_QM_F_SET_UNIT", 3},
      {"ValueLabelTextUnit", 5, K::LabelTextUnit, "TOTALIZER_QM_R_SET_VALUE", "TOTALIZER_QM_R_SET_UNIT", 3},
      {"ValueLabelTextUnit", 6, K::LabelTextUnit, "TOTALIZER_QV_F_SET_VALUE", "TOTALIZER_QV_F_SET_UNIT", 3},
      {"ValueLabelTextUnit", 7, K::LabelTextUnit, "TOTALIZER_QV_R_SET_VALUE", "TOTALIZER_QV_R_SET_UNIT", 3},
      {"ValueText", 0, K::Text, "ADD_TRANSMITTER_STATE_ERROR", "", 3},
      {"ValueText", 1, K::Text, "ADD_TRANSMITTER_STATE_STATE", "", 3},
      {"ValueText", 2, K::Text, "TOTALIZER_QM_OVERFLOW_F", "", 3},
      {"ValueText", 3, K::Text, "TOTALIZER_QM_OVERFLOW_R", "", 3},
      {"ValueText", 4, K::Text, "TOTALIZER_QV_OVERFLOW_F", "", 3},
      {"ValueText", 5, K::Text, "TOTALIZER_QV_OVERFLOW_R", "", 3},
      {"CurrentText", 1, K::Text, "PRIMARY_CURR", "", 3},
      {"CurrentText", 2, K::Text, "PRIMARY_PER_RANGE", "", 3},
      // Mass and volume totalizers
      {"MassCounterFncCombo", -1, K::Combo, "", "", 0},
      {"MassCounterFlowText", 0, K::Text, "TOTALIZER_QM_OVERFLOW_F", "", 3},
      {"MassCounterFlowText", 1, K::Text, "TOTALIZER_QM_F_SET_VALUE", "", 3},
      {"MassCounterFlowText", 2, K::Text, "TOTALIZER_QM_OVERFLOW_R", "", 3},
      {"MassCounterFlowText", 3, K::Text, "TOTALIZER_QM_R_SET_VALUE", "", 3},
      {"VolumeCounterFncCombo", -1, K::Combo, "", "", 0},
      {"VolumeCounterFlowText", 0, K::Text, "TOTALIZER_QV_OVERFLOW_F", "", 3},
      {"VolumeCounterFlowText", 1, K::Text, "TOTALIZER_QV_F_SET_VALUE", "", 3},
      {"VolumeCounterFlowText", 2, K::Text, "TOTALIZER_QV_OVERFLOW_R", "", 3},
      {"VolumeCounterFlowText", 3, K::Text, "TOTALIZER_QV_R_SET_VALUE", "", 3},
      // Display
      {"NormalDisplayCombo", 0, K::Combo, "DISPLAY_1ST_LINE", "", 0},
      {"NormalDisplayCombo", 1, K::Combo, "DISPLAY_2ND_LINE", "", 0},
      {"MultiplexDisplayCombo", 0, K::Combo, "DISPLAY_1ST_LINE_MULTIPLEX", "", 0},
      {"MultiplexDisplayCombo", 1, K::Combo, "DISPLAY_2ND_LINE_MULTIPLEX", "", 0},
      {"LanguageDisplayCombo", -1, K::Combo, "LANGUAGE", "", 0},
      // Alarms, temperature and density: no items
      {"AlarmLabelTextUnit", 0, K::LabelTextUnit, "", "", 0},
      {"AlarmLabelTextUnit", 1, K::LabelTextUnit, "", "", 0},
      {"DensityLabelTextUnit", 0, K::LabelTextUnit, "", "", 3},
      {"DensityLabelTextUnit", 1, K::LabelTextUnit, "", "", 3},
      {"DensityLabelTextUnit", 2, K::LabelTextUnit, "", "", 3},
      {"TemperatureLabelTextUnit", 0, K::LabelTextUnit, "", "", 3},
      {"TemperatureLabelTextUnit", 1, K::LabelTextUnit, "", "", 3},
      {"TemperatureLabelTextUnit", 2, K::LabelTextUnit, "", "", 3},
      // Operational configuration
      {"OperationCombo", 0, K::Combo, "FLOW_DIRECTION", "", 0},
      {"OperationText", 0, K::Text, "LOW_FLOW_CUTOFF_VALUE", "", 0},
      {"OperationText", 1, K::Text, "DAMPING_VALUE", "", 0},
      {"SensorCombo", -1, K::Combo, "METER_TUBE", "", 0},
      {"SensorLabelTextUnit", 0, K::LabelTextUnit, "QMAX_METER_TUBE_VALUE", "QMAX_METER_TUBE_UNIT", 0},
      // Output configuration
      {"OutputCfgCombo", 0, K::Combo, "CURRENT_OUTPUT_1_OUTPUT_VARIABLE", "", 0},
      {"OutputCfgCombo", 1, K::Combo, "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "", 0},
      {"OutputCfgCombo", 2, K::Combo, "PULSE_OUTPUT_MODE", "", 0},
      {"OutputCfgCombo", 3, K::Combo, "DISPLAY_2ND_LINE", "", 0},
      // Output 1
      {"Output1Text", 0, K::Text, "CURRENT_OUTPUT_1_OUTPUT_VARIABLE", "", -1},
      {"Output1MLabelTextUnit", 0, K::LabelTextUnit, "QM_MAXIMUM_VALUE", "QM_MAXIMUM_UNIT", 0},
      {"Output1MLabelTextUnit", 1, K::LabelTextUnit, "QM_MINIMUM_VALUE", "QM_MAXIMUM_UNIT", 0},
      {"Output1VLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_1_QV_MAX_VALUE",
       "CURRENT_OUTPUT_1_QV_MAX_UNIT", 0},
      {"Output1VLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_1_QV_MIN_VALUE",
       "CURRENT_OUTPUT_1_QV_MAX_UNIT", 0},
      {"Output1DLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE",
       "CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_UNIT", 0},
      {"Output1DLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_VALUE",
       "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_UNIT", 0},
      {"Output1TLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE",
       "CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_UNIT", 0},
      {"Output1TLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE",
       "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_UNIT", 0},
      {"SensorLabelTextUnit", 1, K::LabelTextUnit, "PRIMARY_SENSOR_HIGH_LIMIT", "PRIMARY_SENSOR_UNITS", 0},
      {"SensorLabelTextUnit", 2, K::LabelTextUnit, "PRIMARY_SENSOR_LOW_LIMIT", "PRIMARY_SENSOR_UNITS", 0},
      {"SensorLabelTextUnit", 3, K::LabelTextUnit, "PRIMARY_SENSOR_MIN_SPAN", "PRIMARY_SENSOR_UNITS", 0},
      {"Output1Combo", -1, K::Combo, "CURRENT_OUTPUT_1_ALARM", "", 0},
      {"Output1Text", 2, K::Text, "CURRENT_OUTPUT_1_LOW_ALARM_LIMIT_VALUE", "", 0},
      {"Output1Text", 3, K::Text, "CURRENT_OUTPUT_1_UPP_ALARM_LIMIT_VALUE", "", 0},
      // Output 2
      {"Output2Text", 0, K::Text, "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "", -1},
      {"Output2MLabelTextUnit", 0, K::LabelTextUnit, "QM_MAXIMUM_VALUE", "QM_MAXIMUM_UNIT", 0},
      {"Output2MLabelTextUnit", 1, K::LabelTextUnit, "QM_MINIMUM_VALUE", "QM_MAXIMUM_UNIT", 0},
      {"Output2VLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_2_QV_MAX_VALUE",
       "CURRENT_OUTPUT_2_QV_MAX_UNIT", 0},
      {"Output2VLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_2_QV_MIN_VALUE",
       "CURRENT_OUTPUT_2_QV_MAX_UNIT", 0},
      {"Output2DLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_VALUE",
       "CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_UNIT", 0},
      {"Output2DLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_2_LOW_DENSITY_LIMIT_VALUE",
       "CURRENT_OUTPUT_2_LOW_DENSITY_LIMIT_UNIT", 0},
      {"Output2TLabelTextUnit", 0, K::LabelTextUnit, "CURRENT_OUTPUT_2_UPP_TEMP_LIMIT_VALUE",
       "CURRENT_OUTPUT_2_UPP_TEMP_LIMIT_UNIT", 0},
      {"Output2TLabelTextUnit", 1, K::LabelTextUnit, "CURRENT_OUTPUT_2_LOW_TEMP_LIMIT_VALUE",
       "CURRENT_OUTPUT_2_LOW_TEMP_LIMIT_UNIT", 0},
      {"Output2Combo", -1, K::Combo, "CURRENT_OUTPUT_2_ALARM", "", 0},
      {"Output2Text", 2, K::Text, "CURRENT_OUTPUT_2_LOW_ALARM_LIMIT_VALUE", "", 0},
      {"Output2Text", 3, K::Text, "CURRENT_OUTPUT_2_UPP_ALARM_LIMIT_VALUE", "", 0},
      // Pulse output
      {"PulseText", 3, K::Text, "PULSE_OUTPUT_MODE", "", -1},
      {"PulseText", 0, K::Text, "PULSE_FACTOR_QM_VALUE", "", 0},
      {"PulseText", 1, K::Text, "PULSE_FACTOR_QV_VALUE", "", 0},
      {"PulseText", 2, K::Text, "PULSE_WIDTH_VALUE", "", 0},
  };
  return rows;
}

void VelumorMainViewForm::bindHostControls() {
  for (const BindingRow& row : bindingTable()) {
    platform::ui::UserControlImpl& c = ctlAs<platform::ui::UserControl>(row.control, row.index).impl();
    const Variant mode(row.mode);
    if (row.kind == HostControlKind::LabelTextUnit) {
      c.put(tolvar::dispid::ValueItemName, Variant(row.item));
      c.put(tolvar::dispid::LtuItemMode, mode);
      c.put(tolvar::dispid::UnitItemName, Variant(row.unitItem));
      c.put(tolvar::dispid::UnitItemMode, mode);
    } else {
      c.put(tolvar::dispid::ItemName, Variant(row.item));
      c.put(tolvar::dispid::ItemMode, mode);
    }
  }
  bindItemHandler();
}

void VelumorMainViewForm::Register() {
  // Each step of the tick goes as far as the host lets it; the tick always ends the start-up
  // panel, and a failure is reported once, after the panel is gone.
  std::string failure;
  auto step = [&](const char* what, const auto& f) {
    if (!alive()) return;
    try {
      f();
    } catch (const std::exception& e) {
      if (failure.empty()) failure = std::string(what) + ": " + e.what();
    }
  };
  {
    view_window::Hourglass busy(*this);
    step("device text", [&] { readDeviceText(); });
    step("table view", [&] { offerTableViewIfTheHostHasIt(); });
    step("host controls", [&] { bindHostControls(); });
    step("start-up items", [&] {
      registerKitItem(KitItem::UploadQuestion, "UploadQuestion", true);
      registerKitItem(KitItem::SaveToDataBaseOnExit, "SaveToDataBaseOnExit", true);
      registerKitItem(KitItem::Dirty, "&&private&&Dirty", false);
    });
    step("items", [&] { RegisterItems(); });
    step("device menu", [&] { dynamicMenu()->BuildDynamicMenu(binding().deviceDescription()); });
    step("sequence progress", [&] { registerSequenceProgressItems(SequenceProgressHandles); });
  }
  if (!alive()) return;
  ctl("InitFrame").setVisible(false);
  ctl("MainTab").setVisible(true);
  if (!failure.empty()) {
    platform::ui::EventLoop::instance().reportError(name() + ".RegisterTimer_Timer", failure);
    return;
  }
  askUpload();
}

void VelumorMainViewForm::RegisterItems() {
  static const char* const kTotalizerUnits[4] = {"TOTALIZER_QM_F_SET_UNIT", "TOTALIZER_QM_R_SET_UNIT",
                                                 "TOTALIZER_QV_F_SET_UNIT", "TOTALIZER_QV_R_SET_UNIT"};
  static const char* const kOutputChoices[4] = {"CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                                                "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "DISPLAY_2ND_LINE",
                                                "PULSE_OUTPUT_MODE"};
  static const char* const kPulseUnits[2] = {"PULSE_FACTOR_QM_UNIT", "PULSE_FACTOR_QV_UNIT"};
  static const char* const kTotalizerValues[4] = {"TOTALIZER_QM_F_SET_VALUE", "TOTALIZER_QM_R_SET_VALUE",
                                                  "TOTALIZER_QV_F_SET_VALUE", "TOTALIZER_QV_R_SET_VALUE"};
  // The items the window reads itself, in the order they are registered.
  static const ItemRow kItems[] = {
      {"HartRevision", &VelumorMainViewForm::HartRevisionHandle},
      {"ADJUST", nullptr, KitItem::Adjust},
      {"&&private_FDT&&EngineeringContext", nullptr, KitItem::EngineeringContext},
      {"&&private_pm&&Address", nullptr, KitItem::Address},
      {"DESCRIPTOR", nullptr, KitItem::Descriptor},
      {"&&private&&connect", nullptr, KitItem::Connect},
      {"&&private&&CurrentSource", nullptr, KitItem::CurrentSource},
      {"&&private&&UserLevel", nullptr, KitItem::UserLevel},
      {"&&private_PM&&FileName", &VelumorMainViewForm::FileNameHandle},
      {"&&Sequence_Progress&&Upload", nullptr, KitItem::UploadProgress},
      {"&&Sequence_Progress&&Download", nullptr, KitItem::DownloadProgress},
      {"&&Sequence_Progress&&Full_Download", nullptr, KitItem::FullDownloadProgress},
  };
  for (const ItemRow& row : kItems)
    row.handle ? registerItem(row.name, false, this->*row.handle)
               : registerKitItem(row.kitItem, row.name, false);
  for (int k = 0; k < 4; ++k) {
    registerItem(kTotalizerUnits[k], true, TotalizerUnitHandle[k], 0, 3);
    TotalizerUnitEnum[k] = enumerationHandleOf(kTotalizerUnits[k]);
  }
  for (int k = 0; k < 4; ++k) {
    registerItem(kOutputChoices[k], false, OutputChoiceHandle[k]);
    registerItem(kOutputChoices[k], true, OutputChoiceHandle2[k]);
    OutputChoiceEnum[k] = enumerationHandleOf(kOutputChoices[k]);
  }
  for (int k = 0; k < 2; ++k) {
    registerItem(kPulseUnits[k], false, PulseUnitHandle[k]);
    PulseUnitEnum[k] = enumerationHandleOf(kPulseUnits[k]);
  }
  for (int k = 0; k < 4; ++k) registerItem(kTotalizerValues[k], true, TotalizerValueHandle[k], 0, 3);
  for (int n = 1; n <= kCommentLines; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "COMMENTS_%02d", n);
    registerItem(name, false, CommentLine[n - 1].ItemHandle, kCommentTag + n);
  }
}

}  // namespace velumor::main_view
