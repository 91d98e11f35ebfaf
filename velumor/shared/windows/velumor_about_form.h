#pragma once
#include <string>

#include "platform/com/ref.h"
#include "platform/ui/form.h"

namespace velumor::shared::windows {

// The About window of every view: product title, version and file date of the component,
// its picture, OK and a button that starts the system-information program when one is
// registered. A view creates one per About command, shows it modal and keeps the reference.
class VelumorAboutForm : public platform::ui::Form {
 public:
  VelumorAboutForm();

  // Where the system-information program is registered in the settings registry.
  static constexpr const char* kSysInfoHive = "HKEY_LOCAL_MACHINE";
  static constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSInfo";
  static constexpr const char* kSysInfoValue = "Path";

  // The one-shot probe for the system-information program, at the first tick after load.
  void SysInfoTimer_Timer();
  void OK_Button_Click();
  void cmdSystemInfo_Click();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;

 private:
  // The path of the registered system-information program, empty when there is none usable.
  static std::string findSystemInfoProgram();
};

// Creates an About window, shows it modal and gives it back for the caller to keep (its
// AboutWindow), so that the caller's own unload can unload it.
platform::com::Ptr<VelumorAboutForm> showAboutWindow();

}  // namespace velumor::shared::windows
