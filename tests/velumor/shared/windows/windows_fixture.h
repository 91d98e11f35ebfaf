#pragma once
// What every test of the shared windows needs: a private component folder and settings
// file, a chosen user language, the manual clock and fresh headless services.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/res/language.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/temp_dir.h"
#include "velumor/shared/component.h"
#include "velumor/shared/windows/message_form.h"

namespace velumor::test {

// Sets an environment variable for the life of the object and puts the old value back. The
// user language may come from it: it is read again after each change.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    ::setenv(name, value.c_str(), 1);
    platform::res::userLanguageChanged();
  }
  ~ScopedEnv() {
    if (saved_)
      ::setenv(name_, saved_->c_str(), 1);
    else
      ::unsetenv(name_);
    platform::res::userLanguageChanged();
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    velumor::shared::setComponentFolderForTests(folder_);
    settings_.emplace("VELUMOR_SETTINGS", (folder_ / "settings.json").string());
    lang_.emplace("VELUMOR_LANG", "en");
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::EventLoop::instance().clearErrors();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
  }

  void TearDown() override {
    // Message windows close themselves; let them, so no test leaves one behind.
    platform::ui::EventLoop::instance().advance(velumor::shared::windows::MessageForm::kLifeMs + 1);
    EXPECT_EQ(velumor::shared::windows::openMessageWindowCount(), 0u);
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty())
        << platform::ui::EventLoop::instance().errors().front();
    velumor::shared::setComponentFolderForTests({});
    lang_.reset();
    settings_.reset();
  }

  // Another user language from now on; the one before the test comes back at its end.
  void setLanguage(const std::string& lang) { lang_.emplace("VELUMOR_LANG", lang); }

  std::filesystem::path writeFile(const std::string& name, const std::string& bytes) {
    const auto path = folder_ / name;
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return path;
  }

  std::string pathOf(const std::string& name) const { return folder_.string() + "/" + name; }

  testsupport::TempDir temp_{"velumor_windows"};
  std::filesystem::path folder_ = temp_.path();
  std::optional<ScopedEnv> settings_;
  std::optional<ScopedEnv> lang_;
};

}  // namespace velumor::test
