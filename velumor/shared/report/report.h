#pragma once
// The printed and filed reports of the main and the diagnosis window: one line layout and
// one way to the printer or to a text file.
//
// Layout: every line ends in CR LF. A row is a tab, its label filled with blanks to 52
// characters and its value, so values start in column 54; a label of 52 characters or more
// is never cut and still gets one blank before its value. Characters are counted, not
// bytes, so "Masse - Durchfluß:" lines up with plain ASCII labels.
//
// Printing: printReport() asks the printer dialog; then either prints the report in a
// fixed-pitch font or, when the user chose print to file, asks the save dialog and writes
// it as UTF-8 text. The report is built only after the user's choice and whole before
// anything is printed or written; a file is written beside its target and renamed over it,
// so a failure never leaves half a report. Failures show a message; a cancel shows nothing.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/services.h"

namespace platform::ui {
class CommonDialogControl;
}

namespace velumor::shared::report {

// Width of the label column, in characters, before the value.
inline constexpr std::size_t kLabelWidth = 52;
// Ends a row that belongs to the current choice of an enumeration.
inline constexpr std::string_view kMark = "\t*";

// The label followed by blanks up to kLabelWidth characters; at least one blank.
std::string fillLabel(std::string_view label);

// The report text, line by line.
class ReportText {
 public:
  // The window caption or a page caption, alone on its line.
  void title(std::string_view caption);
  void blank();
  // Label column and value, no leading tab ("Communication State:", "File:").
  void header(std::string_view label, std::string_view value);
  // Three blanks and a group title, filled to kLabelWidth characters in all.
  void group(std::string_view groupTitle);
  // A tab, the filled label and the value; `marked` adds kMark.
  void row(std::string_view label, std::string_view value, bool marked = false);
  // A tab and a text with no label column (comment lines).
  void plainRow(std::string_view text);

  const std::string& text() const { return text_; }

 private:
  void line(std::string_view s);
  std::string text_;
};

// What a window hands to printReport().
struct PrintJob {
  std::string documentTitle;  // the window caption: the printer's document name
  std::string fileName;       // proposed by the save dialog ("VR_Data.prn")
  std::string messageTitle;   // title of a failure message
};

enum class PrintOutcome {
  Cancelled,  // a dialog was cancelled: nothing was built, printed or written
  Printed,    // sent to the printer (or the printer's PDF file)
  Written,    // written to the chosen text file
  Failed,     // building, printing or writing failed; a message said why
};

// The File menu's Print: printer dialog, then printer or save dialog; `build` makes the
// report text once the output is chosen. A file gets the text and one more CR LF.
// `dialog` is the window's common-dialog control; its properties show the last request.
PrintOutcome printReport(platform::ui::CommonDialogControl& dialog, const PrintJob& job,
                         const std::function<std::string()>& build);
// The File menu's Printer Setup: the set-up dialog; a cancel is ignored.
void printerSetup(platform::ui::CommonDialogControl& dialog);

// The printed pages of a report in "Courier New": the text starts one eighth of the page
// width from the left and one fourteenth of its height from the top; a page ends where
// the next line would cross the same margin at the bottom. Tabs advance to the next
// multiple of eight columns.
platform::ui::PrintDocument layoutPages(const std::string& text, const std::string& title, int32_t copies,
                                        const platform::ui::PrinterService& printer);

// Writes `content` to `path` through a temporary file beside it that is renamed over it at
// the end; on failure nothing is left behind and the run-time error number that describes
// it (61, 70, 75, 76) is returned; 0 on success.
int32_t writeFileReplacing(const std::string& path, std::string_view content);

// The filter of the save dialog: texts 511 to 513 with the patterns 521 to 523.
std::string saveFilter();

}  // namespace velumor::shared::report
