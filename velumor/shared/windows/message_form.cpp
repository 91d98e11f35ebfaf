#include "velumor/shared/windows/message_form.h"

#include <map>

#include "platform/com/ref.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "velumor/shared/component.h"
#include "velumor/shared/windows/window_files.h"

extern const unsigned char velumor_design_MessageForm[];
extern const std::size_t velumor_design_MessageForm_size;

namespace velumor::shared::windows {

namespace {

// The open message windows. Never destroyed: a window still open when the process ends
// must not be torn down after the event loop it is armed in.
std::map<const MessageForm*, platform::com::Ptr<MessageForm>>& openMessageWindows() {
  static auto* windows = new std::map<const MessageForm*, platform::com::Ptr<MessageForm>>();
  return *windows;
}

}  // namespace

MessageForm::MessageForm()
    : Form("MessageForm", designText(velumor_design_MessageForm, velumor_design_MessageForm_size),
           &componentPictures(), &componentLiveCount()) {
  on("MessageTimer", "Timer", [this] { MessageTimer_Timer(); });
}

void MessageForm::Form_Load() {
  setTop((static_cast<double>(platform::ui::Screen::height()) - height()) / 2);
  setLeft((static_cast<double>(platform::ui::Screen::width()) - width()) / 2);

  auto& t = timer("MessageTimer");
  t.setEnabled(false);
  t.setProperty("Interval", int32_t{kLifeMs});
  t.setEnabled(true);

  openMessageWindows().emplace(this, platform::com::Ptr<MessageForm>(this));
}

void MessageForm::MessageTimer_Timer() {
  timer("MessageTimer").setEnabled(false);
  unload();
}

void MessageForm::Form_Unload(int16_t& Cancel) {
  // The unload itself holds a reference until it is done.
  openMessageWindows().erase(this);
}

void showMessageWindow(const std::string& caption, const std::string& text) {
  // A message is a courtesy: nothing that goes wrong here reaches the caller, but it is reported.
  platform::ui::EventLoop::instance().runReported("MessageForm.Show", [&] {
    auto window = platform::com::makeObject<MessageForm>();
    window->ensureLoaded();
    window->setCaption(caption);
    window->ctl("MessageLabel").setCaption(text);
    window->show(false);
  });
}

std::size_t openMessageWindowCount() {
  return openMessageWindows().size();
}

}  // namespace velumor::shared::windows
