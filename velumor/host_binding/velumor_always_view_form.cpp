#include "velumor/host_binding/velumor_always_view_form.h"

#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/shared/component.h"
#include "velumor/view_window/view_window.h"

extern const unsigned char velumor_design_VelumorAlwaysViewForm[];
extern const std::size_t velumor_design_VelumorAlwaysViewForm_size;

namespace velumor::host_binding {

VelumorAlwaysViewForm::VelumorAlwaysViewForm()
    : Form("VelumorAlwaysViewForm",
           shared::windows::designText(velumor_design_VelumorAlwaysViewForm,
                                       velumor_design_VelumorAlwaysViewForm_size),
           &shared::componentPictures(), &shared::componentLiveCount()) {
  on("RegisterTimer", "Timer", [this] { RegisterTimer_Timer(); });
  on("NotifyTimer", "Timer", [this] { NotifyTimer_Timer(); });
  on("SeqAdjustTimer", "Timer", [this] { SeqAdjustTimer_Timer(); });
}

void VelumorAlwaysViewForm::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
  if (UnloadMode == platform::ui::kUnloadFormControlMenu) {
    Cancel = 1;
    promptClosedByUser();
  }
}

void VelumorAlwaysViewForm::Form_Unload(int16_t& Cancel) {
  if (owner_) owner_->DestroyFromForm();
}

void VelumorAlwaysViewForm::RegisterTimer_Timer() {
  if (owner_) {
    owner_->RegisterItems();
  } else {
    timer("RegisterTimer").setProperty("Enabled", false);
  }
}

void VelumorAlwaysViewForm::NotifyTimer_Timer() {
  if (owner_) {
    owner_->ProcessNotifyQueue();
  } else {
    timer("NotifyTimer").setProperty("Enabled", false);
  }
}

void VelumorAlwaysViewForm::SeqAdjustTimer_Timer() {
  if (owner_) {
    owner_->SeqAdjustTick();
  } else {
    timer("SeqAdjustTimer").setProperty("Enabled", false);
  }
}

}  // namespace velumor::host_binding
