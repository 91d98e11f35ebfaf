#pragma once
// A window's minimum size, taken from a hidden marker label at its design's lower right corner.
#include <cstdint>
#include <string_view>

#include "platform/ui/form.h"

namespace velumor::view_window {

// minWidth = marker.Left; minHeight = marker.Top + status bar height + 100 (whole twips); the
// marker is hidden, the current outer size kept in lastWidth and lastHeight, and only then the
// window set to the minimum, so that the resizes this raises see every size already set.
void applyMinimumSize(platform::ui::Form& form, int32_t& minWidth, int32_t& minHeight, int32_t& lastWidth,
                      int32_t& lastHeight, std::string_view marker = "ResizeLabel",
                      std::string_view statusBar = "VelumorStatusBar");

}  // namespace velumor::view_window
