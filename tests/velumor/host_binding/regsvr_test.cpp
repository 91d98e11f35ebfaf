// velumor-regsvr: registering and unregistering the component library in a class registry.
#include "apps/velumor-regsvr/regsvr.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/registry.h"
#include "tests/platform/com/test_support.h"

namespace {

namespace fs = std::filesystem;
using comtest::EnvGuard;
using comtest::readText;
using comtest::TempDir;
using comtest::writeText;

const fs::path kLibrary = fs::weakly_canonical(VELUMOR_LIBRARY_PATH);
const fs::path kNoEntryLibrary = fs::weakly_canonical(VELUMOR_PLATFORM_PATH);
const fs::path kTool = VELUMOR_REGSVR_PATH;

constexpr char kOther[] =
    R"({"classes": {"Other.Thing": {"library": "/usr/lib/other.so", "clsid": "{o}", "note": "kept"}}, "extra": 1})";

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome runTool(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = regsvr::run(args, out, err);
  return {code, out.str(), err.str()};
}

std::vector<std::string> velumorEntries(const fs::path& registry) {
  platform::com::ClassRegistry reg(registry);
  reg.load();
  std::vector<std::string> out;
  for (const std::string& p : reg.progIds())
    if (reg.find(p)->library == kLibrary) out.push_back(p);
  return out;
}

class RegsvrTest : public ::testing::Test {
 protected:
  void SetUp() override { writeText(registry, kOther); }
  TempDir dir;
  fs::path registry = dir / "registry.json";
};

TEST_F(RegsvrTest, RegisterAddsTheEightClassesAndKeepsOtherEntries) {
  const Outcome o = runTool({"--registry", registry.string(), kLibrary.string()});
  ASSERT_EQ(o.code, regsvr::kOk) << o.err;
  const std::vector<std::string> ours = velumorEntries(registry);
  EXPECT_EQ(ours.size(), 8u);
  for (const std::string& p : ours) EXPECT_NE(o.out.find(p), std::string::npos) << "not reported: " << p;

  platform::com::ClassRegistry reg(registry);
  reg.load();
  ASSERT_TRUE(reg.find("Other.Thing"));
  EXPECT_EQ(reg.find("Other.Thing")->library, "/usr/lib/other.so");
  const std::string text = readText(registry);
  EXPECT_NE(text.find("\"note\""), std::string::npos);  // fields the tool does not know survive
  EXPECT_NE(text.find("\"extra\""), std::string::npos);

  // Registering again changes nothing.
  ASSERT_EQ(runTool({"--registry", registry.string(), kLibrary.string()}).code, regsvr::kOk);
  EXPECT_EQ(velumorEntries(registry), ours);
}

TEST_F(RegsvrTest, UnregisterRemovesOnlyTheComponentsClasses) {
  ASSERT_EQ(runTool({"--registry", registry.string(), kLibrary.string()}).code, regsvr::kOk);
  const Outcome o = runTool({"--unregister", "--registry", registry.string(), kLibrary.string()});
  ASSERT_EQ(o.code, regsvr::kOk) << o.err;
  platform::com::ClassRegistry reg(registry);
  reg.load();
  EXPECT_EQ(reg.progIds(), std::vector<std::string>{"Other.Thing"});
  EXPECT_NE(readText(registry).find("\"note\""), std::string::npos);
}

TEST_F(RegsvrTest, RelativeLibraryPathIsRegisteredAbsolute) {
  const fs::path cwd = fs::current_path();
  fs::current_path(kLibrary.parent_path());
  const Outcome o = runTool({"--registry", registry.string(), kLibrary.filename().string()});
  fs::current_path(cwd);
  ASSERT_EQ(o.code, regsvr::kOk) << o.err;
  EXPECT_EQ(velumorEntries(registry).size(), 8u);
}

TEST_F(RegsvrTest, DefaultRegistryComesFromTheEnvironment) {
  const fs::path fromEnv = dir / "env" / "registry.json";
  EnvGuard guard("VELUMOR_REGISTRY", fromEnv.c_str());
  ASSERT_EQ(runTool({kLibrary.string()}).code, regsvr::kOk);
  EXPECT_EQ(velumorEntries(fromEnv).size(), 8u);
  EXPECT_EQ(readText(registry), kOther);  // the other file was not touched
}

TEST_F(RegsvrTest, MissingLibraryIsReportedWithItsPath) {
  const fs::path missing = dir / "libnothing.so";
  const Outcome o = runTool({"--registry", registry.string(), missing.string()});
  EXPECT_EQ(o.code, regsvr::kNoLibrary);
  EXPECT_NE(o.err.find(missing.string()), std::string::npos) << o.err;
  EXPECT_EQ(readText(registry), kOther);
}

TEST_F(RegsvrTest, FileThatIsNoLibraryIsReported) {
  const fs::path bogus = dir / "libbogus.so";
  writeText(bogus, "not an ELF file");
  const Outcome o = runTool({"--registry", registry.string(), bogus.string()});
  EXPECT_EQ(o.code, regsvr::kNoLibrary);
  EXPECT_NE(o.err.find("cannot load"), std::string::npos) << o.err;
}

TEST_F(RegsvrTest, LibraryWithoutEntryPointIsReported) {
  for (const bool unregister : {false, true}) {
    std::vector<std::string> args = {"--registry", registry.string(), kNoEntryLibrary.string()};
    if (unregister) args.insert(args.begin(), "--unregister");
    const Outcome o = runTool(args);
    EXPECT_EQ(o.code, regsvr::kNoEntryPoint);
    EXPECT_NE(o.err.find(unregister ? "PlatUnregisterServer" : "PlatRegisterServer"), std::string::npos)
        << o.err;
  }
  EXPECT_EQ(readText(registry), kOther);
}

TEST_F(RegsvrTest, UnwritableRegistryIsReported) {
  // A folder that cannot be made: its parent is a plain file (refused even to root).
  const fs::path blocker = dir / "blocker";
  writeText(blocker, "x");
  const fs::path unwritable = blocker / "registry.json";
  const Outcome o = runTool({"--registry", unwritable.string(), kLibrary.string()});
  EXPECT_EQ(o.code, regsvr::kRegistryFailed);
  EXPECT_NE(o.err.find(unwritable.string()), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("failed"), std::string::npos) << o.err;
}

TEST_F(RegsvrTest, CorruptRegistryIsLeftAsItWas) {
  writeText(registry, "{ not json");
  const Outcome o = runTool({"--registry", registry.string(), kLibrary.string()});
  EXPECT_EQ(o.code, regsvr::kRegistryFailed);
  EXPECT_NE(o.err.find(registry.string()), std::string::npos) << o.err;
  EXPECT_EQ(readText(registry), "{ not json");
  EXPECT_EQ(runTool({"--unregister", "--registry", registry.string(), kLibrary.string()}).code,
            regsvr::kRegistryFailed);
  EXPECT_EQ(readText(registry), "{ not json");
}

TEST_F(RegsvrTest, BadCommandLinesAreUsageErrors) {
  EXPECT_EQ(runTool({}).code, regsvr::kUsage);
  EXPECT_EQ(runTool({"--registry"}).code, regsvr::kUsage);
  EXPECT_EQ(runTool({"--frobnicate", kLibrary.string()}).code, regsvr::kUsage);
  EXPECT_EQ(runTool({kLibrary.string(), kLibrary.string()}).code, regsvr::kUsage);
  const Outcome help = runTool({"--help"});
  EXPECT_EQ(help.code, regsvr::kOk);
  EXPECT_NE(help.out.find("usage: velumor-regsvr"), std::string::npos);
  EXPECT_EQ(readText(registry), kOther);
}

TEST_F(RegsvrTest, EachFailureSaysWhatFailedFirst) {
  const fs::path missing = dir / "libmissing.so";
  const fs::path notALibrary = dir / "plain.txt";
  writeText(notALibrary, "text");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string firstLine;  // what the user reads first on the error stream
  };
  const std::vector<Case> cases{
      {{}, regsvr::kUsage, "velumor-regsvr: no library given"},
      {{"--registry"}, regsvr::kUsage, "velumor-regsvr: --registry needs a file name"},
      {{"--frobnicate", kLibrary.string()}, regsvr::kUsage, "velumor-regsvr: unknown option --frobnicate"},
      {{kLibrary.string(), kLibrary.string()}, regsvr::kUsage, "velumor-regsvr: only one library at a time"},
      {{"--registry", registry.string(), missing.string()},
       regsvr::kNoLibrary,
       "velumor-regsvr: library not found: " + missing.string()},
      {{"--registry", registry.string(), notALibrary.string()},
       regsvr::kNoLibrary,
       "velumor-regsvr: cannot load " + notALibrary.string() + ": "},
      {{"--registry", registry.string(), kNoEntryLibrary.string()},
       regsvr::kNoEntryPoint,
       "velumor-regsvr: " + kNoEntryLibrary.string() + " is not a component library: it has no entry point "},
  };
  for (const Case& c : cases) {
    const Outcome o = runTool(c.args);
    EXPECT_EQ(o.code, c.code) << o.err;
    EXPECT_EQ(o.err.rfind(c.firstLine, 0), 0u) << o.err;
    EXPECT_TRUE(o.out.empty()) << o.out;
  }
  EXPECT_EQ(readText(registry), kOther) << "a failure leaves the registry as it was";
}

int exitCodeOf(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegsvrTest, ToolExitsWithItsStatus) {
  const std::string tool = "'" + kTool.string() + "'";
  EXPECT_EQ(
      exitCodeOf(tool + " --registry '" + registry.string() + "' '" + kLibrary.string() + "' >/dev/null"),
      regsvr::kOk);
  EXPECT_EQ(velumorEntries(registry).size(), 8u);
  EXPECT_EQ(exitCodeOf(tool + " --registry '" + registry.string() + "' /no/such/libvelumor.so 2>/dev/null"),
            regsvr::kNoLibrary);
  EXPECT_EQ(exitCodeOf(tool + " --unregister --registry '" + registry.string() + "' '" + kLibrary.string() +
                       "' >/dev/null"),
            regsvr::kOk);
  EXPECT_TRUE(velumorEntries(registry).empty());
}

}  // namespace
