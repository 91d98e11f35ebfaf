// The supervision view: a View of its own with a hidden window.
#include <gtest/gtest.h>

#include "platform/com/error.h"
#include "tests/velumor/host_binding/test_support.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/shared/component.h"

namespace {

using hbtest::HostBindingTest;
using hbtest::LifeRecorder;
using hbtest::run;
using platform::com::makeObject;
using platform::com::Ptr;
namespace hr = platform::com::hr;

class AlwaysViewTest : public HostBindingTest {
 protected:
  void SetUp() override {
    HostBindingTest::SetUp();
    baseline = velumor::shared::componentLiveCount().value();
    view = makeObject<velumor::host_binding::VelumorAlwaysView>();
  }
  int64_t baseline = 0;
  Ptr<velumor::host_binding::VelumorAlwaysView> view;
};

TEST_F(AlwaysViewTest, AttachingLoadsTheHiddenWindowAndArmsRegistration) {
  velumor::host_binding::VelumorAlwaysViewForm* form = view->form();
  EXPECT_EQ(view->ownedWindow(), form);
  EXPECT_FALSE(form->isLoaded());
  ASSERT_TRUE(view->binding().hasQueue());  // exists from the start

  EXPECT_EQ(view->SetAppletItemManagRef(4, host), 0);
  EXPECT_TRUE(form->isLoaded());
  EXPECT_FALSE(form->visible());
  EXPECT_EQ(view->binding().itemManager(), host.get());
  EXPECT_EQ(view->binding().deviceDescription(), host->dd.get());
  EXPECT_EQ(view->binding().viewHandle(), 4);
  EXPECT_EQ(host->log().ops(), std::vector<std::string>{"GetDDObject"});
  EXPECT_TRUE(form->timer("RegisterTimer").isEnabled());
  run(1);
  EXPECT_FALSE(form->timer("RegisterTimer").isEnabled());
}

TEST_F(AlwaysViewTest, ShowNeverMakesTheWindowVisible) {
  EXPECT_EQ(view->Show(), 0);
  EXPECT_TRUE(view->form()->isLoaded());
  EXPECT_FALSE(view->form()->visible());
  EXPECT_EQ(view->Hide(), 0);
  EXPECT_FALSE(view->form()->visible());
}

TEST_F(AlwaysViewTest, NotificationsAreQueuedAndWorkedOffOnePerTick) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  EXPECT_EQ(view->NotifyChanged(1, false, 2, 0x1000001), 0);
  EXPECT_EQ(view->NotifyChanged(2, true, 3, 0x8000002), 0);
  ASSERT_EQ(view->binding().queue()->size(), 2u);
  EXPECT_EQ(view->binding().queue()->front(),
            (velumor::view_window::VELUMOR_Notify_Type{1, false, 2, 0x1000001}));
  platform::ui::TimerControl& t = view->form()->timer("NotifyTimer");
  EXPECT_TRUE(t.isEnabled());
  run(1);
  EXPECT_EQ(view->binding().queue()->size(), 1u);
  run(1);
  EXPECT_TRUE(view->binding().queue()->empty());
  run(1);
  EXPECT_FALSE(t.isEnabled());
}

TEST_F(AlwaysViewTest, DestroyReleasesTheViewOnceAndDropsTheQueue) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  view->NotifyChanged(1, false, 0, 0);

  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
  EXPECT_FALSE(view->binding().hasQueue());

  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_EQ(view->NotifyChanged(2, false, 0, 0), 0);  // dropped
  EXPECT_FALSE(view->binding().hasQueue());
  run(5);
  EXPECT_TRUE(hbtest::loop().errors().empty());

  view.reset();
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

TEST_F(AlwaysViewTest, DestroyLeavesTheWindowLoadedSoShowStillAnswersZero) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  run(1);
  LifeRecorder life(view->form());
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(life.unloads, 0);
  EXPECT_TRUE(view->form()->isLoaded());
  EXPECT_FALSE(view->form()->timer("NotifyTimer").isEnabled());
  EXPECT_FALSE(view->form()->timer("SeqAdjustTimer").isEnabled());
  EXPECT_EQ(view->Show(), 0);
  EXPECT_FALSE(view->form()->visible());
  EXPECT_EQ(view->Hide(), 0);
  // Released once; the terminator unloads the window and releases nothing more.
  view.reset();
  EXPECT_EQ(life.unloads, 1);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

TEST_F(AlwaysViewTest, DestroyBeforeTheRegistrationTickRegistersNothing) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  EXPECT_EQ(view->Destroy(), 0);
  run(10);
  EXPECT_EQ(host->log().count("RegisterItem"), 0);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
  EXPECT_TRUE(view->form()->isLoaded());
  EXPECT_TRUE(hbtest::loop().errors().empty());
}

TEST_F(AlwaysViewTest, DestroyBeforeAttachingLoadsNothingAndReleasesNothing) {
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_FALSE(view->form()->isLoaded());
  EXPECT_FALSE(view->form()->wasUnloaded());
  EXPECT_TRUE(host->log().calls().empty());
}

TEST_F(AlwaysViewTest, ClosingTheWindowOnlyHidesIt) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  view->form()->show();
  EXPECT_FALSE(view->form()->userClose());
  EXPECT_TRUE(view->form()->isLoaded());
  EXPECT_FALSE(view->form()->visible());
  EXPECT_EQ(host->log().count("ReleaseView"), 0);
  EXPECT_EQ(view->NotifyChanged(1, false, 0, 0), 0);
  EXPECT_EQ(view->binding().queue()->size(), 1u);
}

TEST_F(AlwaysViewTest, WindowUnloadedByOtherMeansDestroysTheViewOnce) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  ASSERT_TRUE(view->form()->unload(platform::ui::kUnloadAppWindows));
  EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
  EXPECT_FALSE(view->binding().hasQueue());
  EXPECT_EQ(view->Destroy(), 0);
  EXPECT_EQ(host->log().count("ReleaseView"), 1);
}

TEST_F(AlwaysViewTest, ReleasedWithoutDestroyUnloadsItsWindowWithoutReleasingTheView) {
  ASSERT_EQ(view->SetAppletItemManagRef(4, host), 0);
  LifeRecorder life(view->form());
  view.reset();
  EXPECT_EQ(life.unloads, 1);
  EXPECT_TRUE(life.formDestroyed());
  EXPECT_EQ(host->log().count("ReleaseView"), 0);
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
}

TEST_F(AlwaysViewTest, FailingGetDDObjectIsTheStatus) {
  host->failures.set("GetDDObject", static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(view->SetAppletItemManagRef(4, host), static_cast<int32_t>(0x80004005u));
  EXPECT_FALSE(view->form()->isLoaded());
}

}  // namespace
