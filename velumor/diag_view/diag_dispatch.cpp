// The diagnosis window's notification dispatch: one record per tick, by its tag, else by
// its item handle; the connection state's effect on the rows and buttons; and the commands
// of the Device group.
#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "velumor/diag_view/velumor_diag_view_form.h"

namespace velumor::diag_view {

namespace {

constexpr int32_t kGreyText = static_cast<int32_t>(0x80000011u);

bool inTagRange(int32_t tag, uint32_t base) {
  return (static_cast<uint32_t>(tag) & 0xFF000000u) == base;
}

}  // namespace

void VelumorDiagViewForm::Dispatch(const view_window::VELUMOR_Notify_Type& record) {
  if (record.lUserLong != 0) {
    if (inTagRange(record.lUserLong, 0x10000000u))
      ApplyMenuState(record.lAppletItemHandle, record.lUserLong);
    else if (inTagRange(record.lUserLong, 0x0A000000u))
      ShowProgress("SequenceProgress", record.lAppletItemHandle);
    return;  // any other tag belongs to no item of this window
  }
  const int32_t h = record.lAppletItemHandle;
  // A handle the window never kept (still 0) matches no record.
  auto is = [h](int32_t kept) { return kept != 0 && kept == h; };
  if (is(EngineeringContextHandle())) return ApplyEngineeringContext(h);
  if (is(HartRevisionHandle)) return ApplyDeviceVariant();
  if (is(AddressHandle())) return UpdateCaptionAddress(h);
  if (is(DescriptorHandle())) return UpdateCaptionDescriptor(h);
  if (is(ConnectHandle())) return ShowConnectionState(h);
  if (is(CurrentSourceHandle())) return ShowDataSource(h);
  if (is(UserLevelHandle())) return ShowUserLevel(h);
  if (is(FileNameHandle)) return ShowFileName(h);
  if (HandleStatusRecord(h)) return;
  if (is(LastFieldDeviceStatusHandle)) return ShowFieldDeviceStatus();
  if (is(UploadProgressHandle())) return ShowProgress("upload", h);
  if (is(DownloadProgressHandle()) || is(FullDownloadProgressHandle())) return ShowProgress("download", h);
  // "UploadQuestion", "SaveToDataBaseOnExit", "&&private&&Dirty" are read where they are
  // used; "ADJUST" and unknown handles change nothing.
}

// The panel has been drawn; what the state means for the rows, menus and buttons.
void VelumorDiagViewForm::OnConnectionState(int32_t state) {
  auto buttons = [this](bool enabled) {
    ctl("DiagCommand", 1).setEnabled(enabled);
    // While the engineering context locks the window, no view is opened from it.
    ctl("DiagCommand", 4).setEnabled(enabled && !contextLocksConnection());
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
          platform::ui::Control& t = ctl(text, i);
          t.setProperty("BackColor",
                        platform::com::Variant(ShiftColour(t.getProperty("BackColor").toLong())));
          t.setProperty("ForeColor", platform::com::Variant(kGreyText));
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
  if (contextLocksConnection())
    for (const char* m : {"MenuConnect", "MenuDisconnect", "MenuSetAddress", "MenuLoadDev", "MenuSaveDev"})
      ctl(m).setEnabled(false);
}

// A double-click on any Device row asks the device for its status again.
void VelumorDiagViewForm::DiagDeviceLabel_DblClick(int32_t Index) {
  QueueSeqStart("GET_TRANSMITTER_STATE_Octets");
}

void VelumorDiagViewForm::DiagCommand_Click(int32_t Index) {
  if (Index == 1) {
    // "Rst.": the device forgets that its configuration changed.
    QueueSeqStart("SeqHART_COMMAND_038_Write");
  } else if (Index == 4) {
    if (contextLocksConnection()) return;  // no view is opened from a locked window
    openView("Velumor.VelumorSimulationClass", true);
  }
}

}  // namespace velumor::diag_view
