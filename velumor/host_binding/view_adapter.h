#pragma once
// The common body of the seven view classes: each owns exactly one window object and
// forwards the host's View operations to it. No state of its own beyond that reference.
#include <cstdint>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/view_window/view_window.h"

namespace velumor::host_binding {

class ViewAdapter : public tolvar::View, public platform::ui::WindowOwner {
 public:
  // Sets the window's ViewRef (unless this class sets it on notifications instead), then
  // hands the view handle and the item manager to the window, which loads inside the call.
  int32_t SetAppletItemManagRef(int32_t lViewHandle2,
                                platform::com::Ptr<tolvar::AppletItemManager> AIMRef) override;
  // Shows the window modeless, then in the normal window state. Refused for a window that
  // has unloaded itself (the user closed it): it has no item manager any more.
  int32_t Show() override;
  int32_t Hide() override;
  // Unloads the window and drops it; a second call finds no window and does nothing.
  int32_t Destroy() override;
  int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

  platform::ui::Form* ownedWindow() const override { return window_.get(); }
  view_window::ViewWindow* window() const { return window_.get(); }

  // What an operation answers once the view has been destroyed: object variable not set.
  static constexpr int32_t kNoWindow = platform::com::hr::fromErrorNumber(platform::com::err::ObjectNotSet);

 protected:
  // Where the window's ViewRef is set: in SetAppletItemManagRef (all views but one), or at
  // the start of every NotifyChanged (the diagnosis view, whose window so releases the view
  // at unload only once it has been notified).
  enum class ViewRefSetIn { SetAppletItemManagRef, NotifyChanged };

  // `window` is created, neither loaded nor shown.
  ViewAdapter(platform::com::Ptr<view_window::ViewWindow> window, ViewRefSetIn viewRefSetIn);
  // The class terminator: unloads the window as its owner ending (no close question).
  ~ViewAdapter() override;

 private:
  platform::com::Ptr<view_window::ViewWindow> window_;
  ViewRefSetIn viewRefSetIn_;
};

}  // namespace velumor::host_binding
