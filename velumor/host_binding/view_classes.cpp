#include "velumor/host_binding/view_classes.h"

namespace velumor {

using platform::com::makeObject;

VelumorMainViewClass::VelumorMainViewClass()
    : ViewAdapter(makeObject<VelumorMainViewForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

// Like every other window, the diagnosis window knows its view from the hand-over on, so
// its unload always releases the view at the item manager.
VelumorDiagViewClass::VelumorDiagViewClass()
    : ViewAdapter(makeObject<VelumorDiagViewForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorSimulationClass::VelumorSimulationClass()
    : ViewAdapter(makeObject<VelumorSimulationForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayTrendClass::VelumorDisplayTrendClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Trend), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayAnalogClass::VelumorDisplayAnalogClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Analog), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayBarClass::VelumorDisplayBarClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Bar), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayDigitalClass::VelumorDisplayDigitalClass()
    : ViewAdapter(makeObject<VelumorDisplayForm>(DisplayKind::Digital), ViewRefSetIn::SetAppletItemManagRef) {
}

}  // namespace velumor
