// The display controls and the other drawn controls show their values: pixels are
// compared at the places the values decide, not whole images.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/qt_convert.h"
#include "qt_test_support.h"
#include "tests/support/scoped_lang.h"

using namespace vtest;
using frontend::qt::ScalePosition;
using frontend::qt::scalePosition;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool isNeedle(QColor c) {
  return near(c, frontend::qt::kNeedleColour, 60) && c.red() > 150 && c.green() < 90;
}
bool isBar(QColor c) {
  return near(c, frontend::qt::kBarColour, 40);
}
bool isMark(QColor c) {
  return near(c, frontend::qt::kRangeMarkColour, 50) && c.green() > 100 && c.blue() < 80;
}

// Instrument values through the fake control's snapshot, as a host control gives them.
void showValue(FakeControl& fc, double value, double min, double max) {
  fc.set("Min", Variant(min));
  fc.set("Max", Variant(max));
  fc.set("Value", Variant(value));
}

struct Halves {
  int left, right;
};
Halves needleHalves(const QImage& img) {
  int mid = img.width() / 2;
  return {countPixels(img, QRect(0, 0, mid - 3, img.height()), isNeedle),
          countPixels(img, QRect(mid + 3, 0, img.width() - mid - 3, img.height()), isNeedle)};
}

}  // namespace

TEST(ScalePositionTest, EndsOfTheScaleAndBeyond) {
  ScalePosition atMin = scalePosition(0, 0, 100);
  EXPECT_TRUE(atMin.hasScale && atMin.hasValue);
  EXPECT_DOUBLE_EQ(atMin.fraction, 0);
  EXPECT_FALSE(atMin.under);
  ScalePosition atMax = scalePosition(100, 0, 100);
  EXPECT_DOUBLE_EQ(atMax.fraction, 1);
  EXPECT_FALSE(atMax.over);
  EXPECT_DOUBLE_EQ(scalePosition(-5, -10, 10).fraction, 0.25);
  ScalePosition above = scalePosition(100.001, 0, 100);
  EXPECT_TRUE(above.over);
  EXPECT_DOUBLE_EQ(above.fraction, 1);
  ScalePosition below = scalePosition(-1e300, 0, 100);
  EXPECT_TRUE(below.under);
  EXPECT_DOUBLE_EQ(below.fraction, 0);
  EXPECT_TRUE(scalePosition(kInf, 0, 100).over);
  EXPECT_TRUE(scalePosition(-kInf, 0, 100).under);
  // The host's own flags pin the pointer even when the number is inside.
  EXPECT_TRUE(scalePosition(50, 0, 100, true, false).over);
  EXPECT_DOUBLE_EQ(scalePosition(50, 0, 100, false, true).fraction, 0);
}

TEST(ScalePositionTest, NoNumberOrNoScale) {
  ScalePosition none = scalePosition(kNaN, 0, 100);
  EXPECT_TRUE(none.hasScale);
  EXPECT_FALSE(none.hasValue);
  EXPECT_FALSE(none.over || none.under);
  EXPECT_FALSE(scalePosition(5, 10, 10).hasScale);  // empty range
  EXPECT_FALSE(scalePosition(5, 10, 0).hasScale);   // inverted range
  EXPECT_FALSE(scalePosition(5, kNaN, 10).hasScale);
  EXPECT_FALSE(scalePosition(5, 0, kInf).hasScale);
  // Huge ranges do not overflow into a wrong position.
  EXPECT_DOUBLE_EQ(scalePosition(0, -1.7e308, 1.7e308).fraction, 0.5);
}

// The instruments' scales and readouts and the plotter's legend print numbers as the host's
// value fields do: with a comma in a German session, a point otherwise.
TEST(ScaleTextTest, NumbersCarryTheSessionsDecimalMark) {
  struct Case {
    const char* lang;
    double value;
    const char* shown;
  };
  const Case cases[] = {
      {"de", 998.805, "998,805"},
      {"en", 998.805, "998.805"},
      {"de", -50, "-50"},
      {"de", 0.0125, "0,0125"},
      {"de", 0, "0"},
      {"de", 1.5e-7, "1,5e-07"},
      {"fr", 12.5, "12.5"},
      {"de", kNaN, ""},
  };
  for (const Case& c : cases) {
    ScopedLang lang(c.lang);
    EXPECT_EQ(frontend::qt::scaleText(c.value).toStdString(), c.shown) << c.lang << " " << c.value;
  }
}

TEST(ColourTest, OleColoursAndSystemColours) {
  QPalette p;
  p.setColor(QPalette::Base, QColor(1, 2, 3));
  p.setColor(QPalette::Text, QColor(4, 5, 6));
  p.setColor(QPalette::Button, QColor(7, 8, 9));
  p.setColor(QPalette::ButtonText, QColor(10, 11, 12));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(13, 14, 15));
  EXPECT_EQ(frontend::qt::oleColor(static_cast<int32_t>(0x80000005u), p), QColor(1, 2, 3));
  EXPECT_EQ(frontend::qt::oleColor(static_cast<int32_t>(0x80000008u), p), QColor(4, 5, 6));
  EXPECT_EQ(frontend::qt::oleColor(static_cast<int32_t>(0x8000000Fu), p), QColor(7, 8, 9));
  EXPECT_EQ(frontend::qt::oleColor(static_cast<int32_t>(0x80000012u), p), QColor(10, 11, 12));
  // Grey text stays readable whatever the style's disabled text: the platform's mid grey.
  EXPECT_EQ(frontend::qt::oleColor(static_cast<int32_t>(0x80000011u), p), QColor(0x6D, 0x6D, 0x6D));
  // &HBBGGRR: red is the low byte.
  EXPECT_EQ(frontend::qt::oleColor(0x0000FF, p), QColor(255, 0, 0));
  EXPECT_EQ(frontend::qt::oleColor(0xFF0000, p), QColor(0, 0, 255));
  EXPECT_EQ(frontend::qt::oleColor(0x123456, p), QColor(0x56, 0x34, 0x12));
}

// A text put into a kept string reads as the conversion gives it, whatever the string held
// before and whether or not the text is plain ASCII.
TEST(TextTest, AssignedUtf8ReadsAsConverted) {
  const std::vector<std::string> texts = {"Maintenance.Administrator",
                                          "Operator",
                                          "",
                                          "Verbindung zum Gerät",
                                          "ein längerer Text als jeder zuvor, über die Kapazität hinaus",
                                          "kurz",
                                          std::string("bad \xFF\xC3 bytes"),
                                          "cut \xE2\x82",
                                          std::string("nul\0inside", 10)};
  QString kept;
  for (const std::string& text : texts) {
    frontend::qt::assignUtf8(kept, text);
    EXPECT_EQ(kept, frontend::qt::qs(text)) << text;
  }
  QString shared = QStringLiteral("geteilt");
  QString other = shared;
  frontend::qt::assignUtf8(shared, "neu");
  EXPECT_EQ(other, QStringLiteral("geteilt")) << "a copy keeps its text";
  EXPECT_EQ(shared, QStringLiteral("neu"));
}

TEST(FontTest, DesignFontsMapToInstalledFaces) {
  EXPECT_TRUE(frontend::qt::fontFamilyFor("Courier New").contains(QStringLiteral("Mono")));
  QFont sans = frontend::qt::modelFont("MS Sans Serif", 8.25, true);
  EXPECT_TRUE(sans.bold());
  EXPECT_DOUBLE_EQ(sans.pointSizeF(), 8.25);
  EXPECT_DOUBLE_EQ(frontend::qt::modelFont("Arial", -3).pointSizeF(), 8.25);  // a nonsense size falls back
  EXPECT_EQ(frontend::qt::stripMnemonic(QStringLiteral("&Datei && mehr")), QStringLiteral("Datei & mehr"));
}

using DisplayDrawing = FrontEndTest;

TEST_F(DisplayDrawing, NeedlePointsAtTheValue) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Needle");
  fc.set("Caption", Variant("Durchfluss"));
  fc.set("UnitText", Variant("kg/h"));
  QWidget* w = frontEnd.widget(f->ctl("Needle"));
  showValue(fc, 0, 0, 100);
  Halves atMin = needleHalves(shot(w));
  showValue(fc, 100, 0, 100);
  Halves atMax = needleHalves(shot(w));
  EXPECT_GT(atMin.left, 20);
  EXPECT_EQ(atMin.right, 0);
  EXPECT_GT(atMax.right, 20);
  EXPECT_EQ(atMax.left, 0);
  EXPECT_EQ(countPixels(shot(w), w->rect(), isMark), 0);  // inside the scale: no range mark
  // Half way the needle stands upright: both halves see only its edge, far less than an end.
  showValue(fc, 50, 0, 100);
  Halves mid = needleHalves(shot(w));
  EXPECT_LT(mid.left, atMin.left / 2);
  EXPECT_LT(mid.right, atMax.right / 2);
}

TEST_F(DisplayDrawing, NeedleOutsideTheScaleIsPinnedWithAMark) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Needle");
  QWidget* w = frontEnd.widget(f->ctl("Needle"));
  showValue(fc, 250, 0, 100);
  QImage over = shot(w);
  EXPECT_GT(needleHalves(over).right, 20);
  EXPECT_GT(countPixels(over, w->rect(), isMark), 5);
  showValue(fc, -kInf, 0, 100);
  QImage under = shot(w);
  EXPECT_GT(needleHalves(under).left, 20);
  EXPECT_GT(countPixels(under, w->rect(), isMark), 5);
  // No number: no needle, and the readout says so.
  showValue(fc, kNaN, 0, 100);
  Halves none = needleHalves(shot(w));
  EXPECT_EQ(none.left + none.right, 0);
  auto* needle = widgetAs<frontend::qt::NeedleWidget>(f->ctl("Needle"));
  EXPECT_EQ(needle->readout(), QStringLiteral("---"));
  // An empty or inverted range has no scale to point on.
  for (auto [lo, hi] : {std::pair{10.0, 10.0}, std::pair{100.0, 0.0}, std::pair{kNaN, 5.0}}) {
    showValue(fc, 7, lo, hi);
    Halves h = needleHalves(shot(w));
    EXPECT_EQ(h.left + h.right, 0) << lo << " " << hi;
  }
  // A tiny widget draws without trouble.
  f->ctl("Needle").move(150, 3300, 90, 60);
  EXPECT_EQ(shot(w).size(), QSize(6, 4));
}

TEST_F(DisplayDrawing, BarGraphFillsUpToTheValue) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Bar");
  QWidget* w = frontEnd.widget(f->ctl("Bar"));
  auto* bar = widgetAs<frontend::qt::BarGraphWidget>(f->ctl("Bar"));
  showValue(fc, 0, 0, 10);
  settle();
  QRect r = bar->barRect().toAlignedRect();
  ASSERT_GT(r.height(), 40);
  QRect upper(r.left() + 2, r.top() + 2, r.width() - 4, r.height() / 2 - 4);
  QRect lower(r.left() + 2, r.center().y() + 2, r.width() - 4, r.height() / 2 - 4);
  QImage empty = shot(w);
  EXPECT_EQ(countPixels(empty, r, isBar), 0);
  showValue(fc, 10, 0, 10);
  QImage full = shot(w);
  EXPECT_EQ(countPixels(full, upper, isBar), upper.width() * upper.height());
  EXPECT_EQ(countPixels(full, lower, isBar), lower.width() * lower.height());
  showValue(fc, 2.5, 0, 10);
  QImage quarter = shot(w);
  EXPECT_EQ(countPixels(quarter, upper, isBar), 0);
  EXPECT_GT(countPixels(quarter, lower, isBar), 0);
  EXPECT_EQ(countPixels(quarter, r, isMark), 0);
  showValue(fc, 11, 0, 10);
  QImage over = shot(w);
  EXPECT_EQ(countPixels(over, upper, isBar), upper.width() * upper.height());
  EXPECT_GT(countPixels(over, w->rect(), isMark), 3);
  showValue(fc, 5, 10, 0);  // inverted: nothing filled
  EXPECT_EQ(countPixels(shot(w), r, isBar), 0);
}

TEST_F(DisplayDrawing, WideBarGraphFillsFromTheLeft) {
  auto f = openForm();
  f->ctl("Bar").move(2700, 3300, 2400, 600);
  FakeControl& fc = fake(*f, "Bar");
  auto* bar = widgetAs<frontend::qt::BarGraphWidget>(f->ctl("Bar"));
  showValue(fc, 50, 0, 100);
  settle();
  QRect r = bar->barRect().toAlignedRect();
  ASSERT_GT(r.width(), r.height());
  QImage img = shot(bar);
  QRect left(r.left() + 2, r.top() + 2, r.width() / 2 - 6, r.height() - 4);
  QRect right(r.center().x() + 4, r.top() + 2, r.width() / 2 - 6, r.height() - 4);
  EXPECT_EQ(countPixels(img, left, isBar), left.width() * left.height());
  EXPECT_EQ(countPixels(img, right, isBar), 0);
}

TEST_F(DisplayDrawing, DigitalReadoutShowsItsText) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Digits");
  QWidget* w = frontEnd.widget(f->ctl("Digits"));
  auto isDigit = [](QColor c) { return near(c, frontend::qt::kDigitalForeground, 60) && c.green() > 180; };
  fc.set("Text", Variant(""));
  int dashes = countPixels(shot(w), w->rect(), isDigit);
  EXPECT_GT(dashes, 0);  // an empty readout shows "---"
  fc.set("Text", Variant("1234.5"));
  fc.set("UnitText", Variant("m³/h"));
  QImage a = shot(w);
  EXPECT_GT(countPixels(a, w->rect(), isDigit), dashes);
  fc.set("Text", Variant("8"));
  QImage b = shot(w);
  EXPECT_NE(a, b);
  EXPECT_EQ(widgetAs<frontend::qt::DigitalWidget>(f->ctl("Digits"))->text(), QStringLiteral("8"));
}

// The samples a plotter hands over: a value or range that is no number, an infinity among
// them, shows as none (a gap in the line, no value in the legend).
TEST_F(DisplayDrawing, PlotterTakesSamplesThatAreNoNumberAsNone) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Trend");
  auto* plot = widgetAs<frontend::qt::PlotterWidget>(f->ctl("Trend"));
  platform::ui::PlotSamples samples;
  samples.timeSpanMs = 10000;
  samples.curves.push_back(
      {1, "Flow", "kg/h", 0, kInf, true, true, {{0, 50}, {2000, kInf}, {4000, 60}, {6000, -kInf}}});
  samples.curves.push_back({2, "Density", "g/l", 0, 10, true, true, {{0, 5}, {kNaN, 6}, {5000, kNaN}}});
  fc.plotSamples = samples;
  fc.set("Curves", Variant("[]"));
  settle();
  const auto& curves = plot->curves();
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0].caption, QStringLiteral("Flow"));
  EXPECT_EQ(curves[0].min, 0);
  EXPECT_TRUE(std::isnan(curves[0].max));
  ASSERT_EQ(curves[0].points.size(), 4u);
  for (size_t i : {1, 3}) EXPECT_TRUE(std::isnan(curves[0].points[i].second)) << i;
  EXPECT_EQ(curves[0].points[2].second, 60);
  // A sample without a time is left out.
  ASSERT_EQ(curves[1].points.size(), 2u);
  EXPECT_EQ(curves[1].points[1].first, 5000);
  EXPECT_FALSE(shot(plot).isNull());
}

TEST_F(DisplayDrawing, PlotterDrawsCurvesInTheirRangeAndColour) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Trend");
  auto* plot = widgetAs<frontend::qt::PlotterWidget>(f->ctl("Trend"));
  fc.set("TimeSpanMs", Variant(10000.0));
  fc.set("Curves", Variant(R"([{"caption":"Durchfluss","unit":"kg/h","min":0,"max":100,
                               "points":[[0,100],[5000,100],[10000,100]]},
                              {"caption":"Dichte","unit":"g/l","min":0,"max":10,
                               "points":[[0,0],[10000,0]]}])"));
  settle();
  ASSERT_EQ(plot->curves().size(), 2u);
  QRect pr = plot->plotRect().toAlignedRect();
  QRect top(pr.left(), pr.top(), pr.width(), pr.height() / 2);
  QRect bottom(pr.left(), pr.center().y(), pr.width(), pr.height() / 2);
  auto red = [](QColor c) { return near(c, frontend::qt::curveColour(0), 50) && c.red() > 170; };
  auto blue = [](QColor c) { return near(c, frontend::qt::curveColour(1), 50) && c.blue() > 170; };
  QImage img = shot(plot);
  EXPECT_GT(countPixels(img, top, red), pr.width() / 2);
  EXPECT_EQ(countPixels(img, bottom, red), 0);
  EXPECT_GT(countPixels(img, bottom, blue), pr.width() / 2);
  EXPECT_EQ(countPixels(img, top, blue), 0);
  // Beyond its range a curve runs along the edge; an unusable range scales to the data.
  fc.set("Curves", Variant(R"([{"caption":"A","min":0,"max":1,"points":[[0,-50],[10000,-50]]},
                              {"caption":"B","min":5,"max":5,"points":[[0,1],[5000,null],[9000,3]]}])"));
  img = shot(plot);
  QRect bottomEdge(pr.left(), pr.bottom() - 3, pr.width(), 4);
  EXPECT_GT(countPixels(img, bottomEdge, red), pr.width() / 2);
  EXPECT_GT(countPixels(img, pr, blue), 0);
  // Malformed curves draw nothing and break nothing.
  for (const char* bad : {"", "{", "[1,2]", R"([{"points":"x"}])", R"([{"points":[["a",1],[null,2]]}])"}) {
    fc.set("Curves", Variant(bad));
    img = shot(plot);
    EXPECT_EQ(countPixels(img, pr, red), 0) << bad;
  }
  // Extreme numbers draw without trouble.
  fc.set("Curves", Variant(R"([{"points":[[1e308,1e308],[-1e308,-1e308],[1e308,-1e308]]}])"));
  EXPECT_FALSE(shot(plot).isNull());
  // No more than four curves.
  fc.set("Curves", Variant(R"([{"points":[]},{"points":[]},{"points":[]},{"points":[]},{"points":[]}])"));
  settle();
  EXPECT_EQ(plot->curves().size(), 4u);
}

TEST_F(DisplayDrawing, LampShowsItsPicture) {
  auto f = openForm();
  FakeControl& fc = fake(*f, "Lamp");
  QWidget* w = frontEnd.widget(f->ctl("Lamp"));
  QPoint centre = w->rect().center();
  fc.setPicture(TestPictures::instance().resolve("file:green.png"));
  EXPECT_EQ(shot(w).pixelColor(centre), QColor(0, 255, 0));
  fc.setPicture(TestPictures::instance().resolve("file:red.png"));
  EXPECT_EQ(shot(w).pixelColor(centre), QColor(255, 0, 0));
  fc.setPicture({});
  EXPECT_NE(shot(w).pixelColor(centre), QColor(255, 0, 0));
}

// Pictures shown by many controls (the lamps) are decoded once; each still shows its own.
TEST(SharedPixmap, EachPictureShowsItselfAndAPictureShownAgainIsDecodedOnce) {
  // More pictures than are kept, twice over: the second round decodes some anew.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 24; ++i) {
      SCOPED_TRACE(i);
      const QColor colour(i * 10, 255 - i * 10, 0);
      const QPixmap pm = frontend::qt::sharedPixmap(solidPicture("file:lamp.png", colour));
      ASSERT_FALSE(pm.isNull());
      EXPECT_EQ(pm.toImage().pixelColor(1, 1), colour);
    }
  }
  // The same picture from another copy of its bytes: the pixmap decoded before.
  const platform::ui::Picture red = solidPicture("file:red.png", Qt::red);
  const QPixmap first = frontend::qt::sharedPixmap(red);
  EXPECT_EQ(frontend::qt::sharedPixmap(solidPicture("file:red.png", Qt::red)).cacheKey(), first.cacheKey());
  EXPECT_NE(frontend::qt::sharedPixmap(solidPicture("file:red.png", Qt::blue)).cacheKey(), first.cacheKey());
  EXPECT_TRUE(frontend::qt::sharedPixmap({}).isNull());
}

TEST_F(DisplayDrawing, UnknownHostControlIsALabelledBox) {
  auto f = openForm();
  QWidget* w = frontEnd.widget(f->ctl("Odd"));
  QImage img = shot(w);
  EXPECT_GT(distinctColours(img), 2);  // border, background and text
}

TEST_F(DisplayDrawing, PicturesShapesLabelsAndPanelsDrawTheirColours) {
  auto f = openForm();
  // The image stretches its red picture over the whole control.
  QWidget* picture = frontEnd.widget(f->ctl("Picture"));
  QImage pi = shot(picture);
  EXPECT_EQ(pi.pixelColor(2, 2), QColor(255, 0, 0));
  EXPECT_EQ(pi.pixelColor(pi.width() - 3, pi.height() - 3), QColor(255, 0, 0));
  f->ctl("Picture").setProperty("Picture", Variant("file:blue.png"));
  EXPECT_EQ(shot(picture).pixelColor(pi.width() / 2, pi.height() / 2), QColor(0, 0, 255));

  // A solid shape shows its fill colour inside its border colour.
  QWidget* box = frontEnd.widget(f->ctl("Box"));
  QImage bi = shot(box);
  EXPECT_EQ(bi.pixelColor(bi.width() / 2, bi.height() / 2), QColor(0, 255, 0));
  EXPECT_EQ(bi.pixelColor(0, bi.height() / 2), QColor(255, 0, 0));
  f->ctl("Box").setProperty("FillColor", Variant(static_cast<int32_t>(0xFF0000)));
  EXPECT_EQ(shot(box).pixelColor(bi.width() / 2, bi.height() / 2), QColor(0, 0, 255));
  // Transparent fill: the form's background shows through the window's image.
  f->ctl("Box").setProperty("FillStyle", Variant(int16_t{1}));
  QImage win = shot(frontEnd.window(*f));
  QPoint inBox = box->mapTo(frontEnd.window(*f), box->rect().center());
  EXPECT_EQ(win.pixelColor(inBox), QColor(0xC0, 0xC0, 0xC0));

  // A transparent label lets the form's colour through; an opaque one shows its own.
  f->ctl("Title").setCaption("");
  f->ctl("Title").setProperty("BackColor", Variant(static_cast<int32_t>(0x00FFFF)));
  QImage opaque = shot(caption(f->ctl("Title")));
  EXPECT_EQ(opaque.pixelColor(3, 3), QColor(255, 255, 0));
  EXPECT_EQ(opaque.pixelColor(opaque.width() - 1, opaque.height() - 1), QColor(255, 255, 0));
  f->ctl("Title").setProperty("BackStyle", Variant(int16_t{0}));
  EXPECT_NE(shot(caption(f->ctl("Title"))).pixelColor(3, 3), QColor(255, 255, 0));
  // A sunken border stands inside the label's edge, around its face.
  f->ctl("Title").setProperty("BackStyle", Variant(int16_t{1}));
  f->ctl("Title").setProperty("BorderStyle", Variant(int16_t{1}));
  QImage bordered = shot(caption(f->ctl("Title")));
  EXPECT_NE(bordered.pixelColor(0, 3), QColor(255, 255, 0));
  EXPECT_EQ(bordered.pixelColor(3, 3), QColor(255, 255, 0));

  // The status bar's picture panel draws its picture inside the panel.
  auto* sw = widgetAs<frontend::qt::StatusBarWidget>(f->ctl("Status"));
  QImage si = shot(sw);
  QRect pic = sw->panelRect(sw->panels()[1]);
  EXPECT_GT(countPixels(si, pic, [](QColor c) { return c == QColor(0, 255, 0); }), 20);
  EXPECT_EQ(countPixels(si, sw->panelRect(sw->panels()[0]), [](QColor c) { return c == QColor(0, 255, 0); }),
            0);
}

// The panels are drawn from faces the application keeps: two windows with one text show the
// same pixels, a text that comes back looks as before, and a new text or colour never shows
// an old face.
TEST_F(DisplayDrawing, StatusPanelsShowTheirOwnTextAndColoursThoughTheirFacesAreKept) {
  auto a = openForm();
  auto b = openForm();
  auto* wa = widgetAs<frontend::qt::StatusBarWidget>(a->ctl("Status"));
  auto* wb = widgetAs<frontend::qt::StatusBarWidget>(b->ctl("Status"));
  auto panel = [](frontend::qt::StatusBarWidget* w) { return shot(w).copy(w->panelRect(w->panels()[0])); };
  const QImage apart = panel(wa);
  EXPECT_EQ(panel(wb), apart);
  a->statusBar("Status").setPanelText(Variant("Comm"), "verbunden");
  const QImage joined = panel(wa);
  EXPECT_NE(joined, apart);
  EXPECT_EQ(panel(wb), apart) << "the other window keeps its own text";
  a->statusBar("Status").setPanelText(Variant("Comm"), "getrennt");
  EXPECT_EQ(panel(wa), apart);
  b->statusBar("Status").setPanelText(Variant("Comm"), "verbunden");
  EXPECT_EQ(panel(wb), joined);

  a->ctl("Status").setProperty("BackColor", Variant(static_cast<int32_t>(0x0000FF)));
  const QImage red = panel(wa);
  const QRect inside = red.rect().adjusted(3, 3, -3, -3);
  EXPECT_GT(countPixels(red, inside, [](QColor c) { return c == QColor(255, 0, 0); }), inside.width());
  EXPECT_EQ(countPixels(panel(wb), inside, [](QColor c) { return c == QColor(255, 0, 0); }), 0);
}

namespace {
// The region of every paint of one widget.
struct PaintRecorder : QObject {
  explicit PaintRecorder(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
  QRegion painted;
};
}  // namespace

// A new text of a panel draws that panel again and no other: the others keep the faces they
// show, and what the window shows is the bar as a whole drawing of it has it.
TEST_F(DisplayDrawing, StatusPanelANewTextRepaintsThatPanelAlone) {
  auto f = openForm();
  auto& status = f->statusBar("Status");
  auto* w = widgetAs<frontend::qt::StatusBarWidget>(status);
  QWidget* win = frontEnd.window(*f);
  auto onScreen = [&] {
    const QRect r(w->mapTo(win, QPoint(0, 0)), w->size());
    return win->screen()->grabWindow(win->winId()).toImage().copy(r).convertToFormat(QImage::Format_RGB32);
  };
  struct Case {
    const char* what;
    std::function<void()> change;
    int panel;  // the one drawn again; -1: none
  };
  const std::vector<Case> cases = {
      {"a new text", [&] { status.setPanelText(Variant("Comm"), "verbunden"); }, 0},
      {"a text where there was none", [&] { status.setPanelText(Variant("Rest"), "Wartung"); }, 2},
      {"the text back", [&] { status.setPanelText(Variant("Comm"), "getrennt"); }, 0},
      {"the same text", [&] { status.setPanelText(Variant("Comm"), "getrennt"); }, -1},
      {"a tool tip", [&] { status.setPanelToolTip(Variant("Comm"), "Verbindung zum Gerät"); }, -1},
      {"a text by position", [&] { status.setPanelText(Variant(int32_t{3}), "Bediener"); }, 2},
      {"two texts before a paint",
       [&] {
         status.setPanelText(Variant("Comm"), "verbunden");
         status.setPanelText(Variant("Comm"), "Verbindung unterbrochen");
       },
       0}};
  QCoreApplication::processEvents();
  for (const auto& [what, change, panel] : cases) {
    const QImage before = onScreen();
    QRegion painted;
    {
      PaintRecorder paints(w);  // the window's own paints, not those of the shots
      change();
      QCoreApplication::processEvents();
      painted = paints.painted;
    }
    const QImage after = onScreen();
    EXPECT_EQ(after, shot(w)) << what;
    for (size_t i = 0; i < w->panels().size(); ++i) {
      const QRect r = w->panelRect(w->panels()[i]);
      if (static_cast<int>(i) == panel) {
        EXPECT_TRUE(r.contains(painted.boundingRect()) && !painted.isEmpty()) << what;
        EXPECT_NE(after.copy(r), before.copy(r)) << what;
      } else {
        EXPECT_FALSE(painted.intersects(r)) << what << ", panel " << i;
        EXPECT_EQ(after.copy(r), before.copy(r)) << what << ", panel " << i;
      }
    }
    EXPECT_EQ(w->panels()[0].text, QString::fromStdString(status.panels()[0].text)) << what;
    EXPECT_EQ(w->panels()[2].text, QString::fromStdString(status.panels()[2].text)) << what;
  }
  EXPECT_EQ(w->toolTipAt(QPoint(20, 10)), QStringLiteral("Verbindung zum Gerät"));

  // A text asked to be drawn just before the bar is hidden, and those set while it is hidden,
  // show once it is shown again; so does the next one.
  status.setPanelText(Variant("Comm"), "vor dem Verbergen");
  status.setVisible(false);
  QCoreApplication::processEvents();
  status.setPanelText(Variant("Comm"), "verborgen");
  status.setVisible(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(w->panels()[0].text, QStringLiteral("verborgen"));
  EXPECT_EQ(onScreen(), shot(w));
  status.setPanelText(Variant("Comm"), "wieder sichtbar");
  QCoreApplication::processEvents();
  EXPECT_EQ(onScreen(), shot(w));
}

// A text alone leaves the panels where they are; whatever spreads them (the bar's width, a
// panel's width, a panel coming) lays the bar out again, and the bar shows where each panel is.
TEST_F(DisplayDrawing, StatusPanelsStandWhereTheModelSpreadsThem) {
  auto f = openForm();
  auto& status = f->statusBar("Status");
  auto* w = widgetAs<frontend::qt::StatusBarWidget>(status);
  auto matches = [&] {
    const auto& model = status.panels();
    if (w->panels().size() != model.size()) return false;
    for (size_t i = 0; i < model.size(); ++i)
      if (w->panels()[i].left != frontend::qt::twipsToPx(model[i].left) ||
          w->panels()[i].width != frontend::qt::twipsToPx(model[i].width) ||
          w->panels()[i].text != QString::fromStdString(model[i].text))
        return false;
    return true;
  };
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"a text", [&] { status.setPanelText(Variant("Comm"), "verbunden mit einem langen Text"); }},
      {"a wider window", [&] { f->setWidth(f->width() + 1500); }},
      {"a narrower window", [&] { f->setWidth(f->width() - 3000); }},
      {"a panel's width", [&] { status.setPanelWidth(Variant("Comm"), 3600); }},
      {"a panel more",
       [&] {
         platform::ui::Panel p;
         p.key = "More";
         p.text = "neu";
         p.width = 900;
         status.addPanel(p);
       }},
      {"a text after those", [&] { status.setPanelText(Variant("More"), "neuer"); }}};
  // What the window's repaints left of the bar on the screen, against a whole drawing of it.
  QWidget* win = frontEnd.window(*f);
  auto onScreen = [&] {
    QCoreApplication::processEvents();
    const QRect r(w->mapTo(win, QPoint(0, 0)), w->size());
    return win->screen()->grabWindow(win->winId()).toImage().copy(r).convertToFormat(QImage::Format_RGB32);
  };
  ASSERT_TRUE(matches());
  onScreen();
  for (const auto& [what, change] : changes) {
    const int restLeft = w->panels()[2].left, restWidth = w->panels()[2].width;
    change();
    EXPECT_TRUE(matches()) << what;
    EXPECT_EQ(onScreen(), shot(w)) << what;
    if (std::string(what).find("text") != std::string::npos) {
      EXPECT_TRUE(w->panels()[2].left == restLeft && w->panels()[2].width == restWidth) << what;
    }
  }
  EXPECT_EQ(w->panels().back().text, QStringLiteral("neuer"));
}

// A row keeps what it measured of its texts until they or its font change: after each change
// it stands as a row made anew with the same texts and font does.
TEST(LabelTextUnitRow, LaysOutAfterEachChangeAsARowMadeWithItsTextsAndFont) {
  struct Step {
    const char* what;
    const char* label;
    const char* unit;
    int pointSize;
  };
  const Step steps[] = {
      {"first texts", "Dichte", "kg/l", 8},
      {"a longer label", "Dichte bei Referenztemperatur", "kg/l", 8},
      {"a larger font", "Dichte bei Referenztemperatur", "kg/l", 12},
      {"a longer unit", "Dichte bei Referenztemperatur", "kg/m³ bei 15 °C", 12},
      {"a smaller font", "Dichte bei Referenztemperatur", "kg/m³ bei 15 °C", 7},
  };
  QWidget window;
  auto* row = new frontend::qt::LabelTextUnitWidget(&window);
  row->setGeometry(10, 10, 400, 24);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    QFont font = window.font();
    font.setPointSize(s.pointSize);
    window.setFont(font);
    row->setLabelText(QString::fromUtf8(s.label));
    row->setUnitText(QString::fromUtf8(s.unit));
    QWidget fresh;
    fresh.setFont(font);
    auto* made = new frontend::qt::LabelTextUnitWidget(&fresh);
    made->setGeometry(10, 10, 400, 24);
    made->setLabelText(QString::fromUtf8(s.label));
    made->setUnitText(QString::fromUtf8(s.unit));
    EXPECT_EQ(row->label().rect, made->label().rect);
    EXPECT_EQ(row->unit().rect, made->unit().rect);
    EXPECT_EQ(row->edit->geometry(), made->edit->geometry());
  }
}
