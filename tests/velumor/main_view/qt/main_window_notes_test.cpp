// Typing on the Notes page as in any text editor: the caret stays where the user typed,
// line breaks and Backspace work, pasted text arrives whole, and the box still keeps at most
// 15 lines of 80 characters.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <functional>
#include <string>
#include <vector>

#include "tests/velumor/main_view/main_view_fixture.h"
#include "tests/velumor/window_screens_fixture.h"

namespace {

using platform::com::Variant;

class MainWindowNotes : public WindowScreensTest<velumor::main_view::VelumorMainViewForm> {
 protected:
  void SetUp() override {
    loadWindow();
    if (HasFatalFailure()) return;
    form->ctl("InitFrame").setVisible(false);
    form->ctl("MainTab").setVisible(true);
    showWindow();
    ASSERT_TRUE(form->userSelectTab(form->tabStrip("MainTab"), Variant("MainCommentsKey")));
    vtest::settle();
    box = qobject_cast<QPlainTextEdit*>(frontEnd.widget(form->ctl("CommentsText")));
    ASSERT_NE(box, nullptr);
    box->setFocus();
  }

  void press(Qt::Key k, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, mods, text);
    QCoreApplication::sendEvent(box, &e);
  }
  void type(const QString& text) {
    for (QChar ch : text) press(Qt::Key_unknown, QString(ch));
  }
  void paste(const QString& text) {
    QApplication::clipboard()->setText(text);
    box->paste();
  }
  // The model's lines, without the empty ones at the end.
  std::vector<std::string> lines() {
    std::string t = form->ctl("CommentsText").text();
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t p; (p = t.find("\r\n", start)) != std::string::npos; start = p + 2)
      out.push_back(t.substr(start, p - start));
    if (start < t.size()) out.push_back(t.substr(start));
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
  }
  // Line and column of the caret as the user sees it.
  std::pair<int, int> caret() {
    QTextCursor c = box->textCursor();
    return {c.blockNumber(), c.positionInBlock()};
  }

  QPlainTextEdit* box = nullptr;
};

TEST_P(MainWindowNotes, TypingEnterAndBackspaceKeepTheCaretWhereTheUserIs) {
  struct Case {
    const char* name;
    std::function<void()> keys;
    std::vector<std::string> lines;
    std::pair<int, int> caret;
  };
  const std::vector<Case> cases = {
      {"two lines",
       [this] {
         type("Hallo");
         press(Qt::Key_Return);
         type("Welt");
       },
       {"Hallo", "Welt"},
       {1, 4}},
      {"inside a word",
       [this] {
         type("Hallo");
         press(Qt::Key_Left);
         press(Qt::Key_Left);
         type("X");
       },
       {"HalXlo"},
       {0, 4}},
      {"break inside a line",
       [this] {
         type("HalloWelt");
         for (int i = 0; i < 4; ++i) press(Qt::Key_Left);
         press(Qt::Key_Return);
       },
       {"Hallo", "Welt"},
       {1, 0}},
      {"backspace joins lines",
       [this] {
         type("Hallo");
         press(Qt::Key_Return);
         type("Welt");
         press(Qt::Key_Home);
         press(Qt::Key_Backspace);
       },
       {"HalloWelt"},
       {0, 5}},
      {"backspace in a later line",
       [this] {
         type("a");
         press(Qt::Key_Return);
         press(Qt::Key_Return);
         type("bcd");
         press(Qt::Key_Backspace);
       },
       {"a", "", "bc"},
       {2, 2}},
      {"umlauts",
       [this] {
         type(QStringLiteral("Grüße"));
         press(Qt::Key_Return);
         type(QStringLiteral("ä"));
       },
       {"Grüße", "ä"},
       {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->ctl("CommentsText").setText("");
    box->moveCursor(QTextCursor::Start);
    c.keys();
    vtest::settle();
    EXPECT_EQ(lines(), c.lines);
    EXPECT_EQ(caret(), c.caret);
    // The box shows what the model keeps.
    QString shown = box->toPlainText();
    shown.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    EXPECT_EQ(shown.toStdString(), form->ctl("CommentsText").text());
  }
}

TEST_P(MainWindowNotes, PastedTextArrivesWholeWithinFifteenLinesOfEighty) {
  paste(QStringLiteral("eins\r\nzwei\ndrei"));
  vtest::settle();
  EXPECT_EQ(lines(), (std::vector<std::string>{"eins", "zwei", "drei"}));
  EXPECT_EQ(caret(), (std::pair<int, int>{2, 4}));

  form->ctl("CommentsText").setText("");
  box->moveCursor(QTextCursor::Start);
  QStringList many;
  for (int i = 1; i <= 20; ++i) many << QStringLiteral("Zeile %1").arg(i);
  paste(many.join(QLatin1Char('\n')));
  vtest::settle();
  const std::vector<std::string> kept = lines();
  ASSERT_EQ(kept.size(), 15u);
  EXPECT_EQ(kept.back(), "Zeile 15");
  EXPECT_EQ(box->document()->blockCount(), 16);  // 15 lines, each ended by its line break

  form->ctl("CommentsText").setText("");
  box->moveCursor(QTextCursor::Start);
  paste(QString(100, QLatin1Char('x')));
  vtest::settle();
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines().front(), std::string(80, 'x'));
  EXPECT_EQ(box->document()->firstBlock().text().size(), 80);
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowNotes, ::testing::Values("en"));

}  // namespace
