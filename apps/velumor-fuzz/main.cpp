// velumor-fuzz: random host sessions against the simulated RQ4400, each in its own host
// process. It reports crashes, sanitizer reports and hangs (a script's failed lines are
// expected of random sessions), cuts each new failure down to a short script and writes a
// report of the run.
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "apps/host_core/command_line.h"
#include "apps/velumor-fuzz/fuzz_runner.h"
#include "apps/velumor-fuzz/session_generator.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  fs::path host, registry, source = VELUMOR_SOURCE_DIR, device, out = "fuzz-out";
  uint64_t seed = 1;
  long sessions = 1000000;
  double seconds = 60;
  int lines = 120;
  int timeout = 60;
  int minimiseTries = 150;
  long long emit = -1;  // a session seed whose script is printed instead of running anything
};

constexpr char kUsage[] =
    "usage: velumor-fuzz --host VELUMOR_HOST --registry FILE [--seed S] [--sessions N] [--seconds T]\n"
    "                   [--lines L] [--timeout SECONDS] [--minimise-tries N] [--source DIR] [--device "
    "FILE]\n"
    "                   [--out DIR]\n"
    "       velumor-fuzz --emit SESSION_SEED [--lines L]   prints that session's script\n"
    "Runs random sessions until N sessions or T seconds are done (cutting a failure down stops\n"
    "then too). Session I of seed S is the same\n"
    "script on every run. Exit status 1 when a session crashed, hung or raised a sanitizer report;\n"
    "the shortened scripts are DIR/failure-K.vhs, the report DIR/report.txt.\n";

bool parse(int argc, char** argv, Options& o) {
  host_core::CommandLine cl("velumor-fuzz", kUsage);
  cl.path("--host", o.host)
      .path("--registry", o.registry)
      .path("--source", o.source)
      .path("--device", o.device)
      .path("--out", o.out)
      .number<uint64_t>("--seed", o.seed, 0, UINT64_MAX)
      .number<long>("--sessions", o.sessions, 0, LONG_MAX)
      .number<double>("--seconds", o.seconds, 0, 1e9)
      .number<int>("--lines", o.lines, 0, 1000000)
      .number<int>("--timeout", o.timeout, 0, 86400)
      .number<int>("--minimise-tries", o.minimiseTries, 0, 1000000)
      .number<long long>("--emit", o.emit, 0, LLONG_MAX);
  if (!cl.parseOrExit(argc, argv)) return false;
  if (o.emit < 0 && (o.host.empty() || o.registry.empty()))
    return cl.refuse("--host and --registry are needed", std::cerr);
  if (o.device.empty()) o.device = o.source / "tolvar" / "devices" / "rq4400.json";
  return true;
}

const char* kindName(fuzz::Outcome::Kind k) {
  switch (k) {
    case fuzz::Outcome::Kind::Crash:
      return "crash";
    case fuzz::Outcome::Kind::Sanitizer:
      return "sanitizer report";
    case fuzz::Outcome::Kind::Hang:
      return "hang";
    default:
      return "passed";
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) return 2;
  fuzz::Knowledge knowledge;
  try {
    knowledge = fuzz::loadKnowledge(o.source, o.device);
  } catch (const std::exception& e) {
    std::cerr << "velumor-fuzz: " << e.what() << "\n";
    return 2;
  }
  if (o.emit >= 0) {
    std::cout << fuzz::SessionGenerator(knowledge).session(static_cast<uint64_t>(o.emit), o.lines);
    return 0;
  }
  fs::create_directories(o.out);
  fuzz::HostCommand cmd{fs::absolute(o.host), fs::absolute(o.registry), fs::absolute(o.out) / "work",
                        o.timeout};
  fuzz::SessionGenerator gen(knowledge);

  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  long sessions = 0, behaviours = 0, crashes = 0, hangs = 0, sanitizer = 0;
  std::map<std::string, std::string> signatures;  // signature -> the shortened script's file
  for (long i = 0; i < o.sessions && elapsed() < o.seconds; ++i) {
    const uint64_t sessionSeed = o.seed * 1000003ULL + static_cast<uint64_t>(i);
    const std::string script = gen.session(sessionSeed, o.lines);
    cmd.language = fuzz::SessionGenerator::languageOf(sessionSeed);
    std::string output;
    const fuzz::Outcome outcome = fuzz::runSession(cmd, script, output);
    ++sessions;
    behaviours += static_cast<long>(fuzz::commandLines(script).size());
    if (outcome.kind == fuzz::Outcome::Kind::Passed) continue;
    if (outcome.kind == fuzz::Outcome::Kind::Crash) ++crashes;
    if (outcome.kind == fuzz::Outcome::Kind::Hang) ++hangs;
    if (outcome.kind == fuzz::Outcome::Kind::Sanitizer) ++sanitizer;
    std::cout << "session " << i << " (seed " << sessionSeed << "): " << kindName(outcome.kind) << ": "
              << outcome.signature << std::endl;
    if (signatures.count(outcome.signature)) continue;
    const fs::path file = o.out / ("failure-" + std::to_string(signatures.size() + 1) + ".vhs");
    signatures[outcome.signature] = file.string();
    { std::ofstream(o.out / ("failure-" + std::to_string(signatures.size()) + ".output.txt")) << output; }
    const std::string shortest = fuzz::minimise(
        script,
        [&](const std::string& candidate) {
          if (elapsed() > o.seconds) return false;  // the run's time bounds the cutting down too
          std::string out;
          return fuzz::runSession(cmd, candidate, out).signature == outcome.signature;
        },
        o.minimiseTries);
    std::ofstream(file) << "# velumor-fuzz, seed " << o.seed << ", session " << i << " (session seed "
                        << sessionSeed << "), --lang " << cmd.language << "\n# " << kindName(outcome.kind)
                        << ": " << outcome.signature << "\n"
                        << shortest;
    std::cout << "  shortened to " << fuzz::commandLines(shortest).size() << " lines: " << file.string()
              << std::endl;
  }

  std::ostringstream report;
  report << "velumor-fuzz report\n"
         << "seed: " << o.seed << "\n"
         << "seconds: " << static_cast<long>(elapsed()) << "\n"
         << "sessions: " << sessions << "\n"
         << "behaviours: " << behaviours << "\n"
         << "crashes: " << crashes << "\n"
         << "hangs: " << hangs << "\n"
         << "sanitizer reports: " << sanitizer << "\n"
         << "distinct failure signatures: " << signatures.size() << "\n";
  for (const auto& [sig, file] : signatures) report << "  " << sig << " -> " << file << "\n";
  std::cout << report.str();
  std::ofstream(o.out / "report.txt") << report.str();
  return signatures.empty() ? 0 : 1;
}
