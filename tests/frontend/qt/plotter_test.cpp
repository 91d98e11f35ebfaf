// The trend plot as a user reads it: the time axis is the clock, a value that holds keeps its
// line, a gap stays a gap, curves on top of one another stay apart, and new samples drawn into
// the moving plot give the picture a fresh drawing would.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <cmath>
#include <limits>
#include <utility>

#include "frontend/qt/display_widgets.h"
#include "platform/ui/event_loop.h"
#include "qt_test_support.h"

namespace {

using frontend::qt::PlotCurve;
using frontend::qt::PlotterWidget;
using frontend::qt::PlotUpdate;
using platform::ui::EventLoop;
using vtest::countPixels;
using vtest::near;
using vtest::shot;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSpan = 60000;

// Mostly the colour of curve 0 (red) or 1 (blue).
bool isCurve(QColor c, int curve) {
  if (curve == 0) return c.red() > 150 && c.green() < 110 && c.blue() < 110;
  return c.blue() > 150 && c.red() < 110 && c.green() < 130;
}

class PlotterDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    EventLoop::instance().useManualClock();
    start_ = EventLoop::instance().now();
    plot_.resize(480, 300);
    plot_.show();
  }

  // Moves the clock to `ms` after the start of the test.
  void at(double ms) {
    EventLoop::instance().advance(static_cast<int64_t>(start_ + ms) - EventLoop::instance().now());
  }
  double t(double ms) const { return static_cast<double>(start_) + ms; }

  static PlotCurve curve(int number, std::deque<std::pair<double, double>> points, bool live) {
    PlotCurve c;
    c.number = number;
    c.caption = QStringLiteral("Curve %1").arg(number);
    c.min = 0;
    c.max = 100;
    c.live = live;
    c.points = std::move(points);
    return c;
  }
  static PlotUpdate update(std::vector<PlotCurve> curves, bool restart) {
    PlotUpdate u;
    u.timeSpanMs = kSpan;
    for (auto& c : curves) u.curves.push_back({std::move(c), restart});
    return u;
  }

  // The x of time `ms` (after the start) on a plot that ends at `endMs`.
  int xAt(const PlotterWidget& w, double ms, double endMs) const {
    const QRectF r = w.plotRect();
    return static_cast<int>(r.left() + 2 + (r.width() - 4) * (1 - (endMs - ms) / kSpan));
  }
  // Curve pixels in a column band of the plot.
  int curvePixels(const QImage& img, const PlotterWidget& w, int x0, int x1, int curve) const {
    const QRect r = w.plotRect().toAlignedRect();
    return countPixels(img, QRect(x0, r.top(), x1 - x0, r.height()),
                       [curve](QColor c) { return isCurve(c, curve); });
  }

  // What the window shows of the plot once Qt has drawn what was asked for.
  QImage onScreen() {
    QCoreApplication::processEvents();
    return plot_.screen()->grabWindow(plot_.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  }

  int64_t start_ = 0;
  PlotterWidget plot_{nullptr};
};

// Counts the paints of a widget and gathers what they covered.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++paints;
      covered += static_cast<QPaintEvent*>(e)->region();
    }
    return false;
  }
  void reset() {
    paints = 0;
    covered = QRegion();
  }
  int paints = 0;
  QRegion covered;
};

// A constant value keeps drawing to the present; a time without connection stays empty.
TEST_F(PlotterDrawing, HeldValuesReachThePresentAndGapsStayGaps) {
  at(0);
  // 0..10 s at 50 %, no number from 10 s (the connection went), 40 s on at 50 % again.
  plot_.applyUpdate(update({curve(1, {{t(0), 50}, {t(10000), kNaN}, {t(40000), 50}}, true)}, true));
  at(59000);
  QImage img = shot(&plot_);
  const double end = 59000;
  EXPECT_GT(curvePixels(img, plot_, xAt(plot_, 1000, end), xAt(plot_, 9000, end), 0), 20);
  EXPECT_EQ(curvePixels(img, plot_, xAt(plot_, 12000, end), xAt(plot_, 38000, end), 0), 0);
  // Held from 40 s up to the present, at the right edge.
  EXPECT_GT(curvePixels(img, plot_, xAt(plot_, 55000, end), xAt(plot_, 58500, end), 0), 10);

  // A minute later with no new sample the value still holds across the whole plot.
  at(120000);
  img = shot(&plot_);
  EXPECT_GT(curvePixels(img, plot_, xAt(plot_, 62000, 120000), xAt(plot_, 118000, 120000), 0), 100);
  // Not live (disconnected): the line ends at its last sample and the plot moves on empty.
  auto u = update({curve(1, {}, false)}, false);
  plot_.applyUpdate(u);
  at(150000);
  img = shot(&plot_);
  EXPECT_GT(curvePixels(img, plot_, xAt(plot_, 92000, 150000), xAt(plot_, 118000, 150000), 0), 10);
  EXPECT_EQ(curvePixels(img, plot_, xAt(plot_, 122000, 150000), xAt(plot_, 149000, 150000), 0), 0);
}

// Before the first sample (a window opened while the device is offline) the plot shows its
// time axis, as it does once samples come.
TEST_F(PlotterDrawing, TheTimeAxisShowsBeforeTheFirstSample) {
  at(0);
  const QRect r = plot_.plotRect().toAlignedRect();
  const QRect axis(r.left() - 20, r.bottom() + 3, r.width() + 40, plot_.height() - r.bottom() - 3);
  auto axisInk = [&] {
    return countPixels(shot(&plot_), axis, [](QColor c) { return c.lightness() < 100; });
  };
  plot_.applyUpdate(update({curve(1, {}, false)}, true));
  const int empty = axisInk();
  plot_.applyUpdate(update({curve(1, {{t(0), 50}}, true)}, false));
  EXPECT_GT(empty, 50);
  EXPECT_EQ(empty, axisInk());
}

// A line that ends the instant it began (a value read as the window opens, its connection not
// yet up) leaves a point: the value the connection brings later does not join it, whether the
// end came with the value or in a later update of the same millisecond.
TEST_F(PlotterDrawing, ALineThatEndsAsItBeginsStaysAPoint) {
  // The clock only runs forward: the second case begins where the first ended.
  for (const auto& [together, t0] : {std::pair{true, 0.0}, std::pair{false, 40000.0}}) {
    PlotterWidget plot(nullptr);
    plot.resize(480, 300);
    plot.show();
    at(t0);
    if (together) {
      plot.applyUpdate(update({curve(1, {{t(t0), 50}, {t(t0), kNaN}}, false)}, true));
    } else {
      plot.applyUpdate(update({curve(1, {{t(t0), 50}}, true)}, true));
      shot(&plot);
      plot.applyUpdate(update({curve(1, {{t(t0), kNaN}}, false)}, false));
    }
    shot(&plot);
    at(t0 + 20000);
    plot.applyUpdate(update({curve(1, {{t(t0 + 20000), 50}}, true)}, false));
    const double end = t0 + 30000;
    at(end);
    const QImage img = shot(&plot);
    EXPECT_EQ(curvePixels(img, plot, xAt(plot, t0 + 1500, end), xAt(plot, t0 + 18500, end), 0), 0)
        << together;
    EXPECT_GT(curvePixels(img, plot, xAt(plot, t0 + 21000, end), xAt(plot, t0 + 29000, end), 0), 10)
        << together;
  }
}

// Two curves at the same per cent both stay in sight: the later one is drawn narrower on top.
TEST_F(PlotterDrawing, CurvesOnTopOfEachOtherStayDistinguishable) {
  at(0);
  plot_.applyUpdate(update(
      {curve(1, {{t(0), 40}, {t(30000), 60}}, true), curve(2, {{t(0), 40}, {t(30000), 60}}, true)}, true));
  at(50000);
  const QImage img = shot(&plot_);
  const int x0 = xAt(plot_, 2000, 50000), x1 = xAt(plot_, 48000, 50000);
  EXPECT_GT(curvePixels(img, plot_, x0, x1, 0), 100);
  EXPECT_GT(curvePixels(img, plot_, x0, x1, 1), 100);
  EXPECT_GT(PlotterWidget::penWidth(0), PlotterWidget::penWidth(1) + 0.5);
}

// Samples arriving one by one while the clock runs are drawn into the moving plot without
// drawing the curves whole, and the result is what a fresh drawing of all of them shows.
TEST_F(PlotterDrawing, NewSamplesDrawOnlyTheirStepsAndMatchAWholeDrawing) {
  at(0);
  std::deque<std::pair<double, double>> all = {{t(0), 20}};
  plot_.applyUpdate(update({curve(1, all, true), curve(2, {{t(0), 70}}, true)}, true));
  shot(&plot_);
  const int whole = plot_.wholeDraws();
  for (int i = 1; i <= 40; ++i) {
    at(i * 1500.0);
    const double v = 20 + 60 * std::fabs(std::sin(i / 5.0));
    all.emplace_back(t(i * 1500.0), v);
    plot_.applyUpdate(update({curve(1, {{t(i * 1500.0), v}}, true), curve(2, {}, true)}, false));
    shot(&plot_);
  }
  EXPECT_EQ(plot_.wholeDraws(), whole);  // only steps were added, and the plot moved on

  PlotterWidget fresh(nullptr);
  fresh.resize(plot_.size());
  fresh.show();
  fresh.applyUpdate(update({curve(1, all, true), curve(2, {{t(0), 70}}, true)}, true));
  const QImage a = shot(&plot_), b = shot(&fresh);
  ASSERT_EQ(a.size(), b.size());
  const QRect r = plot_.plotRect().toAlignedRect();
  // The moving plot may lag the clock by less than a pixel: a pixel matches its neighbours too.
  int differ = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left() + 1; x < r.right(); ++x) {
      bool match = false;
      for (int dx : {-1, 0, 1}) match = match || near(a.pixelColor(x, y), b.pixelColor(x + dx, y), 60);
      if (!match) ++differ;
    }
  EXPECT_LT(differ, r.width() * r.height() / 200);  // where curves cross, the order may differ
  EXPECT_GT(curvePixels(a, plot_, r.left(), r.right(), 0), 200);

  // A curve begun anew (another assignment) is drawn whole, without the former samples.
  plot_.applyUpdate(update({curve(1, {{t(60000), 90}}, true), curve(2, {}, true)}, true));
  const QImage c = shot(&plot_);
  EXPECT_GT(plot_.wholeDraws(), whole);
  EXPECT_EQ(curvePixels(c, plot_, r.left(), xAt(plot_, 59000, 60000), 0), 0);
}

}  // namespace

// Samples that come within a beat of the last one ask for no paint: they are drawn on the
// next beat, here brought by a sample that comes when it is due, as a whole drawing shows them.
TEST_F(PlotterDrawing, SamplesWithinABeatWaitForTheNext) {
  PaintWatch watch(&plot_);
  at(0);
  plot_.applyUpdate(update({curve(1, {{t(0), 20}}, true), curve(2, {{t(0), 70}}, true)}, true));
  onScreen();
  at(1000);
  plot_.applyUpdate(update({curve(1, {{t(1000), 30}}, true), curve(2, {}, true)}, false));
  const QImage drawn = onScreen();
  ASSERT_EQ(drawn, shot(&plot_));
  // Within 90 % of a beat of the clock (a coarse timer may fire early): no beat.
  for (double ms : {1001.0, 1100.0, 1000.0 + PlotterWidget::kBeatMs * 0.9 - 1}) {
    at(ms);
    watch.reset();
    plot_.applyUpdate(
        update({curve(1, {{t(ms), ms / 20}}, true), curve(2, {{t(ms), ms / 25}}, true)}, false));
    EXPECT_EQ(onScreen(), drawn) << ms;
    EXPECT_EQ(watch.paints, 0) << ms;
  }
  at(1000 + PlotterWidget::kBeatMs);
  plot_.applyUpdate(
      update({curve(1, {{t(1000 + PlotterWidget::kBeatMs), 90}}, true), curve(2, {}, true)}, false));
  EXPECT_EQ(onScreen(), shot(&plot_));
  EXPECT_GT(watch.paints, 0);
}

// A value that reads otherwise repaints its own place in the legend, and what moves with it
// (a caption elided otherwise, a range that no longer fits): whatever the values' widths, the
// screen then shows what a whole drawing does, and a value alone repaints no caption.
TEST_F(PlotterDrawing, ChangedValuesRepaintTheirPlaceInTheLegend) {
  auto withUnit = [](PlotCurve c) {
    c.caption = QStringLiteral("Mass flow through the first measuring line");
    c.unit = QStringLiteral("kg/h");
    return c;
  };
  const std::vector<double> values = {5, -1234567, 12.5, kNaN, 0.000123456, -7, 99.5, 12.5};
  PaintWatch watch(&plot_);
  double ms = 0;
  QRegion repainted;  // by the newest value
  for (int width : {480, 220}) {
    SCOPED_TRACE(width);
    plot_.resize(width, 300);
    at(ms);
    plot_.applyUpdate(update({withUnit(curve(1, {{t(ms), 20}}, true)), curve(2, {{t(ms), 70}}, true)}, true));
    onScreen();
    for (double v : values) {
      at(ms += 1000);
      watch.reset();
      plot_.applyUpdate(update({withUnit(curve(1, {{t(ms), v}}, true)), curve(2, {}, true)}, false));
      const QImage drawn = onScreen();
      repainted = watch.covered;
      ASSERT_EQ(drawn, shot(&plot_)) << "value " << v;
    }
    // The last value took the width of the one before (the digits are as wide as each other):
    // the caption and the other curve's line were not repainted.
    const QRect legend(0, 0, plot_.width(), static_cast<int>(plot_.plotRect().top()) - 2);
    const QRect covered = (repainted & legend).boundingRect();
    EXPECT_FALSE(covered.isEmpty());
    EXPECT_GT(covered.left(), plot_.fontMetrics().horizontalAdvance(QStringLiteral("Mass flow")));
    EXPECT_LT(covered.bottom(), 2 + 2 * plot_.fontMetrics().height() - 2);
  }
}

// A paint that reaches a changed value only in part (another window moved off a corner of the
// legend) leaves it half new, half old: the next beat draws it whole.
TEST_F(PlotterDrawing, AValueDrawnInPartIsDrawnWholeOnTheNextBeat) {
  auto withUnit = [](PlotCurve c) {
    c.unit = QStringLiteral("kg/h");
    return c;
  };
  at(0);
  plot_.applyUpdate(update({withUnit(curve(1, {{t(0), 20}}, true))}, true));
  onScreen();
  at(1000);
  plot_.applyUpdate(update({withUnit(curve(1, {{t(1000), -1234567}}, true))}, false));
  const QImage before = onScreen();
  // A narrower value comes within the beat; a paint reaches the left of the legend.
  at(1100);
  plot_.applyUpdate(update({withUnit(curve(1, {{t(1100), 5}}, true))}, false));
  plot_.update(QRect(0, 0, plot_.width() * 3 / 4, static_cast<int>(plot_.plotRect().top()) - 2));
  EXPECT_NE(onScreen(), before);
  // The next beat brings no new value, yet shows the legend as a whole drawing does.
  at(1000 + PlotterWidget::kBeatMs);
  plot_.applyUpdate(update({withUnit(curve(1, {}, true))}, false));
  EXPECT_EQ(onScreen(), shot(&plot_));
}

// Where no curve was drawn the plot shows only its backdrop, the same after a move: a move
// repaints the rows the curves cover. A value that leaves them (a jump, a gap and a return)
// is drawn all the same, and after each sample, and a read that brings none, the screen
// shows what a whole drawing does.
TEST_F(PlotterDrawing, AMoveRepaintsTheRowsTheCurvesCover) {
  PaintWatch watch(&plot_);
  at(0);
  plot_.applyUpdate(update({curve(1, {{t(0), 42}}, true), curve(2, {{t(0), 46}}, true)}, true));
  onScreen();
  const QRect plotRows = plot_.plotRect().toAlignedRect();
  double ms = 0;
  for (double v : {45.0, 48.0, 95.0, kNaN, 5.0, 50.0}) {
    at(ms += 1000);
    watch.reset();
    plot_.applyUpdate(update({curve(1, {{t(ms), v}}, true), curve(2, {}, true)}, false));
    const QImage drawn = onScreen();
    const QRect repainted = (watch.covered & plotRows).boundingRect();
    ASSERT_EQ(drawn, shot(&plot_)) << "value " << v;
    // Held near the middle, the curves cover a band; the jump widens it.
    if (v == 48.0) {
      EXPECT_LT(repainted.height(), plotRows.height() / 4);
    }
    if (v == 95.0) {
      EXPECT_GT(repainted.height(), plotRows.height() / 2);
    }
  }
  // A read that brings no new sample.
  plot_.applyUpdate(update({curve(1, {}, true), curve(2, {}, true)}, false));
  EXPECT_EQ(onScreen(), shot(&plot_));
}

// The curves' layer keeps only the rows its curves cover: it grows when a value leaves them,
// gives rows up once what was drawn there has moved out of the plot, and the screen shows
// what a whole drawing does all along.
TEST_F(PlotterDrawing, TheLayerKeepsTheRowsItsCurvesCover) {
  at(0);
  plot_.applyUpdate(update({curve(1, {{t(0), 50}}, true)}, true));
  onScreen();
  const int plotRows = static_cast<int>(plot_.plotRect().height() * plot_.devicePixelRatioF());
  const int held = plot_.layerRows();
  EXPECT_GT(held, 0);
  EXPECT_LT(held, plotRows / 4);
  const int whole = plot_.wholeDraws();
  double ms = 0;
  auto sample = [&](double v, const char* stage) {
    at(ms += 1500);
    plot_.applyUpdate(update({curve(1, {{t(ms), v}}, true)}, false));
    ASSERT_EQ(onScreen(), shot(&plot_)) << stage << " at " << ms;
  };
  sample(95, "jump up");
  sample(5, "jump down");
  EXPECT_GT(plot_.layerRows(), plotRows * 3 / 4);
  // The low value holds until the jumps have left the plot.
  while (ms < kSpan + 6000) sample(5, "holding low");
  EXPECT_LE(plot_.layerRows(), held + 16);
  sample(50, "back to the middle");
  EXPECT_EQ(plot_.wholeDraws(), whole);  // the layer changed its rows without a new drawing
}

// The legend's value takes the width it has in the bold face it is drawn in: a long value
// shows whole while the line has room (a share measured in the plain face cut it short), and
// is elided only where it would take more than half the line.
TEST_F(PlotterDrawing, ALongValueShowsWholeWhileTheLineHasRoom) {
  PlotCurve c = curve(1, {{t(0), -1234567}}, true);
  c.unit = QStringLiteral("kg/h");
  const QString whole = QStringLiteral("-1.23457e+06 kg/h");
  QFont bold = plot_.font();
  bold.setBold(true);
  const double width = QFontMetricsF(bold).horizontalAdvance(whole);
  at(0);
  for (const auto& [plotWidth, elided] :
       {std::pair{480, false}, std::pair{static_cast<int>(width * 1.5), true}}) {
    plot_.resize(plotWidth, 300);
    plot_.applyUpdate(update({c}, true));
    if (elided) {
      EXPECT_NE(plot_.legendValue(0), whole) << plotWidth;
      EXPECT_TRUE(plot_.legendValue(0).endsWith(QChar(0x2026))) << plotWidth;
    } else {
      EXPECT_EQ(plot_.legendValue(0), whole) << plotWidth;
    }
  }
}
