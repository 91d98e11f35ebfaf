// The supervision view's one-shot registration: every item, in order, with its tag.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/velumor/host_binding/supervision/supervision_fixture.h"

namespace {

using namespace suptest;
using velumor::host_binding::SupervisedObject;

// The registration as a trace: "+NAME #tag" for RegisterItem, "-NAME" for UnadviseItem,
// "NAME = v" for SetValue, "NAME := text" for SetString, and the frame probes.
std::vector<std::string> trace(const fakehost::FakeItemManager& host) {
  std::vector<std::string> out;
  auto nameOf = [&](int32_t handle) {
    for (const auto& r : host.registrations)
      if (r.handle == handle) return r.name;
    return std::string("?");
  };
  for (const auto& c : host.log().calls()) {
    if (c.op == "RegisterItem") {
      char tag[16];
      std::snprintf(tag, sizeof tag, "%X", static_cast<unsigned>(c.args[3].toLong()));
      out.push_back("+" + c.args[0].toString() + " #" + tag);
    } else if (c.op == "UnadviseItem") {
      out.push_back("-" + nameOf(c.args[1].toLong()));
    } else if (c.op == "SetValue") {
      out.push_back(nameOf(c.args[0].toLong()) + " = " + c.args[1].toString());
    } else if (c.op == "SetString") {
      out.push_back(nameOf(c.args[0].toLong()) + " := " + c.args[1].toString());
    } else if (c.op == "OpenFromDatabase" || c.op == "SaveAsToDatabase") {
      out.push_back("frame " + c.op + "(" + std::to_string(c.args.size()) + ")");
    }
  }
  return out;
}

TEST_F(SupervisionTest, RegistersEveryItemInOrderWithItsTag) {
  attach();
  const std::vector<std::string> expected = {
      "+MFR_DEVICE_NAME #0",
      "-MFR_DEVICE_NAME",
      "MFR_DEVICE_NAME := RQ44",
      "+&&Menu_State&&Connect #10000000",
      "&&Menu_State&&Connect = 1",
      "+&&Menu_State&&Disconnect #10000001",
      "&&Menu_State&&Disconnect = 1",
      "+&&Menu_State&&MenuSetSlaveAddr #10000002",
      "&&Menu_State&&MenuSetSlaveAddr = 1",
      "+&&Menu_State&&LoadFromDevice #10000003",
      "&&Menu_State&&LoadFromDevice = 1",
      "+&&Menu_State&&SaveToDevice #10000004",
      "&&Menu_State&&SaveToDevice = 1",
      "+&&Menu_State&&OpenFromDatabase #10000005",
      "&&Menu_State&&OpenFromDatabase = 3",
      "frame OpenFromDatabase(1)",
      "+&&Menu_State&&LoadFromFile #10000006",
      "&&Menu_State&&LoadFromFile = 3",
      "+&&Menu_State&&SaveToFile #10000007",
      "&&Menu_State&&SaveToFile = 3",
      "+&&Menu_State&&SaveAsToDatabase #10000008",
      "&&Menu_State&&SaveAsToDatabase = 3",
      "frame SaveAsToDatabase(1)",
      "+&&Menu_State&&GenericView #10000009",
      "&&Menu_State&&GenericView = 3",
      "+&&Menu_State&&VelumorMainView #1000000A",
      "&&Menu_State&&VelumorMainView = 3",
      "+&&Menu_State&&VelumorDiagView #1000000B",
      "&&Menu_State&&VelumorDiagView = 3",
      "+&&Menu_State&&VelumorSimulationView #1000000C",
      "&&Menu_State&&VelumorSimulationView = 3",
      "+&&private_FDT&&EngineeringContext #0",
      "+HartRevision #0",
      "+ADD_TRANSMITTER_STATE #0",
      "+&&Record_Response&&HART_COMMAND_048_ReadOctets #0",
      "+ADJUST #0",
      "+LastCommandResponseSummary #0",
      "+LastFieldDeviceStatus #0",
      "-LastCommandResponseSummary",
      "-LastFieldDeviceStatus",
      "+&&private_PM&&Address #0",
      "+&&private_PM&&TagName #0",
      "+INSTRUMENT_ADDRESS #0",
      "+DESCRIPTOR #0",
      "+&&private&&Connect #0",
      "+TAG #0",
      "-TAG",
      "+&&private&&UserLevel #0",
      "+RecordName #0",
      "+RecordState #0",
      "+SequenceName #0",
      "+SequenceState #0",
      "-RecordName",
      "-RecordState",
      "-SequenceName",
      "-SequenceState",
      "+UNITS_DENSITY #11000000",
      "+UNITS_QM #11000000",
      "+UNITS_QV #11000000",
      "+UNITS_TEMPERATURE #11000000",
      "+UNITS_TOTALIZER_QM #11000000",
      "+UNITS_TOTALIZER_QV #11000000",
      // The first record enumerated, then the others from the last back to the second.
      "+&&Record_State&&REC_FIRST #1000001",
      "+&&Record_Response&&REC_FIRST #2000001",
      "-&&Record_Response&&REC_FIRST",
      "+&&Record_Response_Control&&REC_FIRST #3000001",
      "+&&Record_State&&REC_THIRD #1000002",
      "+&&Record_Response&&REC_THIRD #2000002",
      "-&&Record_Response&&REC_THIRD",
      "+&&Record_Response_Control&&REC_THIRD #3000002",
      "+&&Record_State&&REC_SECOND #1000003",
      "+&&Record_Response&&REC_SECOND #2000003",
      "-&&Record_Response&&REC_SECOND",
      "+&&Record_Response_Control&&REC_SECOND #3000003",
      // Sequences continue the numbering, in the same enumeration order.
      "+&&Sequence_State&&SEQ_UPLOAD #8000004",
      "+&&Sequence_Control&&SEQ_UPLOAD #9000004",
      "+&&Sequence_State&&SEQ_DOWNLOAD #8000005",
      "+&&Sequence_Control&&SEQ_DOWNLOAD #9000005",
  };
  EXPECT_EQ(trace(*host), expected);

  for (const auto& r : host->registrations) {
    EXPECT_FALSE(r.flag) << r.name;
    EXPECT_EQ(r.viewHandle, kViewHandle) << r.name;
    EXPECT_EQ(r.mode, 0) << r.name;
  }
  for (const auto& c : host->log().of("UnadviseItem")) {
    EXPECT_EQ(c.args[0].type(), platform::com::VarType::Long);
    EXPECT_EQ(c.args[0].toLong(), kViewHandle);
    EXPECT_FALSE(c.args[2].toBool());
  }
  EXPECT_EQ(form().caption(), "AlwaysView / Statemachine, RQ4400 Coriolis");
  EXPECT_FALSE(form().timer("RegisterTimer").isEnabled());
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(SupervisionTest, ObjectTableFollowsTheRegistrationOrder) {
  host->dd->objects["record"] = {"R1", "R2", "R3", "R4"};
  host->dd->objects["sequence"] = {"S1", "S2", "S3"};
  attach();
  std::vector<std::string> names;
  for (int32_t i = 1; i <= sup().objectCount(); ++i) {
    const SupervisedObject* o = sup().object(i);
    ASSERT_NE(o, nullptr);
    names.push_back(o->sName);
    const bool record = i <= 4;
    EXPECT_EQ(o->lKind, record ? 0x1000000 : 0x8000000) << o->sName;
    EXPECT_EQ(o->lStateHandle, h((record ? "&&Record_State&&" : "&&Sequence_State&&") + o->sName));
    EXPECT_EQ(o->lControlHandle,
              h((record ? "&&Record_Response_Control&&" : "&&Sequence_Control&&") + o->sName));
    EXPECT_EQ(o->lResponseHandle, record ? h("&&Record_Response&&" + o->sName) : 0);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R4", "R3", "R2", "S1", "S3", "S2"}));
  EXPECT_EQ(sup().object(0), nullptr);
  EXPECT_EQ(sup().object(8), nullptr);
}

TEST_F(SupervisionTest, TheSoftwareRevisionRecordIsLeftOutAndTheNumberingCloses) {
  host->dd->objects["record"] = {"R1", "HART_COMMAND_230_READ", "R3"};
  host->dd->objects["sequence"] = {"S1"};
  attach();
  EXPECT_EQ(h("&&Record_State&&HART_COMMAND_230_READ"), 0);
  EXPECT_EQ(host->registration("&&Record_State&&R1")->userLong, 0x1000001);
  EXPECT_EQ(host->registration("&&Record_State&&R3")->userLong, 0x1000002);
  EXPECT_EQ(host->registration("&&Sequence_State&&S1")->userLong, 0x8000003);
  EXPECT_EQ(sup().objectCount(), 3);
}

TEST_F(SupervisionTest, ADescriptionWithoutRecordsStillRegistersItsSequences) {
  host->dd->objects["record"] = {};
  attach();
  EXPECT_TRUE(loop().errors().empty());
  EXPECT_EQ(host->registration("&&Sequence_State&&SEQ_UPLOAD")->userLong, 0x8000001);
  EXPECT_EQ(host->registration("&&Sequence_State&&SEQ_DOWNLOAD")->userLong, 0x8000002);
  for (const auto& c : host->log().of("GetFirstObject")) EXPECT_NE(c.args[0].toString(), "record");

  // A description that knows no records at all: the same.
  auto other = makeObject<velumor::host_binding::VelumorAlwaysView>();
  auto host2 = makeObject<fakehost::FakeItemManager>();
  host2->dd->objects["sequence"] = {"ONLY"};
  ASSERT_EQ(other->SetAppletItemManagRef(3, host2), 0);
  loop().advance(1);
  EXPECT_EQ(host2->registration("&&Sequence_State&&ONLY")->userLong, 0x8000001);
  EXPECT_EQ(velumor::view_window::TestAccess<velumor::host_binding::VelumorAlwaysView>::supervision(*other)
                .objectCount(),
            1);
  other->Destroy();
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(SupervisionTest, MissingDatabaseOperationsHideTheirEntries) {
  host->frame->byName = fakehost::ByName();  // a frame without either operation
  attach();
  EXPECT_EQ(writes("&&Menu_State&&OpenFromDatabase"), (std::vector<double>{3.0, 0.0}));
  EXPECT_EQ(writes("&&Menu_State&&SaveAsToDatabase"), (std::vector<double>{3.0, 0.0}));
  EXPECT_EQ(writes("&&Menu_State&&LoadFromFile"), (std::vector<double>{3.0}));
}

TEST_F(SupervisionTest, AnOperationThatTakesTheProbesArgumentIsNotTheOneTheMenuCalls) {
  host->frame->byName.add("SaveAsToDatabase", [](std::span<Variant>) { return Variant(); });
  attach();
  EXPECT_EQ(writes("&&Menu_State&&OpenFromDatabase"), (std::vector<double>{3.0}));
  EXPECT_EQ(writes("&&Menu_State&&SaveAsToDatabase"), (std::vector<double>{3.0, 0.0}));
}

TEST_F(SupervisionTest, WithoutAFrameBothDatabaseEntriesAreHidden) {
  host->frame = nullptr;
  attach();
  EXPECT_EQ(value("&&Menu_State&&OpenFromDatabase"), 0.0);
  EXPECT_EQ(value("&&Menu_State&&SaveAsToDatabase"), 0.0);
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(SupervisionTest, ARefusedMenuStateIsNotWrittenAndRegistrationGoesOn) {
  host->registerStatus["&&Menu_State&&GenericView"] = tolvar::kStatusNoSuchItem;
  host->registerStatus["&&Menu_State&&LoadFromFile"] = tolvar::kStatusNoSuchItem;
  attach();
  // No write went to a handle the host never gave out.
  for (const auto& c : host->log().of("SetValue")) EXPECT_NE(c.args[0].toLong(), 0);
  EXPECT_EQ(h("&&Menu_State&&GenericView"), 0);
  EXPECT_NE(h("&&Record_State&&REC_FIRST"), 0);
  EXPECT_NE(h("&&Sequence_State&&SEQ_DOWNLOAD"), 0);
  EXPECT_TRUE(loop().errors().empty());
}

TEST_F(SupervisionTest, AnAdjustRequestRereadsTheFlaggedDeviceObjects) {
  host->dd->objects["Object"] = {"&&private&&Dirty", "Access_Level", "HartRevision", "FLOW",
                                 "UNITS_QM",         "TEMP"};
  // GetObjectInfo3 by walk position: bit 0 of the first output asks for the re-read.
  for (int32_t pos = 1; pos <= 4; ++pos) host->dd->info3[pos] = {Variant(int32_t{1})};
  host->dd->info3[5] = {Variant(int32_t{3})};
  host->dd->info3[6] = {Variant(int32_t{2})};
  attach();
  host->log().clear();
  change("ADJUST", Variant(true));
  std::vector<std::string> reread;
  for (const auto& c : host->log().of("GetNamedValue")) reread.push_back(c.args[0].toString());
  EXPECT_EQ(reread, (std::vector<std::string>{"FLOW", "UNITS_QM"}));
  // Host-side items and the two excluded names are not even asked about.
  std::vector<int32_t> asked;
  for (const auto& c : host->log().of("GetObjectInfo3")) asked.push_back(c.args[0].toLong());
  EXPECT_EQ(asked, (std::vector<int32_t>{4, 5, 6}));
  EXPECT_FALSE(host->values[h("ADJUST")].toBool());

  host->log().clear();
  change("ADJUST", Variant(false));
  EXPECT_EQ(count("GetObjectCount"), 0);
}

}  // namespace
