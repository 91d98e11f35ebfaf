#include "tolvar/controls/display_controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/ui/event_loop.h"
#include "test_support.h"
#include "tests/support/fake_host.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/register.h"

using namespace support;
using fakehost::deliver;
using platform::com::InvokeKind;
using platform::com::Ptr;
using platform::ui::Form;
namespace dispid = tolvar::dispid;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const char* kWindow = R"({
  "form": {"name": "DisplayForm", "props": {"Caption": "Displays"}},
  "controls": [
    {"name": "Output1Tolvar4Needle", "type": "Tolvar4Needle", "progId": "Tolvar4Needle.Tolvar4Needle", "container": "",
     "props": {"backcolor": "&HE0E0E0&", "forecolor": 0, "needlecaption": "", "FontName": "MS Sans Serif", "FontSize": 8.25}},
    {"name": "Output1Tolvar4BarGraph", "type": "Tolvar4BarGraph", "progId": "Tolvar4BarGraph.Tolvar4BarGraph", "container": "",
     "props": {"zerovalue": "", "bargraphcaption": ""}},
    {"name": "Output1Tolvar4Digital", "type": "Tolvar4Digital", "progId": "Tolvar4Digital.Tolvar4Digital", "container": "",
     "props": {"digitalcaption": "", "formatvalue": "#########UUUUUUUUUUUU", "FontName": "Arial", "FontBold": true}},
    {"name": "VR_Tolvar4Plotter", "type": "Tolvar4Plotter", "progId": "Tolvar4Plotter.Tolvar4Plotter", "container": "",
     "props": {"cycletimevalue_1": 3, "cycletimevalue_4": 3, "objectcaptionid_1": 0, "plottercaption": "Tolvar4Plotter"}}
  ]
})";

struct Kind {
  const char* control;
  const tolvar::dispid::DisplayRoleIds* roles;
  bool indexed;
};
const Kind kNeedle{"Output1Tolvar4Needle", &dispid::Needle, false};
const Kind kBar{"Output1Tolvar4BarGraph", &dispid::BarGraph, false};
const Kind kDigital{"Output1Tolvar4Digital", &dispid::Digital, false};
const Kind kPlotter{"VR_Tolvar4Plotter", &dispid::Plotter, true};

class Displays : public ::testing::Test {
 protected:
  void SetUp() override {
    tolvar::controls::registerHostControls();
    platform::ui::EventLoop::instance().clearErrors();
    host = fakehost::makeHost();
    host.fake->number("PRIMARY_VALUE", 50);
    host.fake->enumerated("PRIMARY_UNITS", 73, {{73, "kg/h"}, {75, "t/h"}});
    host.fake->number("QM_MAXIMUM_VALUE", 200);
    host.fake->number("LOW", 10);
    host.fake->number("SECOND_VALUE", 998.2, "kg/m³");
    form = platform::com::makeObject<Form>("DisplayForm", kWindow);
    form->ensureLoaded();
  }
  void TearDown() override {
    if (form->isLoaded()) form->unload();
    deliver();
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  }

  platform::ui::UserControlImpl& ctl(const Kind& k) { return impl(*form, k.control); }

  // Writes a role as a window does, with the curve number first on the plotter.
  void put(const Kind& k, int32_t id, Variant v, int16_t curve = 1) {
    std::vector<Variant> args;
    if (k.indexed) args.push_back(Variant(curve));
    args.push_back(std::move(v));
    ctl(k).invoke(id, InvokeKind::PropertyPut, args);
  }
  Variant byName(const Kind& k, std::string_view name, int16_t curve = 1) {
    std::vector<Variant> args;
    if (k.indexed) args.push_back(Variant(curve));
    return ctl(k).propertyByName(name, args);
  }
  // One configuration as the display windows write it.
  void configure(const Kind& k, const char* minItem = "0", int16_t curve = 1) {
    const auto& r = *k.roles;
    put(k, r.ChannelCaption, Variant("Mass Flow:"), curve);
    put(k, r.ChannelFlag, Variant(int16_t{-1}), curve);
    put(k, r.ItemMode, Variant(int16_t{3}), curve);
    put(k, r.UnitItemName, Variant("PRIMARY_UNITS"), curve);
    put(k, r.ValueItemName, Variant("PRIMARY_VALUE"), curve);
    if (r.ClassFlag) put(k, r.ClassFlag, Variant(false), curve);
    if (r.DigitalFormat) put(k, r.DigitalFormat, Variant("#########UUUUUUUUUUUU"), curve);
    put(k, r.ScaleMaxItemName, Variant("QM_MAXIMUM_VALUE"), curve);
    put(k, r.ScaleMinItemName, Variant(minItem), curve);
  }
  void connect(const Kind& k, int32_t userLevel = 10, int32_t countryCode = 49) {
    call(ctl(k), k.roles->ConnectItems,
         {Variant(tolvar::controls::makeObjectRef(host.aim)), Variant(userLevel), Variant(countryCode)});
  }
  void disconnect(const Kind& k) { call(ctl(k), k.roles->DisconnectItems); }
  double shownDouble(const Kind& k, const char* name) { return shown(ctl(k), name).toDouble(); }
  nlohmann::json curves() { return nlohmann::json::parse(shown(ctl(kPlotter), "Curves").toString()); }

  fakehost::Host host;
  Ptr<Form> form;
};

// Every role written by its number reads back by its name, on each of the four classes.
TEST_F(Displays, RolesAnswerTheirNumbersAndNames) {
  for (const Kind* k : {&kNeedle, &kBar, &kDigital, &kPlotter}) {
    SCOPED_TRACE(k->control);
    const auto& r = *k->roles;
    const int16_t curve = k->indexed ? 3 : 1;
    put(*k, r.ChannelCaption, Variant("Density:"), curve);
    put(*k, r.ChannelFlag, Variant(int16_t{-1}), curve);
    put(*k, r.ItemMode, Variant(int16_t{3}), curve);
    put(*k, r.UnitItemName, Variant("SECOND_UNITS"), curve);
    put(*k, r.ValueItemName, Variant("SECOND_VALUE"), curve);
    put(*k, r.ScaleMaxItemName, Variant("UPPER"), curve);
    put(*k, r.ScaleMinItemName, Variant("0"), curve);
    EXPECT_EQ(byName(*k, "ChannelCaption", curve).toString(), "Density:");
    EXPECT_TRUE(byName(*k, "ChannelFlag", curve).toBool());
    EXPECT_EQ(byName(*k, "ItemMode", curve).toInteger(), 3);
    EXPECT_EQ(byName(*k, "UnitItemName", curve).toString(), "SECOND_UNITS");
    EXPECT_EQ(byName(*k, "ValueItemName", curve).toString(), "SECOND_VALUE");
    EXPECT_EQ(byName(*k, "ScaleMaxItemName", curve).toString(), "UPPER");
    EXPECT_EQ(byName(*k, "ScaleMinItemName", curve).toString(), "0");
    for (auto [id, name] : {std::pair{r.ChannelCaption, "ChannelCaption"},
                            {r.ValueItemName, "ValueItemName"},
                            {r.ConnectItems, "ConnectItems"},
                            {r.DisconnectItems, "DisconnectItems"}})
      EXPECT_EQ(ctl(*k).idOfName(name), id) << name;
    if (r.ClassFlag) {
      put(*k, r.ClassFlag, Variant(true));
      EXPECT_TRUE(byName(*k, "ClassFlag").toBool());
      put(*k, r.ClassFlag, Variant(false));
      EXPECT_FALSE(byName(*k, "ClassFlag").toBool());
    } else {
      EXPECT_EQ(errorOf([&] { byName(*k, "ClassFlag"); }), 438);
    }
    if (r.DigitalFormat) {
      put(*k, r.DigitalFormat, Variant("####UU"));
      EXPECT_EQ(byName(*k, "DigitalFormat").toString(), "####UU");
    } else {
      EXPECT_EQ(errorOf([&] { byName(*k, "DigitalFormat"); }), 438);
    }
  }
  // The plotter's other curves keep their own settings.
  EXPECT_EQ(byName(kPlotter, "ValueItemName", 1).toString(), "");
}

TEST_F(Displays, DesignPropertiesOfTheWindowDesignsAreKept) {
  EXPECT_EQ(byName(kNeedle, "backcolor").toLong(), 0xE0E0E0);
  EXPECT_EQ(byName(kDigital, "formatvalue").toString(), "#########UUUUUUUUUUUU");
  EXPECT_EQ(byName(kDigital, "DigitalFormat").toString(), "#########UUUUUUUUUUUU");  // one and the same
  EXPECT_TRUE(ctl(kDigital).propertyByName("FontBold", {}).toBool());
  EXPECT_EQ(ctl(kPlotter).propertyByName("cycletimevalue_1", {}).toLong(), 3);
  EXPECT_EQ(shown(ctl(kPlotter), "Caption").toString(), "Tolvar4Plotter");
  // The trend window clears the caption and sets the plotter's time span.
  ctl(kPlotter).put(0x6803000F, Variant(""));
  ctl(kPlotter).put(0x68030011, Variant("-1"));
  EXPECT_EQ(shown(ctl(kPlotter), "Caption").toString(), "");
  EXPECT_EQ(shown(ctl(kPlotter), "TimeSpanMs").toLong(),
            tolvar::controls::PlotterControl::kDefaultTimeSpanMs);
  ctl(kPlotter).put(0x68030011, Variant("30"));
  EXPECT_EQ(shown(ctl(kPlotter), "TimeSpanMs").toLong(), 30000);
}

TEST_F(Displays, PlotterCurveNumberMustBeOneToFour) {
  for (int16_t curve : {1, 2, 3, 4}) {
    put(kPlotter, dispid::Plotter.ChannelCaption, Variant("c" + std::to_string(curve)), curve);
    EXPECT_EQ(byName(kPlotter, "ChannelCaption", curve).toString(), "c" + std::to_string(curve));
  }
  for (int16_t curve : {0, 5, -1}) {
    EXPECT_EQ(errorOf([&] { put(kPlotter, dispid::Plotter.ValueItemName, Variant("X"), curve); }), 381)
        << curve;
    EXPECT_EQ(errorOf([&] { byName(kPlotter, "ValueItemName", curve); }), 381) << curve;
  }
  // Without its curve number a curve property is a wrong call.
  EXPECT_EQ(errorOf([&] { ctl(kPlotter).get(dispid::Plotter.ChannelCaption); }), 450);
}

TEST_F(Displays, ConnectedControlsFollowValueUnitAndScale) {
  for (const Kind* k : {&kNeedle, &kBar}) {
    configure(*k);
    connect(*k);
  }
  host.fake->set("PRIMARY_VALUE", 150);
  host.fake->set("PRIMARY_UNITS", 75);
  host.fake->set("QM_MAXIMUM_VALUE", 300);
  deliver();
  for (const Kind* k : {&kNeedle, &kBar}) {
    SCOPED_TRACE(k->control);
    EXPECT_EQ(shown(ctl(*k), "Caption").toString(), "Mass Flow:");
    EXPECT_EQ(shownDouble(*k, "Value"), 150);
    EXPECT_EQ(shown(ctl(*k), "ValueText").toString(), "150");
    EXPECT_EQ(shown(ctl(*k), "UnitText").toString(), "t/h");
    EXPECT_EQ(shownDouble(*k, "Min"), 0);  // the literal "0"
    EXPECT_EQ(shownDouble(*k, "Max"), 300);
    EXPECT_FALSE(shown(ctl(*k), "OverRange").toBool());
  }
  auto& needle = dynamic_cast<tolvar::controls::NeedleControl&>(ctl(kNeedle));
  EXPECT_EQ(needle.userLevel(), 10);
  EXPECT_EQ(needle.countryCode(), 49);
}

TEST_F(Displays, DisconnectItemsStopsFollowingAtOnce) {
  configure(kNeedle);
  connect(kNeedle);
  EXPECT_EQ(host.fake->openWatches(), 3);  // value, unit, maximum; "0" is no item
  host.fake->set("PRIMARY_VALUE", 75);     // on its way when the window disconnects
  disconnect(kNeedle);
  EXPECT_EQ(host.fake->openWatches(), 0);
  deliver();
  host.fake->set("PRIMARY_VALUE", 80);
  deliver();
  EXPECT_EQ(shownDouble(kNeedle, "Value"), 50);

  // A reconfiguration cycle picks up where the item stands now.
  connect(kNeedle);
  EXPECT_EQ(shownDouble(kNeedle, "Value"), 80);
  connect(kNeedle);  // connecting again does not watch twice
  EXPECT_EQ(host.fake->openWatches(), 3);
  disconnect(kNeedle);
  disconnect(kNeedle);  // harmless
}

TEST_F(Displays, ConnectItemsChecksTheItemManager) {
  configure(kDigital);
  EXPECT_EQ(errorOf([&] {
              call(ctl(kDigital), dispid::Digital.ConnectItems, {Variant(1), Variant(0), Variant(0)});
            }),
            424);
  EXPECT_EQ(errorOf([&] {
              call(ctl(kDigital), dispid::Digital.ConnectItems, {Variant(0), Variant(0)});
            }),
            450);
  Ptr<tolvar::AppletItemManager> bare(new fakehost::FakeItemManager);
  EXPECT_EQ(errorOf([&] {
              call(ctl(kDigital), dispid::Digital.ConnectItems,
                   {Variant(tolvar::controls::makeObjectRef(bare)), Variant(0), Variant(0)});
            }),
            430);
  EXPECT_FALSE(dynamic_cast<tolvar::controls::DisplayControl&>(ctl(kDigital)).connected());
}

TEST_F(Displays, ValuesOutsideTheScaleAreClampedAndFlagged) {
  configure(kBar, "LOW");
  connect(kBar);
  host.fake->set("PRIMARY_VALUE", 250);
  deliver();
  EXPECT_EQ(shownDouble(kBar, "Value"), 200);
  EXPECT_TRUE(shown(ctl(kBar), "OverRange").toBool());
  EXPECT_EQ(shown(ctl(kBar), "ValueText").toString(), "250");  // the text tells the real value
  host.fake->set("PRIMARY_VALUE", 5);
  deliver();
  EXPECT_EQ(shownDouble(kBar, "Value"), 10);
  EXPECT_TRUE(shown(ctl(kBar), "UnderRange").toBool());
  EXPECT_FALSE(shown(ctl(kBar), "OverRange").toBool());
  host.fake->set("LOW", 0);  // the scale item moves, not the value
  deliver();
  EXPECT_EQ(shownDouble(kBar, "Value"), 5);
  EXPECT_FALSE(shown(ctl(kBar), "UnderRange").toBool());
}

TEST_F(Displays, NonFiniteValuesAndUnusableRanges) {
  configure(kNeedle, "LOW");
  connect(kNeedle);
  host.fake->set("PRIMARY_VALUE", kNaN);
  deliver();
  EXPECT_TRUE(std::isnan(shownDouble(kNeedle, "Value")));
  EXPECT_FALSE(shown(ctl(kNeedle), "OverRange").toBool());
  EXPECT_FALSE(shown(ctl(kNeedle), "UnderRange").toBool());
  host.fake->set("PRIMARY_VALUE", kInf);
  deliver();
  EXPECT_EQ(shownDouble(kNeedle, "Value"), 200);
  EXPECT_TRUE(shown(ctl(kNeedle), "OverRange").toBool());
  host.fake->set("PRIMARY_VALUE", -kInf);
  deliver();
  EXPECT_EQ(shownDouble(kNeedle, "Value"), 10);
  EXPECT_TRUE(shown(ctl(kNeedle), "UnderRange").toBool());

  // Inverted: drawn the right way round, and marked.
  host.fake->set("PRIMARY_VALUE", 100);
  host.fake->set("LOW", 500);
  deliver();
  EXPECT_EQ(shownDouble(kNeedle, "Min"), 200);
  EXPECT_EQ(shownDouble(kNeedle, "Max"), 500);
  EXPECT_FALSE(shown(ctl(kNeedle), "RangeValid").toBool());
  EXPECT_TRUE(shown(ctl(kNeedle), "UnderRange").toBool());

  // Empty: still a drawable range around the one point.
  host.fake->set("LOW", 200);
  deliver();
  EXPECT_LT(shownDouble(kNeedle, "Min"), shownDouble(kNeedle, "Max"));
  EXPECT_TRUE(shown(ctl(kNeedle), "UnderRange").toBool());

  // A scale item that is not a number.
  host.fake->text("TEXTUAL", "abc");
  put(kNeedle, dispid::Needle.ScaleMaxItemName, Variant("TEXTUAL"));  // takes effect while connected
  EXPECT_FALSE(shown(ctl(kNeedle), "RangeValid").toBool());
  EXPECT_LT(shownDouble(kNeedle, "Min"), shownDouble(kNeedle, "Max"));
  EXPECT_FALSE(shown(ctl(kNeedle), "OverRange").toBool());
}

TEST_F(Displays, DigitalFitsValueAndUnitIntoItsFormat) {
  configure(kDigital);
  host.fake->enumerated("LONG_UNIT", 1, {{1, "Normkubikmeter/h"}, {2, "m³/h"}});
  put(kDigital, dispid::Digital.UnitItemName, Variant("LONG_UNIT"));
  connect(kDigital);
  host.fake->set("PRIMARY_VALUE", 1234.56789012);
  deliver();
  EXPECT_EQ(shown(ctl(kDigital), "Caption").toString(), "Mass Flow:");
  EXPECT_EQ(shown(ctl(kDigital), "Text").toString(), "1234.5679");         // nine places
  EXPECT_EQ(shown(ctl(kDigital), "UnitText").toString(), "Normkubikmet");  // twelve places
  host.fake->set("PRIMARY_VALUE", -123456789012.0);
  host.fake->set("LONG_UNIT", 2);
  deliver();
  EXPECT_EQ(shown(ctl(kDigital), "Text").toString(), "-1.23E+11");
  EXPECT_EQ(shown(ctl(kDigital), "UnitText").toString(), "m³/h");
}

TEST_F(Displays, PlotterCurvesSampleEachValueChangeWithinABoundedHistory) {
  auto& loop = platform::ui::EventLoop::instance();
  configure(kPlotter, "0", 1);
  put(kPlotter, dispid::Plotter.ValueItemName, Variant("SECOND_VALUE"), 2);
  connect(kPlotter);
  auto c = curves();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0]["curve"], 1);
  EXPECT_EQ(c[0]["caption"], "Mass Flow:");
  EXPECT_EQ(c[0]["unit"], "kg/h");
  EXPECT_EQ(c[0]["max"], 200.0);
  EXPECT_EQ(c[1]["unit"], "kg/m³");
  ASSERT_EQ(c[0]["points"].size(), 1u);
  EXPECT_EQ(c[0]["points"][0][1], 50.0);

  const int64_t t0 = loop.now();
  loop.advance(1000);
  host.fake->set("PRIMARY_VALUE", 51);
  deliver();
  host.fake->set("PRIMARY_UNITS", 75);  // a unit change is no new sample
  deliver();
  c = curves();
  ASSERT_EQ(c[0]["points"].size(), 2u);
  EXPECT_EQ(c[0]["points"][1][0], t0 + 1000);
  EXPECT_EQ(c[0]["points"][1][1], 51.0);
  EXPECT_EQ(c[0]["unit"], "t/h");
  EXPECT_EQ(c[1]["points"].size(), 1u);  // curve 2 did not move

  for (int i = 0; i < 700; ++i) {
    host.fake->set("PRIMARY_VALUE", 100 + i);
    deliver();
  }
  const auto& history = dynamic_cast<tolvar::controls::PlotterControl&>(ctl(kPlotter)).channel(0).history;
  ASSERT_EQ(history.size(), tolvar::controls::PlotterControl::kHistory);
  EXPECT_EQ(history.back().value, 799);
  EXPECT_EQ(history.front().value, 200);

  // A non-number is a gap in the curve.
  host.fake->set("PRIMARY_VALUE", kNaN);
  deliver();
  EXPECT_TRUE(curves()[0]["points"].back()[1].is_null());

  // Reconfiguring with the same variable keeps the trend; another variable starts afresh.
  disconnect(kPlotter);
  configure(kPlotter, "0", 1);
  connect(kPlotter);
  EXPECT_EQ(history.size(), tolvar::controls::PlotterControl::kHistory);
  disconnect(kPlotter);
  put(kPlotter, dispid::Plotter.ValueItemName, Variant("SECOND_VALUE"), 1);
  connect(kPlotter);
  EXPECT_EQ(history.size(), 1u);
  EXPECT_EQ(history.back().value, 998.2);

  // A cleared curve leaves the plot.
  disconnect(kPlotter);
  for (int16_t curve : {1, 2}) {
    put(kPlotter, dispid::Plotter.ValueItemName, Variant(""), curve);
    put(kPlotter, dispid::Plotter.UnitItemName, Variant(""), curve);
  }
  connect(kPlotter);
  EXPECT_EQ(curves().size(), 0u);
  EXPECT_EQ(host.fake->openWatches(), 1);  // curve 1's scale maximum is still named
}

// The curve as the device measured it: a constant value keeps its line, a time without
// connection stays a gap, another assignment starts a new curve.
TEST_F(Displays, PlotterCurvesFollowTheClockAndTheConnection) {
  auto& loop = platform::ui::EventLoop::instance();
  host.fake->enumerated("&&private&&connect", tolvar::Connected, {{0, "Disconnected"}, {2, "Connected"}});
  configure(kPlotter, "0", 1);
  connect(kPlotter);
  const int64_t t0 = loop.now();
  // Five minutes of zero flow: one sample that still holds.
  host.fake->set("PRIMARY_VALUE", 0);
  deliver();
  loop.advance(300000);
  deliver();
  auto c = curves();
  ASSERT_EQ(c[0]["points"].size(), 2u);  // the value read at connection, then the zero
  EXPECT_EQ(c[0]["points"][1][0], t0);
  EXPECT_EQ(c[0]["points"][1][1], 0.0);
  EXPECT_TRUE(c[0]["live"].get<bool>());

  // Offline: the curve ends when the connection went, and nothing is sampled meanwhile.
  host.fake->set("&&private&&connect", tolvar::Disconnected);
  deliver();
  const int64_t gone = loop.now();
  loop.advance(30000);
  host.fake->set("PRIMARY_VALUE", 70);
  deliver();
  c = curves();
  ASSERT_EQ(c[0]["points"].size(), 3u);
  EXPECT_EQ(c[0]["points"][2][0], gone);
  EXPECT_TRUE(c[0]["points"][2][1].is_null());
  EXPECT_FALSE(c[0]["live"].get<bool>());
  // Connected again: the value read then starts the next line, after the gap.
  loop.advance(1000);
  host.fake->set("&&private&&connect", tolvar::Connected);
  deliver();
  c = curves();
  ASSERT_EQ(c[0]["points"].size(), 4u);
  EXPECT_EQ(c[0]["points"][3][0], gone + 31000);
  EXPECT_EQ(c[0]["points"][3][1], 70.0);
  EXPECT_TRUE(c[0]["live"].get<bool>());

  // The window disconnecting the curves ends their lines too.
  disconnect(kPlotter);
  EXPECT_FALSE(curves()[0]["live"].get<bool>());
  EXPECT_TRUE(curves()[0]["points"].back()[1].is_null());
  // Connected again at once with the same assignment: the line goes on without a gap.
  connect(kPlotter);
  c = curves();
  EXPECT_EQ(c[0]["points"].size(), 4u);
  EXPECT_TRUE(c[0]["live"].get<bool>());

  // The same value item assigned another variable (another scale): a new curve.
  disconnect(kPlotter);
  put(kPlotter, dispid::Plotter.ScaleMaxItemName, Variant("LOW"));
  connect(kPlotter);
  c = curves();
  ASSERT_EQ(c[0]["points"].size(), 1u);
  EXPECT_EQ(c[0]["max"], 10.0);
}

// A plotter connected while the device is offline shows no reading until the device is
// connected: the value the host holds meanwhile was not measured.
TEST_F(Displays, PlotterOpenedOfflineWaitsForTheDevice) {
  auto& loop = platform::ui::EventLoop::instance();
  host.fake->enumerated("&&private&&connect", tolvar::Disconnected, {{0, "Disconnected"}, {2, "Connected"}});
  configure(kPlotter, "0", 1);
  connect(kPlotter);
  deliver();
  auto c = curves();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0]["points"].size(), 0u);
  EXPECT_FALSE(c[0]["live"].get<bool>());
  loop.advance(20000);
  host.fake->set("&&private&&connect", tolvar::Connected);
  deliver();
  c = curves();
  ASSERT_EQ(c[0]["points"].size(), 1u);
  EXPECT_EQ(c[0]["points"][0][0], loop.now());
  EXPECT_TRUE(c[0]["live"].get<bool>());
}

// What the front end fetches as it draws: only what is new since it last asked, and a curve
// that began anew whole.
TEST_F(Displays, PlotterHandsOverOnlyNewSamples) {
  auto& loop = platform::ui::EventLoop::instance();
  auto& plotter = dynamic_cast<tolvar::controls::PlotterControl&>(ctl(kPlotter));
  configure(kPlotter, "0", 1);
  connect(kPlotter);
  auto since = [&](uint64_t& mark) { return nlohmann::json::parse(plotter.drawingSince(mark)); };
  uint64_t mark = 0;
  auto d = since(mark);
  EXPECT_EQ(d["timeSpanMs"], tolvar::controls::PlotterControl::kDefaultTimeSpanMs);
  ASSERT_EQ(d["curves"].size(), 1u);
  EXPECT_EQ(d["curves"][0]["points"].size(), 1u);
  d = since(mark);
  EXPECT_EQ(d["curves"][0]["points"].size(), 0u);
  EXPECT_FALSE(d["curves"][0]["restart"].get<bool>());
  for (int i = 1; i <= 3; ++i) {
    loop.advance(100);
    host.fake->set("PRIMARY_VALUE", 50 + i);
    deliver();
  }
  d = since(mark);
  ASSERT_EQ(d["curves"][0]["points"].size(), 3u);
  EXPECT_EQ(d["curves"][0]["points"][0][1], 51.0);
  EXPECT_EQ(d["curves"][0]["points"][2][1], 53.0);
  // Another variable: the curve comes whole, marked as begun anew.
  disconnect(kPlotter);
  put(kPlotter, dispid::Plotter.ValueItemName, Variant("SECOND_VALUE"));
  connect(kPlotter);
  d = since(mark);
  EXPECT_TRUE(d["curves"][0]["restart"].get<bool>());
  ASSERT_EQ(d["curves"][0]["points"].size(), 1u);
  EXPECT_EQ(d["curves"][0]["points"][0][1], 998.2);
  // Asking afresh gives everything there is.
  uint64_t fresh = 0;
  EXPECT_EQ(since(fresh)["curves"][0]["points"].size(), 1u);
}

TEST_F(Displays, VisibleByItsWindowSideNumberIsTheSitesVisible) {
  for (const Kind* k : {&kNeedle, &kBar, &kDigital}) {
    SCOPED_TRACE(k->control);
    ctl(*k).put(dispid::ExtenderVisible, Variant(false));
    EXPECT_FALSE(form->ctl(k->control).visible());
    EXPECT_FALSE(ctl(*k).get(dispid::ExtenderVisible).toBool());
    ctl(*k).put(dispid::ExtenderVisible, Variant(true));
    EXPECT_TRUE(form->ctl(k->control).visible());
  }
  // Script access by name goes to the same property.
  form->ctl("Output1Tolvar4Digital").setProperty("Visible", Variant(false));
  EXPECT_FALSE(ctl(kDigital).get(dispid::ExtenderVisible).toBool());
}

TEST_F(Displays, UnloadingTheWindowDisconnects) {
  configure(kNeedle);
  connect(kNeedle);
  configure(kPlotter);
  connect(kPlotter);
  ASSERT_GT(host.fake->openWatches(), 0);
  form->unload();
  EXPECT_EQ(host.fake->openWatches(), 0);
}

}  // namespace
