// The windows mirror the model: geometry, properties, structure and life cycle.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QListWidgetItem>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <set>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/qt_convert.h"
#include "qt_test_support.h"

using namespace vtest;
using platform::com::Ptr;
using platform::ui::Control;
using platform::ui::ControlType;

namespace {

QRect twipsRect(const Control& c) {
  return QRect(qRound(c.left() / 15.0), qRound(c.top() / 15.0), qRound(c.width() / 15.0),
               qRound(c.height() / 15.0));
}

bool inFrontOf(QWidget* a, QWidget* b) {
  const QObjectList& kids = a->parentWidget()->children();
  return kids.indexOf(a) > kids.indexOf(b);
}

}  // namespace

using WindowMirror = FrontEndTest;

TEST_F(WindowMirror, EveryControlSitsAtItsModelGeometryInsideItsContainer) {
  auto f = openForm();
  QWidget* client = frontEnd.clientArea(*f);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client->size(), QSize(600, 450));  // ScaleWidth 9000 x ScaleHeight 6750 twips
  std::set<std::string> covered;
  for (auto& cp : f->controls()) {
    Control& c = *cp;
    if (c.type() == ControlType::Menu || c.type() == ControlType::Timer ||
        c.type() == ControlType::ImageList || c.type() == ControlType::CommonDialog)
      continue;
    QWidget* w = frontEnd.widget(c);
    if (c.typeName() == "Tolvar4CtrlItemHandler") {
      EXPECT_EQ(w, nullptr) << "the item handler works unseen";
      continue;
    }
    QWidget* expectedParent = c.container() == f.get() ? client : frontEnd.widget(*c.container());
    if (c.type() == ControlType::Label) {
      // A label has no widget: its container draws it.
      EXPECT_EQ(w, nullptr) << c.qualifiedName();
      EXPECT_EQ(caption(c).in, expectedParent) << c.qualifiedName();
      EXPECT_EQ(caption(c).area, twipsRect(c)) << c.qualifiedName();
      covered.insert(c.typeName());
      continue;
    }
    ASSERT_NE(w, nullptr) << c.qualifiedName();
    covered.insert(c.typeName());
    EXPECT_EQ(w->parentWidget(), expectedParent) << c.qualifiedName();
    if (c.type() == ControlType::Line) {
      // The line's widget is the box around its ends.
      QRect g = w->geometry();
      EXPECT_TRUE(g.contains(QPoint(320, 120))) << c.qualifiedName();
      EXPECT_TRUE(g.contains(QPoint(400, 120))) << c.qualifiedName();
      continue;
    }
    EXPECT_EQ(w->geometry(), twipsRect(c)) << c.qualifiedName();
    EXPECT_TRUE(w->isVisibleTo(frontEnd.window(*f))) << c.qualifiedName();
  }
  // The status bar lies along the bottom of the client area.
  EXPECT_EQ(frontEnd.widget(f->ctl("Status"))->geometry(), QRect(0, 450 - 21, 600, 21));
  for (const char* t : {"Label",          "Frame",           "TextBox",        "CommandButton",
                        "OptionButton",   "CheckBox",        "Image",          "Shape",
                        "Line",           "ListBox",         "ComboBox",       "TabStrip",
                        "StatusBar",      "Tolvar4Text",     "Tolvar4Combo",   "Tolvar4LabelTextUnit",
                        "Tolvar4Needle",  "Tolvar4BarGraph", "Tolvar4Digital", "VEXAONOFF",
                        "Tolvar4Plotter", "SomethingElse"})
    EXPECT_TRUE(covered.count(t)) << t;
}

TEST_F(WindowMirror, WidgetsAreTheKindTheControlNeeds) {
  auto f = openForm();
  EXPECT_NE(widgetAs<QGroupBox>(f->ctl("PageFrame")), nullptr);
  EXPECT_NE(widgetAs<QLineEdit>(f->ctl("Edit")), nullptr);
  EXPECT_NE(widgetAs<QPlainTextEdit>(f->ctl("Notes")), nullptr);
  EXPECT_NE(widgetAs<QPushButton>(f->ctl("Apply")), nullptr);
  EXPECT_NE(widgetAs<QRadioButton>(f->ctl("Opt", 0)), nullptr);
  EXPECT_NE(widgetAs<QCheckBox>(f->ctl("Check")), nullptr);
  EXPECT_NE(widgetAs<QListWidget>(f->ctl("Log")), nullptr);
  EXPECT_NE(widgetAs<QComboBox>(f->ctl("Choice")), nullptr);
  EXPECT_NE(widgetAs<QLineEdit>(f->ctl("TagText")), nullptr);
  EXPECT_NE(widgetAs<QComboBox>(f->ctl("Mode")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::NeedleWidget>(f->ctl("Needle")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::BarGraphWidget>(f->ctl("Bar")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::DigitalWidget>(f->ctl("Digits")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::PlotterWidget>(f->ctl("Trend")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::UnknownControlWidget>(f->ctl("Odd")), nullptr);
  EXPECT_NE(widgetAs<frontend::qt::StatusBarWidget>(f->ctl("Status")), nullptr);
  // A multi-line box shows the model's CR LF breaks as lines.
  EXPECT_EQ(widgetAs<QPlainTextEdit>(f->ctl("Notes"))->toPlainText(), QStringLiteral("a\nb"));
}

TEST_F(WindowMirror, WindowSizeComesFromTheClientAreaWithTheMenuBarAbove) {
  auto f = openForm();
  QWidget* win = frontEnd.window(*f);
  QMenuBar* bar = frontEnd.menuBar(*f);
  ASSERT_NE(bar, nullptr);
  QWidget* client = frontEnd.clientArea(*f);
  EXPECT_EQ(client->geometry().top(), bar->geometry().bottom() + 1);
  EXPECT_EQ(win->height(), 450 + bar->height());
  EXPECT_EQ(win->width(), 600);
  // The model's size change reaches the window; the client area again matches ScaleWidth/Height.
  f->setWidth(f->width() + 1500);
  f->setHeight(f->height() + 750);
  EXPECT_EQ(client->size(), QSize(700, 500));
  EXPECT_EQ(win->height(), 500 + bar->height());
  // The status bar followed the form's new size (the model re-aligned it).
  EXPECT_EQ(frontEnd.widget(f->ctl("Status"))->geometry(), QRect(0, 500 - 21, 700, 21));
  // With only hidden (popup) menus there is no empty bar; the client area stays as it is.
  f->menu("MenuFile").setVisible(false);
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(client->geometry(), QRect(0, 0, 700, 500));
  EXPECT_EQ(win->height(), 500);
  f->menu("MenuFile").setVisible(true);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(client->geometry().top(), bar->height());
  EXPECT_EQ(win->height(), 500 + bar->height());
}

TEST_F(WindowMirror, PropertyChangesReachTheirWidgetAndOnlyThatOne) {
  auto f = openForm();
  QPointer<QWidget> edit = frontEnd.widget(f->ctl("Edit"));
  QPointer<QWidget> apply = frontEnd.widget(f->ctl("Apply"));
  f->ctl("Title").setCaption("Geänderte &Überschrift");
  EXPECT_EQ(caption(f->ctl("Title")).text, QStringLiteral("Geänderte Überschrift"));
  f->ctl("Title").setLeft(300);
  EXPECT_EQ(caption(f->ctl("Title")).area.left(), 20);
  f->ctl("Edit").setText("xyz");
  EXPECT_EQ(static_cast<QLineEdit*>(edit.data())->text(), QStringLiteral("xyz"));
  f->ctl("Apply").setEnabled(false);
  EXPECT_FALSE(apply->isEnabled());
  f->ctl("Apply").setVisible(false);
  EXPECT_FALSE(apply->isVisibleTo(frontEnd.window(*f)));
  f->ctl("Apply").setProperty("ToolTipText", Variant("Übernimmt"));
  EXPECT_EQ(apply->toolTip(), QStringLiteral("Übernimmt"));
  // Each change updated the widget in place: nothing was built anew.
  EXPECT_EQ(frontEnd.widget(f->ctl("Edit")), edit.data());
  EXPECT_EQ(frontEnd.widget(f->ctl("Apply")), apply.data());

  f->ctl("Opt", 1).setProperty("Value", Variant(true));
  EXPECT_TRUE(widgetAs<QRadioButton>(f->ctl("Opt", 1))->isChecked());
  EXPECT_FALSE(widgetAs<QRadioButton>(f->ctl("Opt", 0))->isChecked());
  f->ctl("Check").setProperty("Value", Variant(int16_t{2}));
  EXPECT_EQ(widgetAs<QCheckBox>(f->ctl("Check"))->checkState(), Qt::PartiallyChecked);

  auto& log = f->ctlAs<platform::ui::ListBoxControl>("Log");
  log.addItem("eins");
  log.addItem("zwei");
  log.setListIndex(1);
  auto* list = widgetAs<QListWidget>(log);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("zwei"));
  EXPECT_EQ(list->currentRow(), 1);
  log.clear();
  EXPECT_EQ(list->count(), 0);

  auto& choice = f->ctlAs<platform::ui::ListBoxControl>("Choice");
  choice.addItem("a");
  choice.addItem("b");
  choice.setListIndex(1);
  EXPECT_EQ(widgetAs<QComboBox>(choice)->currentText(), QStringLiteral("b"));
}

TEST_F(WindowMirror, TabsMenusAndPanelsFollowTheModel) {
  auto f = openForm();
  auto& tabs = f->tabStrip("Tabs");
  QTabBar* bar = frontEnd.widget(tabs)->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->count(), 2);
  EXPECT_EQ(bar->tabText(0), QStringLiteral("Übertragung"));
  EXPECT_FALSE(bar->tabIcon(0).isNull());  // image 1 of the image list named by the strip
  EXPECT_TRUE(bar->tabIcon(1).isNull());
  tabs.add(0, "CKey", "Drei");
  ASSERT_EQ(bar->count(), 3);
  EXPECT_EQ(bar->tabData(2).toString(), QStringLiteral("CKey"));
  tabs.select(Variant("CKey"));
  EXPECT_EQ(bar->currentIndex(), 2);
  tabs.remove(Variant("AKey"));
  EXPECT_EQ(bar->count(), 2);
  EXPECT_EQ(bar->tabText(0), QStringLiteral("B"));

  QAction* save = frontEnd.menuAction(f->menu("MenuSave"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text(), QStringLiteral("&Speichern"));
  EXPECT_TRUE(save->isChecked());
  f->menu("MenuSave").setProperty("Checked", Variant(false));
  EXPECT_FALSE(save->isChecked());
  f->menu("MenuSave").setEnabled(false);
  EXPECT_FALSE(save->isEnabled());
  f->menu("MenuExit").setVisible(false);
  EXPECT_FALSE(frontEnd.menuAction(f->menu("MenuExit"))->isVisible());
  EXPECT_TRUE(frontEnd.menuAction(f->menu("MenuSep"))->isSeparator());
  QAction* file = frontEnd.menuAction(f->menu("MenuFile"));
  ASSERT_NE(file->menu(), nullptr);  // a menu with entries is a submenu
  EXPECT_EQ(file->menu()->actions().size(), 4);
  EXPECT_FALSE(frontEnd.menuAction(f->menu("PopupMenu"))->isVisible());

  auto& status = f->statusBar("Status");
  auto* sw = widgetAs<frontend::qt::StatusBarWidget>(status);
  ASSERT_EQ(sw->panels().size(), 3u);
  EXPECT_EQ(sw->panels()[0].text, QStringLiteral("getrennt"));
  EXPECT_TRUE(sw->panels()[1].picture);
  EXPECT_FALSE(sw->panels()[1].pixmap.isNull());
  EXPECT_EQ(sw->panels()[1].left, 160);  // after the 2400-twip panel
  status.setPanelText(Variant("Comm"), "verbunden");
  EXPECT_EQ(sw->panels()[0].text, QStringLiteral("verbunden"));
  EXPECT_EQ(sw->toolTipAt(QPoint(20, 10)), QStringLiteral("Verbindung"));
  EXPECT_EQ(sw->toolTipAt(QPoint(170, 10)), QString());
}

TEST_F(WindowMirror, ZOrderFollowsTheModelWithGraphicalControlsBeneath) {
  auto f = openForm();
  QWidget* apply = frontEnd.widget(f->ctl("Apply"));
  QWidget* log = frontEnd.widget(f->ctl("Log"));
  QWidget* tabs = frontEnd.widget(f->ctl("Tabs"));
  QWidget* frame = frontEnd.widget(f->ctl("PageFrame"));
  EXPECT_TRUE(inFrontOf(frame, tabs));  // later in the design, in front
  f->ctl("Tabs").zOrder(0);
  EXPECT_TRUE(inFrontOf(tabs, frame));
  f->ctl("Tabs").zOrder(1);
  EXPECT_TRUE(inFrontOf(frame, tabs));
  EXPECT_TRUE(inFrontOf(log, apply));
  f->ctl("Apply").zOrder(0);
  EXPECT_TRUE(inFrontOf(apply, log));
  // A shape brought to the front still stays beneath the controls that have windows.
  QWidget* box = frontEnd.widget(f->ctl("Box"));
  f->ctl("Box").zOrder(0);
  EXPECT_TRUE(inFrontOf(apply, box));
}

TEST_F(WindowMirror, FormPropertiesReachTheWindow) {
  auto f = openForm();
  QWidget* win = frontEnd.window(*f);
  EXPECT_EQ(win->windowTitle(), QStringLiteral("Gerätedaten"));
  f->setCaption("Übertragung läuft");
  EXPECT_EQ(win->windowTitle(), QStringLiteral("Übertragung läuft"));
  f->setProperty("MousePointer", Variant(platform::ui::kHourglass));
  EXPECT_EQ(win->cursor().shape(), Qt::WaitCursor);
  f->setProperty("MousePointer", Variant(platform::ui::kDefaultPointer));
  EXPECT_EQ(win->cursor().shape(), Qt::ArrowCursor);
  f->setWindowState(platform::ui::kMaximized);
  settle();
  EXPECT_TRUE(win->windowState() & Qt::WindowMaximized);
  f->setWindowState(platform::ui::kNormal);
  settle();
  EXPECT_FALSE(win->windowState() & Qt::WindowMaximized);
  f->hide();
  EXPECT_FALSE(win->isVisible());
  f->show();
  EXPECT_TRUE(win->isVisible());
}

TEST_F(WindowMirror, RuntimeLoadedMembersGetWidgetsAndLoseThem) {
  auto f = openForm();
  Control& opt2 = f->loadControl("Opt", 2);
  QPointer<QWidget> w = frontEnd.widget(opt2);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->isVisibleTo(frontEnd.window(*f)));  // new members start hidden
  opt2.setTop(1650);
  opt2.setVisible(true);
  EXPECT_TRUE(w->isVisibleTo(frontEnd.window(*f)));
  EXPECT_EQ(w->geometry().top(), 110);
  EXPECT_EQ(w->parentWidget(), frontEnd.widget(f->ctl("PageFrame")));
  f->unloadControl("Opt", 2);
  EXPECT_TRUE(w.isNull());

  QMenu* fileMenu = frontEnd.menuAction(f->menu("MenuFile"))->menu();
  f->loadControl("Recent", 1).setCaption("Datei 1");
  fileMenu = frontEnd.menuAction(f->menu("MenuFile"))->menu();
  ASSERT_EQ(fileMenu->actions().size(), 5);
  EXPECT_EQ(fileMenu->actions()[3]->text(), QStringLiteral("Datei 1"));  // after its array's first member
  f->unloadControl("Recent", 1);
  fileMenu = frontEnd.menuAction(f->menu("MenuFile"))->menu();
  EXPECT_EQ(fileMenu->actions().size(), 4);
}

TEST_F(WindowMirror, MenuEntriesLoadedWhileTheMenuOpensJoinThatMenu) {
  auto f = openForm();
  int loaded = 0;
  f->on("MenuFile", "Click", [&] {
    ++loaded;
    f->loadControl("Recent", loaded).setCaption("Datei " + std::to_string(loaded));
  });
  QPointer<QMenu> fileMenu = frontEnd.menuAction(f->menu("MenuFile"))->menu();
  QPointer<QAction> save = frontEnd.menuAction(f->menu("MenuSave"));
  emit fileMenu->aboutToShow();
  emit fileMenu->aboutToShow();
  settle();
  // The menu that is opening is the one that got the entries; nothing else was rebuilt.
  ASSERT_FALSE(fileMenu.isNull());
  EXPECT_EQ(frontEnd.menuAction(f->menu("MenuFile"))->menu(), fileMenu.data());
  EXPECT_EQ(frontEnd.menuAction(f->menu("MenuSave")), save.data());
  QStringList texts;
  for (QAction* a : fileMenu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(texts,
            (QStringList{QStringLiteral("&Speichern"), QStringLiteral("-"), QStringLiteral("Datei 0"),
                         QStringLiteral("Datei 1"), QStringLiteral("Datei 2"), QStringLiteral("&Beenden")}));
  int clicked = -1;
  f->on("Recent", "Click", [&](platform::ui::EventArgs& a) { clicked = a.index; });
  frontEnd.menuAction(f->menu("Recent", 2))->trigger();
  EXPECT_EQ(clicked, 2);
}

TEST_F(WindowMirror, AMenuGetsItsEntriesWhenItFirstOpensAsTheModelHasThemThen) {
  auto f = openForm();
  QMenu* fileMenu = frontEnd.menuBar(*f)->actions().at(0)->menu();
  ASSERT_NE(fileMenu, nullptr);
  EXPECT_TRUE(fileMenu->actions().isEmpty());
  // Changed, loaded and unloaded before the menu was ever open.
  f->menu("MenuSave").setProperty("Checked", Variant(false));
  f->menu("MenuSave").setEnabled(false);
  f->loadControl("Recent", 1).setCaption("Datei 1");
  f->loadControl("Recent", 2).setCaption("Datei 2");
  f->unloadControl("Recent", 2);
  f->menu("MenuExit").setCaption("&Ende");
  EXPECT_TRUE(fileMenu->actions().isEmpty());

  emit fileMenu->aboutToShow();
  QStringList texts;
  for (QAction* a : fileMenu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(texts, (QStringList{QStringLiteral("&Speichern"), QStringLiteral("-"), QStringLiteral("Datei 0"),
                                QStringLiteral("Datei 1"), QStringLiteral("&Ende")}));
  QAction* save = fileMenu->actions().at(0);
  EXPECT_FALSE(save->isEnabled());
  EXPECT_FALSE(save->isChecked());
  EXPECT_TRUE(save->isCheckable());  // it was checked: it keeps its check column, as when made at once
  EXPECT_FALSE(fileMenu->actions().at(4)->isCheckable());
  emit fileMenu->aboutToShow();
  EXPECT_EQ(fileMenu->actions().size(), 5);  // filled once

  // An entry with a shortcut has its action before its menu opens: the key works at once.
  auto g = openForm();
  QMenu* other = frontEnd.menuBar(*g)->actions().at(0)->menu();
  ASSERT_TRUE(other->actions().isEmpty());
  g->menu("MenuExit").setProperty("Shortcut", Variant("^Q"));
  ASSERT_EQ(other->actions().size(), 4);
  EXPECT_EQ(other->actions().at(3)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

TEST_F(WindowMirror, LabelsFramesTextBoxesAndImagesFollowTheirStyleProperties) {
  auto f = openForm();
  // Where the caption's ink lies: the room left of it and right of it, in pixels.
  auto margins = [&] {
    const QImage img = shot(caption(f->ctl("Title")));
    int first = img.width(), last = -1;
    for (int x = 0; x < img.width(); ++x)
      if (countPixels(img, QRect(x, 0, 1, img.height()), [](QColor c) { return qGray(c.rgb()) < 128; }) > 0) {
        first = std::min(first, x);
        last = x;
      }
    return std::pair<int, int>(first, img.width() - 1 - last);
  };
  auto [left, right] = margins();
  EXPECT_LE(left, 1);
  EXPECT_GT(right, 10);
  f->ctl("Title").setProperty("Alignment", Variant(int16_t{1}));
  std::tie(left, right) = margins();
  EXPECT_GT(left, 10);
  EXPECT_LE(right, 1);
  f->ctl("Title").setProperty("Alignment", Variant(int16_t{2}));
  std::tie(left, right) = margins();
  EXPECT_NEAR(left, right, 2);
  EXPECT_TRUE(caption(f->ctl("Title")).wraps);  // a label breaks its text at its width
  f->ctl("Title").setProperty("AutoSize", Variant(true));
  EXPECT_FALSE(caption(f->ctl("Title")).wraps);  // unless it grows to hold one line
  f->ctl("Title").setProperty("WordWrap", Variant(true));
  EXPECT_TRUE(caption(f->ctl("Title")).wraps);

  // Without a border a frame shows neither border nor caption: only its background.
  QWidget* frame = frontEnd.widget(f->ctl("PageFrame"));
  f->ctl("Title").setVisible(false);
  QRect captionArea(0, 0, frame->width(), 12);
  QImage bordered = shot(frame).copy(captionArea);
  f->ctl("PageFrame").setProperty("BorderStyle", Variant(int16_t{0}));
  QImage plain = shot(frame).copy(captionArea);
  EXPECT_GT(distinctColours(bordered), 2);
  EXPECT_EQ(distinctColours(plain), 1);

  auto* notes = widgetAs<QPlainTextEdit>(f->ctl("Notes"));
  EXPECT_EQ(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(notes->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  f->ctl("Notes").setProperty("Locked", Variant(true));
  EXPECT_TRUE(notes->isReadOnly());
  // A text box that becomes multi-line gets a multi-line widget in the same place.
  f->ctl("Edit").setProperty("MultiLine", Variant(true));
  auto* edit = widgetAs<QPlainTextEdit>(f->ctl("Edit"));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("abc"));
  EXPECT_EQ(edit->geometry(), QRect(120, 20, 100, 19));

  // Without Stretch a picture keeps its own size in the top left corner.
  f->ctl("Picture").setProperty("Stretch", Variant(false));
  QImage pi = shot(frontEnd.widget(f->ctl("Picture")));
  EXPECT_EQ(pi.pixelColor(4, 4), QColor(255, 0, 0));
  EXPECT_NE(pi.pixelColor(20, 20), QColor(255, 0, 0));
}

TEST_F(WindowMirror, ListEntriesStandInTabStopColumns) {
  auto f = openForm();
  auto& log = f->ctlAs<platform::ui::ListBoxControl>("Log");
  log.addItem("W\tW");
  log.setTabStops({60});
  auto* list = widgetAs<QListWidget>(log);
  QRect item = list->visualItemRect(list->item(0));
  QImage img = list->viewport()->grab().toImage();
  double dlu = QFontMetrics(list->font()).averageCharWidth() / 4.0;
  int column = item.left() + 2 + static_cast<int>(60 * dlu);
  int firstW = item.left() + 2 + QFontMetrics(list->font()).horizontalAdvance(QLatin1Char('W'));
  auto dark = [](QColor c) { return c.lightness() < 100; };
  EXPECT_GT(countPixels(img, QRect(item.left(), item.top(), firstW - item.left(), item.height()), dark), 0);
  EXPECT_EQ(countPixels(img, QRect(firstW + 2, item.top(), column - firstW - 4, item.height()), dark), 0);
  EXPECT_GT(countPixels(img, QRect(column, item.top(), 12, item.height()), dark), 0);
}

TEST_F(WindowMirror, UnloadAndDestructionRemoveEveryQtObjectOfTheForm) {
  auto f = openForm();
  QPointer<QWidget> win = frontEnd.window(*f);
  QPointer<QWidget> frame = frontEnd.widget(f->ctl("PageFrame"));
  QPointer<QWidget> needle = frontEnd.widget(f->ctl("Needle"));
  ASSERT_TRUE(win && frame && needle);
  ASSERT_EQ(caption(f->ctl("Title")).in, frame.data());
  EXPECT_TRUE(f->unload());
  // Gone at once, before the form (and the library behind it) could go.
  EXPECT_TRUE(win.isNull());
  EXPECT_TRUE(frame.isNull());
  EXPECT_TRUE(needle.isNull());
  EXPECT_EQ(frontEnd.window(*f), nullptr);
  f->load();  // an explicit load brings it back: a new window
  f->show();
  settle();
  win = frontEnd.window(*f);
  ASSERT_FALSE(win.isNull());
  EXPECT_TRUE(win->isVisible());
  // A shown form lives until it is unloaded, as a window of the platform does: without a
  // reference left, its unload destroys it.
  platform::ui::Form* shown = f.get();
  f = nullptr;
  settle();
  ASSERT_FALSE(win.isNull());
  EXPECT_TRUE(win->isVisible());
  EXPECT_TRUE(shown->unload());
  EXPECT_TRUE(win.isNull());
}

TEST_F(WindowMirror, UnloadFromAButtonsOwnClickIsSafe) {
  auto f = openForm();
  f->on("Apply", "Click", [&] { f->unload(); });
  QPointer<QWidget> win = frontEnd.window(*f);
  QPointer<QPushButton> button = widgetAs<QPushButton>(f->ctl("Apply"));
  button->click();
  EXPECT_FALSE(f->isLoaded());
  ASSERT_FALSE(win.isNull());  // still there: the click that unloaded it is on the stack
  EXPECT_FALSE(win->isVisible());
  settle();
  EXPECT_TRUE(win.isNull());  // deleted once the click was over
  EXPECT_TRUE(button.isNull());
}

TEST_F(WindowMirror, FormsThatExistedBeforeInstallAreMirroredAndUninstallLetsGo) {
  frontEnd.uninstall();
  auto f = platform::com::makeObject<MirrorForm>();
  f->show();
  EXPECT_EQ(frontEnd.window(*f), nullptr);
  frontEnd.install(frontend::qt::FrontEnd::Mode::WindowsAndServices);
  QPointer<QWidget> win = frontEnd.window(*f);
  ASSERT_FALSE(win.isNull());
  EXPECT_TRUE(win->isVisible());
  EXPECT_NE(&platform::ui::Services::messageBox(),
            static_cast<platform::ui::MessageBoxService*>(&platform::ui::Services::headless()));
  frontEnd.uninstall();
  EXPECT_TRUE(win.isNull());
  EXPECT_EQ(&platform::ui::Services::messageBox(),
            static_cast<platform::ui::MessageBoxService*>(&platform::ui::Services::headless()));
  // The model no longer talks to the front end: changes and unloads go unnoticed by it.
  f->setCaption("ohne Fenster");
  EXPECT_TRUE(f->unload());
  frontEnd.install();
}

TEST_F(WindowMirror, GermanTextsKeepTheirUmlautsAndDraw) {
  auto f = openForm();
  Control& title = f->ctl("Title");
  title.setCaption("Gerätedaten");
  EXPECT_EQ(caption(title).text, QString::fromUtf8("Ger\xC3\xA4tedaten"));
  QImage withText = shot(caption(title));
  title.setCaption("Übertragung");
  EXPECT_EQ(caption(title).text, QString::fromUtf8("\xC3\x9C"
                                                   "bertragung"));
  QImage umlaut = shot(caption(title));
  title.setCaption("");
  QImage empty = shot(caption(title));
  EXPECT_NE(withText, empty);
  EXPECT_NE(umlaut, empty);
  EXPECT_NE(umlaut, withText);
  EXPECT_EQ(widgetAs<QGroupBox>(f->ctl("PageFrame"))->title(), QStringLiteral("Gerätedaten"));
}

TEST_F(WindowMirror, ScreenshotsAreWrittenAndNotBlank) {
  auto f = openForm();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto shotFn = frontend::qt::screenshotFunction();
  std::string error;
  std::filesystem::path png = dir.filePath(QStringLiteral("sub/main.png")).toStdString();
  ASSERT_TRUE(shotFn(*f, png, error)) << error;
  QImage img(QString::fromStdString(png.string()));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), frontEnd.window(*f)->size());
  EXPECT_GT(distinctColours(img), 1);
  // A hidden window draws too; an unloaded one has nothing to draw.
  f->hide();
  ASSERT_TRUE(shotFn(*f, png, error)) << error;
  f->unload();
  EXPECT_FALSE(shotFn(*f, png, error));
  EXPECT_NE(error.find("not loaded"), std::string::npos);
}

TEST_F(WindowMirror, ScreenshotsWorkWithoutAnInstalledFrontEnd) {
  frontEnd.uninstall();
  auto f = platform::com::makeObject<MirrorForm>();
  f->ensureLoaded();
  QTemporaryDir dir;
  std::string error;
  std::filesystem::path png = dir.filePath(QStringLiteral("alone.png")).toStdString();
  ASSERT_TRUE(frontend::qt::screenshotFunction()(*f, png, error)) << error;
  QImage img(QString::fromStdString(png.string()));
  EXPECT_EQ(img.width(), 600);
  EXPECT_GT(img.height(), 450);  // the client area and the menu bar above it
  EXPECT_GT(distinctColours(img), 1);
  frontEnd.install();
}
