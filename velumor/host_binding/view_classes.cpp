#include "velumor/host_binding/view_classes.h"

namespace velumor::host_binding {

using platform::com::makeObject;

VelumorMainViewClass::VelumorMainViewClass()
    : ViewAdapter(makeObject<main_view::VelumorMainViewForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

// Like every other window, the diagnosis window knows its view from the hand-over on, so
// its unload always releases the view at the item manager.
VelumorDiagViewClass::VelumorDiagViewClass()
    : ViewAdapter(makeObject<diag_view::VelumorDiagViewForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorSimulationClass::VelumorSimulationClass()
    : ViewAdapter(makeObject<output_views::VelumorSimulationForm>(), ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayTrendClass::VelumorDisplayTrendClass()
    : ViewAdapter(makeObject<output_views::VelumorDisplayForm>(output_views::DisplayKind::Trend),
                  ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayAnalogClass::VelumorDisplayAnalogClass()
    : ViewAdapter(makeObject<output_views::VelumorDisplayForm>(output_views::DisplayKind::Analog),
                  ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayBarClass::VelumorDisplayBarClass()
    : ViewAdapter(makeObject<output_views::VelumorDisplayForm>(output_views::DisplayKind::Bar),
                  ViewRefSetIn::SetAppletItemManagRef) {}

VelumorDisplayDigitalClass::VelumorDisplayDigitalClass()
    : ViewAdapter(makeObject<output_views::VelumorDisplayForm>(output_views::DisplayKind::Digital),
                  ViewRefSetIn::SetAppletItemManagRef) {}

}  // namespace velumor::host_binding
