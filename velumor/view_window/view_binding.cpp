#include "velumor/view_window/view_binding.h"

#include <exception>
#include <utility>

#include "platform/com/error.h"

namespace velumor::view_window {

namespace err = platform::com::err;

void ViewBinding::attach(int32_t lViewHandle2, platform::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  if (!AIMRef) platform::com::raise(err::ObjectNotSet, "No item manager was handed over");
  itemManager_ = std::move(AIMRef);
  platform::com::Ptr<tolvar::DeviceDescription> dd;
  int32_t status = 0;
  itemManager_->GetDDObject(dd, status);
  deviceDescription_ = std::move(dd);
  viewHandle_ = lViewHandle2;
  window_->timer("RegisterTimer").setProperty("Enabled", true);
}

bool ViewBinding::notify(const VELUMOR_Notify_Type& record) {
  if (!queue_) return false;
  queue_->push_back(record);
  platform::ui::TimerControl& t = notifyTimer_.get(*window_);
  if (!t.isEnabled()) t.setTimerEnabled(true);
  return true;
}

std::optional<VELUMOR_Notify_Type> ViewBinding::next() {
  if (!queue_ || queue_->empty()) {
    // A window that has unloaded has no timer to switch off.
    if (window_->isLoaded()) notifyTimer_.get(*window_).setTimerEnabled(false);
    return std::nullopt;
  }
  const VELUMOR_Notify_Type record = queue_->front();
  queue_->pop_front();
  return record;
}

void ViewBinding::releaseView(platform::com::Ptr<tolvar::View>& view) {
  if (!view) return;
  platform::com::Ptr<tolvar::View> released = std::move(view);
  view = nullptr;
  if (!itemManager_) return;
  try {
    int32_t status = 0;
    itemManager_->ReleaseView(released, status);
  } catch (const std::exception&) {
    // The host may already have forgotten the view; the unload goes on regardless.
  }
}

void ViewBinding::detach() {
  itemManager_ = nullptr;
  deviceDescription_ = nullptr;
  queue_.reset();
}

tolvar::AppletItemManager& ViewBinding::requireItemManager(const std::string& who) const {
  if (!itemManager_) platform::com::raise(err::ObjectNotSet, who + ": the window holds no item manager");
  return *itemManager_;
}

tolvar::AppletItemManager& ViewBinding::requireItemManager(std::string_view window,
                                                           std::string_view op) const {
  // The name is put together only when it is needed: this runs at every notification.
  if (!itemManager_) return requireItemManager(std::string(window) + "." + std::string(op));
  return *itemManager_;
}

platform::com::Ptr<tolvar::HostFrame> ViewBinding::frame(const std::string& who) const {
  platform::com::Ptr<tolvar::HostFrame> f;
  int32_t status = 0;
  requireItemManager(who).GetFrame(f, status);
  if (!f) platform::com::raise(err::ObjectNotSet, who + ": the host gave no frame");
  return f;
}

}  // namespace velumor::view_window
