// The QApplication the front end's tests draw with: created once for the whole run (the
// front end itself never creates one).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <string>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Offscreen unless the caller chose a platform, with a runtime folder of our own: the
    // tests draw no window on anybody's display and need none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
      std::filesystem::path dir =
          std::filesystem::temp_directory_path() / ("frontend-qt-test-" + std::to_string(::getpid()));
      std::error_code ec;
      std::filesystem::create_directories(dir, ec);
      std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
      qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.string()));
      runtimeDir_ = dir;
    }
    static int argc = 1;
    static char name[] = "frontend_qt_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velumor test"));
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
    std::error_code ec;
    if (!runtimeDir_.empty()) std::filesystem::remove_all(runtimeDir_, ec);
  }

 private:
  QApplication* app_ = nullptr;
  std::filesystem::path runtimeDir_;
};

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
