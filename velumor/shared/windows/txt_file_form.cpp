#include "velumor/shared/windows/txt_file_form.h"

#include "platform/ui/event_loop.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/windows/window_files.h"

extern const unsigned char velumor_design_TxtFileForm[];
extern const std::size_t velumor_design_TxtFileForm_size;

namespace velumor::shared::windows {

TxtFileForm::TxtFileForm()
    : Form("TxtFileForm", designText(velumor_design_TxtFileForm, velumor_design_TxtFileForm_size),
           &componentPictures(), &componentLiveCount()) {}

void TxtFileForm::Form_Load() {
  // The read-me is a courtesy: whatever fails here is reported, and the window opens.
  platform::ui::EventLoop::instance().runReported(name() + ".Form_Load", [&] {
    setCaption(WindowTitle + TextFileName);
    TextFileName = componentFilePath(TextFileName);
    if (auto text = readLinesCrLf(TextFileName))
      ctl("FileTxt").setText(*text);
    else
      ctl("FileTxt").setText(GetTextFromResource(90) + TextFileName);
  });
}

platform::com::Ptr<TxtFileForm> showReadMeWindow() {
  auto window = platform::com::makeObject<TxtFileForm>();
  window->chooseFile(LoadResStringByLang(97), LoadResStringByLang(9));
  window->show(false);
  return window;
}

}  // namespace velumor::shared::windows
