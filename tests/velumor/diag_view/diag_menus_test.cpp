// The menus of the diagnosis window as the user works them: what each entry asks of the
// host, the Settings check marks, help and the small windows, and the device's own menu
// with the entry that would open this very window left out.
#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"
#include "velumor/shared/component.h"
#include "velumor/view_window/dynamic_menu.h"

namespace diagview_test {
namespace {

class DiagMenusTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400";
    aim->frame->byName.add("OpenFromDatabase", mainview_test::operationWithoutArguments());
    aim->frame->byName.add("SaveAsToDatabase", mainview_test::operationWithoutArguments());
    open();
    run(1);
    report("&&private&&connect", Variant(2.0));
    form->show();
    aim->log().clear();
    platform::ui::EventLoop::instance().clearErrors();
  }
  void report(std::string_view item, Variant value) {
    ASSERT_TRUE(aim->setItem(item, value)) << item;
    form->NotifyChanged(aim->handleOf(item), false, 0, 0);
    run(1);
  }
  void click(std::string_view menu) { ASSERT_TRUE(form->userClick(ctl(menu))) << menu; }
  // The host calls since the last click, without the frame fetches.
  std::vector<std::string> hostCalls() {
    std::vector<std::string> v;
    for (const fakehost::Call& c : aim->log().calls()) {
      if (c.op == "GetFrame") continue;
      std::string s = c.op;
      for (const Variant& a : c.args) s += " " + a.toString();
      v.push_back(s);
    }
    aim->log().clear();
    return v;
  }
  bool checked(std::string_view menu) { return ctl(menu).getProperty("Checked").toBool(); }
};

TEST_F(DiagMenusTest, EveryHostEntryCallsItsFrameOperation) {
  struct Case {
    const char* menu;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"MenuOpenNew", {"OpenFromDatabase"}},
      {"MenuLoadDB", {"LoadFromDatabase 0"}},
      {"MenuSaveDB", {"SaveToDatabase 0"}},
      {"MenuSaveAs", {"SaveAsToDatabase"}},
      {"MenuConnect", {"Connect 0"}},
      {"MenuDisconnect", {"Disconnect 0"}},
      {"MenuSetAddress", {"SetAddress 0"}},
      {"MenuLoadDev", {"LoadFromDevice 0"}},
      {"MenuTableView", {"OpenView GenericView.GenericViewClass"}},
      {"MenuData", {"OpenView Velumor.VelumorMainViewClass"}},
      {"MenuSimulation", {"OpenView Velumor.VelumorSimulationClass"}},
  };
  for (const Case& c : cases) {
    click(c.menu);
    EXPECT_EQ(hostCalls(), c.calls) << c.menu;
  }
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

TEST_F(DiagMenusTest, SaveToDeviceQueuesTheFullDownloadEachTime) {
  click("MenuSaveDev");
  click("MenuSaveDev");
  EXPECT_EQ(form->seqStartQueue()->text(), "FULL_DOWNLOAD\r\nFULL_DOWNLOAD\r\n");
  EXPECT_TRUE(hostCalls().empty());  // started by the queue's ticks, not by the click
  run(1);
  run(100);
  EXPECT_EQ(hostCalls(),
            (std::vector<std::string>{"StartSequence FULL_DOWNLOAD", "StartSequence FULL_DOWNLOAD"}));
}

TEST_F(DiagMenusTest, SourceEntriesWriteTheItemAndMoveTheCheckBeforeTheHostEchoes) {
  click("MenuSourceDevice");
  EXPECT_TRUE(checked("MenuSourceDevice"));
  EXPECT_FALSE(checked("MenuSourceFile"));
  const std::vector<std::string> calls = hostCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "SetValue " + std::to_string(aim->handleOf("&&private&&CurrentSource")) + " 2");
  click("MenuSourceFile");
  EXPECT_TRUE(checked("MenuSourceFile"));
  EXPECT_FALSE(checked("MenuSourceDevice"));
}

TEST_F(DiagMenusTest, ContentsAndIndexBothOpenTheDiagnosisHelpContents) {
  click("MenuContents");
  click("MenuIndex");
  const std::vector<platform::ui::ServiceRequest> help = services->requestsOf("help");
  ASSERT_EQ(help.size(), 2u);
  for (const platform::ui::ServiceRequest& r : help) {
    EXPECT_EQ(r.text, (velumor::shared::componentFolder() / "VR_EN.HLP").string());
    EXPECT_EQ(r.style, 3);
  }
}

TEST_F(DiagMenusTest, TheMakersPageOpensInTheBrowser) {
  click("MenuMirvel");
  EXPECT_EQ(services->requestsOf("url").size(), 1u);
}

TEST_F(DiagMenusTest, EachHelpWindowCommandOpensANewWindowAndOnlyTheNewestClosesWithTheView) {
  click("MenuReadMe");
  Ptr<platform::ui::Form> first = Kit::readMeWindow(*form);
  click("MenuReadMe");
  Ptr<platform::ui::Form> second = Kit::readMeWindow(*form);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
  click("MenuService");
  ASSERT_TRUE(Kit::softServiceWindow(*form));
  Ptr<platform::ui::Form> service = Kit::softServiceWindow(*form);
  form->unload();
  EXPECT_TRUE(first->isLoaded());
  EXPECT_FALSE(second->isLoaded());
  EXPECT_FALSE(service->isLoaded());
  first->unload();
}

TEST_F(DiagMenusTest, EarlierHelpWindowsStayOpenWithNoReferenceKeptAndTheNewestClosesWithTheView) {
  auto shown = [](const char* formName) {
    int n = 0;
    for (platform::ui::Form* f : platform::ui::allForms())
      if (f->name() == formName && f->isLoaded() && f->visible()) ++n;
    return n;
  };
  const int readMeBefore = shown("TxtFileForm");
  const int serviceBefore = shown("SoftServiceForm");
  for (const char* menu : {"MenuReadMe", "MenuReadMe", "MenuService", "MenuService"}) click(menu);
  EXPECT_EQ(shown("TxtFileForm"), readMeBefore + 2);
  EXPECT_EQ(shown("SoftServiceForm"), serviceBefore + 2);
  form->unload();
  EXPECT_EQ(shown("TxtFileForm"), readMeBefore + 1) << "the earlier one lives on by itself";
  EXPECT_EQ(shown("SoftServiceForm"), serviceBefore + 1);
  // The user closes the survivors; nothing else holds them, so they go.
  for (platform::ui::Form* f : platform::ui::allForms())
    if ((f->name() == "TxtFileForm" || f->name() == "SoftServiceForm") && f->isLoaded()) f->userClose();
  EXPECT_EQ(shown("TxtFileForm") + shown("SoftServiceForm"), 0);
}

TEST_F(DiagMenusTest, ExitClosesTheWindowAndReleasesTheView) {
  auto view = platform::com::makeObject<FakeView>();
  form->takeOwningView(view);
  click("MenuExit");
  EXPECT_FALSE(form->isLoaded());
  EXPECT_EQ(aim->releasedViews, std::vector<const void*>{view.get()});
}

TEST_F(DiagMenusTest, TheSettingsMenuOffersOnlyTheDataSources) {
  EXPECT_FALSE(form->userClick(ctl("MenuMaintenance")));
  EXPECT_FALSE(form->userClick(ctl("MenuSpecialist")));
  EXPECT_FALSE(form->userClick(ctl("MenuAdjust")));
  EXPECT_TRUE(hostCalls().empty());
}

// ------------------------------------------------------------------ the device's own menu

class DiagDeviceMenuTest : public DiagViewTest {
 protected:
  struct Entry {
    std::string state, caption, command;
  };
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400";
    entries = {{"VelumorDiagView", "Diagnosis", "fncStartForm Velumor.VelumorDiagViewClass"},
               {"VelumorSimulationView", "Simulation", "fncStartForm Velumor.VelumorSimulationClass"},
               {"Sep", "-", ""},
               {"SaveToDevice", "Save to device", "  SaveToDevice  "}};
    fakehost::ByName& dd = aim->dd->byName;
    dd.add("fncGetGeneralString", [](std::span<Variant> a) {
      a[1] = Variant("RQ4400");
      return Variant(int32_t{0});
    });
    dd.add("fncNumberOfEntries", [this](std::span<Variant> a) {
      a[1] = Variant(static_cast<int32_t>(entries.size()));
      return Variant(int32_t{0});
    });
    dd.add("fncGetFirstEntryHandle", [](std::span<Variant> a) {
      a[1] = Variant(int32_t{1});
      return Variant(int32_t{0});
    });
    dd.add("fncGetNextEntryHandle", [](std::span<Variant> a) {
      a[0] = Variant(a[0].toLong() + 1);
      return Variant(int32_t{0});
    });
    dd.add("fncGetMenuData", [this](std::span<Variant> a) {
      const Entry& e = entries.at(static_cast<size_t>(a[0].toLong() - 1));
      a[1] = Variant(e.state);
      a[2] = Variant(e.caption);
      a[4] = Variant(e.command);
      return Variant(int32_t{0});
    });
    aim->frame->byName.add("fncStartForm", [](std::span<Variant>) { return Variant(int32_t{0}); });
    open();
    run(1);
    run(5);
    form->show();
  }
  std::vector<Entry> entries;
};

TEST_F(DiagDeviceMenuTest, TheEntryThatWouldOpenThisWindowIsGivenBackAndHidden) {
  EXPECT_FALSE(ctl("dynaMenuEntry", 0).visible());
  EXPECT_FALSE(ctl("dynaMenuEntry", 0).enabled());
  EXPECT_TRUE(ctl("dynaMenuEntry", 1).visible());
  EXPECT_TRUE(ctl("dynaMenuEntry", 1).enabled());
  EXPECT_EQ(ctl("dynaMenu").caption(), "RQ4400");
  // Its state item was registered and at once given back.
  const int32_t own = aim->handleOf("&&Menu_State&&VelumorDiagView");
  ASSERT_NE(own, 0);
  bool unadvised = false;
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "UnadviseItem" && c.args[1].toLong() == own) unadvised = true;
  EXPECT_TRUE(unadvised);
  // A separator registers nothing.
  EXPECT_EQ(aim->handleOf("&&Menu_State&&Sep"), 0);
}

TEST_F(DiagDeviceMenuTest, ARightReleaseOverTheTabStripOrAFramePopsItUp) {
  size_t popups = services->requestsOf("popup").size();
  for (const char* where : {"MainTab", "DiagDeviceFrame", "DiagOutputFrame"}) {
    if (std::string_view(where) == "DiagOutputFrame") {
      ASSERT_TRUE(form->userSelectTab(tabs(), Variant("DiagOutputKey")));
    }
    form->userMouseUp(ctl(where), platform::ui::kRightButton);
    EXPECT_EQ(services->requestsOf("popup").size(), ++popups) << where;
  }
  form->userMouseUp(ctl("MainTab"), platform::ui::kLeftButton);
  EXPECT_EQ(services->requestsOf("popup").size(), popups);
}

TEST_F(DiagDeviceMenuTest, EntriesCallTheHostOrQueueTheFullDownload) {
  aim->log().clear();
  ASSERT_TRUE(form->userClick(ctl("dynaMenuEntry", 1)));
  bool called = false;
  for (const fakehost::Call& c : aim->log().calls())
    if (c.op == "fncStartForm") {
      called = true;
      ASSERT_EQ(c.args.size(), 1u);
      EXPECT_EQ(c.args[0].toString(), "Velumor.VelumorSimulationClass");
    }
  EXPECT_TRUE(called);
  ASSERT_TRUE(form->userClick(ctl("dynaMenuEntry", 3)));
  EXPECT_EQ(form->seqStartQueue()->text(), "FULL_DOWNLOAD\r\n");
}

TEST_F(DiagDeviceMenuTest, EntriesFollowTheirStateBits) {
  platform::ui::EventLoop::instance().clearErrors();
  const int32_t h = aim->handleOf("&&Menu_State&&VelumorSimulationView");
  aim->values[h] = Variant(5.0);  // visible, not enabled, checked
  form->NotifyChanged(h, false, 0, 0x10000001);
  run(1);
  EXPECT_TRUE(ctl("dynaMenuEntry", 1).visible());
  EXPECT_FALSE(ctl("dynaMenuEntry", 1).enabled());
  EXPECT_TRUE(ctl("dynaMenuEntry", 1).getProperty("Checked").toBool());
  // A tag whose index has no entry changes nothing and raises nothing.
  form->NotifyChanged(h, false, 0, 0x10000040);
  run(1);
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

}  // namespace
}  // namespace diagview_test
