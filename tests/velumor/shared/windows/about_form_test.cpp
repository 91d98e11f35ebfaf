#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>

#include "platform/com/registry.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/windows_close_at_the_end.h"
#include "velumor/shared/component.h"
#include "velumor/shared/windows/velumor_about_form.h"
#include "windows_fixture.h"

namespace velumor::test {
namespace {

using platform::com::SettingsRegistry;
using platform::com::SettingValue;
using platform::ui::EventLoop;
using platform::ui::Services;

class AboutFormTest : public WindowsTest {
 protected:
  void registerProgram(const SettingValue& value) {
    SettingsRegistry settings(SettingsRegistry::defaultPath());
    settings.load();
    settings.setValue(SettingsRegistry::keyName(velumor::shared::windows::VelumorAboutForm::kSysInfoHive,
                                                velumor::shared::windows::VelumorAboutForm::kSysInfoKey),
                      velumor::shared::windows::VelumorAboutForm::kSysInfoValue, value);
    settings.save();
  }

  std::string makeProgram(const std::string& name) {
    writeFile(name, "#!/bin/sh\n");
    return pathOf(name);
  }

  // Gives the component's library file a last-modified time of noon, local time, on that day.
  void stampLibrary(int year, int month, int day) {
    const auto path = writeFile(velumor::shared::componentLibraryName(), "library");
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }

  static bool buttonShown(velumor::shared::windows::VelumorAboutForm& about) {
    auto& b = about.ctl("cmdSystemInfo");
    return b.visible() && b.enabled();
  }

  // Loads a window and lets its one probe tick run.
  platform::com::Ptr<velumor::shared::windows::VelumorAboutForm> loadedAndProbed() {
    auto about = platform::com::makeObject<velumor::shared::windows::VelumorAboutForm>();
    about->ensureLoaded();
    EventLoop::instance().advance(1);
    return about;
  }
};

TEST_F(AboutFormTest, OkWaitsForTheProbeTickAndThenClosesTheWindow) {
  auto about = velumor::shared::windows::showAboutWindow();
  ASSERT_TRUE(about->isLoaded());
  auto& ok = about->ctl("OK_Button");
  EXPECT_FALSE(ok.enabled());
  EXPECT_FALSE(about->ctl("cmdSystemInfo").visible());
  EXPECT_FALSE(about->ctl("cmdSystemInfo").enabled());
  EXPECT_FALSE(about->userClick(ok));  // nothing closes it before the probe ran
  EXPECT_TRUE(about->isLoaded());

  EventLoop::instance().advance(1);
  EXPECT_TRUE(ok.enabled());
  EXPECT_FALSE(about->timer("SysInfoTimer").isEnabled());  // one shot
  EXPECT_FALSE(EventLoop::instance().isArmed(&about->timer("SysInfoTimer")));
  EXPECT_TRUE(about->userClick(ok));
  EXPECT_TRUE(about->wasUnloaded());
}

TEST_F(AboutFormTest, IsShownModalAndCountsAsALiveObjectOfTheComponent) {
  const auto before = velumor::shared::componentLiveCount().value();
  {
    auto about = velumor::shared::windows::showAboutWindow();
    EXPECT_TRUE(about->isModal());
    EXPECT_TRUE(about->visible());
    const auto modal = Services::headless().requestsOf("modal");
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_EQ(modal[0].text, "VelumorAboutForm");
    EXPECT_EQ(velumor::shared::componentLiveCount().value(), before + 1);
    about->unload();
  }
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), before);
}

TEST_F(AboutFormTest, TextsFollowTheUserLanguage) {
  stampLibrary(2026, 12, 8);
  struct Case {
    const char* lang;
    const char* caption;
    const char* dateLine;
  } cases[] = {{"en", "About RQ4400 (VELUMOR)", "Date:  08-Dec-2026"},
               {"de", "Über RQ4400 (VELUMOR)", "Datum:  08. Dez 2026"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang);
    setLanguage(c.lang);
    auto about = platform::com::makeObject<velumor::shared::windows::VelumorAboutForm>();
    about->ensureLoaded();
    EXPECT_EQ(about->caption(), c.caption);
    EXPECT_EQ(about->ctl("TitleLabel").caption(), "Mirvel Calvenor DTM RQ4400-HART");
    EXPECT_EQ(about->ctl("OK_Button").caption(), "&OK");
    EXPECT_EQ(about->ctl("cmdSystemInfo").caption(), "&System - Info ...");
    const std::string text = about->ctl("VersionLabel").caption();
    const auto lineBreak = text.find("\r\n");
    ASSERT_NE(lineBreak, std::string::npos);
    EXPECT_EQ(text.substr(lineBreak + 2), c.dateLine);
    about->unload();
  }
}

TEST_F(AboutFormTest, VersionIsWrittenWithoutLeadingZeros) {
  auto about = platform::com::makeObject<velumor::shared::windows::VelumorAboutForm>();
  const velumor::shared::ComponentVersion v = velumor::shared::componentVersion();
  const std::string text = about->ctl("VersionLabel").caption();
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Version:  " + std::to_string(v.major) + "." +
                                                   std::to_string(v.minor) + "." +
                                                   std::to_string(v.revision));
  EXPECT_EQ(text.find("Version:  0"), v.major == 0 ? 0u : std::string::npos);
}

TEST_F(AboutFormTest, MissingLibraryFileLeavesTheDateEmpty) {
  auto about = platform::com::makeObject<velumor::shared::windows::VelumorAboutForm>();
  ASSERT_NO_THROW(about->ensureLoaded());
  const std::string text = about->ctl("VersionLabel").caption();
  EXPECT_EQ(text.substr(text.find("\r\n") + 2), "Date:  ");
  EventLoop::instance().advance(1);
  EXPECT_TRUE(about->ctl("OK_Button").enabled());
}

TEST_F(AboutFormTest, PictureIsScaledTo150PixelsKeepingItsAspect) {
  auto about = platform::com::makeObject<velumor::shared::windows::VelumorAboutForm>();
  auto& image = about->ctlAs<platform::ui::BasicControl>("VelumorImage");
  const platform::ui::Picture& picture = image.picture();
  ASSERT_FALSE(picture.empty());
  ASSERT_GT(picture.widthPx, 0);
  EXPECT_FLOAT_EQ(image.width(), 150 * platform::ui::Screen::twipsPerPixelX());
  EXPECT_FLOAT_EQ(image.width(), 2250.0f);
  // The design holds the picture at its own size, so the scaled height keeps its aspect.
  EXPECT_FLOAT_EQ(image.height(), static_cast<float>(2250.0 * picture.heightPx / picture.widthPx));
}

TEST_F(AboutFormTest, NoUsableProgramKeepsTheButtonHidden) {
  const std::string program = makeProgram("sysinfo");
  struct Case {
    const char* what;
    std::optional<SettingValue> value;
  } cases[] = {
      {"nothing registered", std::nullopt},
      {"expandable string", SettingValue{platform::com::setting_type::ExpandString, program}},
      {"number", SettingValue{platform::com::setting_type::DWord, "7"}},
      {"missing file", SettingValue{platform::com::setting_type::String, pathOf("no-such-program")}},
      {"a folder", SettingValue{platform::com::setting_type::String, folder_.string()}},
      {"empty path", SettingValue{platform::com::setting_type::String, ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(SettingsRegistry::defaultPath());
    if (c.value) registerProgram(*c.value);
    auto about = loadedAndProbed();
    EXPECT_FALSE(about->ctl("cmdSystemInfo").visible());
    EXPECT_FALSE(about->ctl("cmdSystemInfo").enabled());
    EXPECT_TRUE(about->ctl("OK_Button").enabled());
    about->unload();
  }
}

TEST_F(AboutFormTest, CorruptSettingsFileStillLetsTheWindowClose) {
  writeFile("settings.json", "{ this is not json");
  auto about = loadedAndProbed();
  EXPECT_FALSE(buttonShown(*about));
  EXPECT_TRUE(about->ctl("OK_Button").enabled());
}

TEST_F(AboutFormTest, RegisteredProgramIsOfferedAndStartedOnEveryClick) {
  const std::string program = makeProgram("sysinfo");
  registerProgram({platform::com::setting_type::String, program});
  auto about = velumor::shared::windows::showAboutWindow();
  EXPECT_FALSE(buttonShown(*about));  // only the tick finds it
  EventLoop::instance().advance(1);
  ASSERT_TRUE(buttonShown(*about));
  EXPECT_EQ(about->ctl("cmdSystemInfo").tag().toString(), program);

  auto& button = about->ctl("cmdSystemInfo");
  EXPECT_TRUE(about->userClick(button));
  EXPECT_TRUE(about->userClick(button));
  const auto started = Services::headless().requestsOf("program");
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0].text, program);
  EXPECT_EQ(started[1].text, program);
  EXPECT_TRUE(about->isLoaded());  // the About window stays open
}

// A shell that cannot start anything (the program was removed or is not executable).
class RefusingShell : public platform::ui::ShellService {
 public:
  void openUrl(const std::string&) override {}
  bool startProgram(const std::string& path) override {
    tried.push_back(path);
    return false;
  }
  std::vector<std::string> tried;
};

TEST_F(AboutFormTest, AProgramThatFailsToStartIsPassedOverQuietly) {
  const std::string program = makeProgram("sysinfo");
  registerProgram({platform::com::setting_type::String, program});
  auto about = velumor::shared::windows::showAboutWindow();
  EventLoop::instance().advance(1);
  ASSERT_TRUE(buttonShown(*about));

  RefusingShell shell;
  Services::install(nullptr, nullptr, nullptr, nullptr, &shell, nullptr);
  const bool taken = about->userClick(about->ctl("cmdSystemInfo"));
  Services::installHeadless();
  EXPECT_TRUE(taken);
  EXPECT_EQ(shell.tried, std::vector<std::string>{program});
  // No run-time error, no message; the window stays open and OK still closes it.
  EXPECT_TRUE(EventLoop::instance().errors().empty());
  EXPECT_TRUE(Services::headless().requestsOf("msgbox").empty());
  EXPECT_TRUE(about->isLoaded());
  EXPECT_TRUE(about->userClick(about->ctl("OK_Button")));
  EXPECT_FALSE(about->isLoaded());
}

TEST_F(AboutFormTest, ProgramPathEndsAtItsFirstNul) {
  const std::string program = makeProgram("sysinfo");
  registerProgram({platform::com::setting_type::String, program + std::string(1, '\0') + "garbage"});
  auto about = loadedAndProbed();
  ASSERT_TRUE(buttonShown(*about));
  EXPECT_EQ(about->ctl("cmdSystemInfo").tag().toString(), program);
}

}  // namespace
}  // namespace velumor::test
