// The diagnosis window's registration of the items it reads itself and its notification
// dispatch: one record per tick, by its tag, else by its item handle.
#include <optional>
#include <string>

#include "platform/com/variant.h"
#include "platform/ui/event_loop.h"
#include "velumor/diag_view/velumor_diag_view_form.h"

namespace velumor {

namespace {

// The items the window reads itself, in the order they are registered.
struct ItemRow {
  const char* name;
  bool flag;
  int32_t VelumorDiagViewForm::*handle;
};

constexpr ItemRow kItems[] = {
    {"HartRevision", false, &VelumorDiagViewForm::HartRevisionHandle},
    {"ADJUST", false, &VelumorDiagViewForm::AdjustHandle},
    {"&&private_FDT&&EngineeringContext", false, &VelumorDiagViewForm::EngineeringContextHandle},
    {"&&private_pm&&Address", false, &VelumorDiagViewForm::AddressHandle},
    {"DESCRIPTOR", false, &VelumorDiagViewForm::DescriptorHandle},
    {"&&private&&connect", false, &VelumorDiagViewForm::ConnectHandle},
    {"&&private&&CurrentSource", false, &VelumorDiagViewForm::CurrentSourceHandle},
    {"&&private&&UserLevel", false, &VelumorDiagViewForm::UserLevelHandle},
    {"&&private_PM&&FileName", false, &VelumorDiagViewForm::FileNameHandle},
    {"&&Sequence_Progress&&Upload", false, &VelumorDiagViewForm::UploadProgressHandle},
    {"&&Sequence_Progress&&Download", false, &VelumorDiagViewForm::DownloadProgressHandle},
    {"&&Sequence_Progress&&FULL_Download", false, &VelumorDiagViewForm::FullDownloadProgressHandle},
    {"LastFieldDeviceStatus", false, &VelumorDiagViewForm::LastFieldDeviceStatusHandle},
    {"UploadQuestion", true, &VelumorDiagViewForm::UploadQuestionHandle},
    {"SaveToDataBaseOnExit", true, &VelumorDiagViewForm::SaveToDataBaseOnExitHandle},
    {"&&private&&Dirty", false, &VelumorDiagViewForm::DirtyHandle},
};

}  // namespace

void VelumorDiagViewForm::Register() {
  // Each item on its own: one the host refuses or fails does not keep the others away.
  for (const ItemRow& row : kItems) {
    plat::ui::EventLoop::instance().runReported(name() + ".RegisterTimer_Timer " + row.name, [&] {
      if (!ItemManager) return;
      int32_t status = 0;
      ItemManager->RegisterItem(row.name, row.flag, ViewHandle, this->*row.handle, 0, 0, status);
    });
  }
}

void VelumorDiagViewForm::Dispatch(const VELUMOR_Notify_Type& record) {
  if (record.lUserLong != 0) return;  // the tagged items come with the device menu and sequences
  const int32_t h = record.lAppletItemHandle;
  // A handle the window never kept (still 0) matches no record.
  auto is = [h](int32_t kept) { return kept != 0 && kept == h; };
  if (is(EngineeringContextHandle)) return;
  if (is(HartRevisionHandle)) return ApplyDeviceVariant();
  if (is(AddressHandle) || is(DescriptorHandle)) return;
  if (is(ConnectHandle)) return ShowConnectionState(h);
  if (is(CurrentSourceHandle) || is(UserLevelHandle) || is(FileNameHandle)) return;
  if (is(AddTransmitterStateErrorHandle)) return DecodeErrorOctets();
  if (is(AddTransmitterStateStateHandle)) return DecodeStateOctets();
  if (is(A10AddTransmitterStateErrorHandle)) return DecodeA10Errors();
  // Reported by the second variant, shown by nothing.
  if (is(A10AddTransmitterStateStateHandle) || is(A10OperatingModeHandle) || is(A10AnalogOutputSaturatedHandle) ||
      is(A10AnalogOutputFixedHandle))
    return;
  if (is(A10AddTransmitterStateTStateHandle)) return DecodeA10TState();
  if (is(A10AddTransmitterStateWarningsHandle)) return DecodeA10Warnings();
  if (is(LastFieldDeviceStatusHandle)) return ShowFieldDeviceStatus();
  // Progress, "UploadQuestion", "SaveToDataBaseOnExit", "&&private&&Dirty", "ADJUST" and
  // unknown handles change nothing here.
}

void VelumorDiagViewForm::ShowConnectionState(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  if (!ItemManager) return;
  ItemManager->GetValue(handle, d, status);
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) return;  // no Long: the record is dropped
  ConnectionState = plat::com::cLng(d);
  OnConnectionState(ConnectionState);
}

// What the connection state means for the rows and the Device buttons.
void VelumorDiagViewForm::OnConnectionState(int32_t state) {
  constexpr int32_t kGreyText = static_cast<int32_t>(0x80000011u);
  auto buttons = [this](bool enabled) {
    ctl("DiagCommand", 1).setEnabled(enabled);
    ctl("DiagCommand", 4).setEnabled(enabled);
  };
  auto deviceMenus = [this](bool enabled) {
    for (const char* m : {"MenuSetAddress", "MenuLoadDev", "MenuSaveDev"}) ctl(m).setEnabled(enabled);
  };
  switch (state) {
    case 0:
      deviceMenus(false);
      // Every row turns pale at once and keeps its value.
      for (const char* group :
           {"Device", "Sensor", "Input", "Value", "Output", "Config", "Memory", "Alarm", "Totalizer"}) {
        const std::string text = "Diag" + std::string(group) + "Text";
        for (int32_t i : arrayIndices(text)) {
          plat::ui::Control& t = ctl(text, i);
          t.setProperty("BackColor", plat::com::Variant(ShiftColour(t.getProperty("BackColor").toLong())));
          t.setProperty("ForeColor", plat::com::Variant(kGreyText));
        }
        if (std::string_view(group) == "Device") buttons(false);
      }
      break;
    case 1:
    case 3:
      deviceMenus(false);
      buttons(false);
      break;
    case 2:
      deviceMenus(true);
      DrawFieldDeviceRows();
      buttons(true);
      break;
    default:
      break;
  }
}

}  // namespace velumor
