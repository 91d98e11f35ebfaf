#pragma once
// The supervision view: present for every device, never shown as an ordinary window. It
// implements View itself and keeps its host references and its notification queue; its
// hidden window only carries the timers and the log.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/host_binding/supervision/supervision.h"
#include "velumor/host_binding/velumor_always_view_form.h"
#include "velumor/view_window/notify_type.h"
#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_binding.h"

namespace velumor::host_binding {

class VelumorAlwaysView final : public tolvar::View, public platform::ui::WindowOwner {
 public:
  // Creates the window (not loaded) and the notification queue.
  VelumorAlwaysView();
  // Drops the queue, the window and the host references; the window is unloaded if loaded.
  ~VelumorAlwaysView() override;

  // Keeps the item manager, its device description and the view handle, then arms the
  // registration timer, which loads the hidden window.
  int32_t SetAppletItemManagRef(int32_t lViewHandle2,
                                platform::com::Ptr<tolvar::AppletItemManager> AIMRef) override;
  // Loads the window and nothing else: the window never shows as an ordinary window.
  int32_t Show() override;
  int32_t Hide() override;
  // Stops the timers, drops the queue, ends waiting prompts and releases the view at the item
  // manager; the window stays loaded. Runs once; later calls do nothing.
  int32_t Destroy() override;
  // Queues the notification while the queue exists; after Destroy it is dropped.
  int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

  platform::ui::Form* ownedWindow() const override { return form_.get(); }
  VelumorAlwaysViewForm* form() const { return form_.get(); }

  // Called by the window.
  void DestroyFromForm() { Destroy(); }
  void RegisterItems();
  void ProcessNotifyQueue();
  void SeqAdjustTick();

  // The user's answer to the communication-error prompt on the window, and the prompt that
  // waited for it, asked once the window has closed the answered one.
  void AnswerPrompt(PromptAnswer answer);
  void ShowNextPrompt() { Supervisor.ShowNextPrompt(); }

  // The host binding (item manager, device description, view handle, queue).
  const view_window::ViewBinding& binding() const { return *binding_; }

 private:
  template <class>
  friend struct view_window::TestAccess;

  // One notification, outside the host's call.
  void Dispatch(const view_window::VELUMOR_Notify_Type& record) { Supervisor.Dispatch(record); }

  // Registration, dispatch, menu states, adjust queue and the error prompt.
  Supervision Supervisor{*this};
  platform::com::Ptr<VelumorAlwaysViewForm> form_;
  std::unique_ptr<view_window::ViewBinding> binding_;
  bool destroyed_ = false;
};

}  // namespace velumor::host_binding
