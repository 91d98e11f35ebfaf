// The command-line parser the host and the fuzzer share: what it takes, and how it refuses.
#include "apps/host_core/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

using host_core::CommandLine;

namespace {

struct Parsed {
  std::string out = ".";
  bool offscreen = false;
  int quitAfter = 0;
  uint64_t seed = 1;
  double seconds = 60;
  std::vector<std::string> views;
  CommandLine::Outcome outcome{};
  std::string error;
};

Parsed parse(std::vector<const char*> args) {
  Parsed p;
  CommandLine cl("prog");
  cl.text("--out", p.out)
      .flag("--offscreen", p.offscreen)
      .number("--quit-after", p.quitAfter, 1, 86400000)
      .number<uint64_t>("--seed", p.seed, 0, UINT64_MAX)
      .number("--seconds", p.seconds, 0.0, 1e9)
      .texts("--view", p.views);
  args.insert(args.begin(), "prog");
  std::ostringstream err;
  p.outcome = cl.parse(static_cast<int>(args.size()), args.data(), err);
  p.error = err.str();
  return p;
}

TEST(CommandLine, TakesValuesSwitchesAndRepeatedOptionsInAnyOrder) {
  const Parsed p = parse({"--view", "A.B", "--offscreen", "--out", "dir", "--quit-after", "1500", "--view",
                          "C.D", "--seed", "18446744073709551615", "--seconds", "2.5"});
  EXPECT_EQ(p.outcome, CommandLine::Outcome::Run) << p.error;
  EXPECT_EQ(p.out, "dir");
  EXPECT_TRUE(p.offscreen);
  EXPECT_EQ(p.quitAfter, 1500);
  EXPECT_EQ(p.seed, UINT64_MAX);
  EXPECT_DOUBLE_EQ(p.seconds, 2.5);
  EXPECT_EQ(p.views, (std::vector<std::string>{"A.B", "C.D"}));
  // Nothing given leaves every default alone.
  const Parsed none = parse({});
  EXPECT_EQ(none.outcome, CommandLine::Outcome::Run);
  EXPECT_EQ(none.out, ".");
  EXPECT_EQ(none.seed, 1u);
}

TEST(CommandLine, HelpStopsReadingWhereverItStands) {
  EXPECT_EQ(parse({"--help"}).outcome, CommandLine::Outcome::Help);
  EXPECT_EQ(parse({"--out", "x", "-h", "--bogus"}).outcome, CommandLine::Outcome::Help);
}

TEST(CommandLine, RefusesWithTheReasonNamed) {
  struct Case {
    std::vector<const char*> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--bogus"}, "prog: unknown option --bogus\n"},
      {{"--out"}, "prog: --out needs a value\n"},
      {{"--offscreen", "--quit-after"}, "prog: --quit-after needs a value\n"},
      {{"--quit-after", "0"}, "prog: --quit-after takes a number from 1 to 86400000, not \"0\"\n"},
      {{"--quit-after", "86400001"},
       "prog: --quit-after takes a number from 1 to 86400000, not \"86400001\"\n"},
      {{"--quit-after", "12abc"}, "prog: --quit-after takes a number from 1 to 86400000, not \"12abc\"\n"},
      {{"--quit-after", ""}, "prog: --quit-after takes a number from 1 to 86400000, not \"\"\n"},
      {{"--seed", "-1"}, "prog: --seed takes a number from 0 to 18446744073709551615, not \"-1\"\n"},
      {{"--seconds", "nan"}, "prog: --seconds takes a number from 0 to 1e+09, not \"nan\"\n"},
      {{"--seconds", "1e10"}, "prog: --seconds takes a number from 0 to 1e+09, not \"1e10\"\n"},
  };
  for (const Case& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.outcome, CommandLine::Outcome::Refused) << c.message;
    EXPECT_EQ(p.error, c.message);
  }
  // A refused value leaves the variable as it was.
  EXPECT_EQ(parse({"--quit-after", "0"}).quitAfter, 0);
}

// The usage goes where the outcome sends the user: standard output for --help, after the
// reason on standard error for a refusal, and nowhere when the program runs.
TEST(CommandLine, WritesTheUsageForHelpAndAfterEveryRefusal) {
  const std::string usage = "usage: prog [--out DIR]\n";
  std::string out;
  CommandLine cl("prog", usage);
  cl.text("--out", out);
  struct Case {
    std::vector<const char*> args;
    CommandLine::Outcome outcome;
    std::string out, err;
  };
  const Case cases[] = {
      {{"prog", "--out", "d"}, CommandLine::Outcome::Run, "", ""},
      {{"prog", "--help"}, CommandLine::Outcome::Help, usage, ""},
      {{"prog", "--out"}, CommandLine::Outcome::Refused, "", "prog: --out needs a value\n" + usage},
      {{"prog", "-x"}, CommandLine::Outcome::Refused, "", "prog: unknown option -x\n" + usage},
  };
  for (const Case& c : cases) {
    std::ostringstream o, e;
    EXPECT_EQ(cl.parse(static_cast<int>(c.args.size()), c.args.data(), o, e), c.outcome) << c.err;
    EXPECT_EQ(o.str(), c.out);
    EXPECT_EQ(e.str(), c.err);
  }
  // A reason of the program's own reads the same way.
  std::ostringstream e;
  EXPECT_FALSE(cl.refuse("--out and --in are needed", e));
  EXPECT_EQ(e.str(), "prog: --out and --in are needed\n" + usage);
}

}  // namespace
