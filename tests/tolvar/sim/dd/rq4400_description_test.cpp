// The shipped RQ4400 description: complete for every name the views use, and consistent with
// what the views make of it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tolvar/sim/dd/device_data.h"

namespace tolvar::dd {
namespace {

struct RequiredName {
  std::string kind;  // item, enumerated, record, sequence
  std::string name;
  std::vector<std::string> otherSpellings;
};

std::vector<RequiredName> readRequiredNames() {
  std::ifstream in(TOLVAR_DD_REQUIRED_NAMES);
  std::vector<RequiredName> out;
  std::string line;
  const std::string also = "#   also spelled ";
  while (std::getline(in, line)) {
    if (line.rfind(also, 0) == 0) {
      if (!out.empty()) out.back().otherSpellings.push_back(line.substr(also.size()));
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    RequiredName r;
    fields >> r.kind >> r.name;
    out.push_back(r);
  }
  return out;
}

class Rq4400Description : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto loaded = loadDeviceData(TOLVAR_DD_DEVICE_FILE);
    if (!loaded) throw std::runtime_error(loaded.text());
    data_ = new DeviceData(std::move(loaded).value());
  }
  static void TearDownTestSuite() {
    delete data_;
    data_ = nullptr;
  }
  static const DeviceData& dd() { return *data_; }

  const VariableDef& var(const std::string& name) {
    const VariableDef* v = dd().findVariable(name);
    if (!v) throw std::runtime_error("no variable " + name);
    return *v;
  }

 private:
  static DeviceData* data_;
};
DeviceData* Rq4400Description::data_ = nullptr;

TEST_F(Rq4400Description, EveryNameTheViewsUseIsDefined) {
  auto required = readRequiredNames();
  // A missing or truncated list would make this test pass vacuously.
  ASSERT_GT(required.size(), 200u);

  std::vector<std::string> missing;
  for (const RequiredName& r : required) {
    bool found = false;
    if (r.kind == "item")
      found = dd().findVariable(r.name) != nullptr;
    else if (r.kind == "enumerated") {
      const VariableDef* v = dd().findVariable(r.name);
      found = v && dd().enumerationOf(*v) && !dd().enumerationOf(*v)->entries.empty();
    } else if (r.kind == "record")
      found = dd().findRecord(r.name) != nullptr;
    else if (r.kind == "sequence")
      found = dd().findSequence(r.name) != nullptr;
    else
      ADD_FAILURE() << "unknown kind in the list: " << r.kind;
    if (!found) missing.push_back(r.kind + " " + r.name);
  }
  EXPECT_TRUE(missing.empty()) << [&] {
    std::string s;
    for (const auto& m : missing) s += m + "\n";
    return s;
  }();
}

TEST_F(Rq4400Description, EverySpellingOfANameReachesTheSameDefinition) {
  int checked = 0;
  for (const RequiredName& r : readRequiredNames()) {
    for (const std::string& other : r.otherSpellings) {
      ++checked;
      if (r.kind == "sequence") {
        EXPECT_EQ(dd().findSequence(other), dd().findSequence(r.name)) << other;
      } else {
        ASSERT_NE(dd().findVariable(r.name), nullptr) << r.name;
        EXPECT_EQ(dd().findVariable(other), dd().findVariable(r.name)) << other;
      }
    }
  }
  // The views spell the connection state, the address and the transfer progress items in
  // more than one way; the list must have recorded that.
  EXPECT_GE(checked, 4);
  EXPECT_EQ(dd().findVariable("&&private&&Connect"), dd().findVariable("&&private&&connect"));
  EXPECT_EQ(dd().findSequence("upload"), dd().findSequence("UPLOAD"));
  EXPECT_EQ(dd().findVariable("&&Sequence_Progress&&FULL_Download"),
            dd().findVariable("&&Sequence_Progress&&Full_Download"));
}

TEST_F(Rq4400Description, DevicePropertiesAnswerAnyCase) {
  ASSERT_NE(dd().property("DevDescLong"), nullptr);
  EXPECT_FALSE(dd().property("DevDescLong")->empty());
  // GetDeviceProperty asks for "Nickname", the menu's general string for "NickName".
  ASSERT_NE(dd().property("NickName"), nullptr);
  EXPECT_EQ(dd().property("NickName"), dd().property("Nickname"));
  EXPECT_EQ(dd().property("NoSuchProperty"), nullptr);
}

TEST_F(Rq4400Description, RecordsAndSequencesOwnTheItemsTheSupervisionViewRegisters) {
  ASSERT_FALSE(dd().records.empty());
  for (const RecordDef& r : dd().records) {
    EXPECT_NE(dd().findVariable(recordStateItem(r.name)), nullptr) << r.name;
    EXPECT_NE(dd().findVariable(recordResponseItem(r.name)), nullptr) << r.name;
    EXPECT_NE(dd().findVariable(recordResponseControlItem(r.name)), nullptr) << r.name;
  }
  for (const SequenceDef& s : dd().sequences) {
    EXPECT_NE(dd().findVariable(sequenceStateItem(s.name)), nullptr) << s.name;
    EXPECT_NE(dd().findVariable(sequenceControlItem(s.name)), nullptr) << s.name;
    EXPECT_NE(dd().findVariable(sequenceProgressItem(s.name)), nullptr) << s.name;
  }
  // The views leave their own progress bars to these three by their exact upper-case names.
  for (const char* name : {"UPLOAD", "DOWNLOAD", "FULL_DOWNLOAD"}) {
    ASSERT_NE(dd().findSequence(name), nullptr) << name;
    EXPECT_EQ(dd().findSequence(name)->name, name);
  }
}

TEST_F(Rq4400Description, ResponsesCarryCodeAndStatusAndTheVariantWord) {
  // Octet 1 is the response code and octet 2 the field device status of every response.
  for (const RecordDef& r : dd().records) {
    const VariableDef& resp = var(recordResponseItem(r.name));
    EXPECT_EQ(resp.firstOctet, 1) << r.name;
    EXPECT_GE(resp.octets, 2) << r.name;
  }
  // The device-variant rule reads the last four octets of the status command's response as
  // one number: 5 for the first variant, 18 or more for the second.
  const VariableDef& r48 = var("&&Record_Response&&HART_COMMAND_048_ReadOctets");
  ASSERT_GE(r48.octets, 6);
  const auto& octets = std::get<std::vector<uint8_t>>(r48.defaultValue);
  uint32_t word = 0;
  for (size_t i = octets.size() - 4; i < octets.size(); ++i) word = (word << 8) | octets[i];
  int expectedVariant = word == 5 ? 0 : (word >= 18 ? 1 : -1);
  EXPECT_EQ(expectedVariant, std::get<int64_t>(var("HartRevision").defaultValue));
}

TEST_F(Rq4400Description, StatusItemsSitAtTheOctetNumbersTheViewsIndex) {
  struct Layout {
    const char* name;
    int first;
    int count;
  };
  for (const Layout& l :
       {Layout{"ADD_TRANSMITTER_STATE_ERROR", 0, 3}, Layout{"ADD_TRANSMITTER_STATE_STATE", 3, 2},
        Layout{"A10_ADD_TRANSMITTER_STATE_ERROR", 0, 4}, Layout{"A10_ADD_TRANSMITTER_STATE_TSTATE", 14, 2},
        Layout{"A10_ADD_TRANSMITTER_STATE_WARNINGS", 16, 3}}) {
    const VariableDef& v = var(l.name);
    EXPECT_EQ(v.type, ValueType::Bytes) << l.name;
    EXPECT_EQ(v.firstOctet, l.first) << l.name;
    EXPECT_EQ(v.octets, l.count) << l.name;
  }
  // The whole status block covers every octet the two variants read.
  const VariableDef& all = var("ADD_TRANSMITTER_STATE");
  EXPECT_EQ(all.firstOctet, 0);
  EXPECT_GE(all.octets, 19);
}

TEST_F(Rq4400Description, AFreshMeterRaisesNoConfigurationError) {
  // The views report a configuration error when an output choice differs from its fixed one.
  struct Choice {
    const char* item;
    int64_t fixed;
  };
  for (const Choice& c :
       {Choice{"CURRENT_OUTPUT_1_OUTPUT_VARIABLE", 0}, Choice{"CURRENT_OUTPUT_2_OUTPUT_VARIABLE", 2},
        Choice{"PULSE_OUTPUT_MODE", 1}, Choice{"DISPLAY_2ND_LINE", 11}}) {
    const VariableDef& v = var(c.item);
    EXPECT_EQ(std::get<int64_t>(v.defaultValue), c.fixed) << c.item;
    const EnumDef* e = dd().enumerationOf(v);
    ASSERT_NE(e, nullptr) << c.item;
    EXPECT_NE(e->find(c.fixed), nullptr) << c.item;
  }
  // The displays map these selections to scales; each needs a text in its enumeration.
  for (int64_t k : {0, 1, 2, 3}) {
    EXPECT_NE(dd().enumerationOf(var("CURRENT_OUTPUT_1_OUTPUT_VARIABLE"))->find(k), nullptr) << k;
    EXPECT_NE(dd().enumerationOf(var("CURRENT_OUTPUT_2_OUTPUT_VARIABLE"))->find(k), nullptr) << k;
  }
  for (int64_t k : {1, 2, 10, 11}) {
    EXPECT_NE(dd().enumerationOf(var("DISPLAY_2ND_LINE"))->find(k), nullptr) << k;
  }
}

TEST_F(Rq4400Description, HostMenuStatesStartAsTheSupervisionViewWritesThem) {
  // Disconnected: Connect enabled, the device entries visible but disabled.
  EXPECT_EQ(std::get<int64_t>(var("&&Menu_State&&Connect").defaultValue), 3);
  for (const char* n : {"Disconnect", "MenuSetSlaveAddr", "LoadFromDevice", "SaveToDevice"})
    EXPECT_EQ(std::get<int64_t>(var(std::string("&&Menu_State&&") + n).defaultValue), 1) << n;
}

TEST_F(Rq4400Description, DeviceMenuOpensEveryViewAndSavesOnce) {
  int saves = 0;
  std::set<std::string> opened;
  for (const MenuEntryDef& m : dd().menu) {
    if (m.isSeparator()) continue;
    EXPECT_NE(dd().findVariable(menuStateItem(m.state)), nullptr) << m.caption;
    if (equalsNoCase(m.function(), "SaveToDevice")) ++saves;
    if (equalsNoCase(m.function(), "fncStartForm")) opened.insert(m.parameter());
  }
  EXPECT_EQ(saves, 1);
  // A view hides the entry whose parameter holds its own class name, so each class name
  // must appear in exactly one parameter.
  for (const char* cls :
       {"VelumorMainViewClass", "VelumorDiagViewClass", "VelumorSimulationClass", "VelumorDisplayTrendClass",
        "VelumorDisplayAnalogClass", "VelumorDisplayDigitalClass", "VelumorDisplayBarClass"}) {
    int holders = 0;
    for (const std::string& p : opened) holders += p.find(cls) != std::string::npos;
    EXPECT_EQ(holders, 1) << cls;
  }
  EXPECT_GE(std::count_if(dd().menu.begin(), dd().menu.end(),
                          [](const MenuEntryDef& m) { return m.isSeparator(); }),
            1);
}

TEST_F(Rq4400Description, ObjectQueriesAnswerWhatTheViewsAsk) {
  // Enumeration look-up as the views make it: the object's fifth info output names it.
  const ObjectDef* obj = dd().findObject(*parseObjectKind("object"), "current_output_1_output_variable");
  ASSERT_NE(obj, nullptr);
  const std::string& enumName = std::get<std::string>(obj->info[4]);
  const ObjectDef* en = dd().findObject(*parseObjectKind("enumeration"), enumName);
  ASSERT_NE(en, nullptr);
  EXPECT_EQ(en->kind, ObjectKind::Enumeration);
  EXPECT_EQ(dd().objectByHandle(en->handle), en);

  // The engineering context the description holds is the first output of GetObjectInfo2.
  const ObjectDef* ctx = dd().findObject(ObjectKind::Object, "&&private_FDT&&EngineeringContext");
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(std::get<int32_t>(ctx->info2[0]), 0);

  // Bit 0 of GetObjectInfo3's first output marks what the supervision view re-reads after an adjust.
  EXPECT_TRUE(std::get<int32_t>(dd().findObject(ObjectKind::Object, "PRIMARY_VALUE")->info3[0]) &
              kObjRefreshAfterAdjust);
  EXPECT_FALSE(std::get<int32_t>(dd().findObject(ObjectKind::Object, "TAG")->info3[0]) &
               kObjRefreshAfterAdjust);

  // "Object" and "object" walk the same list, in description order.
  auto objects = dd().objectsOf(*parseObjectKind("Object"));
  ASSERT_EQ(objects.size(), dd().variables.size());
  for (size_t i = 0; i < objects.size(); ++i) EXPECT_EQ(objects[i]->name, dd().variables[i].name);
  EXPECT_EQ(dd().objectsOf(ObjectKind::Sequence).size(), dd().sequences.size());
  EXPECT_EQ(dd().objectsOf(ObjectKind::Record).size(), dd().records.size());
}

TEST_F(Rq4400Description, HandlesAreUniqueAndResolveBack) {
  std::set<int32_t> handles;
  for (const ObjectDef& o : dd().objects) {
    EXPECT_TRUE(handles.insert(o.handle).second) << o.name;
    EXPECT_EQ(dd().objectByHandle(o.handle), &o);
  }
  EXPECT_EQ(dd().objectByHandle(0), nullptr);
  EXPECT_EQ(dd().objectByHandle(static_cast<int32_t>(dd().objects.size()) + 1), nullptr);
  EXPECT_EQ(dd().objectByHandle(-1), nullptr);
}

TEST_F(Rq4400Description, OnlyDeviceAndNoteItemsGoToTheDataSet) {
  for (const VariableDef& v : dd().variables) {
    if (v.name.rfind("&&", 0) == 0) {
      EXPECT_FALSE(v.dataSet) << v.name;
    }
  }
  EXPECT_TRUE(var("COMMENTS_15").dataSet);
  EXPECT_TRUE(var("UNITS_QM").dataSet);
  EXPECT_FALSE(var("PRIMARY_VALUE").dataSet);
}

}  // namespace
}  // namespace tolvar::dd
