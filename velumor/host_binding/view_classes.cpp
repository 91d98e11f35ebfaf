#include "velumor/host_binding/view_classes.h"

namespace velumor {

using plat::com::makeObject;

VelumorMainViewClass::VelumorMainViewClass()
    : ViewAdapter(makeObject<VelumorMainViewForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDiagViewClass::VelumorDiagViewClass()
    : ViewAdapter(makeObject<VelumorDiagViewForm>(), ViewRefSetIn::NotifyChanged) {}

VelumorSimulationClass::VelumorSimulationClass()
    : ViewAdapter(makeObject<VelumorSimulationForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayTrendClass::VelumorDisplayTrendClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Trend), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayAnalogClass::VelumorDisplayAnalogClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Analog), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayBarClass::VelumorDisplayBarClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Bar), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayDigitalClass::VelumorDisplayDigitalClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Digital), ViewRefSetIn::SetAppletItemManagRef) {}

}  // namespace velumor
