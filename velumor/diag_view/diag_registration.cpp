// The diagnosis window's registration tick: caption, table-view probe, the unbound Limits
// controls, the host controls, the items the window reads itself, the device menu, the
// progress items of the device's sequences and the upload question. Each step runs on its
// own: a host call that fails is reported and the tick goes on, so the window always ends
// the tick registered as far as the host allows, with the default pointer back.
#include <functional>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "platform/ui/event_loop.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/view_window/dynamic_menu.h"

namespace velumor::diag_view {

namespace {

using platform::com::Variant;

// The items the window reads itself, in the order they are registered.
struct ItemRow {
  const char* name;
  bool flag;
  int32_t VelumorDiagViewForm::*handle;  // null: kept by the kit as kitItem
  view_window::ViewWindow::KitItem kitItem{};
};

}  // namespace

void VelumorDiagViewForm::Register() {
  const std::string where = name() + ".RegisterTimer_Timer";
  auto step = [&](const char* what, const std::function<void()>& f) {
    platform::ui::EventLoop::instance().runReported(where + " (" + what + ")", f);
  };
  {
    view_window::Hourglass busy(*this);
    step("caption", [&] { readDeviceText(); });
    step("table view", [&] { offerTableViewIfTheHostHasIt(); });
    step("limits", [&] {
      for (int32_t i : arrayIndices("DiagLimitsLabelTextUnit")) {
        platform::ui::UserControlImpl& c =
            ctlAs<platform::ui::UserControl>("DiagLimitsLabelTextUnit", i).impl();
        c.put(tolvar::dispid::ValueItemName, Variant(std::string()));
        c.put(tolvar::dispid::LtuItemMode, Variant(int16_t{0}));
        c.put(tolvar::dispid::UnitItemName, Variant(std::string()));
        c.put(tolvar::dispid::UnitItemMode, Variant(int16_t{0}));
      }
    });
    step("host controls", [&] { bindItemHandler(); });
    static const ItemRow kItems[] = {
        {"HartRevision", false, &VelumorDiagViewForm::HartRevisionHandle},
        {"ADJUST", false, nullptr, KitItem::Adjust},
        {"&&private_FDT&&EngineeringContext", false, nullptr, KitItem::EngineeringContext},
        {"&&private_pm&&Address", false, nullptr, KitItem::Address},
        {"DESCRIPTOR", false, nullptr, KitItem::Descriptor},
        {"&&private&&connect", false, nullptr, KitItem::Connect},
        {"&&private&&CurrentSource", false, nullptr, KitItem::CurrentSource},
        {"&&private&&UserLevel", false, nullptr, KitItem::UserLevel},
        {"&&private_PM&&FileName", false, &VelumorDiagViewForm::FileNameHandle},
        {"&&Sequence_Progress&&Upload", false, nullptr, KitItem::UploadProgress},
        {"&&Sequence_Progress&&Download", false, nullptr, KitItem::DownloadProgress},
        {"&&Sequence_Progress&&FULL_Download", false, nullptr, KitItem::FullDownloadProgress},
        {"LastFieldDeviceStatus", false, &VelumorDiagViewForm::LastFieldDeviceStatusHandle},
        {"UploadQuestion", true, nullptr, KitItem::UploadQuestion},
        {"SaveToDataBaseOnExit", true, nullptr, KitItem::SaveToDataBaseOnExit},
        {"&&private&&Dirty", false, nullptr, KitItem::Dirty},
    };
    for (const ItemRow& row : kItems)
      step(row.name, [&] {
        row.handle ? registerItem(row.name, row.flag, this->*row.handle)
                   : registerKitItem(row.kitItem, row.name, row.flag);
      });
    step("device menu", [&] {
      if (dynamicMenu()) dynamicMenu()->BuildDynamicMenu(binding().deviceDescription());
    });
    step("sequence progress", [&] { registerSequenceProgressItems(SequenceProgressHandles); });
  }
  // The pointer is back before the question is shown.
  step("upload question", [&] { askUpload(); });
}

}  // namespace velumor::diag_view
