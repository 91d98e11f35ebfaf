// What the user does in a window reaches the model as its events, and the window then
// shows what the model decided.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextCursor>
#include <QToolTip>

#include "frontend/qt/display_widgets.h"
#include "qt_test_support.h"

using namespace vtest;
using platform::ui::EventArgs;

namespace {

void rightRelease(QWidget* w, QPoint pos) {
  QPointF global = w->mapToGlobal(QPointF(pos));
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

}  // namespace

using WindowInput = FrontEndTest;
using WindowInputWithServices = FrontEndWithServicesTest;

TEST_F(WindowInput, ButtonClickRunsTheHandler) {
  auto f = openForm();
  int clicks = 0;
  f->on("Apply", "Click", [&] { ++clicks; });
  widgetAs<QPushButton>(f->ctl("Apply"))->click();
  EXPECT_EQ(clicks, 1);
  // A disabled button takes no click.
  f->ctl("Apply").setEnabled(false);
  widgetAs<QPushButton>(f->ctl("Apply"))->click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(WindowInput, EnterAndEscapePressTheDefaultAndCancelButtons) {
  auto f = openForm();
  int applied = 0;
  f->on("Apply", "Click", [&] { ++applied; });
  QWidget* win = frontEnd.window(*f);
  key(win, Qt::Key_Return);
  EXPECT_EQ(applied, 0);  // no default button yet
  f->ctl("Apply").setProperty("Default", Variant(true));
  key(win, Qt::Key_Return);
  EXPECT_EQ(applied, 1);
  key(win, Qt::Key_Escape);
  EXPECT_EQ(applied, 1);
  f->ctl("Apply").setProperty("Cancel", Variant(true));
  key(win, Qt::Key_Escape);
  EXPECT_EQ(applied, 2);
  f->ctl("Apply").setEnabled(false);
  key(win, Qt::Key_Return);
  EXPECT_EQ(applied, 2);
}

TEST_F(WindowInput, AnErrorInAHandlerIsReportedNotThrownIntoQt) {
  auto f = openForm();
  f->on("Apply", "Click", [] { platform::com::raise(5, "Invalid procedure call"); });
  widgetAs<QPushButton>(f->ctl("Apply"))->click();
  ASSERT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
  EXPECT_NE(platform::ui::EventLoop::instance().errors().front().find("Run-time error 5"), std::string::npos);
}

TEST_F(WindowInput, TypingChangesTheTextAndRaisesChangeUnlessLocked) {
  auto f = openForm();
  int changes = 0;
  f->on("Edit", "Change", [&] { ++changes; });
  auto* edit = widgetAs<QLineEdit>(f->ctl("Edit"));
  edit->setFocus();
  edit->end(false);
  type(edit, QStringLiteral("dä"));
  EXPECT_EQ(f->ctl("Edit").text(), "abcdä");
  EXPECT_EQ(changes, 2);
  // A handler that rewrites the text: the box shows the model's text.
  f->on("Edit", "Change", [&] {
    std::string t = f->ctl("Edit").text();
    if (t != "fest") f->ctl("Edit").setText("fest");
  });
  type(edit, QStringLiteral("x"));
  EXPECT_EQ(edit->text(), QStringLiteral("fest"));
  f->ctl("Edit").setProperty("Locked", Variant(true));
  EXPECT_TRUE(edit->isReadOnly());
}

TEST_F(WindowInput, MultiLineTextKeepsItsLineBreaksAsCrLf) {
  auto f = openForm();
  auto* notes = widgetAs<QPlainTextEdit>(f->ctl("Notes"));
  notes->setFocus();
  notes->moveCursor(QTextCursor::End);
  key(notes, Qt::Key_Return);
  type(notes, QStringLiteral("c"));
  EXPECT_EQ(f->ctl("Notes").text(), "a\r\nb\r\nc");
  f->ctl("Notes").setText("x\r\ny");
  EXPECT_EQ(notes->toPlainText(), QStringLiteral("x\ny"));
}

TEST_F(WindowInput, OptionButtonsAndCheckBoxesAskTheModel) {
  auto f = openForm();
  std::vector<int> clicked;
  f->on("Opt", "Click", [&](EventArgs& a) { clicked.push_back(a.index); });
  auto* second = widgetAs<QRadioButton>(f->ctl("Opt", 1));
  second->click();
  EXPECT_EQ(clicked, std::vector<int>{1});
  EXPECT_TRUE(f->ctl("Opt", 1).getProperty("Value").toBool());
  EXPECT_FALSE(f->ctl("Opt", 0).getProperty("Value").toBool());
  EXPECT_FALSE(widgetAs<QRadioButton>(f->ctl("Opt", 0))->isChecked());
  // A click on the option that is on leaves it on (the widget would toggle it off).
  second->click();
  EXPECT_TRUE(second->isChecked());
  EXPECT_TRUE(f->ctl("Opt", 1).getProperty("Value").toBool());

  int checks = 0;
  f->on("Check", "Click", [&] { ++checks; });
  widgetAs<QCheckBox>(f->ctl("Check"))->click();
  EXPECT_EQ(f->ctl("Check").getProperty("Value").toInteger(), 1);
  EXPECT_EQ(checks, 1);
  // Disabled: the model refuses and the widget keeps showing the model's value.
  f->ctl("Check").setEnabled(false);
  widgetAs<QCheckBox>(f->ctl("Check"))->click();
  EXPECT_EQ(f->ctl("Check").getProperty("Value").toInteger(), 1);
}

TEST_F(WindowInput, MenusRaiseClickAndOpeningAMenuToo) {
  auto f = openForm();
  std::vector<std::string> seen;
  f->on("MenuSave", "Click", [&] { seen.push_back("save"); });
  f->on("MenuFile", "Click", [&] {
    seen.push_back("file");
    f->menu("MenuSave").setEnabled(false);  // handlers bring entries up to date before they show
  });
  QAction* file = frontEnd.menuAction(f->menu("MenuFile"));
  emit file->menu()->aboutToShow();
  EXPECT_EQ(seen, (std::vector<std::string>{"file"}));
  EXPECT_FALSE(frontEnd.menuAction(f->menu("MenuSave"))->isEnabled());
  f->menu("MenuSave").setEnabled(true);
  frontEnd.menuAction(f->menu("MenuSave"))->trigger();
  EXPECT_EQ(seen.back(), "save");
}

TEST_F(WindowInput, SelectingATabReachesTheModelAndReselectingClicksAgain) {
  auto f = openForm();
  std::vector<std::string> clicks;
  f->on("Tabs", "Click", [&] { clicks.push_back(f->tabStrip("Tabs").selectedKey()); });
  QTabBar* bar = frontEnd.widget(f->ctl("Tabs"))->findChild<QTabBar*>();
  bar->setCurrentIndex(1);
  settle();
  EXPECT_EQ(f->tabStrip("Tabs").selectedKey(), "BKey");
  EXPECT_EQ(clicks, std::vector<std::string>{"BKey"});
  emit bar->tabBarClicked(1);
  settle();
  EXPECT_EQ(clicks.size(), 2u);
  // A handler that sends the user back: the strip shows the model's choice.
  f->tabStrip("Tabs").select(Variant("AKey"));
  EXPECT_EQ(bar->currentIndex(), 0);
  f->on("Tabs", "Click", [&] {
    if (f->tabStrip("Tabs").selectedKey() != "AKey") f->tabStrip("Tabs").select(Variant("AKey"));
  });
  bar->setCurrentIndex(1);
  settle();
  EXPECT_EQ(bar->currentIndex(), 0);
}

// A disabled tab is greyed; the arrow keys pass over it to the tabs behind it, and a click
// on it changes nothing.
TEST_F(WindowInput, ArrowKeysSkipADisabledTab) {
  auto f = openForm();
  platform::ui::TabStripControl& ts = f->tabStrip("Tabs");
  ts.add(0, "CKey", "C");
  ts.setTabEnabled(Variant("BKey"), false);
  settle();
  QTabBar* bar = frontEnd.widget(f->ctl("Tabs"))->findChild<QTabBar*>();
  ASSERT_EQ(bar->count(), 3);
  EXPECT_FALSE(bar->isTabEnabled(1));
  EXPECT_TRUE(bar->isTabEnabled(2));
  std::vector<std::string> clicks;
  f->on("Tabs", "Click", [&] { clicks.push_back(ts.selectedKey()); });
  QPoint onB = bar->tabRect(1).center();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(onB), bar->mapToGlobal(QPointF(onB)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &press);
  settle();
  EXPECT_EQ(ts.selectedKey(), "AKey");
  key(bar, Qt::Key_Right);
  settle();
  EXPECT_EQ(ts.selectedKey(), "CKey");
  key(bar, Qt::Key_Left);
  settle();
  EXPECT_EQ(ts.selectedKey(), "AKey");
  EXPECT_EQ(clicks, (std::vector<std::string>{"CKey", "AKey"}));
  ts.setTabEnabled(Variant("BKey"), true);
  EXPECT_TRUE(bar->isTabEnabled(1));
  key(bar, Qt::Key_Right);
  settle();
  EXPECT_EQ(ts.selectedKey(), "BKey");
}

TEST_F(WindowInput, TheCloseBoxAsksTheFormWhichMayRefuse) {
  auto f = openForm();
  QPointer<QWidget> win = frontEnd.window(*f);
  f->refuseClose = 1;
  EXPECT_FALSE(win->close());
  settle();
  EXPECT_EQ(f->events.back(), "QueryUnload0");
  EXPECT_TRUE(f->isLoaded());
  ASSERT_FALSE(win.isNull());
  EXPECT_TRUE(win->isVisible());
  f->refuseClose = 0;
  EXPECT_TRUE(win->close());  // accepted: Qt counts the window as closed
  settle();
  EXPECT_FALSE(f->isLoaded());
  EXPECT_TRUE(win.isNull());
}

TEST_F(WindowInput, AUserResizeRaisesResizeAndTheModelMaySetTheSizeBack) {
  auto f = openForm();
  QWidget* win = frontEnd.window(*f);
  int mb = frontEnd.menuBar(*f)->height();
  f->events.clear();
  win->resize(700, 500 + mb);
  settle();
  EXPECT_EQ(f->events, std::vector<std::string>{"Resize"});
  EXPECT_FLOAT_EQ(f->scaleWidth(), 700 * 15);
  EXPECT_FLOAT_EQ(f->scaleHeight(), 500 * 15);
  EXPECT_FLOAT_EQ(f->width(), 700 * 15 + 2 * platform::ui::kBorderTwips);
  // A form with a minimum size puts it back; the window follows the model.
  f->onResize = [&] {
    if (f->scaleWidth() < 6000) f->setWidth(6000 + 2 * platform::ui::kBorderTwips);
  };
  win->resize(200, 500 + mb);
  settle();
  EXPECT_FLOAT_EQ(f->scaleWidth(), 6000);
  EXPECT_EQ(win->width(), 400);
  EXPECT_EQ(frontEnd.clientArea(*f)->width(), 400);
}

TEST_F(WindowInput, MinimisingTheWindowSetsTheWindowState) {
  auto f = openForm();
  QWidget* win = frontEnd.window(*f);
  f->events.clear();
  win->showMinimized();
  settle();
  EXPECT_EQ(f->windowState(), platform::ui::kMinimized);
  EXPECT_FALSE(f->events.empty());
  EXPECT_EQ(f->events.back(), "Resize");
  win->showNormal();
  settle();
  EXPECT_EQ(f->windowState(), platform::ui::kNormal);
}

TEST_F(WindowInput, RightButtonReleaseGoesToTheControlOrTheForm) {
  auto f = openForm();
  std::vector<std::string> ups;
  f->on("Title", "MouseUp", [&](EventArgs& a) {
    ups.push_back(std::to_string(a.button) + " " + std::to_string(static_cast<int>(a.x)) + " " +
                  std::to_string(static_cast<int>(a.y)));
  });
  const frontend::qt::ShownText title = caption(f->ctl("Title"));
  rightRelease(title.in, title.area.topLeft() + QPoint(10, 4));
  EXPECT_EQ(ups, std::vector<std::string>{"2 150 60"});  // twips, relative to the label
  EXPECT_TRUE(f->events.empty() || f->events.back().rfind("MouseUp", 0) != 0);  // not the form's too
  rightRelease(frontEnd.clientArea(*f), QPoint(590, 400));
  ASSERT_FALSE(f->events.empty());
  EXPECT_EQ(f->events.back(), "MouseUp 2 8850 6000");

  // A text box whose right button the form handles shows no edit menu of its own.
  f->on("Edit", "MouseUp", [] {});
  bool ownMenu = false, looked = false;
  // Looks for a menu once one shows, or after half a second at the latest.
  auto watch1 = whenReady([] { return QApplication::activePopupWidget() != nullptr; },
                          [&] {
                            looked = true;
                            if (QWidget* p = QApplication::activePopupWidget()) {
                              ownMenu = true;
                              p->close();
                            }
                          },
                          500);
  QWidget* edit = frontEnd.widget(f->ctl("Edit"));
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
  QCoreApplication::sendEvent(edit, &menu);
  waitFor([&] { return looked; });
  EXPECT_FALSE(ownMenu);
}

TEST_F(WindowInput, TheRightButtonOnAPartOfAControlsWidgetIsTheControls) {
  auto f = openForm();
  std::vector<std::string> ups;
  for (const char* name : {"Notes", "Edit", "PageFrame"})
    f->on(name, "MouseUp", [&ups, name] { ups.push_back(name); });
  rightRelease(widgetAs<QPlainTextEdit>(f->ctl("Notes"))->viewport(), QPoint(5, 5));
  // A widget made anew (one line becomes several) takes the right button as the old one did.
  f->ctl("Edit").setProperty("MultiLine", Variant(true));
  settle();
  auto* edit = widgetAs<QPlainTextEdit>(f->ctl("Edit"));
  ASSERT_NE(edit, nullptr);
  rightRelease(edit->viewport(), QPoint(5, 5));
  rightRelease(frontEnd.widget(f->ctl("PageFrame")), QPoint(2, 200));
  EXPECT_EQ(ups, (std::vector<std::string>{"Notes", "Edit", "PageFrame"}));
}

TEST_F(WindowInputWithServices, PopupMenuShowsTheEntriesAndTheChosenOneClicks) {
  auto f = openForm();
  std::vector<int> chosen;
  f->on("PopupEntry", "Click", [&](EventArgs& a) { chosen.push_back(a.index); });
  f->on("Title", "MouseUp", [&] { f->popupMenu(f->menu("PopupMenu")); });
  QStringList shown;
  auto watch2 = whenReady([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; },
                          [&] {
                            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                            if (!menu) return;
                            for (QAction* a : menu->actions()) shown << a->text();
                            menu->actions().at(1)->trigger();
                            menu->close();
                          });
  const frontend::qt::ShownText title = caption(f->ctl("Title"));
  rightRelease(title.in, title.area.topLeft() + QPoint(5, 5));
  EXPECT_EQ(shown, (QStringList{QStringLiteral("Eintrag 0"), QStringLiteral("Eintrag 1")}));
  EXPECT_EQ(chosen, std::vector<int>{1});
}

TEST_F(WindowInput, ALabelItsFrameDrawsTakesItsOwnClicksAndTipWhileEnabled) {
  auto f = openForm();
  std::vector<std::string> seen;
  for (const char* name : {"Title", "PageFrame"})
    for (const char* event : {"DblClick", "MouseUp"})
      f->on(name, event, [&seen, name, event] { seen.push_back(std::string(name) + " " + event); });
  const frontend::qt::ShownText title = caption(f->ctl("Title"));
  ASSERT_NE(title.in, nullptr);
  const QPoint on = title.area.topLeft() + QPoint(4, 4), beside = title.area.bottomLeft() + QPoint(4, 6);
  auto act = [&](QPoint at, QEvent::Type type, Qt::MouseButton button) {
    QMouseEvent e(type, QPointF(at), title.in->mapToGlobal(QPointF(at)), button, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(title.in, &e);
    settle();
  };
  act(on, QEvent::MouseButtonDblClick, Qt::LeftButton);
  act(on, QEvent::MouseButtonRelease, Qt::RightButton);
  act(beside, QEvent::MouseButtonDblClick, Qt::LeftButton);
  act(beside, QEvent::MouseButtonRelease, Qt::RightButton);
  EXPECT_EQ(seen, (std::vector<std::string>{"Title DblClick", "Title MouseUp", "PageFrame DblClick",
                                            "PageFrame MouseUp"}));
  // A disabled or hidden label leaves the mouse to its frame.
  for (const char* property : {"Enabled", "Visible"}) {
    f->ctl("Title").setProperty(property, Variant(false));
    seen.clear();
    act(on, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(seen, std::vector<std::string>{"PageFrame MouseUp"}) << property;
    f->ctl("Title").setProperty(property, Variant(true));
  }
  // Its tool tip shows over it, the frame's beside it.
  f->ctl("Title").setProperty("ToolTipText", Variant("Zustand"));
  f->ctl("PageFrame").setProperty("ToolTipText", Variant("Gruppe"));
  for (auto [at, tip] : {std::pair{on, "Zustand"}, std::pair{beside, "Gruppe"}}) {
    QHelpEvent help(QEvent::ToolTip, at, title.in->mapToGlobal(at));
    QCoreApplication::sendEvent(title.in, &help);
    EXPECT_TRUE(waitFor([&] { return QToolTip::isVisible() && QToolTip::text() == QString::fromUtf8(tip); }))
        << tip;
    QToolTip::hideText();
  }
}

TEST_F(WindowInput, ChoosingAListEntrySetsListIndexAndClicks) {
  auto f = openForm();
  auto& log = f->ctlAs<platform::ui::ListBoxControl>("Log");
  log.addItem("eins\t1");
  log.addItem("zwei\t2");
  log.setTabStops({40});
  int clicks = 0;
  f->on("Log", "Click", [&] { ++clicks; });
  widgetAs<QListWidget>(log)->setCurrentRow(1);
  settle();
  EXPECT_EQ(log.listIndex(), 1);
  EXPECT_EQ(clicks, 1);
  // A handler that empties the list while its own selection signal was on the stack.
  f->on("Log", "Click", [&] { log.clear(); });
  widgetAs<QListWidget>(log)->setCurrentRow(0);
  settle();
  EXPECT_EQ(widgetAs<QListWidget>(log)->count(), 0);

  auto& choice = f->ctlAs<platform::ui::ListBoxControl>("Choice");
  choice.addItem("a");
  choice.addItem("b");
  auto* combo = widgetAs<QComboBox>(choice);
  emit combo->activated(1);
  settle();
  EXPECT_EQ(choice.listIndex(), 1);
  EXPECT_EQ(choice.text(), "b");
}

// A widget made anew for a changed property is wired like the first one.
TEST_F(WindowInput, WidgetsRebuiltForTheirStyleStillTakeTypingAndChoices) {
  auto f = openForm();
  auto& choice = f->ctlAs<platform::ui::ListBoxControl>("Choice");
  choice.addItem("a");
  choice.addItem("b");
  EXPECT_EQ(widgetAs<QComboBox>(choice)->lineEdit(), nullptr);  // a drop-down list takes no typing
  choice.setProperty("Style", Variant(int16_t{0}));
  auto* combo = widgetAs<QComboBox>(choice);
  ASSERT_NE(combo->lineEdit(), nullptr);
  combo->lineEdit()->setFocus();
  type(combo->lineEdit(), QStringLiteral("xö"));
  EXPECT_EQ(choice.text(), "xö");
  emit combo->activated(1);
  settle();
  EXPECT_EQ(choice.listIndex(), 1);
  EXPECT_EQ(widgetAs<QComboBox>(choice)->currentText(), QStringLiteral("b"));

  f->ctl("Edit").setProperty("MultiLine", Variant(true));
  auto* edit = widgetAs<QPlainTextEdit>(f->ctl("Edit"));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->moveCursor(QTextCursor::End);
  type(edit, QStringLiteral("d"));
  EXPECT_EQ(f->ctl("Edit").text(), "abcd");
}

TEST_F(WindowInput, HostTextControlsCommitWhatTheUserTyped) {
  auto f = openForm();
  FakeControl& tag = fake(*f, "TagText");
  tag.set("Text", Variant("FT-101"));
  tag.set("Editable", Variant(true));
  settle();
  auto* edit = widgetAs<QLineEdit>(f->ctl("TagText"));
  EXPECT_EQ(edit->text(), QStringLiteral("FT-101"));
  EXPECT_FALSE(edit->isReadOnly());
  edit->setFocus();
  edit->selectAll();
  type(edit, QStringLiteral("Zähler"));
  EXPECT_TRUE(tag.inputs.empty());  // nothing is written per keystroke
  key(edit, Qt::Key_Return);
  ASSERT_EQ(tag.inputs.size(), 1u);
  EXPECT_EQ(tag.inputs[0], (std::pair<std::string, std::string>{"text", "Zähler"}));
  // A value arriving while the user types does not overwrite the typing.
  type(edit, QStringLiteral("X"));
  tag.set("Text", Variant("vom Gerät"));
  settle();
  EXPECT_EQ(edit->text(), QStringLiteral("ZählerX"));
  tag.set("Editable", Variant(false));
  settle();
  EXPECT_TRUE(edit->isReadOnly());

  FakeControl& flow = fake(*f, "Flow");
  flow.set("LabelText", Variant("Durchfluss"));
  flow.set("Text", Variant("12.5"));
  flow.set("UnitText", Variant("kg/h"));
  settle();
  auto* row = widgetAs<frontend::qt::LabelTextUnitWidget>(f->ctl("Flow"));
  ASSERT_NE(row, nullptr);
  // Label and unit are texts the row draws: no widget each, on either side of the field.
  EXPECT_TRUE(row->findChildren<QLabel*>().isEmpty());
  EXPECT_EQ(row->label().text, QStringLiteral("Durchfluss"));
  EXPECT_EQ(row->unit().text, QStringLiteral("kg/h"));
  EXPECT_LE(row->label().rect.right(), row->edit->x());
  EXPECT_GE(row->unit().rect.left(), row->edit->geometry().right());
  EXPECT_EQ(row->edit->text(), QStringLiteral("12.5"));
}

TEST_F(WindowInput, ARefusedEditIsToldBesideTheFieldUntilTheUserTypesThere) {
  auto f = openForm();
  FakeControl& flow = fake(*f, "Flow");
  flow.set("Text", Variant("12,500"));
  flow.set("Editable", Variant(true));
  settle();
  QLineEdit* edit = frontEnd.widget(f->ctl("Flow"))->findChild<QLineEdit*>();
  QWidget* window = edit->window();
  auto note = [&] { return window->findChild<QLabel*>(QStringLiteral("FieldError")); };
  auto commit = [&](const QString& typed) {
    edit->setFocus();
    edit->selectAll();
    type(edit, typed);
    key(edit, Qt::Key_Return);
    settle();
  };
  const QString why = QStringLiteral("Dämpfung: \"abc\" ist keine Zahl (erlaubt: 0 bis 60)");
  flow.refuseWith = why.toStdString();
  commit(QStringLiteral("abc"));
  ASSERT_NE(note(), nullptr);
  EXPECT_TRUE(note()->isVisible());
  EXPECT_EQ(note()->text(), why);
  EXPECT_EQ(edit->text(), QStringLiteral("12,500")) << "the field shows the item's value again";
  // Beside the field: just below it, overlapping it sideways.
  const QRect field(edit->mapTo(window, QPoint(0, 0)), edit->size());
  EXPECT_GE(note()->y(), field.bottom());
  EXPECT_LE(note()->y(), field.bottom() + 4);
  EXPECT_LT(note()->x(), field.right());
  EXPECT_GT(note()->geometry().right(), field.left());

  // Typing there again puts the note away; the same refusal once more tells it again.
  type(edit, QStringLiteral("x"));
  EXPECT_FALSE(note()->isVisible());
  key(edit, Qt::Key_Return);
  settle();
  EXPECT_TRUE(note()->isVisible());

  // A field that goes out of sight (its page left the tab strip) takes its note along.
  f->ctl("Flow").setProperty("Visible", Variant(false));
  settle();
  EXPECT_FALSE(note()->isVisible());
  f->ctl("Flow").setProperty("Visible", Variant(true));
  settle();

  // An edit the host takes ends the note.
  flow.refuseWith.clear();
  commit(QStringLiteral("2,5"));
  EXPECT_FALSE(note()->isVisible());
  EXPECT_EQ(edit->text(), QStringLiteral("2,5"));
}

TEST_F(WindowInput, HostComboSelectsThroughTheControlAndSurvivesItsErrors) {
  auto f = openForm();
  FakeControl& mode = fake(*f, "Mode");
  mode.set("Entries", Variant("Aus\nEin\nTest"));
  mode.set("Text", Variant("Ein"));
  mode.set("Editable", Variant(true));
  settle();
  auto* combo = widgetAs<QComboBox>(f->ctl("Mode"));
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), QStringLiteral("Ein"));
  EXPECT_TRUE(combo->isEnabled());
  emit combo->activated(2);
  settle();
  ASSERT_EQ(mode.inputs.size(), 1u);
  EXPECT_EQ(mode.inputs[0], (std::pair<std::string, std::string>{"select", "Test"}));
  // The control refuses: the error is reported and the combo shows the control's value again.
  mode.failInput = true;
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  settle();
  EXPECT_EQ(mode.inputs.size(), 2u);
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 1u);
  EXPECT_EQ(combo->currentText(), QStringLiteral("Test"));
  // A value outside the entries still shows; a read-only item cannot be changed.
  mode.set("Text", Variant("Unbekannt"));
  settle();
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->placeholderText(), QStringLiteral("Unbekannt"));
  mode.set("Editable", Variant(false));
  settle();
  EXPECT_FALSE(combo->isEnabled());
}
