#include "velumor/output_views/velumor_display_trend_form.h"

#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayTrendForm[];
extern const std::size_t velumor_design_VelumorDisplayTrendForm_size;

namespace velumor {

VelumorDisplayTrendForm::VelumorDisplayTrendForm()
    : ViewWindow("VelumorDisplayTrendForm",
                 designText(velumor_design_VelumorDisplayTrendForm, velumor_design_VelumorDisplayTrendForm_size)) {}

std::string VelumorDisplayTrendForm::GetTextFromResource(int16_t id) { return ::velumor::GetTextFromResource(id); }

void VelumorDisplayTrendForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorDisplayTrendForm::Form_Unload(int16_t& Cancel) {
  finishUnload({"NotifyTimer"});
}

}  // namespace velumor
