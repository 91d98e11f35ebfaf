#include "platform/com/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "tests/platform/com/test_support.h"

using namespace platform::com;
using comtest::caught;
using comtest::EnvGuard;
using comtest::readText;
using comtest::TempDir;
using comtest::writeText;
using nlohmann::json;

namespace {

TEST(ClassRegistry, RoundTripWithCaseInsensitiveLookup) {
  TempDir dir;
  const auto path = dir / "registry.json";
  {
    ClassRegistry reg(path);
    reg.load();  // no file yet: empty
    EXPECT_TRUE(reg.progIds().empty());
    reg.add("Velumor.VelumorMainViewClass", {"/opt/v/libvelumor.so", "{main}"});
    reg.add("Velumor.VelumorDiagViewClass", {"/opt/v/libvelumor.so", "{diag}"});
    reg.save();
  }
  ClassRegistry reg(path);
  reg.load();
  const auto entry = reg.find("velumor.velumormainviewclass");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->library, "/opt/v/libvelumor.so");
  EXPECT_EQ(entry->clsid, "{main}");
  EXPECT_FALSE(reg.find("Velumor.Nothing").has_value());
  const std::vector<std::string> ids = {"Velumor.VelumorDiagViewClass", "Velumor.VelumorMainViewClass"};
  EXPECT_EQ(reg.progIds(), ids);
}

TEST(ClassRegistry, SaveCreatesTheFolderAndLeavesNoTemporaryFile) {
  TempDir dir;
  const auto path = dir.path() / "a" / "b" / "registry.json";
  ClassRegistry reg(path);
  reg.load();
  reg.add("X.Y", {"/lib/x.so", ""});
  reg.save();
  ASSERT_TRUE(std::filesystem::exists(path));
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path.parent_path())) ++files;
  EXPECT_EQ(files, 1);
  EXPECT_EQ(json::parse(readText(path))["classes"]["X.Y"]["library"], "/lib/x.so");
}

// Another user of the folder can plant links under names a save might use; a save must
// write through none of them, and the registry keeps the mode its owner gave it.
TEST(ClassRegistry, SaveFollowsNoPlantedLinkAndKeepsTheFileMode) {
  TempDir dir;
  const auto path = dir / "registry.json";
  writeText(dir / "victim", "precious");
  const std::string planted = path.string() + ".tmp-" + std::to_string(::getpid());
  ASSERT_EQ(::symlink((dir / "victim").c_str(), planted.c_str()), 0);
  {
    ClassRegistry reg(path);
    reg.load();
    reg.add("X.Y", {"/lib/x.so", ""});
    reg.save();
  }
  ::chmod(path.c_str(), 0600);
  {
    ClassRegistry reg(path);
    reg.load();
    reg.add("X.Z", {"/lib/z.so", ""});
    reg.save();
  }
  EXPECT_EQ(readText(dir / "victim"), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(planted));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 3) << "the registry, the victim and the planted link, nothing else";
}

TEST(ClassRegistry, KeepsEntriesAndFieldsItDoesNotKnow) {
  TempDir dir;
  const auto path = dir / "registry.json";
  writeText(path, R"({
    "comment": "kept",
    "classes": {
      "Other.Thing": {"library": "/usr/lib/other.so", "clsid": "{o}", "threading": "single"},
      "Velumor.VelumorMainViewClass": {"library": "/old/libvelumor.so", "clsid": "{old}", "note": "mine"}
    }
  })");
  ClassRegistry reg(path);
  reg.load();
  reg.add("VELUMOR.VelumorMainViewClass", {"/new/libvelumor.so", "{new}"});  // another spelling replaces
  reg.save();

  const json doc = json::parse(readText(path));
  EXPECT_EQ(doc["comment"], "kept");
  EXPECT_EQ(doc["classes"]["Other.Thing"],
            json::parse(R"({"library": "/usr/lib/other.so", "clsid": "{o}", "threading": "single"})"));
  EXPECT_EQ(doc["classes"].size(), 2u);
  EXPECT_FALSE(doc["classes"].contains("Velumor.VelumorMainViewClass"));
  const json& mine = doc["classes"]["VELUMOR.VelumorMainViewClass"];
  EXPECT_EQ(mine["library"], "/new/libvelumor.so");
  EXPECT_EQ(mine["clsid"], "{new}");
  EXPECT_EQ(mine["note"], "mine");
}

TEST(ClassRegistry, Remove) {
  TempDir dir;
  ClassRegistry reg(dir / "registry.json");
  reg.load();
  EXPECT_FALSE(reg.remove("A.B"));
  reg.add("A.B", {"/a.so", ""});
  reg.add("C.D", {"/c.so", ""});
  EXPECT_TRUE(reg.remove("a.b"));
  EXPECT_FALSE(reg.remove("A.B"));
  EXPECT_EQ(reg.progIds(), std::vector<std::string>{"C.D"});
}

TEST(ClassRegistry, CorruptFileIsReportedAndNeverOverwritten) {
  TempDir dir;
  const auto path = dir / "registry.json";
  for (const std::string& bad :
       {std::string("{\"classes\": {\"A.B\": {\"library\": \"/a.so\""), std::string("[1, 2]"),
        std::string(R"({"classes": []})"), std::string(R"({"classes": {"A.B": {"clsid": "{x}"}}})"),
        std::string(R"({"classes": {"A.B": "/a.so"}})")}) {
    writeText(path, bad);
    ClassRegistry reg(path);
    const RuntimeError e = caught([&] { reg.load(); });
    EXPECT_EQ(e.number(), err::InvalidFileFormat) << bad;
    EXPECT_NE(e.description().find(path.string()), std::string::npos) << e.description();
    EXPECT_FALSE(reg.find("A.B").has_value());

    reg.add("Velumor.X", {"/v.so", ""});
    EXPECT_EQ(caught([&] { reg.save(); }).number(), err::PathFileAccess);
    EXPECT_EQ(readText(path), bad);
  }
}

// A deeply nested member the registry does not know was kept and written back recursively,
// which overflowed the stack of the registration tool: such a file is refused at its line.
TEST(ClassRegistry, DeeplyNestedFileIsRefusedAtItsLineAndKept) {
  TempDir dir;
  const auto path = dir / "registry.json";
  const std::string bad =
      "{\"classes\": {},\n\"other\": " + std::string(20000, '[') + std::string(20000, ']') + "}\n";
  writeText(path, bad);
  ClassRegistry reg(path);
  const RuntimeError e = caught([&] { reg.load(); });
  EXPECT_EQ(e.number(), err::InvalidFileFormat);
  EXPECT_NE(e.description().find(path.string()), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("too deeply nested at line 2"), std::string::npos) << e.description();
  EXPECT_LT(e.description().size(), 400u);
  reg.add("Velumor.X", {"/v.so", ""});
  EXPECT_EQ(caught([&] { reg.save(); }).number(), err::PathFileAccess);
  EXPECT_EQ(readText(path), bad);
}

TEST(ClassRegistry, SaveWithoutLoadDoesNotClobberAnExistingFile) {
  TempDir dir;
  const auto path = dir / "registry.json";
  const std::string original = R"({"classes": {"Other.Thing": {"library": "/o.so", "clsid": ""}}})";
  writeText(path, original);
  ClassRegistry reg(path);
  reg.add("Velumor.X", {"/v.so", ""});
  EXPECT_EQ(caught([&] { reg.save(); }).number(), err::PathFileAccess);
  EXPECT_EQ(readText(path), original);

  ClassRegistry fresh(dir / "new.json");  // no file: nothing to lose
  fresh.add("Velumor.X", {"/v.so", ""});
  EXPECT_NO_THROW(fresh.save());
}

TEST(ClassRegistry, DefaultPathFollowsTheEnvironment) {
  {
    EnvGuard reg("VELUMOR_REGISTRY", "/tmp/explicit.json");
    EXPECT_EQ(ClassRegistry::defaultPath(), "/tmp/explicit.json");
  }
  EnvGuard reg("VELUMOR_REGISTRY", nullptr);
  {
    EnvGuard xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(ClassRegistry::defaultPath(), "/cfg/velumor/registry.json");
  }
  EnvGuard home("HOME", "/home/user");
  {
    EnvGuard xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(ClassRegistry::defaultPath(), "/home/user/.config/velumor/registry.json");
  }
  {
    EnvGuard xdg("XDG_CONFIG_HOME", "relative/cfg");  // not absolute: ignored
    EXPECT_EQ(ClassRegistry::defaultPath(), "/home/user/.config/velumor/registry.json");
  }
  {
    EnvGuard empty("VELUMOR_REGISTRY", "");
    EnvGuard xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(ClassRegistry::defaultPath(), "/home/user/.config/velumor/registry.json");
  }
}

// ---------------------------------------------------------------------------------------------
// Settings registry

constexpr const char* kSettings = R"({
  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Velumor Test\\Tools": {
    "Path": {"type": 1, "value": "/usr/bin/sysinfo"},
    "Home": {"type": 2, "value": "%HOME%/tools"},
    "Level": {"type": 4, "value": 3}
  }
})";

TEST(SettingsRegistry, OpenKeyAndQueryValues) {
  TempDir dir;
  writeText(dir / "settings.json", kSettings);
  SettingsRegistry settings(dir / "settings.json");
  settings.load();

  EXPECT_TRUE(settings.openKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\Velumor Test\\Tools"));
  EXPECT_TRUE(settings.openKey("hkey_local_machine", "software\\velumor test\\TOOLS\\"));
  EXPECT_FALSE(settings.openKey("HKEY_CURRENT_USER", "SOFTWARE\\Velumor Test\\Tools"));
  EXPECT_FALSE(settings.openKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\Velumor Test"));

  const auto path = settings.queryValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Velumor Test\\Tools", "PATH");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(*path, (SettingValue{setting_type::String, "/usr/bin/sysinfo"}));

  const std::string key = SettingsRegistry::keyName("HKEY_LOCAL_MACHINE", "SOFTWARE\\Velumor Test\\Tools");
  EXPECT_EQ(key, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Velumor Test\\Tools");
  EXPECT_EQ(settings.queryValue(key, "Home"), (SettingValue{setting_type::ExpandString, "%HOME%/tools"}));
  EXPECT_EQ(settings.queryValue(key, "Level"), (SettingValue{setting_type::DWord, "3"}));
  EXPECT_FALSE(settings.queryValue(key, "Missing").has_value());
  EXPECT_FALSE(settings.queryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\None", "Path").has_value());
}

TEST(SettingsRegistry, SetValueRoundTrip) {
  TempDir dir;
  const auto path = dir / "cfg" / "settings.json";
  {
    SettingsRegistry settings(path);
    settings.load();
    EXPECT_FALSE(settings.openKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\T"));
    settings.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "Path", {setting_type::String, "/a"});
    settings.setValue("hkey_local_machine\\software\\t", "PATH", {setting_type::String, "/b"});  // same value
    settings.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "Count", {setting_type::DWord, "4294967295"});
    EXPECT_EQ(comtest::errorNumberOf([&] {
                settings.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "Bad", {setting_type::DWord, "-1"});
              }),
              err::TypeMismatch);
    settings.save();
  }
  SettingsRegistry settings(path);
  settings.load();
  EXPECT_EQ(settings.queryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "path"),
            (SettingValue{setting_type::String, "/b"}));
  EXPECT_EQ(settings.queryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "Count"),
            (SettingValue{setting_type::DWord, "4294967295"}));
  EXPECT_FALSE(settings.queryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\T", "Bad").has_value());
  EXPECT_TRUE(settings.removeKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\T"));
  EXPECT_FALSE(settings.openKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\T"));
}

TEST(SettingsRegistry, CorruptFileIsReportedAndKept) {
  TempDir dir;
  const auto path = dir / "settings.json";
  for (const std::string& bad :
       {std::string("{"), std::string(R"({"K": {"Path": {"value": "/x"}}})"),
        std::string(R"({"K": {"Path": {"type": 1, "value": [1]}}})"), std::string(R"({"K": 5})")}) {
    writeText(path, bad);
    SettingsRegistry settings(path);
    const RuntimeError e = caught([&] { settings.load(); });
    EXPECT_EQ(e.number(), err::InvalidFileFormat) << bad;
    EXPECT_NE(e.description().find(path.string()), std::string::npos);
    EXPECT_ANY_THROW(settings.save());
    EXPECT_EQ(readText(path), bad);
  }
}

TEST(SettingsRegistry, DefaultPathFollowsTheEnvironment) {
  {
    EnvGuard s("VELUMOR_SETTINGS", "/tmp/s.json");
    EXPECT_EQ(SettingsRegistry::defaultPath(), "/tmp/s.json");
  }
  EnvGuard s("VELUMOR_SETTINGS", nullptr);
  EnvGuard xdg("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(SettingsRegistry::defaultPath(), "/cfg/velumor/settings.json");
}

}  // namespace
