#include "velumor/diag_view/velumor_diag_view_form.h"

extern const unsigned char velumor_design_VelumorDiagViewForm[];
extern const std::size_t velumor_design_VelumorDiagViewForm_size;

namespace velumor {

VelumorDiagViewForm::VelumorDiagViewForm()
    : ViewWindow("VelumorDiagViewForm",
                 designText(velumor_design_VelumorDiagViewForm, velumor_design_VelumorDiagViewForm_size)) {
  on("MainTab", "Click", [this] { MainTab_Click(); });
}

}  // namespace velumor
