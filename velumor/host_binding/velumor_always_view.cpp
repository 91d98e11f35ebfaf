#include "velumor/host_binding/velumor_always_view.h"

#include <new>

#include "platform/com/error.h"
#include "velumor/host_binding/view_boundary.h"
#include "velumor/shared/component.h"

namespace velumor::host_binding {

namespace hr = platform::com::hr;
namespace err = platform::com::err;

namespace {

constexpr int32_t kDestroyed = hr::fromErrorNumber(err::ObjectNotSet);

}  // namespace

VelumorAlwaysView::VelumorAlwaysView()
    : View(&shared::componentLiveCount()), form_(platform::com::makeObject<VelumorAlwaysViewForm>()) {
  form_->SetOwner(this);
  binding_ = std::make_unique<view_window::ViewBinding>(*form_);
  binding_->openQueue();
}

VelumorAlwaysView::~VelumorAlwaysView() {
  binding_->detach();
  form_->SetOwner(nullptr);
  try {
    form_->unload(platform::ui::kUnloadFormCode);
  } catch (const std::exception&) {
    // The window goes with this object in any case.
  }
  binding_.reset();
  form_ = nullptr;
}

int32_t VelumorAlwaysView::SetAppletItemManagRef(int32_t lViewHandle2,
                                                 platform::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  return viewBoundary([&] {
    if (destroyed_) return kDestroyed;
    binding_->attach(lViewHandle2, std::move(AIMRef));
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
    platform::com::Ptr<VelumorAlwaysViewForm> form = form_;
    // A window that never loaded is not loaded just to stop its timers.
    if (form->isLoaded()) {
      form->timer("NotifyTimer").setProperty("Enabled", false);
      form->timer("SeqAdjustTimer").setProperty("Enabled", false);
      // A view destroyed before its registration tick registers nothing.
      form->timer("RegisterTimer").setProperty("Enabled", false);
    }
    // Prompts still waiting for the user have nobody left to answer to.
    Supervisor.EndPrompts();
    binding_->closeQueue();
    platform::com::Ptr<tolvar::View> self(this);
    binding_->releaseView(self);
    // The window stays loaded: the host may still Show the view; the terminator unloads it.
    return hr::Ok;
  });
}

int32_t VelumorAlwaysView::NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                         int32_t lUserLong) {
  return viewBoundary([&] {
    binding_->notify(view_window::VELUMOR_Notify_Type{lAppletItemHandle, bShadow, lState, lUserLong});
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
  if (const std::optional<view_window::VELUMOR_Notify_Type> record = binding_->next()) Dispatch(*record);
}

void VelumorAlwaysView::SeqAdjustTick() {
  Supervisor.RunSeqAdjustQueue();
}

void VelumorAlwaysView::AnswerPrompt(PromptAnswer answer) {
  switch (answer) {
    case PromptAnswer::Repeat:
      return Supervisor.AnswerRepeat();
    case PromptAnswer::Ignore:
      return Supervisor.AnswerIgnore();
    case PromptAnswer::Error:
      return Supervisor.AnswerError();
  }
}

}  // namespace velumor::host_binding
