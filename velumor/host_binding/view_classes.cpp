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
    : ViewAdapter(makeObject<VelumorDisplayTrendForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayAnalogClass::VelumorDisplayAnalogClass()
    : ViewAdapter(makeObject<VelumorDisplayAnalogForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayBarClass::VelumorDisplayBarClass()
    : ViewAdapter(makeObject<VelumorDisplayBarForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayDigitalClass::VelumorDisplayDigitalClass()
    : ViewAdapter(makeObject<VelumorDisplayDigitalForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

}  // namespace velumor
