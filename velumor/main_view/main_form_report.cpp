// The parameter report: the main window's pages, as their controls show them, in page
// order. Sensor, Alarms and Temperature / Density have no section of their own: the meter
// tube's data appear under Operational Configuration and Output 1.
#include "velumor/main_view/main_form_report.h"

#include <string_view>

#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/report/report.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"

namespace velumor::main_view {

namespace {

using platform::com::Variant;
using platform::ui::Control;
using platform::ui::Form;
using shared::report::ReportText;

using shared::resText;

Variant hostProperty(Control& c, std::string_view name) {
  return dynamic_cast<platform::ui::UserControl&>(c).impl().propertyByName(name, {});
}

// What a control shows: a combo its entry, a host text or label-text-unit control its text,
// a plain label its caption, a text box its text.
std::string shown(Control& c) {
  if (auto* host = dynamic_cast<platform::ui::UserControl*>(&c)) {
    if (host->typeName() == "Tolvar4Combo") return hostProperty(c, "CurrentEntryText").toString();
    return hostProperty(c, "Text").toString();
  }
  if (c.type() == platform::ui::ControlType::Label) return c.caption();
  return c.text();
}

std::vector<int32_t> indices(const Form& form, std::string_view array) {
  return form.arrayIndices(array);
}

class ReportBuilder {
 public:
  ReportBuilder(Form& form, const ParameterReportValues& values, const ReportHost& host)
      : form_(form), v_(values), host_(host) {}

  std::string build() {
    r_.title(form_.caption());
    r_.blank();
    r_.blank();
    r_.header(resText(301), resText(310 + v_.connectionState));
    r_.header(resText(302), v_.dataFileName);
    deviceInfo();
    units();
    values();
    totalizer(105, "MassCounterFlowText", "MassCounterUnitLabel");
    totalizer(106, "VolumeCounterFlowText", "VolumeCounterUnitLabel");
    display();
    operation();
    notes();
    outputConfiguration();
    output(1);
    output(2);
    pulse();
    return r_.text();
  }

 private:
  Control& ctl(std::string_view name, int32_t index = -1) { return form_.ctl(name, index); }

  void page(int32_t id) {
    r_.blank();
    r_.title(resText(id));
  }

  // One row per element of a control array, labelled by base id + index.
  void rowsOf(std::string_view array, int32_t labelBase) {
    for (int32_t i : indices(form_, array)) r_.row(resText(labelBase + i), shown(ctl(array, i)));
  }

  void deviceInfo() {
    page(101);
    r_.group(resText(1001));
    rowsOf("DevDataText", 1100);
    r_.group(resText(1002));
    rowsOf("MeasurementPointText", 1200);
  }

  void units() {
    page(103);
    rowsOf("UnitCombo", 3100);
  }

  void values() {
    page(104);
    for (int32_t i : indices(form_, "CurrentText"))
      r_.row(ctl("CurrentLabel", i).caption(),
             shown(ctl("CurrentText", i)) + " " + ctl("CurrentUnit", i).caption());
    r_.blank();
    for (int32_t i : indices(form_, "ValueLabelTextUnit")) {
      Control& c = ctl("ValueLabelTextUnit", i);
      r_.row(hostProperty(c, "LabelText").toString(), GetItemValueText(c, host_));
    }
  }

  void totalizer(int32_t pageId, std::string_view texts, std::string_view units) {
    page(pageId);
    r_.row(resText(5110), shown(ctl(texts, 0)));
    r_.row(resText(5111), shown(ctl(texts, 1)) + " " + ctl(units, 0).caption());
    r_.row(resText(5112), shown(ctl(texts, 2)));
    r_.row(resText(5113), shown(ctl(texts, 3)) + " " + ctl(units, 1).caption());
  }

  void display() {
    page(107);
    r_.group(resText(7001));
    rowsOf("NormalDisplayCombo", 7100);
    r_.group(resText(7002));
    rowsOf("MultiplexDisplayCombo", 7100);
    r_.blank();
    r_.row(resText(7300), shown(ctl("LanguageDisplayCombo")));
  }

  void operation() {
    page(110);
    r_.row(resText(10110), shown(ctl("OperationCombo", 0)));
    for (int32_t i : indices(form_, "OperationText"))
      r_.row(resText(10120 + i), shown(ctl("OperationText", i)) + " " + resText(10130 + i));
    r_.row(resText(2110), shown(ctl("SensorCombo")));
    r_.row(resText(2100), GetItemValueText(ctl("SensorLabelTextUnit", 0), host_));
  }

  void notes() {
    page(111);
    for (size_t i = 0; i < 15; ++i)
      r_.plainRow(i < v_.commentLines.size() ? v_.commentLines[i] : std::string());
  }

  void outputConfiguration() {
    page(112);
    rowsOf("OutputCfgCombo", 12100);
  }

  void output(int32_t n) {
    page(n == 1 ? 113 : 114);
    const int32_t enumHandle = n == 1 ? v_.output1Enum : v_.output2Enum;
    const int32_t current = n == 1 ? v_.output1Choice : v_.output2Choice;
    static constexpr std::string_view kGroups[2][4] = {
        {"Output1MLabelTextUnit", "Output1VLabelTextUnit", "Output1DLabelTextUnit", "Output1TLabelTextUnit"},
        {"Output2MLabelTextUnit", "Output2VLabelTextUnit", "Output2DLabelTextUnit", "Output2TLabelTextUnit"}};
    for (int32_t k = 0; k <= 3; ++k) {
      const bool marked = k == current;
      r_.row(resText(13110), shared::GetEnumText(host_.description, enumHandle, k), marked);
      std::string_view group = kGroups[n - 1][k];
      for (int32_t j : indices(form_, group))
        r_.row(resText(13100 + j), GetItemValueText(ctl(group, j), host_), marked);
      if (n == 1 && marked) {
        const std::vector<int32_t> sensor = indices(form_, "SensorLabelTextUnit");
        for (int32_t j = 1; !sensor.empty() && j <= sensor.back(); ++j)
          r_.row(resText(2100 + j), GetItemValueText(ctl("SensorLabelTextUnit", j), host_));
      }
    }
    r_.row(resText(13111), shown(ctl(n == 1 ? "Output1Combo" : "Output2Combo")));
    std::string_view texts = n == 1 ? "Output1Text" : "Output2Text";
    const std::vector<int32_t> rows = indices(form_, texts);
    for (int32_t j = 2; !rows.empty() && j <= rows.back(); ++j)
      r_.row(resText(13120 + j), shown(ctl(texts, j)) + " " + resText(13130 + j));
  }

  void pulse() {
    page(115);
    for (int32_t k = 0; k <= 1; ++k) {
      const bool marked = k == v_.pulseMode;
      r_.row(resText(15100), shared::GetEnumText(host_.description, v_.pulseModeEnum, k), marked);
      const std::string unit =
          k == 0 ? shared::GetEnumText(host_.description, v_.pulseUnitMassEnum, v_.pulseUnitMass)
                 : shared::GetEnumText(host_.description, v_.pulseUnitVolumeEnum, v_.pulseUnitVolume);
      r_.row(resText(15101), shown(ctl("PulseText", k)) + " " + resText(15110) + unit, marked);
    }
    r_.row(resText(15102), shown(ctl("PulseText", 2)) + " " + resText(15120));
  }

  Form& form_;
  const ParameterReportValues& v_;
  const ReportHost& host_;
  shared::report::ReportText r_;
};

}  // namespace

std::string GetItemValueText(Control& ctl, const ReportHost& host) {
  const std::string name = hostProperty(ctl, "UnitItemName").toString();
  int32_t handle = 0, status = 0;
  double value = 0;
  // Registered only for the one read: the window follows this item through its control.
  host.itemManager->RegisterItem(name, false, host.viewHandle, handle, 0, 0, status);
  host.itemManager->UnadviseItem(Variant(host.viewHandle), handle, false, status);
  host.itemManager->GetValueEx(handle, value, false, status);

  int32_t object = 0, enumeration = 0;
  host.description->FindObject("object", name, object, status);
  Variant v1, v2, v3, v4, enumName, v6;
  host.description->GetObjectInfo(object, v1, v2, v3, v4, enumName, v6, status);
  host.description->FindObject("enumeration", enumName.toString(), enumeration, status);
  return shown(ctl) + " " + shared::GetEnumText(host.description, enumeration, platform::com::cLng(value));
}

std::string buildParameterReport(Form& form, const ParameterReportValues& values, const ReportHost& host) {
  return ReportBuilder(form, values, host).build();
}

// ------------------------------------------------------------------ the window's report and print menus

std::string VelumorMainViewForm::BuildParameterReport() {
  ParameterReportValues v;
  v.connectionState = ConnectionState();
  v.dataFileName = DataFileName();
  v.output1Enum = OutputChoiceEnum[0];
  v.output1Choice = OutputChoice1;
  v.output2Enum = OutputChoiceEnum[1];
  v.output2Choice = OutputChoice2;
  v.pulseModeEnum = OutputChoiceEnum[3];
  v.pulseMode = PulseMode;
  v.pulseUnitMassEnum = PulseUnitEnum[0];
  v.pulseUnitMass = PulseUnitMass;
  v.pulseUnitVolumeEnum = PulseUnitEnum[1];
  v.pulseUnitVolume = PulseUnitVolume;
  for (const CommentLineRecord& line : CommentLine) v.commentLines.push_back(line.Text);
  ReportHost host{&binding().requireItemManager("BuildParameterReport"), binding().deviceDescription(),
                  binding().viewHandle()};
  return buildParameterReport(*this, v, host);
}

void VelumorMainViewForm::MenuPrint_Click() {
  const shared::report::PrintOutcome outcome = shared::report::printReport(
      ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg"), {caption(), "VR_Data.prn", DevDescText()},
      [this] { return BuildParameterReport(); });
  // The report registered and unadvised items of its own; the window's registrations are
  // made anew, as after any report that got past the dialogs.
  if (outcome != shared::report::PrintOutcome::Cancelled && alive()) RegisterItems();
}

void VelumorMainViewForm::MenuPrinterSetup_Click() {
  shared::report::printerSetup(ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg"));
}

}  // namespace velumor::main_view
