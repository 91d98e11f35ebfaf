#pragma once
// Random but well-formed host sessions, as scripts for `velumor-host --script`. The same seed
// gives the same script, so any failure can be run again and cut down.
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fuzz {

// What the generator knows of the windows and the device: read from the window designs and
// the device description, so windows that grow are covered without changing the fuzzer.
struct Knowledge {
  struct Control {
    std::string ref;   // "Name" or "Name(3)"
    std::string type;  // the design's control type
  };
  struct Window {
    std::string form;  // the form's name in its design
    std::vector<Control> controls;
    std::vector<std::pair<std::string, std::string>> tabs;  // tab strip, key
  };
  struct View {
    std::string progId;
    std::string form;
  };
  struct Item {
    std::string name;
    std::string type;  // the description's type: float, enum, packed_ascii, bytes, ...
    int octets = 0;
  };
  std::vector<View> views;
  std::vector<Window> windows;
  std::vector<Item> items;
  std::vector<std::string> records;
  std::vector<std::string> sequences;
  std::vector<std::string> scenarios;

  const Window* window(const std::string& form) const;
};

// The eight view classes, the table view and every window design under `sourceRoot`, and the
// items, records and sequences of `deviceFile`. Throws std::runtime_error when a file is unreadable.
Knowledge loadKnowledge(const std::filesystem::path& sourceRoot, const std::filesystem::path& deviceFile);

class SessionGenerator {
 public:
  explicit SessionGenerator(const Knowledge& k) : k_(k) {}
  // A whole session of about `lines` commands.
  std::string session(uint64_t seed, int lines = 120);
  // The language a session runs in ("en" or "de"), half of them each.
  static const char* languageOf(uint64_t seed);

 private:
  std::string line();
  std::string openLine();
  std::string viewName();
  std::string windowRef(const Knowledge::Window*& w);
  std::string itemWrite();
  std::string numberValue();
  std::string textValue();
  std::string pathValue();
  std::string frameLine();
  int pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  template <class T>
  const T& any(const std::vector<T>& v) {
    return v[static_cast<size_t>(pick(static_cast<int>(v.size())))];
  }

  const Knowledge& k_;
  std::mt19937_64 rng_;
  struct Open {
    std::string name;
    std::string form;
  };
  std::vector<Open> open_;  // views the script opened and has not destroyed
  int nextName_ = 0;
};

}  // namespace fuzz
