#pragma once
// Scripted host sessions: one command a line, run headless on the manual clock.
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apps/host_core/host_api.h"
#include "platform/ui/form.h"

namespace host_core {

// Splits a script line into words: blanks separate, double quotes group, and inside
// quotes \r \n \t \" \\ are escapes. A '#' outside quotes starts a comment. An unclosed
// quote is InvalidArgument.
Result<std::vector<std::string>> splitScriptLine(const std::string& line);

// Parses "Name" or "Name(3)" (index -1 without one); InvalidArgument for a bad index.
Result<std::pair<std::string, int32_t>> parseControlRef(const std::string& ref);

// Compares an expected script value with an actual one: whole numbers, Longs and Doubles
// exactly, a Single exactly as the expected number is held as a Single, Booleans as
// true/false, anything else as its text. With a tolerance (numbers only) a number passes
// within it.
bool scriptValueMatches(const std::string& expected, const platform::com::Variant& actual,
                        std::optional<double> tolerance = std::nullopt);
// "~0.001" as a tolerance; nothing for any other word.
std::optional<double> parseTolerance(const std::string& word);

// A command of the script language: its name and its arguments as README.md writes them
// ("" when it takes none). A test holds the README's command table to this list.
struct ScriptCommand {
  std::string_view name;
  std::string_view args;
};
// Every command the runner knows, in the order of the README's table.
std::vector<ScriptCommand> scriptCommands();

class ScriptRunner {
 public:
  using ScreenshotFn =
      std::function<bool(platform::ui::Form&, const std::filesystem::path&, std::string& error)>;

  ScriptRunner(HostApi& host, std::ostream& out);
  ~ScriptRunner();

  void setOutputDir(std::filesystem::path dir) { outDir_ = std::move(dir); }
  void setScreenshot(ScreenshotFn fn) { screenshot_ = std::move(fn); }

  // Runs a whole script; returns the number of failures (0 = passed).
  int runFile(const std::filesystem::path& file);
  int runText(const std::string& text, const std::string& sourceName = "script");
  // Runs one command; returns false when it failed (the failure is printed).
  bool runLine(const std::string& line, int lineNo);
  // The host's end of the session: the views still open are destroyed, newest first; a message
  // box this raises with no queued answer takes its default button, printed in the log.
  void closeAll();
  int failures() const { return failures_; }

  // The window a script NAME refers to: a view opened under that name, else the newest
  // loaded form of that name. Null when none.
  platform::ui::Form* resolveForm(const std::string& name) const;

  // The line a command handler runs, with what it may use of the runner; only the command
  // table in script_runner.cpp knows it.
  struct Call;

 private:
  bool fail(const std::string& message);
  bool checkUnanswered();
  std::filesystem::path outPath(const std::string& p) const;
  Result<platform::ui::Control*> resolveControl(platform::ui::Form& form, const std::string& ref) const;

  HostApi& host_;
  std::ostream& out_;
  std::filesystem::path outDir_ = ".";
  ScreenshotFn screenshot_;
  std::vector<std::pair<std::string, platform::com::Ptr<tolvar::View>>> views_;  // in opening order
  size_t messagesSeen_ = 0;
  size_t errorsSeen_ = 0;
  int failures_ = 0;
  int lineNo_ = 0;
  std::string line_;
};

}  // namespace host_core
