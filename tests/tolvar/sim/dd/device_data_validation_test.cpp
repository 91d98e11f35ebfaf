// A faulty description must stop the host with a message that says where and what.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/temp_dir.h"
#include "tolvar/sim/dd/device_data.h"

namespace tolvar::dd {
namespace {

using json = nlohmann::ordered_json;  // fields stay in the order written, as in a file

json var(const std::string& name, const std::string& type, json dflt,
         const std::string& access = "read-write") {
  return {{"name", name}, {"type", type}, {"default", dflt}, {"label", name}, {"access", access}};
}

json enumVar(const std::string& name, const std::string& enumeration, int64_t dflt,
             const std::string& access = "read-write") {
  json v = var(name, "enum", dflt, access);
  v["enumeration"] = enumeration;
  return v;
}

// The smallest description that passes: one enumeration, a unit item, one record with its
// three items, one sequence with its three items, and one menu entry with its state item.
json minimalDoc() {
  json doc = {
      {"format", 1}, {"device", "TEST"}, {"properties", {{"DevDescLong", "Test meter"}, {"Nickname", "T"}}}};
  doc["enumerations"] = json::array(
      {{{"name", "MASS_FLOW_UNITS"},
        {"entries", json::array({{{"value", 73}, {"text", "kg/s"}}, {{"value", 75}, {"text", "kg/h"}}})}},
       {{"name", "STATE"}, {"entries", json::array({{{"value", 0}, {"text", "idle"}}})}},
       {{"name", "BITS"},
        {"entries",
         json::array({{{"value", 1}, {"text", "visible"}}, {{"value", 2}, {"text", "enabled"}}})}}});
  json flow = var("FLOW", "float", 12.5);
  flow["unitItem"] = "UNITS_QM";
  flow["upload"] = true;
  json tag = var("TAG", "packed_ascii", "FT-101");
  tag["length"] = 8;
  tag["download"] = true;
  json resp = var("&&Record_Response&&REC_READ", "bytes", "00 00", "read-only");
  resp["octets"] = 2;
  resp["firstOctet"] = 1;
  json respW = resp;
  respW["name"] = "&&Record_Response&&REC_WRITE";
  json progress = var("&&Sequence_Progress&&SEQ", "int", 0, "read-only");
  progress["min"] = 0;
  progress["max"] = 100;
  json menuState = var("&&Menu_State&&Main", "bitenum", 3);
  menuState["enumeration"] = "BITS";
  doc["variables"] = json::array({enumVar("UNITS_QM", "MASS_FLOW_UNITS", 75), flow, tag,
                                  enumVar("&&Record_State&&REC_READ", "STATE", 0, "read-only"), resp,
                                  var("&&Record_Response_Control&&REC_READ", "int", 0),
                                  enumVar("&&Record_State&&REC_WRITE", "STATE", 0, "read-only"), respW,
                                  var("&&Record_Response_Control&&REC_WRITE", "int", 0),
                                  enumVar("&&Sequence_State&&SEQ", "STATE", 0, "read-only"),
                                  var("&&Sequence_Control&&SEQ", "int", 0), progress, menuState});
  doc["records"] = json::array({{{"name", "REC_READ"},
                                 {"command", 3},
                                 {"direction", "read"},
                                 {"label", "Read"},
                                 {"items", {"FLOW", "UNITS_QM"}}},
                                {{"name", "REC_WRITE"},
                                 {"command", 18},
                                 {"direction", "write"},
                                 {"label", "Write"},
                                 {"items", {"TAG"}}}});
  doc["sequences"] = json::array({{{"name", "SEQ"}, {"label", "Sequence"}, {"records", {"REC_READ"}}}});
  doc["menu"] = json::array(
      {{{"state", "Main"}, {"caption", "Main"}, {"command", "fncStartForm X.Y"}}, {{"caption", "-"}}});
  return doc;
}

// Index of a variable in the minimal document.
size_t varAt(const json& doc, const std::string& name) {
  for (size_t i = 0; i < doc["variables"].size(); ++i)
    if (doc["variables"][i]["name"] == name) return i;
  throw std::runtime_error("no " + name);
}

std::string errorOf(const std::string& text) {
  const auto result = parseDeviceData(text, "test.json");
  if (result) return "(no error)";
  EXPECT_EQ(result.reason(), tolvar::Reason::BadFile);
  return result.text();
}

// A description the test expects to load.
DeviceData parsed(const json& doc) {
  auto result = parseDeviceData(doc.dump(), "test.json");
  if (!result) throw std::runtime_error(result.text());
  return std::move(result).value();
}

void expectError(const json& doc, std::initializer_list<std::string> fragments) {
  std::string msg = errorOf(doc.dump());
  EXPECT_EQ(msg.rfind("test.json: ", 0), 0u) << msg;
  for (const std::string& f : fragments)
    EXPECT_NE(msg.find(f), std::string::npos) << "missing \"" << f << "\" in: " << msg;
}

TEST(DeviceDataValidation, MinimalDescriptionLoads) {
  DeviceData d = parsed(minimalDoc());
  EXPECT_EQ(d.variables.size(), 13u);
  ASSERT_NE(d.findVariable("flow"), nullptr);
  EXPECT_EQ(d.findVariable("flow")->unitItem, "UNITS_QM");
  EXPECT_EQ(d.findVariable("FLOWX"), nullptr);
  EXPECT_EQ(d.findVariable(""), nullptr);
  EXPECT_EQ(d.findRecord("rec_read")->items.size(), 2u);
  EXPECT_EQ(d.findSequence("seq")->records.front(), "REC_READ");
}

TEST(DeviceDataValidation, NamesDifferingOnlyInCaseAreDuplicates) {
  json doc = minimalDoc();
  doc["variables"].push_back(var("flow", "float", 1.0));
  expectError(doc, {"variables[13] \"flow\"", "duplicate variable name", "\"FLOW\""});

  doc = minimalDoc();
  doc["enumerations"].push_back(
      {{"name", "state"}, {"entries", json::array({{{"value", 1}, {"text", "x"}}})}});
  expectError(doc, {"enumerations[3] \"state\"", "duplicate enumeration name"});

  doc = minimalDoc();
  doc["records"].push_back(doc["records"][0]);
  doc["records"][2]["name"] = "Rec_Read";
  expectError(doc, {"records[2] \"Rec_Read\"", "duplicate record name"});

  doc = minimalDoc();
  doc["sequences"].push_back(doc["sequences"][0]);
  doc["sequences"][1]["name"] = "seq";
  expectError(doc, {"sequences[1] \"seq\"", "duplicate sequence name"});

  doc = minimalDoc();
  doc["properties"]["NICKNAME"] = "again";
  expectError(doc, {"properties \"NICKNAME\"", "duplicate property name"});
}

TEST(DeviceDataValidation, DanglingReferencesAreNamed) {
  json doc = minimalDoc();
  doc["variables"][varAt(doc, "UNITS_QM")]["enumeration"] = "NO_SUCH_UNITS";
  expectError(doc, {"variables[0] \"UNITS_QM\"", "enumeration \"NO_SUCH_UNITS\" is not defined"});

  doc = minimalDoc();
  doc["sequences"][0]["records"].push_back("NO_SUCH_RECORD");
  expectError(doc, {"sequences[0] \"SEQ\"", "record \"NO_SUCH_RECORD\" is not defined"});

  doc = minimalDoc();
  doc["sequences"][0]["adjust"] = {"REC_READ", "GONE"};
  expectError(doc, {"sequences[0] \"SEQ\"", "adjust record \"GONE\" is not defined"});

  doc = minimalDoc();
  doc["records"][0]["items"].push_back("NO_SUCH_ITEM");
  expectError(doc, {"records[0] \"REC_READ\"", "item \"NO_SUCH_ITEM\" is not a defined variable"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["unitItem"] = "UNITS_GONE";
  expectError(doc, {"variables[1] \"FLOW\"", "unit item \"UNITS_GONE\" is not defined"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["unitItem"] = "TAG";
  expectError(doc, {"\"FLOW\"", "unit item \"TAG\" is not an enum variable"});
}

TEST(DeviceDataValidation, RecordsSequencesAndMenuEntriesNeedTheirOwnItems) {
  json doc = minimalDoc();
  doc["variables"].erase(varAt(doc, "&&Record_Response_Control&&REC_READ"));
  expectError(doc, {"records[0] \"REC_READ\"", "\"&&Record_Response_Control&&REC_READ\" is not defined"});

  doc = minimalDoc();
  doc["variables"].erase(varAt(doc, "&&Sequence_Progress&&SEQ"));
  expectError(doc, {"sequences[0] \"SEQ\"", "\"&&Sequence_Progress&&SEQ\" is not defined"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "&&Sequence_Control&&SEQ")]["access"] = "read-only";
  expectError(doc, {"\"&&Sequence_Control&&SEQ\" must be read-write"});

  doc = minimalDoc();
  doc["menu"][0]["state"] = "Elsewhere";
  expectError(doc, {"menu[0] \"Main\"", "\"&&Menu_State&&Elsewhere\" is not defined"});

  doc = minimalDoc();
  doc["menu"][1]["command"] = "SaveToDevice";
  expectError(doc, {"menu[1] \"-\"", "a separator takes no"});

  doc = minimalDoc();
  doc["menu"][0]["command"] = "   ";
  expectError(doc, {"menu[0] \"Main\"", "names no function"});
}

TEST(DeviceDataValidation, DefaultsMustFitTheirType) {
  struct Case {
    const char* variable;
    json value;
    const char* fragment;
  };
  const Case cases[] = {
      {"FLOW", "12.5", "does not fit type float"},
      {"FLOW", true, "does not fit type float"},
      {"FLOW", 1e39, "single-precision"},
      {"UNITS_QM", 74, "not a value of enumeration \"MASS_FLOW_UNITS\""},
      {"UNITS_QM", 75.5, "does not fit type enum"},
      {"&&Menu_State&&Main", 8, "sets bits that enumeration \"BITS\" does not name"},
      {"&&Record_Response_Control&&REC_READ", 4294967296LL, "32-bit"},
      {"&&Record_Response_Control&&REC_READ", -2147483649LL, "32-bit"},
      {"&&Record_Response&&REC_READ", "00", "default holds 1 octets, \"octets\" says 2"},
      {"&&Record_Response&&REC_READ", "00 0G", "hexadecimal octets"},
      {"&&Record_Response&&REC_READ", "0000", "hexadecimal octets"},
      {"TAG", "ft-101", "packed ASCII cannot carry"},
      {"TAG", "TOO-LONG-TAG", "longer than 8 characters"},
      {"&&Sequence_Progress&&SEQ", 101, "outside \"min\"/\"max\""},
  };
  for (const Case& c : cases) {
    json doc = minimalDoc();
    doc["variables"][varAt(doc, c.variable)]["default"] = c.value;
    expectError(doc, {std::string("\"") + c.variable + "\"", c.fragment});
  }
}

TEST(DeviceDataValidation, DatesAndBooleansAreChecked) {
  json doc = minimalDoc();
  json date = var("DATE_ALL", "date", "2023-02-29");
  doc["variables"].push_back(date);
  expectError(doc, {"\"DATE_ALL\"", "valid date"});

  doc = minimalDoc();
  date["default"] = "2024-02-29";
  doc["variables"].push_back(date);
  DeviceData d = parsed(doc);
  EXPECT_EQ(std::get<Date>(d.findVariable("DATE_ALL")->defaultValue), (Date{2024, 2, 29}));
  EXPECT_EQ(d.findVariable("DATE_ALL")->defaultText(), "2024-02-29");

  doc = minimalDoc();
  doc["variables"].push_back(var("ADJUST", "bool", 0));
  expectError(doc, {"\"ADJUST\"", "does not fit type bool"});
}

TEST(DeviceDataValidation, FieldsMustBelongToTheirType) {
  json doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["unitItme"] = "UNITS_QM";
  expectError(doc, {"\"FLOW\"", "unknown field \"unitItme\""});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["enumeration"] = "MASS_FLOW_UNITS";
  expectError(doc, {"\"FLOW\"", "only enum and bitenum"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "TAG")].erase("length");
  expectError(doc, {"\"TAG\"", "\"length\" is missing"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["type"] = "real";
  expectError(doc, {"\"FLOW\"", "unknown type \"real\""});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["unit"] = "kg/h";
  expectError(doc, {"\"FLOW\"", "either \"unitItem\" or \"unit\""});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["access"] = "write-only";
  expectError(doc, {"\"FLOW\"", "access must be"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["name"] = "BAD NAME";
  expectError(doc, {"\"BAD NAME\"", "printable ASCII without blanks"});

  doc = minimalDoc();
  doc["enumerations"][0]["entries"].push_back({{"value", 73}, {"text", "again"}});
  expectError(doc, {"enumerations[0] \"MASS_FLOW_UNITS\"", "value 73 occurs twice"});

  doc = minimalDoc();
  doc["format"] = 2;
  expectError(doc, {"\"format\"", "must be the number 1"});

  doc = minimalDoc();
  doc["properties"].erase("DevDescLong");
  expectError(doc, {"property \"DevDescLong\" is missing"});
}

TEST(DeviceDataValidation, TransfersMatchTheRecords) {
  json doc = minimalDoc();
  doc["variables"][varAt(doc, "FLOW")]["download"] = true;
  expectError(doc, {"\"FLOW\"", "marked for download, but no write record carries it"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "TAG")]["upload"] = true;
  expectError(doc, {"\"TAG\"", "marked for upload, but no read record carries it"});

  doc = minimalDoc();
  doc["variables"][varAt(doc, "TAG")]["access"] = "read-only";
  doc["variables"][varAt(doc, "TAG")].erase("download");
  expectError(doc, {"records[1] \"REC_WRITE\"", "writes item \"TAG\", which is read-only"});

  doc = minimalDoc();
  doc["records"][0]["items"].push_back("flow");
  expectError(doc, {"records[0] \"REC_READ\"", "item \"flow\" occurs twice"});
}

TEST(DeviceDataValidation, MalformedJsonNamesTheSource) {
  std::string msg = errorOf(R"({"format": 1, "device": "X",)");
  EXPECT_EQ(msg.rfind("test.json: malformed JSON", 0), 0u) << msg;
  msg = errorOf("[1, 2]");
  EXPECT_NE(msg.find("must be a JSON object"), std::string::npos) << msg;
}

// A hostile description nested thousands of levels deep once overflowed the stack: it is
// refused before parsing, at the line where it goes too deep, and the text quotes no document.
TEST(DeviceDataValidation, DeepNestingIsRefusedWithItsLine) {
  json doc = minimalDoc();
  std::string text = doc.dump(1);
  const std::string deep = "\"x\": " + std::string(5000, '[') + std::string(5000, ']') + ",\n";
  text.insert(2, deep);  // after the opening brace and its line break
  const std::string msg = errorOf(text);
  EXPECT_EQ(msg, "test.json: too deeply nested at line 2");

  // Brackets inside strings do not count, and the depth the description needs is allowed.
  json ok = minimalDoc();
  ok["properties"]["DevDescLong"] = std::string(500, '[');
  EXPECT_EQ(errorOf(ok.dump()), "(no error)");
  json nested = json::array();
  for (int i = 0; i < 90; ++i) nested = json::array({nested});
  json within = minimalDoc();
  within["variables"][varAt(within, "FLOW")]["default"] = nested;
  const std::string m2 = errorOf(within.dump());
  EXPECT_NE(m2.find("does not fit type"), std::string::npos) << m2;
  EXPECT_LT(m2.size(), 300u) << "the error quotes the nested value";
}

TEST(DeviceDataValidation, MalformedJsonQuotesOnlyTheStartOfALongToken) {
  const std::string msg = errorOf("{\"format\": " + std::string(100000, '7') + "x}");
  EXPECT_EQ(msg.rfind("test.json: malformed JSON", 0), 0u) << msg.substr(0, 100);
  EXPECT_LT(msg.size(), 400u);
}

TEST(DeviceDataValidation, FileErrorsNameTheFile) {
  const testsupport::TempDir temp("tolvar_dd_test");
  const std::filesystem::path& dir = temp.path();
  auto missing = dir / "missing.json";
  const auto notThere = loadDeviceData(missing);
  ASSERT_FALSE(notThere.ok()) << "a missing file loaded";
  EXPECT_EQ(notThere.reason(), tolvar::Reason::BadFile);
  EXPECT_EQ(notThere.text(), missing.string() + ": cannot be opened");

  auto bad = dir / "bad.json";
  json doc = minimalDoc();
  doc["sequences"][0]["records"] = {"NOWHERE"};
  std::ofstream(bad) << doc.dump(1);
  const auto faulty = loadDeviceData(bad);
  ASSERT_FALSE(faulty.ok()) << "a faulty file loaded";
  EXPECT_EQ(faulty.reason(), tolvar::Reason::BadFile);
  EXPECT_EQ(faulty.text(), bad.string() + ": sequences[0] \"SEQ\": record \"NOWHERE\" is not defined");
}

TEST(DeviceDataObjects, LongOutputsReadTheValueAsTheViewsDo) {
  json doc = minimalDoc();
  json ctx = var("&&private_FDT&&EngineeringContext", "int", 4294967294LL, "read-only");
  doc["variables"].push_back(ctx);
  json half = var("HALF", "float", 2.5);
  doc["variables"].push_back(half);
  half["name"] = "HALF_ODD";
  half["default"] = 3.5;
  doc["variables"].push_back(half);
  DeviceData d = parsed(doc);
  // An unsigned flag word reads as its signed counterpart; halves round to the even neighbour.
  EXPECT_EQ(
      std::get<int32_t>(d.findObject(ObjectKind::Object, "&&private_FDT&&EngineeringContext")->info2[0]), -2);
  EXPECT_EQ(std::get<int32_t>(d.findObject(ObjectKind::Object, "HALF")->info2[0]), 2);
  EXPECT_EQ(std::get<int32_t>(d.findObject(ObjectKind::Object, "HALF_ODD")->info2[0]), 4);

  const ObjectDef* flow = d.findObject(ObjectKind::Object, "FLOW");
  EXPECT_EQ(std::get<std::string>(flow->info[2]), "UNITS_QM");
  EXPECT_EQ(std::get<int32_t>(flow->info[3]), kAccessRead | kAccessWrite);
  EXPECT_EQ(std::get<std::string>(flow->info3[1]), "REC_READ");
  EXPECT_EQ(std::get<std::string>(flow->info3[2]), "");
  const ObjectDef* progress = d.findObject(ObjectKind::Object, "&&Sequence_Progress&&SEQ");
  EXPECT_TRUE(std::get<int32_t>(progress->info3[0]) & kObjHostSide);
  EXPECT_EQ(std::get<std::string>(progress->info3[3]), "Sequence_Progress");
  EXPECT_EQ(d.findObject(ObjectKind::Record, "SEQ"), nullptr);
  EXPECT_EQ(d.findObject(ObjectKind::Sequence, "seq")->name, "SEQ");
  EXPECT_FALSE(parseObjectKind("menu").has_value());
}

TEST(DeviceDataMenu, CommandsSplitAtTheFirstBlankAfterTrimming) {
  MenuEntryDef m;
  m.command = "  fncStartForm  Velumor.VelumorDiagViewClass ";
  EXPECT_EQ(m.function(), "fncStartForm");
  EXPECT_EQ(m.parameter(), " Velumor.VelumorDiagViewClass");
  m.command = " SaveToDevice ";
  EXPECT_EQ(m.function(), "SaveToDevice");
  EXPECT_EQ(m.parameter(), "");
  m.command = "fncRun a b";
  EXPECT_EQ(m.parameter(), "a b");
}

}  // namespace
}  // namespace tolvar::dd
