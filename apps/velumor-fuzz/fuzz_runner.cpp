#include "apps/velumor-fuzz/fuzz_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

namespace fuzz {

namespace fs = std::filesystem;

namespace {

// The first frame of a sanitizer's stack that lies in the project, as "function file:line".
std::string firstOwnFrame(const std::string& output, size_t from) {
  static const std::regex frame(R"(#\d+ 0x[0-9a-f]+ in (.+?) (/\S+:\d+)(:\d+)?)");
  std::istringstream in(output.substr(from));
  std::string line;
  while (std::getline(in, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, frame)) continue;
    const std::string file = m[2];
    if (file.starts_with("/usr/") || file.find("sanitizer") != std::string::npos) continue;
    std::string fn = m[1];
    if (auto p = fn.find('('); p != std::string::npos) fn.resize(p);  // without the parameter list
    return fn + " " + fs::path(file).filename().string();
  }
  return "";
}

// The CPU time a running child has used, from /proc; 0 when it cannot be read.
double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), {});
  const auto close = stat.rfind(')');  // the command name may hold blanks
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string f;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {  // fields 14 and 15: user and system ticks
    if (i == 14) utime = std::stoull(f);
    if (i == 15) stime = std::stoull(f);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

Outcome classify(int waitStatus, bool timedOut, const std::string& output) {
  Outcome o;
  // A sanitizer report counts whatever the exit status says.
  static const std::regex ubsan(R"(([^\s:]+):(\d+):\d+: runtime error: ([^\n]*))");
  std::smatch m;
  if (std::regex_search(output, m, ubsan)) {
    // The values differ from run to run; the kind of fault and its place do not.
    static const std::regex value(R"(-?\b(0x[0-9a-fA-F]+|[0-9][0-9.]*([eE][+-]?[0-9]+)?))");
    std::string kind = std::regex_replace(m[3].str(), value, "N");
    while (!kind.empty() && kind.back() == ' ') kind.pop_back();
    o.kind = Outcome::Kind::Sanitizer;
    o.signature = "UBSan " + fs::path(m[1].str()).filename().string() + ":" + m[2].str() + ": " + kind;
    return o;
  }
  if (auto p = output.find("ERROR: AddressSanitizer: "); p != std::string::npos) {
    const size_t start = p + std::strlen("ERROR: AddressSanitizer: ");
    std::string what = output.substr(start, output.find_first_of(" \n", start) - start);
    o.kind = Outcome::Kind::Sanitizer;
    o.signature = "ASan " + what + " in " + firstOwnFrame(output, p);
    return o;
  }
  if (auto p = output.find("ERROR: LeakSanitizer"); p != std::string::npos) {
    o.kind = Outcome::Kind::Sanitizer;
    o.signature = "LSan leak in " + firstOwnFrame(output, p);
    return o;
  }
  if (timedOut) {
    o.kind = Outcome::Kind::Hang;
    o.signature = "hang";
    return o;
  }
  if (WIFSIGNALED(waitStatus)) {
    o.kind = Outcome::Kind::Crash;
    o.signature = std::string("signal ") + strsignal(WTERMSIG(waitStatus));
    return o;
  }
  const int code = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  // 0 and 1 are a session that passed or failed its lines; it must also have reached its end.
  const bool finished =
      output.find("PASSED ") != std::string::npos || output.find("FAILED ") != std::string::npos;
  if ((code != 0 && code != 1) || !finished) {
    o.kind = Outcome::Kind::Crash;
    std::string last;
    std::istringstream in(output);
    for (std::string l; std::getline(in, l);)
      if (l.rfind("velumor-host: ", 0) == 0) last = l;
    o.signature =
        "session ended early (exit " + std::to_string(code) + ")" + (last.empty() ? "" : ": " + last);
  }
  return o;
}

Outcome runSession(const HostCommand& cmd, const std::string& script, std::string& output) {
  fs::create_directories(cmd.work);
  const fs::path scriptFile = cmd.work / "session.vhs";
  const fs::path outFile = cmd.work / "output.txt";
  const fs::path outDir = cmd.work / "out";
  std::error_code ec;
  fs::remove(cmd.work / "datasets.sqlite", ec);
  fs::create_directories(outDir);
  { std::ofstream(scriptFile, std::ios::binary) << script; }
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::close(fd);
    }
    ::setpgid(0, 0);
    const std::string host = cmd.host.string(), reg = cmd.registry.string(),
                      db = (cmd.work / "datasets.sqlite").string(), out = outDir.string(),
                      file = scriptFile.string();
    ::execl(host.c_str(), host.c_str(), "--offscreen", "--lang", cmd.language.c_str(), "--registry",
            reg.c_str(), "--db", db.c_str(), "--out", out.c_str(), "--script", file.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  bool timedOut = false;
  // A session hangs when it spends the timeout in CPU time (a loop that never ends), or ten
  // times the timeout on the clock (a wait that never ends). On a machine loaded by builds a
  // session gets a small share of a core: wall time alone would report load as hangs.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10L * cmd.timeoutSeconds);
  for (int round = 0;; ++round) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    const bool tooMuchCpu = round % 20 == 0 && cpuSeconds(pid) > cmd.timeoutSeconds;
    if (tooMuchCpu || std::chrono::steady_clock::now() > deadline) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::ifstream in(outFile, std::ios::binary);
  output.assign(std::istreambuf_iterator<char>(in), {});
  if (pid < 0) output = "cannot start the host";
  return classify(status, timedOut, output);
}

std::vector<std::string> commandLines(const std::string& script) {
  std::vector<std::string> lines;
  std::istringstream in(script);
  for (std::string l; std::getline(in, l);) {
    const auto p = l.find_first_not_of(" \t");
    if (p != std::string::npos && l[p] != '#') lines.push_back(l);
  }
  return lines;
}

std::string minimise(const std::string& script, const std::function<bool(const std::string&)>& stillFails,
                     int maxTries) {
  std::vector<std::string> lines = commandLines(script);
  auto join = [](const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\n";
    return s;
  };
  int tries = 0;
  // Halves, quarters, ... down to single lines: each removal that keeps the failure stays.
  for (size_t chunk = std::max<size_t>(1, lines.size() / 2); chunk >= 1 && tries < maxTries; chunk /= 2) {
    bool removed = true;
    while (removed && tries < maxTries) {
      removed = false;
      for (size_t start = 0; start < lines.size() && tries < maxTries;) {
        std::vector<std::string> candidate(lines.begin(), lines.begin() + static_cast<long>(start));
        const size_t end = std::min(lines.size(), start + chunk);
        candidate.insert(candidate.end(), lines.begin() + static_cast<long>(end), lines.end());
        ++tries;
        if (!candidate.empty() && stillFails(join(candidate))) {
          lines = std::move(candidate);
          removed = true;
        } else {
          start += chunk;
        }
      }
    }
    if (chunk == 1) break;
  }
  return join(lines);
}

}  // namespace fuzz
