#pragma once
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/res/language.h"

// Sets VELUMOR_LANG for one test and puts the earlier value back afterwards.
class ScopedLang {
 public:
  explicit ScopedLang(const char* value) {
    if (const char* old = std::getenv("VELUMOR_LANG")) old_ = old;
    ::setenv("VELUMOR_LANG", value, 1);
    platform::res::userLanguageChanged();
  }
  ~ScopedLang() {
    if (old_)
      ::setenv("VELUMOR_LANG", old_->c_str(), 1);
    else
      ::unsetenv("VELUMOR_LANG");
    platform::res::userLanguageChanged();
  }
  ScopedLang(const ScopedLang&) = delete;
  ScopedLang& operator=(const ScopedLang&) = delete;

 private:
  std::optional<std::string> old_;
};
