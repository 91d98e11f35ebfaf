// The diagnosis window follows its size: the selected group at once, every other group when
// its tab is next chosen, the progress frame over its panel, never below the minimum.
#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

class DiagLayoutTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    open();
    form->show();
  }
  struct Place {
    float left, top;
  };
  std::vector<Place> rowPlaces(std::string_view group, const char* part) {
    std::vector<Place> v;
    for (int32_t i : form->arrayIndices("Diag" + std::string(group) + part))
      v.push_back({ctl("Diag" + std::string(group) + part, i).left(),
                   ctl("Diag" + std::string(group) + part, i).top()});
    return v;
  }
  void expectFitted(std::string_view group) {
    platform::ui::Control& f = ctl("Diag" + std::string(group) + "Frame");
    EXPECT_FLOAT_EQ(f.top(), tabs().clientTop()) << group;
    EXPECT_FLOAT_EQ(f.width(), tabs().clientWidth()) << group;
    EXPECT_FLOAT_EQ(f.height(), tabs().clientHeight()) << group;
  }
};

TEST_F(DiagLayoutTest, HeightGrowthSpreadsTheDeviceRowsDownwards) {
  const std::vector<Place> before = rowPlaces("Device", "Text");
  const float tabHeight = ctl("MainTab").height();
  form->userResize(form->width(), form->height() + 300);
  EXPECT_FLOAT_EQ(ctl("MainTab").height(), tabHeight + 300);
  expectFitted("Device");
  const std::vector<Place> after = rowPlaces("Device", "Text");
  ASSERT_EQ(after.size(), 8u);
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_FLOAT_EQ(after[i].top, before[i].top + 37.5f * static_cast<float>(i)) << i;
    EXPECT_FLOAT_EQ(after[i].left, before[i].left) << i;  // only the height changed
  }
}

// "Rst." stands beside row 1 and "Sim" beside row 4 at every size, also when the Device page
// catches up after resizes it missed: same top as the row's value box, right of its lamp,
// and the same margin to the frame's right edge as after the load.
TEST_F(DiagLayoutTest, DeviceButtonsFollowTheirRowsAtEverySize) {
  struct Gap {
    float fromLamp, toEdge;
  };
  auto gaps = [&](int32_t row) {
    platform::ui::Control& b = ctl("DiagCommand", row);
    platform::ui::Control& lamp = ctl("DiagDeviceONOFF", row);
    return Gap{b.left() - (lamp.left() + lamp.width()),
               ctl("DiagDeviceFrame").width() - (b.left() + b.width())};
  };
  const Gap reset = gaps(1), sim = gaps(4);
  ASSERT_GT(reset.fromLamp, 0.0f);
  struct Step {
    float dW, dH;
    bool viaOtherTab;
  };
  const Step steps[] = {
      {0, 600, false}, {1200, 0, false}, {-900, -300, false}, {450, 750, true}, {-750, -1050, false}};
  for (const Step& step : steps) {
    if (step.viaOtherTab) clickTab("DiagSensorKey");
    form->userResize(form->width() + step.dW, form->height() + step.dH);
    if (step.viaOtherTab) clickTab("DiagDeviceKey");
    for (int32_t row : {1, 4}) {
      SCOPED_TRACE("row " + std::to_string(row) + " after " + std::to_string(step.dW) + " x " +
                   std::to_string(step.dH));
      const Gap now = gaps(row), was = row == 1 ? reset : sim;
      EXPECT_FLOAT_EQ(ctl("DiagCommand", row).top(), ctl("DiagDeviceText", row).top());
      EXPECT_FLOAT_EQ(ctl("DiagCommand", row).height(), ctl("DiagDeviceText", row).height());
      EXPECT_NEAR(now.fromLamp, was.fromLamp, 0.01f);
      EXPECT_NEAR(now.toEdge, was.toEdge, 0.01f);
    }
  }
}

TEST_F(DiagLayoutTest, WidthGrowthOfFifteenMovesEveryRowControlHalfAcross) {
  const std::vector<Place> labels = rowPlaces("Device", "Label");
  const std::vector<Place> lamps = rowPlaces("Device", "ONOFF");
  const float frameWidth = ctl("DiagDeviceFrame").width();
  form->userResize(form->width() + 15, form->height());
  EXPECT_FLOAT_EQ(ctl("DiagDeviceFrame").width(), frameWidth + 15);
  const std::vector<Place> labelsAfter = rowPlaces("Device", "Label");
  const std::vector<Place> lampsAfter = rowPlaces("Device", "ONOFF");
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_FLOAT_EQ(labelsAfter[i].left, labels[i].left + 7.5f) << i;
    EXPECT_FLOAT_EQ(lampsAfter[i].left, lamps[i].left + 7.5f) << i;
    EXPECT_FLOAT_EQ(labelsAfter[i].top, labels[i].top) << i;
  }
}

TEST_F(DiagLayoutTest, AHiddenGroupCatchesUpInOnePassWhenItsTabIsChosen) {
  const std::vector<Place> output = rowPlaces("Output", "Text");
  clickTab("DiagSensorKey");
  form->userResize(form->width() + 100, form->height() + 160);
  form->userResize(form->width() + 60, form->height() + 240);
  // Untouched while hidden.
  EXPECT_FLOAT_EQ(rowPlaces("Output", "Text")[7].top, output[7].top);
  clickTab("DiagOutputKey");
  expectFitted("Output");
  const std::vector<Place> after = rowPlaces("Output", "Text");
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_NEAR(after[i].left, output[i].left + 80.0f, 0.01f) << i;
    EXPECT_NEAR(after[i].top, output[i].top + 400.0f * static_cast<float>(i) / 8.0f, 0.01f) << i;
  }
  EXPECT_EQ(visibleFrames(), std::vector<std::string>{"DiagOutputFrame"});
}

TEST_F(DiagLayoutTest, BelowTheMinimumTheWindowSnapsBackInThatDimension) {
  form->userResize(5000, form->height() + 200);
  EXPECT_FLOAT_EQ(form->width(), 8040.0f);
  EXPECT_FLOAT_EQ(form->height(), 6015.0f);
  form->userResize(9000, 1000);
  EXPECT_FLOAT_EQ(form->width(), 9000.0f);
  EXPECT_FLOAT_EQ(form->height(), 5815.0f);
  expectFitted("Device");
  EXPECT_EQ(Kit::lastFormWidth(*form), 9000);
  EXPECT_EQ(Kit::lastFormHeight(*form), 5815);
}

TEST_F(DiagLayoutTest, MinimisingAndRestoringMovesNothing) {
  form->userResize(9000, 6500);
  const std::vector<Place> before = rowPlaces("Device", "Text");
  form->setWindowState(platform::ui::kMinimized);
  EXPECT_EQ(Kit::lastFormWidth(*form), 9000);
  EXPECT_EQ(Kit::lastFormHeight(*form), 6500);
  form->setWindowState(platform::ui::kNormal);
  const std::vector<Place> after = rowPlaces("Device", "Text");
  for (size_t i = 0; i < after.size(); ++i) EXPECT_FLOAT_EQ(after[i].top, before[i].top) << i;
  expectFitted("Device");
}

TEST_F(DiagLayoutTest, ProgressFrameAndBarsFollowTheDataSourcePanel) {
  form->userResize(10000, 7000);
  platform::ui::StatusBarControl& bar = form->statusBar("VelumorStatusBar");
  const platform::ui::Panel& panel = bar.panel(Variant("StatusBarDataSource"));
  EXPECT_FLOAT_EQ(ctl("ProgressFrame").width(), panel.width - 100.0f);
  EXPECT_NEAR(ctl("ProgressFrame").top(), bar.top() + 66.67f, 0.01f);
  for (const char* s : {"shp_bg_upload", "shp_bg_download", "shp_bg_SequenceProgress"})
    EXPECT_FLOAT_EQ(ctl(s).width(), ctl("ProgressFrame").width()) << s;
}

}  // namespace
}  // namespace diagview_test
