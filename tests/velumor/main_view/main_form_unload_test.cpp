// Shut-down of the main window: the save question and its exact conditions, the order of
// the steps, the one ReleaseView, and what happens to notifications afterwards.
#include "tests/support/kit_access.h"
#include "tests/velumor/main_view/main_view_fixture.h"

namespace mainview_test {
namespace {

using windowtest::kDirtyHandle;
using windowtest::kSaveOnExitHandle;

class MainViewUnloadTest : public windowtest::UnloadTest<MainViewTest> {
 protected:
  int questions() const { return aim->log().count("MsgBox"); }
};

using windowtest::SaveCase;

class SaveQuestionTest : public MainViewUnloadTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveQuestionTest, IsAskedOnlyForADirtyDataSetWithSaveOnExitExactlyOne) {
  const SaveCase& c = GetParam();
  setHost(c.dirty, c.saveOnExit);
  form->unload();
  EXPECT_EQ(questions(), c.asked ? 1 : 0);
  // GetValue is called only when the dirty flag could be read.
  EXPECT_EQ(aim->log().count("GetValue"), c.dirty.has_value() ? 1 : 0);
  EXPECT_EQ(aim->log().count("SaveToDatabase"), 0);  // no answer queued: not Yes
  EXPECT_FALSE(form->isLoaded());
}

INSTANTIATE_TEST_SUITE_P(Conditions, SaveQuestionTest,
                         ::testing::Values(SaveCase{"dirty_and_one", true, 1.0, true},
                                           SaveCase{"clean", false, 1.0, false},
                                           SaveCase{"save_on_exit_zero", true, 0.0, false},
                                           SaveCase{"save_on_exit_two", true, 2.0, false},
                                           SaveCase{"save_on_exit_almost_one", true, 0.9999999, false},
                                           SaveCase{"save_on_exit_minus_one", true, -1.0, false},
                                           SaveCase{"dirty_unreadable", std::nullopt, 1.0, false},
                                           SaveCase{"save_on_exit_unreadable", true, std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainViewUnloadTest, QuestionNamesTheDeviceAndYesSavesToTheDatabase) {
  setHost(true, 1.0);
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  form->unload();
  const auto boxes = aim->log().of("MsgBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].args[0].toString(), "Save data set to database?");
  EXPECT_EQ(boxes[0].args[1].toLong(), platform::ui::mb::YesNo);
  EXPECT_EQ(boxes[0].args[2].toString(), "RQ4400 Coriolis");
  const auto saves = aim->log().of("SaveToDatabase");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].args[0].toLong(), 0);
  EXPECT_EQ(aim->log().of("GetBoolValue")[0].args[0].toLong(), kDirtyHandle);
  EXPECT_EQ(aim->log().of("GetValue")[0].args[0].toLong(), kSaveOnExitHandle);
}

TEST_F(MainViewUnloadTest, NoSavesNothing) {
  setHost(true, 1.0);
  services->queueMessageAnswer(platform::ui::mb::IdNo);
  form->unload();
  EXPECT_EQ(questions(), 1);
  EXPECT_EQ(aim->log().count("SaveToDatabase"), 0);
  EXPECT_FALSE(form->isLoaded());
}

TEST_F(MainViewUnloadTest, TheQuestionIsAskedInTheUsersLanguage) {
  ScopedLang german("de");
  setHost(true, 1.0);
  form->unload();
  ASSERT_EQ(questions(), 1);
  EXPECT_EQ(aim->log().of("MsgBox")[0].args[0].toString(),
            "Soll der geänderte Datensatz in der Datenbank gespeichert werden?");
}

TEST_F(MainViewUnloadTest, BeforeRegistrationBothReadsUseHandleZero) {
  auto fresh = platform::com::makeObject<velumor::main_view::VelumorMainViewForm>();
  ASSERT_EQ(fresh->SetAppletItemManagRef(7, aim), 0);  // loaded; its registration tick has not run
  aim->log().clear();
  aim->values[0] = Variant(1.0);  // one host answer for both reads: True and 1.0
  fresh->unload();
  EXPECT_EQ(aim->log().of("GetBoolValue")[0].args[0].toLong(), 0);
  EXPECT_EQ(aim->log().of("GetValue")[0].args[0].toLong(), 0);
  EXPECT_EQ(questions(), 1);
}

TEST_F(MainViewUnloadTest, StepsRunInOrderAndTheViewIsReleasedOnce) {
  auto view = platform::com::makeObject<FakeView>();
  form->takeOwningView(view);
  setHost(true, 1.0);
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  // Opened from the Help menu in another order than they close.
  windowtest::UnloadLogger aboutLog("About", aim->log()), serviceLog("Service", aim->log()),
      readMeLog("ReadMe", aim->log());
  for (const char* menu : {"MenuReadMe", "MenuAbout", "MenuService"}) ASSERT_TRUE(form->userClick(ctl(menu)));
  Ptr<platform::ui::Form> about = Kit::aboutWindow(*form);
  Ptr<platform::ui::Form> service = Kit::softServiceWindow(*form);
  Ptr<platform::ui::Form> readMe = Kit::readMeWindow(*form);
  ASSERT_TRUE(about && service && readMe);
  about->addFormObserver(&aboutLog);
  service->addFormObserver(&serviceLog);
  readMe->addFormObserver(&readMeLog);
  aim->log().clear();
  form->NotifyChanged(5, false, 0, 0);
  form->timer("SeqStartTimer").setProperty("Enabled", true);
  form->timer("DiagLEDTimer").setProperty("Enabled", true);

  // When the view is released, the timers still run and the references are still held.
  bool timersRanAtRelease = false;
  aim->log().onCall = [&](const fakehost::Call& c) {
    if (c.op == "ReleaseView")
      timersRanAtRelease = form->timer("NotifyTimer").isEnabled() &&
                           form->timer("DiagLEDTimer").isEnabled() &&
                           form->binding().itemManager() != nullptr;
  };
  form->unload();
  aim->log().onCall = nullptr;

  EXPECT_EQ(aim->log().ops(),
            (std::vector<std::string>{"Help", "GetBoolValue", "GetValue", "MsgBox", "GetFrame",
                                      "SaveToDatabase", "Unload About", "Unload Service", "Unload ReadMe",
                                      "ReleaseItems", "ReleaseView"}));
  EXPECT_EQ(aim->log().of("Help")[0].args[1].toLong(), platform::ui::help::Quit);
  ASSERT_EQ(aim->releasedViews.size(), 1u);
  EXPECT_EQ(aim->releasedViews[0], view.get());
  EXPECT_TRUE(timersRanAtRelease);
  for (platform::ui::Form* w : {about.get(), service.get(), readMe.get()}) EXPECT_FALSE(w->isLoaded());
  EXPECT_FALSE(Kit::aboutWindow(*form));
  EXPECT_FALSE(Kit::softServiceWindow(*form));
  EXPECT_FALSE(Kit::readMeWindow(*form));
  EXPECT_FALSE(Kit::viewRef(*form));
  EXPECT_FALSE(form->binding().itemManager());
  EXPECT_FALSE(form->binding().deviceDescription());
  EXPECT_FALSE(form->binding().hasQueue());

  // A second unload (the host's Destroy after the user closed the window) releases nothing.
  form->unload();
  EXPECT_EQ(aim->log().count("ReleaseView"), 1);
}

TEST_F(MainViewUnloadTest, WithoutViewRefNothingIsReleasedAtTheItemManager) {
  form->unload();
  EXPECT_EQ(aim->log().count("ReleaseView"), 0);
  EXPECT_EQ(aim->log().count("ReleaseItems"), 1);
  EXPECT_FALSE(form->isLoaded());
  EXPECT_FALSE(form->binding().itemManager());
}

TEST_F(MainViewUnloadTest, AFailingReleaseViewDoesNotStopTheUnload) {
  form->takeOwningView(platform::com::makeObject<FakeView>());
  aim->failures.set("ReleaseView", platform::com::hr::Fail);
  EXPECT_TRUE(form->unload());
  EXPECT_FALSE(form->isLoaded());
  EXPECT_FALSE(Kit::viewRef(*form));
  EXPECT_FALSE(form->binding().itemManager());
  EXPECT_FALSE(form->binding().hasQueue());
}

TEST_F(MainViewUnloadTest, AFailedSaveIsReportedAndTheWindowStillCloses) {
  form->takeOwningView(platform::com::makeObject<FakeView>());
  setHost(true, 1.0);
  services->queueMessageAnswer(platform::ui::mb::IdYes);
  aim->frame->failures.set("SaveToDatabase", platform::com::hr::Fail);
  handler->failRelease = true;
  EXPECT_TRUE(form->unload());
  EXPECT_FALSE(form->isLoaded());
  EXPECT_EQ(aim->log().count("ReleaseView"), 1);
  EXPECT_FALSE(form->binding().itemManager());
  // Both failures reach the error report; none escapes to the caller.
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 2u);
}

TEST_F(MainViewUnloadTest, ANotificationAfterTheUnloadIsDroppedAndDoesNotReload) {
  form->unload();
  const size_t armed = platform::ui::EventLoop::instance().armedCount();
  EXPECT_EQ(form->NotifyChanged(3, false, 0, 0), 0);
  EXPECT_FALSE(form->isLoaded());
  EXPECT_TRUE(form->wasUnloaded());
  EXPECT_FALSE(form->binding().hasQueue());
  EXPECT_EQ(platform::ui::EventLoop::instance().armedCount(), armed);
}

}  // namespace
}  // namespace mainview_test
