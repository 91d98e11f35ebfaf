#include "velumor/output_views/velumor_simulation_form.h"

#include <cmath>

#include "platform/ui/controls.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/view_window/dynamic_menu.h"

extern const unsigned char velumor_design_VelumorSimulationForm[];
extern const std::size_t velumor_design_VelumorSimulationForm_size;

namespace velumor::output_views {

using platform::com::Variant;

view_window::ViewWindowTraits VelumorSimulationForm::traits() {
  return view_window::outputViewTraits("VelumorSimulationClass", 4, true);
}

VelumorSimulationForm::VelumorSimulationForm()
    : ViewWindow("VelumorSimulationForm",
                 shared::windows::designText(velumor_design_VelumorSimulationForm,
                                             velumor_design_VelumorSimulationForm_size),
                 traits()) {
  on("OperationModeOption", "Click",
     [this](const platform::ui::EventArgs& e) { OperationModeOption_Click(e.index); });
  on("AdjustCommand", "Click", [this] { AdjustCommand_Click(); });
  if (dynamicMenu()) dynamicMenu()->forwardMouseUp({"SimulationFrame", "CurrentFrame"});
}

void VelumorSimulationForm::Form_Load() {
  static constexpr struct {
    const char* menu;
    int16_t id;
  } kMenus[] = {{"MenuFile", 400},       {"MenuExit", 409},       {"MenuDevice", 410}, {"MenuConnect", 411},
                {"MenuDisconnect", 412}, {"MenuSetAddress", 413}, {"MenuHelp", 490},   {"MenuContents", 491},
                {"MenuIndex", 492},      {"MenuWeb", 493},        {"MenuMirvel", 494}, {"MenuService", 496},
                {"MenuReadMe", 498},     {"MenuAbout", 499}};
  for (const auto& m : kMenus) menu(m.menu).setProperty("Caption", shared::LoadResStringByLang(m.id));
  setHelpFile();
  ctl("SimulationFrame").setProperty("Caption", "");
  applyMinimumSize();  // the window always opens at its minimum size
  setLoadTexts();
  placeProgressFrame();
  statusBar("VelumorStatusBar")
      .setPanelToolTip(Variant("StatusBarSimulationLED"), shared::LoadResStringByLang(29052));
  layOutOnResize();
  ctl("CurrentText", 0).setProperty("Text", "0");
  createNotifyQueue();  // last step of the load
}

void VelumorSimulationForm::setLoadTexts() {
  ctl("OperationModeOption", 0).setProperty("Caption", shared::LoadResStringByLang(29001));
  ctl("OperationModeOption", 1).setProperty("Caption", shared::LoadResStringByLang(29002));
  ctl("AdjustCommand").setProperty("Caption", shared::LoadResStringByLang(29011));
  for (int16_t i = 0; i <= 2; ++i) {
    ctl("CurrentLabel", i)
        .setProperty("Caption", shared::LoadResStringByLang(static_cast<int16_t>(29021 + i)));
    ctl("CurrentUnit", i)
        .setProperty("Caption", shared::LoadResStringByLang(static_cast<int16_t>(29031 + i)));
  }
}

void VelumorSimulationForm::Form_Resize() {
  int32_t dW = 0, dH = 0;
  if (!takeSizeChange(dW, dH)) return;
  platform::ui::Control& frame = ctl("SimulationFrame");
  frame.setWidth(static_cast<double>(frame.width()) + dW);
  frame.setHeight(static_cast<double>(frame.height()) + dH);
  placeProgressFrameOnResize();
}

}  // namespace velumor::output_views
