#include "velumor/shared/report/report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/ref.h"
#include "platform/com/text.h"
#include "platform/res/language.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/support/temp_dir.h"

namespace velumor::shared::report {
namespace {

namespace fs = std::filesystem;
namespace ui = platform::ui;

// The user language from now on.
void setLanguage(const char* lang) {
  ::setenv("VELUMOR_LANG", lang, 1);
  platform::res::userLanguageChanged();
}

constexpr const char* kDesign = R"({
  "form": {"name": "ReportForm", "props": {"Caption": "Report", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [{"name": "Dlg", "type": "CommonDialog", "container": ""}]
})";

class ReportForm : public ui::Form {
 public:
  ReportForm() : Form("ReportForm", kDesign) {}
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// ------------------------------------------------------------------ line layout

TEST(ReportLayout, ValuesStartInColumn54AndLongLabelsAreNeverCut) {
  struct Case {
    const char* what;
    std::string label;
    std::string line;
  } cases[] = {
      {"short label", "File:", "\tFile:" + std::string(47, ' ') + "v\r\n"},
      {"empty label", "", "\t" + std::string(52, ' ') + "v\r\n"},
      {"51 characters", std::string(51, 'a'), "\t" + std::string(51, 'a') + " v\r\n"},
      {"52 characters get one blank", std::string(52, 'b'), "\t" + std::string(52, 'b') + " v\r\n"},
      {"60 characters are kept whole", std::string(60, 'c'), "\t" + std::string(60, 'c') + " v\r\n"},
      // "ß" is one character in two octets: the value still starts in column 54.
      {"German letters count once",
       "Masse - Durchfluß:", "\tMasse - Durchfluß:" + std::string(34, ' ') + "v\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    velumor::shared::report::ReportText r;
    r.row(c.label, "v");
    EXPECT_EQ(r.text(), c.line);
    if (platform::com::codePointCount(c.label) < velumor::shared::report::kLabelWidth) {
      EXPECT_EQ(platform::com::codePointCount(r.text()), 1 + 52 + 1 + 2);
    }
  }
}

TEST(ReportLayout, EveryKindOfLine) {
  velumor::shared::report::ReportText r;
  r.title("RQ4400 (VELUMOR)");
  r.blank();
  r.header("Communication State:", "Connected");
  r.header("File:", "");
  r.group("Device Data");
  r.row("Measurement Value:", "Density", true);
  r.plainRow("");
  r.plainRow("note");
  const std::string expected =
      "RQ4400 (VELUMOR)\r\n"
      "\r\n"
      "Communication State:" +
      std::string(32, ' ') + "Connected\r\n" + "File:" + std::string(47, ' ') + "\r\n" + "   Device Data" +
      std::string(52 - 14, ' ') + "\r\n" + "\tMeasurement Value:" + std::string(34, ' ') + "Density\t*\r\n" +
      "\t\r\n"
      "\tnote\r\n";
  EXPECT_EQ(r.text(), expected);
}

TEST(ReportLayout, PagesStartBelowAndRightOfTheMarginsAndBreakBeforeTheBottom) {
  ui::HeadlessServices printer;  // its page and a fixed-pitch font of 10 points
  const float w = printer.pageWidth(), h = printer.pageHeight();
  const float lineHeight = printer.textHeight("Courier New", 10);
  std::string text = "Title\r\n\r\n\tRow:\tvalue\t*\r\n";
  const int perPage = static_cast<int>((h - 2 * (h / 14)) / lineHeight);
  for (int i = 0; i < 2 * perPage; ++i) text += "line " + std::to_string(i) + "\r\n";

  ui::PrintDocument doc = velumor::shared::report::layoutPages(text, "Caption", 3, printer);
  EXPECT_EQ(doc.title, "Caption");
  EXPECT_EQ(doc.copies, 3);
  ASSERT_EQ(doc.pages.size(), 3u);
  const ui::PrintRun& first = doc.pages[0][0];
  EXPECT_EQ(first.text, "Title");
  EXPECT_EQ(first.fontName, "Courier New");
  EXPECT_NEAR(first.x, w / 8, 0.5);
  EXPECT_NEAR(first.y, h / 14, 0.5);
  // The blank line takes its room; tabs go to the next eighth column.
  const ui::PrintRun& row = doc.pages[0][1];
  EXPECT_NEAR(row.y - first.y, 2 * lineHeight, 0.5);
  EXPECT_EQ(row.text, "        Row:    value   *");
  for (const auto& page : doc.pages) {
    ASSERT_FALSE(page.empty());
    EXPECT_NEAR(page.front().y, h / 14, 0.5);
    EXPECT_LE(page.back().y + lineHeight, h - h / 14 + 0.5);
  }
  EXPECT_EQ(doc.pages[2].back().text, "line " + std::to_string(2 * perPage - 1));
}

// A page of exactly 80 columns between the margins: 12800 twips less two eighths is 9600
// twips, 80 characters of 120 twips.
class WidePage : public ui::HeadlessServices {
 public:
  float pageWidth() const override { return 12800.0f; }
};

std::vector<std::string> runTexts(const ui::PrintDocument& doc) {
  std::vector<std::string> out;
  for (const auto& page : doc.pages)
    for (const auto& run : page) out.push_back(run.text);
  return out;
}

TEST(ReportLayout, ALineTooLongForThePageContinuesUnderItsValueColumn) {
  WidePage printer;
  const std::string label = "\t" + velumor::shared::report::fillLabel("Descriptor:");
  const std::string row =
      "        " + velumor::shared::report::fillLabel("Descriptor:");  // 60 columns, as printed
  const std::string under(60, ' ');
  struct Case {
    const char* what;
    std::string line;
    std::vector<std::string> printed;
  } cases[] = {
      {"fits exactly", label + std::string(20, 'v'), {row + std::string(20, 'v')}},
      {"cut at the blank that follows the room",
       label + "RQ4400 CORIOLIS MASS FLOWMETER",
       {row + "RQ4400 CORIOLIS MASS", under + "FLOWMETER"}},
      {"cut at the last blank inside the room",
       label + "RQ4400 CORIOLIS MASSES FLOW",
       {row + "RQ4400 CORIOLIS", under + "MASSES FLOW"}},
      {"a word longer than the room is cut where the margin is",
       label + std::string(50, 'x'),
       {row + std::string(20, 'x'), under + std::string(20, 'x'), under + std::string(10, 'x')}},
      {"the label's blanks are no place to cut",
       label + std::string(25, 'y'),
       {row + std::string(20, 'y'), under + std::string(5, 'y')}},
      {"a header line has its value column without the tab",
       velumor::shared::report::fillLabel("File:") + std::string(30, 'p'),
       {velumor::shared::report::fillLabel("File:") + std::string(28, 'p'), std::string(52, ' ') + "pp"}},
      {"a comment line continues under its own indentation",
       "\t" + std::string(70, 'c') + " " + std::string(10, 'c'),
       {"        " + std::string(70, 'c'), "        " + std::string(10, 'c')}},
      {"characters are counted, not bytes",
       "\t" + velumor::shared::report::fillLabel("Masse - Durchfluß:") + "ääääääääääääääääääääü",
       {"        " + velumor::shared::report::fillLabel("Masse - Durchfluß:") + "ääääääääääääääääääää",
        under + "ü"}},
      {"an empty value's filled label is not cut",
       "\t" + fillLabel(std::string(72, 'L')),
       {"        " + fillLabel(std::string(72, 'L'))}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ui::PrintDocument doc = velumor::shared::report::layoutPages(c.line + "\r\n", "T", 1, printer);
    EXPECT_EQ(runTexts(doc), c.printed);
    for (const auto& run : doc.pages[0]) {
      std::string shown = run.text;  // trailing blanks take no room
      shown.erase(shown.find_last_not_of(' ') + 1);
      EXPECT_LE(printer.textWidth(shown, run.fontName, run.fontSize), 9600);
    }
  }
}

TEST(ReportLayout, AHeadingMovesToTheNextPageWithItsFirstRow) {
  ui::HeadlessServices printer;  // 54 lines a page
  const float h = printer.pageHeight();
  const int perPage = static_cast<int>((h - 2 * (h / 14)) / printer.textHeight("Courier New", 10));
  ASSERT_EQ(perPage, 54);
  auto fill = [](int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) text += "\tfill " + std::to_string(i) + "\r\n";
    return text;
  };
  struct Case {
    const char* what;
    std::string text;
    std::size_t onFirstPage;  // runs on the first page
    std::string secondPageStart;
  } cases[] = {
      {"heading and first row fit", fill(52) + "   Group\r\n\tfirst\r\n\tsecond\r\n", 54, "        second"},
      {"only the heading would fit", fill(53) + "   Group\r\n\tfirst\r\n", 53, "   Group"},
      {"a page title and a group title go with the row", fill(52) + "Page\r\n   Group\r\n\tfirst\r\n", 52,
       "Page"},
      {"a first row on two lines", fill(52) + "   Group\r\n\t" + std::string(70, 'w') + " w\r\n", 52,
       "   Group"},
      {"a blank line is no heading", fill(53) + "\r\n\tfirst\r\n", 53, "        first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ui::PrintDocument doc = velumor::shared::report::layoutPages(c.text, "T", 1, printer);
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(doc.pages[0].size(), c.onFirstPage);
    EXPECT_EQ(doc.pages[1].front().text, c.secondPageStart);
    EXPECT_NEAR(doc.pages[1].front().y, h / 14, 0.5);
  }
  // Sixty headings over one row are more than a page: they start where they stand, and
  // only the eighth, the first whose run down to the row (54 lines) fills a page, moves.
  std::string tall = fill(10);
  for (int i = 0; i < 60; ++i) tall += "   Group\r\n";
  const ui::PrintDocument doc = velumor::shared::report::layoutPages(tall + "\tfirst\r\n", "T", 1, printer);
  ASSERT_EQ(doc.pages.size(), 2u);
  EXPECT_EQ(doc.pages[0].size(), 17u);
  EXPECT_EQ(doc.pages[1].size(), 54u);
}

// ------------------------------------------------------------------ printing and files

class ReportPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLanguage("en");
    ui::Services::installHeadless();
    ui::Services::headless().reset();
    form_ = platform::com::makeObject<ReportForm>();
  }
  void TearDown() override { form_->unload(); }

  ui::CommonDialogControl& dialog() { return form_->ctlAs<ui::CommonDialogControl>("Dlg"); }
  velumor::shared::report::PrintOutcome print(const std::function<std::string()>& build) {
    return velumor::shared::report::printReport(dialog(), {"Caption", "VR_Data.prn", "RQ4400"}, build);
  }
  std::function<std::string()> counted(std::string text) {
    return [this, text] {
      ++builds_;
      return text;
    };
  }
  std::vector<ui::ServiceRequest> messages() const { return ui::Services::headless().requestsOf("msgbox"); }
  // The folder holds exactly these names (no temporary file left behind).
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  testsupport::TempDir temp_{"velumor_report"};
  fs::path folder_ = temp_.path();
  platform::com::Ptr<ReportForm> form_;
  int builds_ = 0;
};

TEST_F(ReportPrintTest, PrinterGetsTheReportInCourierWithTheChosenCopies) {
  ui::Services::headless().queuePrinter({true, 2, false});
  EXPECT_EQ(print(counted("First line\r\n\tRow\r\n")), velumor::shared::report::PrintOutcome::Printed);
  ASSERT_EQ(ui::Services::headless().printed().size(), 1u);
  const ui::PrintDocument& doc = ui::Services::headless().printed()[0];
  EXPECT_EQ(doc.copies, 2);
  EXPECT_EQ(doc.title, "Caption");
  ASSERT_EQ(doc.pages.size(), 1u);
  EXPECT_EQ(doc.pages[0][0].text, "First line");
  EXPECT_EQ(doc.pages[0][0].fontName, "Courier New");
  EXPECT_EQ(doc.fileName, "VR_Data.pdf");  // a PDF of it is proposed under the report's own name
  EXPECT_EQ(dialog().getProperty("Flags").toLong(), 0);
  EXPECT_TRUE(messages().empty());
}

TEST_F(ReportPrintTest, PrintToFileAsksTheSaveDialogAndWritesUtf8WithCrLf) {
  fs::path target = folder_ / "VR_Data.prn";
  ui::Services::headless().queuePrinter({true, 1, true});
  ui::Services::headless().queueSaveFile(target.string());
  EXPECT_EQ(print(counted("Größe\r\n\tRow\r\n")), velumor::shared::report::PrintOutcome::Written);
  // The text and the print statement's own line end.
  EXPECT_EQ(readFile(target), "Größe\r\n\tRow\r\n\r\n");
  auto saves = ui::Services::headless().requestsOf("savefile");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].text, "VR_Data.prn");
  EXPECT_EQ(saves[0].title, "Print to File ...");
  EXPECT_EQ(dialog().getProperty("Filter").toString(),
            "all Files|*.*|Printer File (*.prn)|*.prn|Text Files  (*.txt)|*.txt");
  EXPECT_EQ(dialog().getProperty("FilterIndex").toLong(), 2);
  // Read-only box hidden; the dialog asks before an existing file is replaced.
  EXPECT_EQ(dialog().getProperty("Flags").toLong(), 4 | 2);
  EXPECT_EQ(names(), std::vector<std::string>{"VR_Data.prn"});
  EXPECT_TRUE(ui::Services::headless().printed().empty());
}

TEST_F(ReportPrintTest, FilterTextsFollowTheUserLanguage) {
  setLanguage("de");
  EXPECT_EQ(velumor::shared::report::saveFilter(),
            "alle Dateien|*.*|Druckerausgabe (*.prn)|*.prn|Textdateien (*.txt)|*.txt");
  setLanguage("en");
}

TEST_F(ReportPrintTest, AnExistingFileIsReplacedWholeAndKeepsItsPermissions) {
  fs::path target = folder_ / "old.prn";
  std::ofstream(target) << std::string(10000, 'x');
  ::chmod(target.c_str(), 0640);
  ui::Services::headless().queuePrinter({true, 1, true});
  ui::Services::headless().queueSaveFile(target.string());
  EXPECT_EQ(print(counted("new\r\n")), velumor::shared::report::PrintOutcome::Written);
  EXPECT_EQ(readFile(target), "new\r\n\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(names(), std::vector<std::string>{"old.prn"});
}

TEST_F(ReportPrintTest, CancelBuildsNothingWritesNothingAndSaysNothing) {
  struct Case {
    const char* what;
    ui::PrinterAnswer printer;
    bool saveCancelled;
  } cases[] = {
      {"printer dialog cancelled", {false, 1, false}, false},
      {"save dialog cancelled", {true, 1, true}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::Services::headless().reset();
    ui::Services::headless().queuePrinter(c.printer);
    if (c.saveCancelled) ui::Services::headless().queueSaveFile(std::nullopt);
    EXPECT_EQ(print(counted("text\r\n")), velumor::shared::report::PrintOutcome::Cancelled);
    EXPECT_EQ(builds_, 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(ui::Services::headless().printed().empty());
    EXPECT_TRUE(names().empty());
  }
}

TEST_F(ReportPrintTest, FailuresShowTheErrorAndThePathAndLeaveNoFile) {
  fs::path locked = folder_ / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  // Root writes into any folder of its own; the kernel's own folders refuse it too.
  const std::string unwritable = ::geteuid() == 0 ? "/sys/VR_Data.prn" : (locked / "VR_Data.prn").string();
  fs::create_directory(folder_ / "adir");
  struct Case {
    const char* what;
    std::string path;
    std::string message;
    const char* lang = "en";  // the failure is said in the user's language
  } cases[] = {
      {"unwritable folder", unwritable, "Permission denied\r\n" + unwritable},
      {"target is a folder", (folder_ / "adir").string(),
       "Path/File access error\r\n" + (folder_ / "adir").string()},
      {"missing folder", (folder_ / "nowhere" / "x.prn").string(),
       "Path not found\r\n" + (folder_ / "nowhere" / "x.prn").string()},
      {"target is a folder, German", (folder_ / "adir").string(),
       "Fehler beim Zugriff auf Pfad/Datei\r\n" + (folder_ / "adir").string(), "de"},
      {"missing folder, German", (folder_ / "nowhere" / "x.prn").string(),
       "Pfad nicht gefunden\r\n" + (folder_ / "nowhere" / "x.prn").string(), "de"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setLanguage(c.lang);
    ui::Services::headless().reset();
    ui::Services::headless().queuePrinter({true, 1, true});
    ui::Services::headless().queueSaveFile(c.path);
    EXPECT_EQ(print(counted("text\r\n")), velumor::shared::report::PrintOutcome::Failed);
    auto shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.message);
    EXPECT_EQ(shown[0].title, "RQ4400");
    EXPECT_EQ(shown[0].style & ui::mb::Critical, ui::mb::Critical);
  }
  setLanguage("en");
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(folder_))
    left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"adir", "locked"}));
}

TEST_F(ReportPrintTest, ABuildFailureWritesAndPrintsNothing) {
  fs::path target = folder_ / "VR_Data.prn";
  std::ofstream(target) << "kept";
  for (bool toFile : {false, true}) {
    SCOPED_TRACE(toFile ? "to file" : "to printer");
    ui::Services::headless().reset();
    ui::Services::headless().queuePrinter({true, 1, toFile});
    if (toFile) ui::Services::headless().queueSaveFile(target.string());
    EXPECT_EQ(print([]() -> std::string { platform::com::raise(platform::com::err::SubscriptOutOfRange); }),
              velumor::shared::report::PrintOutcome::Failed);
    auto shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Subscript out of range");
    EXPECT_TRUE(ui::Services::headless().printed().empty());
    EXPECT_EQ(readFile(target), "kept");
  }
  EXPECT_EQ(names(), std::vector<std::string>{"VR_Data.prn"});
}

// A printer that breaks while printing.
class FailingPrinter : public ui::HeadlessServices {
 public:
  void print(const ui::PrintDocument&) override {
    platform::com::raise(platform::com::err::PrinterError, "Out of paper");
  }
};

TEST_F(ReportPrintTest, APrinterFailureIsShown) {
  FailingPrinter services;
  ui::Services::install(&services, &services, &services, &services, &services, &services);
  services.queuePrinter({true, 1, false});
  EXPECT_EQ(print(counted("text\r\n")), velumor::shared::report::PrintOutcome::Failed);
  auto shown = services.requestsOf("msgbox");
  ui::Services::installHeadless();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Out of paper");
}

TEST_F(ReportPrintTest, PrinterSetupShowsTheSetUpDialogAndIgnoresCancel) {
  ui::Services::headless().queuePrinter({false, 1, false});
  velumor::shared::report::printerSetup(dialog());
  auto asked = ui::Services::headless().requestsOf("printer");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "setup");
  EXPECT_EQ(asked[0].style, 0x40);
  EXPECT_TRUE(messages().empty());
}

TEST(ReportFile, WriteReplacingReportsErrorNumbers) {
  EXPECT_EQ(velumor::shared::report::writeFileReplacing("/nonexistent-folder/x.txt", "a"),
            platform::com::err::PathNotFound);
  EXPECT_EQ(velumor::shared::report::writeFileReplacing("/etc/passwd/x.txt", "a"),
            platform::com::err::PathNotFound);
}

// Any name the file system takes is a name a report can be saved under; one a character
// longer is refused without anything left in the folder.
TEST(ReportFile, NamesUpToTheFileNameLimitAreWritten) {
  testsupport::TempDir dir;
  for (const size_t length : {248u, 254u, 255u}) {
    const std::string name = std::string(length - 4, 'r') + ".prn";
    EXPECT_EQ(velumor::shared::report::writeFileReplacing((dir.path() / name).string(), "report"), 0)
        << length;
    EXPECT_EQ(readFile(dir.path() / name), "report") << length;
  }
  EXPECT_EQ(velumor::shared::report::writeFileReplacing((dir.path() / std::string(256, 'r')).string(), "x"),
            platform::com::err::PathNotFound);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 3u);
}

}  // namespace
}  // namespace velumor::shared::report
