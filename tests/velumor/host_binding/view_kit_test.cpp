// The parts of the view-window kit that differ by window only in data: what a display and the
// simulation window show in caption and status bar, and the unload that every window shares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/velumor/host_binding/test_support.h"
#include "velumor/output_views/velumor_display_form.h"
#include "velumor/output_views/velumor_simulation_form.h"
#include "velumor/view_window/seq_start_queue.h"

namespace {

using hbtest::HostBindingTest;
using hbtest::run;
using platform::com::makeObject;
using platform::com::Ptr;
using platform::com::Variant;

// A display window that dispatches the shared branches by the handles a test gives it.
class ProbeDisplay : public velumor::output_views::VelumorDisplayForm {
 public:
  ProbeDisplay() : VelumorDisplayForm(velumor::output_views::DisplayKind::Bar) {}
  int32_t addressHandle = 0, connectHandle = 0, levelHandle = 0, sourceHandle = 0;
  std::vector<int32_t> connectionStates;

 protected:
  void Register() override {
    readDeviceText();
    registerItem("&&private_pm&&Address", false, addressHandle);
    registerItem("&&private&&connect", false, connectHandle);
    registerItem("&&private&&UserLevel", false, levelHandle);
    registerItem("&&private&&CurrentSource", false, sourceHandle);
  }
  void Dispatch(const velumor::view_window::VELUMOR_Notify_Type& r) override {
    if (r.lAppletItemHandle == addressHandle) UpdateCaptionAddress(r.lAppletItemHandle);
    if (r.lAppletItemHandle == connectHandle) ShowConnectionState(r.lAppletItemHandle);
    if (r.lAppletItemHandle == levelHandle) ShowUserLevel(r.lAppletItemHandle);
    if (r.lAppletItemHandle == sourceHandle) ShowDataSource(r.lAppletItemHandle);
  }
  void OnConnectionState(int32_t s) override { connectionStates.push_back(s); }
};

class ViewKitTest : public HostBindingTest {
 protected:
  void SetUp() override {
    HostBindingTest::SetUp();
    host->dd->properties = {{"DevDescLong", "RQ4400"}};
  }
  void notify(velumor::view_window::ViewWindow& w, int32_t handle, Variant value) {
    host->values[handle] = std::move(value);
    w.NotifyChanged(handle, false, 0, 0);
    run(1);
  }
  std::string panel(velumor::view_window::ViewWindow& w, const std::string& key, const std::string& field) {
    return w.statusBar("VelumorStatusBar").evalPath("Panels(\"" + key + "\")." + field).toString();
  }
};

TEST_F(ViewKitTest, DisplayTraitsFollowTheirKind) {
  const auto trend =
      velumor::output_views::VelumorDisplayForm::traitsFor(velumor::output_views::DisplayKind::Trend);
  EXPECT_EQ(trend.ownClassName, "VelumorDisplayTrendClass");
  EXPECT_EQ(trend.captionTextId, 8);
  EXPECT_EQ(velumor::output_views::VelumorDisplayForm::traitsFor(velumor::output_views::DisplayKind::Bar)
                .captionTextId,
            5);
  EXPECT_FALSE(trend.hasDynamicMenu);
  EXPECT_FALSE(trend.hasSeqStartQueue);
  EXPECT_FALSE(trend.asksSaveOnExit);
  EXPECT_EQ(makeObject<velumor::output_views::VelumorDisplayForm>(velumor::output_views::DisplayKind::Digital)
                ->name(),
            "VelumorDisplayDigitalForm");
}

TEST_F(ViewKitTest, DisplayCaptionAndStatusBarWithoutMainWindowExtras) {
  auto w = makeObject<ProbeDisplay>();
  w->SetAppletItemManagRef(3, host);
  run(1);
  EXPECT_EQ(w->caption(), "RQ4400");
  notify(*w, w->addressHandle, Variant(std::string("7\0zz", 4)));
  EXPECT_EQ(w->caption(), "Bar Graph, [7] RQ4400: ");
  notify(*w, w->levelHandle, Variant(3.0));
  EXPECT_EQ(panel(*w, "StatusBarUser", "Text"), "Operator");
  notify(*w, w->sourceHandle, Variant(1.0));
  EXPECT_EQ(panel(*w, "StatusBarDataSource", "ToolTipText"), "Source: &File");
  notify(*w, w->connectHandle, Variant(2.0));
  EXPECT_EQ(panel(*w, "StatusBarCommText", "Text"), "Connected");
  EXPECT_EQ(w->connectionStates, std::vector<int32_t>{2});
  w->unload();
}

TEST_F(ViewKitTest, UnloadRunsOnceReleasesOnceAndStopsEveryTimer) {
  auto w = makeObject<ProbeDisplay>();
  w->takeOwningView(makeObject<hbtest::DummyView>());
  w->SetAppletItemManagRef(3, host);
  w->NotifyChanged(1, false, 0, 0);
  ASSERT_TRUE(w->timer("NotifyTimer").isEnabled());
  w->unload();
  EXPECT_EQ(host->releasedViews.size(), 1u);
  EXPECT_FALSE(w->binding().hasQueue());
  EXPECT_EQ(w->binding().itemManager(), nullptr);
  EXPECT_EQ(w->NotifyChanged(1, false, 0, 0), 0);  // dropped, the window stays unloaded
  EXPECT_FALSE(w->isLoaded());
  run(10);
  EXPECT_EQ(host->releasedViews.size(), 1u);
}

TEST_F(ViewKitTest, SimulationWindowHasTheQueueAndTheDeviceMenu) {
  auto w = makeObject<velumor::output_views::VelumorSimulationForm>();
  ASSERT_NE(w->seqStartQueue(), nullptr);
  ASSERT_NE(w->dynamicMenu(), nullptr);
  w->SetAppletItemManagRef(3, host);
  w->QueueSeqStart("FULL_DOWNLOAD");
  EXPECT_EQ(w->timer("SeqStartTimer").interval(), velumor::view_window::SeqStartQueue::kFirstAttemptMs);
  w->unload();
  EXPECT_TRUE(w->seqStartQueue()->pending().empty());
}

}  // namespace
