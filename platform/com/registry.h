#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/export.h"

namespace platform::com {

// The folder of the user's Velumor configuration: $XDG_CONFIG_HOME/velumor, else ~/.config/velumor.
PLAT_API std::filesystem::path configDirectory();

// The class registry: a JSON file that maps each ProgID to the library serving it,
//   {"classes": {"Velumor.VelumorMainViewClass": {"library": "/abs/libvelumor.so", "clsid": "{...}"}}}
// ProgIDs match without regard to case. Fields and top-level keys this code does not know are
// kept as they are, so a save loses nothing another tool wrote.
class PLAT_API ClassRegistry {
 public:
  struct Entry {
    std::filesystem::path library;
    std::string clsid;
  };

  // VELUMOR_REGISTRY when set, else configDirectory() / "registry.json".
  static std::filesystem::path defaultPath();

  explicit ClassRegistry(std::filesystem::path path);
  ~ClassRegistry();
  ClassRegistry(ClassRegistry&&) noexcept;
  ClassRegistry& operator=(ClassRegistry&&) noexcept;

  const std::filesystem::path& path() const { return path_; }

  // Reads the file; a missing file is an empty registry. An unreadable or corrupt file raises
  // a RuntimeError naming the file (error 75 or 321) and leaves the registry empty; save()
  // then refuses, so the file is never overwritten with less than it held.
  void load();
  // Writes atomically (a temporary file in the same folder, then rename) and creates the
  // folder. Raises (error 75) when the file cannot be written, and when the last load failed
  // or no load was made while the file exists.
  void save() const;

  std::optional<Entry> find(std::string_view progId) const;
  // Adds or replaces the entry; a differently cased spelling of the same ProgID is replaced.
  void add(std::string progId, Entry entry);
  bool remove(std::string_view progId);
  std::vector<std::string> progIds() const;

 private:
  struct Document;
  std::filesystem::path path_;
  std::unique_ptr<Document> doc_;
};

// Value types of the settings registry (the numbers the system's registry uses).
namespace setting_type {
inline constexpr int32_t String = 1;
inline constexpr int32_t ExpandString = 2;
inline constexpr int32_t DWord = 4;
}  // namespace setting_type

struct SettingValue {
  int32_t type = setting_type::String;
  std::string value;  // a DWord as its decimal text
  friend bool operator==(const SettingValue&, const SettingValue&) = default;
};

// A stand-in for the system's settings registry, read by the About window among others:
//   {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Tool": {"Path": {"type": 1, "value": "/usr/bin/tool"}}}
// Key and value names match without regard to case, as the system's registry does.
class PLAT_API SettingsRegistry {
 public:
  // VELUMOR_SETTINGS when set, else configDirectory() / "settings.json".
  static std::filesystem::path defaultPath();

  explicit SettingsRegistry(std::filesystem::path path);
  ~SettingsRegistry();
  SettingsRegistry(SettingsRegistry&&) noexcept;
  SettingsRegistry& operator=(SettingsRegistry&&) noexcept;

  const std::filesystem::path& path() const { return path_; }

  // As ClassRegistry::load and save.
  void load();
  void save() const;

  // "HKEY_LOCAL_MACHINE" + "SOFTWARE\\Vendor" -> "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor".
  static std::string keyName(std::string_view hive, std::string_view path);
  // Whether the key exists (what opening it for reading tells).
  bool openKey(std::string_view hive, std::string_view path) const;
  // `key` is a full key name as keyName() builds it.
  std::optional<SettingValue> queryValue(std::string_view key, std::string_view name) const;
  std::optional<SettingValue> queryValue(std::string_view hive, std::string_view path,
                                         std::string_view name) const;
  // Creates the key when needed. A DWord value must be a decimal number 0..4294967295 (error 13).
  void setValue(std::string_view key, std::string_view name, SettingValue value);
  bool removeKey(std::string_view key);

 private:
  struct Document;
  std::filesystem::path path_;
  std::unique_ptr<Document> doc_;
};

}  // namespace platform::com
