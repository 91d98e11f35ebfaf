#include "platform/com/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace platform::com {

namespace {

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

mode_t userMask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Owns a descriptor and, until released, a name to remove.
struct Temporary {
  int fd = -1;
  std::string name;  // empty while the file has none
  ~Temporary() {
    if (fd >= 0) ::close(fd);
    if (!name.empty()) ::unlink(name.c_str());
  }
};

std::string shortName(const std::filesystem::path& folder) {
  static std::minstd_rand random(std::random_device{}());
  char buf[24];
  std::snprintf(buf, sizeof buf, ".vt%08x", static_cast<unsigned>(random()));
  return (folder / buf).string();
}

}  // namespace

int replaceFileContents(const std::filesystem::path& target, std::string_view content, mode_t newFileMode) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  struct stat old {};
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  // A folder, a device or a pipe is never swapped for a file.
  if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
  const bool replacing = exists && S_ISREG(old.st_mode);
  const mode_t mode = replacing ? (old.st_mode & 07777) : (newFileMode & ~userMask() & 07777);

  Temporary tmp;
  tmp.fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  const bool unnamed = tmp.fd >= 0;
  // Where the file system has no unnamed files, a short name made exclusively stands in.
  for (int attempt = 0; tmp.fd < 0 && attempt < 100; ++attempt) {
    std::string name = shortName(folder);
    tmp.fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (tmp.fd >= 0)
      tmp.name = std::move(name);
    else if (errno != EEXIST)
      return errno;
  }
  if (tmp.fd < 0) return EEXIST;
  if (::fchmod(tmp.fd, mode) != 0 || !writeAll(tmp.fd, content) || ::fsync(tmp.fd) != 0) return errno;
  if (unnamed) {
    // The whole file gets a name of its own beside the target just before the rename.
    const std::string self = "/proc/self/fd/" + std::to_string(tmp.fd);
    for (int attempt = 0; tmp.name.empty() && attempt < 100; ++attempt) {
      std::string name = shortName(folder);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        tmp.name = std::move(name);
      else if (errno != EEXIST)
        return errno;
    }
    if (tmp.name.empty()) return EEXIST;
  }
  // The rename follows the link at once: a kill between the two is the one moment that leaves
  // a name beside the target, so nothing else may stand there (the descriptor closes after).
  if (::rename(tmp.name.c_str(), target.c_str()) != 0) return errno;
  tmp.name.clear();
  // The contents reached the disk with the fsync above; closing can no longer lose them.
  ::close(tmp.fd);
  tmp.fd = -1;
  // The rename itself reaches the disk with the folder.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

}  // namespace platform::com
