#pragma once
// The one binding between a view and its host: the item manager, the device description,
// the view handle and the notification queue, with the two host call-backs that fill them
// (SetAppletItemManagRef and NotifyChanged) and the tick that works the queue off.
//
// Every view window and the supervision view keep exactly one of these. The state is
// private; what a window may do with it:
//   read   itemManager(), deviceDescription(), viewHandle(), hasQueue(), queue(), attached()
//   change attach() (from its SetAppletItemManagRef), openQueue() (last step of its load),
//          closeQueue(), notify() (from its NotifyChanged), next() (from its notification tick),
//          releaseView() and detach() (from its unload). Nothing else writes the state.
// The binding drives two timers of its window: "RegisterTimer" (armed by attach) and
// "NotifyTimer" (armed by notify, switched off by next when the queue is empty).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/view_window/kept_control.h"
#include "velumor/view_window/notify_type.h"

namespace velumor::view_window {

class ViewBinding {
 public:
  // `window` carries the two timers; it outlives the binding or detaches it first.
  explicit ViewBinding(platform::ui::Form& window) : window_(&window) {}
  ViewBinding(const ViewBinding&) = delete;
  ViewBinding& operator=(const ViewBinding&) = delete;

  // Keeps the item manager, asks it for its device description, keeps the view handle and
  // arms the registration timer, in this order. Arming is the window's first control
  // access, so a window not yet loaded loads here, with the item manager already kept.
  // A failing GetDDObject is not trapped: the handle is then not kept and no timer armed.
  // Error 91 without an item manager.
  void attach(int32_t lViewHandle2, platform::com::Ptr<tolvar::AppletItemManager> AIMRef);

  // Creates the (empty) queue; until then, and after detach, notifications are dropped.
  void openQueue() { queue_.emplace(); }
  // Drops the queue and what it holds; later notifications are dropped.
  void closeQueue() { queue_.reset(); }

  // Queues one record and arms the notification timer; false (nothing touched, so a
  // window that has unloaded is not loaded again) when there is no queue. A running timer
  // is left alone: a steady stream must not keep postponing the next tick.
  bool notify(const VELUMOR_Notify_Type& record);

  // The next record, taken off the queue before the caller dispatches it (a failing
  // dispatch never blocks the queue). Empty queue or no queue: switches the notification
  // timer off and returns nothing.
  std::optional<VELUMOR_Notify_Type> next();

  // Hands `view` back to the item manager (errors ignored: the host may already have let
  // it go) and clears it. Nothing when `view` is not set or no item manager is kept.
  void releaseView(platform::com::Ptr<tolvar::View>& view);
  // Drops the item manager, the device description and the queue. Idempotent.
  void detach();

  tolvar::AppletItemManager* itemManager() const { return itemManager_.get(); }
  const platform::com::Ptr<tolvar::AppletItemManager>& itemManagerRef() const { return itemManager_; }
  tolvar::DeviceDescription* deviceDescription() const { return deviceDescription_.get(); }
  int32_t viewHandle() const { return viewHandle_; }
  bool attached() const { return itemManager_ != nullptr; }
  bool hasQueue() const { return queue_.has_value(); }
  // The records waiting, oldest first; null while there is no queue.
  const std::deque<VELUMOR_Notify_Type>* queue() const { return queue_ ? &*queue_ : nullptr; }

  // The item manager, or error 91 naming `who` when none is kept.
  tolvar::AppletItemManager& requireItemManager(const std::string& who) const;
  // The same, naming `window`.`op`.
  tolvar::AppletItemManager& requireItemManager(std::string_view window, std::string_view op) const;
  // A fresh host frame for one command; error 91 when the host gives none.
  platform::com::Ptr<tolvar::HostFrame> frame(const std::string& who) const;

 private:
  platform::ui::Form* window_;
  platform::com::Ptr<tolvar::AppletItemManager> itemManager_;
  platform::com::Ptr<tolvar::DeviceDescription> deviceDescription_;
  int32_t viewHandle_ = 0;
  std::optional<std::deque<VELUMOR_Notify_Type>> queue_;
  KeptControl<platform::ui::TimerControl> notifyTimer_{"NotifyTimer"};
};

}  // namespace velumor::view_window
