// The output configuration checks and the status indication of the main window: the device
// variant, the status octets, the output choices and the pulse units.
#include "velumor/main_view/velumor_main_view_form.h"

namespace velumor {

void VelumorMainViewForm::ApplyDeviceVariant(const VELUMOR_Notify_Type& record) {}

void VelumorMainViewForm::ReadStatusOctets(const VELUMOR_Notify_Type& record) {}

void VelumorMainViewForm::CheckOutputChoice(const VELUMOR_Notify_Type& record) {}

void VelumorMainViewForm::ReadPulseUnits(const VELUMOR_Notify_Type& record) {}

}  // namespace velumor
