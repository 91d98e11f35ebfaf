#include "tolvar/controls/item_controls.h"

#include <gtest/gtest.h>

#include "platform/ui/event_loop.h"
#include "test_support.h"
#include "tests/support/fake_host.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/register.h"

using namespace support;

// Made by another library (peer_component.cpp).
platform::com::Variant peerFormArgument(platform::ui::Form& form);
platform::com::Variant peerObjectArgument(platform::com::Ptr<tolvar::AppletItemManager> aim);

using fakehost::deliver;
using platform::com::Ptr;
using platform::ui::Form;
namespace dispid = tolvar::dispid;

namespace {

const char* kWindow = R"({
  "form": {"name": "BindForm", "props": {"Caption": "Bind"}},
  "controls": [
    {"name": "Handler", "type": "Tolvar4CtrlItemHandler", "progId": "Tolvar4CtrItemHandler.Tolvar4CtrlItemHandler", "container": ""},
    {"name": "Flow", "type": "Tolvar4Text", "progId": "Tolvar4txt.Tolvar4Text", "container": ""},
    {"name": "Tag", "type": "Tolvar4Text", "progId": "Tolvar4txt.Tolvar4Text", "container": ""},
    {"name": "Plain", "type": "Tolvar4Text", "progId": "Tolvar4txt.Tolvar4Text", "container": "",
     "props": {"Text": "plain text", "FontName": "Arial", "alignment": 2}},
    {"name": "UnitCombo", "type": "Tolvar4Combo", "progId": "Tolvar4cmb.Tolvar4Combo", "container": ""},
    {"name": "Value", "index": 0, "type": "Tolvar4LabelTextUnit", "progId": "Tolvar4LblTextUnit.Tolvar4LabelTextUnit",
     "container": "", "props": {"LabelText": "Mass Flow:"}},
    {"name": "Note", "type": "Label", "container": "", "props": {"Caption": "not a host control"}}
  ]
})";

class ItemControls : public ::testing::Test {
 protected:
  void SetUp() override {
    tolvar::controls::registerHostControls();
    platform::ui::EventLoop::instance().clearErrors();
    host = fakehost::makeHost();
    host.fake->number("PRIMARY_VALUE", 12.5, "kg/h");
    host.fake->text("TAG", "FT-101");
    host.fake->enumerated("PRIMARY_UNITS", 73, {{70, "g/s"}, {73, "kg/h"}, {75, "t/h"}});
    host.fake->items["PRIMARY_VALUE"].unitItem = "PRIMARY_UNITS";
    form = platform::com::makeObject<Form>("BindForm", kWindow);
    form->ensureLoaded();
  }
  void TearDown() override {
    if (form->isLoaded()) form->unload();
    deliver();
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  }

  platform::ui::UserControlImpl& ctl(std::string_view name, int32_t index = -1) {
    return impl(*form, name, index);
  }
  // The item names and modes, in the order a window sets them before BindItems.
  void configure() {
    ctl("Flow").put(dispid::ItemName, Variant("PRIMARY_VALUE"));
    ctl("Flow").put(dispid::ItemMode, Variant(int16_t{0}));
    ctl("Tag").put(dispid::ItemName, Variant("TAG"));
    ctl("Tag").put(dispid::ItemMode, Variant(int16_t{0}));
    ctl("UnitCombo").put(dispid::ItemName, Variant("PRIMARY_UNITS"));
    ctl("UnitCombo").put(dispid::ItemMode, Variant(int16_t{0}));
    ctl("Value", 0).put(dispid::ValueItemName, Variant("PRIMARY_VALUE"));
    ctl("Value", 0).put(dispid::LtuItemMode, Variant(int16_t{3}));
    ctl("Value", 0).put(dispid::UnitItemName, Variant("PRIMARY_UNITS"));
    ctl("Value", 0).put(dispid::UnitItemMode, Variant(int16_t{3}));
  }
  Variant bind() { return bindItems(*form, ctl("Handler"), host.aim); }

  fakehost::Host host;
  Ptr<Form> form;
};

// ------------------------------------------------------------------------ item handler

TEST_F(ItemControls, BindItemsBindsOnlyControlsThatNameAnItem) {
  configure();
  EXPECT_EQ(bind().toLong(), 4);  // Flow, Tag, UnitCombo, Value(0); Plain names no item
  EXPECT_EQ(shown(ctl("Handler"), "Bound").toLong(), 4);
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "12.5");
  EXPECT_EQ(ctl("Tag").get(dispid::Text).toString(), "FT-101");
  EXPECT_EQ(ctl("Plain").get(dispid::Text).toString(), "plain text");
  EXPECT_EQ(shown(ctl("Plain"), "Editable").toBool(), false);

  host.fake->set("PRIMARY_VALUE", 13.25);
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "12.5");  // nothing before the host delivers
  deliver();
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "13.25");
  EXPECT_EQ(ctl("Value", 0).get(dispid::Text).toString(), "13.25");
  EXPECT_EQ(ctl("Plain").get(dispid::Text).toString(), "plain text");
}

TEST_F(ItemControls, EmptyOrUnknownItemNameLeavesTheControlUnbound) {
  configure();
  ctl("Tag").put(dispid::ItemName, Variant(""));
  ctl("Flow").put(dispid::ItemName, Variant("NO_SUCH_ITEM"));
  EXPECT_EQ(bind().toLong(), 2);
  EXPECT_EQ(host.fake->watchesOf("TAG"), 0);
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "");
  EXPECT_FALSE(shown(ctl("Flow"), "Editable").toBool());

  // Naming an item after the binding takes effect at once; clearing it again lets go.
  ctl("Tag").put(dispid::ItemName, Variant("TAG"));
  EXPECT_EQ(ctl("Tag").get(dispid::Text).toString(), "FT-101");
  EXPECT_EQ(shown(ctl("Handler"), "Bound").toLong(), 3);
  ctl("Tag").put(dispid::ItemName, Variant(""));
  EXPECT_EQ(host.fake->watchesOf("TAG"), 0);
  EXPECT_EQ(ctl("Tag").get(dispid::Text).toString(), "");  // the former item's text is not left behind
}

TEST_F(ItemControls, ReleaseItemsStopsFollowingEvenForNotificationsOnTheirWay) {
  configure();
  bind();
  EXPECT_EQ(host.fake->openWatches(), 5);  // LabelTextUnit watches value and unit
  host.fake->set("PRIMARY_VALUE", 99);     // posted, not yet delivered
  call(ctl("Handler"), dispid::ReleaseItems);
  EXPECT_EQ(host.fake->openWatches(), 0);
  EXPECT_EQ(shown(ctl("Handler"), "Bound").toLong(), 0);
  deliver();
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "12.5");
  EXPECT_FALSE(shown(ctl("Flow"), "Editable").toBool());
}

TEST_F(ItemControls, BindingTwiceReplacesTheEarlierBinding) {
  configure();
  bind();
  bind();
  EXPECT_EQ(host.fake->openWatches(), 5);  // not doubled

  fakehost::Host other = fakehost::makeHost();
  other.fake->number("PRIMARY_VALUE", 7);
  bindItems(*form, ctl("Handler"), other.aim);
  EXPECT_EQ(host.fake->openWatches(), 0);
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "7");
  host.fake->set("PRIMARY_VALUE", 1);
  deliver();
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "7");
  call(ctl("Handler"), dispid::ReleaseItems);
}

TEST_F(ItemControls, BindItemsChecksItsArgumentsAndKeepsTheBindingOnFailure) {
  configure();
  bind();
  auto& handler = ctl("Handler");
  Variant window(tolvar::controls::makeFormRef(*form));
  Variant aim(tolvar::controls::makeObjectRef(host.aim));
  EXPECT_EQ(errorOf([&] { call(handler, dispid::BindItems, {Variant(int32_t{1}), aim}); }), 424);
  EXPECT_EQ(errorOf([&] {
              call(handler, dispid::BindItems, {window, Variant(Ptr<platform::com::Dispatch>())});
            }),
            91);
  // The window where the item manager belongs and the other way round.
  EXPECT_EQ(errorOf([&] { call(handler, dispid::BindItems, {aim, window}); }), 13);
  Ptr<tolvar::AppletItemManager> bare(new fakehost::FakeItemManager);
  EXPECT_EQ(errorOf([&] { bindItems(*form, handler, bare); }), 430);
  EXPECT_EQ(errorOf([&] { call(handler, dispid::BindItems, {window}); }), 450);
  EXPECT_EQ(host.fake->openWatches(), 5);

  // The window may also come as a plain object reference.
  Variant asObject(tolvar::controls::makeObjectRef(Ptr<platform::com::Unknown>(form)));
  EXPECT_EQ(call(handler, dispid::BindItems, {asObject, aim}).toLong(), 4);
}

TEST_F(ItemControls, WrappersMadeByAComponentLibraryAreRecognised) {
  configure();
  auto& handler = ctl("Handler");
  EXPECT_EQ(
      call(handler, dispid::BindItems, {peerFormArgument(*form), peerObjectArgument(host.aim)}).toLong(), 4);
  EXPECT_EQ(&tolvar::controls::formArgument(peerFormArgument(*form)), form.get());
}

TEST_F(ItemControls, UnloadingTheWindowEndsEveryWatch) {
  configure();
  bind();
  ASSERT_GT(host.fake->openWatches(), 0);
  host.fake->set("PRIMARY_VALUE", 50);
  form->unload();  // without ReleaseItems
  EXPECT_EQ(host.fake->openWatches(), 0);
  deliver();  // the pending notification finds no control to update
}

// -------------------------------------------------------------------------------- text

TEST_F(ItemControls, TextEditWritesTheItemAndRefusedEditRestoresIt) {
  configure();
  host.fake->items["PRIMARY_VALUE"].lo = 0;
  host.fake->items["PRIMARY_VALUE"].hi = 100;
  bind();
  auto& flow = ctl("Flow");
  EXPECT_TRUE(shown(flow, "Editable").toBool());

  flow.userInput("text", Variant("42"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 42);
  EXPECT_EQ(flow.get(dispid::Text).toString(), "42");
  EXPECT_EQ(flow.propertyByName("LastError", {}).toString(), "");

  flow.userInput("text", Variant("150"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 42);
  EXPECT_EQ(flow.get(dispid::Text).toString(), "42");
  EXPECT_EQ(flow.propertyByName("LastError", {}).toString(), "Out of range");
  EXPECT_EQ(shown(flow, "LastError").toString(), "Out of range");

  flow.userInput("text", Variant("abc"));
  EXPECT_EQ(flow.propertyByName("LastError", {}).toString(), "Not a number");
  EXPECT_EQ(flow.get(dispid::Text).toString(), "42");

  EXPECT_EQ(host.fake->writes, 1);
}

TEST_F(ItemControls, AWindowSettingTheTextOfABoundFieldWritesNothing) {
  configure();
  host.fake->set("PRIMARY_VALUE", 12.0);
  bind();
  // What a window does at load: its design text, then "0" once the fields are bound.
  for (const char* name : {"Flow", "Value"}) {
    auto& c = name == std::string("Value") ? ctl("Value", 0) : ctl(name);
    c.put(dispid::Text, Variant("0"));
    EXPECT_EQ(c.get(dispid::Text).toString(), "12") << name << " keeps showing its item";
    EXPECT_EQ(c.propertyByName("LastError", {}).toString(), "") << name;
  }
  deliver();
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 12.0);
  EXPECT_EQ(host.fake->writes, 0);
  // Only the user's edit writes; a field that lets go of its item shows a given text again.
  ctl("Flow").userInput("text", Variant("7.5"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 7.5);
  ctl("Flow").put(dispid::ItemName, Variant(""));
  ctl("Flow").put(dispid::Text, Variant("0"));
  EXPECT_EQ(ctl("Flow").get(dispid::Text).toString(), "0");
  EXPECT_EQ(host.fake->writes, 1);
}

TEST_F(ItemControls, DisplayOnlyAndReadOnlyFieldsRefuseEdits) {
  configure();
  host.fake->items["TAG"].readOnly = true;
  ctl("Flow").put(dispid::ItemMode, Variant(int16_t{3}));
  bind();
  for (const char* name : {"Flow", "Tag"}) {
    auto& c = ctl(name);
    const std::string before = c.get(dispid::Text).toString();
    EXPECT_FALSE(shown(c, "Editable").toBool()) << name;
    c.userInput("text", Variant("1"));
    EXPECT_EQ(c.get(dispid::Text).toString(), before) << name;
    EXPECT_FALSE(c.propertyByName("LastError", {}).toString().empty()) << name;
  }
  EXPECT_EQ(host.fake->writes, 0);

  // Mode -1 (a selection field) is editable, any other mode but 0 is not.
  ctl("Flow").put(dispid::ItemMode, Variant(int16_t{-1}));
  EXPECT_TRUE(shown(ctl("Flow"), "Editable").toBool());
  ctl("Flow").put(dispid::ItemMode, Variant(int16_t{1}));
  EXPECT_FALSE(shown(ctl("Flow"), "Editable").toBool());
}

TEST_F(ItemControls, TextPropertiesReadBackByNumberAndByName) {
  auto& t = ctl("Flow");
  t.put(dispid::ItemName, Variant("PRIMARY_VALUE"));
  t.put(dispid::ItemMode, Variant(int16_t{3}));
  t.put(dispid::FieldFlag, Variant(true));
  EXPECT_EQ(t.propertyByName("ItemName", {}).toString(), "PRIMARY_VALUE");
  EXPECT_EQ(t.propertyByName("itemmode", {}).toInteger(), 3);
  EXPECT_TRUE(t.propertyByName("FieldFlag", {}).toBool());
  EXPECT_EQ(t.idOfName("Text"), dispid::Text);
  // Design properties of the window design come back as written.
  EXPECT_EQ(ctl("Plain").propertyByName("FontName", {}).toString(), "Arial");
  EXPECT_EQ(ctl("Plain").propertyByName("Alignment", {}).toLong(), 2);
  EXPECT_EQ(errorOf([&] { t.propertyByName("NoSuchProperty", {}); }), 438);
}

// ------------------------------------------------------------------------------- combo

TEST_F(ItemControls, ComboSelectsByTextAndByIndex) {
  configure();
  bind();
  auto& combo = ctl("UnitCombo");
  EXPECT_EQ(shown(combo, "Entries").toString(), "g/s\nkg/h\nt/h");
  EXPECT_EQ(combo.get(dispid::CurrentEntryText).toString(), "kg/h");
  EXPECT_TRUE(shown(combo, "Editable").toBool());

  combo.userInput("select", Variant("t/h"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_UNITS"), 75);
  EXPECT_EQ(combo.get(dispid::CurrentEntryText).toString(), "t/h");

  combo.userInput("select", Variant(int32_t{0}));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_UNITS"), 70);
  EXPECT_EQ(shown(combo, "Text").toString(), "g/s");

  combo.userInput("select", Variant("KG/H"));  // the user's spelling of an entry
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_UNITS"), 73);

  // A choice outside the entries writes nothing.
  combo.userInput("select", Variant(int32_t{3}));
  combo.userInput("select", Variant(int32_t{-1}));
  combo.userInput("select", Variant("lb/s"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_UNITS"), 73);
  EXPECT_EQ(combo.get(dispid::CurrentEntryText).toString(), "kg/h");
  EXPECT_NE(combo.propertyByName("LastError", {}).toString().find("lb/s"), std::string::npos);
  EXPECT_EQ(host.fake->writes, 3);
}

TEST_F(ItemControls, ComboFollowsTheHostAndDisplayOnlyComboDoesNotWrite) {
  configure();
  ctl("UnitCombo").put(dispid::ItemMode, Variant(int16_t{3}));
  bind();
  auto& combo = ctl("UnitCombo");
  host.fake->set("PRIMARY_UNITS", 70);
  deliver();
  EXPECT_EQ(combo.get(dispid::CurrentEntryText).toString(), "g/s");
  EXPECT_FALSE(shown(combo, "Editable").toBool());
  combo.userInput("select", Variant("t/h"));
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_UNITS"), 70);
}

// ---------------------------------------------------------------------- label-text-unit

TEST_F(ItemControls, LabelTextUnitFollowsItsUnitItem) {
  configure();
  bind();
  auto& v = ctl("Value", 0);
  EXPECT_EQ(shown(v, "LabelText").toString(), "Mass Flow:");
  EXPECT_EQ(shown(v, "Text").toString(), "12.5");
  EXPECT_EQ(shown(v, "UnitText").toString(), "kg/h");

  host.fake->set("PRIMARY_UNITS", 75);
  deliver();
  EXPECT_EQ(shown(v, "UnitText").toString(), "t/h");
  EXPECT_EQ(v.get(dispid::Text).toString(), "12.5");

  // Read back by number as the report does.
  EXPECT_EQ(v.get(dispid::UnitItemName).toString(), "PRIMARY_UNITS");
  EXPECT_EQ(v.get(dispid::LabelText).toString(), "Mass Flow:");
  EXPECT_EQ(v.get(dispid::UnitItemMode).toInteger(), 3);
  v.put(dispid::LabelFlag, Variant(true));
  EXPECT_TRUE(v.get(dispid::LabelFlag).toBool());
  EXPECT_FALSE(shown(v, "Editable").toBool());  // mode 3
}

TEST_F(ItemControls, LabelTextUnitWithoutUnitItemShowsTheValueItemsUnit) {
  host.fake->number("DENSITY", 998.2, "kg/m³");
  auto& v = ctl("Value", 0);
  v.put(dispid::ValueItemName, Variant("DENSITY"));
  v.put(dispid::LtuItemMode, Variant(int16_t{0}));
  bind();
  EXPECT_EQ(shown(v, "UnitText").toString(), "kg/m³");
  EXPECT_TRUE(shown(v, "Editable").toBool());
  v.userInput("text", Variant("1000"));
  EXPECT_EQ(host.fake->itemNumber("DENSITY"), 1000);
  v.userInput("text", Variant("x"));
  EXPECT_EQ(shown(v, "Text").toString(), "1000");
  EXPECT_EQ(shown(v, "LastError").toString(), "Not a number");
}

TEST_F(ItemControls, ControlsTellTheirSiteWhatChanged) {
  struct Recorder : platform::ui::ControlObserver {
    int changes = 0;
    void controlChanged(platform::ui::Control&, std::string_view) override { ++changes; }
  } rec;
  configure();
  auto& site = form->ctl("Flow");
  site.addObserver(&rec);
  bind();
  const int afterBind = rec.changes;
  EXPECT_GT(afterBind, 0);
  host.fake->set("PRIMARY_VALUE", 3);
  deliver();
  EXPECT_GT(rec.changes, afterBind);
  site.removeObserver(&rec);
}

TEST_F(ItemControls, SiteVisibleByItsDispatchNumber) {
  auto& t = ctl("Tag");
  t.put(dispid::ExtenderVisible, Variant(false));
  EXPECT_FALSE(form->ctl("Tag").visible());
  form->ctl("Tag").setVisible(true);
  EXPECT_TRUE(t.get(dispid::ExtenderVisible).toBool());
}

// The controls of one kind share their member table, but each keeps its own values: what a
// window sets on one field never shows in another, in the same window or in a second one.
TEST_F(ItemControls, ControlsOfOneKindKeepTheirOwnValues) {
  Ptr<Form> second = platform::com::makeObject<Form>("BindForm", kWindow);
  second->ensureLoaded();
  struct Case {
    std::string_view control;
    int32_t index;
    std::string_view property;
    Variant value;
  };
  const Case cases[] = {
      {"Flow", -1, "ItemName", Variant("PRIMARY_VALUE")},
      {"Flow", -1, "FieldFlag", Variant(true)},
      {"Tag", -1, "ItemMode", Variant(int16_t{3})},
      {"UnitCombo", -1, "ItemName", Variant("PRIMARY_UNITS")},
      {"Value", 0, "LabelText", Variant("Density:")},
      {"Value", 0, "UnitItemName", Variant("PRIMARY_UNITS")},
      {"Flow", -1, "FontName", Variant("Courier")},
      {"Tag", -1, "BackColor", Variant(int32_t{255})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.control) + "." + std::string(c.property));
    const Variant before = impl(*second, c.control, c.index).propertyByName(c.property, {});
    ctl(c.control, c.index).setPropertyByName(c.property, c.value);
    EXPECT_TRUE(ctl(c.control, c.index).propertyByName(c.property, {}).identical(c.value));
    EXPECT_TRUE(impl(*second, c.control, c.index).propertyByName(c.property, {}).identical(before));
  }
  // A field of the same kind beside it keeps its own as well.
  EXPECT_EQ(ctl("Tag").propertyByName("ItemName", {}).toString(), "");
  EXPECT_EQ(ctl("Tag").propertyByName("FontName", {}).toString(), "MS Sans Serif");
  EXPECT_EQ(ctl("Flow").propertyByName("ItemMode", {}).toInteger(), 0);

  // The first window gone, the second's fields still answer and bind.
  form->unload();
  impl(*second, "Flow").put(dispid::ItemName, Variant("PRIMARY_VALUE"));
  EXPECT_EQ(bindItems(*second, impl(*second, "Handler"), host.aim).toLong(), 1);
  EXPECT_EQ(impl(*second, "Flow").get(dispid::Text).toString(), "12.5");
  second->unload();
}

// A design property set back to its default reads the default and is drawn with it; each
// put that changes nothing tells the site nothing.
TEST_F(ItemControls, DesignPropertiesGoBackToTheirDefault) {
  struct Recorder : platform::ui::ControlObserver {
    int changes = 0;
    void controlChanged(platform::ui::Control&, std::string_view) override { ++changes; }
  } rec;
  auto& plain = ctl("Plain");
  form->ctl("Plain").addObserver(&rec);
  EXPECT_EQ(shown(plain, "FontName").toString(), "Arial");
  plain.setPropertyByName("FontName", Variant("MS Sans Serif"));
  EXPECT_EQ(rec.changes, 1);
  plain.setPropertyByName("FontName", Variant("MS Sans Serif"));
  EXPECT_EQ(rec.changes, 1);
  EXPECT_EQ(shown(plain, "FontName").toString(), "MS Sans Serif");
  plain.setPropertyByName("FontSize", Variant(12.0f));
  plain.setPropertyByName("FontSize", Variant(8.25f));
  EXPECT_EQ(rec.changes, 3);
  EXPECT_FLOAT_EQ(shown(plain, "FontSize").toSingle(), 8.25f);
  // Alignment 2 from the design stays; a value of another type is kept as given.
  EXPECT_EQ(shown(plain, "Alignment").toLong(), 2);
  plain.setPropertyByName("Alignment", Variant("1"));
  EXPECT_TRUE(shown(plain, "Alignment").isString());
  form->ctl("Plain").removeObserver(&rec);
}

TEST(HostControlRegistry, EveryProgIdMakesItsControl) {
  tolvar::controls::registerHostControls();
  auto& reg = platform::ui::UserControlRegistry::instance();
  const std::pair<const char*, const char*> expected[] = {
      {tolvar::progid::ItemHandler, "Tolvar4CtrlItemHandler"},
      {tolvar::progid::Text, "Tolvar4Text"},
      {tolvar::progid::Combo, "Tolvar4Combo"},
      {tolvar::progid::LabelTextUnit, "Tolvar4LabelTextUnit"},
      {tolvar::progid::Needle, "Tolvar4Needle"},
      {tolvar::progid::BarGraph, "Tolvar4BarGraph"},
      {tolvar::progid::Digital, "Tolvar4Digital"},
      {tolvar::progid::Plotter, "Tolvar4Plotter"},
  };
  for (auto& [progId, kind] : expected) {
    ASSERT_TRUE(reg.has(progId)) << progId;
    auto a = reg.create(progId);
    auto b = reg.create(progId);
    EXPECT_EQ(a->kind(), kind);
    EXPECT_NE(a.get(), b.get()) << "each placed control needs its own object";
  }
}

}  // namespace
