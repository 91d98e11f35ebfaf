#pragma once
#include <string>

#include "platform/com/ref.h"
#include "platform/ui/form.h"

namespace velumor::shared::windows {

// The software-service window: how to reach the maintainers, what to tell them, and the
// service text file of the component's folder.
class SoftServiceForm : public platform::ui::Form {
 public:
  SoftServiceForm();

  // Write-only: the file to show, by name in the component's folder. Loads the window.
  // A file that cannot be read shows the error's description, CR LF and the full path.
  void prpTextFile(const std::string& sFileName);

  void OK_SoftwareService_Click();

 protected:
  void Form_Load() override;
};

// What every view's software-service command does: a new window showing the service file
// of the user's language (text 89), shown modeless and given back for the caller to keep
// (its SoftServiceWindow).
platform::com::Ptr<SoftServiceForm> showSoftServiceWindow();

}  // namespace velumor::shared::windows
