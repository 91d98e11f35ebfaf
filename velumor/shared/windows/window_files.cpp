#include "velumor/shared/windows/window_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "platform/com/error.h"
#include "platform/res/language.h"
#include "velumor/shared/component.h"

namespace velumor::shared::windows {

namespace err = platform::com::err;

std::string designText(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

std::string componentFilePath(const std::string& name) {
  return componentFolder().string() + "/" + name;
}

namespace {

bool isFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

int32_t errorNumberOf(int code) {
  switch (code) {
    case ENOENT:
      return err::FileNotFound;
    case EACCES:
    case EPERM:
      return err::PermissionDenied;
    case ENOTDIR:
    case ENAMETOOLONG:
      return err::PathNotFound;
    default:
      return err::PathFileAccess;
  }
}

}  // namespace

std::optional<std::string> readLinesCrLf(const std::string& path) {
  // A folder opens as a stream on this platform but is no text file.
  if (isFolder(path)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return std::nullopt;
  std::string text;
  std::string line;
  bool inLine = false;  // characters (or a line start) seen since the last line break
  char c;
  while (in.get(c)) {
    if (c == '\n' || c == '\r') {
      if (c == '\r' && in.peek() == '\n') in.get();
      text += line;
      text += "\r\n";
      line.clear();
      inLine = false;
    } else {
      line += c;
      inLine = true;
    }
  }
  if (inLine) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::optional<std::string> readWholeFile(const std::string& path, int32_t& errorNumber) {
  if (isFolder(path)) {
    errorNumber = err::PathFileAccess;
    return std::nullopt;
  }
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    errorNumber = errorNumberOf(errno);
    return std::nullopt;
  }
  std::string text;
  char buffer[16384];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    errorNumber = err::PathFileAccess;
    return std::nullopt;
  }
  return text;
}

std::string mediumDate(int year, int month, int day, uint16_t langId) {
  static const char* const kEnglish[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kGerman[12] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                          "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  if (month < 1 || month > 12) return {};
  const bool german = platform::res::primaryLanguage(langId) == 7;
  char buffer[48];
  if (german)
    std::snprintf(buffer, sizeof buffer, "%02d. %s %04d", day, kGerman[month - 1], year);
  else
    std::snprintf(buffer, sizeof buffer, "%02d-%s-%04d", day, kEnglish[month - 1], year);
  return buffer;
}

std::string fileModifiedMediumDate(const std::filesystem::path& file, uint16_t langId) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  std::tm local{};
  const std::time_t when = st.st_mtime;
  if (!::localtime_r(&when, &local)) return {};
  return mediumDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, langId);
}

}  // namespace velumor::shared::windows
