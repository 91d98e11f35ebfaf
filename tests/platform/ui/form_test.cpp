#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form_dump.h"
#include "platform/ui/services.h"
#include "test_forms.h"
#include "tests/support/windows_close_at_the_end.h"

using namespace platform::ui;
using platform::com::makeObject;
using platform::com::Ptr;
using platform::com::RuntimeError;
using platform::com::Variant;

namespace {
int errorNumber(auto&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}
}  // namespace

TEST(FormLifecycle, FirstControlAccessLoadsAndUnloadedFormIsNotReloaded) {
  auto f = makeObject<SampleForm>();
  EXPECT_FALSE(f->isLoaded());
  EXPECT_TRUE(f->events.empty());
  f->ctl("Edit");  // first touch of a control loads the window
  ASSERT_TRUE(f->isLoaded());
  EXPECT_EQ(f->events.front(), "Load");
  EXPECT_TRUE(f->unload());
  EXPECT_EQ(f->events.back(), "Unload");
  EXPECT_FALSE(f->isLoaded());
  EXPECT_EQ(errorNumber([&] { f->ctl("Edit"); }), 364);
  f->load();  // an explicit load brings it back
  EXPECT_TRUE(f->isLoaded());
  EXPECT_EQ(f->ctl("Edit").text(), "x");
}

TEST(FormLifecycle, QueryUnloadCanRefuseAndCarriesTheMode) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  f->cancelQuery = 1;
  EXPECT_FALSE(f->userClose());
  EXPECT_TRUE(f->isLoaded());
  EXPECT_EQ(f->events.back(), "QueryUnload0");
  f->cancelQuery = 0;
  EXPECT_TRUE(f->unload(kUnloadFormCode));
  EXPECT_EQ(f->events[f->events.size() - 2], "QueryUnload1");
}

TEST(FormLifecycle, ACloseWhileTheQueryWaitsIsRefusedAndOneDuringTheUnloadIsDone) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  // A second close arriving while the first one's question is open (timers run in the wait).
  bool nested = true;
  f->onQuery = [&] { nested = f->unload(kUnloadFormCode); };
  f->cancelQuery = 1;
  EXPECT_FALSE(f->userClose());
  EXPECT_FALSE(nested);
  EXPECT_TRUE(f->isLoaded());
  EXPECT_EQ(std::count(f->events.begin(), f->events.end(), "QueryUnload1"), 0);  // never asked twice
  // The first close then goes through; a close during the unload itself finds it done.
  f->cancelQuery = 0;
  f->onQuery = nullptr;
  f->onUnload = [&] { nested = f->unload(kUnloadFormCode); };
  EXPECT_TRUE(f->userClose());
  EXPECT_TRUE(nested);
  EXPECT_FALSE(f->isLoaded());
}

TEST(FormLifecycle, AShownFormLivesUntilItsUnloadWithNoReferenceKept) {
  platform::com::LiveCount live;
  struct Counted : SampleForm {
    explicit Counted(platform::com::LiveCount& c) : counted(c) { counted.increment(); }
    ~Counted() override { counted.decrement(); }
    platform::com::LiveCount& counted;
  };
  auto shown = makeObject<Counted>(live);
  auto loadedOnly = makeObject<Counted>(live);
  shown->show();
  shown->hide();  // hidden, it is still a loaded window
  shown->show();  // a second show holds it no harder
  loadedOnly->ensureLoaded();
  platform::ui::Form* raw = shown.get();
  shown = nullptr;
  loadedOnly = nullptr;
  EXPECT_EQ(live.value(), 1) << "only the window that was shown lives on";
  EXPECT_TRUE(raw->isLoaded());
  // A refused close keeps it; the unload that goes through lets it go.
  static_cast<SampleForm*>(raw)->cancelQuery = 1;
  EXPECT_FALSE(raw->userClose());
  EXPECT_EQ(live.value(), 1);
  static_cast<SampleForm*>(raw)->cancelQuery = 0;
  EXPECT_TRUE(raw->userClose());
  EXPECT_EQ(live.value(), 0);
}

TEST(FormLifecycle, UnloadStopsTimersAndHidesTheWindow) {
  auto f = makeObject<SampleForm>();
  f->show();
  EXPECT_TRUE(f->visible());
  auto& t = f->timer("Tick");
  t.setEnabled(true);
  EXPECT_TRUE(EventLoop::instance().isArmed(&t));
  f->unload();
  EXPECT_FALSE(f->visible());
  EXPECT_EQ(EventLoop::instance().armedCount(), 0u);
}

TEST(FormGeometry, DesignClientSizeAndStatusBarAlongTheBottom) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  EXPECT_FLOAT_EQ(f->scaleWidth(), 6000);
  EXPECT_FLOAT_EQ(f->scaleHeight(), 4000);  // the menu bar is not part of the client area
  auto& bar = f->statusBar("Bar");
  EXPECT_FLOAT_EQ(bar.top(), 4000 - 315);
  EXPECT_FLOAT_EQ(bar.width(), 6000);
  // The spring panel takes what the fixed ones leave.
  EXPECT_FLOAT_EQ(bar.panel(Variant("P2")).width, 6000 - 2400 - 570);
  EXPECT_FLOAT_EQ(bar.panel(Variant("P3")).left, 6000 - 570);
  f->setWidth(8000 + 2 * kBorderTwips);
  EXPECT_FLOAT_EQ(bar.panel(Variant("P2")).width, 8000 - 2400 - 570);
}

TEST(FormGeometry, ResizeIsRaisedOnlyForRealChangesAndNestsWhenHandlerResizes) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  f->events.clear();
  float w = f->width();
  f->setWidth(w);
  EXPECT_TRUE(f->events.empty());
  // A handler that enforces a minimum width raises the event again at once.
  f->onResize = [&] {
    if (f->width() < 5000) f->setWidth(5000);
  };
  f->setWidth(100);
  EXPECT_EQ(f->events.size(), 2u);
  EXPECT_FLOAT_EQ(f->width(), 5000);
}

TEST(FormGeometry, AMaximisedWindowTakesTheMaximisedSizeAndGetsItsOwnBackWhenRestored) {
  const float screenW = Screen::width(), screenH = Screen::height();
  Screen::setSize(19200, 14400);
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  f->setWidth(6000);
  f->setHeight(4000);
  std::vector<std::pair<float, float>> seen;  // the size each Form_Resize found
  f->onResize = [&] { seen.emplace_back(f->width(), f->scaleWidth()); };

  f->setWindowState(kMaximized);
  // Until the window system says otherwise, maximised is the screen's size.
  EXPECT_FLOAT_EQ(f->width(), 19200);
  EXPECT_FLOAT_EQ(f->height(), 14400);
  EXPECT_FLOAT_EQ(f->scaleWidth(), 19200 - 2 * kBorderTwips);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FLOAT_EQ(seen[0].first, 19200);
  // It cannot be sized while maximised.
  EXPECT_EQ(errorNumber([&] { f->setWidth(9000); }), 384);

  // The window system's own maximised size (a task bar takes its part) lays it out again.
  EXPECT_TRUE(f->userMaximizedSize(19200, 13800));
  EXPECT_FLOAT_EQ(f->height(), 13800);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(f->userMaximizedSize(19200, 13800));
  EXPECT_EQ(seen.size(), 2u);  // no change, no event

  f->setWindowState(kNormal);
  EXPECT_FLOAT_EQ(f->width(), 6000);
  EXPECT_FLOAT_EQ(f->height(), 4000);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_FLOAT_EQ(seen[2].first, 6000);

  // Maximised, minimised, restored: back to the size it had before either.
  f->setWindowState(kMaximized);
  EXPECT_FLOAT_EQ(f->height(), 13800);  // the size the window system gave last time
  f->setWindowState(kMinimized);
  EXPECT_FLOAT_EQ(f->scaleWidth(), 0);
  f->setWindowState(kNormal);
  EXPECT_FLOAT_EQ(f->width(), 6000);
  EXPECT_FLOAT_EQ(f->height(), 4000);

  // A size reported while not maximised is kept for the next time and raises nothing.
  seen.clear();
  EXPECT_TRUE(f->userMaximizedSize(12000, 9000));
  EXPECT_TRUE(seen.empty());
  f->setWindowState(kMaximized);
  EXPECT_FLOAT_EQ(f->width(), 12000);
  Screen::setSize(screenW, screenH);
}

TEST(FormGeometry, SizingWhileMinimizedRaisesAndClientAreaIsEmpty) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  f->setWindowState(kMinimized);
  EXPECT_FLOAT_EQ(f->scaleWidth(), 0);
  EXPECT_EQ(errorNumber([&] { f->setWidth(9000); }), 384);
  // The user restoring and sizing the window goes through.
  EXPECT_TRUE(f->userResize(7000, 5000));
  EXPECT_EQ(f->windowState(), kNormal);
  EXPECT_FLOAT_EQ(f->width(), 7000);
}

TEST(FormControls, ArraysLookupsAndErrors) {
  auto f = makeObject<SampleForm>();
  EXPECT_EQ(f->ctl("Row", 2).caption(), "row 2");
  EXPECT_EQ(errorNumber([&] { f->ctl("Row", 1); }), 340);
  EXPECT_EQ(errorNumber([&] { f->ctl("Nope"); }), 438);
  EXPECT_EQ(f->arrayIndices("Row"), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(errorNumber([&] { f->ctl("Row", 0).setProperty("Bogus", Variant(1)); }), 438);
  EXPECT_EQ(f->ctl("Row", 0).getProperty("caption").toString(), "row 0");  // names ignore case
}

TEST(FormControls, LoadedMenuEntriesCopyTheirModelAndOnlyThoseUnload) {
  auto f = makeObject<SampleForm>();
  auto& e1 = f->loadControl("dynaMenuEntry", 1);
  EXPECT_EQ(e1.caption(), "entry");
  EXPECT_TRUE(e1.visible());  // menu entries take their model's visibility
  EXPECT_EQ(e1.container(), &f->ctl("dynaMenu"));
  EXPECT_EQ(errorNumber([&] { f->loadControl("dynaMenuEntry", 1); }), 360);
  EXPECT_EQ(errorNumber([&] { f->unloadControl("dynaMenuEntry", 0); }), 362);
  f->unloadControl("dynaMenuEntry", 1);
  EXPECT_FALSE(f->hasControl("dynaMenuEntry", 1));
  auto& r1 = f->loadControl("Row", 1);
  EXPECT_FALSE(r1.visible());  // other controls start hidden
}

TEST(FormControls, OptionButtonsExcludeEachOtherAndDesignValuesRaiseNothing) {
  auto f = makeObject<SampleForm>();
  int clicks = 0;
  f->on("Opt", "Click", [&](EventArgs& a) { clicks += 1 + a.index * 10; });
  f->ensureLoaded();
  EXPECT_EQ(clicks, 0);  // the design's Value True raised no event
  EXPECT_TRUE(f->ctl("Opt", 0).getProperty("Value").toBool());
  f->show();
  EXPECT_TRUE(f->userClick(f->ctl("Opt", 1)));
  EXPECT_EQ(clicks, 11);
  EXPECT_FALSE(f->ctl("Opt", 0).getProperty("Value").toBool());
}

TEST(FormControls, ColoursKeepTheirSystemBitsAndDumpAndPathsRead) {
  auto f = makeObject<SampleForm>();
  EXPECT_EQ(f->ctl("Edit").getProperty("BackColor").toLong(), static_cast<int32_t>(0x80000005u));
  auto j = nlohmann::json::parse(dumpFormJson(*f));
  EXPECT_EQ(j["name"], "SampleForm");
  bool sawTabs = false;
  for (auto& c : j["controls"])
    if (c["name"] == "Tabs") {
      sawTabs = true;
      EXPECT_EQ(c["extra"]["tabs"].size(), 3u);
    }
  EXPECT_TRUE(sawTabs);
  EXPECT_EQ(f->ctl("Bar").evalPath("Panels(P1).Text").toString(), "one");
  EXPECT_EQ(f->ctl("Bar").evalPath("Panels.Count").toLong(), 3);
  EXPECT_EQ(scriptText(Variant(static_cast<int32_t>(0x80000011u))), "-2147483631");
  EXPECT_EQ(scriptText(Variant(true)), "true");
}

// Text a host handed over may hold bytes that are not UTF-8; inside a panel, a tab or a list
// they are replaced like anywhere else in the dump, which never fails on them.
TEST(FormControls, DumpReplacesInvalidBytesInPanelsTabsAndLists) {
  auto f = makeObject<SampleForm>();
  f->ensureLoaded();
  dynamic_cast<StatusBarControl&>(f->ctl("Bar")).setPanelText(Variant("P1"), "panel \xFF");
  dynamic_cast<TabStripControl&>(f->ctl("Tabs")).setTabCaption(Variant("AKey"), "tab \xC3");
  dynamic_cast<ListBoxControl&>(f->ctl("Log")).addItem("entry \xFE\xFE");
  std::string text;
  ASSERT_NO_THROW(text = dumpFormJson(*f));
  for (const char* replaced : {"panel \xEF\xBF\xBD", "tab \xEF\xBF\xBD", "entry \xEF\xBF\xBD\xEF\xBF\xBD"})
    EXPECT_NE(text.find(replaced), std::string::npos) << replaced;
}

TEST(FormInput, DisabledOrHiddenControlsTakeNoInputAndErrorsStayInside) {
  auto f = makeObject<SampleForm>();
  f->show();
  int exits = 0;
  f->on("MenuExit", "Click", [&] {
    ++exits;
    platform::com::raise(5);
  });
  EventLoop::instance().clearErrors();
  EXPECT_TRUE(f->userClick(f->ctl("MenuExit")));  // the error is reported, not thrown
  EXPECT_EQ(exits, 1);
  ASSERT_EQ(EventLoop::instance().errors().size(), 1u);
  EXPECT_NE(EventLoop::instance().errors().front().find("Run-time error 5"), std::string::npos);
  f->ctl("MenuFile").setEnabled(false);
  EXPECT_FALSE(f->userClick(f->ctl("MenuExit")));  // a disabled parent menu blocks its entries
  EXPECT_EQ(exits, 1);
  f->ctl("Edit").setProperty("Locked", Variant(true));
  EXPECT_FALSE(f->userText(f->ctl("Edit"), "typed"));
  EventLoop::instance().clearErrors();
}

TEST(FormInput, UnloadFromItsOwnHandlerKeepsEverythingValid) {
  auto f = makeObject<SampleForm>();
  f->show();
  f->on("MenuExit", "Click", [&] {
    f->unload();
    // The handler's own control still exists in memory while the handler runs.
    EXPECT_EQ(f->controls().size(), 0u);
  });
  EXPECT_TRUE(f->userClick(f->ctl("MenuExit")));
  EXPECT_FALSE(f->isLoaded());
}

TEST(CommonDialog, CancelRaisesOnlyWithCancelError) {
  auto f = makeObject<SampleForm>();
  auto& dlg = f->ctlAs<CommonDialogControl>("Dlg");
  auto& h = Services::headless();
  h.reset();
  dlg.ShowSave();  // no answer queued: cancelled, recorded as unanswered, no error
  EXPECT_EQ(h.unanswered().size(), 1u);
  dlg.setProperty("CancelError", Variant(true));
  h.queueSaveFile(std::nullopt);
  EXPECT_EQ(errorNumber([&] { dlg.ShowSave(); }), 32755);
  h.queueSaveFile(std::string("/tmp/out/VR_Data.prn"));
  dlg.ShowSave();
  EXPECT_EQ(dlg.getProperty("FileName").toString(), "/tmp/out/VR_Data.prn");
  EXPECT_EQ(dlg.getProperty("FileTitle").toString(), "VR_Data.prn");
  h.queuePrinter(PrinterAnswer{true, 2, true});
  dlg.ShowPrinter();
  EXPECT_EQ(dlg.getProperty("Copies").toInteger(), 2);
  EXPECT_NE(dlg.getProperty("Flags").toLong() & 0x20, 0);
  h.reset();
}

TEST(FormInput, EntriesOfAHiddenPopupMenuTakeClicksButNotDisabledOnes) {
  auto f = makeObject<SampleForm>();
  f->show();
  int clicks = 0;
  f->on("dynaMenuEntry", "Click", [&] { ++clicks; });
  // dynaMenu is hidden: it exists only to pop up.
  EXPECT_TRUE(f->userClick(f->ctl("dynaMenuEntry", 0)));
  EXPECT_EQ(clicks, 1);
  f->ctl("dynaMenuEntry", 0).setVisible(false);
  EXPECT_FALSE(f->userClick(f->ctl("dynaMenuEntry", 0)));
  f->ctl("dynaMenuEntry", 0).setVisible(true);
  f->ctl("dynaMenu").setEnabled(false);
  EXPECT_FALSE(f->userClick(f->ctl("dynaMenuEntry", 0)));
  EXPECT_EQ(clicks, 1);
}

namespace {
// Records the panel widths a status-bar observer sees when the bar's width changes.
struct PanelWatcher : ControlObserver {
  float panelRightEdge = -1;
  float barWidth = -1;
  void controlChanged(Control& c, std::string_view what) override {
    if (what != "Width") return;
    auto& bar = static_cast<StatusBarControl&>(c);
    barWidth = bar.width();
    const Panel& last = bar.panels().back();
    panelRightEdge = last.left + last.width;
  }
};
}  // namespace

namespace {
// Records, for each "Panels" a status bar tells, which panel it names as having a new text
// alone (-1: none named), and runs `during` while it is told the first time.
struct NewTextWatcher : ControlObserver {
  std::vector<int> told;
  std::function<void()> during;
  void controlChanged(Control& c, std::string_view what) override {
    if (what != "Panels") return;
    const std::optional<size_t> at = static_cast<StatusBarControl&>(c).newTextAt();
    told.push_back(at ? static_cast<int>(*at) : -1);
    if (auto f = std::exchange(during, nullptr)) f();
  }
};
}  // namespace

// A new text names its panel, so that an observer need not compare the others; every other
// change of the panels names none, also one made while the observers are told of a text.
TEST(FormGeometry, StatusBarNamesThePanelWhoseTextAloneChanged) {
  auto f = makeObject<SampleForm>();
  auto& bar = f->statusBar("Bar");
  struct Case {
    const char* what;
    std::function<void()> change;
    std::vector<int> told;
  };
  const std::vector<Case> cases = {
      {"a text by key", [&] { bar.setPanelText(Variant("P2"), "two"); }, {1}},
      {"a text by position", [&] { bar.setPanelText(Variant(int32_t{3}), "three"); }, {2}},
      {"the same text", [&] { bar.setPanelText(Variant("P2"), "two"); }, {}},
      {"a tool tip", [&] { bar.setPanelToolTip(Variant("P1"), "tip"); }, {-1}},
      {"a width", [&] { bar.setPanelWidth(Variant("P3"), 900); }, {-1}},
      {"a panel more",
       [&] {
         Panel p;
         p.key = "P4";
         bar.addPanel(p);
       },
       {-1}},
  };
  for (const Case& c : cases) {
    NewTextWatcher w;
    bar.addObserver(&w);
    c.change();
    bar.removeObserver(&w);
    EXPECT_EQ(w.told, c.told) << c.what;
    EXPECT_FALSE(bar.newTextAt().has_value()) << c.what;
  }

  // Told of a text, an observer changes a tool tip and then a text: each notification names
  // what it is about, and the first is still about its text when the second has been told.
  NewTextWatcher w;
  std::optional<size_t> afterNested;
  w.during = [&] {
    bar.setPanelToolTip(Variant("P2"), "other");
    bar.setPanelText(Variant("P3"), "nested");
    afterNested = bar.newTextAt();
  };
  bar.addObserver(&w);
  bar.setPanelText(Variant("P1"), "first");
  bar.removeObserver(&w);
  EXPECT_EQ(w.told, (std::vector<int>{0, -1, 2}));
  EXPECT_EQ(afterNested, std::optional<size_t>(0));
  EXPECT_EQ(bar.panel(Variant("P3")).text, "nested");
}

TEST(FormGeometry, StatusBarObserversSeePanelsThatFitTheNewWidth) {
  auto f = makeObject<SampleForm>();
  auto& bar = f->statusBar("Bar");
  PanelWatcher w;
  bar.addObserver(&w);
  f->setWidth(9000 + 2 * kBorderTwips);
  bar.removeObserver(&w);
  EXPECT_FLOAT_EQ(w.barWidth, 9000);
  EXPECT_FLOAT_EQ(w.panelRightEdge, 9000);
}
