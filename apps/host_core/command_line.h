#pragma once
// The command line of the host and the fuzzer: "--name VALUE" options and "--name" switches,
// each bound to the variable it fills. One parser, so that both programs read and refuse
// their options alike.
#include <charconv>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace host_core {

class CommandLine {
 public:
  enum class Outcome { Run, Help, Refused };

  // `program` starts every message ("velumor-host: --out needs a value"); `usage` is the
  // program's usage text, written for --help and after every refusal.
  explicit CommandLine(std::string program, std::string usage = {})
      : program_(std::move(program)), usage_(std::move(usage)) {}

  CommandLine& text(std::string name, std::string& into);
  CommandLine& path(std::string name, std::filesystem::path& into);
  // May be given again; each value is added.
  CommandLine& texts(std::string name, std::vector<std::string>& into);
  CommandLine& flag(std::string name, bool& into);
  // A number of type T from `lo` to `hi`, written whole ("12abc" and "1e3" for an integer
  // are refused, not cut); the refusal names the range.
  template <class T>
  CommandLine& number(std::string name, T& into, T lo, T hi) {
    return add(
        std::move(name), true,
        [&into, lo, hi](const std::string& v) {
          T n{};
          const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
          if (v.empty() || ec != std::errc() || end != v.data() + v.size() || !(n >= lo && n <= hi))
            return false;
          into = n;
          return true;
        },
        rangeText(lo, hi));
  }

  // Reads the arguments after the program's name. --help or -h gives Help; an unknown option,
  // a missing value or a value out of its range gives Refused, with the reason written to `err`.
  Outcome parse(int argc, const char* const* argv, std::ostream& err) const;
  // parse(), and the usage text: on Help to `out`, on Refused to `err` after the reason.
  Outcome parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err) const;
  // parse() as a program's main wants it: on Help the usage is written to standard output and
  // the program ends with status 0; on Refused the reason and the usage are on standard error
  // and this returns false.
  bool parseOrExit(int argc, const char* const* argv) const;
  // Refuses the command line for a reason of the program's own, after it was read: writes
  // "program: reason" and the usage to `err`; false.
  bool refuse(std::string_view reason, std::ostream& err) const;

 private:
  struct Option {
    std::string name;
    bool takesValue;
    std::function<bool(const std::string&)> take;  // false: the value is refused
    std::string range;                             // for numbers: "from LO to HI"
  };
  CommandLine& add(std::string name, bool takesValue, std::function<bool(const std::string&)> take,
                   std::string range = {});
  template <class T>
  static std::string rangeText(T lo, T hi) {
    auto spell = [](T n) {
      char buf[64];
      return std::string(buf, std::to_chars(buf, buf + sizeof buf, n).ptr);
    };
    return "from " + spell(lo) + " to " + spell(hi);
  }

  std::string program_;
  std::string usage_;
  std::vector<Option> options_;
};

}  // namespace host_core
