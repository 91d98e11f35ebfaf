#include "frontend/qt/qt_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStringDecoder>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "frontend/qt/form_window.h"
#include "frontend/qt/front_end.h"
#include "frontend/qt/qt_convert.h"
#include "platform/com/error.h"
#include "platform/com/file_replace.h"

namespace frontend::qt {

namespace mb = platform::ui::mb;

namespace {

constexpr int32_t kPrinterError = 482;
constexpr int32_t kOverwritePrompt = 0x2;

struct ButtonId {
  QMessageBox::StandardButton button;
  int32_t id;
};

std::vector<ButtonId> buttonsFor(int32_t style) {
  switch (style & 7) {
    case mb::OKCancel:
      return {{QMessageBox::Ok, mb::IdOK}, {QMessageBox::Cancel, mb::IdCancel}};
    case mb::AbortRetryIgnore:
      return {{QMessageBox::Abort, mb::IdAbort},
              {QMessageBox::Retry, mb::IdRetry},
              {QMessageBox::Ignore, mb::IdIgnore}};
    case mb::YesNoCancel:
      return {
          {QMessageBox::Yes, mb::IdYes}, {QMessageBox::No, mb::IdNo}, {QMessageBox::Cancel, mb::IdCancel}};
    case mb::YesNo:
      return {{QMessageBox::Yes, mb::IdYes}, {QMessageBox::No, mb::IdNo}};
    case mb::RetryCancel:
      return {{QMessageBox::Retry, mb::IdRetry}, {QMessageBox::Cancel, mb::IdCancel}};
    default:
      return {{QMessageBox::Ok, mb::IdOK}};
  }
}

// The answer of a box nobody answered with a button (closed, escaped).
int32_t cancelAnswer(int32_t style) {
  switch (style & 7) {
    case mb::OKOnly:
      return mb::IdOK;
    case mb::AbortRetryIgnore:
      return mb::IdAbort;
    case mb::YesNo:
      return mb::IdNo;
    default:
      return mb::IdCancel;
  }
}

QString plainLines(const std::string& text) {
  QString t = qs(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

// While a dialog waits for the user, the pointer is the normal arrow, whatever busy
// pointer the application set for its own windows.
class NormalPointer {
 public:
  NormalPointer() : active_(QApplication::overrideCursor() != nullptr) {
    if (active_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~NormalPointer() {
    if (active_) QApplication::restoreOverrideCursor();
  }
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;

 private:
  bool active_;
};

}  // namespace

// ---------------------------------------------------------------- helpers

QStringList qtNameFilters(const std::string& filter) {
  QStringList out;
  QStringList parts = qs(filter).split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size() || i < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : desc;
    if (desc.isEmpty() && patterns.isEmpty()) continue;
    QStringList pats;
    for (QString p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p == QStringLiteral("*.*")) p = QStringLiteral("*");  // every file, with or without a dot
      if (!p.isEmpty()) pats << p;
    }
    if (pats.isEmpty()) pats << QStringLiteral("*");
    // Qt reads the patterns from the parentheses, so the description's own are replaced.
    desc.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
    if (desc.isEmpty()) desc = pats.join(QLatin1Char(' '));
    out << desc + QStringLiteral(" (") + pats.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out;
}

std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, int32_t style, const std::string& title,
                                            QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setTextFormat(Qt::PlainText);
  box->setText(plainLines(text));
  box->setWindowTitle(title.empty() ? QApplication::applicationDisplayName() : qs(title));
  switch (style & 0x70) {
    case mb::Critical:
      box->setIcon(QMessageBox::Critical);
      break;
    case mb::Question:
      box->setIcon(QMessageBox::Question);
      break;
    case mb::Exclamation:
      box->setIcon(QMessageBox::Warning);
      break;
    case mb::Information:
      box->setIcon(QMessageBox::Information);
      break;
    default:
      box->setIcon(QMessageBox::NoIcon);
      break;
  }
  std::vector<ButtonId> buttons = buttonsFor(style);
  QMessageBox::StandardButtons set;
  for (const ButtonId& b : buttons) set |= b.button;
  box->setStandardButtons(set);
  size_t def = static_cast<size_t>((style & 0x300) >> 8);
  if (def >= buttons.size()) def = 0;
  box->setDefaultButton(buttons[def].button);
  for (const ButtonId& b : buttons)
    if (b.id == cancelAnswer(style)) box->setEscapeButton(b.button);
  box->setWindowModality(Qt::ApplicationModal);
  if (style & mb::SystemModal) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box;
}

int32_t messageBoxAnswer(const QMessageBox& box, const QAbstractButton* clicked, int32_t style) {
  if (clicked) {
    QMessageBox::StandardButton sb = box.standardButton(const_cast<QAbstractButton*>(clicked));
    for (const ButtonId& b : buttonsFor(style))
      if (b.button == sb) return b.id;
  }
  return cancelAnswer(style);
}

void paintRuns(QPainter& painter, const std::vector<platform::ui::PrintRun>& runs,
               const QPaintDevice& device) {
  const double sx = device.logicalDpiX() / 1440.0, sy = device.logicalDpiY() / 1440.0;
  for (const platform::ui::PrintRun& run : runs) {
    QFont f(modelFont(run.fontName, run.fontSize, run.bold), &device);
    painter.setFont(f);
    QFontMetricsF fm(f, &device);
    // A run's position is the top left of its line; Qt draws from the baseline.
    painter.drawText(QPointF(run.x * sx, run.y * sy + fm.ascent()), qs(run.text));
  }
}

void printDocument(const platform::ui::PrintDocument& document, QPagedPaintDevice& device) {
  if (document.pages.empty()) return;
  QPainter painter;
  if (!painter.begin(&device)) platform::com::raise(kPrinterError, "The printer could not be started");
  painter.setPen(Qt::black);
  for (size_t i = 0; i < document.pages.size(); ++i) {
    if (i > 0 && !device.newPage()) {
      painter.end();
      platform::com::raise(kPrinterError, "The printer could not start a new page");
    }
    paintRuns(painter, document.pages[i], device);
  }
  if (!painter.end()) platform::com::raise(kPrinterError, "The printout could not be finished");
}

QString pdfPathBeside(const QString& path) {
  QFileInfo fi(path);
  QString base = fi.completeBaseName().isEmpty() ? QStringLiteral("printout") : fi.completeBaseName();
  return fi.dir().filePath(base + QStringLiteral(".pdf"));
}

// ---------------------------------------------------------------- help viewer

HelpViewer::HelpViewer() {
  setOpenExternalLinks(true);
  setOpenLinks(true);
  // Plain-text help sets its tables in columns, which only a fixed-pitch font keeps aligned.
  fixedFont_ = QFont(fontFamilyFor("monospace"));
  fixedFont_.setStyleHint(QFont::Monospace);
  fixedFont_.setFixedPitch(true);
}

void HelpViewer::place() {
  QWidget* opener = QApplication::activeWindow();
  if (opener == this) opener = nullptr;
  QScreen* screen = opener && opener->screen() ? opener->screen() : QApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // Room for 80 columns beside the scroll bar, as far as the screen allows.
  const int columns = QFontMetrics(fixedFont_).horizontalAdvance(QString(82, QLatin1Char('M')));
  const int chrome = 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                     2 * static_cast<int>(document()->documentMargin());
  resize(std::min(columns + chrome, area.width()), std::min(560, area.height()));
  QRect frame = framed(this, opener);
  frame.moveTopLeft(cascadePosition(opener ? opener->frameGeometry() : QRect(), frame.size(), area));
  move(insideArea(frame, area));
}

void HelpViewer::showFile(const QString& path, const QString& key) {
  file_ = path;
  problem_.clear();
  QFileInfo fi(path);
  setWindowTitle(sessionText("Hilfe - %1", "Help - %1").arg(fi.fileName().isEmpty() ? path : fi.fileName()));
  const QString suffix = fi.suffix().toLower();
  const bool html = suffix == QStringLiteral("htm") || suffix == QStringLiteral("html");
  document()->setDefaultFont(html ? font() : fixedFont_);
  if (path.isEmpty()) {
    problem_ = sessionText("Für dieses Fenster ist keine Hilfedatei eingestellt.",
                           "No help file is set for this window.");
  } else if (!fi.exists() || !fi.isFile()) {
    problem_ = sessionText("Die Hilfedatei „%1“ wurde nicht gefunden.", "The help file \"%1\" was not found.")
                   .arg(path);
  } else {
    if (html) {
      setSource(QUrl::fromLocalFile(fi.absoluteFilePath()));
    } else {
      QFile f(path);
      QByteArray bytes;
      if (f.open(QIODevice::ReadOnly)) bytes = f.read(16 * 1024 * 1024);
      if (!f.isOpen()) {
        problem_ = sessionText("Die Hilfedatei „%1“ kann nicht gelesen werden.",
                               "The help file \"%1\" cannot be read.")
                       .arg(path);
      } else if (bytes.left(65536).contains('\0')) {
        problem_ =
            sessionText(
                "Die Hilfedatei „%1“ ist keine Text- oder HTML-Datei und kann hier nicht gezeigt werden.",
                "The help file \"%1\" is not a text or HTML file and cannot be shown here.")
                .arg(path);
      } else {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder(bytes);
        if (decoder.hasError()) text = QString::fromLatin1(bytes);
        setPlainText(text);
      }
    }
  }
  if (!problem_.isEmpty()) setPlainText(problem_);
  if (problem_.isEmpty() && !key.isEmpty()) find(key);
  const bool first = !isVisible();
  if (first) place();  // where the user moved it stays
  show();
  if (first) keepInsideScreen(this);
  raise();
  activateWindow();
}

// ---------------------------------------------------------------- QtServices

QtServices::QtServices(FrontEnd& frontEnd) : frontEnd_(frontEnd), measure_(1, 1, QImage::Format_RGB32) {
  // 1440 dots per inch: one dot is one twip.
  measure_.setDotsPerMeterX(56693);
  measure_.setDotsPerMeterY(56693);
}

QtServices::~QtServices() = default;

QWidget* QtServices::dialogParent() const {
  if (QWidget* m = QApplication::activeModalWidget()) return m;
  // A window that has just opened asks before the window system has activated it: the question
  // belongs to it, not to the window it was opened from, which would then be raised above it.
  if (QWidget* newest = FormWindow::lastShown().data(); newest && newest->isVisible()) return newest;
  return QApplication::activeWindow();
}

int32_t QtServices::show(const std::string& text, int32_t style, const std::string& title) {
  NormalPointer pointer;
  std::unique_ptr<QMessageBox> box = makeMessageBox(text, style, title, dialogParent());
  box->exec();
  return messageBoxAnswer(*box, box->clickedButton(), style);
}

std::optional<std::string> QtServices::saveFile(const platform::ui::SaveFileRequest& request) {
  QFileDialog dlg(dialogParent(), request.title.empty() ? QStringLiteral("Save As") : qs(request.title));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  QStringList filters = qtNameFilters(request.filter);
  if (!filters.isEmpty()) dlg.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dlg.selectNameFilter(filters.at(request.filterIndex - 1));
  QString ext = qs(request.defaultExt);
  while (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
  QString name = qs(request.fileName);
  if (!request.initDir.empty())
    dlg.setDirectory(qs(request.initDir));
  else if (QFileInfo(name).isAbsolute())
    dlg.setDirectory(QFileInfo(name).absolutePath());
  if (!name.isEmpty()) dlg.selectFile(QFileInfo(name).fileName());
  if (!(request.flags & kOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  NormalPointer pointer;
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  lastSavePath_ = dlg.selectedFiles().front();
  return utf8(lastSavePath_);
}

QPrinter& QtServices::printerDevice() const {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

platform::ui::PrinterAnswer QtServices::printer(const platform::ui::PrinterRequest& request) {
  QPrinter& pr = printerDevice();
  platform::ui::PrinterAnswer answer;
  if (request.setupOnly) {
    NormalPointer pointer;
    QPageSetupDialog dlg(&pr, dialogParent());
    answer.ok = dlg.exec() == QDialog::Accepted;
    answer.copies = pr.copyCount();
    return answer;
  }
  pr.setCopyCount(std::max(1, request.copies));
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // Without any printer there is nothing to choose: the printout becomes a PDF file that the
    // user names when it is printed, proposed under the report's own name (print). The print
    // dialog would offer only a file of its own naming ("print.pdf" in the home folder) and
    // write it without asking where.
    printerChosen_ = false;
    answer.ok = true;
    answer.copies = pr.copyCount();
    return answer;
  }
  QPrintDialog dlg(&pr, dialogParent());
  dlg.setOption(QAbstractPrintDialog::PrintToFile, request.printToFileAllowed);
  NormalPointer pointer;
  if (dlg.exec() != QDialog::Accepted) return answer;
  printerChosen_ = true;
  answer.ok = true;
  answer.copies = pr.copyCount();
  bool toFile = pr.outputFormat() == QPrinter::PdfFormat && !pr.outputFileName().isEmpty();
  // Without any printer the PDF file stands in for the printer; only a user who had a
  // printer and chose a file asked for printing to a file.
  answer.printToFile = toFile && !QPrinterInfo::availablePrinters().isEmpty();
  return answer;
}

float QtServices::pageWidth() const {
  return static_cast<float>(printerDevice().pageLayout().paintRectPoints().width() * 20.0);
}

float QtServices::pageHeight() const {
  return static_cast<float>(printerDevice().pageLayout().paintRectPoints().height() * 20.0);
}

float QtServices::textWidth(const std::string& text, const std::string& fontName, float fontSize) const {
  QFont f(modelFont(fontName, fontSize), &measure_);
  return static_cast<float>(QFontMetricsF(f, &measure_).horizontalAdvance(qs(text)));
}

float QtServices::textHeight(const std::string& fontName, float fontSize) const {
  QFont f(modelFont(fontName, fontSize), &measure_);
  return static_cast<float>(QFontMetricsF(f, &measure_).height());
}

void QtServices::print(const platform::ui::PrintDocument& document) {
  QPrinter& pr = printerDevice();
  pr.setDocName(qs(document.title));
  bool toFile = printerChosen_ && pr.outputFormat() == QPrinter::PdfFormat && !pr.outputFileName().isEmpty();
  bool havePrinter = !QPrinterInfo::availablePrinters().isEmpty();
  if (toFile || (havePrinter && pr.outputFormat() == QPrinter::NativeFormat)) {
    if (toFile) {
      QString out = pr.outputFileName();
      if (!out.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        pr.setOutputFileName(pdfPathBeside(out));
    } else {
      pr.setCopyCount(std::max(1, document.copies));
    }
    printDocument(document, pr);
    lastPdf_ = toFile ? pr.outputFileName() : QString();
    return;
  }
  // No printer is set up: the printout becomes a PDF file the user names, proposed under the
  // document's own name beside the file saved last.
  const QString own = !document.fileName.empty() ? qs(document.fileName)
                      : document.title.empty()   ? QStringLiteral("printout.pdf")
                                                 : qs(document.title) + QStringLiteral(".pdf");
  QString proposal = lastSavePath_.isEmpty() ? own : QFileInfo(lastSavePath_).dir().filePath(own);
  NormalPointer pointer;
  QString path = QFileDialog::getSaveFileName(
      dialogParent(), sessionText("Ausdruck als PDF speichern", "Save the printout as PDF"), proposal,
      QStringLiteral("PDF (*.pdf)"));
  if (path.isEmpty()) return;  // the user chose not to print
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  // Drawn into memory and then written whole: an interrupted print leaves the old file or the
  // new one, and nothing beside it.
  QByteArray pdf;
  {
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(pr.pageLayout());
    writer.setResolution(600);
    writer.setTitle(qs(document.title));
    writer.setCreator(QApplication::applicationDisplayName());
    printDocument(document, writer);
  }
  if (const int failure = platform::com::replaceFileContents(
          std::filesystem::path(QFile::encodeName(path).toStdString()),
          std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())), 0666);
      failure != 0)
    platform::com::raise(
        platform::com::err::PathFileAccess,
        utf8(sessionText("Der Ausdruck kann nicht geschrieben werden: ", "Cannot write the printout to ")) +
            utf8(path) + ": " + std::strerror(failure));
  lastPdf_ = path;
}

void QtServices::help(const std::string& helpFile, int32_t command, const std::string& key) {
  if (command == platform::ui::help::Quit) {
    if (help_) help_->close();
    help_.reset();
    return;
  }
  if (!help_) help_ = std::make_unique<HelpViewer>();
  help_->showFile(qs(helpFile), qs(key));
}

void QtServices::openUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl::fromUserInput(qs(url)));
}

bool QtServices::startProgram(const std::string& path) {
  QString p = qs(path).trimmed();
  if (p.isEmpty()) return false;
  if (QFileInfo(p).isFile()) return QProcess::startDetached(p, {});
  QStringList parts = QProcess::splitCommand(p);
  if (parts.isEmpty()) return false;
  QString program = parts.takeFirst();
  return QProcess::startDetached(program, parts);
}

void QtServices::runModal(platform::ui::Form& form) {
  frontEnd_.runModal(form);
}

void QtServices::popupMenu(platform::ui::Form& form, platform::ui::MenuControl& menu) {
  frontEnd_.showPopupMenu(form, menu);
}

void QtServices::beep() {
  QApplication::beep();
}

void QtServices::activate(platform::ui::Form& form) {
  if (QWidget* w = frontEnd_.window(form)) {
    w->raise();
    w->activateWindow();
  }
}

}  // namespace frontend::qt
