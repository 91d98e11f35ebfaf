// Where windows open and which of them has the keyboard.
#include <QApplication>
#include <QScreen>

#include "frontend/qt/form_window.h"
#include "qt_test_support.h"

using namespace vtest;
using platform::com::Variant;

namespace {

const char* kSmallDesign = R"({
  "form": {"name": "Small", "props": {"Caption": "Klein", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [{"name": "Edit", "type": "TextBox", "props": {"Left": 150, "Top": 150, "Width": 1500, "Height": 285}}]
})";

QRect screenArea() {
  return QApplication::primaryScreen()->availableGeometry();
}

}  // namespace

using WindowPlacement = FrontEndTest;

TEST_F(WindowPlacement, EachNewWindowOpensCascadedFromTheActiveOne) {
  auto a = openForm(kSmallDesign);
  QWidget* wa = frontEnd.window(*a);
  EXPECT_TRUE(screenArea().contains(wa->frameGeometry()));
  wa->activateWindow();
  ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == wa; }));
  auto b = openForm(kSmallDesign);
  QWidget* wb = frontEnd.window(*b);
  EXPECT_EQ(wb->frameGeometry().topLeft() - wa->frameGeometry().topLeft(), QPoint(32, 32));
  ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == wb; }));
  auto c = openForm(kSmallDesign);
  EXPECT_EQ(frontEnd.window(*c)->frameGeometry().topLeft() - wb->frameGeometry().topLeft(), QPoint(32, 32));
}

TEST_F(WindowPlacement, WindowsOpenedFromOneWindowStandApart) {
  auto a = openForm(kSmallDesign);
  QWidget* wa = frontEnd.window(*a);
  std::vector<platform::com::Ptr<MirrorForm>> opened;
  std::vector<QPoint> corners;
  for (int i = 0; i < 3; ++i) {
    wa->activateWindow();  // the user goes back to the first window and opens the next
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == wa; }));
    opened.push_back(openForm(kSmallDesign));
    corners.push_back(frontEnd.window(*opened.back())->frameGeometry().topLeft() -
                      wa->frameGeometry().topLeft());
  }
  EXPECT_EQ(corners, (std::vector<QPoint>{QPoint(32, 32), QPoint(64, 64), QPoint(96, 96)}));
}

TEST_F(WindowPlacement, AWindowStaysInsideTheScreen) {
  const QRect area = screenArea();
  struct Case {
    const char* name;
    float left, top;  // twips; 0, 0 leaves the place to the cascade
    int start;        // StartUpPosition
  };
  const Case cases[] = {
      {"beyond the bottom right", 15.0f * (area.right() + 50), 15.0f * (area.bottom() + 50), 0},
      {"above the top left", -15.0f * 400, -15.0f * 300, 0},
      {"centred on the screen", 0, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto f = platform::com::makeObject<MirrorForm>(kSmallDesign, "Small");
    f->ensureLoaded();
    f->setProperty("StartUpPosition", Variant(static_cast<int16_t>(c.start)));
    f->setLeft(c.left);
    f->setTop(c.top);
    f->show();
    settle();
    const QRect frame = frontEnd.window(*f)->frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
    if (c.start == 2) {
      // Off by no more than the frame, which is known only once the window shows.
      const QRect inner = frontEnd.window(*f)->geometry();
      EXPECT_LE((frame.center() - area.center()).manhattanLength(),
                2 + (frame.width() - inner.width()) + (frame.height() - inner.height()));
    }
    f->unload();
    settle();
  }
}

TEST(WindowCascade, ACascadeThatWouldLeaveTheScreenStartsAgainAtItsCorner) {
  const QRect area(0, 0, 800, 600);
  EXPECT_EQ(frontend::qt::cascadePosition(QRect(100, 50, 300, 200), QSize(300, 200), area), QPoint(132, 82));
  EXPECT_EQ(frontend::qt::cascadePosition(QRect(480, 50, 300, 200), QSize(300, 200), area), QPoint(32, 32));
  EXPECT_EQ(frontend::qt::cascadePosition(QRect(100, 380, 300, 200), QSize(300, 200), area), QPoint(32, 32));
  EXPECT_EQ(frontend::qt::cascadePosition(QRect(), QSize(300, 200), area), QPoint(32, 32));
  // Windows opened one after the other from one window step past each other, and past the
  // screen's edge to its corner; with every place taken, the last one tried is kept.
  struct Case {
    QRect opener;
    std::vector<QPoint> taken;
    QPoint placed;
  };
  const Case cases[] = {
      {QRect(100, 50, 300, 200), {QPoint(132, 82)}, QPoint(164, 114)},
      {QRect(100, 50, 300, 200), {QPoint(164, 114), QPoint(132, 82)}, QPoint(196, 146)},
      {QRect(100, 50, 300, 200), {QPoint(132, 83)}, QPoint(132, 82)},  // a pixel apart is not the same place
      {QRect(440, 50, 300, 200), {QPoint(472, 82)}, QPoint(32, 32)},
      {QRect(440, 50, 300, 200), {QPoint(472, 82), QPoint(32, 32)}, QPoint(64, 64)},
      {QRect(), {QPoint(32, 32)}, QPoint(64, 64)},
      {QRect(400, 380, 300, 200), {QPoint(32, 32), QPoint(64, 64)}, QPoint(96, 96)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(frontend::qt::cascadePosition(c.opener, QSize(300, 200), area, c.taken), c.placed)
        << c.opener.x() << "," << c.opener.y();
  // Larger than the screen: its top left corner stays on the screen.
  EXPECT_EQ(frontend::qt::insideArea(QRect(200, 100, 1000, 700), area), QPoint(0, 0));
  EXPECT_EQ(frontend::qt::insideArea(QRect(-40, 590, 100, 100), area), QPoint(0, 500));
}
