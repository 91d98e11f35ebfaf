// Replacing a file whole: its mode survives, a planted link is never written through, and a
// write killed at any moment leaves the old file or the new one and nothing beside it.
#include "platform/com/file_replace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

#include "tests/platform/com/test_support.h"

using comtest::readText;
using comtest::TempDir;
using comtest::writeText;
using platform::com::replaceFileContents;

namespace {

std::set<std::string> namesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.insert(e.path().filename().string());
  return names;
}

mode_t modeOf(const std::filesystem::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 07777;
}

TEST(FileReplace, KeepsTheModeOfTheFileItReplacesAndMasksANewOne) {
  TempDir dir;
  const auto path = dir / "f.json";
  const mode_t mask = ::umask(022);
  EXPECT_EQ(replaceFileContents(path, "one", 0666), 0);
  EXPECT_EQ(modeOf(path), 0644u);
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(replaceFileContents(path, "two", 0666), 0);
  EXPECT_EQ(modeOf(path), 0600u);
  ::chmod(path.c_str(), 0640);
  EXPECT_EQ(replaceFileContents(path, "three", 0666), 0);
  ::umask(mask);
  EXPECT_EQ(modeOf(path), 0640u);
  EXPECT_EQ(readText(path), "three");
  EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"f.json"});
}

TEST(FileReplace, ALinkAtTheTargetIsReplacedNotWrittenThrough) {
  TempDir dir;
  writeText(dir / "victim", "precious");
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "f.json").c_str()), 0);
  EXPECT_EQ(replaceFileContents(dir / "f.json", "new", 0644), 0);
  EXPECT_EQ(readText(dir / "victim"), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "f.json"));
  EXPECT_EQ(readText(dir / "f.json"), "new");
}

TEST(FileReplace, AFailureLeavesTheTargetAndNoTemporaryFile) {
  TempDir dir;
  EXPECT_EQ(replaceFileContents(dir / "missing" / "f", "x", 0644), ENOENT);
  std::filesystem::create_directory(dir / "folder");
  writeText(dir / "folder" / "inside", "kept");
  EXPECT_NE(replaceFileContents(dir / "folder", "x", 0644), 0) << "a folder is not replaced by a file";
  EXPECT_EQ(readText(dir / "folder" / "inside"), "kept");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(replaceFileContents(dir / "pipe", "x", 0644), EINVAL)
      << "a pipe or device is not swapped for a file";
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe"));
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"folder", "pipe"}));
}

// Kills at spread-out moments of a large write: each leaves the whole old or the whole new
// contents, and never a partial file beside the target.
TEST(FileReplace, AKilledWriteLeavesNothingBesideTheTarget) {
  TempDir dir;
  const auto path = dir / "report.prn";
  const std::string before(1 << 20, 'o');
  const std::string after(8 << 20, 'n');
  writeText(path, before);
  for (int k = 0; k < 12; ++k) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) replaceFileContents(path, after, 0644);
    }
    ::usleep(static_cast<useconds_t>(2000 + 3000 * k));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"report.prn"}) << "kill " << k;
    const std::string now = readText(path);
    EXPECT_TRUE(now == before || now == after) << "kill " << k << ": " << now.size() << " octets";
  }
}

}  // namespace
