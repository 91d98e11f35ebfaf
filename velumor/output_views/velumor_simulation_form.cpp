#include "velumor/output_views/velumor_simulation_form.h"

extern const unsigned char velumor_design_VelumorSimulationForm[];
extern const std::size_t velumor_design_VelumorSimulationForm_size;

namespace velumor {

VelumorSimulationForm::VelumorSimulationForm()
    : ViewWindow("VelumorSimulationForm", designText(velumor_design_VelumorSimulationForm,
                                                     velumor_design_VelumorSimulationForm_size)) {}

void VelumorSimulationForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

void VelumorSimulationForm::Form_Unload(int16_t& Cancel) {
  // The sequence names still queued in SeqStartTimer go with the window.
  finishUnload({"NotifyTimer", "SeqStartTimer"});
}

}  // namespace velumor
