#include "velumor/host_binding/velumor_always_view.h"

#include <new>

#include "platform/com/error.h"
#include "velumor/host_binding/view_boundary.h"
#include "velumor/shared/component.h"

namespace velumor {

namespace hr = plat::com::hr;
namespace err = plat::com::err;

namespace {

constexpr int32_t kDestroyed = hr::fromErrorNumber(err::ObjectNotSet);

}  // namespace

VelumorAlwaysView::VelumorAlwaysView()
    : View(&componentLiveCount()), form_(plat::com::makeObject<VelumorAlwaysViewForm>()) {
  form_->SetOwner(this);
  NotifyQueue.emplace();
}

VelumorAlwaysView::~VelumorAlwaysView() {
  NotifyQueue.reset();
  form_->SetOwner(nullptr);
  try {
    form_->unload(plat::ui::kUnloadFormCode);
  } catch (const std::exception&) {
    // The window goes with this object in any case.
  }
  form_ = nullptr;
  DeviceDescriptionRef = nullptr;
  ItemManager = nullptr;
}

int32_t VelumorAlwaysView::SetAppletItemManagRef(int32_t lViewHandle2,
                                                 plat::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  return viewBoundary([&] {
    if (destroyed_) return kDestroyed;
    if (!AIMRef) plat::com::raise(err::ObjectNotSet, "No item manager was handed over");
    ItemManager = std::move(AIMRef);
    plat::com::Ptr<tolvar::DeviceDescription> dd;
    int32_t status = 0;
    ItemManager->GetDDObject(dd, status);
    DeviceDescriptionRef = std::move(dd);
    ViewHandle = lViewHandle2;
    form_->timer("RegisterTimer").setProperty("Enabled", true);
    return hr::Ok;
  });
}

int32_t VelumorAlwaysView::Show() {
  return viewBoundary([&] {
    if (form_->wasUnloaded()) return hr::fromErrorNumber(err::ObjectUnloaded);
    form_->ensureLoaded();
    return hr::Ok;
  });
}

int32_t VelumorAlwaysView::Hide() {
  return viewBoundary([&] {
    form_->hide();
    return hr::Ok;
  });
}

int32_t VelumorAlwaysView::Destroy() {
  if (destroyed_) return hr::Ok;
  destroyed_ = true;
  return viewBoundary([&] {
    plat::com::Ptr<VelumorAlwaysViewForm> form = form_;
    // A window that never loaded is not loaded just to stop its timers.
    if (form->isLoaded()) {
      form->timer("NotifyTimer").setProperty("Enabled", false);
      form->timer("SeqAdjustTimer").setProperty("Enabled", false);
      // A view destroyed before its registration tick registers nothing.
      form->timer("RegisterTimer").setProperty("Enabled", false);
    }
    // Prompts still waiting for the user have nobody left to answer to.
    Supervisor.EndPrompts();
    NotifyQueue.reset();
    if (ItemManager) {
      try {
        int32_t status = 0;
        ItemManager->ReleaseView(plat::com::Ptr<tolvar::View>(this), status);
      } catch (const std::exception&) {
        // The host may already have forgotten the view.
      }
    }
    // The window stays loaded: the host may still Show the view; the terminator unloads it.
    return hr::Ok;
  });
}

int32_t VelumorAlwaysView::NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                         int32_t lUserLong) {
  return viewBoundary([&] {
    if (!NotifyQueue) return hr::Ok;
    NotifyQueue->push_back(VELUMOR_Notify_Type{lAppletItemHandle, bShadow, lState, lUserLong});
    plat::ui::TimerControl& t = form_->timer("NotifyTimer");
    if (!t.isEnabled()) t.setProperty("Enabled", true);
    return hr::Ok;
  });
}

void VelumorAlwaysView::RegisterItems() {
  if (destroyed_) {
    form_->timer("RegisterTimer").setProperty("Enabled", false);
    return;
  }
  Supervisor.RegisterItems();
}

void VelumorAlwaysView::ProcessNotifyQueue() {
  if (!NotifyQueue || NotifyQueue->empty()) {
    form_->timer("NotifyTimer").setProperty("Enabled", false);
    return;
  }
  const VELUMOR_Notify_Type record = NotifyQueue->front();
  NotifyQueue->pop_front();
  Dispatch(record);
}

void VelumorAlwaysView::SeqAdjustTick() { Supervisor.RunSeqAdjustQueue(); }

}  // namespace velumor
