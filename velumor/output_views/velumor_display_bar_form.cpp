#include "velumor/output_views/velumor_display_bar_form.h"

#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayBarForm[];
extern const std::size_t velumor_design_VelumorDisplayBarForm_size;

namespace velumor {

VelumorDisplayBarForm::VelumorDisplayBarForm()
    : ViewWindow("VelumorDisplayBarForm",
                 designText(velumor_design_VelumorDisplayBarForm, velumor_design_VelumorDisplayBarForm_size)) {}

std::string VelumorDisplayBarForm::GetTextFromResource(int16_t id) { return ::velumor::GetTextFromResource(id); }

void VelumorDisplayBarForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorDisplayBarForm::Form_Unload(int16_t& Cancel) {
  finishUnload({"NotifyTimer"});
}

}  // namespace velumor
