// The registration tick against a recording host: what is registered, in which order and
// how often, the table-view probe, the unbound Limits rows, and the upload question.
#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

const std::vector<std::string> kItems = {"HartRevision",
                                         "ADJUST",
                                         "&&private_FDT&&EngineeringContext",
                                         "&&private_pm&&Address",
                                         "DESCRIPTOR",
                                         "&&private&&connect",
                                         "&&private&&CurrentSource",
                                         "&&private&&UserLevel",
                                         "&&private_PM&&FileName",
                                         "&&Sequence_Progress&&Upload",
                                         "&&Sequence_Progress&&Download",
                                         "&&Sequence_Progress&&FULL_Download",
                                         "LastFieldDeviceStatus",
                                         "UploadQuestion",
                                         "SaveToDataBaseOnExit",
                                         "&&private&&Dirty"};

// Handles the fake host hands out in registration order: the probe first, then the items.
int32_t handleOf(std::string_view item) {
  for (size_t i = 0; i < kItems.size(); ++i)
    if (kItems[i] == item) return static_cast<int32_t>(i) + 2;
  return 0;
}

class DiagRegistrationTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400 Coriolis";
  }
  std::vector<fakehost::Call> registrations() {
    std::vector<fakehost::Call> v;
    for (const fakehost::Call& c : aim->log().calls())
      if (c.op == "RegisterItem") v.push_back(c);
    return v;
  }
  void tick() {
    open();
    run(1);
  }
};

TEST_F(DiagRegistrationTest, RegistersEveryItemOnceInOrderWithTagZero) {
  tick();
  const std::vector<fakehost::Call> calls = registrations();
  ASSERT_GE(calls.size(), kItems.size() + 1);
  EXPECT_EQ(calls[0].args[0].toString(), "&&Menu_State&&GenericView");
  for (size_t i = 0; i < kItems.size(); ++i) {
    const fakehost::Call& c = calls[i + 1];
    SCOPED_TRACE(kItems[i]);
    EXPECT_EQ(c.args[0].toString(), kItems[i]);
    const bool flag = kItems[i] == "UploadQuestion" || kItems[i] == "SaveToDataBaseOnExit";
    EXPECT_EQ(c.args[1].toBool(), flag);
    EXPECT_EQ(c.args[2].toLong(), 7);  // the view handle
    EXPECT_EQ(c.args[3].toLong(), 0);  // tag
    EXPECT_EQ(c.args[4].toLong(), 0);  // mode
  }
  EXPECT_EQ(form->caption(), "RQ4400 Coriolis");
  EXPECT_EQ(Kit::devDescText(*form), "RQ4400 Coriolis");
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
  // The tick runs once.
  run(100);
  EXPECT_EQ(registrations().size(), calls.size());
}

// The window keeps the handles the host gave: a report of the device variant registers that
// variant's status items, a field device status report marks the Device tab.
TEST_F(DiagRegistrationTest, ReportsOfTheKeptHandlesReachTheirHandlers) {
  tick();
  aim->values[handleOf("HartRevision")] = Variant(1.0);
  aim->values[handleOf("LastFieldDeviceStatus")] = Variant(128.0);
  const size_t before = registrations().size();
  for (const char* item : {"HartRevision", "LastFieldDeviceStatus"})
    form->NotifyChanged(handleOf(item), false, 0, 0);
  run(2);
  const std::vector<fakehost::Call> calls = registrations();
  ASSERT_EQ(calls.size(), before + 7);
  EXPECT_EQ(calls[before].args[0].toString(), "A10_ADD_TRANSMITTER_STATE_ERROR");
  EXPECT_EQ(tabs().tab(Variant("DiagDeviceKey")).image, Form::kImageWarning);
}

TEST_F(DiagRegistrationTest, TheTableViewProbeIsGivenBackOrHidesTheEntry) {
  tick();
  EXPECT_TRUE(ctl("MenuTableView").visible());
  ASSERT_EQ(aim->log().count("UnadviseItem"), 1);
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "UnadviseItem") {
      EXPECT_EQ(c.args[1].toLong(), 1);
    }

  auto other = platform::com::makeObject<velumor::diag_view::VelumorDiagViewForm>();
  aim->registerStatus["&&Menu_State&&GenericView"] = 5;
  ASSERT_EQ(other->SetAppletItemManagRef(8, aim), 0);
  run(1);
  EXPECT_FALSE(other->ctl("MenuTableView").visible());
  other->unload();
}

TEST_F(DiagRegistrationTest, TheLimitsRowsAreBoundToNothingAndTheHostControlsAreBound) {
  tick();
  for (int32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(ctl("DiagLimitsLabelTextUnit", i).evalPath("ValueItemName").toString(), "") << i;
    EXPECT_EQ(ctl("DiagLimitsLabelTextUnit", i).evalPath("UnitItemName").toString(), "") << i;
  }
  EXPECT_GE(aim->log().count("RegisterItem"), 17);
}

TEST_F(DiagRegistrationTest, SequenceProgressItemsSkipTheTransfersAndTakeTheirTags) {
  aim->dd->objects["sequence"] = {"GET_TRANSMITTER_STATE_Octets", "UPLOAD", "Upload_Other"};
  tick();
  std::map<std::string, int32_t> tags;
  for (const fakehost::Call& c : registrations()) tags[c.args[0].toString()] = c.args[3].toLong();
  EXPECT_EQ(tags.at("&&Sequence_Progress&&GET_TRANSMITTER_STATE_Octets"), 0x0A000000);
  EXPECT_EQ(tags.count("&&Sequence_Progress&&UPLOAD"), 0u);
  // The walk gives the later sequences the indices from the last one down.
  EXPECT_EQ(tags.at("&&Sequence_Progress&&Upload_Other"), 0x0A000001);
}

TEST_F(DiagRegistrationTest, ADescriptionWithoutSequencesStillFinishesTheTick) {
  aim->dd->objects["sequence"] = {};
  aim->values[handleOf("UploadQuestion")] = Variant(1.0);
  aim->values[handleOf("&&private&&connect")] = Variant(2.0);
  aim->values[handleOf("&&Sequence_Progress&&Upload")] = Variant(int32_t{0});
  services->queueMessageAnswer(platform::ui::mb::IdCancel);
  tick();
  for (const fakehost::Call& c : registrations())
    EXPECT_EQ(c.args[3].toLong(), 0) << c.args[0].toString();  // no sequence's progress item
  EXPECT_EQ(aim->log().count("MsgBox"), 1);
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
}

TEST_F(DiagRegistrationTest, AFailingHostCallRegistersWhatItCanAndFinishesTheTick) {
  aim->dd->failures.set("GetDeviceProperty", static_cast<int32_t>(0x80004005u));
  aim->values[handleOf("UploadQuestion")] = Variant(1.0);
  aim->values[handleOf("&&private&&connect")] = Variant(2.0);
  aim->values[handleOf("&&Sequence_Progress&&Upload")] = Variant(int32_t{0});
  services->queueMessageAnswer(platform::ui::mb::IdOK);
  tick();
  EXPECT_EQ(Kit::dirtyHandle(*form), handleOf("&&private&&Dirty"));
  EXPECT_EQ(aim->log().count("MsgBox"), 1);
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
  EXPECT_EQ(form->seqStartQueue()->text(), "GET_TRANSMITTER_STATE_Octets\r\nupload\r\n");
}

// The upload question's exact conditions.
struct UploadCase {
  const char* name;
  std::optional<double> question;
  std::optional<double> connect;
  int32_t progress;
  bool asked;
};
class DiagUploadQuestionTest : public DiagRegistrationTest,
                               public ::testing::WithParamInterface<UploadCase> {};

TEST_P(DiagUploadQuestionTest, IsAskedOnlyWhenWantedConnectedAndIdle) {
  const UploadCase& c = GetParam();
  if (c.question) aim->values[handleOf("UploadQuestion")] = Variant(*c.question);
  if (c.connect) aim->values[handleOf("&&private&&connect")] = Variant(*c.connect);
  aim->values[handleOf("&&Sequence_Progress&&Upload")] = Variant(c.progress);
  services->queueMessageAnswer(platform::ui::mb::IdCancel);
  tick();
  EXPECT_EQ(aim->log().count("MsgBox"), c.asked ? 1 : 0);
  EXPECT_EQ(form->seqStartQueue()->text(), "");  // Cancel queues nothing
}

INSTANTIATE_TEST_SUITE_P(Conditions, DiagUploadQuestionTest,
                         ::testing::Values(UploadCase{"Asked", 1.0, 2.0, 0, true},
                                           UploadCase{"NotWanted", 0.0, 2.0, 0, false},
                                           UploadCase{"QuestionUnreadable", std::nullopt, 2.0, 0, false},
                                           UploadCase{"NotConnected", 1.0, 1.0, 0, false},
                                           UploadCase{"ConnectUnreadable", 1.0, std::nullopt, 0, false},
                                           UploadCase{"UploadRunning", 1.0, 2.0, 40, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace diagview_test
