#include "velumor/diag_view/velumor_diag_view_form.h"

extern const unsigned char velumor_design_VelumorDiagViewForm[];
extern const std::size_t velumor_design_VelumorDiagViewForm_size;

namespace velumor {

ViewWindowTraits VelumorDiagViewForm::traits() {
  ViewWindowTraits t;
  t.ownClassName = "VelumorDiagViewClass";
  t.asksSaveOnExit = true;
  t.hasDynamicMenu = true;
  t.hasSeqStartQueue = true;
  t.captionTextId = 2;
  t.helpFileTextId = 99;
  t.lockedOnContext2 = {"MenuConnect", "MenuDisconnect", "MenuSimulation", "DiagCommand(4)",
                        "MenuSetAddress", "MenuLoadDev", "MenuSaveDev"};
  t.enabledOnOtherContext = {"MenuConnect", "MenuDisconnect", "MenuSimulation", "DiagCommand(4)"};
  return t;
}

VelumorDiagViewForm::VelumorDiagViewForm()
    : ViewWindow("VelumorDiagViewForm",
                 designText(velumor_design_VelumorDiagViewForm, velumor_design_VelumorDiagViewForm_size), traits()) {}

void VelumorDiagViewForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

}  // namespace velumor
