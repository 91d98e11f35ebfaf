#include "velumor/view_window/view_window.h"

#include "platform/com/error.h"
#include "velumor/shared/component.h"

namespace velumor {

namespace err = plat::com::err;

ViewWindow::ViewWindow(std::string name, std::string designJson)
    : Form(std::move(name), std::move(designJson), &componentPictures(), &componentLiveCount()) {
  on("NotifyTimer", "Timer", [this] { NotifyTimer_Timer(); });
  on("RegisterTimer", "Timer", [this] { RegisterTimer_Timer(); });
}

int32_t ViewWindow::SetAppletItemManagRef(int32_t lViewHandle2,
                                          plat::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  // A window the user has closed stays closed: it is not attached to a host again.
  if (wasUnloaded()) plat::com::raise(err::ObjectUnloaded, "Form '" + name() + "' was unloaded");
  if (!AIMRef) plat::com::raise(err::ObjectNotSet, "No item manager was handed over");
  ItemManager = std::move(AIMRef);
  plat::com::Ptr<tolvar::DeviceDescription> dd;
  int32_t status = 0;
  ItemManager->GetDDObject(dd, status);
  DeviceDescriptionRef = std::move(dd);
  ViewHandle = lViewHandle2;
  timer("RegisterTimer").setProperty("Enabled", true);
  return 0;
}

int32_t ViewWindow::NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                  int32_t lUserLong) {
  if (!NotifyQueue) return 0;
  NotifyQueue->push_back(VELUMOR_Notify_Type{lAppletItemHandle, bShadow, lState, lUserLong});
  // Enabling restarts the timer's count, so a running timer is left alone: a steady stream of
  // notifications must not keep postponing the next tick.
  plat::ui::TimerControl& t = timer("NotifyTimer");
  if (!t.isEnabled()) t.setProperty("Enabled", true);
  return 0;
}

void ViewWindow::NotifyTimer_Timer() {
  if (!NotifyQueue || NotifyQueue->empty()) {
    timer("NotifyTimer").setProperty("Enabled", false);
    return;
  }
  // Taken off the queue before it is dispatched, so a record whose dispatch fails is not
  // dispatched again on every tick.
  const VELUMOR_Notify_Type record = NotifyQueue->front();
  NotifyQueue->pop_front();
  Dispatch(record);
}

void ViewWindow::RegisterTimer_Timer() {
  timer("RegisterTimer").setProperty("Enabled", false);
  Register();
}

void ViewWindow::finishUnload(std::initializer_list<std::string_view> timers) {
  if (ViewRef) {
    try {
      if (ItemManager) {
        int32_t status = 0;
        ItemManager->ReleaseView(ViewRef, status);
      }
    } catch (const std::exception&) {
      // The host may already have forgotten the view; the unload goes on regardless.
    }
    ViewRef = nullptr;
  }
  for (std::string_view t : timers) timer(t).setProperty("Enabled", false);
  ItemManager = nullptr;
  DeviceDescriptionRef = nullptr;
  NotifyQueue.reset();
}

}  // namespace velumor
