#include "velumor/shared/report/report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/file_replace.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::shared::report {

namespace err = platform::com::err;
namespace ui = platform::ui;

namespace {

constexpr const char* kFontName = "Courier New";
constexpr float kFontSize = 10.0f;
constexpr std::size_t kTabWidth = 8;

// Printer dialog flags of the common dialog.
constexpr int32_t kPrintToFileFlag = 0x20;
constexpr int32_t kPrintSetupFlag = 0x40;
constexpr int32_t kHideReadOnly = 4;
constexpr int32_t kOverwritePrompt = 2;

int32_t errorNumberOf(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
      return err::PermissionDenied;
    case ENOENT:  // the file need not exist: its folder is missing
    case ENOTDIR:
    case ENAMETOOLONG:
      return err::PathNotFound;
    case ENOSPC:
    case EDQUOT:
      return 61;  // Disk full
    default:
      return err::PathFileAccess;
  }
}

// Why a report file could not be written, in the user's language.
std::string writeFailureText(int32_t number) {
  switch (number) {
    case err::PermissionDenied:
      return LoadResStringByLang(530);
    case err::PathNotFound:
      return LoadResStringByLang(531);
    case 61:  // Disk full
      return LoadResStringByLang(532);
    default:
      return LoadResStringByLang(533);
  }
}

void showFailure(const std::string& text, const std::string& title) {
  ui::msgBox(text, ui::mb::OKOnly | ui::mb::Critical, title);
}

// The text of an error raised while building or printing.
std::string describe(const std::exception& e) {
  if (const auto* rt = dynamic_cast<const platform::com::RuntimeError*>(&e))
    return rt->description().empty() ? platform::com::errorText(rt->number()) : rt->description();
  return e.what();
}

// Expands tabs to the next multiple of kTabWidth columns, counting characters.
std::string expandTabs(std::string_view line) {
  std::string out;
  std::size_t column = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '\t') {
      const std::size_t next = (column / kTabWidth + 1) * kTabWidth;
      out.append(next - column, ' ');
      column = next;
      continue;
    }
    out += static_cast<char>(c);
    if (!platform::com::isContinuationByte(static_cast<char>(c))) ++column;
  }
  return out;
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::string fillLabel(std::string_view label) {
  const std::size_t length = platform::com::codePointCount(label);
  std::string out(label);
  out.append(length < kLabelWidth ? kLabelWidth - length : 1, ' ');
  return out;
}

void ReportText::line(std::string_view s) {
  text_ += s;
  text_ += "\r\n";
}

void ReportText::title(std::string_view caption) {
  line(caption);
}

void ReportText::blank() {
  line({});
}

void ReportText::header(std::string_view label, std::string_view value) {
  line(fillLabel(label) + std::string(value));
}

void ReportText::group(std::string_view groupTitle) {
  std::string s = "   " + std::string(groupTitle);
  const std::size_t length = platform::com::codePointCount(s);
  if (length < kLabelWidth) s.append(kLabelWidth - length, ' ');
  line(s);
}

void ReportText::row(std::string_view label, std::string_view value, bool marked) {
  std::string s = "\t" + fillLabel(label) + std::string(value);
  if (marked) s += kMark;
  line(s);
}

void ReportText::plainRow(std::string_view text) {
  line("\t" + std::string(text));
}

std::string saveFilter() {
  std::string filter;
  for (int16_t k = 1; k <= 3; ++k) {
    if (k > 1) filter += "|";
    filter += LoadResStringByLang(static_cast<int16_t>(510 + k)) + "|" +
              LoadResStringByLang(static_cast<int16_t>(520 + k));
  }
  return filter;
}

namespace {

bool isRow(std::string_view line) {
  return !line.empty() && line.front() == '\t';
}

std::size_t leadingBlanks(std::string_view s) {
  const std::size_t lead = s.find_first_not_of(' ');
  return lead == std::string_view::npos ? 0 : lead;
}

// The printed lines of one report line: as it is when it fits between the margins, else
// cut (at a blank where there is one) and continued under its value column, or under its
// own indentation where it has no filled label column or the page is too narrow for it.
std::vector<std::string> wrapLine(std::string_view line, double room, const ui::PrinterService& printer) {
  std::string rest = expandTabs(line);
  // Trailing blanks (an empty value's filled label) take no room on paper.
  auto fits = [&](std::string_view s) {
    const std::size_t end = s.find_last_not_of(' ');
    const std::string shown(s.substr(0, end == std::string_view::npos ? 0 : end + 1));
    return printer.textWidth(shown, kFontName, kFontSize) <= room;
  };
  if (fits(rest)) return {rest};
  const std::size_t valueColumn = (isRow(line) ? kTabWidth : 0) + kLabelWidth;
  std::size_t indent = leadingBlanks(rest);
  if (platform::com::codePointCount(rest) > valueColumn &&
      rest[platform::com::bytesOfCodePoints(rest, valueColumn - 1)] == ' ' &&
      fits(std::string(valueColumn, ' ') + "x"))
    indent = valueColumn;
  if (!fits(std::string(indent, ' ') + "x")) indent = 0;
  std::vector<std::string> out;
  std::size_t lead = 0;  // the columns the current piece must keep before a cut
  while (!fits(rest)) {
    // The most characters that fit, but at least one after the piece's own indentation.
    std::size_t lo = lead + 1, hi = platform::com::codePointCount(rest);
    while (lo < hi) {
      const std::size_t mid = (lo + hi + 1) / 2;
      if (fits(platform::com::firstCodePoints(rest, mid)))
        lo = mid;
      else
        hi = mid - 1;
    }
    std::size_t cut = platform::com::bytesOfCodePoints(rest, lo);
    // A blank ends the piece only past the continuation column, so a label never stands alone.
    const std::size_t earliest = platform::com::bytesOfCodePoints(rest, std::max(lead, indent));
    const std::size_t blank = rest.find_last_of(' ', cut);
    if (blank != std::string::npos && blank > earliest && rest.find_first_not_of(' ', earliest) < blank)
      cut = blank;
    std::string piece = rest.substr(0, cut);
    piece.erase(piece.find_last_not_of(' ') + 1);
    out.push_back(std::move(piece));
    rest =
        std::string(indent, ' ') + std::string(platform::com::trim(std::string_view(rest).substr(cut), " "));
    lead = indent;
  }
  out.push_back(std::move(rest));
  return out;
}

}  // namespace

ui::PrintDocument layoutPages(const std::string& text, const std::string& title, int32_t copies,
                              const ui::PrinterService& printer) {
  ui::PrintDocument doc;
  doc.title = title;
  doc.copies = copies;
  // The user scale of the page: its origin lies W/8 from the left and H/14 from the top.
  const double h = printer.pageHeight(), w = printer.pageWidth();
  const float scaleTop = static_cast<float>(-h / 16), scaleHeight = static_cast<float>(h - h / 8);
  const float scaleLeft = static_cast<float>(-w / 10), scaleWidth = static_cast<float>(w - w / 5);
  const double top = -scaleTop * (h / scaleHeight);
  const double left = -scaleLeft * (w / scaleWidth);
  const double lineHeight = printer.textHeight(kFontName, kFontSize);
  const double bottom = h - top;
  const double room = w - 2 * left;  // the same margin on the right

  const std::vector<std::string_view> lines = splitLines(text);
  std::vector<std::vector<std::string>> printed;
  printed.reserve(lines.size());
  for (std::string_view line : lines) printed.push_back(wrapLine(line, room, printer));
  // A heading (a line that is no row) keeps with what follows it down to the first row, so
  // that no heading stands alone at the bottom of a page.
  std::vector<std::size_t> keptHeight(lines.size() + 1, 0);
  for (std::size_t i = lines.size(); i-- > 0;) {
    const bool heading = !lines[i].empty() && !isRow(lines[i]) && i + 1 < lines.size();
    if (heading && (isRow(lines[i + 1]) || keptHeight[i + 1] > 0))
      keptHeight[i] = printed[i].size() + (isRow(lines[i + 1]) ? printed[i + 1].size() : keptHeight[i + 1]);
  }

  const std::size_t perPage =
      static_cast<std::size_t>(std::max(1.0, std::floor((bottom - top) / lineHeight)));
  doc.pages.emplace_back();
  double y = top;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t together = keptHeight[i] > 0 && keptHeight[i] <= perPage ? keptHeight[i] : 1;
    if (y + static_cast<double>(together) * lineHeight > bottom && y > top) {
      doc.pages.emplace_back();
      y = top;
    }
    for (std::string& piece : printed[i]) {
      if (y + lineHeight > bottom && y > top) {
        doc.pages.emplace_back();
        y = top;
      }
      if (!piece.empty()) {
        ui::PrintRun run;
        run.x = static_cast<float>(left);
        run.y = static_cast<float>(y);
        run.text = std::move(piece);
        run.fontName = kFontName;
        run.fontSize = kFontSize;
        doc.pages.back().push_back(std::move(run));
      }
      y += lineHeight;
    }
  }
  return doc;
}

int32_t writeFileReplacing(const std::string& requested, std::string_view content) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(requested);
  // A link is followed, so the file it names is replaced and the link stays.
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  if (fs::is_directory(target, ec)) return errorNumberOf(EISDIR);
  const int error = platform::com::replaceFileContents(target, content, 0666);
  return error == 0 ? 0 : errorNumberOf(error);
}

PrintOutcome printReport(ui::CommonDialogControl& dialog, const PrintJob& job,
                         const std::function<std::string()>& build) {
  using platform::com::Variant;
  // A cancel raises an error, which ends the command like a dialog that failed to open.
  try {
    dialog.setProperty("Flags", Variant(int32_t{0}));
    dialog.setProperty("CancelError", Variant(true));
    dialog.ShowPrinter();
  } catch (const std::exception&) {
    return PrintOutcome::Cancelled;
  }
  const bool toFile = (dialog.getProperty("Flags").toLong() & kPrintToFileFlag) != 0;
  const int32_t copies = dialog.getProperty("Copies").toLong();

  std::string path;
  if (toFile) {
    try {
      dialog.setProperty("FileName", Variant(job.fileName));
      dialog.setProperty("Filter", Variant(saveFilter()));
      dialog.setProperty("FilterIndex", Variant(int16_t{2}));  // the printer-file filter
      dialog.setProperty("Flags", Variant(kHideReadOnly | kOverwritePrompt));
      dialog.setProperty("DialogTitle", Variant(LoadResStringByLang(510)));
      dialog.setProperty("CancelError", Variant(true));
      dialog.ShowSave();
    } catch (const std::exception&) {
      return PrintOutcome::Cancelled;
    }
    path = dialog.getProperty("FileName").toString();
    if (path.empty()) return PrintOutcome::Cancelled;
  }

  std::string text;
  try {
    text = build();
  } catch (const std::exception& e) {
    showFailure(describe(e), job.messageTitle);
    return PrintOutcome::Failed;
  }

  if (!toFile) {
    try {
      ui::PrinterService& printer = ui::Services::printer();
      ui::PrintDocument doc = layoutPages(text, job.documentTitle, copies, printer);
      // Each window's report proposes its own PDF, so that one does not replace the other.
      doc.fileName = std::filesystem::path(job.fileName).replace_extension(".pdf").string();
      printer.print(doc);
    } catch (const std::exception& e) {
      showFailure(describe(e), job.messageTitle);
      return PrintOutcome::Failed;
    }
    return PrintOutcome::Printed;
  }

  // The print statement's own line end follows the report.
  text += "\r\n";
  if (int32_t number = writeFileReplacing(path, text); number != 0) {
    showFailure(writeFailureText(number) + "\r\n" + path, job.messageTitle);
    return PrintOutcome::Failed;
  }
  return PrintOutcome::Written;
}

void printerSetup(ui::CommonDialogControl& dialog) {
  try {
    dialog.setProperty("Flags", platform::com::Variant(kPrintSetupFlag));
    dialog.setProperty("CancelError", platform::com::Variant(true));
    dialog.ShowPrinter();
  } catch (const std::exception&) {
    // A cancelled set-up keeps the printer as it was.
  }
}

}  // namespace velumor::shared::report
