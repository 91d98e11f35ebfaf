// What cannot be used looks so: disabled controls in the platform's disabled colours,
// read-only fields in its read-only background and passed by the Tab key.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "qt_test_support.h"

using namespace vtest;
using platform::com::Variant;

namespace {

// Pixels close to black: the ink of a caption in the normal text colour.
int blackInk(const QImage& img) {
  return countPixels(img, img.rect(), [](QColor c) { return c.lightness() < 60; });
}

// The colour in the middle of a field's right end, where no text stands.
QColor background(QWidget* w) {
  QImage img = shot(w);
  return img.pixelColor(img.width() - 6, img.height() / 2);
}

}  // namespace

using Looks = FrontEndTest;

TEST_F(Looks, DisabledButtonsAndLabelsLoseTheirBlackInk) {
  auto f = openForm();
  for (const char* name : {"Apply", "Title"}) {
    SCOPED_TRACE(name);
    platform::ui::Control& c = f->ctl(name);
    c.setProperty("ForeColor", Variant(int32_t{0}));  // black, set by the form
    // A label is drawn by its frame.
    auto ink = [&] { return blackInk(frontEnd.widget(c) ? shot(frontEnd.widget(c)) : shot(caption(c))); };
    const int live = ink();
    ASSERT_GT(live, 10) << "the caption is drawn";
    c.setEnabled(false);
    EXPECT_LT(ink(), live / 4) << "a disabled caption looks like a live one";
    c.setEnabled(true);
    EXPECT_EQ(ink(), live);
  }
  // A label in a disabled frame looks disabled too.
  const int live = blackInk(shot(caption(f->ctl("Title"))));
  f->ctl("PageFrame").setEnabled(false);
  EXPECT_LT(blackInk(shot(caption(f->ctl("Title")))), live / 4);
  EXPECT_FALSE(caption(f->ctl("Title")).enabled);
}

TEST_F(Looks, ReadOnlyFieldsShowItAndTheTabKeyPassesThem) {
  auto f = openForm();
  QWidget* win = frontEnd.window(*f);
  win->activateWindow();
  ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == win; }));
  auto* edit = widgetAs<QLineEdit>(f->ctl("Edit"));
  auto* tagText = widgetAs<QLineEdit>(f->ctl("TagText"));
  ASSERT_NE(tagText, nullptr);
  fake(*f, "TagText").set("Editable", Variant(true));
  fake(*f, "TagText").set("Text", Variant("TAG"));
  settle();
  const QColor editable = background(edit);
  EXPECT_EQ(background(tagText), editable);

  f->ctl("Edit").setProperty("Locked", Variant(true));
  fake(*f, "TagText").set("Editable", Variant(false));
  settle();
  const QColor window = QApplication::palette().color(QPalette::Window);
  EXPECT_NE(background(edit), editable);
  EXPECT_TRUE(near(background(edit), window, 8));
  EXPECT_TRUE(near(background(tagText), window, 8));
  // Walking the window with Tab never stops in a read-only field.
  widgetAs<QWidget>(f->ctl("Check"))->setFocus();
  int stops = 0;
  for (int i = 0; i < 40; ++i) {
    QWidget* from = QApplication::focusWidget();
    ASSERT_NE(from, nullptr);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(from, &tab);
    QWidget* now = QApplication::focusWidget();
    if (now != from) ++stops;
    EXPECT_NE(now, edit);
    EXPECT_NE(now, tagText);
  }
  EXPECT_GT(stops, 30) << "the Tab key moves through the window";
  // A read-only field with a colour of its own keeps it.
  f->ctl("Edit").setProperty("BackColor", Variant(int32_t{0x0000FF}));  // red
  settle();
  EXPECT_TRUE(near(background(edit), QColor(255, 0, 0), 8));
  f->ctl("Edit").setProperty("BackColor", Variant(static_cast<int32_t>(0x80000005u)));
  f->ctl("Edit").setProperty("Locked", Variant(false));
  settle();
  EXPECT_EQ(background(edit), editable);
}
