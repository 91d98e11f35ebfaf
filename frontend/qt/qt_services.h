#pragma once
// The platform services drawn with Qt: message boxes, the save-file and printer dialogs,
// printing (to a printer, or to a PDF file where none is set up), the help viewer, the
// shell, modal runs and popup menus.
#include <QImage>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/services.h"

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace frontend::qt {

class FrontEnd;

// "Text (*.prn)|*.prn|All (*.*)|*.*" as Qt name filters: "Text (*.prn)", "All (*)".
QStringList qtNameFilters(const std::string& filter);

// The message box for a text, its style bits (buttons, icon, default button) and title.
std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, int32_t style, const std::string& title,
                                            QWidget* parent);
// The answer (platform::ui::mb::IdOK ...) for the button the user pressed; a box closed
// without a button gives the answer of its cancel-like button.
int32_t messageBoxAnswer(const QMessageBox& box, const QAbstractButton* clicked, int32_t style);

// Paints a document's pages on a printer or PDF writer; raises a run-time error when the
// device cannot be printed on.
void printDocument(const platform::ui::PrintDocument& document, QPagedPaintDevice& device);
// One page's runs, positioned in twips from the device's top left.
void paintRuns(QPainter& painter, const std::vector<platform::ui::PrintRun>& runs,
               const QPaintDevice& device);
// "dir/VR_Data.prn" → "dir/VR_Data.pdf".
QString pdfPathBeside(const QString& path);

// The help viewer: plain text and HTML help files in a simple window.
class HelpViewer : public QTextBrowser {
 public:
  HelpViewer();
  void showFile(const QString& path, const QString& key);
  // Why the file is not shown (missing, not text), or empty when it is.
  const QString& problem() const { return problem_; }
  const QString& file() const { return file_; }
  const QFont& textFont() const { return fixedFont_; }

 private:
  void place();
  QString file_;
  QString problem_;
  QFont fixedFont_;
};

class QtServices : public platform::ui::MessageBoxService,
                   public platform::ui::DialogService,
                   public platform::ui::PrinterService,
                   public platform::ui::HelpService,
                   public platform::ui::ShellService,
                   public platform::ui::InteractionService {
 public:
  explicit QtServices(FrontEnd& frontEnd);
  ~QtServices() override;

  int32_t show(const std::string& text, int32_t style, const std::string& title) override;
  std::optional<std::string> saveFile(const platform::ui::SaveFileRequest& request) override;
  platform::ui::PrinterAnswer printer(const platform::ui::PrinterRequest& request) override;
  float pageWidth() const override;
  float pageHeight() const override;
  float textWidth(const std::string& text, const std::string& fontName, float fontSize) const override;
  float textHeight(const std::string& fontName, float fontSize) const override;
  void print(const platform::ui::PrintDocument& document) override;
  void help(const std::string& helpFile, int32_t command, const std::string& key) override;
  void openUrl(const std::string& url) override;
  bool startProgram(const std::string& path) override;
  void runModal(platform::ui::Form& form) override;
  void popupMenu(platform::ui::Form& form, platform::ui::MenuControl& menu) override;
  void beep() override;
  void activate(platform::ui::Form& form) override;

  HelpViewer* helpViewer() const { return help_.get(); }
  // The PDF file the last printout went to (empty when it went to a printer).
  const QString& lastPdfPath() const { return lastPdf_; }
  // The printer the dialogs set up and printouts go to.
  QPrinter& printerDevice() const;

 private:
  QWidget* dialogParent() const;

  FrontEnd& frontEnd_;
  mutable std::unique_ptr<QPrinter> printer_;
  bool printerChosen_ = false;
  std::unique_ptr<HelpViewer> help_;
  QString lastSavePath_;
  QString lastPdf_;
  mutable QImage measure_;  // a 1440 dpi surface: font metrics in twips
};

}  // namespace frontend::qt
