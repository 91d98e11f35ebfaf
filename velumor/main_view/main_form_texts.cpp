// Every text of the main window, loaded from the string tables in the user's language:
// the captions in the window design are placeholders that never reach the user.
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/vexaonoff.h"

namespace velumor::main_view {

namespace {

using platform::com::Variant;
using platform::ui::Control;

using shared::resText;

// A property of a host control's own, by its dispatch number.
void putHost(Control& c, int32_t dispId, Variant value) {
  dynamic_cast<platform::ui::UserControl&>(c).impl().put(dispId, std::move(value));
}

// The control array's lowest and highest index, as a loop over the array runs them.
struct Bounds {
  int32_t lower;
  int32_t upper;
};

// The design's menu captions, in the order they are set.
constexpr view_window::MenuText kMenuTexts[] = {
    {"MenuFile", 400},          {"MenuOpenNew", 401},      {"MenuLoadDB", 402},
    {"MenuSaveDB", 403},        {"MenuSaveAs", 404},       {"MenuPrint", 405},
    {"MenuPrinterSetup", 406},  {"MenuExit", 409},         {"MenuDevice", 410},
    {"MenuConnect", 411},       {"MenuDisconnect", 412},   {"MenuSetAddress", 413},
    {"MenuLoadDev", 414},       {"MenuSaveDev", 415},      {"MenuAdjust", 416},
    {"MenuTableView", 421},     {"MenuDiag", 423},         {"MenuSimulation", 424},
    {"MenuDisplay", 440},       {"MenuDisplayBar", 441},   {"MenuDisplayDigital", 442},
    {"MenuDisplayAnalog", 443}, {"MenuDisplayTrend", 444}, {"MenuSettings", 430},
    {"MenuMaintenance", 431},   {"MenuSpecialist", 432},   {"MenuSourceFile", 433},
    {"MenuSourceDevice", 434},  {"MenuHelp", 490},         {"MenuContents", 491},
    {"MenuIndex", 492},         {"MenuWeb", 493},          {"MenuMirvel", 494},
    {"MenuService", 496},       {"MenuReadMe", 498},       {"MenuAbout", 499},
};

constexpr const char* kTabKeys[] = {
    "MainDeviceInfoKey",    "MainSensorKey",    "MainUnitsKey",   "MainValuesKey",      "MainMassCounterKey",
    "MainVolumeCounterKey", "MainDisplayKey",   "MainAlarmKey",   "MainTemparatureKey", "MainOperationKey",
    "MainCommentsKey",      "MainOutputCfgKey", "MainOutput1Key", "MainOutput2Key",     "MainImpulseKey",
};

}  // namespace

// ------------------------------------------------------------------ helpers

namespace {

Bounds boundsOf(const platform::ui::Form& form, std::string_view array) {
  const std::vector<int32_t> indices = form.arrayIndices(array);
  if (indices.empty())
    platform::com::raise(platform::com::err::NoSuchMember,
                         "The window has no control array '" + std::string(array) + "'");
  return {indices.front(), indices.back()};
}

}  // namespace

void VelumorMainViewForm::loadCaption(std::string_view control, int32_t id, int32_t index) {
  ctl(control, index).setCaption(resText(id));
}

void VelumorMainViewForm::setLabelText(std::string_view control, int32_t index, int32_t id) {
  putHost(ctl(control, index), tolvar::dispid::LabelText, Variant(resText(id)));
}

void VelumorMainViewForm::setLabelFlag(std::string_view control, int32_t index, bool value) {
  putHost(ctl(control, index), tolvar::dispid::LabelFlag, Variant(value));
}

void VelumorMainViewForm::setFieldFlag(std::string_view control, int32_t index, bool value) {
  putHost(ctl(control, index), tolvar::dispid::FieldFlag, Variant(value));
}

// The container flag of an embedded control: it leaves the Tab key's order, so the
// focus never lands on a field the user cannot use.
void VelumorMainViewForm::setContainerFlag(std::string_view control, int32_t index, bool value) {
  ctl(control, index).setProperty("TabStop", Variant(value));
}

// ------------------------------------------------------------------ menus, tabs, frames

std::span<const view_window::MenuText> VelumorMainViewForm::mainMenuTexts() {
  return kMenuTexts;
}

void VelumorMainViewForm::setTabCaptions() {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  int32_t position = 1;
  for (const char* key : kTabKeys) tabs.setTabCaption(Variant(key), resText(100 + position++));
}

void VelumorMainViewForm::setPageFrameCaptions() {
  for (std::string_view frame : pageFrameNames()) {
    if (frame == "MainOutputCfgFrame")
      loadCaption(frame, 12000);
    else
      ctl(frame).setCaption("");
  }
}

// ------------------------------------------------------------------ pages

void VelumorMainViewForm::setDeviceInfoTexts() {
  loadCaption("DeviceDataFrame", 1001);
  loadCaption("MeasurementPointFrame", 1002);
  const Bounds data = boundsOf(*this, "DevDataText");
  for (int32_t i = data.lower; i <= data.upper; ++i) {
    loadCaption("DevDataLabel", 1100 + i, i);
    setFieldFlag("DevDataText", i, true);
  }
  setFieldFlag("DevDataText", 0, true);
  setContainerFlag("DevDataText", 0, false);
  // The fields the user writes: the tag and the date.
  setFieldFlag("DevDataText", 1, false);
  setFieldFlag("DevDataText", 7, false);
  // The order-number row is never shown.
  ctl("DevDataLabel", 6).setVisible(false);
  ctl("DevDataLabel", 6).setEnabled(false);
  ctl("DevDataText", 6).setVisible(false);
  setContainerFlag("DevDataText", 6, false);
  const Bounds point = boundsOf(*this, "MeasurementPointText");
  for (int32_t i = point.lower; i <= point.upper; ++i) {
    loadCaption("MeasurementPointLabel", 1200 + i, i);
    setFieldFlag("MeasurementPointText", i, false);
  }
}

void VelumorMainViewForm::setSensorTexts() {
  const Bounds rows = boundsOf(*this, "SensorLabelTextUnit");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) {
    setLabelText("SensorLabelTextUnit", i, 2100 + i);
    setLabelFlag("SensorLabelTextUnit", i, true);
  }
  const Bounds labels = boundsOf(*this, "SensorLabel");
  for (int32_t i = labels.lower; i <= labels.upper; ++i) loadCaption("SensorLabel", 2110 + i, i);
}

void VelumorMainViewForm::setUnitTexts() {
  const Bounds rows = boundsOf(*this, "UnitCombo");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) loadCaption("UnitLabel", 3100 + i, i);
}

void VelumorMainViewForm::setValueTexts() {
  loadCaption("CurrentLabel", 29022, 1);
  loadCaption("CurrentLabel", 29023, 2);
  loadCaption("CurrentUnit", 29032, 1);
  loadCaption("CurrentUnit", 29033, 2);
  const Bounds rows = boundsOf(*this, "ValueLabelTextUnit");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) {
    setLabelText("ValueLabelTextUnit", i, 4100 + i);
    setLabelFlag("ValueLabelTextUnit", i, true);
  }
  loadCaption("ValueLabel", 4110, 0);
  ctl("ValueLabel", 0).setVisible(false);
  ctl("ValueLabel", 0).setEnabled(false);
  loadCaption("ValueLabel", 4121, 1);
  loadCaption("ValueLabel", 4122, 2);
  // The two raw diagnosis fields are never shown; the button and the lamp stand for them.
  for (int32_t i : {0, 1}) {
    setFieldFlag("ValueText", i, true);
    ctl("ValueText", i).setVisible(false);
    setContainerFlag("ValueText", i, false);
  }
  const Bounds fields = boundsOf(*this, "ValueText");
  for (int32_t i = 2; i <= fields.upper; ++i) setFieldFlag("ValueText", i, true);
  loadCaption("DiagnoseCommand", 4200);
  putHost(ctl("DiagnoseONOFF"), shared::VexaOnOff::kDispIdState, Variant(int16_t{4}));
}

void VelumorMainViewForm::setCounterTexts(std::string_view prefix) {
  const std::string p(prefix);
  ctl(p + "CounterFunctionFrame").setCaption("");
  loadCaption(p + "CounterFlowFrame", 5002);
  loadCaption(p + "CounterRevFlowFrame", 5003);
  loadCaption(p + "CounterFncLabel", 5100);
  const Bounds rows = boundsOf(*this, p + "CounterFlowText");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) {
    loadCaption(p + "CounterFlowLabel", 5110 + i, i);
    loadCaption(p + "CounterFlowCommand", 5130 + i, i);
  }
  const Bounds units = boundsOf(*this, p + "CounterUnitLabel");
  for (int32_t i = units.lower; i <= units.upper; ++i) loadCaption(p + "CounterUnitLabel", 5120 + i, i);
}

void VelumorMainViewForm::setDisplayTexts() {
  loadCaption("NormalDisplayFrame", 7001);
  loadCaption("MultiplexDisplayFrame", 7002);
  const Bounds rows = boundsOf(*this, "NormalDisplayCombo");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) {
    loadCaption("NormalDisplayLabel", 7100 + i, i);
    loadCaption("MultiplexDisplayLabel", 7100 + i, i);
  }
  loadCaption("LanguageDisplayLabel", 7300);
}

void VelumorMainViewForm::setAlarmTexts() {
  const Bounds rows = boundsOf(*this, "AlarmLabelTextUnit");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) setLabelText("AlarmLabelTextUnit", i, 8100 + i);
}

void VelumorMainViewForm::setTemperatureTexts() {
  const Bounds density = boundsOf(*this, "DensityLabelTextUnit");
  for (int32_t i = density.lower; i <= density.upper; ++i) setLabelText("DensityLabelTextUnit", i, 9100 + i);
  const Bounds temperature = boundsOf(*this, "TemperatureLabelTextUnit");
  for (int32_t i = temperature.lower; i <= temperature.upper; ++i)
    setLabelText("TemperatureLabelTextUnit", i, 9200 + i);
}

void VelumorMainViewForm::setOperationTexts() {
  const Bounds labels = boundsOf(*this, "OperationLabel");
  for (int32_t i = labels.lower; i <= labels.upper; ++i) loadCaption("OperationLabel", 10110 + i, i);
  const Bounds rows = boundsOf(*this, "OperationText");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) {
    loadCaption("OperationTextLabel", 10120 + i, i);
    loadCaption("OperationUnitLabel", 10130 + i, i);
  }
}

void VelumorMainViewForm::setCommentsTexts() {
  ctl("CommentsText").setText("");
}

void VelumorMainViewForm::setOutputCfgTexts() {
  const Bounds rows = boundsOf(*this, "OutputCfgCombo");
  for (int32_t i = rows.lower; i <= rows.upper; ++i) loadCaption("OutputCfgLabel", 12100 + i, i);
}

void VelumorMainViewForm::setOutputTexts(int output) {
  const std::string p = "Output" + std::to_string(output);
  const std::string page = "MainOutput" + std::to_string(output);
  ctl(page + "LimitsFrame").setCaption("");
  ctl(page + "AlarmFrame").setCaption("");
  if (output == 1) ctl("Output1SensorInfoFrame").setCaption("");
  const Bounds spans = boundsOf(*this, p + "MLabelTextUnit");
  for (int32_t i = spans.lower; i <= spans.upper; ++i)
    for (const char* group : {"M", "V", "D", "T"}) setLabelText(p + group + "LabelTextUnit", i, 13100 + i);
  // The alarm rows start at index 2: the fields 0 and 1 have no label of this kind.
  const Bounds fields = boundsOf(*this, p + "Text");
  for (int32_t i = 2; i <= fields.upper; ++i) {
    loadCaption(p + "TextLabel", 13120 + i, i);
    loadCaption(p + "UnitLabel", 13130 + i, i);
  }
  loadCaption(p + "Label", 13110, 0);
  loadCaption(p + "Label", 13111, 1);
  if (output == 1) loadCaption("SimulationCommand", 13140);
}

void VelumorMainViewForm::setPulseTexts() {
  loadCaption("PulseLabel", 15100, 0);
  loadCaption("PulseLabel", 15101, 1);
  loadCaption("PulseLabel", 15102, 2);
  // Ends with a blank: the pulse unit is appended to it later.
  loadCaption("PulseLabel", 15110, 3);
  loadCaption("PulseLabel", 15120, 4);
}

}  // namespace velumor::main_view
