#pragma once
#include <string>

#include "platform/com/ref.h"
#include "platform/ui/form.h"

namespace velumor::shared::windows {

// The read-me window: a text file of the component's folder, line by line.
class TxtFileForm : public platform::ui::Form {
 public:
  TxtFileForm();

  // Set before the window loads. The caption becomes WindowTitle followed by TextFileName;
  // the load replaces TextFileName with the full path of the file it reads.
  std::string WindowTitle;
  std::string TextFileName;

 protected:
  void Form_Load() override;
};

// What every view's read-me command does: a new read-me window for the user's language
// (its file name is text 97, its title text 9), shown modeless and given back for the
// caller to keep (its ReadMeWindow).
platform::com::Ptr<TxtFileForm> showReadMeWindow();

}  // namespace velumor::shared::windows
