// Runs the rescomp program the way the build does: exit status, messages, output file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class RescompTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("rescomp_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs rescomp with the arguments; returns its exit status and keeps its stderr.
  int run(const std::string& args) {
    const fs::path err = dir_ / "stderr.txt";
    const std::string command =
        std::string("\"") + RESCOMP_EXE + "\" " + args + " 2> \"" + err.string() + "\"";
    const int status = std::system(command.c_str());
    errors_ = read(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string errors_;
};

TEST_F(RescompTool, DuplicateIdFailsWithFileAndLine) {
  const std::string source = write("de.txt", "LANGUAGE 1031\n1 \"a\"\n1 \"b\"\n");
  const std::string out = (dir_ / "out.cpp").string();
  EXPECT_EQ(run("--symbol s --output \"" + out + "\" \"" + source + "\""), 1);
  EXPECT_NE(errors_.find("de.txt:3: error: string 1 is defined twice"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(out)) << "no output after a failure";
}

TEST_F(RescompTool, MalformedLineFailsWithItsLineNumber) {
  const std::string source = write("en.txt", "LANGUAGE 1033\n\n# c\n4 four\n");
  EXPECT_EQ(run("\"" + source + "\""), 1);
  EXPECT_NE(errors_.find("en.txt:4: error: malformed line"), std::string::npos) << errors_;
}

TEST_F(RescompTool, WritesTheGeneratedSource) {
  const std::string en = write("en.txt", "LANGUAGE 1033\n5 \"Hi\"\n");
  const std::string de = write("de.txt", "LANGUAGE 1031\n5 \"Hallo\"\n");
  const fs::path out = dir_ / "out.cpp";
  EXPECT_EQ(run("--symbol app::strings --output \"" + out.string() + "\" \"" + de + "\" \"" + en + "\""), 0)
      << errors_;
  EXPECT_TRUE(errors_.empty()) << errors_;
  const std::string text = read(out);
  EXPECT_NE(text.find("from de.txt en.txt"), std::string::npos);
  EXPECT_NE(text.find("namespace app {"), std::string::npos);
  EXPECT_NE(text.find("{1031, 1, kUnits_1031_1, "), std::string::npos);
  EXPECT_NE(text.find("{1033, 1, kUnits_1033_1, "), std::string::npos);
}

TEST_F(RescompTool, OneLanguageIdWarnsAndFailsOnlyWhenAskedTo) {
  const std::string en = write("en.txt", "LANGUAGE 1033\n5 \"Hi\"\n");
  const std::string de = write("de.txt", "LANGUAGE 1031\n5 \"Hallo\"\n6 \"nur\"\n");
  const std::string sources = " \"" + de + "\" \"" + en + "\"";
  EXPECT_EQ(run(sources), 0);
  EXPECT_NE(errors_.find("de.txt:3: warning: string 6 is defined in language 1031 only"), std::string::npos)
      << errors_;
  EXPECT_EQ(run("--warnings-as-errors" + sources), 1);

  const std::string allow = write("ok.txt", "# German only\n6\n");
  EXPECT_EQ(run("--warnings-as-errors --one-language-ok \"" + allow + "\"" + sources), 0) << errors_;
  EXPECT_TRUE(errors_.empty()) << errors_;
}

TEST_F(RescompTool, BadCommandLinesAreRefused) {
  const std::string en = write("en.txt", "LANGUAGE 1033\n");
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(run("--frobnicate \"" + en + "\""), 2);
  EXPECT_EQ(run("--output \"" + (dir_ / "o.cpp").string() + "\" \"" + en + "\""), 2)
      << "output needs a symbol";
  EXPECT_EQ(run("--symbol 9bad --output \"" + (dir_ / "o.cpp").string() + "\" \"" + en + "\""), 2);
  EXPECT_EQ(run("\"" + (dir_ / "missing.txt").string() + "\""), 1);
  EXPECT_NE(errors_.find("missing.txt: error: cannot read the file"), std::string::npos) << errors_;
}

}  // namespace
