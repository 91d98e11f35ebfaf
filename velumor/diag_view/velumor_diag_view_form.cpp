#include "velumor/diag_view/velumor_diag_view_form.h"

extern const unsigned char velumor_design_VelumorDiagViewForm[];
extern const std::size_t velumor_design_VelumorDiagViewForm_size;

namespace velumor {

VelumorDiagViewForm::VelumorDiagViewForm()
    : ViewWindow("VelumorDiagViewForm",
                 designText(velumor_design_VelumorDiagViewForm, velumor_design_VelumorDiagViewForm_size)) {}

void VelumorDiagViewForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorDiagViewForm::Form_Unload(int16_t& Cancel) {
  // The sequence names still queued in SeqStartTimer go with the window.
  finishUnload({"NotifyTimer", "SeqStartTimer"});
}

}  // namespace velumor
