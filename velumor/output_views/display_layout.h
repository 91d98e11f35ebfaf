#pragma once
// How the measured-value display windows follow a change of their size: the minimum size,
// and the instruments stretched by rows (needle, digital and bar windows) or the plotter
// taking the whole change (trend window, which keeps its size while a connection is up).
#include <cstdint>
#include <string>

#include "platform/ui/form.h"
#include "velumor/output_views/velumor_display_form.h"  // DisplayKind

namespace velumor::output_views {

// The display control of channel row `k` (0 to 3) of a window; empty for the trend window.
std::string displayControlName(DisplayKind kind, int k);

// The Form_Resize of a display window, on the window's members (outer sizes in twips). Every
// change is taken against the size recorded last, so a size change made inside (minimum size,
// the trend window's freeze) moves the controls once, in the nested event it raises; controls
// move only once the load has sized the window (`formLoaded`). `connectionState` is the trend
// window's last known communication state; the other windows do not read it.
void DisplayFormResize(platform::ui::Form& form, DisplayKind kind, int32_t minFormWidth,
                       int32_t minFormHeight, int32_t& lastFormWidth, int32_t& lastFormHeight,
                       bool formLoaded, int32_t connectionState);

}  // namespace velumor::output_views
