#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/form_dump.h"
#include "test_forms.h"

using namespace platform::ui;
using platform::com::makeObject;
using platform::com::RuntimeError;
using platform::com::Variant;
using platform::com::VarType;

namespace {

struct Recorder : ControlObserver {
  std::vector<std::string> seen;
  void controlChanged(Control&, std::string_view what) override { seen.emplace_back(what); }
};

// A control of its own kind: declares a name no other control has, both Caption and Text
// (one typed field for the two), and stores without conversion as a form's loader does.
class ProbeControl : public Control {
 public:
  explicit ProbeControl(Form& form) : Control(form, ControlType::User, "Probe", -1) {
    declare("Caption", Variant(std::string("c")));
    declare("Text", Variant(std::string("t")));
    declare("GaugeReading", Variant(1.5));
    declare("Left", Variant(0.0f));
  }
  using Control::boolById;
  using Control::declare;
  using Control::store;
  using Control::storeBoolById;
};

int32_t idOf(const char* name) {
  return PropertyStore::propertyId(name);
}

}  // namespace

TEST(PropertyStore, DefaultsKeepTheirTypesForEveryKind) {
  auto f = makeObject<SampleForm>();
  struct Case {
    const char* control;
    int32_t index;
    const char* property;
    VarType type;
    std::string text;
  };
  const Case cases[] = {
      {"Row", 0, "Width", VarType::Single, "1215"},
      {"Row", 0, "FontSize", VarType::Single, "8.25"},
      {"Row", 0, "BackColor", VarType::Long, std::to_string(static_cast<int32_t>(0x8000000Fu))},
      {"Row", 0, "TabIndex", VarType::Integer, "0"},
      {"Row", 0, "Visible", VarType::Boolean, "True"},
      {"Row", 0, "FontItalic", VarType::Boolean, "False"},
      {"Row", 0, "Tag", VarType::Empty, ""},
      {"Row", 2, "Name", VarType::String, "Row"},
      {"Row", 2, "Index", VarType::Long, "2"},
      {"Edit", -1, "BackColor", VarType::Long, std::to_string(static_cast<int32_t>(0x80000005u))},
      {"Tick", -1, "Width", VarType::Single, "420"},
      {"Opt", 1, "Value", VarType::Boolean, "False"},
      {"Log", -1, "ListIndex", VarType::Long, "-1"},
      {"Dlg", -1, "Copies", VarType::Integer, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.control) + "." + c.property);
    Variant v = f->ctl(c.control, c.index).getProperty(c.property);
    EXPECT_EQ(v.type(), c.type);
    EXPECT_EQ(v.toString(), c.text);
  }
}

TEST(PropertyStore, NamesAreCaseInsensitiveAndChangesCarryTheDeclaredSpelling) {
  auto f = makeObject<SampleForm>();
  Control& row = f->ctl("Row", 0);
  Recorder r;
  row.addObserver(&r);
  row.setProperty("CAPTION", Variant("up"));
  row.setProperty("left", Variant(30));
  row.setProperty("borderSTYLE", Variant(1));
  row.setProperty("tag", Variant("t"));
  EXPECT_EQ(row.getProperty("Caption").toString(), "up");
  EXPECT_EQ(row.getProperty("LEFT").toSingle(), 30.0f);
  EXPECT_EQ(row.getProperty("BorderStyle").toInteger(), 1);
  EXPECT_EQ(row.getProperty("TAG").toString(), "t");
  EXPECT_EQ(r.seen, (std::vector<std::string>{"Caption", "Left", "BorderStyle", "Tag"}));
  EXPECT_EQ(PropertyStore::propertyId("caption"), PropertyStore::propertyId("Caption"));
  EXPECT_GE(PropertyStore::propertyId("Caption"), 0);
  EXPECT_EQ(PropertyStore::propertyId("NoSuchPropertyAnywhere"), -1);
  for (const char* missing : {"Lef", "Left2", "", "Caption.", "NoSuchPropertyAnywhere"}) {
    SCOPED_TRACE(missing);
    EXPECT_FALSE(row.hasProperty(missing));
    EXPECT_THROW(row.getProperty(missing), RuntimeError);
    EXPECT_THROW(row.setProperty(missing, Variant(1)), RuntimeError);
  }
  row.removeObserver(&r);
}

TEST(PropertyStore, RareAndCommonValuesBelongToTheirControlAndNotifyOnlyRealChanges) {
  auto f = makeObject<SampleForm>();
  Control& a = f->ctl("Row", 0);
  Control& b = f->ctl("Row", 2);
  Recorder r;
  a.addObserver(&r);
  a.setProperty("WordWrap", Variant(true));  // rare
  a.setProperty("WordWrap", Variant(true));
  a.setProperty("Height", Variant(99.0f));  // common
  a.setProperty("Height", Variant(99));
  a.setProperty("WordWrap", Variant(false));  // back to its default
  EXPECT_EQ(r.seen, (std::vector<std::string>{"WordWrap", "Height", "WordWrap"}));
  EXPECT_FALSE(a.getProperty("WordWrap").toBool());
  EXPECT_FALSE(b.getProperty("WordWrap").toBool());
  EXPECT_EQ(b.getProperty("Height").toSingle(), 375.0f);
  EXPECT_EQ(b.caption(), "row 2");
  a.removeObserver(&r);
  // One name, another type on another kind of control.
  f->ctl("Opt", 1).setProperty("Value", Variant(1));
  EXPECT_EQ(f->ctl("Opt", 1).getProperty("Value").type(), VarType::Boolean);
}

TEST(PropertyStore, AValueSetEmptyIsNotANeverSetOne) {
  auto f = makeObject<SampleForm>();
  Control& a = f->ctl("Row", 0);
  EXPECT_TRUE(a.getProperty("Tag").isEmpty());
  a.setProperty("Tag", Variant(""));
  EXPECT_EQ(a.getProperty("Tag").type(), VarType::String);
  a.setProperty("ToolTipText", Variant("tip"));
  a.setProperty("ToolTipText", Variant(""));
  EXPECT_EQ(a.getProperty("ToolTipText").type(), VarType::String);
  std::string dump = dumpFormJson(*f);
  // The dump tells the two Tags apart: "" for the one set empty, null for the others.
  EXPECT_NE(dump.find("\"Tag\": \"\""), std::string::npos);
  EXPECT_NE(dump.find("\"Tag\": null"), std::string::npos);
}

TEST(PropertyStore, PropertiesComeInCaseInsensitiveOrderWithTheirSpelling) {
  auto f = makeObject<SampleForm>();
  std::vector<std::string> names;
  for (auto& [k, v] : f->ctl("Row", 0).properties()) names.push_back(k);
  const std::vector<std::string> expected = {
      "Alignment", "Appearance",    "AutoSize",    "BackColor", "BackStyle",    "BorderStyle",   "Caption",
      "Enabled",   "FontBold",      "FontItalic",  "FontName",  "FontSize",     "FontUnderline", "ForeColor",
      "Height",    "HelpContextID", "Index",       "Left",      "MousePointer", "Name",          "TabIndex",
      "TabStop",   "Tag",           "ToolTipText", "Top",       "Visible",      "Width",         "WordWrap"};
  EXPECT_EQ(names, expected);
  // Every control: sorted, no name twice.
  for (auto& c : f->controls()) {
    auto props = c->properties();
    for (size_t i = 1; i < props.size(); ++i)
      EXPECT_TRUE(NoCaseLess()(props[i - 1].first, props[i].first))
          << c->qualifiedName() << " " << props[i].first;
  }
}

TEST(PropertyStore, AControlOfItsOwnKindDeclaresAndStoresAnything) {
  auto f = makeObject<SampleForm>();
  ProbeControl p(*f);
  EXPECT_EQ(p.caption(), "c");
  EXPECT_EQ(p.text(), "t");
  p.setText("T");
  p.setCaption("C");
  EXPECT_EQ(p.text(), "T");
  EXPECT_EQ(p.caption(), "C");
  EXPECT_EQ(p.getProperty("gaugereading").toDouble(), 1.5);
  // A rare number keeps the sign of a zero set after another value (a dump tells them apart).
  p.setProperty("GaugeReading", Variant(5.0));
  p.setProperty("GaugeReading", Variant(-0.0));
  EXPECT_TRUE(std::signbit(p.getProperty("GaugeReading").toDouble()));
  // Stored without conversion: the value keeps its type, and the next conversion follows it.
  p.store("Left", Variant(int32_t{7}));
  EXPECT_EQ(p.getProperty("Left").type(), VarType::Long);
  p.store("Left", Variant(8.0f));
  EXPECT_EQ(p.getProperty("Left").type(), VarType::Single);
  EXPECT_EQ(p.left(), 8.0f);
  // Declared again: the new default and its type, the first spelling.
  p.declare("LEFT", Variant(int16_t{3}));
  EXPECT_EQ(p.getProperty("Left").type(), VarType::Integer);
  EXPECT_EQ(p.getProperty("Left").toInteger(), 3);
  auto props = p.properties();
  EXPECT_EQ(props.size(), 7u);
  EXPECT_EQ(props[3].first, "Left");
  // Two probes share what they declared, not their values.
  ProbeControl q(*f);
  EXPECT_EQ(q.text(), "t");
  EXPECT_EQ(q.getProperty("Left").type(), VarType::Single);
}

TEST(PropertyStore, BooleansAreReadAndSwitchedByNumberOnlyWhileTheyHoldABoolean) {
  auto f = makeObject<SampleForm>();
  ProbeControl p(*f);
  p.declare("Visible", Variant(true));   // a typed field
  p.declare("Checked", Variant(false));  // a rare one
  Recorder r;
  p.addObserver(&r);
  EXPECT_EQ(p.boolById(idOf("Visible")), true);
  EXPECT_EQ(p.boolById(idOf("Checked")), false);
  // Switched: stored, told once; the same value again is no change.
  EXPECT_TRUE(p.storeBoolById(idOf("Checked"), true));
  EXPECT_TRUE(p.storeBoolById(idOf("Checked"), true));
  EXPECT_TRUE(p.storeBoolById(idOf("visible"), false));
  EXPECT_EQ(p.getProperty("Checked").toBool(), true);
  EXPECT_EQ(p.getProperty("Visible").type(), VarType::Boolean);
  EXPECT_FALSE(p.visible());
  EXPECT_EQ(r.seen, (std::vector<std::string>{"Checked", "Visible"}));
  // Any other type is left alone, and so is a name the control never declared.
  p.store("Visible", Variant(int32_t{1}));
  p.store("Checked", Variant(std::string("yes")));
  for (const char* name : {"Visible", "Checked", "Caption", "GaugeReading"}) {
    SCOPED_TRACE(name);
    const Variant before = p.getProperty(name);
    EXPECT_EQ(p.boolById(idOf(name)), std::nullopt);
    EXPECT_FALSE(p.storeBoolById(idOf(name), true));
    EXPECT_TRUE(p.getProperty(name).identical(before));
  }
  EXPECT_FALSE(p.storeBoolById(idOf("Interval"), true));  // declared by timers, not here
  EXPECT_EQ(r.seen.size(), 4u);
  p.removeObserver(&r);
}

TEST(PropertyStore, AnObserverThatLeavesWhileToldIsToldOnceAndTheOthersStillHearIt) {
  auto f = makeObject<SampleForm>();
  ProbeControl p(*f);
  struct Leaver : ControlObserver {
    Control* from = nullptr;
    ControlObserver* also = nullptr;  // leaves with this one
    int told = 0;
    void controlChanged(Control&, std::string_view) override {
      ++told;
      from->removeObserver(this);
      if (also) from->removeObserver(also);
    }
  };
  Leaver alone;
  alone.from = &p;
  p.addObserver(&alone);
  p.setCaption("one");
  p.setCaption("two");
  EXPECT_EQ(alone.told, 1);
  // Of two, the first takes the second along: that one is not told any more.
  Leaver first, second;
  first.from = second.from = &p;
  first.also = &second;
  p.addObserver(&first);
  p.addObserver(&second);
  p.setCaption("three");
  EXPECT_EQ(first.told, 1);
  EXPECT_EQ(second.told, 0);
}
