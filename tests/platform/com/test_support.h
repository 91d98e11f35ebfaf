#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/com/error.h"
#include "tests/support/temp_dir.h"

namespace comtest {

using testsupport::TempDir;

// Sets or clears an environment variable for one test and restores it afterwards.
class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvGuard() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

inline void writeText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

inline std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The run-time error `f` raises; fails the test when it raises none.
template <class F>
platform::com::RuntimeError caught(F&& f) {
  try {
    f();
  } catch (const platform::com::RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no run-time error was raised";
  return platform::com::RuntimeError(0, "none");
}

template <class F>
int32_t errorNumberOf(F&& f) {
  return caught(std::forward<F>(f)).number();
}

}  // namespace comtest
