#include "velumor/view_window/minimum_size.h"

#include "platform/com/variant.h"
#include "platform/ui/controls.h"

namespace velumor::view_window {

void applyMinimumSize(platform::ui::Form& form, int32_t& minWidth, int32_t& minHeight, int32_t& lastWidth,
                      int32_t& lastHeight, std::string_view marker, std::string_view statusBar) {
  platform::ui::Control& m = form.ctl(marker);
  m.setVisible(false);
  minWidth = platform::com::cLng(m.left());
  minHeight = platform::com::cLng(static_cast<double>(m.top()) + form.ctl(statusBar).height() + 100);
  lastWidth = platform::com::cLng(form.width());
  lastHeight = platform::com::cLng(form.height());
  form.setWidth(minWidth);
  form.setHeight(minHeight);
}

}  // namespace velumor::view_window
