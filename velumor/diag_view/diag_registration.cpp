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
  int32_t VelumorDiagViewForm::*handle;
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
        {"ADJUST", false, &VelumorDiagViewForm::AdjustHandle},
        {"&&private_FDT&&EngineeringContext", false, &VelumorDiagViewForm::EngineeringContextHandle},
        {"&&private_pm&&Address", false, &VelumorDiagViewForm::AddressHandle},
        {"DESCRIPTOR", false, &VelumorDiagViewForm::DescriptorHandle},
        {"&&private&&connect", false, &VelumorDiagViewForm::ConnectHandle},
        {"&&private&&CurrentSource", false, &VelumorDiagViewForm::CurrentSourceHandle},
        {"&&private&&UserLevel", false, &VelumorDiagViewForm::UserLevelHandle},
        {"&&private_PM&&FileName", false, &VelumorDiagViewForm::FileNameHandle},
        {"&&Sequence_Progress&&Upload", false, &VelumorDiagViewForm::UploadProgressHandle},
        {"&&Sequence_Progress&&Download", false, &VelumorDiagViewForm::DownloadProgressHandle},
        {"&&Sequence_Progress&&FULL_Download", false, &VelumorDiagViewForm::FullDownloadProgressHandle},
        {"LastFieldDeviceStatus", false, &VelumorDiagViewForm::LastFieldDeviceStatusHandle},
        {"UploadQuestion", true, &VelumorDiagViewForm::UploadQuestionHandle},
        {"SaveToDataBaseOnExit", true, &VelumorDiagViewForm::SaveToDataBaseOnExitHandle},
        {"&&private&&Dirty", false, &VelumorDiagViewForm::DirtyHandle},
    };
    for (const ItemRow& row : kItems)
      step(row.name, [&] { registerItem(row.name, row.flag, this->*row.handle); });
    step("device menu", [&] {
      if (dynamicMenu()) dynamicMenu()->BuildDynamicMenu(binding_.deviceDescription());
    });
    step("sequence progress", [&] { registerSequenceProgressItems(SequenceProgressHandles); });
  }
  // The pointer is back before the question is shown.
  step("upload question", [&] { askUpload(UploadQuestionHandle, ConnectHandle, UploadProgressHandle); });
}

}  // namespace velumor::diag_view
