// The description's texts in the session's language: the shipped German table leaves no text a
// user sees in English, the language picks the table, and a faulty table is named.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tolvar/sim/dd/device_data.h"

namespace tolvar::dd {
namespace {

DeviceData load(const std::filesystem::path& file, std::string_view language) {
  auto loaded = loadDeviceData(file, language);
  EXPECT_TRUE(loaded.ok()) << loaded.text();
  return loaded.ok() ? std::move(loaded).value() : DeviceData{};
}

TEST(DescriptionLanguage, TheGermanTableLeavesNoShownTextInEnglish) {
  const DeviceData en = load(TOLVAR_DD_DEVICE_FILE, "en");
  const DeviceData de = load(TOLVAR_DD_DEVICE_FILE, "de");
  ASSERT_EQ(en.variables.size(), de.variables.size());
  // The same in both languages: names of user levels, and nominal sizes.
  const std::set<std::string> same = {"Administrator", "OEM-Service"};
  auto expectGerman = [&](const std::string& english, const std::string& german, const std::string& where) {
    if (same.count(english) || english.rfind("DN ", 0) == 0) return;
    EXPECT_NE(german, english) << where << " has no German text";
  };
  for (size_t i = 0; i < en.variables.size(); ++i)
    expectGerman(en.variables[i].label, de.variables[i].label, "the label of " + en.variables[i].name);
  for (size_t i = 0; i < en.enumerations.size(); ++i) {
    const EnumDef& e = en.enumerations[i];
    if (e.name.find("UNITS") != std::string::npos) continue;  // unit symbols are the same
    for (size_t k = 0; k < e.entries.size(); ++k)
      expectGerman(e.entries[k].text, de.enumerations[i].entries[k].text,
                   e.name + " " + std::to_string(e.entries[k].value));
  }
  for (size_t i = 0; i < en.menu.size(); ++i) {
    if (en.menu[i].isSeparator()) continue;
    expectGerman(en.menu[i].caption, de.menu[i].caption, "menu entry " + std::to_string(i));
    expectGerman(en.menu[i].hint, de.menu[i].hint, "the hint of menu entry " + std::to_string(i));
  }
}

TEST(DescriptionLanguage, TheLanguagePicksTheTextsAndTheNamesStay) {
  for (const char* language : {"", "en", "fr"}) {
    const DeviceData d = load(TOLVAR_DD_DEVICE_FILE, language);
    EXPECT_EQ(d.findEnumeration("FLOW_DIRECTION")->entries[0].text, "Forward") << language;
  }
  const DeviceData de = load(TOLVAR_DD_DEVICE_FILE, "de");
  EXPECT_EQ(de.findEnumeration("FLOW_DIRECTION")->entries[0].text, "Vorwärts");
  EXPECT_EQ(de.menu[0].caption, "Gerätedaten");
  EXPECT_EQ(de.menu[0].function(), "fncStartForm") << "commands are no text to translate";
  // A lead-in is translated and the name after it kept; the longest lead-in wins.
  const VariableDef* state = de.findVariable("&&Record_State&&HART_COMMAND_000_READ");
  const VariableDef* control = de.findVariable("&&Record_Response_Control&&HART_COMMAND_000_READ");
  ASSERT_TRUE(state && control);
  EXPECT_EQ(state->label, "Zustand des Satzes: HART_COMMAND_000_READ");
  EXPECT_EQ(control->label, "Antwortsteuerung des Satzes: HART_COMMAND_000_READ");
  EXPECT_EQ(de.findVariable("TAG")->name, "TAG");
}

TEST(DescriptionLanguage, AFaultyTableIsNamedAndNothingLoads) {
  const auto dir = std::filesystem::temp_directory_path() / ("dd-language-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto description = dir / "meter.json";
  std::filesystem::copy_file(TOLVAR_DD_DEVICE_FILE, description,
                             std::filesystem::copy_options::overwrite_existing);
  struct Case {
    std::string table;
    std::string fault;
  };
  for (const Case& c : std::vector<Case>{
           {R"({"format": 1, "language": "de", "texts": {}, "colours": {}})", "unknown field \"colours\""},
           {R"({"format": 1, "language": "fr", "texts": {}})", "\"language\" must be \"de\""},
           {R"({"format": 2, "language": "de"})", "\"format\" must be 1"},
           {R"({"format": 1, "language": "de", "texts": {"Forward": 3}})", "texts \"Forward\""},
           {R"({"format": 1, "language": "de", "texts": {"Forward": ""}})", "texts \"Forward\""},
           {"not json", "is not a JSON object"},
       }) {
    std::ofstream(translationFile(description, "de")) << c.table;
    const auto loaded = loadDeviceData(description, "de");
    ASSERT_FALSE(loaded.ok()) << c.table;
    EXPECT_NE(loaded.text().find("meter.de.json: " + c.fault), std::string::npos) << loaded.text();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tolvar::dd
