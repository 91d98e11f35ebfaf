#include "velumor/output_views/velumor_simulation_form.h"

extern const unsigned char velumor_design_VelumorSimulationForm[];
extern const std::size_t velumor_design_VelumorSimulationForm_size;

namespace velumor {

ViewWindowTraits VelumorSimulationForm::traits() {
  ViewWindowTraits t;
  t.ownClassName = "VelumorSimulationClass";
  t.asksSaveOnExit = true;
  t.hasDynamicMenu = true;
  t.hasSeqStartQueue = true;
  t.captionTextId = 4;
  t.lockedOnContext2 = {"MenuConnect", "MenuDisconnect", "MenuSetAddress"};
  t.enabledOnOtherContext = {"MenuConnect", "MenuDisconnect"};
  t.userLevelWithAdministrator = false;
  t.settingsMenuFollowsItems = false;
  t.dataSourceTooltipWithFileName = false;
  return t;
}

VelumorSimulationForm::VelumorSimulationForm()
    : ViewWindow("VelumorSimulationForm",
                 designText(velumor_design_VelumorSimulationForm, velumor_design_VelumorSimulationForm_size), traits()) {}

void VelumorSimulationForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

}  // namespace velumor
