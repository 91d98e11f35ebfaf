// The main window's own commands: the totalizer resets, the status read on the device-data
// labels, the buttons that open other views, the notes box and the right-button releases
// that open the device menu.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/services.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/view_window/dynamic_menu.h"

namespace velumor::main_view {

namespace {

// Per button index: the direction text, the question, the mass and the volume sequence.
struct ResetRow {
  int16_t directionId;
  int16_t questionId;
  const char* massSequence;
  const char* volumeSequence;
};
constexpr ResetRow kResets[4] = {
    {5002, 5142, "SeqHART_COMMAND_142_Read", "SeqHART_COMMAND_146_Read"},
    {5002, 5140, "SeqHART_COMMAND_140_Read", "SeqHART_COMMAND_144_Read"},
    {5003, 5142, "SeqHART_COMMAND_143_Read", "SeqHART_COMMAND_147_Read"},
    {5003, 5140, "SeqHART_COMMAND_141_Read", "SeqHART_COMMAND_145_Read"},
};

// The controls whose right-button release opens the device menu (the window's own is
// forwarded by the kit).
const std::vector<std::string_view> kContextMenuControls = {
    "MainTab",
    "MainDeviceInfoFrame",
    "MainUnitFrame",
    "MainValueFrame",
    "MainMassCounterFrame",
    "MainVolumeCounterFrame",
    "MainDisplayFrame",
    "MainAlarmFrame",
    "MainTemparatureFrame",
    "MainOperationFrame",
    "MainCommentsFrame",
    "MainOutputCfgFrame",
    "MainOutput1Frame",
    "MainOutput2Frame",
    "MainImpulseFrame",
    "DeviceDataFrame",
    "MeasurementPointFrame",
    "MassCounterFunctionFrame",
    "MassCounterFlowFrame",
    "MassCounterRevFlowFrame",
    "VolumeCounterFunctionFrame",
    "VolumeCounterFlowFrame",
    "VolumeCounterRevFlowFrame",
    "NormalDisplayFrame",
    "MultiplexDisplayFrame",
    "LanguageDisplayFrame",
    "DensityFrame",
    "TemparatureFrame",
    "MainOutput1LimitsFrame",
    "Output1SensorInfoFrame",
    "MainOutput1AlarmFrame",
    "MainOutput2LimitsFrame",
    "MainOutput2AlarmFrame",
};

}  // namespace

void VelumorMainViewForm::wireCommands() {
  on("MassCounterFlowCommand", "Click",
     [this](const platform::ui::EventArgs& a) { TotalizerReset(false, a.index); });
  on("VolumeCounterFlowCommand", "Click",
     [this](const platform::ui::EventArgs& a) { TotalizerReset(true, a.index); });
  on("DevDataLabel", "DblClick",
     [this](const platform::ui::EventArgs& a) { DevDataLabel_DblClick(a.index); });
  // The buttons pass the ProgID as the design always has, with a lower-case prefix.
  on("DiagnoseCommand", "Click", [this] { openView("velumor.VelumorDiagViewClass", true); });
  on("SimulationCommand", "Click", [this] { openView("velumor.VelumorSimulationClass", true); });
  on("CommentsText", "Change", [this] { CommentsText_Change(); });
  dynamicMenu()->forwardMouseUp(kContextMenuControls);
  wireOutputsAndReport();
}

void VelumorMainViewForm::TotalizerReset(bool volume, int32_t index) {
  if (index < 0 || index > 3) return;
  if (ConnectionState() != 2) {
    platform::ui::Services::interaction().beep();
    return;
  }
  const ResetRow& row = kResets[index];
  const std::string question = shared::LoadResStringByLang(volume ? 106 : 105) + "  " +
                               shared::LoadResStringByLang(row.directionId) + "\r\n\r\n" +
                               shared::LoadResStringByLang(row.questionId);
  platform::com::Ptr<platform::ui::Form> self(this);  // the host may destroy the view during the box
  DisableStartFormEntries();
  const int32_t answer = platform::ui::msgBox(question, platform::ui::mb::YesNo | platform::ui::mb::Question,
                                              dynamicMenu()->nickName());
  EnableStartFormEntries();
  // The window may have been closed while the question was open.
  if (!alive() || answer != platform::ui::mb::IdYes) return;
  QueueSeqStart(volume ? row.volumeSequence : row.massSequence);
}

void VelumorMainViewForm::DevDataLabel_DblClick(int32_t) {
  QueueSeqStart("GET_TRANSMITTER_STATE_Octets");
}

}  // namespace velumor::main_view
