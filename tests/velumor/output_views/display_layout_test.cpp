// The display windows' designs and how their instruments follow the window size: the minimum
// size from the marker label, the rows of the needle, digital and bar windows, the trend
// window's plot and its size freeze while a connection is up.
#include "velumor/output_views/display_layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/com/ref.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "tolvar/controls/register.h"
#include "velumor/view_window/minimum_size.h"

namespace {

using velumor::output_views::DisplayKind;

std::string readDesign(const std::string& form) {
  std::ifstream in(std::string(VELUMOR_DESIGN_DIR) + "/" + form + ".json");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const char* formName(DisplayKind k) {
  switch (k) {
    case DisplayKind::Trend:
      return "VelumorDisplayTrendForm";
    case DisplayKind::Analog:
      return "VelumorDisplayAnalogForm";
    case DisplayKind::Digital:
      return "VelumorDisplayDigitalForm";
    case DisplayKind::Bar:
      break;
  }
  return "VelumorDisplayBarForm";
}

// A display window with nothing but its design, the load's sizing and the layout.
class LayoutForm : public platform::ui::Form {
 public:
  LayoutForm(DisplayKind kind) : Form(formName(kind), readDesign(formName(kind))), kind_(kind) {}
  struct {
    int32_t MinFormWidth = 0, MinFormHeight = 0, LastFormWidth = 0, LastFormHeight = 0;
    bool FormLoaded = false;
  } size;
  int32_t connectionState = 0;
  int resizes = 0;

 protected:
  void Form_Load() override {
    size.FormLoaded = false;
    velumor::view_window::applyMinimumSize(*this, size.MinFormWidth, size.MinFormHeight, size.LastFormWidth,
                                           size.LastFormHeight);
    size.FormLoaded = true;
  }
  void Form_Resize() override {
    ++resizes;
    velumor::output_views::DisplayFormResize(*this, kind_, size.MinFormWidth, size.MinFormHeight,
                                             size.LastFormWidth, size.LastFormHeight, size.FormLoaded,
                                             connectionState);
  }

 private:
  DisplayKind kind_;
};

class DisplayLayoutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tolvar::controls::registerHostControls(); }
  platform::com::Ptr<LayoutForm> open(DisplayKind kind) {
    auto f = platform::com::makeObject<LayoutForm>(kind);
    f->load();
    return f;
  }
};

struct Rect {
  float l, t, w, h;
  bool operator==(const Rect&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rect& r) {
  return o << r.l << "," << r.t << " " << r.w << "x" << r.h;
}
Rect rectOf(platform::ui::Form& f, const std::string& name) {
  auto& c = f.ctl(name);
  return {c.left(), c.top(), c.width(), c.height()};
}

// Each window opens at its minimum size with every control where the design put it.
TEST_F(DisplayLayoutTest, OpensAtTheMinimumSizeWithTheDesignPositions) {
  struct Row {
    DisplayKind kind;
    float w, h;
    Rect frame;
  };
  const Row rows[] = {
      {DisplayKind::Trend, 7800, 7855, {120, 120, 7575, 6735}},
      {DisplayKind::Analog, 5640, 7255, {120, 0, 5295, 6135}},
      {DisplayKind::Digital, 5400, 5575, {120, 0, 5055, 4455}},
      {DisplayKind::Bar, 5640, 7135, {120, 0, 5295, 6015}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(formName(r.kind));
    auto f = open(r.kind);
    EXPECT_EQ(f->width(), r.w);
    EXPECT_EQ(f->height(), r.h);
    EXPECT_EQ(f->size.LastFormWidth, r.w);
    EXPECT_EQ(f->size.LastFormHeight, r.h);
    EXPECT_EQ(rectOf(*f, "DisplayFrame"), r.frame);
  }
  auto analog = open(DisplayKind::Analog);
  EXPECT_EQ(rectOf(*analog, "PulseTolvar4Needle"), (Rect{120, 240 + 2880, 5055, 1365}));
  EXPECT_EQ(rectOf(*analog, "PulseValueTolvar4Text"), (Rect{2280, 360 + 2880, 1095, 255}));
  EXPECT_EQ(rectOf(*analog, "PulseUnitTolvar4Text"), (Rect{3360, 360 + 2880, 1095, 255}));
  auto bar = open(DisplayKind::Bar);
  EXPECT_EQ(rectOf(*bar, "Display2ndLineTolvar4BarGraph"), (Rect{120, 120 + 4320, 5055, 1365}));
  EXPECT_EQ(rectOf(*bar, "Output2UnitTolvar4Text"), (Rect{3480, 240 + 1440, 1095, 255}));
  auto digital = open(DisplayKind::Digital);
  EXPECT_EQ(rectOf(*digital, "Output2Tolvar4Digital"), (Rect{120, 240 + 1080, 4815, 960}));
  auto trend = open(DisplayKind::Trend);
  EXPECT_EQ(rectOf(*trend, "VR_Tolvar4Plotter"), (Rect{120, 240, 7305, 6405}));
}

TEST_F(DisplayLayoutTest, RowsStretchByAQuarterOfTheHeightEach) {
  for (DisplayKind kind : {DisplayKind::Analog, DisplayKind::Bar}) {
    SCOPED_TRACE(formName(kind));
    auto f = open(kind);
    const std::string gauge = kind == DisplayKind::Analog ? "Tolvar4Needle" : "Tolvar4BarGraph";
    const char* ch[] = {"Output1", "Output2", "Pulse", "Display2ndLine"};
    Rect g0[4], v0[4], u0[4];
    for (int k = 0; k < 4; ++k) {
      g0[k] = rectOf(*f, ch[k] + gauge);
      v0[k] = rectOf(*f, std::string(ch[k]) + "ValueTolvar4Text");
      u0[k] = rectOf(*f, std::string(ch[k]) + "UnitTolvar4Text");
    }
    const Rect frame0 = rectOf(*f, "DisplayFrame");
    f->userResize(f->width() + 300, f->height() + 400);
    EXPECT_EQ(rectOf(*f, "DisplayFrame"), (Rect{frame0.l, frame0.t, frame0.w + 300, frame0.h + 400}));
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(rectOf(*f, ch[k] + gauge),
                (Rect{g0[k].l, g0[k].t + 100.0f * k, g0[k].w + 300, g0[k].h + 100}));
      EXPECT_EQ(rectOf(*f, std::string(ch[k]) + "ValueTolvar4Text"),
                (Rect{v0[k].l + 300, v0[k].t + 100.0f * k, v0[k].w, v0[k].h}));
      EXPECT_EQ(rectOf(*f, std::string(ch[k]) + "UnitTolvar4Text"),
                (Rect{u0[k].l + 300, u0[k].t + 100.0f * k, u0[k].w, u0[k].h}));
    }
    // Back to the minimum: every control is where the design put it.
    f->userResize(0, 0);
    EXPECT_EQ(rectOf(*f, "DisplayFrame"), frame0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(rectOf(*f, ch[k] + gauge), g0[k]);
  }
}

TEST_F(DisplayLayoutTest, AHeightChangeOfTenTwipsMovesTheRowsByQuarters) {
  auto f = open(DisplayKind::Digital);
  f->userResize(f->width(), f->height() + 10);
  const char* ch[] = {"Output1", "Output2", "Pulse", "Display2ndLine"};
  for (int k = 0; k < 4; ++k) {
    const Rect r = rectOf(*f, std::string(ch[k]) + "Tolvar4Digital");
    EXPECT_FLOAT_EQ(r.t, 240 + 1080 * k + 2.5f * k);
    EXPECT_FLOAT_EQ(r.h, 962.5f);
  }
}

TEST_F(DisplayLayoutTest, BelowTheMinimumSnapsBackAndMovesOnce) {
  auto f = open(DisplayKind::Analog);
  f->userResize(7000, 9000);
  const Rect grown = rectOf(*f, "Display2ndLineTolvar4Needle");
  EXPECT_EQ(grown, (Rect{120, 240 + 4320 + 3 * (9000 - 7255) / 4.0f, 5055 + 7000 - 5640,
                         1365 + (9000 - 7255) / 4.0f}));
  f->userResize(100, 100);
  EXPECT_EQ(f->width(), 5640);
  EXPECT_EQ(f->height(), 7255);
  EXPECT_EQ(rectOf(*f, "Display2ndLineTolvar4Needle"), (Rect{120, 240 + 4320, 5055, 1365}));
  EXPECT_EQ(rectOf(*f, "DisplayFrame"), (Rect{120, 0, 5295, 6135}));
}

TEST_F(DisplayLayoutTest, MinimiseChangesNothingAndRestoreMovesByTheDifference) {
  auto f = open(DisplayKind::Bar);
  f->userResize(6000, 8000);
  const Rect before = rectOf(*f, "PulseTolvar4BarGraph");
  f->setWindowState(platform::ui::kMinimized);
  EXPECT_EQ(rectOf(*f, "PulseTolvar4BarGraph"), before);
  EXPECT_EQ(f->size.LastFormWidth, 6000);
  f->setWindowState(platform::ui::kNormal);
  EXPECT_EQ(rectOf(*f, "PulseTolvar4BarGraph"), before);
}

TEST_F(DisplayLayoutTest, TrendPlotTakesTheWholeChangeWhileDisconnected) {
  auto f = open(DisplayKind::Trend);
  f->userResize(9000, 9000);
  EXPECT_EQ(rectOf(*f, "DisplayFrame"), (Rect{120, 120, 7575 + 1200, 6735 + 1145}));
  EXPECT_EQ(rectOf(*f, "VR_Tolvar4Plotter"), (Rect{120, 240, 7305 + 1200, 6405 + 1145}));
}

TEST_F(DisplayLayoutTest, TrendKeepsItsSizeInEveryStateButDisconnected) {
  for (int32_t state : {1, 2, 3, 4}) {
    SCOPED_TRACE(state);
    auto f = open(DisplayKind::Trend);
    f->userResize(8000, 8000);
    f->connectionState = state;
    f->userResize(9500, 9100);
    EXPECT_EQ(f->width(), 8000);
    EXPECT_EQ(f->height(), 8000);
    EXPECT_EQ(rectOf(*f, "VR_Tolvar4Plotter"), (Rect{120, 240, 7305 + 200, 6405 + 145}));
    // A maximise comes back to the normal state at the last size, with nothing moved.
    f->setWindowState(platform::ui::kMaximized);
    EXPECT_EQ(f->windowState(), platform::ui::kNormal);
    EXPECT_EQ(f->width(), 8000);
    EXPECT_EQ(rectOf(*f, "VR_Tolvar4Plotter"), (Rect{120, 240, 7305 + 200, 6405 + 145}));
    // Minimising stays possible.
    f->setWindowState(platform::ui::kMinimized);
    EXPECT_EQ(f->windowState(), platform::ui::kMinimized);
    // Disconnected again, the next change is taken against the size the window kept.
    f->setWindowState(platform::ui::kNormal);
    f->connectionState = 0;
    f->userResize(8100, 8000);
    EXPECT_EQ(rectOf(*f, "VR_Tolvar4Plotter"), (Rect{120, 240, 7305 + 300, 6405 + 145}));
  }
}

}  // namespace
