// The output configuration checks and the status indication of the main window: the device
// variant, the status octets, the output choices and the pulse units.
#include "velumor/main_view/main_form_outputs.h"

#include <cmath>
#include <string>

#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/services.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"
#include "velumor/view_window/dynamic_menu.h"

namespace velumor::main_view {

namespace {

using platform::com::Variant;
using platform::ui::Control;

using shared::resText;

platform::ui::UserControlImpl& hostControl(Control& c) {
  return dynamic_cast<platform::ui::UserControl&>(c).impl();
}

// The rows of the output-choice handles as the registration keeps them: current output 1,
// current output 2, the display's second line, the pulse output mode.
constexpr outputs::OutputRow kRowOfHandle[4] = {outputs::kOutput1, outputs::kOutput2, outputs::kDisplayLine2,
                                                outputs::kPulse};

}  // namespace

// ------------------------------------------------------------------ output choices

void VelumorMainViewForm::CheckOutputChoice(const view_window::VELUMOR_Notify_Type& record) {
  const int32_t handle = record.lAppletItemHandle;
  int k = -1;
  for (int i = 0; i < 4 && k < 0; ++i)
    if (handle != 0 && (OutputChoiceHandle[i] == handle || OutputChoiceHandle2[i] == handle)) k = i;
  if (k < 0) return;
  const outputs::OutputChoiceRow& row = outputs::kOutputChoiceRows[kRowOfHandle[k]];
  const int32_t enumHandle = OutputChoiceEnum[k];
  tolvar::AppletItemManager& aim = binding().requireItemManager("CheckOutputChoice");
  tolvar::DeviceDescription* dd = binding().deviceDescription();
  int32_t status = 0;

  if (record.bShadow) {
    double d = 0;
    aim.GetValueEx(handle, d, true, status);
    const std::optional<int32_t> fitting = view_window::roundToLong(d);
    if (!fitting) return;
    const int32_t choice = *fitting;
    if (row.output == 1) OutputChoice1 = choice;
    if (row.output == 2) OutputChoice2 = choice;
    if (kRowOfHandle[k] == outputs::kPulse) PulseMode = choice;
    const std::string text = shared::GetEnumText(dd, enumHandle, choice);
    const bool fixed = row.keepsShadowChoice ? choice == row.fixedChoice : d == row.fixedChoice;
    hostControl(ctl("ValueLabelTextUnit", row.valueLabel))
        .setPropertyByName("LabelText", Variant(fixed ? resText(row.fixedLabelId) : text));
    if (row.output != 0) {
      const auto& groups = outputs::fieldGroups(row.output);
      for (std::string_view group : groups)
        for (int32_t j = 0; j <= 1; ++j) ctl(group, j).setVisible(false);
      if (choice >= 0 && choice <= 3)
        for (int32_t j = 0; j <= 1; ++j) ctl(groups[static_cast<size_t>(choice)], j).setVisible(true);
    } else if (kRowOfHandle[k] == outputs::kPulse) {
      UpdatePulseDisplay();
    }
    return;
  }

  double value = 0, shadow = 0;
  aim.GetValue(handle, value, status);
  aim.GetShadowValue(handle, shadow, status);
  const std::optional<int32_t> fitting = view_window::roundToLong(value);
  if (!fitting) return;
  const int32_t choice = *fitting;
  if (!row.keepsShadowChoice) DisplayLine2Choice = choice;
  const std::string text = shared::GetEnumText(dd, enumHandle, choice);
  if (value == shadow) return;
  // The value the device holds is written back before it is judged.
  aim.SetValue(handle, value, status);
  if (row.keepsShadowChoice ? value == row.fixedChoice : DisplayLine2Choice == row.fixedChoice) return;
  const std::string message = resText(501) + "\r\n" + resText(row.messageLineId) + text + resText(502) +
                              shared::GetEnumText(dd, enumHandle, row.fixedChoice);
  const std::string title = dynamicMenu() ? dynamicMenu()->nickName() : std::string();
  DisableStartFormEntries();
  struct Enable {
    VelumorMainViewForm& form;
    ~Enable() { form.EnableStartFormEntries(); }
  } enable{*this};
  platform::ui::msgBox(message, platform::ui::mb::OKOnly | platform::ui::mb::Exclamation, title);
}

// ------------------------------------------------------------------ pulse output

void VelumorMainViewForm::ReadPulseUnits(const view_window::VELUMOR_Notify_Type& record) {
  tolvar::AppletItemManager& aim = binding().requireItemManager("ReadPulseUnits");
  int32_t status = 0;
  double mass = 0, volume = 0;
  // The notified item is read first.
  if (record.lAppletItemHandle == PulseUnitHandle[1]) {
    aim.GetValue(PulseUnitHandle[1], volume, status);
    aim.GetValue(PulseUnitHandle[0], mass, status);
  } else {
    aim.GetValue(PulseUnitHandle[0], mass, status);
    aim.GetValue(PulseUnitHandle[1], volume, status);
  }
  const std::optional<int32_t> massUnit = view_window::roundToLong(mass),
                               volumeUnit = view_window::roundToLong(volume);
  if (!massUnit || !volumeUnit) return;
  PulseUnitMass = *massUnit;
  PulseUnitVolume = *volumeUnit;
  UpdatePulseDisplay();
}

void VelumorMainViewForm::UpdatePulseDisplay() {
  if (PulseMode != 0 && PulseMode != 1) return;
  const bool mass = PulseMode == 0;
  ctl("PulseText", 0).setVisible(mass);
  ctl("PulseText", 1).setVisible(!mass);
  const std::string unit =
      mass ? shared::GetEnumText(binding().deviceDescription(), PulseUnitEnum[0], PulseUnitMass)
           : shared::GetEnumText(binding().deviceDescription(), PulseUnitEnum[1], PulseUnitVolume);
  ctl("PulseLabel", 3).setCaption(resText(15110) + unit);
}

// ------------------------------------------------------------------ device variant and status

void VelumorMainViewForm::ApplyDeviceVariant(const view_window::VELUMOR_Notify_Type& record) {
  tolvar::AppletItemManager& aim = binding().requireItemManager("ApplyDeviceVariant");
  int32_t status = 0;
  double d = 0;
  aim.GetValue(record.lAppletItemHandle, d, status);
  // A variant is an octet; anything else is no variant and changes nothing.
  if (!std::isfinite(d) || d < -0.5 || d > 255.5) return;
  DeviceVariant = platform::com::cByte(d);
  if (DeviceVariant > 1) return;  // stored; the items and arrays in use stay

  const outputs::StatusOctets cleared = outputs::octetsFor(DeviceVariant);
  ErrorOctets = cleared.error;
  StateOctets = cleared.state;
  WarningOctets = cleared.warning;
  StatusLayout = DeviceVariant;
  // Every item registered before goes: the other variant's, and this variant's own when
  // the same variant is reported again (it is registered anew below).
  for (const StatusItem& item : StatusItems)
    if (item.handle != 0) aim.UnadviseItem(Variant(binding().viewHandle()), item.handle, true, status);
  StatusItems.clear();
  auto registerAll = [&](const auto& names) {
    for (std::string_view name : names) {
      int32_t handle = 0;
      aim.RegisterItem(std::string(name), true, binding().viewHandle(), handle, 0, 3, status);
      StatusItems.push_back({std::string(name), status == 0 ? handle : 0});
    }
  };
  if (DeviceVariant == 0)
    registerAll(outputs::kVariant0Items);
  else
    registerAll(outputs::kVariant1Items);
}

void VelumorMainViewForm::ReadStatusOctets(const view_window::VELUMOR_Notify_Type& record) {
  const int32_t handle = record.lAppletItemHandle;
  if (handle == 0) return;
  size_t index = StatusItems.size();
  for (size_t i = 0; i < StatusItems.size(); ++i)
    if (StatusItems[i].handle == handle) index = i;
  if (index == StatusItems.size()) return;  // an item of a variant no longer in use
  platform::com::ByteArray* target = nullptr;
  switch (outputs::targetOf(StatusLayout, index)) {
    case outputs::OctetTarget::Error:
      target = &ErrorOctets;
      break;
    case outputs::OctetTarget::State:
      target = &StateOctets;
      break;
    case outputs::OctetTarget::Warning:
      target = &WarningOctets;
      break;
    case outputs::OctetTarget::None:
      return;
  }
  // The host fills a cleared copy from its lower bound; octets it lacks stay 0.
  platform::com::ByteArray delivered = outputs::octetArray(target->lowerBound, target->upperBound());
  int32_t status = 0;
  binding().requireItemManager("ReadStatusOctets").GetArrayValue(handle, delivered, true, status);
  // A failed read keeps the octets of the last report.
  if (status == 0) outputs::takeOctets(*target, delivered);
  UpdateDiagLED();
}

int16_t VelumorMainViewForm::diagLampState() {
  return hostControl(ctl("DiagnoseONOFF")).propertyByName("state", {}).toInteger();
}

void VelumorMainViewForm::setDiagLampState(int16_t state) {
  if (diagLampState() != state) hostControl(ctl("DiagnoseONOFF")).setPropertyByName("state", Variant(state));
}

void VelumorMainViewForm::UpdateDiagLED() {
  const outputs::LampStep step = outputs::lampOnStatus(
      diagLampState(), outputs::summarize(StatusLayout, ErrorOctets, StateOctets, WarningOctets));
  setDiagLampState(step.state);
  platform::ui::TimerControl& timer = this->timer("DiagLEDTimer");
  // Enabling a running timer would restart its count: a stream of reports would hold
  // the lamp still.
  if (timer.isEnabled() != step.blinking) timer.setProperty("Enabled", Variant(step.blinking));
}

void VelumorMainViewForm::DiagLEDTimer_Timer() {
  setDiagLampState(outputs::lampOnTick(
      diagLampState(), outputs::summarize(StatusLayout, ErrorOctets, StateOctets, WarningOctets)));
}

void VelumorMainViewForm::wireOutputsAndReport() {
  on("DiagLEDTimer", "Timer", [this] { DiagLEDTimer_Timer(); });
  on("MenuPrint", "Click", [this] { MenuPrint_Click(); });
  on("MenuPrinterSetup", "Click", [this] { MenuPrinterSetup_Click(); });
}

}  // namespace velumor::main_view
