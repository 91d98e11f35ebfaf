// The status decoding of both device variants and of the field device status byte: the
// branches the notification dispatch runs for the status items. What a report means is
// DiagStatus's; this file only hands its steps to the window's rows and tabs.
#include <string>
#include <string_view>

#include "velumor/diag_view/diag_status.h"
#include "velumor/diag_view/velumor_diag_view_form.h"

namespace velumor::diag_view {

namespace {

// The window's side of a decoding.
class FormDrawing final : public DiagStatusDrawing {
 public:
  explicit FormDrawing(VelumorDiagViewForm& form) : form_(form) {}

  void drawDiagRow(DiagGroup g, int row, uint8_t value) override { form_.setRow(groupName(g), row, value); }
  void setDiagRowVisible(DiagGroup g, int row, bool visible) override {
    const std::string rows(diagRowArray(g));
    for (const char* part : {"Label", "Text", "ONOFF"}) form_.ctl(rows + part, row).setVisible(visible);
  }
  void setDiagTabImage(DiagGroup g, uint8_t image) override { form_.setTabImage(diagTabKey(g), image); }
  void setDiagTabPresent(DiagGroup g, bool present) override { form_.setTabPresent(diagTabKey(g), present); }
  void runDiagTabSelection() override { form_.MainTab_Click(); }

 private:
  // "DiagSensor" names the Sensor rows.
  static std::string_view groupName(DiagGroup g) { return diagRowArray(g).substr(4); }
  VelumorDiagViewForm& form_;
};

}  // namespace

void VelumorDiagViewForm::ApplyDeviceVariant() {
  tolvar::AppletItemManager* aim = binding().itemManager();
  if (!aim) return;
  Status.ApplyDeviceVariant(*aim, binding().viewHandle(), HartRevisionHandle);
  auto kept = [this](StatusItem item) { return Status.isActive(item) ? Status.handleOf(item) : 0; };
  AddTransmitterStateErrorHandle = kept(StatusItem::Error);
  AddTransmitterStateStateHandle = kept(StatusItem::State);
  A10AddTransmitterStateErrorHandle = kept(StatusItem::A10Error);
  A10AddTransmitterStateStateHandle = kept(StatusItem::A10State);
  A10OperatingModeHandle = kept(StatusItem::A10OperatingMode);
  A10AnalogOutputSaturatedHandle = kept(StatusItem::A10Saturated);
  A10AnalogOutputFixedHandle = kept(StatusItem::A10Fixed);
  A10AddTransmitterStateTStateHandle = kept(StatusItem::A10TState);
  A10AddTransmitterStateWarningsHandle = kept(StatusItem::A10Warnings);
}

bool VelumorDiagViewForm::HandleStatusRecord(int32_t handle) {
  tolvar::AppletItemManager* aim = binding().itemManager();
  if (!aim) return false;
  FormDrawing drawing(*this);
  return Status.HandleStatusRecord(*aim, handle, drawing);
}

void VelumorDiagViewForm::ShowFieldDeviceStatus() {
  tolvar::AppletItemManager* aim = binding().itemManager();
  if (!aim) return;
  FormDrawing drawing(*this);
  Status.ShowFieldDeviceStatus(*aim, LastFieldDeviceStatusHandle, drawing);
}

void VelumorDiagViewForm::DrawFieldDeviceRows() {
  FormDrawing drawing(*this);
  Status.DrawFieldDeviceRows(drawing);
}

}  // namespace velumor::diag_view
