#include "velumor/main_view/velumor_main_view_form.h"

extern const unsigned char velumor_design_VelumorMainViewForm[];
extern const std::size_t velumor_design_VelumorMainViewForm_size;

namespace velumor {

VelumorMainViewForm::VelumorMainViewForm()
    : ViewWindow("VelumorMainViewForm",
                 designText(velumor_design_VelumorMainViewForm, velumor_design_VelumorMainViewForm_size)) {}

void VelumorMainViewForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorMainViewForm::Form_Unload(int16_t& Cancel) {
  finishUnload({"NotifyTimer", "SeqStartTimer", "DiagLEDTimer"});
}

}  // namespace velumor
