#include "velumor/output_views/velumor_display_digital_form.h"

#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayDigitalForm[];
extern const std::size_t velumor_design_VelumorDisplayDigitalForm_size;

namespace velumor {

VelumorDisplayDigitalForm::VelumorDisplayDigitalForm()
    : ViewWindow("VelumorDisplayDigitalForm",
                 designText(velumor_design_VelumorDisplayDigitalForm, velumor_design_VelumorDisplayDigitalForm_size)) {}

std::string VelumorDisplayDigitalForm::GetTextFromResource(int16_t id) { return ::velumor::GetTextFromResource(id); }

void VelumorDisplayDigitalForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorDisplayDigitalForm::Form_Unload(int16_t& Cancel) {
  finishUnload({"NotifyTimer"});
}

}  // namespace velumor
