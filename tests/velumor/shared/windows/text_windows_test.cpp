#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ui/services.h"
#include "tests/support/kit_access.h"
#include "tests/support/windows_close_at_the_end.h"
#include "velumor/shared/windows/soft_service_form.h"
#include "velumor/shared/windows/txt_file_form.h"
#include "windows_fixture.h"

namespace velumor::test {
namespace {

using TextWindowsTest = WindowsTest;

platform::com::Ptr<velumor::shared::windows::TxtFileForm> readMe(const std::string& title,
                                                                 const std::string& name) {
  auto window = platform::com::makeObject<velumor::shared::windows::TxtFileForm>();
  window->chooseFile(name, title);
  window->show();
  return window;
}

platform::com::Ptr<velumor::shared::windows::SoftServiceForm> service(const std::string& name) {
  auto window = platform::com::makeObject<velumor::shared::windows::SoftServiceForm>();
  window->prpTextFile(name);
  return window;
}

TEST_F(TextWindowsTest, ReadMeCaptionIsTitleAndGivenNameAndTheNameBecomesTheFullPath) {
  writeFile("notes.txt", "one\n");
  auto window = readMe("RQ4400 (VELUMOR) - ", "notes.txt");
  EXPECT_EQ(window->caption(), "RQ4400 (VELUMOR) - notes.txt");
  EXPECT_EQ(velumor::view_window::TestAccess<velumor::shared::windows::TxtFileForm>::textFileName(*window),
            pathOf("notes.txt"));
  EXPECT_FALSE(window->isModal());
}

TEST_F(TextWindowsTest, ReadMeEndsEveryLineInCrLf) {
  struct Case {
    const char* what;
    std::string file;
    std::string shown;
  } cases[] = {
      {"empty file", "", ""},
      {"last line without line break", "first\nlast", "first\r\nlast\r\n"},
      {"last line with line break", "first\nlast\n", "first\r\nlast\r\n"},
      {"CR LF file is not doubled", "first\r\nlast\r\n", "first\r\nlast\r\n"},
      {"empty lines are kept", "a\n\n\nb", "a\r\n\r\n\r\nb\r\n"},
      {"a lone line break", "\n", "\r\n"},
      {"lone CR ends a line", "a\rb", "a\r\nb\r\n"},
      {"text is passed as it is", "Grüße\tTab", "Grüße\tTab\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile("readme.txt", c.file);
    auto window = readMe("T - ", "readme.txt");
    EXPECT_EQ(window->ctl("FileTxt").text(), c.shown);
    window->unload();
  }
}

TEST_F(TextWindowsTest, MissingReadMeShowsNotFoundAndTheFullPathInTheUserLanguage) {
  auto window = readMe("T - ", "readme.txt");
  EXPECT_EQ(window->ctl("FileTxt").text(), "file not found: " + pathOf("readme.txt"));
  window->unload();

  setLanguage("de");
  window = readMe("T - ", "readme_de.txt");
  EXPECT_EQ(window->ctl("FileTxt").text(), "Datei nicht gefunden: " + pathOf("readme_de.txt"));

  // A folder of that name is no file either.
  std::filesystem::create_directory(folder_ / "folder.txt");
  window = readMe("T - ", "folder.txt");
  EXPECT_EQ(window->ctl("FileTxt").text(), "Datei nicht gefunden: " + pathOf("folder.txt"));
}

TEST_F(TextWindowsTest, ReadMeCommandOpensTheFileOfTheUserLanguage) {
  writeFile("readme.txt", "english");
  writeFile("readme_de.txt", "deutsch");
  auto en = velumor::shared::windows::showReadMeWindow();
  EXPECT_EQ(en->caption(), "RQ4400 (VELUMOR) - readme.txt");
  EXPECT_EQ(en->ctl("FileTxt").text(), "english\r\n");
  EXPECT_TRUE(en->visible());

  setLanguage("de");
  auto de = velumor::shared::windows::showReadMeWindow();
  EXPECT_EQ(de->caption(), "RQ4400 (VELUMOR) - readme_de.txt");
  EXPECT_EQ(de->ctl("FileTxt").text(), "deutsch\r\n");
}

TEST_F(TextWindowsTest, ServiceFileIsShownWholeAndUnchanged) {
  const std::string content = "Name  :\r\nFirma :\nStraße\n\nend without break";
  writeFile("Service001.txt", content);
  EXPECT_EQ(service("Service001.txt")->ctl("FileTxt").text(), content);
  writeFile("Service001.txt", "");
  EXPECT_EQ(service("Service001.txt")->ctl("FileTxt").text(), "");
}

TEST_F(TextWindowsTest, UnreadableServiceFileShowsTheErrorAndTheFullPath) {
  EXPECT_EQ(service("Service001.txt")->ctl("FileTxt").text(),
            "File not found\r\n" + pathOf("Service001.txt"));
  EXPECT_EQ(service("missing/Service001.txt")->ctl("FileTxt").text(),
            "File not found\r\n" + pathOf("missing/Service001.txt"));
  std::filesystem::create_directory(folder_ / "Service049.txt");
  EXPECT_EQ(service("Service049.txt")->ctl("FileTxt").text(),
            "Path/File access error\r\n" + pathOf("Service049.txt"));
  writeFile("plain", "x");
  EXPECT_EQ(service("plain/Service001.txt")->ctl("FileTxt").text(),
            "Path not found\r\n" + pathOf("plain/Service001.txt"));
}

TEST_F(TextWindowsTest, ServiceFileWithoutPermissionShowsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const auto path = writeFile("Service001.txt", "secret");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  EXPECT_EQ(service("Service001.txt")->ctl("FileTxt").text(),
            "Permission denied\r\n" + pathOf("Service001.txt"));
}

TEST_F(TextWindowsTest, ServiceWindowTextsByLanguage) {
  struct Case {
    const char* lang;
    const char* label0;
    const char* label1;
    const char* content;
  } cases[] = {
      {"en", "Please send your questions, notes and problem descriptions to support@velumor.example",
       "Please add the following informations concerning your person and the application:", "english form"},
      {"de", "Bitte senden Sie Ihre Fragen, Hinweise und Problembeschreibungen an support@velumor.example",
       "Ergänzen Sie bitte folgende Angaben zu Ihrer Person und der Applikation:", "deutsches Formular"},
  };
  writeFile("Service001.txt", "english form");
  writeFile("Service049.txt", "deutsches Formular");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang);
    setLanguage(c.lang);
    auto window = velumor::shared::windows::showSoftServiceWindow();
    EXPECT_TRUE(window->visible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->caption(), "Software Service");  // the menu entry without its access key
    EXPECT_EQ(window->ctl("Label1", 0).caption(), c.label0);
    EXPECT_EQ(window->ctl("Label1", 1).caption(), c.label1);
    EXPECT_EQ(window->ctl("FileTxt").text(), c.content);
    EXPECT_TRUE(window->userClick(window->ctl("OK_SoftwareService")));
    EXPECT_TRUE(window->wasUnloaded());
  }
}

TEST_F(TextWindowsTest, ServiceFileSetOnAClosedWindowRaisesNothing) {
  auto window = service("Service001.txt");
  window->unload();
  EXPECT_NO_THROW(window->prpTextFile("Service001.txt"));
  EXPECT_FALSE(window->isLoaded());
}

// The files the build puts beside the library: each exists, and each tells how to reach
// the maintainers.
TEST(InstalledComponentFiles, LieBesideTheLibraryAndNameTheSupportAddress) {
  const std::filesystem::path bin = VELUMOR_BIN_DIR;
  for (const char* name :
       {"readme.txt", "readme_de.txt", "Service001.txt", "Service049.txt", "VR_EN.HLP", "VR_GE.HLP"}) {
    SCOPED_TRACE(name);
    std::ifstream in(bin / name, std::ios::binary);
    ASSERT_TRUE(in.is_open());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_GT(text.str().size(), 100u);
    EXPECT_NE(text.str().find("support@velumor.example"), std::string::npos);
  }
}

}  // namespace
}  // namespace velumor::test
