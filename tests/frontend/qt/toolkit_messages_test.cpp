// The toolkit's own warnings stay out of a session's output; what is critical still shows.
#include "frontend/qt/toolkit_messages.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QtGlobal>
#include <string>

namespace {

std::string stderrOf(void (*emit)()) {
  testing::internal::CaptureStderr();
  emit();
  return testing::internal::GetCapturedStderr();
}

class ToolkitMessages : public ::testing::Test {
 protected:
  void TearDown() override {
    qInstallMessageHandler(nullptr);  // the toolkit's default again
    unsetenv("VELUMOR_QT_MESSAGES");
  }
};

TEST_F(ToolkitMessages, WarningsOfTheToolkitAreDroppedCriticalOnesPass) {
  frontend::qt::quietToolkitMessages();
  const std::string out = stderrOf([] {
    qWarning("This plugin does not support raise()");
    qWarning("QStandardPaths: wrong permissions on runtime directory /tmp/x, 0755 instead of 0700");
    qInfo("an informational note");
    qDebug("a debug note");
    qCritical("the window system is gone");
  });
  EXPECT_EQ(out.find("raise()"), std::string::npos) << out;
  EXPECT_EQ(out.find("QStandardPaths"), std::string::npos) << out;
  EXPECT_EQ(out.find("note"), std::string::npos) << out;
  EXPECT_NE(out.find("the window system is gone"), std::string::npos) << out;
}

TEST_F(ToolkitMessages, InstallingTwiceKeepsTheCriticalOnesOnce) {
  frontend::qt::quietToolkitMessages();
  frontend::qt::quietToolkitMessages();
  const std::string out = stderrOf([] { qCritical("only once"); });
  EXPECT_EQ(out.find("only once"), out.rfind("only once"));
  EXPECT_NE(out.find("only once"), std::string::npos);
}

TEST_F(ToolkitMessages, TheEnvironmentLetsEverythingThroughForDebugging) {
  setenv("VELUMOR_QT_MESSAGES", "1", 1);
  frontend::qt::quietToolkitMessages();
  const std::string out = stderrOf([] { qWarning("This plugin does not support raise()"); });
  EXPECT_NE(out.find("raise()"), std::string::npos) << out;
}

}  // namespace
