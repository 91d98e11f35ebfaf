#pragma once
#include <string>
#include <utility>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "velumor/view_window/test_access.h"

namespace velumor::shared::windows {

// The read-me window: a text file of the component's folder, line by line.
class TxtFileForm : public platform::ui::Form {
 public:
  TxtFileForm();

  // Before the window loads: the file to show, by name in the component's folder, and the
  // caption's leading text. The caption becomes WindowTitle followed by TextFileName; the
  // load replaces TextFileName with the full path of the file it reads.
  void chooseFile(std::string textFileName, std::string windowTitle) {
    TextFileName = std::move(textFileName);
    WindowTitle = std::move(windowTitle);
  }

 protected:
  void Form_Load() override;

 private:
  template <class>
  friend struct view_window::TestAccess;

  std::string WindowTitle;
  std::string TextFileName;
};

// What every view's read-me command does: a new read-me window for the user's language
// (its file name is text 97, its title text 9), shown modeless and given back for the
// caller to keep (its ReadMeWindow).
platform::com::Ptr<TxtFileForm> showReadMeWindow();

}  // namespace velumor::shared::windows
