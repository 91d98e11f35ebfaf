// The main window's road of one request: registration and binding, the notification
// dispatch, the notes page, the commands, the device menu and the sequence-start queue,
// against a recording host on the manual clock.
#include <cmath>
#include <limits>

#include "main_view_fixture.h"
#include "tests/support/kit_access.h"
#include "tolvar/applet/host_access.h"
#include "velumor/view_window/dynamic_menu.h"
#include "velumor/view_window/seq_start_queue.h"

namespace mainview_test {
namespace {

using fakehost::Call;
using velumor::view_window::VELUMOR_Notify_Type;

void run(int64_t ms) {
  platform::ui::EventLoop::instance().advance(ms);
}

// The recording host, with just enough item access for the host controls to bind.
class BindableHost : public fakehost::FakeItemManager, public tolvar::HostItemAccess {
 public:
  int32_t watchItem(const std::string&, std::function<void()>) override { return 0; }
  void unwatchItem(int32_t) override {}
  tolvar::ItemDescription describeItem(const std::string&) override { return {}; }
  std::string itemText(const std::string&) override { return {}; }
  double itemNumber(const std::string&) override { return std::numeric_limits<double>::quiet_NaN(); }
  tolvar::Status setItemFromText(const std::string&, const std::string&) override { return {}; }
  tolvar::Status setItemNumber(const std::string&, double) override { return {}; }
};

// One entry of the device's menu: state name, caption, command.
struct MenuEntry {
  std::string state, caption, command;
};

class MainRoadTest : public MainViewTest {
 protected:
  void SetUp() override {
    MainViewTest::SetUp();
    aim = platform::com::makeObject<BindableHost>();
    services = std::make_unique<LoggingServices>(aim->log());
    platform::ui::Services::install(services.get(), services.get(), services.get(), services.get(),
                                    services.get(), services.get());
    aim->dd->properties = {{"DevDescLong", "RQ4400 Coriolis"}, {"NickName", "RQ44"}};
    aim->dd->objects["sequence"] = {"upload", "UPLOAD", "GET_TRANSMITTER_STATE_Octets", "DOWNLOAD", "Zero"};
    setMenu({{"SaveToDevice", "Save to device", "SaveToDevice"},
             {"", "-", ""},
             {"MainView", "Parameters", "fncStartForm Velumor.VelumorMainViewClass"},
             {"DiagView", "Diagnosis", "fncStartForm Velumor.VelumorDiagViewClass"}});
  }

  void setMenu(std::vector<MenuEntry> entries) {
    menu = std::move(entries);
    auto& by = aim->dd->byName;
    by.add("fncGetGeneralString", [this](std::span<Variant> a) {
      a[1] = Variant(std::string("RQ44"));
      return Variant(nickStatus);
    });
    by.add("fncNumberOfEntries", [this](std::span<Variant> a) {
      a[1] = Variant(static_cast<int32_t>(menu.size()));
      return Variant(int32_t{0});
    });
    by.add("fncGetFirstEntryHandle", [](std::span<Variant> a) {
      a[1] = Variant(int32_t{100});
      return Variant(int32_t{0});
    });
    by.add("fncGetNextEntryHandle", [](std::span<Variant> a) {
      a[0] = Variant(a[0].toLong() + 1);
      return Variant(int32_t{0});
    });
    by.add("fncGetMenuData", [this](std::span<Variant> a) {
      const MenuEntry& e = menu.at(static_cast<size_t>(a[0].toLong() - 100));
      a[1] = Variant(e.state);
      a[2] = Variant(e.caption);
      a[4] = Variant(e.command);
      return Variant(int32_t{0});
    });
  }

  // The window loads and its registration tick runs.
  void registerWindow() {
    open();
    run(1);
  }
  // The handle of the registration of exactly `item` (case counts: a device sequence may
  // differ from a fixed item only in case).
  int32_t exactHandle(std::string_view item) {
    for (auto it = aim->registrations.rbegin(); it != aim->registrations.rend(); ++it)
      if (it->name == item) return it->handle;
    return 0;
  }
  void notify(std::string_view item, Variant value) {
    const int32_t h = exactHandle(item);
    ASSERT_NE(h, 0) << item;
    aim->values[h] = std::move(value);
    form->NotifyChanged(h, false, 0, 0);
    run(1);
  }
  void notifyTag(int32_t handle, int32_t tag) {
    form->NotifyChanged(handle, false, 0, tag);
    run(1);
  }
  std::vector<std::string> started() {
    std::vector<std::string> names;
    for (const Call& c : aim->log().of("StartSequence")) names.push_back(c.args[0].toString());
    return names;
  }
  std::string panel(std::string_view key, std::string_view field) {
    return form->statusBar("VelumorStatusBar")
        .evalPath("Panels(\"" + std::string(key) + "\")." + std::string(field))
        .toString();
  }

  std::vector<MenuEntry> menu;
  int32_t nickStatus = 0;
};

// ------------------------------------------------------------------ binding table

TEST_F(MainRoadTest, EveryHostControlOfTheTableCarriesItsItemsAndModes) {
  registerWindow();
  int bound = 0;
  for (const auto& row : velumor::main_view::VelumorMainViewForm::bindingTable()) {
    const std::string where = std::string(row.control) + "(" + std::to_string(row.index) + ")";
    if (row.kind == velumor::main_view::VelumorMainViewForm::HostControlKind::LabelTextUnit) {
      EXPECT_EQ(hostProperty(row.control, row.index, "ValueItemName").toString(), row.item) << where;
      EXPECT_EQ(hostProperty(row.control, row.index, "UnitItemName").toString(), row.unitItem) << where;
      EXPECT_EQ(hostProperty(row.control, row.index, "ItemMode").toLong(), row.mode) << where;
    } else {
      EXPECT_EQ(hostProperty(row.control, row.index, "ItemName").toString(), row.item) << where;
      EXPECT_EQ(hostProperty(row.control, row.index, "ItemMode").toLong(), row.mode) << where;
    }
    ++bound;
  }
  EXPECT_EQ(bound, 101);
}

TEST_F(MainRoadTest, BindingTableSpotChecks) {
  // Rows a reader would most likely get wrong.
  auto find = [](std::string_view c, int32_t i) {
    for (const auto& row : velumor::main_view::VelumorMainViewForm::bindingTable())
      if (row.control == c && row.index == i) return row;
    ADD_FAILURE() << c << i;
    return velumor::main_view::VelumorMainViewForm::bindingTable().front();
  };
  EXPECT_EQ(find("Output1MLabelTextUnit", 1).unitItem, "QM_MAXIMUM_UNIT");
  EXPECT_EQ(find("Output2VLabelTextUnit", 1).unitItem, "CURRENT_OUTPUT_2_QV_MAX_UNIT");
  EXPECT_EQ(find("DevDataText", 6).item, "");
  EXPECT_EQ(find("DevDataText", 10).item, "SOFTWAREREVISON_230");
  EXPECT_EQ(find("PulseText", 3).mode, -1);
  EXPECT_EQ(find("Output1Text", 0).mode, -1);
  EXPECT_EQ(find("CurrentText", 2).item, "PRIMARY_PER_RANGE");
  EXPECT_EQ(find("TemperatureLabelTextUnit", 2).mode, 3);
}

// ------------------------------------------------------------------ registration

TEST_F(MainRoadTest, RegistrationTickInOrderWithTagsAndFlags) {
  registerWindow();
  std::vector<std::string> names;
  for (const auto& r : aim->registrations) names.push_back(r.name);
  const std::vector<std::string> head = {"&&Menu_State&&GenericView",
                                         "UploadQuestion",
                                         "SaveToDataBaseOnExit",
                                         "&&private&&Dirty",
                                         "HartRevision",
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
                                         "&&Sequence_Progress&&Full_Download"};
  ASSERT_GE(names.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + head.size()), head);
  EXPECT_EQ(aim->registration("UploadQuestion")->flag, true);
  EXPECT_EQ(aim->registration("TOTALIZER_QM_F_SET_UNIT")->mode, 3);
  EXPECT_EQ(aim->registration("COMMENTS_09")->userLong, 0x12000009);
  EXPECT_EQ(aim->registration("COMMENTS_15")->userLong, 0x1200000F);
  // The probe is given back at once.
  ASSERT_EQ(aim->log().count("UnadviseItem"), 2);  // the probe, and the menu's own entry
  EXPECT_EQ(aim->log().of("UnadviseItem")[0].args[1].toLong(), aim->registrations.front().handle);
  // Sequence progress: the first sequence at 0, the others from the last index down; exact
  // names excluded.
  EXPECT_EQ(aim->registration("&&Sequence_Progress&&upload")->userLong, 0x0A000000);
  EXPECT_EQ(aim->registration("&&Sequence_Progress&&Zero")->userLong, 0x0A000001);
  EXPECT_EQ(aim->registration("&&Sequence_Progress&&GET_TRANSMITTER_STATE_Octets")->userLong, 0x0A000003);
  int progressItems = 0;
  for (const auto& r : aim->registrations) progressItems += (r.userLong & 0xFF000000) == 0x0A000000;
  EXPECT_EQ(progressItems, 3);  // "UPLOAD" and "DOWNLOAD" are left out
  // The start-up panel is gone, the tabs are there.
  EXPECT_FALSE(ctl("InitFrame").visible());
  EXPECT_TRUE(ctl("MainTab").visible());
  EXPECT_EQ(form->caption(), "RQ4400 Coriolis");
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
}

TEST_F(MainRoadTest, RefusedTableViewProbeHidesTheEntry) {
  aim->registerStatus["&&Menu_State&&GenericView"] = 1;
  registerWindow();
  EXPECT_FALSE(ctl("MenuTableView").visible());
  EXPECT_GT(aim->handleOf("HartRevision"), 0);
}

TEST_F(MainRoadTest, FailingHostCallStillEndsTheStartUpPanelAndIsReportedOnce) {
  aim->dd->failures.set("GetObjectCount", static_cast<int32_t>(0x80004005u));
  aim->dd->objects.erase("sequence");
  registerWindow();
  EXPECT_FALSE(ctl("InitFrame").visible());
  EXPECT_TRUE(ctl("MainTab").visible());
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
  // What could be registered was.
  EXPECT_GT(aim->handleOf("COMMENTS_15"), 0);
}

TEST_F(MainRoadTest, UploadQuestionOnlyWhenAskedConnectedAndIdle) {
  struct Case {
    double question, connect;
    int32_t progress;
    bool asked;
  };
  for (const Case c : {Case{1.0, 2.0, 0, true}, Case{1.0, 1.0, 0, false}, Case{1.0, 4.0, 0, false},
                       Case{0.5, 2.0, 0, false}, Case{2.0, 2.0, 0, false}, Case{1.0, 2.0, 40, false}}) {
    TearDown();
    SetUp();
    // Handles are handed out in registration order (the probe is 1).
    aim->values[2] = Variant(c.question);
    aim->values[10] = Variant(c.connect);
    aim->values[14] = Variant(c.progress);
    services->queueMessageAnswer(platform::ui::mb::IdOK);
    registerWindow();
    ASSERT_EQ(aim->handleOf("&&private&&connect"), 10);
    EXPECT_EQ(aim->log().count("MsgBox"), c.asked ? 1 : 0)
        << c.question << " " << c.connect << " " << c.progress;
    run(300);
    EXPECT_EQ(started(), c.asked ? std::vector<std::string>({"GET_TRANSMITTER_STATE_Octets", "upload"})
                                 : std::vector<std::string>{});
  }
}

TEST_F(MainRoadTest, HostDestroyDuringTheUploadQuestionQueuesNothing) {
  aim->values[2] = Variant(1.0);
  aim->values[10] = Variant(2.0);
  aim->values[14] = Variant(int32_t{0});
  aim->log().onCall = [this](const Call& c) {
    if (c.op == "MsgBox") {
      aim->log().onCall = nullptr;
      form->unload();
    }
  };
  services->queueMessageAnswer(platform::ui::mb::IdOK);
  registerWindow();
  run(300);
  EXPECT_TRUE(form->wasUnloaded());
  EXPECT_TRUE(started().empty());
  EXPECT_EQ(aim->log().count("ReleaseView"), 0);  // no ViewRef in this fixture
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

// ------------------------------------------------------------------ dispatch

TEST_F(MainRoadTest, ConnectionStateSwitchesTabSetsAndPanel) {
  registerWindow();
  notify("&&private&&connect", Variant(0.0));
  EXPECT_EQ(tabKeys(), std::vector<std::string>({"MainDeviceInfoKey"}));
  EXPECT_EQ(panel("StatusBarCommText", "Text"), "Disconnected");
  EXPECT_FALSE(ctl("MenuLoadDev").enabled());
  notify("&&private&&connect", Variant(2.0));
  EXPECT_EQ(tabKeys(), std::vector<std::string>(
                           {"MainDeviceInfoKey", "MainUnitsKey", "MainValuesKey", "MainMassCounterKey",
                            "MainVolumeCounterKey", "MainDisplayKey", "MainOperationKey", "MainOutputCfgKey",
                            "MainOutput1Key", "MainOutput2Key", "MainImpulseKey", "MainCommentsKey"}));
  EXPECT_EQ(panel("StatusBarCommText", "ToolTipText"), "Communication State:Connected");
  EXPECT_TRUE(ctl("MassCounterFlowCommand", 3).enabled());
  // A state without a picture clears the picture; the record's text is empty, nothing fails.
  notify("&&private&&connect", Variant(9.0));
  EXPECT_EQ(panel("StatusBarCommText", "Picture"), "");
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  // NaN drops the branch.
  notify("&&private&&connect", Variant(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(Kit::connectionState(*form), 9);
}

TEST_F(MainRoadTest, CaptionFromAddressAndDescriptorCutAtNul) {
  registerWindow();
  notify("&&private_pm&&Address", Variant(std::string(" 12\0xyz", 7)));
  notify("DESCRIPTOR", Variant(std::string("FT-101\0junk", 11)));
  EXPECT_EQ(form->caption(), "Device Data, [12] RQ4400 Coriolis: FT-101");
}

TEST_F(MainRoadTest, DataSourceUserLevelAndFileName) {
  registerWindow();
  notify("&&private_PM&&FileName", Variant("/data/sets/meter.db"));
  notify("&&private&&CurrentSource", Variant(2.0));
  EXPECT_EQ(panel("StatusBarDataSource", "ToolTipText"), "Source: &Device     /data/sets/meter.db");
  EXPECT_TRUE(ctl("MenuSourceDevice").getProperty("Checked").toBool());
  notify("&&private&&CurrentSource", Variant(0.0));
  EXPECT_FALSE(ctl("MenuSourceFile").getProperty("Checked").toBool());
  EXPECT_FALSE(ctl("MenuSourceDevice").getProperty("Checked").toBool());
  EXPECT_EQ(panel("StatusBarDataSource", "ToolTipText"), "Source: &Device     /data/sets/meter.db");
  notify("&&private&&UserLevel", Variant(0.0));
  EXPECT_EQ(panel("StatusBarUser", "Text"), "Maintenance.Administrator");
  notify("&&private&&UserLevel", Variant(1e12));  // beyond a Long: dropped
  EXPECT_EQ(panel("StatusBarUser", "Text"), "Maintenance.Administrator");
}

// The level's text is made in the language of the moment it is shown, however often the
// level comes and goes, and many levels do not mix up their texts.
TEST_F(MainRoadTest, UserLevelTextFollowsTheLevelAndTheLanguage) {
  registerWindow();
  struct Step {
    const char* lang;
    double level;
    const char* text;
  };
  const std::vector<Step> steps = {
      {"en", 0, "Maintenance.Administrator"},      {"en", 3, "Operator.Administrator"},
      {"en", 0, "Maintenance.Administrator"},      {"de", 0, "Wartung.Administrator"},
      {"de", 3, "Bediener.Administrator"},         {"de", 1, "Planer.Administrator"},
      {"en", 1, "Planning Engineer.Administrator"}};
  for (const Step& step : steps) {
    ScopedLang lang(step.lang);
    notify("&&private&&UserLevel", Variant(step.level));
    EXPECT_EQ(panel("StatusBarUser", "Text"), step.text) << step.lang << " " << step.level;
  }
  // More levels than a window keeps texts of (a level without a text of its own shows none):
  // each still shows its own.
  const std::map<int32_t, std::string> english = readStringTable("en");
  for (int round = 0; round < 2; ++round)
    for (int level = 0; level < 12; ++level) {
      notify("&&private&&UserLevel", Variant(static_cast<double>(level)));
      const auto own = english.find(320 + level);
      EXPECT_EQ(panel("StatusBarUser", "Text"), (own != english.end() ? own->second : "") + ".Administrator")
          << level;
    }
}

TEST_F(MainRoadTest, TransferAndSequenceProgressBars) {
  registerWindow();
  notify("&&Sequence_Progress&&Upload", Variant(int32_t{37}));
  EXPECT_TRUE(ctl("ProgressFrame").visible());
  EXPECT_NEAR(ctl("shp_fg_upload").width(), ctl("shp_bg_upload").width() * 0.37, 0.01);
  notify("&&Sequence_Progress&&Full_Download", Variant(int32_t{50}));
  EXPECT_TRUE(ctl("shp_fg_download").visible());
  const int32_t zero = aim->handleOf("&&Sequence_Progress&&Zero");
  aim->values[zero] = Variant(int32_t{100});
  notifyTag(zero, 0x0A000001);
  EXPECT_FALSE(ctl("ProgressFrame").visible());
  EXPECT_TRUE(ctl("shp_fg_upload").visible());  // the other pairs keep their own state
}

TEST_F(MainRoadTest, EngineeringContextLatchesOnceAndLocksTheMenus) {
  registerWindow();
  notify("&&private&&connect", Variant(2.0));
  notify("&&private_FDT&&EngineeringContext", Variant(4294967294.0));
  EXPECT_EQ(Kit::engineeringContextValue(*form), -2);
  notify("&&private_FDT&&EngineeringContext", Variant(2.0));
  // -2 has qualifying bits and latched already: 2 changes nothing but the stored value.
  EXPECT_EQ(Kit::engineeringContextValue(*form), 2);
  EXPECT_FALSE(ctl("MenuSetAddress").visible());
  EXPECT_TRUE(ctl("MenuConnect").enabled());
}

TEST_F(MainRoadTest, EngineeringContextTwoGoesOfflineAndConnectionOnlyChangesThePanel) {
  registerWindow();
  notify("&&private_FDT&&EngineeringContext", Variant(2.0));
  for (const char* m : {"MenuConnect", "MenuDisconnect", "MenuDiag", "MenuDisplayTrend"})
    EXPECT_FALSE(ctl(m).enabled()) << m;
  EXPECT_EQ(tabKeys().size(), 1u);
  notify("&&private&&connect", Variant(2.0));
  EXPECT_EQ(tabKeys().size(), 1u);
  EXPECT_EQ(panel("StatusBarCommText", "Text"), "Connected");
}

TEST_F(MainRoadTest, TotalizerUnitsAndFlowPictures) {
  aim->dd->handles[{"object", "TOTALIZER_QM_R_SET_UNIT"}] = 50;
  aim->dd->info[50] = {Variant(), Variant(), Variant(), Variant(), Variant("TotalizerUnits"), Variant()};
  aim->dd->handles[{"enumeration", "TotalizerUnits"}] = 60;
  aim->dd->enumerations[60] = {{5, "kg"}};
  registerWindow();
  notify("TOTALIZER_QM_R_SET_UNIT", Variant(5.0));
  EXPECT_EQ(ctl("MassCounterUnitLabel", 1).caption(), "kg");
  notify("&&private&&connect", Variant(2.0));
  notify("TOTALIZER_QV_F_SET_VALUE", Variant(10.0f));
  EXPECT_EQ(ctl("VolumeCounterFlowImage", 0).getProperty("Picture").toString(), "bitmap:221");
}

TEST_F(MainRoadTest, DispatchDropsUnknownTagsZeroHandlesAndOutOfRangeIndices) {
  registerWindow();
  const size_t before = aim->log().calls().size();
  notifyTag(aim->handleOf("&&private&&connect"), 0x11000000);  // units tag: dropped even for a known handle
  notifyTag(0, 0);
  notifyTag(aim->handleOf("COMMENTS_01"), 0x12000000 + 16);  // no line 16
  notifyTag(aim->handleOf("COMMENTS_01"), 0x10000000 + 99);  // no entry 99
  EXPECT_EQ(aim->log().calls().size(), before);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

// ------------------------------------------------------------------ notes

TEST_F(MainRoadTest, CommentLinesShowAndWriteBackCutTo80) {
  registerWindow();
  notify("&&private&&connect", Variant(2.0));
  aim->setItem("COMMENTS_02", Variant("second"));
  notifyTag(aim->handleOf("COMMENTS_02"), 0x12000002);
  std::string expected = "\r\nsecond\r\n";
  for (int i = 2; i < 15; ++i) expected += "\r\n";
  EXPECT_EQ(ctl("CommentsText").text(), expected);
  aim->log().clear();
  clickTab("MainCommentsKey");
  const std::string longLine(100, 'x');
  ASSERT_TRUE(
      form->userText(ctl("CommentsText"),
                     longLine + "\r\nsecond\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nsixteen"));
  ASSERT_EQ(aim->log().count("SetString"), 1);
  EXPECT_EQ(aim->log().of("SetString")[0].args[0].toLong(), aim->handleOf("COMMENTS_01"));
  EXPECT_EQ(aim->log().of("SetString")[0].args[1].toString(), std::string(80, 'x'));
  EXPECT_EQ(ctl("CommentsText").text().find("sixteen"), std::string::npos);
}

TEST_F(MainRoadTest, CommentCaretStaysInsideTheTextAndMovesToItsLineStart) {
  registerWindow();
  ctl("CommentsText").setProperty("SelStart", int32_t{5000});
  aim->setItem("COMMENTS_01", Variant("abc"));
  notifyTag(aim->handleOf("COMMENTS_01"), 0x12000001);
  const int32_t len = static_cast<int32_t>(ctl("CommentsText").text().size());
  EXPECT_EQ(ctl("CommentsText").getProperty("SelStart").toLong(), len);
  ctl("CommentsText").setProperty("SelStart", int32_t{4});  // between CR and LF of line 1
  aim->setItem("COMMENTS_02", Variant("d"));
  notifyTag(aim->handleOf("COMMENTS_02"), 0x12000002);
  EXPECT_EQ(ctl("CommentsText").getProperty("SelStart").toLong(), 5);
}

// ------------------------------------------------------------------ commands

TEST_F(MainRoadTest, TotalizerResetAsksAndQueuesOnlyWhenConnected) {
  registerWindow();
  notify("&&private&&connect", Variant(4.0));
  form->TotalizerReset(false, 0);
  EXPECT_EQ(services->requestsOf("beep").size(), 1u);
  EXPECT_EQ(aim->log().count("MsgBox"), 0);
  notify("&&private&&connect", Variant(2.0));
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  form->TotalizerReset(true, 3);
  ASSERT_EQ(aim->log().count("MsgBox"), 1);
  const Call box = aim->log().of("MsgBox")[0];
  EXPECT_EQ(box.args[0].toString(),
            "Volume Totalizer  Reverse Flow (<R)\r\n\r\nDelete Totalizer and Overflow ?");
  EXPECT_EQ(box.args[2].toString(), "RQ44");
  services->queueMessageAnswer(platform::ui::mb::IdNo);
  form->TotalizerReset(false, 1);
  run(300);
  EXPECT_EQ(started(), std::vector<std::string>({"SeqHART_COMMAND_145_Read"}));
}

TEST_F(MainRoadTest, DeviceInfoDoubleClickAndButtonsAndMenus) {
  registerWindow();
  form->show();
  notify("&&private&&connect", Variant(2.0));
  ASSERT_TRUE(form->userDblClick(ctl("DevDataLabel", 4)));
  run(1);
  EXPECT_EQ(started(), std::vector<std::string>({"GET_TRANSMITTER_STATE_Octets"}));
  aim->log().clear();
  clickTab("MainValuesKey");
  ASSERT_TRUE(form->userClick(ctl("DiagnoseCommand")));
  form->userClick(ctl("MenuDisplayTrend"));
  form->userClick(ctl("MenuConnect"));
  form->userClick(ctl("MenuSourceFile"));
  EXPECT_EQ(aim->log().of("OpenView")[0].args[0].toString(), "velumor.VelumorDiagViewClass");
  EXPECT_EQ(aim->log().of("OpenView")[1].args[0].toString(), "Velumor.VelumorDisplayTrendClass");
  EXPECT_EQ(aim->log().count("Connect"), 1);
  EXPECT_EQ(aim->log().of("SetValue").back().args[1].toDouble(), 1.0);
  ASSERT_EQ(services->requestsOf("activate").size(), 1u);
  EXPECT_EQ(services->requestsOf("activate")[0].text, "VelumorMainViewForm");
  EXPECT_EQ(form->getProperty("MousePointer").toLong(), 0);
}

TEST_F(MainRoadTest, StandardMenusHelpAndChildWindows) {
  registerWindow();
  form->show();
  aim->log().clear();
  form->userClick(ctl("MenuContents"));
  form->userClick(ctl("MenuIndex"));
  ASSERT_EQ(aim->log().count("Help"), 2);
  for (const Call& c : aim->log().of("Help")) EXPECT_EQ(c.args[1].toLong(), 3);
  form->userClick(ctl("MenuSaveAs"));  // the fake frame lacks it: nothing happens, nothing fails
  form->userClick(ctl("MenuSaveDev"));
  form->userClick(ctl("MenuLoadDB"));
  form->userClick(ctl("MenuTableView"));
  form->userClick(ctl("MenuMirvel"));
  form->userClick(ctl("MenuService"));
  form->userClick(ctl("MenuReadMe"));
  EXPECT_EQ(aim->log().count("LoadFromDatabase"), 1);
  EXPECT_EQ(aim->log().of("OpenView")[0].args[0].toString(), "GenericView.GenericViewClass");
  EXPECT_EQ(services->requestsOf("url").size(), 1u);
  ASSERT_TRUE(Kit::softServiceWindow(*form));
  ASSERT_TRUE(Kit::readMeWindow(*form));
  Ptr<platform::ui::Form> readMe = Kit::readMeWindow(*form);
  run(1);
  EXPECT_EQ(started(), std::vector<std::string>({"FULL_DOWNLOAD"}));
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  // Exit closes the window and the windows it opened; the timers stop.
  form->userClick(ctl("MenuExit"));
  EXPECT_TRUE(form->wasUnloaded());
  EXPECT_FALSE(readMe->isLoaded());
  EXPECT_EQ(platform::ui::EventLoop::instance().armedCount(), 0u);
}

// ------------------------------------------------------------------ device menu

TEST_F(MainRoadTest, DeviceMenuHidesItsOwnEntryAndRunsTheOthers) {
  registerWindow();
  velumor::view_window::DynamicMenu& m = *form->dynamicMenu();
  ASSERT_EQ(m.records().size(), 4u);
  EXPECT_FALSE(form->menu("dynaMenuEntry", 2).visible());  // opens this very window
  // Its state item was given back: a late notification of that handle does not show it.
  const int32_t givenUp = aim->handleOf("&&Menu_State&&MainView");
  aim->values[givenUp] = Variant(3.0);
  notifyTag(givenUp, 0x10000002);
  EXPECT_FALSE(form->menu("dynaMenuEntry", 2).visible());
  EXPECT_EQ(m.records()[2].lStateHandle, 0);
  EXPECT_TRUE(form->menu("dynaMenuEntry", 3).visible());
  EXPECT_EQ(m.records()[1].lStateHandle, 0);  // separator: no state item
  EXPECT_EQ(aim->registration("&&Menu_State&&DiagView")->userLong, 0x10000003);
  aim->frame->byName.add("fncStartForm", [](std::span<Variant> a) { return Variant(a.size() == 1); });
  form->userClick(form->menu("dynaMenuEntry", 3));
  ASSERT_EQ(aim->log().count("fncStartForm"), 1);
  EXPECT_EQ(aim->log().of("fncStartForm")[0].args[0].toString(), "Velumor.VelumorDiagViewClass");
  form->userClick(form->menu("dynaMenuEntry", 0));
  run(1);
  EXPECT_EQ(started(), std::vector<std::string>({"FULL_DOWNLOAD"}));
  // State bits: 5 is visible, disabled, checked.
  aim->setItem("&&Menu_State&&DiagView", Variant(5.0));
  notifyTag(aim->handleOf("&&Menu_State&&DiagView"), 0x10000003);
  EXPECT_TRUE(form->menu("dynaMenuEntry", 3).visible());
  EXPECT_FALSE(form->menu("dynaMenuEntry", 3).enabled());
  EXPECT_TRUE(form->menu("dynaMenuEntry", 3).getProperty("Checked").toBool());
}

TEST_F(MainRoadTest, RightClickOnPagesButNotOnValueSubFramesAndNotWithoutEntries) {
  registerWindow();
  form->show();
  notify("&&private&&connect", Variant(2.0));
  form->userMouseUp(ctl("MainDeviceInfoFrame"), platform::ui::kRightButton);
  form->userMouseUp(*form, platform::ui::kRightButton);
  form->userMouseUp(ctl("ValueDiagFrame"), platform::ui::kRightButton);
  form->userMouseUp(ctl("MainDeviceInfoFrame"), platform::ui::kLeftButton);
  EXPECT_EQ(services->requestsOf("popup").size(), 2u);
}

TEST_F(MainRoadTest, DeviceMenuWithoutNicknamePopsNothingUp) {
  nickStatus = 1;
  registerWindow();
  form->show();
  form->userMouseUp(*form, platform::ui::kRightButton);
  EXPECT_TRUE(services->requestsOf("popup").empty());
  form->userClick(form->menu("dynaMenuEntry", 0));
  EXPECT_EQ(aim->log().count("GetFrame"), 2);  // only the two probes at load
}

TEST_F(MainRoadTest, StartFormEntriesRestoreOnlyWhatWasTakenAway) {
  setMenu({{"A", "a", "fncStartForm x"}, {"B", "b", "fncStartForm y"}, {"C", "c", "other z"}});
  registerWindow();
  aim->setItem("&&Menu_State&&A", Variant(3.0));
  aim->setItem("&&Menu_State&&B", Variant(1.0));  // the host had it disabled
  aim->setItem("&&Menu_State&&C", Variant(3.0));
  form->DisableStartFormEntries();
  form->DisableStartFormEntries();  // nested
  EXPECT_EQ(aim->values[aim->handleOf("&&Menu_State&&A")].toDouble(), 1.0);
  form->EnableStartFormEntries();
  EXPECT_EQ(aim->values[aim->handleOf("&&Menu_State&&A")].toDouble(), 1.0);  // the outer pair is still open
  form->EnableStartFormEntries();
  EXPECT_EQ(aim->values[aim->handleOf("&&Menu_State&&A")].toDouble(), 3.0);
  EXPECT_EQ(aim->values[aim->handleOf("&&Menu_State&&B")].toDouble(), 1.0);
  EXPECT_EQ(aim->values[aim->handleOf("&&Menu_State&&C")].toDouble(), 3.0);
  // A failed read writes nothing.
  aim->values.erase(aim->handleOf("&&Menu_State&&A"));
  aim->log().clear();
  form->DisableStartFormEntries();
  form->EnableStartFormEntries();
  EXPECT_EQ(aim->log().count("SetValue"), 0);
}

// ------------------------------------------------------------------ queue and unload

TEST_F(MainRoadTest, SequenceQueueBusyKeepsTheHeadFailureDropsItOnce) {
  registerWindow();
  aim->frame->sequenceResults = {tolvar::kHostBusy, tolvar::kHostBusy, 0, 0};
  form->QueueSeqStart("A");
  form->QueueSeqStart("B");
  run(1);
  EXPECT_EQ(started(), std::vector<std::string>({"A"}));
  run(100);
  run(100);
  EXPECT_EQ(started(), std::vector<std::string>({"A", "A", "A"}));
  run(100);
  EXPECT_EQ(started(), std::vector<std::string>({"A", "A", "A", "B"}));
  run(100);
  EXPECT_FALSE(form->timer("SeqStartTimer").isEnabled());
  aim->frame->failures.set("StartSequence", static_cast<int32_t>(0x80004005u));
  form->QueueSeqStart("C");
  form->QueueSeqStart("D");
  run(1);
  EXPECT_EQ(form->seqStartQueue()->text(), "D\r\n");
  EXPECT_EQ(form->timer("SeqStartTimer").interval(), 100);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
}

TEST_F(MainRoadTest, HostDestroyDuringTheTotalizerQuestionLeavesTheWindowAlone) {
  registerWindow();
  notify("&&private&&connect", Variant(2.0));
  aim->log().onCall = [this](const Call& c) {
    if (c.op == "MsgBox") {
      aim->log().onCall = nullptr;
      form->unload();
    }
  };
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  form->TotalizerReset(false, 0);
  EXPECT_TRUE(form->wasUnloaded());
  EXPECT_EQ(aim->log().count("StartSequence"), 0);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

}  // namespace
}  // namespace mainview_test
