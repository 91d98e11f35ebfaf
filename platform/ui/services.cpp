#include "platform/ui/services.h"

#include "platform/com/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace platform::ui {

namespace {
struct Installed {
  MessageBoxService* messageBox = nullptr;
  DialogService* dialogs = nullptr;
  PrinterService* printer = nullptr;
  HelpService* help = nullptr;
  ShellService* shell = nullptr;
  InteractionService* interaction = nullptr;
};
Installed& installed() {
  static Installed i;
  return i;
}
float gScreenWidth = 1920 * 15.0f;
float gScreenHeight = 1080 * 15.0f;
int16_t gPointer = 0;

std::string answerName(int32_t a) {
  switch (a) {
    case mb::IdOK:
      return "ok";
    case mb::IdCancel:
      return "cancel";
    case mb::IdAbort:
      return "abort";
    case mb::IdRetry:
      return "retry";
    case mb::IdIgnore:
      return "ignore";
    case mb::IdYes:
      return "yes";
    case mb::IdNo:
      return "no";
    default:
      return std::to_string(a);
  }
}

// The answer a box gives when nobody can answer it: its cancel-like button.
int32_t defaultAnswer(int32_t style) {
  switch (style & 7) {
    case mb::OKOnly:
      return mb::IdOK;
    case mb::OKCancel:
      return mb::IdCancel;
    case mb::AbortRetryIgnore:
      return mb::IdAbort;
    case mb::YesNoCancel:
      return mb::IdCancel;
    case mb::YesNo:
      return mb::IdNo;
    case mb::RetryCancel:
      return mb::IdCancel;
    default:
      return mb::IdCancel;
  }
}
// The answer of a box's default button: the first unless the style names another.
int32_t defaultButton(int32_t style) {
  static constexpr int32_t kButtons[6][3] = {{mb::IdOK},
                                             {mb::IdOK, mb::IdCancel},
                                             {mb::IdAbort, mb::IdRetry, mb::IdIgnore},
                                             {mb::IdYes, mb::IdNo, mb::IdCancel},
                                             {mb::IdYes, mb::IdNo},
                                             {mb::IdRetry, mb::IdCancel}};
  static constexpr int kCount[6] = {1, 2, 3, 3, 2, 2};
  const int kind = style & 7;
  if (kind > 5) return mb::IdOK;
  const int wanted = (style & mb::DefaultButton4) >> 8;
  return kButtons[kind][wanted < kCount[kind] ? wanted : 0];
}
}  // namespace

float PrinterService::textWidth(const std::string& text, const std::string& fontName, float fontSize) const {
  // Fixed pitch: a character is six tenths of the font size wide (1 point = 20 twips).
  return static_cast<float>(platform::com::codePointCount(text)) * fontSize * 20.0f * 0.6f;
}

float PrinterService::textHeight(const std::string& fontName, float fontSize) const {
  return fontSize * 20.0f * 1.2f;
}

int32_t HeadlessServices::show(const std::string& text, int32_t style, const std::string& title) {
  ServiceRequest r{"msgbox", text, title, style, {}};
  int32_t answer;
  if (msgAnswers_.empty() && sessionEnding_) {
    answer = defaultButton(style);
    r.answer = answerName(answer);
    defaulted_.push_back(r);
  } else if (msgAnswers_.empty()) {
    answer = defaultAnswer(style);
    unanswered_.push_back("message box: " + text);
  } else {
    answer = msgAnswers_.front();
    msgAnswers_.pop_front();
  }
  r.answer = answerName(answer);
  requests_.push_back(std::move(r));
  return answer;
}

std::optional<std::string> HeadlessServices::saveFile(const SaveFileRequest& request) {
  ServiceRequest r{"savefile", request.fileName, request.title, request.flags, {}};
  std::optional<std::string> answer;
  if (saveAnswers_.empty()) {
    unanswered_.push_back("save dialog: " + request.title);
  } else {
    answer = saveAnswers_.front();
    saveAnswers_.pop_front();
  }
  r.answer = answer ? *answer : "cancel";
  requests_.push_back(std::move(r));
  return answer;
}

PrinterAnswer HeadlessServices::printer(const PrinterRequest& request) {
  ServiceRequest r{"printer", request.setupOnly ? "setup" : "print", {}, request.flags, {}};
  PrinterAnswer answer;
  if (printerAnswers_.empty()) {
    unanswered_.push_back(std::string("printer dialog") + (request.setupOnly ? " (set-up)" : ""));
  } else {
    answer = printerAnswers_.front();
    printerAnswers_.pop_front();
  }
  r.answer = !answer.ok ? "cancel" : answer.printToFile ? "tofile" : "ok " + std::to_string(answer.copies);
  requests_.push_back(std::move(r));
  return answer;
}

void HeadlessServices::print(const PrintDocument& document) {
  requests_.push_back({"print", document.title, {}, static_cast<int32_t>(document.pages.size()), {}});
  printed_.push_back(document);
}

void HeadlessServices::help(const std::string& helpFile, int32_t command, const std::string& key) {
  requests_.push_back({"help", helpFile, key, command, {}});
}

void HeadlessServices::openUrl(const std::string& url) {
  requests_.push_back({"url", url, {}, 0, {}});
}

bool HeadlessServices::startProgram(const std::string& path) {
  requests_.push_back({"program", path, {}, 0, {}});
  return true;
}

void HeadlessServices::runModal(Form& form) {
  requests_.push_back({"modal", form.name(), {}, 0, {}});
}

void HeadlessServices::popupMenu(Form& form, MenuControl& menu) {
  requests_.push_back({"popup", menu.qualifiedName(), form.name(), 0, {}});
}

void HeadlessServices::beep() {
  requests_.push_back({"beep", {}, {}, 0, {}});
}

void HeadlessServices::activate(Form& form) {
  requests_.push_back({"activate", form.name(), {}, 0, {}});
}

std::vector<ServiceRequest> HeadlessServices::requestsOf(std::string_view kind) const {
  std::vector<ServiceRequest> out;
  for (auto& r : requests_)
    if (r.kind == kind) out.push_back(r);
  return out;
}

void HeadlessServices::reset() {
  msgAnswers_.clear();
  saveAnswers_.clear();
  printerAnswers_.clear();
  requests_.clear();
  unanswered_.clear();
  printed_.clear();
  defaulted_.clear();
  sessionEnding_ = false;
}

HeadlessServices& Services::headless() {
  static HeadlessServices h;
  return h;
}

MessageBoxService& Services::messageBox() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().messageBox ? *installed().messageBox : headless();
}
DialogService& Services::dialogs() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().dialogs ? *installed().dialogs : headless();
}
PrinterService& Services::printer() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().printer ? *installed().printer : headless();
}
HelpService& Services::help() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().help ? *installed().help : headless();
}
ShellService& Services::shell() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().shell ? *installed().shell : headless();
}
InteractionService& Services::interaction() {
  // cppcheck-suppress returnTempReference ; both arms are lasting objects, no temporary
  return installed().interaction ? *installed().interaction : headless();
}

void Services::install(MessageBoxService* m, DialogService* d, PrinterService* p, HelpService* h,
                       ShellService* s, InteractionService* i) {
  installed() = Installed{m, d, p, h, s, i};
}

void Services::installHeadless() {
  installed() = Installed{};
}

int32_t msgBox(const std::string& text, int32_t style, const std::string& title) {
  return Services::messageBox().show(text, style, title);
}

float Screen::width() {
  return gScreenWidth;
}
float Screen::height() {
  return gScreenHeight;
}
void Screen::setSize(float w, float h) {
  gScreenWidth = w;
  gScreenHeight = h;
}
int16_t Screen::mousePointer() {
  return gPointer;
}
void Screen::setMousePointer(int16_t p) {
  gPointer = p;
}

}  // namespace platform::ui
