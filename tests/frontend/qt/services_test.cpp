// The Qt services: message boxes, dialogs, printing, help, modal runs, and the model's
// timers running on real time through every nested wait.
#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>

#include "frontend/qt/qt_services.h"
#include "qt_test_support.h"
#include "tests/support/scoped_lang.h"

using namespace vtest;
namespace mb = platform::ui::mb;

namespace {

const char* kTimerDesign = R"({
  "form": {"name": "TimerForm", "props": {"Caption": "Zeit", "ClientWidth": 3000, "ClientHeight": 1500}},
  "controls": [
    {"name": "Tick", "type": "Timer", "props": {"Interval": 10, "Enabled": false}},
    {"name": "Other", "type": "Timer", "props": {"Interval": 15, "Enabled": false}},
    {"name": "Info", "type": "Label", "props": {"Left": 150, "Top": 150, "Width": 2000, "Height": 255, "Caption": "läuft"}}
  ]
})";

QAbstractButton* buttonOf(QMessageBox* box, QMessageBox::StandardButton b) {
  return box->button(b);
}

// Answers the next message box once `ready` holds, noting what it offered.
struct BoxAnswer {
  QStringList buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultText;
  QString text;
  bool seen = false;
};

[[nodiscard]] std::unique_ptr<QTimer> answerBox(
    BoxAnswer& out, QMessageBox::StandardButton press, std::function<bool()> ready = [] { return true; }) {
  return whenReady(
      [ready] { return ready() && qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [&out, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        out.seen = true;
        for (QAbstractButton* b : box->buttons()) out.buttons << b->text().remove(QLatin1Char('&'));
        out.icon = box->icon();
        out.defaultText =
            box->defaultButton() ? box->defaultButton()->text().remove(QLatin1Char('&')) : QString();
        out.text = box->text();
        buttonOf(box, press)->click();
      });
}

int pdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  QByteArray all = f.readAll();
  if (!all.startsWith("%PDF")) return -1;
  int n = 0;
  for (qsizetype i = all.indexOf("/Type /Page"); i >= 0; i = all.indexOf("/Type /Page", i + 1))
    if (all.mid(i + 11, 1) != "s") ++n;
  return n;
}

}  // namespace

TEST(MessageBoxStyle, ButtonsIconAndDefaultComeFromTheStyleBits) {
  auto yesNo = frontend::qt::makeMessageBox("Speichern?", mb::YesNo | mb::Question | mb::DefaultButton2,
                                            "Titel", nullptr);
  EXPECT_EQ(yesNo->buttons().size(), 2);
  EXPECT_EQ(yesNo->icon(), QMessageBox::Question);
  EXPECT_EQ(yesNo->defaultButton(), yesNo->button(QMessageBox::No));
  EXPECT_EQ(yesNo->windowTitle(), QStringLiteral("Titel"));
  EXPECT_EQ(frontend::qt::messageBoxAnswer(*yesNo, yesNo->button(QMessageBox::Yes), mb::YesNo), mb::IdYes);
  EXPECT_EQ(frontend::qt::messageBoxAnswer(*yesNo, nullptr, mb::YesNo),
            mb::IdNo);  // closed without an answer

  auto okCancel =
      frontend::qt::makeMessageBox("Fehler\r\nZeile 2", mb::OKCancel | mb::Exclamation, "", nullptr);
  EXPECT_EQ(okCancel->icon(), QMessageBox::Warning);
  EXPECT_EQ(okCancel->defaultButton(), okCancel->button(QMessageBox::Ok));
  EXPECT_EQ(okCancel->escapeButton(), okCancel->button(QMessageBox::Cancel));
  EXPECT_EQ(okCancel->text(), QStringLiteral("Fehler\nZeile 2"));
  EXPECT_EQ(okCancel->windowTitle(), QStringLiteral("Velumor test"));  // no title: the application's

  auto ari = frontend::qt::makeMessageBox("x", mb::AbortRetryIgnore | mb::Critical | mb::DefaultButton3, "",
                                          nullptr);
  EXPECT_EQ(ari->buttons().size(), 3);
  EXPECT_EQ(ari->icon(), QMessageBox::Critical);
  EXPECT_EQ(ari->defaultButton(), ari->button(QMessageBox::Ignore));
  EXPECT_EQ(frontend::qt::messageBoxAnswer(*ari, ari->button(QMessageBox::Retry), mb::AbortRetryIgnore),
            mb::IdRetry);

  // A default button the box does not have falls back to the first.
  auto ok = frontend::qt::makeMessageBox("x", mb::OKOnly | mb::Information | mb::DefaultButton3, "", nullptr);
  EXPECT_EQ(ok->buttons().size(), 1);
  EXPECT_EQ(ok->icon(), QMessageBox::Information);
  EXPECT_EQ(ok->defaultButton(), ok->button(QMessageBox::Ok));
  auto ync = frontend::qt::makeMessageBox("x", mb::YesNoCancel | mb::DefaultButton3, "", nullptr);
  EXPECT_EQ(ync->defaultButton(), ync->button(QMessageBox::Cancel));
  EXPECT_EQ(frontend::qt::messageBoxAnswer(*ync, nullptr, mb::YesNoCancel), mb::IdCancel);
  auto rc = frontend::qt::makeMessageBox("x", mb::RetryCancel, "", nullptr);
  EXPECT_EQ(frontend::qt::messageBoxAnswer(*rc, rc->button(QMessageBox::Retry), mb::RetryCancel),
            mb::IdRetry);
}

TEST(NameFilters, CommonDialogFiltersBecomeQtFilters) {
  EXPECT_EQ(frontend::qt::qtNameFilters("Text (*.prn)|*.prn|All (*.*)|*.*"),
            (QStringList{QStringLiteral("Text (*.prn)"), QStringLiteral("All (*)")}));
  EXPECT_EQ(frontend::qt::qtNameFilters("Daten|*.txt;*.prn"),
            QStringList{QStringLiteral("Daten (*.txt *.prn)")});
  EXPECT_EQ(frontend::qt::qtNameFilters(""), QStringList{});
  EXPECT_EQ(frontend::qt::qtNameFilters("Nur Text"), QStringList{QStringLiteral("Nur Text (Nur Text)")});
  EXPECT_EQ(frontend::qt::qtNameFilters("Bilder|"), QStringList{QStringLiteral("Bilder (*)")});
}

TEST(Printing, PagesOfRunsBecomePdfPages) {
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("report.pdf"));
  platform::ui::PrintDocument doc;
  doc.title = "Gerätedaten";
  doc.pages.push_back({{1440, 1440, "Seite 1: Übertragung", "Courier New", 10, false}});
  doc.pages.push_back({{1440, 1440, "Seite 2", "Courier New", 10, true}});
  doc.pages.push_back({});
  {
    QPdfWriter writer(path);
    frontend::qt::printDocument(doc, writer);
  }
  EXPECT_EQ(pdfPages(path), 3);
  // An empty document prints nothing at all.
  QString none = dir.filePath(QStringLiteral("none.pdf"));
  {
    QPdfWriter writer(none);
    frontend::qt::printDocument(platform::ui::PrintDocument{}, writer);
  }
  EXPECT_FALSE(QFile::exists(none) && QFile(none).size() > 0);
}

TEST(Printing, RunsStandWhereTheirTwipsSay) {
  // 144 dots per inch: 1440 twips are 144 dots.
  QImage page(600, 400, QImage::Format_RGB32);
  page.setDotsPerMeterX(5669);
  page.setDotsPerMeterY(5669);
  page.fill(Qt::white);
  {
    QPainter p(&page);
    p.setPen(Qt::black);
    frontend::qt::paintRuns(p, {{1440, 720, "MMMM", "Courier New", 12, false}}, page);
  }
  auto dark = [](QColor c) { return c.lightness() < 128; };
  EXPECT_EQ(countPixels(page, QRect(0, 0, 140, 400), dark), 0);
  EXPECT_GT(countPixels(page, QRect(144, 72, 100, 40), dark), 20);
  EXPECT_EQ(countPixels(page, QRect(0, 0, 600, 70), dark), 0);  // the run's top is at 720 twips
  EXPECT_EQ(frontend::qt::pdfPathBeside(QStringLiteral("/tmp/out/VR_Data.prn")),
            QStringLiteral("/tmp/out/VR_Data.pdf"));
}

using QtServicesTest = FrontEndWithServicesTest;

TEST_F(QtServicesTest, FixedPitchReportFontMeasuresEveryCharacterAlike) {
  auto& printer = platform::ui::Services::printer();
  float m = printer.textWidth("MMMMMMMMMM", "Courier New", 10);
  float i = printer.textWidth("iiiiiiiiii", "Courier New", 10);
  EXPECT_NEAR(m, i, 1.0f);
  EXPECT_NEAR(m, 10 * 10 * 20 * 0.6f, 10 * 10 * 20 * 0.1f);  // about six tenths of the size a character
  EXPECT_GT(printer.textHeight("Courier New", 10), 200.0f);
  EXPECT_GT(printer.pageWidth(), 9000.0f);  // at least a letter or A4 page less margins
  EXPECT_GT(printer.pageHeight(), printer.pageWidth());
}

TEST_F(QtServicesTest, AModalMessageBoxKeepsTheModelTimersRunning) {
  auto f = platform::com::makeObject<MirrorForm>(kTimerDesign);
  f->show();
  int ticks = 0;
  f->on("Tick", "Timer", [&] { ++ticks; });
  frontEnd.startRealTime(2);
  f->timer("Tick").setEnabled(true);
  BoxAnswer seen;
  int ticksWhenAnswered = -1;
  auto answering = answerBox(seen, QMessageBox::No, [&] {
    if (ticks < 5) return false;
    ticksWhenAnswered = ticks;
    return true;
  });
  int answer = platform::ui::msgBox("Daten übertragen?", mb::YesNo | mb::Question, "Übertragung");
  EXPECT_EQ(answer, mb::IdNo);
  ASSERT_TRUE(seen.seen);
  EXPECT_GE(ticksWhenAnswered, 5);  // the timer ticked while the box waited for its answer
  EXPECT_EQ(seen.text, QStringLiteral("Daten übertragen?"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons.size(), 2);
}

TEST_F(QtServicesTest, TimersKeepRunningWhileATimerHandlerWaitsInABox) {
  auto f = platform::com::makeObject<MirrorForm>(kTimerDesign);
  f->show();
  int others = 0, boxes = 0, othersInBox = -1;
  f->on("Other", "Timer", [&] { ++others; });
  f->on("Tick", "Timer", [&] {
    f->timer("Tick").setEnabled(false);
    ++boxes;
    int before = others;
    BoxAnswer seen;
    auto answering = answerBox(seen, QMessageBox::Ok, [&] { return others >= before + 5; });
    platform::ui::msgBox("Zeitüberschreitung", mb::OKOnly | mb::Exclamation, "");
    othersInBox = others - before;
  });
  frontEnd.startRealTime(2);
  f->timer("Other").setEnabled(true);
  f->timer("Tick").setEnabled(true);
  ASSERT_TRUE(waitFor([&] { return othersInBox >= 0; }));
  EXPECT_EQ(boxes, 1);
  EXPECT_GE(othersInBox, 5);  // the other timer kept firing inside the nested wait
}

TEST_F(QtServicesTest, AModalFormWaitsUntilItIsHiddenWhileTimersRun) {
  auto owner = platform::com::makeObject<MirrorForm>(kTimerDesign);
  owner->show();
  auto dialog = platform::com::makeObject<MirrorForm>(kTimerDesign, "DialogForm");
  int ticks = 0;
  bool seen = false;
  Qt::WindowModality modality = Qt::NonModal;
  owner->on("Tick", "Timer", [&] {
    ++ticks;
    // The model ends the modal run once the window has been seen (a drive that woke late
    // may fire several ticks at once, before Qt has shown it).
    if (ticks >= 5 && (seen || ticks > 5000)) dialog->hide();
  });
  frontEnd.startRealTime(2);
  owner->timer("Tick").setEnabled(true);
  auto watch2 = whenReady([&] { return frontEnd.window(*dialog) && frontEnd.window(*dialog)->isVisible(); },
                          [&] {
                            modality = frontEnd.window(*dialog)->windowModality();
                            seen = true;
                          });
  dialog->show(true);  // returns when the form has hidden
  EXPECT_GE(ticks, 5);
  EXPECT_FALSE(dialog->visible());
  EXPECT_EQ(modality, Qt::ApplicationModal);
  // Unloading ends a modal run too.
  ticks = 0;
  owner->on("Tick", "Timer", [&] {
    if (++ticks == 3) dialog->unload();
  });
  dialog->show(true);
  EXPECT_FALSE(dialog->isLoaded());
}

TEST_F(QtServicesTest, SaveDialogUsesTheFiltersAndReturnsThePath) {
  QTemporaryDir dir;
  auto f = platform::com::makeObject<MirrorForm>();
  auto& dlg = f->ctlAs<platform::ui::CommonDialogControl>("Dlg");
  dlg.setProperty("Filter", Variant("Text (*.prn)|*.prn|All (*.*)|*.*"));
  dlg.setProperty("DefaultExt", Variant("prn"));
  dlg.setProperty("InitDir", Variant(dir.path().toStdString()));
  dlg.setProperty("FileName", Variant("VR_Data"));
  QStringList filters;
  auto watch3 =
      whenReady([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                [&] {
                  auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                  filters = d->nameFilters();
                  d->selectFile(QStringLiteral("Messung"));
                  static_cast<QDialog*>(d)->accept();  // as the Save button does
                });
  dlg.ShowSave();
  EXPECT_EQ(filters, (QStringList{QStringLiteral("Text (*.prn)"), QStringLiteral("All (*)")}));
  EXPECT_EQ(dlg.getProperty("FileName").toString(),
            dir.filePath(QStringLiteral("Messung.prn")).toStdString());
  EXPECT_EQ(dlg.getProperty("FileTitle").toString(), "Messung.prn");
  // Cancelled with CancelError: error 32755.
  dlg.setProperty("CancelError", Variant(true));
  auto watch4 =
      whenReady([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                [] { qobject_cast<QFileDialog*>(QApplication::activeModalWidget())->reject(); });
  int number = 0;
  try {
    dlg.ShowSave();
  } catch (const platform::com::RuntimeError& e) {
    number = e.number();
  }
  EXPECT_EQ(number, 32755);
}

TEST_F(QtServicesTest, PrintingWithoutAPrinterWritesThePdfTheUserNames) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is set up here";
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("Ausdruck"));
  auto watch5 =
      whenReady([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                [&] {
                  auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                  d->selectFile(path);
                  static_cast<QDialog*>(d)->accept();  // as the Save button does
                });
  platform::ui::PrintDocument doc;
  doc.title = "Bericht";
  doc.pages.push_back({{0, 0, "Zeile", "Courier New", 10, false}});
  doc.pages.push_back({{0, 0, "Zeile", "Courier New", 10, false}});
  platform::ui::Services::printer().print(doc);
  EXPECT_EQ(frontEnd.services()->lastPdfPath(), path + QStringLiteral(".pdf"));
  EXPECT_EQ(pdfPages(path + QStringLiteral(".pdf")), 2);
}

TEST_F(QtServicesTest, WithoutAPrinterThePrintCommandAsksOnlyForThePdfFile) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is set up here";
  // The print dialog offers nothing to choose without a printer (only a file of its own
  // naming): it is not shown, and the command goes on at once, without the print-to-file flag.
  bool sawPrintDialog = false;
  auto watchPrint =
      whenReady([] { return qobject_cast<QPrintDialog*>(QApplication::activeModalWidget()) != nullptr; },
                [&] {
                  sawPrintDialog = true;
                  static_cast<QDialog*>(QApplication::activeModalWidget())->reject();
                });
  auto f = platform::com::makeObject<MirrorForm>();
  auto& dlg = f->ctlAs<platform::ui::CommonDialogControl>("Dlg");
  dlg.setProperty("CancelError", Variant(true));
  dlg.ShowPrinter();
  EXPECT_FALSE(sawPrintDialog);
  EXPECT_EQ(dlg.getProperty("Flags").toLong() & 0x20, 0);
  // The printout asks for its file under the report's own name, titled in the session's
  // language; a cancelled file dialog writes nothing.
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("druck.pdf"));
  for (const char* lang : {"de", "en"}) {
    ScopedLang session(lang);
    QString proposed, title;
    bool cancel = std::string(lang) == "en";
    auto watchFile =
        whenReady([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                  [&] {
                    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                    title = d->windowTitle();
                    if (!d->selectedFiles().isEmpty()) proposed = d->selectedFiles().front();
                    if (cancel) {
                      d->reject();
                      return;
                    }
                    d->selectFile(target);
                    static_cast<QDialog*>(d)->accept();
                  });
    platform::ui::PrintDocument doc;
    doc.fileName = "VR_Data.pdf";
    doc.pages.push_back({{720, 720, "Gerätedaten", "Courier New", 10, false}});
    platform::ui::Services::printer().print(doc);
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/VR_Data.pdf"))) << proposed.toStdString();
    EXPECT_EQ(title.toStdString(), cancel ? "Save the printout as PDF" : "Ausdruck als PDF speichern");
  }
  EXPECT_EQ(frontEnd.services()->lastPdfPath(), target);
  EXPECT_EQ(pdfPages(target), 1);
}

TEST_F(QtServicesTest, ProgramsStartDetachedAndMissingOnesReportFailure) {
  auto& shell = platform::ui::Services::shell();
  EXPECT_TRUE(shell.startProgram("true"));
  EXPECT_TRUE(shell.startProgram("sh -c true"));
  EXPECT_FALSE(shell.startProgram("/nonexistent/velumor-tool --help"));
  EXPECT_FALSE(shell.startProgram("   "));
}

TEST_F(QtServicesTest, HelpViewerShowsTextAndSaysWhatIsWrong) {
  QTemporaryDir dir;
  auto& help = platform::ui::Services::help();
  help.help(dir.filePath(QStringLiteral("fehlt.txt")).toStdString(), platform::ui::help::Contents, "");
  frontend::qt::HelpViewer* viewer = frontEnd.services()->helpViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("was not found")));
  EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("fehlt.txt")));

  QString text = dir.filePath(QStringLiteral("hilfe.txt"));
  {
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("Gerätedaten\nÜbertragung starten").toUtf8());
  }
  help.help(text.toStdString(), platform::ui::help::Contents, "");
  EXPECT_TRUE(viewer->problem().isEmpty());
  EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("Übertragung starten")));

  QString html = dir.filePath(QStringLiteral("hilfe.htm"));
  {
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><h1>Hilfe</h1><p>Messwerte</p></body></html>");
  }
  help.help(html.toStdString(), platform::ui::help::Contents, "");
  EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("Messwerte")));
  EXPECT_FALSE(viewer->toPlainText().contains(QStringLiteral("<p>")));

  QString binary = dir.filePath(QStringLiteral("hilfe.chm"));
  {
    QFile f(binary);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("ITSF\0\0\0\x03", 8));
  }
  help.help(binary.toStdString(), platform::ui::help::Contents, "");
  EXPECT_FALSE(viewer->problem().isEmpty());

  help.help(text.toStdString(), platform::ui::help::Quit, "");
  EXPECT_EQ(frontEnd.services()->helpViewer(), nullptr);
}

// Plain-text help keeps its columns: every character as wide as the next, 80 of them in view,
// and the viewer inside the screen.
TEST_F(QtServicesTest, PlainTextHelpStandsInAlignedColumnsInsideTheScreen) {
  QTemporaryDir dir;
  const QString text = dir.filePath(QStringLiteral("VR_GE.HLP"));
  {
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "  Sensor                 Messrohr\n  Ma\xc3\x9f"
        "einheiten          Einheiten\n");
  }
  platform::ui::Services::help().help(text.toStdString(), platform::ui::help::Contents, "");
  frontend::qt::HelpViewer* viewer = frontEnd.services()->helpViewer();
  ASSERT_NE(viewer, nullptr);
  const QFont shown = viewer->document()->defaultFont();
  EXPECT_TRUE(QFontInfo(shown).fixedPitch()) << QFontInfo(shown).family().toStdString();
  const QFontMetrics fm(shown);
  EXPECT_EQ(fm.horizontalAdvance(QStringLiteral("iiiii")), fm.horizontalAdvance(QStringLiteral("MMMMM")));
  EXPECT_GE(viewer->viewport()->width(), fm.horizontalAdvance(QString(80, QLatin1Char('M'))));
  EXPECT_TRUE(QApplication::primaryScreen()->availableGeometry().contains(viewer->frameGeometry()));

  // HTML help keeps the proportional font of its own.
  const QString html = dir.filePath(QStringLiteral("hilfe.htm"));
  {
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><p>Messwerte</p></body></html>");
  }
  platform::ui::Services::help().help(html.toStdString(), platform::ui::help::Contents, "");
  EXPECT_FALSE(QFontInfo(viewer->document()->defaultFont()).fixedPitch());
}
