#pragma once
// A window of the component loaded on a recording host and drawn by the Qt front end, in the
// language the test's parameter names: what the screenshot tests of the windows share. A test
// calls loadWindow() in its SetUp, puts the window in the state it wants drawn, then shows it.
#include <gtest/gtest.h>

#include <QRect>
#include <QWidget>
#include <memory>

#include "frontend/qt/front_end.h"
#include "platform/com/ref.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/frontend/qt/qt_test_support.h"
#include "tests/support/fake_host.h"
#include "tests/support/scoped_lang.h"
#include "tolvar/controls/register.h"
#include "velumor/shared/vexaonoff.h"

template <class Form>
class WindowScreensTest : public ::testing::TestWithParam<const char*> {
 protected:
  // The window loads inside the hand-over, as it does for the host.
  void loadWindow() {
    language = std::make_unique<ScopedLang>(GetParam());
    tolvar::controls::registerHostControls();
    velumor::shared::registerVexaOnOff();
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::EventLoop::instance().clearErrors();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
    frontEnd.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
    aim = platform::com::makeObject<fakehost::FakeItemManager>();
    form = platform::com::makeObject<Form>();
    ASSERT_EQ(form->SetAppletItemManagRef(7, aim), 0);
    ASSERT_TRUE(form->isLoaded());
  }

  void showWindow() {
    form->show();
    vtest::settle();
  }

  // A widget's rectangle in its window's coordinates.
  QRect inWindow(QWidget* w) {
    QWidget* win = frontEnd.window(*form);
    return QRect(w->mapTo(win, QPoint(0, 0)), w->size());
  }
  // Where a label stands in its window, drawn by its container.
  QRect inWindow(const frontend::qt::ShownText& label) {
    return vtest::shownIn(label, frontEnd.window(*form));
  }

  void TearDown() override {
    if (form && form->isLoaded()) form->unload();
    form = nullptr;
    aim = nullptr;
    frontEnd.uninstall();
    vtest::settle();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
    platform::ui::EventLoop::instance().clearErrors();
    tolvar::controls::registerHostControls();
    language.reset();
  }

  std::unique_ptr<ScopedLang> language;
  frontend::qt::FrontEnd frontEnd;
  platform::com::Ptr<fakehost::FakeItemManager> aim;
  platform::com::Ptr<Form> form;
};
