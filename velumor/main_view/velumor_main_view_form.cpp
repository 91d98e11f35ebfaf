#include "velumor/main_view/velumor_main_view_form.h"

extern const unsigned char velumor_design_VelumorMainViewForm[];
extern const std::size_t velumor_design_VelumorMainViewForm_size;

namespace velumor::main_view {

view_window::ViewWindowTraits VelumorMainViewForm::traits() {
  view_window::ViewWindowTraits t = view_window::viewTraits("VelumorMainViewClass", 1, true);
  t.lockedOnContext2 = {"MenuConnect",    "MenuDisconnect",     "MenuDiag",          "MenuSimulation",
                        "MenuDisplayBar", "MenuDisplayDigital", "MenuDisplayAnalog", "MenuDisplayTrend"};
  t.enabledOnOtherContext = t.lockedOnContext2;
  return t;
}

VelumorMainViewForm::VelumorMainViewForm()
    : ViewWindow("VelumorMainViewForm",
                 shared::windows::designText(velumor_design_VelumorMainViewForm,
                                             velumor_design_VelumorMainViewForm_size),
                 traits()) {
  on("MainTab", "Click", [this] { MainTab_Click(); });
  wireCommands();
}

void VelumorMainViewForm::Form_Load() {
  loadMainWindow();  // creates the notification queue last
}

}  // namespace velumor::main_view
