// The "inject" script command: how it reads its response code, what it hands the host, and
// what the simulated host makes of it when a sequence runs the record.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "apps/host_core/script_runner.h"
#include "apps/host_core/session_host.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/temp_dir.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/rq4400_simulator.h"

using namespace host_core;
using platform::com::Ptr;
using platform::com::Variant;

namespace {

// A host that only takes injections and remembers them.
class InjectHost : public HostApi {
 public:
  Result<Ptr<tolvar::View>> openView(const std::string&) override {
    return Status::fail(Reason::Unsupported, "no views");
  }
  void destroyView(const Ptr<tolvar::View>&) override {}
  std::vector<Ptr<tolvar::View>> hostOpenedViews() override { return {}; }
  Status setItem(const std::string&, const Variant&, bool) override { return {}; }
  Status setBytes(const std::string&, const platform::com::ByteArray&) override { return {}; }
  std::optional<Variant> itemValue(const std::string&) override { return std::nullopt; }
  std::string itemsJson() override { return "{}"; }
  Result<std::string> frame(const std::string&, const std::vector<std::string>&) override {
    return Status::fail(Reason::Unsupported, "no frame");
  }
  Status scenario(const std::string&) override { return Status::fail(Reason::Unsupported, "no scenarios"); }
  Status injectResponse(const std::string& record, uint8_t code) override {
    if (record == "UNKNOWN") return Status::fail(Reason::NotFound, "There is no record \"UNKNOWN\"");
    injected.emplace_back(record, code);
    return {};
  }
  std::vector<std::pair<std::string, uint8_t>> injected;
};

// Only what every host must have: injection is left to the default.
class PlainHost : public InjectHost {
 public:
  Status injectResponse(const std::string& record, uint8_t code) override {
    return HostApi::injectResponse(record, code);
  }
};

template <class Host>
int run(Host& host, const std::string& script, std::string* output = nullptr) {
  platform::ui::EventLoop::instance().useManualClock();
  platform::ui::Services::headless().reset();
  std::ostringstream out;
  ScriptRunner r(host, out);
  const int failures = r.runText(script);
  if (output) *output = out.str();
  return failures;
}

TEST(InjectCommand, TakesDecimalAndHexCodesOfOneOctet) {
  InjectHost host;
  std::string out;
  EXPECT_EQ(
      run(host, "inject REC_A 3\ninject REC_B &H81\ninject REC_C &hff\ninject REC_D 0\ninject REC_E 255\n",
          &out),
      0)
      << out;
  const std::vector<std::pair<std::string, uint8_t>> expected{
      {"REC_A", 3}, {"REC_B", 0x81}, {"REC_C", 0xFF}, {"REC_D", 0}, {"REC_E", 255}};
  EXPECT_EQ(host.injected, expected);
}

TEST(InjectCommand, RefusesWhatIsNoOctetAndMissingArguments) {
  for (const char* bad :
       {"inject R 256", "inject R &H100", "inject R -1", "inject R 0x81", "inject R &H", "inject R 3.0",
        "inject R \"\"", "inject R", "inject", "inject R &HG1", "inject R 99999999999999999999"}) {
    InjectHost host;
    std::string out;
    EXPECT_EQ(run(host, std::string(bad) + "\n", &out), 1) << bad;
    EXPECT_TRUE(host.injected.empty()) << bad;
    EXPECT_NE(out.find("FAIL line 1"), std::string::npos) << out;
  }
  InjectHost host;
  std::string out;
  EXPECT_EQ(run(host, "inject R 300\n", &out), 1);
  EXPECT_NE(out.find("'300' is no response code"), std::string::npos) << out;
}

TEST(InjectCommand, TheHostsRefusalFailsTheLine) {
  InjectHost host;
  std::string out;
  EXPECT_EQ(run(host, "inject UNKNOWN 3\n", &out), 1);
  EXPECT_NE(out.find("There is no record \"UNKNOWN\""), std::string::npos) << out;

  PlainHost plain;
  EXPECT_EQ(run(plain, "inject REC 3\n", &out), 1);
  EXPECT_NE(out.find("cannot inject"), std::string::npos) << out;
  EXPECT_TRUE(plain.injected.empty());
}

// ---------------------------------------------------------------- against the simulated host

class InjectSession : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ui::EventLoop::instance().useManualClock();
    tolvar::sim::HostOptions o;
    o.deviceFile = VELUMOR_DEVICE_FILE;
    o.databaseFile = dir_ / "data.sqlite";
    o.registryFile = dir_ / "registry.json";
    session_ = std::make_unique<tolvar::sim::HostSession>(o);
    host_ = std::make_unique<SimulatedHost>(*session_);
  }
  void TearDown() override {
    host_.reset();
    session_.reset();
  }
  testsupport::TempDir temp_{"host_core"};
  std::filesystem::path dir_ = temp_.path();
  std::unique_ptr<tolvar::sim::HostSession> session_;
  std::unique_ptr<SimulatedHost> host_;
};

TEST_F(InjectSession, AKnownRecordIsArmedAndAnUnknownOneRefused) {
  const auto unknown = host_->injectResponse("HART_COMMAND_999_READ", 3);
  EXPECT_EQ(unknown.reason(), Reason::NotFound);
  EXPECT_EQ(unknown.text(), "There is no record \"HART_COMMAND_999_READ\"");
  EXPECT_FALSE(session_->simulator().hasInjectedResponse("HART_COMMAND_999_READ"));

  // Record names match without regard to case, as everywhere in the host.
  const auto armed = host_->injectResponse("hart_command_048_readoctets", 3);
  EXPECT_TRUE(armed.ok()) << armed.text();
  EXPECT_TRUE(armed.text().empty());
  EXPECT_TRUE(session_->simulator().hasInjectedResponse("HART_COMMAND_048_ReadOctets"));
}

TEST_F(InjectSession, TheNextRunOfTheRecordAnswersWithTheCodeAndOnlyThatRun) {
  // Nobody supervises the record, so the host decides: code 3 fails the run, and the code is
  // gone afterwards, so the next run succeeds.
  std::string out;
  const int failures = run(*host_,
                           "frame Connect\n"
                           "run 400\n"
                           "inject HART_COMMAND_048_ReadOctets &H03\n"
                           "frame StartSequence GET_TRANSMITTER_STATE_Octets\n"
                           "run 500\n"
                           "expect-item &&Sequence_State&&GET_TRANSMITTER_STATE_Octets 256\n"
                           "expect-item LastCommandResponseSummary 3\n"
                           "expect-item &&Record_Response&&HART_COMMAND_048_ReadOctets 03 00 00 00 00 05\n"
                           "frame StartSequence GET_TRANSMITTER_STATE_Octets\n"
                           "run 500\n"
                           "expect-item &&Sequence_State&&GET_TRANSMITTER_STATE_Octets 0\n"
                           "expect-item LastCommandResponseSummary 0\n",
                           &out);
  EXPECT_EQ(failures, 0) << out;
  EXPECT_FALSE(session_->simulator().hasInjectedResponse("HART_COMMAND_048_ReadOctets"));
}

}  // namespace
