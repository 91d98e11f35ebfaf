#pragma once
// What every view window of the component keeps and does the same way: the host references,
// the view handle, the notification queue and its tick, and the one-shot registration tick.
// Each window adds its own load, unload, registration and dispatch on top.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/shared/windows/window_files.h"  // designText: the window designs compiled in
#include "velumor/view_window/notify_type.h"

namespace velumor {

class ViewWindow : public plat::ui::Form {
 public:
  // The view object that owns this window; handed back to the item manager when the window
  // unloads. Set by the window's view class.
  plat::com::Ptr<tolvar::View> ViewRef;

  // Keeps the item manager, its device description and the view handle, then arms the
  // one-shot registration timer. Arming the timer is the window's first control access, so
  // the window loads inside this call, with the item manager already kept. A failing
  // GetDDObject is not trapped: it reaches the caller. Returns 0.
  int32_t SetAppletItemManagRef(int32_t lViewHandle2, plat::com::Ptr<tolvar::AppletItemManager> AIMRef);

  // Queues one notification and arms the notification timer while the queue exists (from the
  // end of the load to the unload); otherwise drops it without touching a control, so a
  // notification never loads the window again. Returns 0.
  int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState, int32_t lUserLong);

  plat::com::Ptr<tolvar::AppletItemManager> ItemManager;
  plat::com::Ptr<tolvar::DeviceDescription> DeviceDescriptionRef;
  int32_t ViewHandle = 0;
  std::optional<std::deque<VELUMOR_Notify_Type>> NotifyQueue;

 protected:
  // `designJson` is the window's design; the window counts as a live object of the component.
  ViewWindow(std::string name, std::string designJson);

  // Event of `NotifyTimer`: one queued record per tick; switches the timer off when the
  // queue is empty.
  void NotifyTimer_Timer();
  // Event of `RegisterTimer`: switches itself off, then registers.
  void RegisterTimer_Timer();

  // What the registration tick does: the window's registration with the host.
  virtual void Register() {}
  // What one notification does, outside the host's call.
  virtual void Dispatch(const VELUMOR_Notify_Type& record) {}

  // The last step of every window's load.
  void createNotifyQueue() { NotifyQueue.emplace(); }
  // The end of every window's unload, in this order: the view is released at the item
  // manager if ViewRef is set (errors ignored), the timers are stopped, and the host
  // references and the notification queue are dropped.
  void finishUnload(std::initializer_list<std::string_view> timers);
};

}  // namespace velumor
