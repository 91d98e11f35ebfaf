// The fuzzer itself: sessions are reproducible and well formed, failures are told apart from
// failed lines, and a failing script is cut down to what it needs.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <set>

#include "apps/host_core/script_runner.h"
#include "apps/velumor-fuzz/fuzz_runner.h"
#include "apps/velumor-fuzz/session_generator.h"

namespace {

using fuzz::Outcome;

const fuzz::Knowledge& knowledge() {
  static const fuzz::Knowledge k = fuzz::loadKnowledge(
      VELUMOR_SOURCE_DIR, std::string(VELUMOR_SOURCE_DIR) + "/tolvar/devices/rq4400.json");
  return k;
}

TEST(SessionGenerator, KnowsEveryViewClassAndTheirWindows) {
  const auto& k = knowledge();
  EXPECT_EQ(k.views.size(), 9u) << "eight view classes and the table view";
  for (const auto& v : k.views) EXPECT_NE(k.window(v.form), nullptr) << v.progId << " -> " << v.form;
  EXPECT_FALSE(k.items.empty());
  EXPECT_FALSE(k.records.empty());
  EXPECT_FALSE(k.sequences.empty());
}

TEST(SessionGenerator, TheSameSeedGivesTheSameSessionAndEveryLineIsWellFormed) {
  fuzz::SessionGenerator a(knowledge()), b(knowledge());
  EXPECT_EQ(a.session(42), b.session(42));
  EXPECT_NE(a.session(42), a.session(43));
  const std::set<std::string> known = {
      "open",   "show",       "hide",           "destroy",     "close", "set",    "shadow",   "bytes",
      "run",    "click",      "dblclick",       "rightclick",  "text",  "tab",    "resize",   "minimize",
      "answer", "savefile",   "canceldialog",   "printdialog", "frame", "inject", "scenario", "dump",
      "items",  "screenshot", "expect-no-error"};
  std::set<std::string> seen;
  for (uint64_t seed = 0; seed < 40; ++seed) {
    for (const auto& line : fuzz::commandLines(a.session(seed))) {
      std::vector<std::string> words;
      ASSERT_NO_THROW(words = host_core::splitScriptLine(line).value()) << line;
      ASSERT_FALSE(words.empty()) << line;
      EXPECT_TRUE(known.count(words[0])) << line;
      seen.insert(words[0]);
    }
  }
  EXPECT_EQ(seen, known) << "every kind of behaviour occurs";
}

// What found the faults the fuzzer once missed: each language, octets far beyond an item's
// length, the edges of Long and of single precision, and paths no file can be written to.
TEST(SessionGenerator, SessionsReachBothLanguagesExtremeValuesAndOddPaths) {
  fuzz::SessionGenerator g(knowledge());
  std::set<std::string> languages;
  size_t longestOctets = 0;
  bool longEdge = false, floatEdge = false, unwritable = false, overlongName = false;
  for (uint64_t seed = 0; seed < 200; ++seed) {
    const std::string script = g.session(seed);
    languages.insert(fuzz::SessionGenerator::languageOf(seed));
    EXPECT_NE(script.find(std::string("--lang ") + fuzz::SessionGenerator::languageOf(seed)),
              std::string::npos);
    for (const auto& line : fuzz::commandLines(script)) {
      const auto words = host_core::splitScriptLine(line).value();
      if (words[0] == "bytes") longestOctets = std::max(longestOctets, words.size() - 2);
      if (words[0] == "set" && words.size() == 3) {
        longEdge |= words[2] == "2147483648" || words[2] == "-2147483649";
        floatEdge |= words[2] == "3.4028236e38";
      }
      if (words[0] == "savefile" || words[0] == "dump" || words[0] == "items" || words[0] == "screenshot") {
        unwritable |= words.back() == "/proc/version";
        overlongName |= words.back().size() == 256;
      }
    }
  }
  EXPECT_EQ(languages, (std::set<std::string>{"de", "en"}));
  EXPECT_GT(longestOctets, 100u);
  EXPECT_TRUE(longEdge);
  EXPECT_TRUE(floatEdge);
  EXPECT_TRUE(unwritable);
  EXPECT_TRUE(overlongName);
}

TEST(FuzzOutcome, CrashesSanitizerReportsAndHangsAreToldFromFailedLines) {
  auto exited = [](int code) { return code << 8; };  // a wait status as waitpid gives it
  struct Case {
    int status;
    bool timedOut;
    const char* output;
    Outcome::Kind kind;
    const char* signature;
  };
  const Case cases[] = {
      {exited(0), false, "PASSED s.vhs (0 failures)\n", Outcome::Kind::Passed, ""},
      {exited(1), false, "FAIL line 3: x\nFAILED s.vhs (1 failure)\n", Outcome::Kind::Passed, ""},
      {SIGSEGV, false, "", Outcome::Kind::Crash, "signal Segmentation fault"},
      {exited(0), true, "", Outcome::Kind::Hang, "hang"},
      {exited(1), false, "velumor-host: boom\n", Outcome::Kind::Crash,
       "session ended early (exit 1): velumor-host: boom"},
      {exited(1), false,
       "/w/tolvar/sim/rq4400_simulator.cpp:181:47: runtime error: 1e+300 is outside the range of "
       "representable "
       "values of type 'long'\n",
       Outcome::Kind::Sanitizer,
       "UBSan rq4400_simulator.cpp:181: N is outside the range of representable values of type 'long'"},
      {exited(1), false,
       "==1==ERROR: AddressSanitizer: heap-use-after-free on address 0x1\n    #0 0x7f in memcpy "
       "/usr/lib/x.c:1\n    #1 0x55 in platform::ui::Form::show() /w/platform/ui/form.cpp:12\n",
       Outcome::Kind::Sanitizer, "ASan heap-use-after-free in platform::ui::Form::show form.cpp:12"},
  };
  for (const Case& c : cases) {
    const Outcome o = fuzz::classify(c.status, c.timedOut, c.output);
    EXPECT_EQ(o.kind, c.kind) << c.output;
    EXPECT_EQ(o.signature, c.signature) << c.output;
  }
}

TEST(FuzzMinimise, KeepsOnlyTheLinesTheFailureNeeds) {
  std::string script = "# header\n";
  for (int i = 0; i < 60; ++i) script += "run " + std::to_string(i) + "\n";
  // Fails when "run 7" comes before "run 42", as an order-dependent fault would.
  int calls = 0;
  auto fails = [&](const std::string& s) {
    ++calls;
    const auto a = s.find("run 7\n"), b = s.find("run 42\n");
    return a != std::string::npos && b != std::string::npos && a < b;
  };
  EXPECT_EQ(fuzz::minimise(script, fails, 500), "run 7\nrun 42\n");
  EXPECT_LE(calls, 500);
  calls = 0;
  const std::string partly = fuzz::minimise(script, fails, 5);
  EXPECT_EQ(calls, 5) << "the number of tries is bounded";
  EXPECT_TRUE(fails(partly)) << "what it returns still fails";
}

}  // namespace
