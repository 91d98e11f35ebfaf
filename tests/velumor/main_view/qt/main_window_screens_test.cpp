// The main window as the Qt front end draws it, at its minimum size, in English and in
// German. Each page is shown as the user reaches it after the registration tick, written to
// a PNG, and checked for what makes it unreadable: controls outside the tab strip, controls
// on top of each other, and captions wider than their controls in the font they are drawn in.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "frontend/qt/control_views.h"
#include "frontend/qt/display_widgets.h"
#include "frontend/qt/front_end.h"
#include "frontend/qt/qt_convert.h"
#include "tests/frontend/qt/qt_test_support.h"
#include "tests/frontend/qt/screen_checks.h"
#include "tests/support/kit_access.h"
#include "tests/velumor/main_view/main_view_fixture.h"
#include "tests/velumor/window_screens_fixture.h"

namespace {

using platform::com::Ptr;
using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;
using vtest::Box;
using vtest::formBox;
using vtest::inkIn;
using vtest::inside;
using vtest::misfit;
using vtest::overlap;
using vtest::within;

// The tab keys in the order of the window's design.
const std::vector<std::string> kTabOrder = {
    "MainDeviceInfoKey",    "MainSensorKey",    "MainUnitsKey",   "MainValuesKey",      "MainMassCounterKey",
    "MainVolumeCounterKey", "MainDisplayKey",   "MainAlarmKey",   "MainTemparatureKey", "MainOperationKey",
    "MainCommentsKey",      "MainOutputCfgKey", "MainOutput1Key", "MainOutput2Key",     "MainImpulseKey",
};

bool isContainer(const Control& c) {
  return c.type() == ControlType::Frame || c.type() == ControlType::PictureBox;
}

// The overlaps the design means ("mayOverlap"): a control and everything inside it may
// cover the named controls and everything inside those.
std::map<std::string, std::set<std::string>> intendedOverlaps() {
  std::ifstream in(VELUMOR_MAIN_DESIGN);
  const nlohmann::json design = nlohmann::json::parse(in);
  std::map<std::string, std::set<std::string>> out;
  for (const nlohmann::json& c : design.at("controls"))
    if (c.contains("mayOverlap"))
      for (const nlohmann::json& n : c.at("mayOverlap"))
        out[c.at("name").get<std::string>()].insert(n.get<std::string>());
  return out;
}

std::vector<std::string> selfAndContainers(const Control& c) {
  std::vector<std::string> names;
  for (const Control* k = &c; k && k->type() != ControlType::Form; k = k->container())
    names.push_back(k->name());
  return names;
}

bool meant(const std::map<std::string, std::set<std::string>>& intended, const Control& a, const Control& b) {
  for (const std::string& x : selfAndContainers(a)) {
    auto it = intended.find(x);
    if (it == intended.end()) continue;
    for (const std::string& y : selfAndContainers(b))
      if (it->second.count(y)) return true;
  }
  return false;
}

class MainWindowScreens : public WindowScreensTest<velumor::main_view::VelumorMainViewForm> {
 protected:
  void SetUp() override {
    loadWindow();
    if (HasFatalFailure()) return;
    // What the registration tick leaves: the start-up panel gone, the tab strip shown.
    form->ctl("InitFrame").setVisible(false);
    form->ctl("MainTab").setVisible(true);
    showWindow();
  }

  std::string lang() const { return GetParam(); }
  platform::ui::TabStripControl& tabs() { return form->tabStrip("MainTab"); }
  std::vector<std::string> tabKeys() {
    std::vector<std::string> keys;
    for (const platform::ui::Tab& t : tabs().tabs()) keys.push_back(t.key);
    return keys;
  }

  // Selects every tab as the user does: the twelve of the row, then the three parked ones
  // once AddTab has put them back. `visit` gets the key and the page shown (null for
  // the sensor tab, which has none).
  void forEveryTab(const std::function<void(const std::string&, Control*)>& visit) {
    const std::vector<std::string> row = tabKeys();
    ASSERT_EQ(row.size(), 12u);
    for (const std::string& key : row) visitTab(key, visit);
    form->AddTab();
    vtest::settle();
    ASSERT_EQ(tabs().count(), 15);
    std::vector<std::string> parked;
    for (const std::string& key : tabKeys())
      if (std::find(row.begin(), row.end(), key) == row.end()) parked.push_back(key);
    for (const std::string& key : parked) visitTab(key, visit);
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  }

  void visitTab(const std::string& key, const std::function<void(const std::string&, Control*)>& visit) {
    SCOPED_TRACE(lang() + " " + key);
    ASSERT_TRUE(form->userSelectTab(tabs(), Variant(key)));
    vtest::settle();
    Control* page = nullptr;
    int shown = 0;
    for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
      if (form->ctl(frame).visible()) {
        page = &form->ctl(frame);
        ++shown;
      }
    EXPECT_EQ(shown, key == "MainSensorKey" ? 0 : 1);
    visit(key, page);
  }

  // The controls on `page` the user sees.
  std::vector<Control*> visibleOn(const Control& page) {
    std::vector<Control*> out;
    for (const std::unique_ptr<Control>& c : form->controls())
      if (within(*c, page) && c->effectivelyVisible()) out.push_back(c.get());
    return out;
  }
};

TEST_P(MainWindowScreens, EveryPageIsDrawnAtTheMinimumSizeInTheUsersLanguage) {
  EXPECT_FLOAT_EQ(form->width(), static_cast<float>(Kit::minFormWidth(*form)));
  EXPECT_FLOAT_EQ(form->height(), static_cast<float>(Kit::minFormHeight(*form)));
  const std::map<int32_t, std::string> texts = mainview_test::readStringTable(lang());
  const std::filesystem::path dir = VELUMOR_SCREENS_DIR;
  std::filesystem::create_directories(dir);

  forEveryTab([&](const std::string& key, Control* page) {
    // The tab row shows the language's captions, the selected tab among them.
    QTabBar* bar = frontEnd.widget(form->ctl("MainTab"))->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), tabs().count());
    for (int i = 0; i < bar->count(); ++i) {
      const platform::ui::Tab& tab = tabs().tabs()[static_cast<size_t>(i)];
      // Captions are the texts 101 to 115 in the design's order of the tabs.
      const int32_t id =
          100 +
          static_cast<int32_t>(std::find(kTabOrder.begin(), kTabOrder.end(), tab.key) - kTabOrder.begin()) +
          1;
      EXPECT_EQ(bar->tabText(i).toStdString(), texts.at(id)) << tab.key;
    }
    EXPECT_EQ(bar->tabData(bar->currentIndex()).toString().toStdString(), key);

    QString error;
    const QImage img = frontEnd.grabImage(*form, error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    EXPECT_EQ(img.size(), frontEnd.window(*form)->size());
    EXPECT_GT(vtest::distinctColours(img), 16) << "the grab is blank";
    const std::filesystem::path png = dir / ("main_" + lang() + "_" + key + ".png");
    EXPECT_TRUE(img.save(QString::fromStdString(png.string()), "PNG")) << png;
    if (!page) return;

    // Every caption on the page is drawn where its label stands, not hidden behind another
    // control.
    int captions = 0;
    for (Control* c : visibleOn(*page)) {
      if (c->type() != ControlType::Label) continue;
      const frontend::qt::ShownText label = frontEnd.drawnLook(*c);
      ASSERT_NE(label.in, nullptr) << c->qualifiedName();
      if (label.text.trimmed().isEmpty()) continue;
      ++captions;
      EXPECT_GE(inkIn(img, inWindow(label)), 4)
          << c->qualifiedName() << " \"" << label.text.toStdString() << "\" is not drawn";
    }
    // Pages of host rows only (alarms, temperature) and the notes have no label of their own.
    if (key != "MainCommentsKey" && key != "MainAlarmKey" && key != "MainTemparatureKey") {
      EXPECT_GT(captions, 0) << "a page without a label";
    }
  });
}

TEST_P(MainWindowScreens, EveryControlOfAPageLiesInsideTheTabStripAndTheWindow) {
  forEveryTab([&](const std::string&, Control* page) {
    if (!page) return;
    const platform::ui::TabStripControl& strip = tabs();
    const Box client{strip.clientLeft(), strip.clientTop(), strip.clientWidth(), strip.clientHeight()};
    const Box window{0, 0, form->scaleWidth(), form->scaleHeight() - form->ctl("VelumorStatusBar").height()};
    EXPECT_TRUE(inside(formBox(*page), client)) << page->qualifiedName() << " at " << formBox(*page);
    for (Control* c : visibleOn(*page)) {
      const Box b = formBox(*c);
      EXPECT_TRUE(inside(b, client)) << c->qualifiedName() << " at " << b
                                     << " leaves the tab strip's client area " << client;
      EXPECT_TRUE(inside(b, window)) << c->qualifiedName() << " at " << b << " leaves the window " << window;
      const Box own = formBox(*c->container());
      EXPECT_TRUE(inside(b, own)) << c->qualifiedName() << " at " << b << " leaves its container "
                                  << c->container()->qualifiedName() << " at " << own;
    }
  });
}

TEST_P(MainWindowScreens, NoTwoControlsOfAPageOverlap) {
  const auto intended = intendedOverlaps();
  forEveryTab([&](const std::string&, Control* page) {
    if (!page) return;
    std::vector<Control*> leaves;
    for (Control* c : visibleOn(*page))
      if (!isContainer(*c)) leaves.push_back(c);
    for (size_t i = 0; i < leaves.size(); ++i)
      for (size_t j = i + 1; j < leaves.size(); ++j) {
        const Control& a = *leaves[i];
        const Control& b = *leaves[j];
        if (!overlap(formBox(a), formBox(b)) || meant(intended, a, b) || meant(intended, b, a)) continue;
        ADD_FAILURE() << a.qualifiedName() << " at " << formBox(a) << " overlaps " << b.qualifiedName()
                      << " at " << formBox(b);
      }
  });
}

TEST_P(MainWindowScreens, EveryCaptionFitsInTheFontItIsDrawnWith) {
  forEveryTab([&](const std::string&, Control* page) {
    if (!page) return;
    int checked = 0;
    auto check = [&](const Control& c, const char* part, const QString& text, const std::string& why) {
      ++checked;
      if (!why.empty())
        ADD_FAILURE() << c.qualifiedName() << part << " \"" << text.toStdString() << "\" " << why;
    };
    // A button or a framed box keeps some of its width free beside its caption.
    auto wide = [](const QWidget& w, const QString& text, int margin) -> std::string {
      const int needed = QFontMetrics(w.font()).horizontalAdvance(text) + margin;
      if (needed <= w.width()) return {};
      return "needs " + std::to_string(needed) + " px, the control has " + std::to_string(w.width()) +
             " px of width";
    };
    for (Control* c : visibleOn(*page)) {
      if (c->type() == ControlType::Label) {
        const frontend::qt::ShownText label = frontEnd.drawnLook(*c);
        ASSERT_NE(label.in, nullptr) << c->qualifiedName();
        if (!label.text.isEmpty()) check(*c, "", label.text, misfit(label));
        continue;
      }
      QWidget* w = frontEnd.widget(*c);
      ASSERT_NE(w, nullptr) << c->qualifiedName();
      if (c->typeName() == "Tolvar4LabelTextUnit") {
        // The row draws its label before the field; the unit (empty without a device) follows it.
        auto* row = dynamic_cast<frontend::qt::LabelTextUnitWidget*>(w);
        ASSERT_NE(row, nullptr) << c->qualifiedName();
        const frontend::qt::DrawnText& label = row->label();
        if (!label.text.isEmpty())
          check(*c, " label", label.text,
                frontend::qt::textMisfit(row->font(), label.rect, label.text, false));
      } else if (c->type() == ControlType::CommandButton) {
        auto* button = qobject_cast<QPushButton*>(w);
        ASSERT_NE(button, nullptr) << c->qualifiedName();
        check(*c, "", button->text(), wide(*button, button->text(), 8));
      } else if (c->type() == ControlType::Frame) {
        auto* box = qobject_cast<QGroupBox*>(w);
        if (box && !box->title().isEmpty() && c->getProperty("BorderStyle").toLong() != 0)
          check(*c, " title", box->title(), wide(*box, box->title(), 16));
      }
    }
    if (page->name() != "MainCommentsFrame") {
      EXPECT_GT(checked, 0);
    }
  });
}

// The width a line edit has for its text: its contents less the frame's inner margins.
int textRoom(const QLineEdit& edit) {
  QStyleOptionFrame opt;
  opt.initFrom(&edit);
  opt.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &edit);
  const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &edit);
  const QMargins m = edit.textMargins();
  return contents.width() - m.left() - m.right() - 2 * 2;  // the edit's own margin on each side
}

TEST_P(MainWindowScreens, EveryValueFieldShowsALongNegativeNumberWhole) {
  const std::filesystem::path dir = VELUMOR_SCREENS_DIR;
  std::filesystem::create_directories(dir);
  const QString numbers[] = {QStringLiteral("-1234.567"), QStringLiteral("-9876.543")};
  forEveryTab([&](const std::string& key, Control* page) {
    if (!page) return;
    int fields = 0;
    std::map<std::tuple<const Control*, float, float>, int> valueX;  // a column's value field x
    for (const QString& number : numbers) {
      for (Control* c : visibleOn(*page)) {
        const bool row = c->typeName() == "Tolvar4LabelTextUnit";
        if (!row && c->typeName() != "Tolvar4Text") continue;
        QWidget* w = frontEnd.widget(*c);
        ASSERT_NE(w, nullptr) << c->qualifiedName();
        auto* edit = row ? w->findChild<QLineEdit*>() : qobject_cast<QLineEdit*>(w);
        if (!edit) edit = w->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr) << c->qualifiedName();
        edit->setText(number);
        edit->setCursorPosition(0);
        ++fields;
        const int needed = edit->fontMetrics().horizontalAdvance(number);
        EXPECT_LE(needed, textRoom(*edit)) << c->qualifiedName() << " shows \"" << number.toStdString()
                                           << "\" in " << textRoom(*edit) << " px, it needs " << needed;
        if (!row) continue;
        // The value fields of the rows stacked in one container (same left edge and width)
        // stand in one column.
        const int x = edit->mapTo(frontEnd.window(*form), QPoint(0, 0)).x();
        const auto column = std::make_tuple(c->container(), c->left(), c->width());
        const auto seen = valueX.find(column);
        if (seen == valueX.end()) {
          valueX.emplace(column, x);
        } else {
          EXPECT_EQ(x, seen->second) << c->qualifiedName() << " stands out of its column";
        }
      }
      vtest::settle();
    }
    if (fields == 0) return;
    QString error;
    const QImage img = frontEnd.grabImage(*form, error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    const std::filesystem::path png = dir / ("main_" + lang() + "_" + key + "_values.png");
    EXPECT_TRUE(img.save(QString::fromStdString(png.string()), "PNG")) << png;
  });
}

// The row of pixels most of a text's letters stand on: the lowest row with at least a third
// of the ink of the inkiest row (descenders have little); -1 without ink.
int inkBaseline(const QImage& img, const QRect& r) {
  std::vector<int> rows;
  for (int y = r.top(); y <= r.bottom(); ++y)
    rows.push_back(vtest::inkIn(img, QRect(r.left(), y, r.width(), 1)));
  const int most = rows.empty() ? 0 : *std::max_element(rows.begin(), rows.end());
  if (most == 0) return -1;
  int base = -1;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i] * 3 >= most) base = r.top() + static_cast<int>(i);
  return base;
}

TEST_P(MainWindowScreens, CaptionsStandOnTheLineOfTheirFieldsWithoutAStripe) {
  int pairs = 0;
  forEveryTab([&](const std::string&, Control* page) {
    if (!page) return;
    // Every field shows a number, so that its text has ink to compare with.
    for (Control* c : visibleOn(*page))
      if (auto* edit = frontEnd.widget(*c) ? frontEnd.widget(*c)->findChild<QLineEdit*>() : nullptr)
        edit->setText(QStringLiteral("-1234.567"));
    for (Control* c : visibleOn(*page))
      if (auto* edit = qobject_cast<QLineEdit*>(frontEnd.widget(*c)))
        edit->setText(QStringLiteral("-1234.567"));
    vtest::settle();
    QString error;
    const QImage img = frontEnd.grabImage(*form, error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    for (Control* label : visibleOn(*page)) {
      if (label->type() != ControlType::Label || label->caption().empty()) continue;
      const frontend::qt::ShownText shown = frontEnd.drawnLook(*label);
      ASSERT_NE(shown.in, nullptr);
      const QRect lr = inWindow(shown);
      // No lighter stripe: the label's face is its frame's, just beside it on the same line.
      const QPoint inside(lr.right() - 1, lr.top() + 1), above(lr.left() - 2, lr.top() + 1);
      QWidget* parent = shown.in;
      const bool faceAbove = inWindow(parent).contains(above) &&
                             !parent->childAt(parent->mapFrom(frontEnd.window(*form), above));
      if (faceAbove) {
        EXPECT_EQ(img.pixelColor(inside), img.pixelColor(above))
            << label->qualifiedName() << " stands on a stripe";
      }
      // The field on the label's line to its right, if any.
      QLineEdit* field = nullptr;
      for (Control* c : visibleOn(*page)) {
        if (c->container() != label->container() || c->left() < label->left() + label->width() / 2) continue;
        const double mid = label->top() + label->height() / 2;
        if (mid < c->top() || mid > c->top() + c->height()) continue;
        QWidget* w = frontEnd.widget(*c);
        auto* edit =
            w ? (qobject_cast<QLineEdit*>(w) ? qobject_cast<QLineEdit*>(w) : w->findChild<QLineEdit*>())
              : nullptr;
        if (edit && (!field || c->left() < field->x())) field = edit;
      }
      if (!field) continue;
      ++pairs;
      const int labelBase = inkBaseline(img, lr);
      const int fieldBase = inkBaseline(img, inWindow(field).adjusted(3, 3, -3, -3));
      ASSERT_GE(labelBase, 0) << label->qualifiedName();
      ASSERT_GE(fieldBase, 0) << label->qualifiedName();
      EXPECT_NEAR(labelBase, fieldBase, 1)
          << label->qualifiedName() << " \"" << label->caption() << "\" stands off its field's line";
    }
  });
  EXPECT_GT(pairs, 10);
}

TEST_P(MainWindowScreens, TheValueFieldsOfTheOutputPagesStandInTheColumnOfTheirFields) {
  forEveryTab([&](const std::string& key, Control*) {
    if (key != "MainOutput1Key" && key != "MainOutput2Key") return;
    const std::string ch = key == "MainOutput1Key" ? "Output1" : "Output2";
    QWidget* win = frontEnd.window(*form);
    const int column = frontEnd.widget(form->ctl(ch + "Text", 0))->mapTo(win, QPoint(0, 0)).x();
    for (int32_t i : {0, 1}) {
      QWidget* row = frontEnd.widget(form->ctl(ch + "MLabelTextUnit", i));
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->findChild<QLineEdit*>()->mapTo(win, QPoint(0, 0)).x(), column) << ch << " row " << i;
    }
  });
}

TEST_P(MainWindowScreens, AMaximisedWindowIsLaidOutForItsSizeAndRestored) {
  const float minW = form->width(), minH = form->height();
  const double tabW = form->ctl("MainTab").width();
  QWidget* win = frontEnd.window(*form);
  ASSERT_NE(win, nullptr);
  auto checkFills = [&](const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(form->windowState(), platform::ui::kMaximized);
    EXPECT_TRUE(win->windowState() & Qt::WindowMaximized);
    // The model lays the window out for the size the window system gave it.
    EXPECT_GT(form->width(), minW + 1000);
    EXPECT_NEAR(frontend::qt::twipsToPx(form->scaleWidth()), win->width(), 2);
    const Control& tab = form->ctl("MainTab");
    EXPECT_NEAR(tab.width() - tabW, form->width() - minW, 2);
    const Control& bar = form->ctl("VelumorStatusBar");
    EXPECT_NEAR(bar.top() + bar.height(), form->scaleHeight(), 2);
    EXPECT_NEAR(bar.width(), form->scaleWidth(), 2);
    // The page of the selected tab fills the tab strip's client area.
    Control* page = nullptr;
    for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames()) {
      if (form->ctl(frame).visible()) page = &form->ctl(frame);
    }
    ASSERT_NE(page, nullptr);
    EXPECT_NEAR(page->width(), tabs().clientWidth(), 2);
  };
  auto checkRestored = [&](const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(form->windowState(), platform::ui::kNormal);
    EXPECT_FALSE(win->windowState() & Qt::WindowMaximized);
    EXPECT_FLOAT_EQ(form->width(), minW);
    EXPECT_FLOAT_EQ(form->height(), minH);
    EXPECT_NEAR(form->ctl("MainTab").width(), tabW, 1);
    EXPECT_NEAR(frontend::qt::twipsToPx(form->scaleWidth()), win->width(), 2);
  };

  // The program maximises the window.
  form->setWindowState(platform::ui::kMaximized);
  vtest::settle();
  checkFills("maximised by the program");
  QString error;
  QImage img = frontEnd.grabImage(*form, error);
  ASSERT_FALSE(img.isNull()) << error.toStdString();
  EXPECT_TRUE(img.save(
      QString::fromStdString(
          (std::filesystem::path(VELUMOR_SCREENS_DIR) / ("main_" + lang() + "_maximised.png")).string()),
      "PNG"));
  form->setWindowState(platform::ui::kNormal);
  vtest::settle();
  checkRestored("restored by the program");

  // The user maximises it with the window system, on another page, and restores it.
  ASSERT_TRUE(form->userSelectTab(tabs(), Variant("MainOutput1Key")));
  win->showMaximized();
  vtest::settle();
  checkFills("maximised by the user");
  win->showNormal();
  vtest::settle();
  checkRestored("restored by the user");
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowScreens, ::testing::Values("en", "de"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
