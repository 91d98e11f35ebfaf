#include "velumor/main_view/velumor_main_view_form.h"

extern const unsigned char velumor_design_VelumorMainViewForm[];
extern const std::size_t velumor_design_VelumorMainViewForm_size;

namespace velumor {

VelumorMainViewForm::VelumorMainViewForm()
    : ViewWindow("VelumorMainViewForm",
                 designText(velumor_design_VelumorMainViewForm, velumor_design_VelumorMainViewForm_size)) {
  on("MainTab", "Click", [this] { MainTab_Click(); });
}

void VelumorMainViewForm::Form_Load() {
  loadMainWindow();  // creates the notification queue last
}

void VelumorMainViewForm::Form_Unload(int16_t& Cancel) {
  unloadMainWindow();  // never cancels
}

}  // namespace velumor
