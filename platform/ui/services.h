#pragma once
// Services the windows call on the platform: message boxes, the common dialog, the
// printer, help, the shell, modal waits and popup menus. The front end installs real
// ones; the headless defaults record each request and answer from scripted queues.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/export.h"

namespace platform::ui {

class Form;
class MenuControl;

// Message box style bits and answers.
namespace mb {
inline constexpr int32_t OKOnly = 0;
inline constexpr int32_t OKCancel = 1;
inline constexpr int32_t AbortRetryIgnore = 2;
inline constexpr int32_t YesNoCancel = 3;
inline constexpr int32_t YesNo = 4;
inline constexpr int32_t RetryCancel = 5;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t Question = 32;
inline constexpr int32_t Exclamation = 48;
inline constexpr int32_t Information = 64;
inline constexpr int32_t DefaultButton2 = 256;
inline constexpr int32_t DefaultButton3 = 512;
inline constexpr int32_t DefaultButton4 = 768;
inline constexpr int32_t SystemModal = 4096;

inline constexpr int32_t IdOK = 1;
inline constexpr int32_t IdCancel = 2;
inline constexpr int32_t IdAbort = 3;
inline constexpr int32_t IdRetry = 4;
inline constexpr int32_t IdIgnore = 5;
inline constexpr int32_t IdYes = 6;
inline constexpr int32_t IdNo = 7;
}  // namespace mb

// Help commands.
namespace help {
inline constexpr int32_t Context = 1;
inline constexpr int32_t Quit = 2;
inline constexpr int32_t Index = 3;
inline constexpr int32_t Contents = 3;
inline constexpr int32_t Key = 0x101;
}  // namespace help

struct SaveFileRequest {
  std::string title;
  std::string fileName;     // proposed
  std::string filter;       // "Text (*.prn)|*.prn|All (*.*)|*.*"
  int32_t filterIndex = 0;  // 1-based filter shown first; 0 the first
  std::string defaultExt;
  std::string initDir;
  int32_t flags = 0;
};

struct PrinterRequest {
  int32_t flags = 0;
  int32_t copies = 1;
  bool printToFileAllowed = true;
  bool setupOnly = false;  // the printer set-up dialog rather than the print dialog
};

struct PrinterAnswer {
  bool ok = false;
  int32_t copies = 1;
  bool printToFile = false;
};

// One positioned run of text on a printed page.
struct PrintRun {
  float x = 0, y = 0;  // twips from the top left of the printable area
  std::string text;
  std::string fontName;
  float fontSize = 10;
  bool bold = false;
};

struct PrintDocument {
  std::string title;
  std::string fileName;  // proposed for a PDF of it ("VR_Data.pdf"); empty: named after the title
  int32_t copies = 1;
  std::vector<std::vector<PrintRun>> pages;
};

class PLAT_API MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows a modal box; returns the answer (mb::IdOK ...).
  virtual int32_t show(const std::string& text, int32_t style, const std::string& title) = 0;
};

class PLAT_API DialogService {
 public:
  virtual ~DialogService() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> saveFile(const SaveFileRequest& request) = 0;
  virtual PrinterAnswer printer(const PrinterRequest& request) = 0;
};

class PLAT_API PrinterService {
 public:
  virtual ~PrinterService() = default;
  // Page size in twips of the current printer (printable area).
  virtual float pageWidth() const = 0;
  virtual float pageHeight() const = 0;
  // Width of a text in twips in a font (fixed-pitch fonts are what reports use).
  virtual float textWidth(const std::string& text, const std::string& fontName, float fontSize) const;
  virtual float textHeight(const std::string& fontName, float fontSize) const;
  // Prints a finished document; raises a run-time error when the printer fails.
  virtual void print(const PrintDocument& document) = 0;
};

class PLAT_API HelpService {
 public:
  virtual ~HelpService() = default;
  virtual void help(const std::string& helpFile, int32_t command, const std::string& key) = 0;
};

class PLAT_API ShellService {
 public:
  virtual ~ShellService() = default;
  virtual void openUrl(const std::string& url) = 0;
  // Starts a program without waiting; false when it could not be started.
  virtual bool startProgram(const std::string& path) = 0;
};

// Modal waits and popup menus, which only a front end can really run.
class PLAT_API InteractionService {
 public:
  virtual ~InteractionService() = default;
  // Called when a form is shown modally; a front end returns when the form has closed,
  // the headless default returns at once and the form stays shown.
  virtual void runModal(Form& form) = 0;
  virtual void popupMenu(Form& form, MenuControl& menu) = 0;
  // The system beep.
  virtual void beep() {}
  // Brings a shown window to the front and gives it the focus, without waiting.
  virtual void activate(Form& form) {}
};

// One request made of the headless services, as tests and scripts inspect them.
struct ServiceRequest {
  std::string kind;  // "msgbox", "savefile", "printer", "print", "help", "url", "program", "modal", "popup",
                     // "beep", "activate"
  std::string text;
  std::string title;
  int32_t style = 0;
  std::string answer;
};

// Headless defaults: every request is recorded; answers come from queues. A request
// with no queued answer is recorded as unanswered and answered with the cancel-like
// default, so nothing waits.
class PLAT_API HeadlessServices : public MessageBoxService,
                                  public DialogService,
                                  public PrinterService,
                                  public HelpService,
                                  public ShellService,
                                  public InteractionService {
 public:
  int32_t show(const std::string& text, int32_t style, const std::string& title) override;
  std::optional<std::string> saveFile(const SaveFileRequest& request) override;
  PrinterAnswer printer(const PrinterRequest& request) override;
  float pageWidth() const override { return 11906.0f * 0.8f; }
  float pageHeight() const override { return 16838.0f * 0.9f; }
  void print(const PrintDocument& document) override;
  void help(const std::string& helpFile, int32_t command, const std::string& key) override;
  void openUrl(const std::string& url) override;
  bool startProgram(const std::string& path) override;
  void runModal(Form& form) override;
  void popupMenu(Form& form, MenuControl& menu) override;
  void beep() override;
  void activate(Form& form) override;

  void queueMessageAnswer(int32_t answer) { msgAnswers_.push_back(answer); }
  void queueSaveFile(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
  void queuePrinter(PrinterAnswer answer) { printerAnswers_.push_back(answer); }
  size_t pendingAnswers() const { return msgAnswers_.size() + saveAnswers_.size() + printerAnswers_.size(); }

  const std::vector<ServiceRequest>& requests() const { return requests_; }
  std::vector<ServiceRequest> requestsOf(std::string_view kind) const;
  // Requests that found no queued answer (a scripted session fails on them).
  const std::vector<std::string>& unanswered() const { return unanswered_; }
  void clearUnanswered() { unanswered_.clear(); }
  const std::vector<PrintDocument>& printed() const { return printed_; }
  // While the host ends a session on its own, a message box with no queued answer takes its
  // default button instead (nobody is there to answer, and nothing must be lost); such boxes
  // are kept for the session log and not counted as unanswered.
  void setSessionEnding(bool ending) { sessionEnding_ = ending; }
  const std::vector<ServiceRequest>& defaulted() const { return defaulted_; }
  void clearDefaulted() { defaulted_.clear(); }
  void reset();

 private:
  std::deque<int32_t> msgAnswers_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::deque<PrinterAnswer> printerAnswers_;
  std::vector<ServiceRequest> requests_;
  std::vector<std::string> unanswered_;
  std::vector<PrintDocument> printed_;
  std::vector<ServiceRequest> defaulted_;
  bool sessionEnding_ = false;
};

// The installed services; the headless defaults until a front end installs its own.
class PLAT_API Services {
 public:
  static MessageBoxService& messageBox();
  static DialogService& dialogs();
  static PrinterService& printer();
  static HelpService& help();
  static ShellService& shell();
  static InteractionService& interaction();
  static HeadlessServices& headless();  // the defaults, always there

  static void install(MessageBoxService* m, DialogService* d, PrinterService* p, HelpService* h,
                      ShellService* s, InteractionService* i);
  static void installHeadless();  // back to the defaults
};

// A message box through the installed service.
PLAT_API int32_t msgBox(const std::string& text, int32_t style = mb::OKOnly, const std::string& title = "");

// The screen the windows are placed on.
struct PLAT_API Screen {
  static float twipsPerPixelX() { return 15.0f; }
  static float twipsPerPixelY() { return 15.0f; }
  static float width();   // twips
  static float height();  // twips
  static void setSize(float widthTwips, float heightTwips);
  static int16_t mousePointer();
  static void setMousePointer(int16_t pointer);
};

}  // namespace platform::ui
