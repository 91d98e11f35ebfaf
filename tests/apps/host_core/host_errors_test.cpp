// What a user reads when the host refuses something: a script line against the simulated host
// fails with a text that names what failed (item, record, class, operation, data set, file), and
// a session does not start on a device description that cannot be loaded.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/host_core/script_runner.h"
#include "apps/host_core/session_host.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/status.h"

using namespace host_core;

namespace {

class HostErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "host_errors_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::Services::headless().reset();
    options_.deviceFile = VELUMOR_DEVICE_FILE;
    options_.databaseFile = dir_ / "data.sqlite";
    options_.registryFile = dir_ / "registry.json";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // Runs one script line in a fresh session and returns what the runner printed.
  std::string runLine(const std::string& line) {
    auto session = tolvar::sim::HostSession::open(options_);
    EXPECT_TRUE(session.ok()) << session.text();
    if (!session) return {};
    SimulatedHost host(*session.value());
    std::ostringstream out;
    ScriptRunner runner(host, out);
    runner.runText(line + "\n", "errors.vhs");
    return out.str();
  }
  std::filesystem::path dir_;
  tolvar::sim::HostOptions options_;
};

}  // namespace

TEST_F(HostErrors, AFailedLineNamesWhatFailed) {
  struct Case {
    std::string line;
    std::string message;  // the second line of the failure, as printed
  };
  const std::vector<Case> cases{
      {"set NO_SUCH_ITEM 1", "There is no item \"NO_SUCH_ITEM\""},
      {"shadow NO_SUCH_ITEM 1", "There is no item \"NO_SUCH_ITEM\""},
      {"set ADD_TRANSMITTER_STATE_STATE 1",
       "The item \"ADD_TRANSMITTER_STATE_STATE\" holds octets: write them as bytes"},
      {"bytes NO_SUCH_ITEM 01", "There is no item \"NO_SUCH_ITEM\""},
      {"bytes DAMPING_VALUE 01", "The item \"DAMPING_VALUE\" holds no octets"},
      {"inject NO_SUCH_RECORD 3", "There is no record \"NO_SUCH_RECORD\""},
      {"frame Explode", "frame operation \"Explode\": Run-time error 438: "},
      {"frame Connect 0 1", "frame operation \"Connect\": Run-time error 450: "},
      {"scenario meltdown", "Unknown scenario \"meltdown\" (known: normal, "},
      {"open Nobody.NothingClass",
       "cannot open 'Nobody.NothingClass': Cannot create object 'Nobody.NothingClass'"},
  };
  for (const Case& c : cases) {
    const std::string out = runLine(c.line);
    const std::string expected = "FAIL line 1: " + c.line + "\n  " + c.message;
    EXPECT_EQ(out.rfind(expected, 0), 0u) << "line: " << c.line << "\nprinted:\n" << out;
    EXPECT_NE(out.find("FAILED errors.vhs (1 failure)"), std::string::npos) << out;
  }
}

TEST_F(HostErrors, ARefusedDatabaseNamesTheSetAndTheFile) {
  // A folder where the database file should be: the save is refused and says why.
  options_.databaseFile = dir_ / "folder.sqlite";
  std::filesystem::create_directories(options_.databaseFile);
  const std::string out = runLine("frame SaveToDatabase");
  const std::string status = std::to_string(tolvar::sim::kStatusDatabase);
  EXPECT_NE(out.find("frame SaveToDatabase: " + status + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("host: The data set \"default\" could not be saved to "), std::string::npos) << out;
  EXPECT_NE(out.find("folder.sqlite"), std::string::npos) << out;
  EXPECT_NE(out.find(": it is a folder, not a file. Nothing stored there was changed.\n"), std::string::npos)
      << out;

  // Loading a set nobody saved names the set and says there is none.
  options_.databaseFile = dir_ / "empty.sqlite";
  const std::string load = runLine("frame LoadFromDatabase");
  EXPECT_NE(load.find("host: The data set \"default\" could not be loaded from "), std::string::npos) << load;
  EXPECT_NE(load.find("the file does not exist (no data set has been saved yet)"), std::string::npos) << load;
}

TEST_F(HostErrors, ABadDeviceFileStopsTheSessionAndNamesFileAndEntry) {
  struct Case {
    std::string name;
    std::string text;
    std::string message;  // after "<file>: "
  };
  const std::vector<Case> cases{
      {"malformed.json", "{\n  \"format\": 1,\n  \"device\": \n}", "malformed JSON"},
      {"wrongformat.json", "{\"format\": 2}", "\"format\": must be the number 1"},
      {"array.json", "[]", "the document: must be a JSON object"},
  };
  for (const Case& c : cases) {
    options_.deviceFile = dir_ / c.name;
    std::ofstream(options_.deviceFile) << c.text;
    const auto session = tolvar::sim::HostSession::open(options_);
    ASSERT_FALSE(session.ok()) << c.name;
    EXPECT_EQ(session.reason(), Reason::BadFile) << c.name;
    EXPECT_EQ(session.text().rfind(options_.deviceFile.string() + ": " + c.message, 0), 0u) << session.text();
  }
  // Malformed JSON says on which line.
  options_.deviceFile = dir_ / "malformed.json";
  EXPECT_NE(tolvar::sim::HostSession::open(options_).text().find("line 4"), std::string::npos);

  options_.deviceFile = dir_ / "missing.json";
  const auto missing = tolvar::sim::HostSession::open(options_);
  EXPECT_EQ(missing.reason(), Reason::BadFile);
  EXPECT_EQ(missing.text(), options_.deviceFile.string() + ": cannot be opened");
  // The constructor says the same, for code that cannot go on without a session.
  try {
    tolvar::sim::HostSession s(options_);
    ADD_FAILURE() << "a session started without a device description";
  } catch (const tolvar::BadResultAccess& e) {
    EXPECT_EQ(e.failure().text(), missing.text());
    EXPECT_NE(std::string(e.what()).find(missing.text()), std::string::npos) << e.what();
  }
}
