#pragma once
// Runs scripted sessions in a child host, tells a crash, a sanitizer report and a hang from a
// session that merely failed its lines, and cuts a failing script down to the lines it needs.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fuzz {

struct Outcome {
  enum class Kind { Passed, Crash, Sanitizer, Hang };
  Kind kind = Kind::Passed;
  std::string signature;  // what tells one fault from another; empty when passed
};

// How a child ended and what it printed (stdout and stderr together).
// `timedOut`: the child was killed because it ran too long.
Outcome classify(int waitStatus, bool timedOut, const std::string& output);

struct HostCommand {
  std::filesystem::path host;      // velumor-host
  std::filesystem::path registry;  // where the component is registered
  std::filesystem::path work;      // a private folder for the session's files
  int timeoutSeconds = 60;         // of CPU time; ten times as much on the clock
  std::string language = "en";     // --lang of the host
};

// Runs one script; `output` receives what the host printed.
Outcome runSession(const HostCommand& cmd, const std::string& script, std::string& output);

// The script's commands without blank and comment lines.
std::vector<std::string> commandLines(const std::string& script);

// Removes lines as long as `stillFails` holds (chunks first, then single lines), trying at
// most `maxTries` candidates. Returns the shortest failing script found.
std::string minimise(const std::string& script, const std::function<bool(const std::string&)>& stillFails,
                     int maxTries);

}  // namespace fuzz
