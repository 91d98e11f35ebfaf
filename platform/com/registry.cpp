#include "platform/com/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/com/error.h"
#include "platform/com/file_replace.h"
#include "platform/com/json_depth.h"
#include "platform/com/variant.h"

namespace platform::com {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

enum class LoadState { NotLoaded, Loaded, Failed };

std::string envOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

[[noreturn]] void raiseFileError(const std::string& what) {
  raise(err::PathFileAccess, what);
}

// The file's text, or nullopt when there is no file.
std::optional<std::string> readFile(const fs::path& path, const char* what) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (errno == ENOENT) return std::nullopt;
    raiseFileError(std::string("Cannot read ") + what + " " + quoted(path) + ": " + std::strerror(errno));
  }
  std::string text;
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  const int readErrno = errno;
  std::fclose(f);
  if (failed) {
    raiseFileError(std::string("Cannot read ") + what + " " + quoted(path) + ": " + std::strerror(readErrno));
  }
  return text;
}

[[noreturn]] void raiseCorrupt(const fs::path& path, const char* what, const std::string& detail) {
  raise(err::InvalidFileFormat, std::string("The ") + what + " " + quoted(path) + " is not valid (" + detail +
                                    "); it was left unchanged");
}

json parseDocument(const std::string& text, const fs::path& path, const char* what) {
  // A deep document would be parsed, but writing it back would overflow the stack.
  if (auto line = jsonTooDeepAtLine(text))
    raiseCorrupt(path, what, "too deeply nested at line " + std::to_string(*line));
  try {
    json doc = json::parse(text);
    if (!doc.is_object()) raiseCorrupt(path, what, "the top level is not an object");
    return doc;
  } catch (const json::exception& e) {
    raiseCorrupt(path, what, shortJsonError(e.what()));
  }
}

// Replaced whole, keeping the file's mode: a reader sees the old or the new registry, never
// half of one.
void writeAtomically(const fs::path& path, const std::string& text, const char* what) {
  const auto fail = [&](const std::string& step, int error) {
    raiseFileError(std::string("Cannot write ") + what + " " + quoted(path) + " (" + step +
                   "): " + std::strerror(error));
  };
  if (path.has_parent_path()) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) fail("creating its folder", ec.value());
  }
  if (const int error = replaceFileContents(path, text, 0644); error != 0) fail("replacing the file", error);
}

void checkWritable(LoadState state, const fs::path& path, const char* what) {
  if (state == LoadState::Failed) {
    raiseFileError(std::string("Not saving ") + what + " " + quoted(path) +
                   ": it could not be read, and saving would lose its contents");
  }
  std::error_code ec;
  if (state == LoadState::NotLoaded && fs::exists(path, ec)) {
    raiseFileError(std::string("Not saving ") + what + " " + quoted(path) +
                   ": it exists but was not loaded, and saving would lose its contents");
  }
}

// The member of `object` whose name equals `name` without regard to case.
json::iterator findNoCase(json& object, std::string_view name) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (equalsNoCase(it.key(), name)) return it;
  }
  return object.end();
}

json::const_iterator findNoCase(const json& object, std::string_view name) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (equalsNoCase(it.key(), name)) return it;
  }
  return object.end();
}

fs::path pathFromEnvironment(const char* variable, const char* fileName) {
  const std::string explicitPath = envOrEmpty(variable);
  if (!explicitPath.empty()) return explicitPath;
  return configDirectory() / fileName;
}

constexpr const char* kClassRegistry = "class registry";
constexpr const char* kSettingsRegistry = "settings registry";

}  // namespace

fs::path configDirectory() {
  // XDG: a relative XDG_CONFIG_HOME is invalid and is ignored.
  const std::string xdg = envOrEmpty("XDG_CONFIG_HOME");
  if (!xdg.empty() && fs::path(xdg).is_absolute()) return fs::path(xdg) / "velumor";
  std::string home = envOrEmpty("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  if (home.empty()) home = ".";
  return fs::path(home) / ".config" / "velumor";
}

// ---------------------------------------------------------------------------------------------
// ClassRegistry

struct ClassRegistry::Document {
  json root = json::object();
  LoadState state = LoadState::NotLoaded;

  json& classes() {
    json& c = root["classes"];
    if (!c.is_object()) c = json::object();
    return c;
  }
  const json* classesOrNull() const {
    const auto it = root.find("classes");
    return it != root.end() && it->is_object() ? &*it : nullptr;
  }
};

fs::path ClassRegistry::defaultPath() {
  return pathFromEnvironment("VELUMOR_REGISTRY", "registry.json");
}

ClassRegistry::ClassRegistry(fs::path path) : path_(std::move(path)), doc_(std::make_unique<Document>()) {}
ClassRegistry::~ClassRegistry() = default;
ClassRegistry::ClassRegistry(ClassRegistry&&) noexcept = default;
ClassRegistry& ClassRegistry::operator=(ClassRegistry&&) noexcept = default;

void ClassRegistry::load() {
  doc_->root = json::object();
  doc_->state = LoadState::Failed;
  const auto text = readFile(path_, kClassRegistry);
  if (!text) {
    doc_->state = LoadState::Loaded;
    return;
  }
  json root = parseDocument(*text, path_, kClassRegistry);
  if (const auto it = root.find("classes"); it != root.end()) {
    if (!it->is_object()) raiseCorrupt(path_, kClassRegistry, "\"classes\" is not an object");
    for (const auto& [progId, entry] : it->items()) {
      if (!entry.is_object())
        raiseCorrupt(path_, kClassRegistry, "the entry of " + progId + " is not an object");
      const auto lib = entry.find("library");
      if (lib == entry.end() || !lib->is_string()) {
        raiseCorrupt(path_, kClassRegistry, "the entry of " + progId + " has no \"library\" text");
      }
      if (const auto clsid = entry.find("clsid"); clsid != entry.end() && !clsid->is_string()) {
        raiseCorrupt(path_, kClassRegistry, "the \"clsid\" of " + progId + " is not a text");
      }
    }
  }
  doc_->root = std::move(root);
  doc_->state = LoadState::Loaded;
}

void ClassRegistry::save() const {
  checkWritable(doc_->state, path_, kClassRegistry);
  json root = doc_->root;
  if (!root.contains("classes")) root["classes"] = json::object();
  writeAtomically(path_, root.dump(2) + "\n", kClassRegistry);
}

std::optional<ClassRegistry::Entry> ClassRegistry::find(std::string_view progId) const {
  const json* classes = doc_->classesOrNull();
  if (!classes) return std::nullopt;
  const auto it = findNoCase(*classes, progId);
  if (it == classes->end()) return std::nullopt;
  Entry entry;
  entry.library = it->value("library", std::string());
  entry.clsid = it->value("clsid", std::string());
  return entry;
}

void ClassRegistry::add(std::string progId, Entry entry) {
  json& classes = doc_->classes();
  json kept = json::object();
  if (auto it = findNoCase(classes, progId); it != classes.end()) {
    kept = *it;  // fields another tool added stay
    classes.erase(it);
  }
  kept["library"] = entry.library.string();
  kept["clsid"] = entry.clsid;
  classes[std::move(progId)] = std::move(kept);
}

bool ClassRegistry::remove(std::string_view progId) {
  if (!doc_->classesOrNull()) return false;
  json& classes = doc_->classes();
  const auto it = findNoCase(classes, progId);
  if (it == classes.end()) return false;
  classes.erase(it);
  return true;
}

std::vector<std::string> ClassRegistry::progIds() const {
  std::vector<std::string> out;
  if (const json* classes = doc_->classesOrNull()) {
    for (const auto& [progId, entry] : classes->items()) out.push_back(progId);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// SettingsRegistry

namespace {
std::string normalizeKey(std::string_view key) {
  std::string out(key);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  while (!out.empty() && out.front() == '\\') out.erase(0, 1);
  return out;
}
}  // namespace

struct SettingsRegistry::Document {
  json root = json::object();
  LoadState state = LoadState::NotLoaded;
};

fs::path SettingsRegistry::defaultPath() {
  return pathFromEnvironment("VELUMOR_SETTINGS", "settings.json");
}

SettingsRegistry::SettingsRegistry(fs::path path)
    : path_(std::move(path)), doc_(std::make_unique<Document>()) {}
SettingsRegistry::~SettingsRegistry() = default;
SettingsRegistry::SettingsRegistry(SettingsRegistry&&) noexcept = default;
SettingsRegistry& SettingsRegistry::operator=(SettingsRegistry&&) noexcept = default;

void SettingsRegistry::load() {
  doc_->root = json::object();
  doc_->state = LoadState::Failed;
  const auto text = readFile(path_, kSettingsRegistry);
  if (!text) {
    doc_->state = LoadState::Loaded;
    return;
  }
  json root = parseDocument(*text, path_, kSettingsRegistry);
  for (const auto& [key, values] : root.items()) {
    if (!values.is_object()) raiseCorrupt(path_, kSettingsRegistry, "the key " + key + " is not an object");
    for (const auto& [name, value] : values.items()) {
      const std::string where = "the value " + name + " of " + key;
      if (!value.is_object()) raiseCorrupt(path_, kSettingsRegistry, where + " is not an object");
      const auto type = value.find("type");
      if (type == value.end() || !type->is_number_integer()) {
        raiseCorrupt(path_, kSettingsRegistry, where + " has no integer \"type\"");
      }
      const auto v = value.find("value");
      if (v == value.end() || !(v->is_string() || v->is_number())) {
        raiseCorrupt(path_, kSettingsRegistry, where + " has no \"value\"");
      }
    }
  }
  doc_->root = std::move(root);
  doc_->state = LoadState::Loaded;
}

void SettingsRegistry::save() const {
  checkWritable(doc_->state, path_, kSettingsRegistry);
  writeAtomically(path_, doc_->root.dump(2) + "\n", kSettingsRegistry);
}

std::string SettingsRegistry::keyName(std::string_view hive, std::string_view path) {
  const std::string p = normalizeKey(path);
  std::string out = normalizeKey(hive);
  if (!p.empty()) out += "\\" + p;
  return out;
}

bool SettingsRegistry::openKey(std::string_view hive, std::string_view path) const {
  return findNoCase(doc_->root, keyName(hive, path)) != doc_->root.end();
}

std::optional<SettingValue> SettingsRegistry::queryValue(std::string_view key, std::string_view name) const {
  const json& root = doc_->root;
  const auto k = findNoCase(root, normalizeKey(key));
  if (k == root.end()) return std::nullopt;
  const auto v = findNoCase(*k, name);
  if (v == k->end()) return std::nullopt;
  SettingValue out;
  out.type = v->at("type").get<int32_t>();
  const json& raw = v->at("value");
  if (raw.is_string()) {
    out.value = raw.get<std::string>();
  } else if (raw.is_number_integer()) {
    out.value =
        raw.is_number_unsigned() ? std::to_string(raw.get<uint64_t>()) : std::to_string(raw.get<int64_t>());
  } else {
    out.value = formatNumber(raw.get<double>());
  }
  return out;
}

std::optional<SettingValue> SettingsRegistry::queryValue(std::string_view hive, std::string_view path,
                                                         std::string_view name) const {
  return queryValue(keyName(hive, path), name);
}

void SettingsRegistry::setValue(std::string_view key, std::string_view name, SettingValue value) {
  json stored = json::object();
  stored["type"] = value.type;
  if (value.type == setting_type::DWord) {
    uint32_t number = 0;
    const char* first = value.value.data();
    const char* last = first + value.value.size();
    const auto res = std::from_chars(first, last, number);
    if (res.ec != std::errc() || res.ptr != last) raise(err::TypeMismatch);
    stored["value"] = number;
  } else {
    stored["value"] = value.value;
  }
  json& root = doc_->root;
  auto k = findNoCase(root, normalizeKey(key));
  if (k == root.end()) {
    root[normalizeKey(key)] = json::object();
    k = findNoCase(root, normalizeKey(key));
  }
  if (auto v = findNoCase(*k, name); v != k->end()) k->erase(v);
  (*k)[std::string(name)] = std::move(stored);
}

bool SettingsRegistry::removeKey(std::string_view key) {
  json& root = doc_->root;
  const auto k = findNoCase(root, normalizeKey(key));
  if (k == root.end()) return false;
  root.erase(k);
  return true;
}

}  // namespace platform::com
