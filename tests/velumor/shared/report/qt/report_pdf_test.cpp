// A report printed where no printer is set up becomes a PDF file: the file is there, is a
// PDF and shows the report's lines (read back through the PDF's own character maps).
#include <gtest/gtest.h>
#include <zlib.h>

#include <QApplication>
#include <QFileDialog>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/qt/front_end.h"
#include "frontend/qt/qt_services.h"
#include "platform/com/ref.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/frontend/qt/qt_test_support.h"
#include "velumor/shared/report/report.h"

namespace {

namespace ui = platform::ui;

constexpr const char* kDesign = R"({
  "form": {"name": "ReportForm", "props": {"Caption": "Report", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [{"name": "Dlg", "type": "CommonDialog", "container": ""}]
})";

class ReportForm : public ui::Form {
 public:
  ReportForm() : Form("ReportForm", kDesign) {}
};

std::string inflate(const std::string& in) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  std::string out;
  char buffer[65536];
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = ::inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  } while (rc == Z_OK);
  inflateEnd(&z);
  return out;
}

// Every stream of the file, inflated where it is compressed.
std::vector<std::string> streams(const std::string& pdf) {
  std::vector<std::string> out;
  for (size_t at = pdf.find("stream"); at != std::string::npos; at = pdf.find("stream", at + 1)) {
    if (at >= 3 && pdf.compare(at - 3, 3, "end") == 0) continue;
    size_t begin = at + 6;
    if (pdf.compare(begin, 2, "\r\n") == 0)
      begin += 2;
    else if (pdf[begin] == '\n')
      begin += 1;
    else
      continue;
    size_t end = pdf.find("endstream", begin);
    if (end == std::string::npos) break;
    std::string raw = pdf.substr(begin, end - begin);
    std::string plain = inflate(raw);
    out.push_back(plain.empty() ? raw : plain);
    at = end;
  }
  return out;
}

unsigned hexValue(const std::string& s) {
  return static_cast<unsigned>(std::stoul(s, nullptr, 16));
}

// The text a PDF shows: glyph codes of its hex strings mapped through its ToUnicode maps,
// one line per text-showing operator.
std::string pdfText(const std::string& pdf) {
  std::map<unsigned, char32_t> toUnicode;
  std::vector<std::string> all = streams(pdf);
  for (const std::string& s : all) {
    for (size_t at = s.find("beginbfchar"); at != std::string::npos; at = s.find("beginbfchar", at + 1)) {
      size_t end = s.find("endbfchar", at);
      size_t p = at;
      while (true) {
        size_t a = s.find('<', p);
        if (a == std::string::npos || a > end) break;
        size_t b = s.find('>', a), c = s.find('<', b), d = s.find('>', c);
        toUnicode[hexValue(s.substr(a + 1, b - a - 1))] = hexValue(s.substr(c + 1, d - c - 1));
        p = d + 1;
      }
    }
    for (size_t at = s.find("beginbfrange"); at != std::string::npos; at = s.find("beginbfrange", at + 1)) {
      const size_t end = s.find("endbfrange", at);
      size_t p = at;
      while (true) {
        const size_t a = s.find('<', p);
        if (a == std::string::npos || a > end) break;
        const size_t b = s.find('>', a), c = s.find('<', b), d = s.find('>', c);
        const unsigned lo = hexValue(s.substr(a + 1, b - a - 1)), hi = hexValue(s.substr(c + 1, d - c - 1));
        const size_t next = s.find_first_of("<[", d + 1);
        if (s[next] == '[') {  // one code per glyph
          const size_t close = s.find(']', next);
          size_t q = next;
          for (unsigned g = lo; g <= hi; ++g) {
            const size_t e = s.find('<', q), f = s.find('>', e);
            if (e == std::string::npos || e > close) break;
            toUnicode[g] = hexValue(s.substr(e + 1, f - e - 1));
            q = f + 1;
          }
          p = close + 1;
        } else {  // consecutive codes
          const size_t f = s.find('>', next);
          const unsigned u = hexValue(s.substr(next + 1, f - next - 1));
          for (unsigned g = lo; g <= hi; ++g) toUnicode[g] = u + (g - lo);
          p = f + 1;
        }
      }
    }
  }
  std::string text;
  for (const std::string& s : all) {
    if (s.find("Tj") == std::string::npos && s.find("TJ") == std::string::npos) continue;
    for (size_t a = s.find('<'); a != std::string::npos; a = s.find('<', a + 1)) {
      if (s[a + 1] == '<') {
        ++a;
        continue;
      }
      size_t b = s.find('>', a);
      std::string hex = s.substr(a + 1, b - a - 1);
      for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
        auto it = toUnicode.find(hexValue(hex.substr(i, 4)));
        char32_t u = it == toUnicode.end() ? U'?' : it->second;
        if (u < 0x20) u = U' ';  // the blank glyph maps to a control code
        QString q = QString::fromUcs4(&u, 1);
        text += q.toStdString();
      }
      a = b;
    }
    text += "\n";
  }
  return text;
}

TEST(ReportPdf, APrintoutWithoutPrinterBecomesAPdfHoldingTheReport) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is set up here";
  QTemporaryDir dir;
  dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("report.pdf"));

  frontend::qt::FrontEnd frontEnd;
  frontEnd.install(frontend::qt::FrontEnd::Mode::WindowsAndServices);
  // The printer dialog is answered by the headless dialogs; the page goes to Qt's printer.
  ui::HeadlessServices& headless = ui::Services::headless();
  headless.reset();
  headless.queuePrinter({true, 1, false});
  frontend::qt::QtServices& qt = *frontEnd.services();
  ui::Services::install(&headless, &headless, &qt, &headless, &headless, &headless);

  auto form = platform::com::makeObject<ReportForm>();
  bool answered = false;
  QString proposed;
  auto watch = vtest::whenReady([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
                                [&] {
                                  auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                                  if (!dlg) return;
                                  answered = true;
                                  if (!dlg->selectedFiles().isEmpty())
                                    proposed = dlg->selectedFiles().front();
                                  dlg->selectFile(path);
                                  static_cast<QDialog*>(dlg)->accept();
                                });
  const std::string report = "RQ4400 (VELUMOR) Größe\r\n\r\n\tMeasurement Value:\tDensity\t*\r\n\t" +
                             velumor::shared::report::fillLabel("Device Type:") +
                             "RQ4400 CORIOLIS MASS FLOWMETER, SENSOR AND TRANSMITTER\r\n";
  auto outcome = velumor::shared::report::printReport(form->ctlAs<ui::CommonDialogControl>("Dlg"),
                                                      {"RQ4400 (VELUMOR)", "VR_Data.prn", "RQ4400"},
                                                      [&] { return report; });
  form->unload();
  ui::Services::installHeadless();
  frontEnd.uninstall();

  EXPECT_EQ(outcome, velumor::shared::report::PrintOutcome::Printed);
  EXPECT_TRUE(answered);
  // The report's own name is proposed, so the diagnosis report's PDF does not replace it.
  EXPECT_TRUE(proposed.endsWith(QStringLiteral("/VR_Data.pdf"))) << proposed.toStdString();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  const QByteArray bytes = f.readAll();
  const std::string pdf(bytes.constData(), static_cast<size_t>(bytes.size()));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  const std::string text = pdfText(pdf);
  EXPECT_NE(text.find("RQ4400 (VELUMOR) Größe"), std::string::npos) << text;
  EXPECT_NE(text.find("Measurement Value:"), std::string::npos) << text;
  EXPECT_NE(text.find("TRANSMITTER"), std::string::npos) << text;  // a long value is continued, not lost
}

}  // namespace
