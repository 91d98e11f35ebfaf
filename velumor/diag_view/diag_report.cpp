// The diagnosis report: the caption, the connection, the data set and every indicator row of
// the nine groups with a tab, as the window shows them; printed or written to a file through
// the reports' shared way out.
#include <string>

#include "platform/ui/controls.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/shared/report/report.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::diag_view {

std::string VelumorDiagViewForm::BuildDiagReport() {
  shared::report::ReportText r;
  r.title(caption());
  r.blank();
  r.blank();
  // A state without a text of its own reads as an empty value.
  r.header(shared::LoadResStringByLang(301),
           shared::GetTextFromResource(static_cast<int16_t>(310 + ConnectionState())));
  r.header(shared::LoadResStringByLang(302), DataFileName());
  for (const Group& g : groups()) {
    if (g.rowBaseId == 0) continue;  // the Limits group has no rows
    r.blank();
    r.title(shared::LoadResStringByLang(static_cast<int16_t>(g.titleId)));
    const std::string name(g.name);
    for (int32_t i : arrayIndices("Diag" + name + "ONOFF"))
      r.row(shared::LoadResStringByLang(static_cast<int16_t>(g.rowBaseId + i)),
            ctl("Diag" + name + "Text", i).text());
  }
  return r.text();
}

void VelumorDiagViewForm::MenuPrint_Click() {
  shared::report::PrintJob job;
  job.documentTitle = caption();
  job.fileName = "VR_Diag.prn";
  job.messageTitle = DevDescText();
  shared::report::printReport(ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg"), job,
                              [this] { return BuildDiagReport(); });
}

void VelumorDiagViewForm::MenuPrinterSetup_Click() {
  shared::report::printerSetup(ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg"));
}

}  // namespace velumor::diag_view
