// Pages of a tab strip get their widgets when shown, with what the model holds by then, and
// give them back when left; tab captions change in place; a host control's changes before the
// next frame are shown once.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <algorithm>
#include <string>
#include <vector>

#include "frontend/qt/display_widgets.h"
#include "qt_test_support.h"

using namespace vtest;
using platform::com::Ptr;
using platform::ui::Control;

namespace {

// Two pages on a tab strip; the second is hidden, and holds a frame that is hidden too.
const char* kPagesDesign = R"({
  "form": {"name": "PagesForm", "props": {"Caption": "Seiten", "ClientWidth": 6000, "ClientHeight": 4500}},
  "controls": [
    {"name": "Tabs", "type": "TabStrip", "props": {"Left": 0, "Top": 0, "Width": 6000, "Height": 4200},
     "tabs": [{"key": "OneKey", "caption": "Eins"}, {"key": "TwoKey", "caption": "Zwei", "toolTipText": "zwei"}]},
    {"name": "PageOne", "type": "Frame", "props": {"Left": 150, "Top": 450, "Width": 5700, "Height": 3600}},
    {"name": "First", "type": "Label", "container": "PageOne",
     "props": {"Left": 150, "Top": 150, "Width": 1500, "Height": 255, "Caption": "eins"}},
    {"name": "PageTwo", "type": "Frame", "props": {"Left": 150, "Top": 450, "Width": 5700, "Height": 3600, "Visible": false}},
    {"name": "Caption", "type": "Label", "container": "PageTwo",
     "props": {"Left": 150, "Top": 150, "Width": 3000, "Height": 300, "Caption": "vorher"}},
    {"name": "Value", "type": "TextBox", "container": "PageTwo",
     "props": {"Left": 1500, "Top": 150, "Width": 1500, "Height": 300, "Text": "0"}},
    {"name": "Inner", "type": "Frame", "container": "PageTwo",
     "props": {"Left": 150, "Top": 900, "Width": 3000, "Height": 1500, "Caption": "innen", "Visible": false}},
    {"name": "Deep", "type": "TextBox", "container": "Inner",
     "props": {"Left": 150, "Top": 300, "Width": 1500, "Height": 300, "Text": "tief"}},
    {"name": "Row", "index": 0, "type": "Label", "container": "PageTwo",
     "props": {"Left": 150, "Top": 2700, "Width": 1500, "Height": 255, "Caption": "Zeile 0"}},
    {"name": "Tag", "type": "Tolvar4Text", "progId": "Test.Text", "container": "PageTwo",
     "props": {"Left": 3300, "Top": 150, "Width": 1500, "Height": 300}},
    {"name": "Back", "type": "CommandButton", "container": "PageTwo",
     "props": {"Left": 3300, "Top": 900, "Width": 1200, "Height": 375, "Caption": "Zurück"}},
    {"name": "Digits", "type": "Tolvar4Digital", "progId": "Test.Digital",
     "props": {"Left": 3300, "Top": 150, "Width": 1800, "Height": 600}}
  ]
})";

class Pages : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    f = openForm(kPagesDesign);
  }
  QWidget* w(const char* name, int32_t index = -1) { return frontEnd.widget(f->ctl(name, index)); }
  QTabBar* bar() { return w("Tabs")->findChild<QTabBar*>(); }
  // The strip's Click shows the selected tab's page, as the windows do: every page hidden,
  // then the selected one shown.
  void pagesFollowTabs() {
    f->on("Tabs", "Click", [this] {
      const bool two = f->tabStrip("Tabs").selectedKey() == "TwoKey";
      f->ctl("PageOne").setVisible(false);
      f->ctl("PageTwo").setVisible(false);
      f->ctl(two ? "PageTwo" : "PageOne").setVisible(true);
    });
  }
  // The user selects a tab; what that brings is drawn.
  void selectTab(int i) {
    bar()->setCurrentIndex(i);
    settle();
  }
  // The control whose widget is `widget` or the nearest that holds it; "" for none.
  std::string controlOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
      for (const auto& c : f->controls())
        if (frontEnd.widget(*c) == widget) return c->name();
    return {};
  }
  Ptr<MirrorForm> f;
};

}  // namespace

TEST_F(Pages, AHiddenPageGetsItsWidgetsWhenFirstShownWithWhatChangedMeanwhile) {
  ASSERT_EQ(caption(f->ctl("First")).in, w("PageOne"));
  ASSERT_NE(w("PageTwo"), nullptr);  // the page itself is there, hidden
  EXPECT_FALSE(w("PageTwo")->isVisibleTo(frontEnd.window(*f)));
  for (const char* name : {"Value", "Inner", "Deep"}) EXPECT_EQ(w(name), nullptr) << name;
  EXPECT_EQ(caption(f->ctl("Caption")).in, nullptr);  // not drawn yet

  // Changes while the page is hidden reach the widgets made later.
  f->ctl("Caption").setCaption("nachher");
  f->ctl("Value").setProperty("Text", Variant("42"));
  f->ctl("Value").setProperty("Left", Variant(1800.0f));
  f->ctl("Deep").setProperty("Text", Variant("unten"));

  f->ctl("PageOne").setVisible(false);
  f->ctl("PageTwo").setVisible(true);
  const frontend::qt::ShownText label = caption(f->ctl("Caption"));
  auto* value = qobject_cast<QLineEdit*>(w("Value"));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(label.text, QStringLiteral("nachher"));
  EXPECT_EQ(value->text(), QStringLiteral("42"));
  EXPECT_EQ(value->geometry(), QRect(120, 10, 100, 20));
  // Drawn by the page itself, the caption stays beneath the text box it overlaps although the
  // design names it first.
  EXPECT_EQ(label.in, w("PageTwo"));
  EXPECT_TRUE(label.area.intersects(value->geometry()));
  EXPECT_TRUE(value->isVisibleTo(frontEnd.window(*f)));

  // The hidden frame on the page gets its widget; what it holds waits for the frame.
  ASSERT_NE(w("Inner"), nullptr);
  EXPECT_FALSE(w("Inner")->isVisibleTo(frontEnd.window(*f)));
  EXPECT_EQ(w("Deep"), nullptr);
  f->ctl("Inner").setVisible(true);
  auto* deep = qobject_cast<QLineEdit*>(w("Deep"));
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->text(), QStringLiteral("unten"));
  EXPECT_EQ(deep->parentWidget(), w("Inner"));
}

TEST_F(Pages, APageHiddenAndShownInOneTurnKeepsItsWidgetsAndFollowsTheModel) {
  f->ctl("PageTwo").setVisible(true);
  QPointer<QWidget> value = w("Value");
  ASSERT_FALSE(value.isNull());
  f->ctl("PageTwo").setVisible(false);
  f->ctl("Caption").setCaption("später");
  f->ctl("Value").setProperty("Text", Variant("7"));
  f->ctl("PageTwo").setVisible(true);
  EXPECT_EQ(w("Value"), value.data());
  EXPECT_EQ(qobject_cast<QLineEdit*>(value.data())->text(), QStringLiteral("7"));
  EXPECT_EQ(caption(f->ctl("Caption")).text, QStringLiteral("später"));
  // A click on the selected tab hides every page and shows the same one again: it stays.
  pagesFollowTabs();
  selectTab(1);
  ASSERT_EQ(w("Value"), value.data());
  emit bar()->tabBarClicked(1);
  settle();
  EXPECT_EQ(w("Value"), value.data());
}

TEST_F(Pages, APageLeftGivesBackItsWidgetsAndIsMadeAnewFromWhatTheModelHoldsThen) {
  pagesFollowTabs();
  selectTab(1);
  QPointer<QWidget> value = w("Value");
  ASSERT_FALSE(value.isNull());
  auto* drawn = frontend::qt::DrawnControls::of(w("PageTwo"));
  ASSERT_NE(drawn, nullptr);
  const size_t captions = drawn->controls().size();
  // Left through a button on the page itself: its widget goes once its click is over.
  f->on("Back", "Click", [this] { f->tabStrip("Tabs").select(Variant("OneKey")); });
  qobject_cast<QPushButton*>(w("Back"))->click();
  settle();
  EXPECT_TRUE(value.isNull());
  for (const char* name : {"Value", "Inner", "Deep", "Tag", "Back"}) EXPECT_EQ(w(name), nullptr) << name;
  EXPECT_EQ(caption(f->ctl("Caption")).in, nullptr);
  EXPECT_TRUE(drawn->controls().empty());
  ASSERT_NE(w("PageTwo"), nullptr) << "the page itself stays";
  EXPECT_EQ(caption(f->ctl("First")).in, w("PageOne"));

  // What changed meanwhile shows when the page is selected again.
  f->ctl("Caption").setCaption("später");
  f->ctl("Value").setProperty("Text", Variant("7"));
  f->ctl("Value").setEnabled(false);
  f->ctl("Value").setProperty("ToolTipText", Variant("Wert"));
  f->ctl("Value").setProperty("BackColor", Variant(int32_t{0x0000FF}));  // red
  fake(*f, "Tag").set("Text", Variant("FT-7"));
  f->ctl("Inner").setCaption("innen 2");
  selectTab(1);
  auto* shown = qobject_cast<QLineEdit*>(w("Value"));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->text(), QStringLiteral("7"));
  EXPECT_FALSE(shown->isEnabled());
  EXPECT_EQ(shown->toolTip(), QStringLiteral("Wert"));
  EXPECT_EQ(shown->palette().color(QPalette::Active, QPalette::Base), QColor(255, 0, 0));
  EXPECT_TRUE(shown->isVisibleTo(frontEnd.window(*f)));
  EXPECT_EQ(qobject_cast<QLineEdit*>(w("Tag"))->text(), QStringLiteral("FT-7"));
  EXPECT_EQ(caption(f->ctl("Caption")).text, QStringLiteral("später"));
  EXPECT_EQ(caption(f->ctl("Caption")).in, w("PageTwo"));
  EXPECT_EQ(drawn->controls().size(), captions);
  // The hidden frame on the page is made hidden again; what it holds still waits for it.
  auto* inner = qobject_cast<QGroupBox*>(w("Inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->title(), QStringLiteral("innen 2"));
  EXPECT_FALSE(inner->isVisibleTo(frontEnd.window(*f)));
  EXPECT_EQ(w("Deep"), nullptr);
  // Shown once, the frame gives its own widgets back with the page.
  f->ctl("Inner").setVisible(true);
  ASSERT_NE(w("Deep"), nullptr);
  selectTab(0);
  EXPECT_EQ(w("Deep"), nullptr);
  selectTab(1);
  ASSERT_NE(w("Deep"), nullptr);
  EXPECT_EQ(w("Deep")->parentWidget(), w("Inner"));
  EXPECT_EQ(qobject_cast<QLineEdit*>(w("Deep"))->text(), QStringLiteral("tief"));
}

TEST_F(Pages, APageLeftInAWaitInsideAnInputGivesBackItsWidgetsWhenTheInputEnds) {
  pagesFollowTabs();
  selectTab(1);
  QPointer<QWidget> back = w("Back");
  bool keptMeanwhile = false;
  f->on("Back", "Click", [&] {
    f->tabStrip("Tabs").select(Variant("OneKey"));
    settle();  // as a message box waits
    keptMeanwhile = !back.isNull() && frontEnd.widget(f->ctl("Back")) == back.data();
  });
  qobject_cast<QPushButton*>(back.data())->click();
  EXPECT_TRUE(keptMeanwhile) << "the button went while its click was on the stack";
  settle();
  EXPECT_TRUE(back.isNull());
  EXPECT_EQ(w("Value"), nullptr);
}

TEST_F(Pages, APageMadeAnewKeepsItsTabOrderAndStacking) {
  QWidget* window = frontEnd.window(*f);
  window->activateWindow();
  ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == window; }));
  pagesFollowTabs();
  fake(*f, "Tag").set("Editable", Variant(true));
  selectTab(1);
  f->ctl("Tag").zOrder(1);  // behind the others
  f->ctl("Value").zOrder(0);
  f->ctl("Inner").setVisible(true);
  // The controls the Tab key walks through from the first field of the page, and the page's
  // widgets from the bottom up.
  auto walk = [&] {
    std::vector<std::string> stops;
    w("Value")->setFocus();
    for (int i = 0; i < 8; ++i) {
      stops.push_back(controlOf(QApplication::focusWidget()));
      key(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return stops;
  };
  auto stacking = [&] {
    std::vector<std::string> names;
    for (QObject* o : w("PageTwo")->children())
      if (o->isWidgetType()) names.push_back(controlOf(static_cast<QWidget*>(o)));
    return names;
  };
  const std::vector<std::string> tabOrder = walk(), stacked = stacking();
  ASSERT_EQ(tabOrder.front(), "Value");
  ASSERT_NE(std::find(tabOrder.begin(), tabOrder.end(), "Deep"), tabOrder.end());
  ASSERT_EQ(stacked.front(), "Tag");
  selectTab(0);
  ASSERT_EQ(w("Value"), nullptr);
  selectTab(1);
  EXPECT_EQ(walk(), tabOrder);
  EXPECT_EQ(stacking(), stacked);
}

TEST_F(Pages, MembersLoadedAndUnloadedWhileTheirPageIsHidden) {
  Control& one = f->loadControl("Row", 1);
  one.setCaption("Zeile 1");
  one.setVisible(true);
  Control& two = f->loadControl("Row", 2);
  EXPECT_EQ(frontEnd.widget(one), nullptr);
  f->unloadControl("Row", 2);
  (void)two;
  f->ctl("PageTwo").setVisible(true);
  settle();
  const frontend::qt::ShownText row = caption(f->ctl("Row", 1));
  EXPECT_EQ(row.text, QStringLiteral("Zeile 1"));
  EXPECT_EQ(row.in, w("PageTwo"));
  // Only the members present are drawn on the page, beside its other caption.
  auto* drawn = frontend::qt::DrawnControls::of(w("PageTwo"));
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->controls().size(), 3u);
}

TEST_F(Pages, ATabCaptionChangesInPlace) {
  auto& tabs = f->tabStrip("Tabs");
  QTabBar* bar = w("Tabs")->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  int currentChanges = 0;
  QObject::connect(bar, &QTabBar::currentChanged, [&](int) { ++currentChanges; });
  tabs.select(Variant("TwoKey"));
  ASSERT_EQ(bar->currentIndex(), 1);
  currentChanges = 0;
  tabs.setTabCaption(Variant("OneKey"), "Übersicht");
  tabs.setTabCaption(Variant("TwoKey"), "Werte");
  EXPECT_EQ(currentChanges, 0) << "the tabs were made anew";
  EXPECT_EQ(bar->count(), 2);
  EXPECT_EQ(bar->tabText(0), QStringLiteral("Übersicht"));
  EXPECT_EQ(bar->tabText(1), QStringLiteral("Werte"));
  EXPECT_EQ(bar->tabData(1).toString(), QStringLiteral("TwoKey"));
  EXPECT_EQ(bar->tabToolTip(1), QStringLiteral("zwei"));
  EXPECT_EQ(bar->currentIndex(), 1);
  // Tabs that come and go still rebuild the row, in the model's order.
  tabs.add(1, "MidKey", "Mitte");
  ASSERT_EQ(bar->count(), 3);
  EXPECT_EQ(bar->tabText(0), QStringLiteral("Mitte"));
  EXPECT_EQ(bar->tabToolTip(0), QString());
  EXPECT_EQ(bar->tabToolTip(2), QStringLiteral("zwei"));
  EXPECT_EQ(bar->currentIndex(), tabs.selectedPosition() - 1);
}

namespace {

// Sets its texts in Form_Load, as the windows do for the user's language.
class TextsOnLoadForm : public MirrorForm {
 public:
  TextsOnLoadForm() : MirrorForm(kPagesDesign, "PagesForm") {}
  int windowsAtLoad = -1;

 protected:
  void Form_Load() override {
    windowsAtLoad = static_cast<int>(QApplication::topLevelWidgets().size());
    tabStrip("Tabs").setTabCaption(Variant("OneKey"), "Overview");
    ctl("First").setCaption("first");
  }
};

}  // namespace

TEST_F(FrontEndTest, AWindowIsBuiltWhenItsFormIsFirstShownWithTheTextsOfFormLoad) {
  settle();
  const auto before = QApplication::topLevelWidgets().size();
  auto f = platform::com::makeObject<TextsOnLoadForm>();
  f->load();
  EXPECT_EQ(f->windowsAtLoad, before);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), before) << "built before the form is shown";
  f->show();
  settle();
  EXPECT_EQ(QApplication::topLevelWidgets().size(), before + 1);
  QTabBar* bar = frontEnd.widget(f->ctl("Tabs"))->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->tabText(0), QStringLiteral("Overview"));
  EXPECT_EQ(caption(f->ctl("First")).text, QStringLiteral("first"));
  // A loaded form that is never shown still gives its window when asked for it.
  auto hidden = platform::com::makeObject<TextsOnLoadForm>();
  hidden->load();
  ASSERT_NE(frontEnd.window(*hidden), nullptr);
  EXPECT_FALSE(frontEnd.window(*hidden)->isVisible());
  EXPECT_EQ(frontEnd.widget(hidden->ctl("Tabs"))->findChild<QTabBar*>()->tabText(0),
            QStringLiteral("Overview"));
  // Without an installed front end nothing is built.
  frontEnd.uninstall();
  auto alone = platform::com::makeObject<TextsOnLoadForm>();
  alone->load();
  EXPECT_EQ(frontEnd.window(*alone), nullptr);
  frontEnd.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
}

TEST_F(Pages, ChangesOfAHostControlBeforeTheNextFrameAreShownByOneRefresh) {
  FakeControl& digits = fake(*f, "Digits");
  auto* widget = dynamic_cast<frontend::qt::DigitalWidget*>(w("Digits"));
  ASSERT_NE(widget, nullptr);
  settle();
  const int before = digits.snapshots;
  digits.set("Caption", Variant("Durchfluss"));
  digits.set("Text", Variant("1"));
  digits.set("Text", Variant("2"));
  digits.set("UnitText", Variant("kg/h"));
  EXPECT_EQ(digits.snapshots, before) << "nothing is read before Qt draws again";
  settle();
  EXPECT_EQ(digits.snapshots, before + 1);
  EXPECT_EQ(widget->text(), QStringLiteral("2"));
  // The next change is shown again.
  digits.set("Text", Variant("3"));
  settle();
  EXPECT_EQ(digits.snapshots, before + 2);
  EXPECT_EQ(widget->text(), QStringLiteral("3"));
}

TEST_F(Pages, AnEditInAHostFieldIsNotLostWhenItsPageIsLeft) {
  QWidget* window = frontEnd.window(*f);
  window->activateWindow();
  ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == window; }));
  pagesFollowTabs();
  FakeControl& tag = fake(*f, "Tag");
  const std::string why = "\"17\" ist zu groß";
  auto note = [&] { return window->findChild<QLabel*>(QStringLiteral("FieldError")); };
  // A tab click commits the edit while its page still shows (the model takes no input from a
  // hidden field), once; an edit the host refuses keeps the page, the field saying why beside
  // it with the focus kept; a page the program switches away from keeps a field that holds an
  // edit, and the edit with it.
  struct Case {
    const char* name;
    bool focused;
    bool refused;
    bool byTab;
  };
  for (const Case& c : {Case{"focused, taken", true, false, true}, Case{"focused, refused", true, true, true},
                        Case{"typed without the focus", false, false, true},
                        Case{"left by the program", false, false, false}}) {
    SCOPED_TRACE(c.name);
    tag.refuseWith.clear();
    tag.set("LastError", Variant(""));
    tag.set("Text", Variant("5"));
    tag.set("Editable", Variant(true));
    selectTab(1);
    QPointer<QLineEdit> edit = qobject_cast<QLineEdit*>(w("Tag"));
    ASSERT_FALSE(edit.isNull());
    ASSERT_EQ(edit->text(), QStringLiteral("5"));
    if (c.focused) {
      edit->setFocus();
      ASSERT_EQ(QApplication::focusWidget(), edit.data());
    } else {
      w("Back")->setFocus();
    }
    edit->selectAll();
    type(edit, QStringLiteral("17"));
    if (c.refused) tag.refuseWith = why;
    const size_t before = tag.inputs.size();
    if (c.byTab) {
      selectTab(0);
    } else {
      f->tabStrip("Tabs").select(Variant("OneKey"));
      settle();
    }
    if (c.byTab) {
      ASSERT_EQ(tag.inputs.size(), before + 1);
      EXPECT_EQ(tag.inputs.back(), (std::pair<std::string, std::string>{"text", "17"}));
    } else {
      EXPECT_FALSE(edit.isNull()) << "the field went with its edit";
      EXPECT_EQ(tag.inputs.size(), before);
    }
    if (c.refused) {
      EXPECT_TRUE(f->ctl("PageTwo").visible()) << "a refused edit let the page go";
      EXPECT_EQ(bar()->currentIndex(), 1);
      ASSERT_FALSE(edit.isNull());
      EXPECT_EQ(edit->text(), QStringLiteral("5"));
      EXPECT_EQ(edit->toolTip(), QString::fromStdString(why));
      ASSERT_NE(note(), nullptr);
      EXPECT_TRUE(note()->isVisible());
      EXPECT_EQ(QApplication::focusWidget(), edit.data());
      selectTab(0);  // nothing is held any more: the page goes
      EXPECT_FALSE(f->ctl("PageTwo").visible());
      EXPECT_EQ(tag.inputs.size(), before + 1);
      continue;
    }
    EXPECT_FALSE(f->ctl("PageTwo").visible());
    if (c.byTab) {
      EXPECT_TRUE(edit.isNull()) << "the page kept its widgets";
    }

    selectTab(1);
    edit = qobject_cast<QLineEdit*>(w("Tag"));
    ASSERT_FALSE(edit.isNull());
    EXPECT_EQ(edit->text(), QStringLiteral("17"));
    EXPECT_EQ(edit->toolTip(), QString());
    EXPECT_TRUE(note() == nullptr || !note()->isVisible());
    if (!c.byTab) key(edit, Qt::Key_Return);  // the edit kept is committed when the user finishes it
    EXPECT_EQ(tag.inputs.size(), before + 1);
    selectTab(0);
  }
}
