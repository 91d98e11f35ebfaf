#include "velumor/shared/windows/window_files.h"

#include <gtest/gtest.h>

#include "windows_fixture.h"

namespace velumor::test {
namespace {

TEST(MediumDate, GermanAndEnglishForms) {
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 12, 8, 1033), "08-Dec-2026");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 12, 8, 1031), "08. Dez 2026");
  // Every German language id takes the German form; other languages the English one.
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 3, 1, 2055), "01. Mär 2026");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 3, 1, 1036), "01-Mar-2026");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2027, 5, 31, 1031), "31. Mai 2027");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2027, 10, 15, 1031), "15. Okt 2027");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2027, 1, 9, 1033), "09-Jan-2027");
}

TEST(MediumDate, MonthOutsideTheYearGivesNoDate) {
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 0, 1, 1033), "");
  EXPECT_EQ(velumor::shared::windows::mediumDate(2026, 13, 1, 1031), "");
}

using WindowFilesTest = WindowsTest;

TEST_F(WindowFilesTest, FileDateOfAMissingFileOrAFolderIsEmpty) {
  EXPECT_EQ(velumor::shared::windows::fileModifiedMediumDate(folder_ / "nothing.so", 1033), "");
  EXPECT_EQ(velumor::shared::windows::fileModifiedMediumDate(folder_, 1033), "");
  EXPECT_NE(velumor::shared::windows::fileModifiedMediumDate(writeFile("lib.so", "x"), 1033), "");
}

TEST_F(WindowFilesTest, ComponentFilesAreJoinedWithASlash) {
  EXPECT_EQ(velumor::shared::windows::componentFilePath("readme.txt"), folder_.string() + "/readme.txt");
}

}  // namespace
}  // namespace velumor::test
