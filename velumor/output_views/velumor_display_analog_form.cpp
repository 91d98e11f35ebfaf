#include "velumor/output_views/velumor_display_analog_form.h"

#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayAnalogForm[];
extern const std::size_t velumor_design_VelumorDisplayAnalogForm_size;

namespace velumor {

VelumorDisplayAnalogForm::VelumorDisplayAnalogForm()
    : ViewWindow("VelumorDisplayAnalogForm",
                 designText(velumor_design_VelumorDisplayAnalogForm, velumor_design_VelumorDisplayAnalogForm_size)) {}

std::string VelumorDisplayAnalogForm::GetTextFromResource(int16_t id) { return ::velumor::GetTextFromResource(id); }

void VelumorDisplayAnalogForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorDisplayAnalogForm::Form_Unload(int16_t& Cancel) {
  finishUnload({"NotifyTimer"});
}

}  // namespace velumor
