#include "tolvar/controls/register.h"

#include "platform/ui/controls.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/display_controls.h"
#include "tolvar/controls/item_controls.h"

namespace tolvar::controls {

namespace {

template <class T>
void add(const char* progId) {
  platform::ui::UserControlRegistry::instance().add(progId, [] {
    return platform::com::Ptr<platform::ui::UserControlImpl>(platform::com::makeObject<T>());
  });
}

}  // namespace

void registerHostControls() {
  add<ItemHandlerControl>(tolvar::progid::ItemHandler);
  add<TextControl>(tolvar::progid::Text);
  add<ComboControl>(tolvar::progid::Combo);
  add<LabelTextUnitControl>(tolvar::progid::LabelTextUnit);
  add<NeedleControl>(tolvar::progid::Needle);
  add<BarGraphControl>(tolvar::progid::BarGraph);
  add<DigitalControl>(tolvar::progid::Digital);
  add<PlotterControl>(tolvar::progid::Plotter);
}

}  // namespace tolvar::controls
