#include "velumor/shared/windows/soft_service_form.h"

#include <algorithm>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/windows/window_files.h"

extern const unsigned char velumor_design_SoftServiceForm[];
extern const std::size_t velumor_design_SoftServiceForm_size;

namespace velumor::shared::windows {

namespace {
// The caption is the Help menu entry that opens the window, without its access key marks.
constexpr int16_t kCaptionTextId = 496;
}  // namespace

SoftServiceForm::SoftServiceForm()
    : Form("SoftServiceForm", designText(velumor_design_SoftServiceForm, velumor_design_SoftServiceForm_size),
           &componentPictures(), &componentLiveCount()) {
  on("OK_SoftwareService", "Click", [this] { OK_SoftwareService_Click(); });
}

void SoftServiceForm::Form_Load() {
  std::string caption = LoadResStringByLang(kCaptionTextId);
  caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
  setCaption(caption);
  ctl("Label1", 0).setCaption(LoadResStringByLang(80));
  ctl("Label1", 1).setCaption(LoadResStringByLang(81));
}

void SoftServiceForm::prpTextFile(const std::string& sFileName) {
  // The service text is a courtesy: a window the user already closed gets none, and what
  // fails otherwise is reported rather than reaching the caller.
  if (wasUnloaded()) return;
  platform::ui::EventLoop::instance().runReported(name() + ".prpTextFile", [&] {
    const std::string path = componentFilePath(sFileName);
    int32_t errorNumber = 0;
    if (auto text = readWholeFile(path, errorNumber))
      ctl("FileTxt").setText(*text);
    else
      ctl("FileTxt").setText(platform::com::errorText(errorNumber) + "\r\n" + path);
  });
}

void SoftServiceForm::OK_SoftwareService_Click() {
  unload();
}

platform::com::Ptr<SoftServiceForm> showSoftServiceWindow() {
  auto window = platform::com::makeObject<SoftServiceForm>();
  window->prpTextFile(LoadResStringByLang(89));
  window->show(false);
  return window;
}

}  // namespace velumor::shared::windows
