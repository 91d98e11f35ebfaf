#include "velumor/diag_view/velumor_diag_view_form.h"

#include "velumor/view_window/dynamic_menu.h"

extern const unsigned char velumor_design_VelumorDiagViewForm[];
extern const std::size_t velumor_design_VelumorDiagViewForm_size;

namespace velumor::diag_view {

view_window::ViewWindowTraits VelumorDiagViewForm::traits() {
  view_window::ViewWindowTraits t = view_window::viewTraits("VelumorDiagViewClass", 2, true);
  t.helpFileTextId = 99;
  t.lockedOnContext2 = {"MenuConnect",    "MenuDisconnect", "MenuSimulation", "DiagCommand(4)",
                        "MenuSetAddress", "MenuLoadDev",    "MenuSaveDev"};
  t.enabledOnOtherContext = {"MenuConnect", "MenuDisconnect", "MenuSimulation", "DiagCommand(4)"};
  return t;
}

VelumorDiagViewForm::VelumorDiagViewForm()
    : ViewWindow("VelumorDiagViewForm",
                 shared::windows::designText(velumor_design_VelumorDiagViewForm,
                                             velumor_design_VelumorDiagViewForm_size),
                 traits()) {
  on("MainTab", "Click", [this] { MainTab_Click(); });
  on("DiagDeviceLabel", "DblClick",
     [this](const platform::ui::EventArgs& a) { DiagDeviceLabel_DblClick(a.index); });
  on("DiagCommand", "Click", [this](const platform::ui::EventArgs& a) { DiagCommand_Click(a.index); });
  on("MenuPrint", "Click", [this] { MenuPrint_Click(); });
  on("MenuPrinterSetup", "Click", [this] { MenuPrinterSetup_Click(); });
  // The device menu also pops up over the tab strip and every group frame.
  if (dynamicMenu()) {
    std::vector<std::string_view> forwarders = {"MainTab"};
    for (const std::string_view frame :
         {"DiagDeviceFrame", "DiagSensorFrame", "DiagInputFrame", "DiagValueFrame", "DiagAlarmFrame",
          "DiagLimitsFrame", "DiagTotalizerFrame", "DiagOutputFrame", "DiagConfigFrame", "DiagMemoryFrame"})
      forwarders.push_back(frame);
    dynamicMenu()->forwardMouseUp(forwarders);
  }
}

}  // namespace velumor::diag_view
