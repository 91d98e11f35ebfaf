// The simulation window's host binding: one registration tick that binds the three current
// fields and registers every item the window reads itself, and the dispatch of the host's
// notifications, one per tick.
#include <span>

#include "platform/com/dispatch.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/output_views/velumor_simulation_form.h"
#include "velumor/view_window/dynamic_menu.h"

namespace velumor::output_views {

using platform::com::Variant;

namespace {

constexpr int32_t kMenuStateFirst = 0x10000000;
constexpr int32_t kMenuStateLast = 0x10FFFFFF;
constexpr int32_t kProgressFirst = 0x0A000000;
constexpr int32_t kProgressLast = 0x0AFFFFFF;

void putProperty(platform::ui::Control& control, int32_t dispid, Variant value) {
  auto& host = dynamic_cast<platform::ui::UserControl&>(control);
  Variant args[1] = {std::move(value)};
  host.impl().invoke(dispid, platform::com::InvokeKind::PropertyPut, args);
}

}  // namespace

void VelumorSimulationForm::Register() {
  registerItemsAndMenu();
  // The pointer is back to normal before the upload question is asked.
  askUpload();
}

void VelumorSimulationForm::registerItemsAndMenu() {
  view_window::Hourglass busy(*this);
  readDeviceText();
  // The item name first, then its mode, for each field.
  static constexpr struct {
    const char* item;
    int16_t mode;  // 0 editable, 3 display only
  } kFields[] = {{"PRIMARY_FIXED_CURRENT", 0}, {"PRIMARY_CURR", 3}, {"PRIMARY_PER_RANGE", 3}};
  for (int32_t i = 0; i < 3; ++i) {
    platform::ui::Control& field = ctl("CurrentText", i);
    putProperty(field, tolvar::dispid::ItemName, Variant(kFields[i].item));
    putProperty(field, tolvar::dispid::ItemMode, Variant(kFields[i].mode));
  }
  // A host that cannot bind the fields leaves them empty; the window still registers.
  platform::ui::EventLoop::instance().runReported(name() + ".RegisterTimer_Timer BindItems",
                                                  [&] { bindItemHandler(); });
  ctl("CurrentText", 0).setProperty("Text", "0");

  // A refused registration leaves its handle 0 and the rest goes on.
  registerKitItem(KitItem::EngineeringContext, "&&private_FDT&&EngineeringContext", false);
  registerKitItem(KitItem::Address, "&&private_pm&&Address", false);
  registerKitItem(KitItem::Descriptor, "DESCRIPTOR", false);
  registerKitItem(KitItem::Connect, "&&private&&connect", false);
  ConnectEnumHandle = enumerationHandleOf("&&private&&connect");
  registerKitItem(KitItem::CurrentSource, "&&private&&CurrentSource", false);
  registerKitItem(KitItem::UserLevel, "&&private&&UserLevel", false);
  registerKitItem(KitItem::UploadProgress, "&&Sequence_Progress&&Upload", false);
  registerKitItem(KitItem::DownloadProgress, "&&Sequence_Progress&&Download", false);
  registerKitItem(KitItem::FullDownloadProgress, "&&Sequence_Progress&&FULL_Download", false);
  registerItem("LastFieldDeviceStatus", false, LastFieldDeviceStatusHandle);
  registerItem("PRIMARY_FIXED_CURRENT", false, FixedCurrentHandle);
  registerKitItem(KitItem::UploadQuestion, "UploadQuestion", true);
  registerKitItem(KitItem::SaveToDataBaseOnExit, "SaveToDataBaseOnExit", true);
  registerKitItem(KitItem::Dirty, "&&private&&Dirty", false);

  // A device menu the device description cannot give is reported; the progress items and
  // the upload question still follow.
  if (dynamicMenu())
    platform::ui::EventLoop::instance().runReported(name() + ".BuildDynamicMenu", [&] {
      dynamicMenu()->BuildDynamicMenu(binding().deviceDescription());
    });
  registerSequenceProgressItems(SequenceProgressHandles);
}

void VelumorSimulationForm::Dispatch(const view_window::VELUMOR_Notify_Type& record) {
  const int32_t tag = record.lUserLong;
  if (tag != 0) {
    if (tag >= kMenuStateFirst && tag <= kMenuStateLast)
      ApplyMenuState(record.lAppletItemHandle, tag);
    else if (tag >= kProgressFirst && tag <= kProgressLast)
      ShowProgress("SequenceProgress", record.lAppletItemHandle);
    return;  // any other tag is not this window's
  }
  const int32_t h = record.lAppletItemHandle;
  if (h == 0) return;  // the handle of every item the host refused
  if (h == EngineeringContextHandle()) {
    ApplyEngineeringContext(h);
  } else if (h == AddressHandle()) {
    UpdateCaptionAddress(h);
  } else if (h == DescriptorHandle()) {
    UpdateCaptionDescriptor(h);
  } else if (h == ConnectHandle()) {
    ShowConnectionState(h);
  } else if (h == CurrentSourceHandle()) {
    ShowDataSource(h);
  } else if (h == UserLevelHandle()) {
    ShowUserLevel(h);
  } else if (h == LastFieldDeviceStatusHandle) {
    ShowSimulationState(record);
  } else if (h == UploadProgressHandle()) {
    ShowProgress("upload", h);
  } else if (h == DownloadProgressHandle() || h == FullDownloadProgressHandle()) {
    ShowProgress("download", h);
  } else if (h == UploadQuestionHandle() || h == SaveToDataBaseOnExitHandle() || h == DirtyHandle()) {
    // Read where they are used (the upload question, the save question); a change is only read.
    tolvar::AppletItemManager& im = binding().requireItemManager(name(), "Dispatch");
    int32_t status = 0;
    if (h == DirtyHandle()) {
      bool dirty = false;
      im.GetBoolValue(h, dirty, status);
    } else {
      double v = 0;
      im.GetValue(h, v, status);
    }
  }
  // "PRIMARY_FIXED_CURRENT" is only written: its notifications change nothing.
}

void VelumorSimulationForm::OnConnectionState(int32_t state) {
  // Only Set address follows the connection; the mode options and Adjust stay as they are.
  if (!contextLocksConnection()) menu("MenuSetAddress").setProperty("Enabled", state == 2);
}

}  // namespace velumor::output_views
