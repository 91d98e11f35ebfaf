// The simulation window's start-up, size rule and host binding on a recording host: its
// texts in both languages, the minimum size, the registration order and what a refused item
// or an odd host value does, and the dispatch of the notifications it receives.
#include <cmath>
#include <limits>

#include "tests/support/kit_access.h"
#include "tests/velumor/output_views/simulation/simulation_fixture.h"

namespace simview_test {
namespace {

struct TextCase {
  const char* lang;
  const char* option0;
  const char* option1;
  const char* adjust;
  const char* label0;
  const char* label2;
  const char* ledTip;
  const char* exitMenu;
};

class SimulationTextsTest : public SimulationTest, public ::testing::WithParamInterface<TextCase> {
 protected:
  const char* language() const override { return GetParam().lang; }
};

TEST_P(SimulationTextsTest, LoadPutsTheUsersTextsOnEveryControl) {
  const TextCase& c = GetParam();
  open();
  EXPECT_EQ(ctl("OperationModeOption", 0).getProperty("Caption").toString(), c.option0);
  EXPECT_EQ(ctl("OperationModeOption", 1).getProperty("Caption").toString(), c.option1);
  EXPECT_EQ(ctl("AdjustCommand").getProperty("Caption").toString(), c.adjust);
  EXPECT_EQ(ctl("CurrentLabel", 0).getProperty("Caption").toString(), c.label0);
  EXPECT_EQ(ctl("CurrentLabel", 1).getProperty("Caption").toString(), c.label0);
  EXPECT_EQ(ctl("CurrentLabel", 2).getProperty("Caption").toString(), c.label2);
  EXPECT_EQ(ctl("CurrentUnit", 0).getProperty("Caption").toString(), "mA");
  EXPECT_EQ(ctl("CurrentUnit", 2).getProperty("Caption").toString(), "%");
  EXPECT_EQ(ctl("MenuExit").getProperty("Caption").toString(), c.exitMenu);
  EXPECT_EQ(ctl("SimulationFrame").getProperty("Caption").toString(), "");
  EXPECT_EQ(lamp().toolTipText, c.ledTip);
  EXPECT_EQ(lamp().picture.source, "bitmap:104");
  // The first panel keeps its design text until the first connection state arrives.
  EXPECT_EQ(form->statusBar("VelumorStatusBar").panel(Variant("StatusBarCommText")).text, "getrennt");
  EXPECT_EQ(ctl("CurrentText", 0).getProperty("Text").toString(), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SimulationTextsTest,
    ::testing::Values(TextCase{"en", "Normal opration", "Fixed output", "&Adjust",
                               "Current:", "Percent of Range:", "Simulation not activ", "E&xit"},
                      TextCase{"de", "Normalbetrieb", "Fester Ausgabewert", "Ü&bernehmen",
                               "aktueller Wert:", "% des Meßbereiches:", "Simulation inaktiv", "E&nde"}),
    [](const auto& info) { return std::string(info.param.lang); });

TEST_F(SimulationTest, OpensAtItsMinimumSizeAndSnapsBackWhenDraggedSmaller) {
  open();
  const float bar = ctl("VelumorStatusBar").height();
  EXPECT_EQ(Kit::minFormWidth(*form), 5640);
  EXPECT_EQ(Kit::minFormHeight(*form), static_cast<int32_t>(std::lround(3480 + bar + 100)));
  EXPECT_FLOAT_EQ(form->width(), 5640);
  EXPECT_FLOAT_EQ(form->height(), static_cast<float>(Kit::minFormHeight(*form)));
  EXPECT_FALSE(ctl("ResizeLabel").visible());

  const float frameW = ctl("SimulationFrame").width();
  const float frameH = ctl("SimulationFrame").height();
  ASSERT_TRUE(form->userResize(7000, 5000));
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").width(), frameW + 1360);
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").height(), frameH + 5000 - Kit::minFormHeight(*form));
  // Inside the frame nothing moves.
  EXPECT_FLOAT_EQ(ctl("AdjustCommand").left(), 3000);
  ASSERT_TRUE(form->userResize(3000, 1000));
  EXPECT_FLOAT_EQ(form->width(), 5640);
  EXPECT_FLOAT_EQ(form->height(), static_cast<float>(Kit::minFormHeight(*form)));
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").width(), frameW);
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").height(), frameH);
  // The progress bars follow the data-source panel.
  const auto& source = form->statusBar("VelumorStatusBar").panel(Variant("StatusBarDataSource"));
  EXPECT_FLOAT_EQ(ctl("ProgressFrame").width(), source.width - 100);
  EXPECT_FLOAT_EQ(ctl("shp_bg_upload").width(), ctl("ProgressFrame").width());
}

// A maximised window has the screen's size: the minimum is not forced on it (a size the
// window state does not allow would be refused), and restoring lays the frame out again.
TEST_F(SimulationTest, AMaximisedWindowSmallerThanTheMinimumIsLaidOutNotForced) {
  open();
  const float frameW = ctl("SimulationFrame").width();
  form->setWindowState(platform::ui::kMaximized);
  ASSERT_TRUE(form->userMaximizedSize(4000, 3000));
  EXPECT_FLOAT_EQ(form->width(), 4000);
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").width(), frameW + 4000 - 5640);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  form->setWindowState(platform::ui::kNormal);
  EXPECT_FLOAT_EQ(form->width(), 5640);
  EXPECT_FLOAT_EQ(ctl("SimulationFrame").width(), frameW);
}

TEST_F(SimulationTest, RegistersEveryItemOnceInItsOrderWithItsFlag) {
  aim->dd->objects["sequence"] = {"UPLOAD", "SeqHART_COMMAND_040_Write", "DOWNLOAD", "FULL_DOWNLOAD"};
  open();
  std::vector<std::string> names;
  for (const auto& r : aim->registrations) names.push_back(r.name);
  const std::vector<std::string> expected = {"&&private_FDT&&EngineeringContext",
                                             "&&private_pm&&Address",
                                             "DESCRIPTOR",
                                             "&&private&&connect",
                                             "&&private&&CurrentSource",
                                             "&&private&&UserLevel",
                                             "&&Sequence_Progress&&Upload",
                                             "&&Sequence_Progress&&Download",
                                             "&&Sequence_Progress&&FULL_Download",
                                             "LastFieldDeviceStatus",
                                             "PRIMARY_FIXED_CURRENT",
                                             "UploadQuestion",
                                             "SaveToDataBaseOnExit",
                                             "&&private&&Dirty",
                                             "&&Sequence_Progress&&SeqHART_COMMAND_040_Write"};
  EXPECT_EQ(names, expected);
  for (const auto& r : aim->registrations) {
    EXPECT_EQ(r.flag, r.name == "UploadQuestion" || r.name == "SaveToDataBaseOnExit") << r.name;
    EXPECT_EQ(r.viewHandle, 7) << r.name;
    EXPECT_EQ(r.mode, 0) << r.name;
  }
  // Only the sequence's progress carries a tag: its index in the device description (the
  // first sequence at 0, the rest from the last index down).
  EXPECT_EQ(aim->registration("&&Sequence_Progress&&SeqHART_COMMAND_040_Write")->userLong, 0x0A000000 | 3);
  EXPECT_EQ(aim->registration("LastFieldDeviceStatus")->userLong, 0);
  EXPECT_EQ(form->getProperty("Caption").toString(), "RQ4400 Coriolis Mass Flowmeter");
  // The connection item's enumeration is looked up between the fourth and the fifth item.
  const auto ops = aim->log().ops();
  const auto find = [&](const std::string& op, size_t from) {
    return std::find(ops.begin() + static_cast<std::ptrdiff_t>(from), ops.end(), op) - ops.begin();
  };
  const auto fourth =
      std::find_if(aim->log().calls().begin(), aim->log().calls().end(),
                   [](const auto& c) {
                     return c.op == "RegisterItem" && c.args[0].toString() == "&&private&&connect";
                   }) -
      aim->log().calls().begin();
  const auto lookup = find("FindObject", static_cast<size_t>(fourth));
  const auto fifth =
      std::find_if(aim->log().calls().begin(), aim->log().calls().end(),
                   [](const auto& c) {
                     return c.op == "RegisterItem" && c.args[0].toString() == "&&private&&CurrentSource";
                   }) -
      aim->log().calls().begin();
  EXPECT_LT(fourth, lookup);
  EXPECT_LT(lookup, fifth);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 0u);
}

TEST_F(SimulationTest, ARefusedItemKeepsHandleZeroAndTheRestIsRegistered) {
  aim->registerStatus["LastFieldDeviceStatus"] = 1;
  aim->registerStatus["&&private&&connect"] = 1;
  open();
  EXPECT_EQ(SimulationAccess::lastFieldDeviceStatusHandle(*form), 0);
  EXPECT_EQ(Kit::connectHandle(*form), 0);
  EXPECT_NE(SimulationAccess::fixedCurrentHandle(*form), 0);
  EXPECT_TRUE(aim->registration("&&private&&Dirty").has_value());
  // A notification carrying handle 0 is not taken for the refused items.
  form->NotifyChanged(0, false, 0, 0);
  run(1);
  EXPECT_EQ(lamp().picture.source, "bitmap:104");
  EXPECT_EQ(Kit::connectionState(*form), 0);
}

TEST_F(SimulationTest, NoSequenceAtAllRegistersNoProgressItem) {
  aim->dd->objects["sequence"] = {};
  open();
  for (const auto& r : aim->registrations) EXPECT_EQ(r.name.find("SeqHART"), std::string::npos) << r.name;
  EXPECT_TRUE(SimulationAccess::sequenceProgressHandles(*form).empty());
}

TEST_F(SimulationTest, StatusBarFollowsConnectionUserLevelAndSourceAndOddValuesDrawNothing) {
  open();
  auto& bar = form->statusBar("VelumorStatusBar");
  connect();
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).text, "Connected");
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).toolTipText, "Communication State:Connected");
  EXPECT_TRUE(ctl("MenuSetAddress").enabled());
  notify("&&private&&connect", Variant(0.0));
  EXPECT_FALSE(ctl("MenuSetAddress").enabled());
  notify("&&private&&UserLevel", Variant(10.0));
  EXPECT_EQ(bar.panel(Variant("StatusBarUser")).text, "Administrator");
  notify("&&private&&CurrentSource", Variant(2.0));
  EXPECT_EQ(bar.panel(Variant("StatusBarDataSource")).toolTipText, "Source: &Device");
  // Outside their tables: kept, but no text and no picture of their own.
  notify("&&private&&connect", Variant(9.0));
  EXPECT_EQ(Kit::connectionState(*form), 9);
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).text, "");
  notify("&&private&&CurrentSource", Variant(7.0));
  EXPECT_EQ(bar.panel(Variant("StatusBarDataSource")).toolTipText, "Source: &Device");
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 0u);
}

TEST_F(SimulationTest, CaptionIsBuiltFromAddressAndDescriptorAndCutAtANul) {
  open();
  notify("&&private_pm&&Address", Variant(std::string("12\0junk", 7)));
  notify("DESCRIPTOR", Variant("LINE 1"));
  EXPECT_EQ(form->getProperty("Caption").toString(),
            "Simulation, [12] RQ4400 Coriolis Mass Flowmeter: LINE 1");
}

TEST_F(SimulationTest, ProgressShowsTheRightBarAndIsHiddenAtZeroAndHundred) {
  aim->dd->objects["sequence"] = {"SeqHART_COMMAND_040_Write"};
  open();
  notify("&&Sequence_Progress&&FULL_Download", Variant(int32_t{50}));
  EXPECT_TRUE(ctl("shp_fg_download").visible());
  EXPECT_FALSE(ctl("shp_fg_SequenceProgress").visible());
  EXPECT_FLOAT_EQ(ctl("shp_fg_download").width(), ctl("shp_bg_download").width() / 2);
  EXPECT_TRUE(ctl("ProgressFrame").visible());
  notify("&&Sequence_Progress&&SeqHART_COMMAND_040_Write", Variant(int32_t{25}));
  EXPECT_TRUE(ctl("shp_fg_SequenceProgress").visible());
  notify("&&Sequence_Progress&&Upload", Variant(int32_t{100}));
  EXPECT_FALSE(ctl("ProgressFrame").visible());
  // Beyond 100 the bar does not outgrow its background.
  notify("&&Sequence_Progress&&Download", Variant(int32_t{250}));
  EXPECT_LE(ctl("shp_fg_download").width(), ctl("shp_bg_download").width());
}

TEST_F(SimulationTest, NotificationsOfOtherTagsOrOfTheFixedCurrentChangeNothing) {
  open();
  const auto before = aim->log().calls().size();
  notify("PRIMARY_FIXED_CURRENT", Variant(12.0f));
  form->NotifyChanged(999, false, 0, 0x11000000);
  form->NotifyChanged(999, false, 0, 0x12000003);
  run(3);
  // Nothing but the one read of nothing: no host call at all.
  EXPECT_EQ(aim->log().calls().size(), before);
  EXPECT_EQ(lamp().picture.source, "bitmap:104");
}

TEST_F(SimulationTest, UploadQuestionOnlyWhenAskedConnectedAndIdle) {
  ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0);
  // Handles are given out in registration order from 1: connect is 4, upload progress 7,
  // UploadQuestion 12.
  aim->values[4] = Variant(2.0);
  aim->values[7] = Variant(int32_t{0});
  aim->values[12] = Variant(1.0);
  answer(platform::ui::mb::IdOK);
  run(1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Upload of data from device?");
  EXPECT_EQ(boxes()[0].title, "RQ4400 Coriolis Mass Flowmeter");
  EXPECT_EQ(form->seqStartQueue()->text(), "GET_TRANSMITTER_STATE_Octets\r\nupload\r\n");
}

TEST_F(SimulationTest, TheHourglassIsGoneBeforeTheUploadQuestionIsAsked) {
  struct PointerAtTheBox : platform::ui::HeadlessServices {
    platform::ui::Form* window = nullptr;
    std::vector<int16_t> pointers;
    int32_t show(const std::string& t, int32_t s, const std::string& title) override {
      pointers.push_back(window->getProperty("MousePointer").toInteger());
      return HeadlessServices::show(t, s, title);
    }
  } services;
  services.window = form.get();
  services.queueMessageAnswer(platform::ui::mb::IdCancel);
  platform::ui::Services::install(&services, &services, &services, &services, &services, &services);
  ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0);
  aim->values[4] = Variant(2.0);
  aim->values[7] = Variant(int32_t{0});
  aim->values[12] = Variant(1.0);
  run(1);
  platform::ui::Services::installHeadless();
  EXPECT_EQ(services.pointers, std::vector<int16_t>{platform::ui::kDefaultPointer});
}

}  // namespace
}  // namespace simview_test
