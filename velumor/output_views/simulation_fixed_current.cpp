// The fixed-current road of the simulation window: the user's choice goes to the device only
// through the host's item "PRIMARY_FIXED_CURRENT" and the sequence carrying HART command 40;
// the device's answer comes back as "LastFieldDeviceStatus", whose loop-current-fixed flag
// drives the lamp, the one-time option synchronisation and the close guard.
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/services.h"
#include "velumor/output_views/fixed_current_text.h"
#include "velumor/output_views/velumor_simulation_form.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::output_views {

using platform::com::Variant;

void VelumorSimulationForm::OperationModeOption_Click(int32_t Index) {
  if (Index == 0) {
    ctl("AdjustCommand").setProperty("Enabled", false);
    writeFixedCurrent(0.0f);
    QueueFixedCurrentCommand();
  } else if (Index == 1) {
    ctl("AdjustCommand").setProperty("Enabled", true);
    const std::string typed = ctl("CurrentText", 0).getProperty("Text").toString();
    const FixedCurrentText checked = parseFixedCurrentText(typed);
    if (!checked.value) {
      // Nothing is written: the item keeps the current it had. Only a user's click hears why.
      if (!synchronising_)
        platform::ui::msgBox(fixedCurrentRefusal(checked, typed),
                             platform::ui::mb::OKOnly | platform::ui::mb::Exclamation, DevDescText());
      return;
    }
    writeFixedCurrent(*checked.value);
    // The device enters fixed-current mode only when the user presses Adjust.
  }
}

void VelumorSimulationForm::AdjustCommand_Click() {
  QueueFixedCurrentCommand();
}

void VelumorSimulationForm::writeFixedCurrent(float value) {
  int32_t status = 0;
  binding()
      .requireItemManager(name(), "OperationModeOption_Click")
      .SetSingleValue(FixedCurrentHandle, value, status);
}

void VelumorSimulationForm::QueueFixedCurrentCommand() {
  if (ConnectionState() != 2) return;    // dropped, not remembered for later
  QueueSeqStart(kFixedCurrentSequence);  // no check for a name already queued: two presses, two runs
}

void VelumorSimulationForm::ShowSimulationState(const view_window::VELUMOR_Notify_Type& record) {
  double value = 0.0;
  int32_t status = 0;
  binding()
      .requireItemManager(name(), "ShowSimulationState")
      .GetValue(record.lAppletItemHandle, value, status);
  if (value == static_cast<double>(FieldDeviceStatusByte)) return;
  // The item carries one octet; anything else is not a status byte and changes nothing.
  if (!(value >= 0.0 && value <= 255.0)) return;
  FieldDeviceStatusByte = platform::com::cByte(value);
  const bool fixed = loopCurrentFixed();
  platform::ui::StatusBarControl& bar = statusBar("VelumorStatusBar");
  bar.setPanelPicture(Variant("StatusBarSimulationLED"), shared::loadBitmap(fixed ? 103 : 104));
  bar.setPanelToolTip(Variant("StatusBarSimulationLED"), shared::LoadResStringByLang(fixed ? 29051 : 29052));
  if (!OptionSynchronised) {
    // Selecting an option that is not selected runs its click handler, as the user's click would.
    synchronising_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{synchronising_};
    ctl("OperationModeOption", fixed ? 1 : 0).setProperty("Value", true);
  }
  OptionSynchronised = true;
}

void VelumorSimulationForm::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
  // Every close asks while the output is fixed (the user's, the host's Destroy, the host's own
  // end): a device left in fixed-current mode is a hazard. Only a window whose view object has
  // gone cannot be kept: nobody could ever close it again.
  if (UnloadMode == platform::ui::kUnloadFormOwner) {
    Cancel = 0;
    return;
  }
  if (closeQuestionOpen_) {
    Cancel = 1;  // the question already open decides
    return;
  }
  if (!loopCurrentFixed()) {
    Cancel = 0;
    return;
  }
  Cancel = 1;
  closeQuestionOpen_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closeQuestionOpen_};
  DisableStartFormEntries();
  const int32_t answer =
      platform::ui::msgBox(shared::LoadResStringByLang(29041) + "\r\n" + shared::LoadResStringByLang(29042),
                           platform::ui::mb::YesNo);
  EnableStartFormEntries();
  // The window may have gone while the box was open (the host's timers keep running).
  if (!alive()) return;
  // Yes closes and leaves the device in fixed-current mode: nothing is written or queued.
  if (answer == platform::ui::mb::IdYes) Cancel = 0;
}

}  // namespace velumor::output_views
