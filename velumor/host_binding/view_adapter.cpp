#include "velumor/host_binding/view_adapter.h"

#include <new>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "velumor/host_binding/view_boundary.h"
#include "velumor/shared/component.h"

namespace velumor::host_binding {

namespace hr = platform::com::hr;
namespace err = platform::com::err;

ViewAdapter::ViewAdapter(platform::com::Ptr<view_window::ViewWindow> window, ViewRefSetIn viewRefSetIn)
    : View(&shared::componentLiveCount()), window_(std::move(window)), viewRefSetIn_(viewRefSetIn) {}

ViewAdapter::~ViewAdapter() {
  // The view ends: its window unloads without asking anything (a close guard cannot keep a
  // window whose view is gone).
  if (platform::com::Ptr<view_window::ViewWindow> w = std::move(window_)) {
    viewBoundary([&] {
      w->unload(platform::ui::kUnloadFormOwner);
      return hr::Ok;
    });
    w->dropOwningView();
  }
}

int32_t ViewAdapter::SetAppletItemManagRef(int32_t lViewHandle2,
                                           platform::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  return viewBoundary([&] {
    if (!window_) return kNoWindow;
    platform::com::Ptr<view_window::ViewWindow> w = window_;  // the window stays alive through its own call
    if (viewRefSetIn_ == ViewRefSetIn::SetAppletItemManagRef) w->takeOwningView(this);
    return w->SetAppletItemManagRef(lViewHandle2, std::move(AIMRef));
  });
}

int32_t ViewAdapter::Show() {
  return viewBoundary([&] {
    if (!window_) return kNoWindow;
    if (window_->wasUnloaded()) return hr::fromErrorNumber(err::ObjectUnloaded);
    platform::com::Ptr<view_window::ViewWindow> w = window_;
    w->show(false);
    w->setWindowState(platform::ui::kNormal);
    return hr::Ok;
  });
}

int32_t ViewAdapter::Hide() {
  return viewBoundary([&] {
    if (!window_) return kNoWindow;
    window_->hide();  // an unloaded window stays unloaded
    return hr::Ok;
  });
}

int32_t ViewAdapter::Destroy() {
  // Taken out first: the unload may release this object (the window drops its ViewRef), and
  // the terminator's own Destroy must then find no window.
  platform::com::Ptr<view_window::ViewWindow> w = std::move(window_);
  if (!w) return hr::Ok;
  bool refused = false;
  const int32_t status = viewBoundary([&] {
    // The host's shut-down closes the window as the end of the application does; its close
    // guard still asks.
    const bool ending = platform::ui::EventLoop::instance().hostEnding();
    refused = !w->unload(ending ? platform::ui::kUnloadAppWindows : platform::ui::kUnloadFormCode);
    return refused ? hr::Fail : hr::Ok;
  });
  if (refused) {
    // The window's close guard kept it open: it stays owned. Nothing was released.
    window_ = std::move(w);
    return status;
  }
  // A window that unloaded earlier and was then handed its ViewRef again would keep this
  // object alive for ever. No member is touched after this line.
  w->dropOwningView();
  return status;
}

int32_t ViewAdapter::NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                   int32_t lUserLong) {
  return viewBoundary([&] {
    if (!window_) return kNoWindow;
    platform::com::Ptr<view_window::ViewWindow> w = window_;
    if (viewRefSetIn_ == ViewRefSetIn::NotifyChanged) w->takeOwningView(this);
    return w->NotifyChanged(lAppletItemHandle, bShadow, lState, lUserLong);
  });
}

}  // namespace velumor::host_binding
