// The diagnosis window as the Qt front end draws it, at its minimum size, in English and in
// German. Each group is shown as the user reaches it, written to a PNG, and checked for what
// makes it unreadable: rows outside the tab strip, rows on top of each other, captions wider
// than their controls in the font they are drawn in.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPushButton>
#include <QTabBar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/qt/front_end.h"
#include "frontend/qt/qt_services.h"
#include "tests/frontend/qt/screen_checks.h"
#include "tests/support/kit_access.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"
#include "tests/velumor/window_screens_fixture.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace {

using platform::com::Ptr;
using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;
using vtest::Box;
using vtest::formBox;

class DiagWindowScreens : public WindowScreensTest<velumor::diag_view::VelumorDiagViewForm> {
 protected:
  void SetUp() override {
    loadWindow();
    if (HasFatalFailure()) return;
    showWindow();
  }

  std::string lang() const { return GetParam(); }
  platform::ui::TabStripControl& tabs() { return form->tabStrip("MainTab"); }

  // Selects every tab as the user does; `visit` gets the key and the frame shown.
  void forEveryTab(const std::function<void(const std::string&, Control&)>& visit) {
    std::vector<std::string> keys;
    for (const platform::ui::Tab& t : tabs().tabs()) keys.push_back(t.key);
    ASSERT_EQ(keys.size(), 9u);
    for (const std::string& key : keys) {
      SCOPED_TRACE(lang() + " " + key);
      ASSERT_TRUE(form->userSelectTab(tabs(), Variant(key)));
      vtest::settle();
      const velumor::diag_view::VelumorDiagViewForm::Group* g =
          velumor::diag_view::VelumorDiagViewForm::groupOfKey(key);
      ASSERT_NE(g, nullptr);
      Control& frame = form->ctl("Diag" + std::string(g->name) + "Frame");
      ASSERT_TRUE(frame.visible());
      visit(key, frame);
    }
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  }

  std::vector<Control*> visibleOn(const Control& frame) {
    std::vector<Control*> out;
    for (const std::unique_ptr<Control>& c : form->controls())
      if (vtest::within(*c, frame) && c->effectivelyVisible()) out.push_back(c.get());
    return out;
  }
};

TEST_P(DiagWindowScreens, EveryGroupIsDrawnAtTheMinimumSizeInTheUsersLanguage) {
  EXPECT_FLOAT_EQ(form->width(), static_cast<float>(Kit::minFormWidth(*form)));
  EXPECT_FLOAT_EQ(form->height(), static_cast<float>(Kit::minFormHeight(*form)));
  const std::map<int32_t, std::string> texts = mainview_test::readStringTable(lang());
  const std::filesystem::path dir = VELUMOR_SCREENS_DIR;
  std::filesystem::create_directories(dir);

  forEveryTab([&](const std::string& key, Control& frame) {
    QTabBar* bar = frontEnd.widget(form->ctl("MainTab"))->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), 9);
    EXPECT_EQ(bar->tabData(bar->currentIndex()).toString().toStdString(), key);
    EXPECT_EQ(bar->tabText(bar->currentIndex()).toStdString(),
              texts.at(velumor::diag_view::VelumorDiagViewForm::groupOfKey(key)->titleId));
    EXPECT_FALSE(bar->tabIcon(bar->currentIndex()).isNull()) << "the tab shows no picture";

    QString error;
    const QImage img = frontEnd.grabImage(*form, error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    EXPECT_GT(vtest::distinctColours(img), 16) << "the grab is blank";
    const std::filesystem::path png = dir / ("diag_" + lang() + "_" + key + ".png");
    EXPECT_TRUE(img.save(QString::fromStdString(png.string()), "PNG")) << png;

    // Every row caption and every value is drawn where it stands.
    int rows = 0;
    for (Control* c : visibleOn(frame)) {
      if (c->type() == ControlType::Label) {
        const frontend::qt::ShownText label = frontEnd.drawnLook(*c);
        ASSERT_NE(label.in, nullptr) << c->qualifiedName();
        ++rows;
        EXPECT_GE(vtest::inkIn(img, inWindow(label)), 4)
            << c->qualifiedName() << " \"" << label.text.toStdString() << "\" is not drawn";
      }
    }
    EXPECT_GT(rows, 0);
  });
}

TEST_P(DiagWindowScreens, EveryRowLiesInsideTheTabStripWithoutOverlap) {
  forEveryTab([&](const std::string&, Control& frame) {
    const platform::ui::TabStripControl& strip = tabs();
    const Box client{strip.clientLeft(), strip.clientTop(), strip.clientWidth(), strip.clientHeight()};
    EXPECT_TRUE(vtest::inside(formBox(frame), client)) << frame.qualifiedName() << " at " << formBox(frame);
    const std::vector<Control*> shown = visibleOn(frame);
    for (Control* c : shown)
      EXPECT_TRUE(vtest::inside(formBox(*c), formBox(frame))) << c->qualifiedName() << " at " << formBox(*c);
    for (size_t i = 0; i < shown.size(); ++i)
      for (size_t j = i + 1; j < shown.size(); ++j)
        EXPECT_FALSE(vtest::overlap(formBox(*shown[i]), formBox(*shown[j])))
            << shown[i]->qualifiedName() << " overlaps " << shown[j]->qualifiedName();
  });
}

TEST_P(DiagWindowScreens, EveryCaptionAndValueFitsInTheFontItIsDrawnWith) {
  forEveryTab([&](const std::string&, Control& frame) {
    int checked = 0;
    for (Control* c : visibleOn(frame)) {
      QWidget* w = frontEnd.widget(*c);
      const frontend::qt::ShownText label = frontEnd.drawnLook(*c);
      ASSERT_TRUE(w || label.in) << c->qualifiedName();
      std::string why;
      QString text;
      if (c->type() == ControlType::Label) {
        text = label.text;
        why = vtest::misfit(label);
      } else if (c->type() == ControlType::CommandButton) {
        auto* button = qobject_cast<QPushButton*>(w);
        ASSERT_NE(button, nullptr);
        text = button->text();
        why = vtest::tooNarrow(*button, text, 8);
      } else if (c->type() == ControlType::TextBox) {
        auto* edit = qobject_cast<QLineEdit*>(w);
        if (!edit) continue;
        // Every value the row can show, not only "off".
        for (int32_t id : {20001, 20002, 20003, 20004}) {
          const QString value =
              QString::fromStdString(velumor::shared::LoadResStringByLang(static_cast<int16_t>(id)));
          const std::string misses = vtest::tooNarrow(*edit, value, 8);
          if (!misses.empty())
            ADD_FAILURE() << c->qualifiedName() << " \"" << value.toStdString() << "\" " << misses;
        }
        ++checked;
        continue;
      } else {
        continue;
      }
      ++checked;
      if (!why.empty()) ADD_FAILURE() << c->qualifiedName() << " \"" << text.toStdString() << "\" " << why;
    }
    EXPECT_GT(checked, 0);
  });
}

INSTANTIATE_TEST_SUITE_P(Languages, DiagWindowScreens, ::testing::Values("en", "de"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace

// ------------------------------------------------------------------ printing to PDF

namespace {

TEST(DiagReportPdf, ThePrintedReportBecomesAPdfOfItsPages) {
  ScopedLang english("en");
  tolvar::controls::registerHostControls();
  velumor::shared::registerVexaOnOff();
  platform::ui::EventLoop::instance().useManualClock();
  platform::ui::Services::installHeadless();
  platform::ui::Services::headless().reset();
  auto aim = platform::com::makeObject<fakehost::FakeItemManager>();
  auto form = platform::com::makeObject<velumor::diag_view::VelumorDiagViewForm>();
  ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0);
  form->show();
  platform::ui::Services::headless().queuePrinter({true, 1, false});
  ASSERT_TRUE(form->userClick(form->ctl("MenuPrint")));
  ASSERT_EQ(platform::ui::Services::headless().printed().size(), 1u);
  const platform::ui::PrintDocument doc = platform::ui::Services::headless().printed()[0];
  form->unload();

  const std::filesystem::path pdf = std::filesystem::path(VELUMOR_SCREENS_DIR) / "diag_report_en.pdf";
  std::filesystem::create_directories(pdf.parent_path());
  {
    QPdfWriter writer(QString::fromStdString(pdf.string()));
    frontend::qt::printDocument(doc, writer);
  }
  std::ifstream in(pdf, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
  // Every line of the report that holds text is a run on the pages: the caption, the two
  // header lines, nine group titles and 49 rows. The headless page holds 59 columns, so the
  // rows (values from column 60) and the connection-state header continue on a second run.
  size_t runs = 0;
  for (const auto& page : doc.pages) runs += page.size();
  EXPECT_EQ(runs, 61u + 49u + 1u);
  platform::ui::Services::installHeadless();
  platform::ui::Services::headless().reset();
}

}  // namespace
