#pragma once
// A private folder under the system's temporary folder, removed with its contents.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace testsupport {

class TempDir {
 public:
  // `prefix` starts the folder's name, so that a folder left by a crashed test tells whose it was.
  explicit TempDir(std::string_view prefix = "velumor_test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "_XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder " + pattern);
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    // A test may have taken the owner's rights away to provoke a failure.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
