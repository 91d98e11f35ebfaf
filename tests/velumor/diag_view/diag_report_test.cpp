// The diagnosis report as the user gets it: its whole text for known states in both
// languages against stored files, on paper in Courier New, in a file, and the failure and
// cancel paths of the shared way out.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/temp_dir.h"
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DiagReportTest : public DiagViewTest {
 protected:
  void SetUp() override {
    DiagViewTest::SetUp();
    aim->dd->properties["DevDescLong"] = "RQ4400 Coriolis Mass Flowmeter";
  }
  void TearDown() override { DiagViewTest::TearDown(); }
  void start() {
    open();
    run(1);
    run(5);
    platform::ui::EventLoop::instance().clearErrors();
  }
  void report(std::string_view item, Variant value) {
    ASSERT_TRUE(aim->setItem(item, value)) << item;
    form->NotifyChanged(aim->handleOf(item), false, 0, 0);
    run(1);
  }
  // A connected meter with a sensor error, a totalizer warning, a configuration change and
  // the rows of groups it lacks off.
  void knownState() {
    report("&&private_pm&&Address", Variant("3"));
    report("DESCRIPTOR", Variant("LINE 4"));
    report("&&private_PM&&FileName", Variant("/home/engineer/data sets/line4 meter.vds"));
    report("&&private&&connect", Variant(2.0));
    for (const RowGroup& g : rowGroups())
      for (int32_t i = 0; i < g.rows; ++i) form->setRow(g.name, i, Form::kNo);
    form->setRow("Device", 1, Form::kWarning);
    form->setRow("Sensor", 2, Form::kYes);
    form->setRow("Totalizer", 3, Form::kWarning);
    for (int32_t i = 0; i < 6; ++i) form->setRow("Alarm", i, Form::kOff);
    for (int32_t i = 4; i < 8; ++i) {
      form->setRow("Sensor", i, Form::kOff);
      for (const char* part : {"Label", "Text", "ONOFF"})
        ctl(std::string("DiagSensor") + part, i).setVisible(false);
    }
  }
  testsupport::TempDir temp{"diag_report"};
  fs::path dir = temp.path();
};

TEST_F(DiagReportTest, TheWholeTextOfAKnownStateInEnglish) {
  start();
  knownState();
  EXPECT_EQ(form->BuildDiagReport(), readFile(fs::path(VELUMOR_DIAG_EXPECTED) / "report_en.txt"));
}

TEST_F(DiagReportTest, TheWholeTextOfAKnownStateInGerman) {
  ScopedLang german("de");
  start();
  knownState();
  EXPECT_EQ(form->BuildDiagReport(), readFile(fs::path(VELUMOR_DIAG_EXPECTED) / "report_de.txt"));
}

TEST_F(DiagReportTest, BeforeAnyReportTheRowsAreOffAndTheFileLineEndsAfterItsBlanks) {
  start();
  const std::string text = form->BuildDiagReport();
  std::istringstream lines(text);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_GE(all.size(), 6u);
  EXPECT_EQ(all[0], "RQ4400 Coriolis Mass Flowmeter\r");
  EXPECT_EQ(all[1], "\r");
  EXPECT_EQ(all[2], "\r");
  EXPECT_EQ(all[3], "Communication State:" + std::string(32, ' ') + "Disconnected\r");
  EXPECT_EQ(all[4], "File:" + std::string(47, ' ') + "\r");
  EXPECT_EQ(all[5], "\r");
  EXPECT_EQ(all[6], "Field Device State\r");
  EXPECT_EQ(all[7], "\tField Device Malfunction:" + std::string(27, ' ') + "off\r");
  // 9 groups, 49 rows, no Limits group, ends with the last Memory row.
  EXPECT_EQ(all.size(), 5u + 9u * 2u + 49u);
  EXPECT_EQ(text.find("\r\nLimits\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Min. Value"), std::string::npos);
  EXPECT_EQ(all.back(), "\tUpdate external Data (W 8b):" + std::string(24, ' ') + "off\r");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(DiagReportTest, PrintingSendsTheReportInCourierWithTheChosenCopies) {
  start();
  knownState();
  services->queuePrinter({true, 3, false});
  ASSERT_TRUE(form->userClick(ctl("MenuPrint")));
  ASSERT_EQ(services->printed().size(), 1u);
  const platform::ui::PrintDocument& doc = services->printed()[0];
  EXPECT_EQ(doc.copies, 3);
  EXPECT_EQ(doc.title, form->caption());
  ASSERT_FALSE(doc.pages.empty());
  ASSERT_FALSE(doc.pages[0].empty());
  EXPECT_EQ(doc.pages[0][0].text, form->caption());
  EXPECT_EQ(doc.pages[0][0].fontName, "Courier New");
  EXPECT_EQ(aim->log().count("MsgBox"), 0);
}

TEST_F(DiagReportTest, PrintToFileProposesVrDiagAndWritesTheWholeReport) {
  start();
  knownState();
  const fs::path target = dir / "VR_Diag.prn";
  services->queuePrinter({true, 1, true});
  services->queueSaveFile(target.string());
  ASSERT_TRUE(form->userClick(ctl("MenuPrint")));
  const std::vector<platform::ui::ServiceRequest> saves = services->requestsOf("savefile");
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_NE(saves[0].text.find("VR_Diag.prn"), std::string::npos);
  const std::string written = readFile(target);
  EXPECT_EQ(written.substr(0, written.size() - 2), form->BuildDiagReport());
  EXPECT_TRUE(services->printed().empty());
  // Nothing but the report is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DiagReportTest, CancelInEitherDialogWritesNothingAndSaysNothing) {
  start();
  services->queuePrinter({false, 1, false});
  ASSERT_TRUE(form->userClick(ctl("MenuPrint")));
  services->queuePrinter({true, 1, true});
  services->queueSaveFile(std::nullopt);
  ASSERT_TRUE(form->userClick(ctl("MenuPrint")));
  EXPECT_TRUE(services->printed().empty());
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_EQ(aim->log().count("MsgBox"), 0);
}

TEST_F(DiagReportTest, AFileThatCannotBeWrittenShowsTheErrorAndThePath) {
  start();
  const fs::path target = dir / "missing folder" / "VR_Diag.prn";
  services->queuePrinter({true, 1, true});
  services->queueSaveFile(target.string());
  ASSERT_TRUE(form->userClick(ctl("MenuPrint")));
  const std::vector<platform::ui::ServiceRequest> boxes = services->requestsOf("msgbox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(target.string()), std::string::npos) << boxes[0].text;
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(form->isLoaded());
}

TEST_F(DiagReportTest, PrinterSetupOnlyShowsTheSetUpDialog) {
  start();
  services->queuePrinter({false, 1, false});
  ASSERT_TRUE(form->userClick(ctl("MenuPrinterSetup")));
  EXPECT_EQ(services->requestsOf("printer").size(), 1u);
  EXPECT_TRUE(services->printed().empty());
  EXPECT_EQ(aim->log().count("MsgBox"), 0);
}

}  // namespace
}  // namespace diagview_test
