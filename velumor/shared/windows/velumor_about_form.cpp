#include "velumor/shared/windows/velumor_about_form.h"

#include <filesystem>

#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/res/language.h"
#include "platform/ui/controls.h"
#include "platform/ui/services.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/windows/window_files.h"

extern const unsigned char velumor_design_VelumorAboutForm[];
extern const std::size_t velumor_design_VelumorAboutForm_size;

namespace velumor::shared::windows {

VelumorAboutForm::VelumorAboutForm()
    : Form("VelumorAboutForm",
           designText(velumor_design_VelumorAboutForm, velumor_design_VelumorAboutForm_size),
           &componentPictures(), &componentLiveCount()) {
  on("SysInfoTimer", "Timer", [this] { SysInfoTimer_Timer(); });
  on("OK_Button", "Click", [this] { OK_Button_Click(); });
  on("cmdSystemInfo", "Click", [this] { cmdSystemInfo_Click(); });
}

void VelumorAboutForm::Form_Load() {
  setCaption(LoadResStringByLang(3));

  // 150 pixels wide, the aspect kept; the factor is taken before the width changes.
  auto& image = ctl("VelumorImage");
  const double newWidth = 150.0 * platform::ui::Screen::twipsPerPixelX();
  const double factor = newWidth / image.width();
  image.setWidth(newWidth);
  image.setHeight(image.height() * factor);

  const std::string fileDate =
      fileModifiedMediumDate(componentFolder() / componentLibraryName(), platform::res::userDefaultLangId());

  ctl("TitleLabel").setCaption(LoadResStringByLang(30001));

  const ComponentVersion v = componentVersion();
  ctl("VersionLabel")
      .setCaption(LoadResStringByLang(30002) + "  " + std::to_string(v.major) + "." +
                  std::to_string(v.minor) + "." + std::to_string(v.revision) + "\r\n" +
                  LoadResStringByLang(30003) + "  " + fileDate);

  auto& ok = ctl("OK_Button");
  ok.setCaption(LoadResStringByLang(30008));
  ok.setEnabled(false);

  auto& sysInfo = ctl("cmdSystemInfo");
  sysInfo.setCaption(LoadResStringByLang(30009));
  sysInfo.setVisible(false);
  sysInfo.setEnabled(false);

  // The probe runs once the window shows, so opening it never waits for the registry.
  timer("SysInfoTimer").setEnabled(true);
}

std::string VelumorAboutForm::findSystemInfoProgram() {
  std::string path;
  try {
    platform::com::SettingsRegistry settings(platform::com::SettingsRegistry::defaultPath());
    settings.load();
    if (!settings.openKey(kSysInfoHive, kSysInfoKey)) return {};
    const auto value = settings.queryValue(kSysInfoHive, kSysInfoKey, kSysInfoValue);
    // Only a plain string names the program; an expandable one is not expanded here.
    if (!value || value->type != platform::com::setting_type::String) return {};
    path = value->value.substr(0, value->value.find('\0'));
  } catch (const platform::com::RuntimeError&) {
    // An unreadable settings file is as good as no registered program: the window must
    // still become closable.
    return {};
  }
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return {};
  return path;
}

void VelumorAboutForm::SysInfoTimer_Timer() {
  timer("SysInfoTimer").setEnabled(false);
  const std::string program = findSystemInfoProgram();
  if (!program.empty()) {
    auto& sysInfo = ctl("cmdSystemInfo");
    sysInfo.setTag(platform::com::Variant(program));
    sysInfo.setVisible(true);
    sysInfo.setEnabled(true);
  }
  ctl("OK_Button").setEnabled(true);
}

void VelumorAboutForm::OK_Button_Click() {
  unload();
}

void VelumorAboutForm::cmdSystemInfo_Click() {
  const std::string program = ctl("cmdSystemInfo").tag().toString();
  // Started on its own; the About window stays open. A program that will not start is
  // passed over as one that is not there: the user simply gets no system information.
  platform::ui::Services::shell().startProgram(program);
}

void VelumorAboutForm::Form_Unload(int16_t& Cancel) {}

platform::com::Ptr<VelumorAboutForm> showAboutWindow() {
  auto about = platform::com::makeObject<VelumorAboutForm>();
  about->show(true);
  return about;
}

}  // namespace velumor::shared::windows
