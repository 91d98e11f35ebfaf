// Record states, the communication-error prompt and the supervision window's own side of it.
#include <exception>
#include <string>

#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "velumor/host_binding/supervision/supervision.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/host_binding/velumor_always_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"

namespace velumor::host_binding {

using platform::com::Variant;
using namespace supervision;

namespace {

constexpr size_t kLabelChars = 50;
constexpr int32_t kResponseCodeOctet = 1;
constexpr int32_t kDeviceStatusOctet = 2;

// Runs one step of the record-state handler; a failing step is skipped.
template <class F>
bool step(F&& f) {
  try {
    f();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool hasOctet(const platform::com::ByteArray& bytes, int32_t octet) {
  return !bytes.data.empty() && octet >= bytes.lowerBound && octet <= bytes.upperBound();
}

}  // namespace

bool Supervision::readResponse(const SupervisedObject& entry, platform::com::ByteArray& bytes) {
  return step([&] {
    int32_t status = 0;
    itemManager().GetArrayValue(entry.lResponseHandle, bytes, false, status);
    if (status != 0) platform::com::raise(platform::com::err::InvalidProcedureCall, "Response not readable");
  });
}

void Supervision::OnRecordState(SupervisedObject entry) {
  if (!view_.binding().itemManager()) return;
  tolvar::AppletItemManager& im = *view_.binding().itemManager();
  double value = 0;
  int32_t state = 0;
  // Without its state nothing can be decided about the record: a state that could not be
  // read is not taken for "finished".
  const bool haveState = step([&] {
    int32_t status = 0;
    im.GetValue(entry.lStateHandle, value, status);
    if (status != 0) platform::com::raise(platform::com::err::InvalidProcedureCall, "State not readable");
    state = platform::com::cLng(value);
  });
  step([&] {
    int32_t status = 0;
    im.SetString(fixed_.recordName, entry.sName, status);
  });
  if (!haveState) return;
  step([&] {
    int32_t status = 0;
    im.SetValue(fixed_.recordState, value, status);
  });

  if (state == 0) {
    platform::com::ByteArray bytes;
    if (!readResponse(entry, bytes)) return;
    // Only what the response holds is passed on.
    if (hasOctet(bytes, kResponseCodeOctet))
      step([&] {
        int32_t status = 0;
        im.SetValue(fixed_.lastCommandResponseSummary, bytes.at(kResponseCodeOctet), status);
      });
    if (hasOctet(bytes, kDeviceStatusOctet))
      step([&] {
        int32_t status = 0;
        im.SetValue(fixed_.lastFieldDeviceStatus, bytes.at(kDeviceStatusOctet), status);
      });
    return;
  }
  const bool readResponseState = state >= 16 && state <= 18;
  const bool writeResponseState = state == 32 || state == 33;
  if (!readResponseState && !writeResponseState) return;

  platform::com::ByteArray bytes;
  const bool haveCode = readResponse(entry, bytes) && hasOctet(bytes, kResponseCodeOctet);
  const int32_t code = haveCode ? bytes.at(kResponseCodeOctet) : 0;
  if (haveCode && code == 0) {
    step([&] {
      int32_t status = 0;
      im.SetValue(entry.lControlHandle, kControlContinue, status);
    });
    return;
  }
  if (haveCode && (code & 0x80) != 0) {
    // The device is busy or asks to be asked again: repeat without troubling the user.
    step([&] {
      int32_t status = 0;
      im.SetValue(entry.lControlHandle, kControlRepeat, status);
    });
    return;
  }
  // A response code, or a response without one: the user decides. An answer that cannot be
  // judged is never passed on as a success.
  askUser(entry, state, haveCode, code);
}

void Supervision::askUser(const SupervisedObject& entry, int32_t state, bool haveCode, int32_t code) {
  if (!view_.form() || !alive()) return;
  if (promptPending_) {
    // The user is still answering an earlier prompt: this one waits. The notification tick
    // returns at once, so the queue and the other timers go on; when the prompt on screen is
    // answered, the newest waiting one is asked next.
    waitingPrompts_.push_back(WaitingPrompt{entry, state, haveCode, code});
    return;
  }
  showPrompt(WaitingPrompt{entry, state, haveCode, code});
}

void Supervision::showPrompt(const WaitingPrompt& prompt) {
  VelumorAlwaysViewForm* window = view_.form();
  const SupervisedObject& entry = prompt.entry;
  promptRecord_ = entry;
  promptPending_ = true;

  std::string responseText;
  step([&] {
    int32_t status = 0;
    itemManager().GetValueText(entry.lResponseHandle, responseText, false, status);
  });
  const bool isRead = prompt.state >= 16 && prompt.state <= 18;
  const std::string logLine =
      std::string(isRead ? "RECORD_STATE_RESPONSE_RECEIVE_READ" : "RECORD_STATE_RESPONSE_RECEIVE_WRITE") +
      "  :  " + entry.sName;
  // A code without a text of its own (an empty table entry, or none at all) is shown as a
  // number with the text for an unknown error.
  std::string errorText;
  if (prompt.haveCode)
    step([&] { errorText = shared::LoadResStringByLang(static_cast<int16_t>(700 + prompt.code)); });
  if (errorText.empty())
    errorText = (prompt.haveCode ? shared::FormatHexCode(prompt.code) + ":  " : std::string()) +
                shared::GetTextFromResource(999);

  step([&] { window->EnableAnswerButtons(isRead ? kReadResponseState : kWriteResponseState); });
  step([&] { window->AddLogLine(logLine); });
  step([&] { window->SetResponseText(responseText); });
  step([&] { window->SetErrorText(errorText); });
  step([&] { window->SetStateText(shared::FormatHexCode(prompt.state)); });
  // Modeless: the user answers with the window's buttons or its close box.
  step([&] { window->show(false); });
}

void Supervision::ShowNextPrompt() {
  if (promptPending_ || waitingPrompts_.empty()) return;
  if (!view_.form() || !alive()) {
    waitingPrompts_.clear();
    return;
  }
  const WaitingPrompt next = waitingPrompts_.back();
  waitingPrompts_.pop_back();
  showPrompt(next);
}

void Supervision::EndPrompts() {
  waitingPrompts_.clear();
  promptPending_ = false;
  if (VelumorAlwaysViewForm* window = view_.form()) window->closePrompt();
}

void Supervision::answer(double value) {
  if (!promptPending_) return;
  promptPending_ = false;
  if (!view_.binding().itemManager()) return;
  int32_t status = 0;
  view_.binding().itemManager()->SetValue(promptRecord_.lControlHandle, value, status);
}

void Supervision::AnswerRepeat() {
  answer(kControlRepeat);
}
void Supervision::AnswerIgnore() {
  answer(kControlContinue);
}
void Supervision::AnswerError() {
  answer(kControlFail);
}

// ---------------------------------------------------------------- the window's side

void VelumorAlwaysViewForm::Form_Load() {
  on("cmdRepeat", "Click", [this] { cmdRepeat_Click(); });
  on("cmdIgnore", "Click", [this] { cmdIgnore_Click(); });
  on("cmdError", "Click", [this] { cmdError_Click(); });
  on("cmdClear", "Click", [this] { cmdClear_Click(); });
  SetAnswerButtonsEnabled(false);
  setTabstop();
}

void VelumorAlwaysViewForm::SetAnswerButtonsEnabled(bool enabled) {
  for (const char* name : {"cmdRepeat", "cmdIgnore", "cmdError"})
    ctl(name).setProperty("Enabled", Variant(enabled));
}

void VelumorAlwaysViewForm::EnableAnswerButtons(double state) {
  if (state == 16.0 || state == 32.0) SetAnswerButtonsEnabled(true);
}

void VelumorAlwaysViewForm::AddLogLine(const std::string& line) {
  auto& log = ctlAs<platform::ui::ListBoxControl>("List1");
  while (log.listCount() >= kLogLines) log.removeItem(log.listCount() - 1);
  log.addItem(line, 0);
}

void VelumorAlwaysViewForm::SetResponseText(const std::string& s) {
  ctl("lblResponse").setCaption(std::string(platform::com::firstCodePoints(s, kLabelChars)));
}

void VelumorAlwaysViewForm::SetErrorText(const std::string& s) {
  ctl("lblError").setCaption(std::string(platform::com::firstCodePoints(s, kLabelChars)));
}

void VelumorAlwaysViewForm::SetStateText(const std::string& s) {
  ctl("lblState").setCaption(std::string(platform::com::firstCodePoints(s, kLabelChars)));
}

void VelumorAlwaysViewForm::setTabstop() {
  ctlAs<platform::ui::ListBoxControl>("List1").setTabStops({64});
}

std::string VelumorAlwaysViewForm::GetTextFromResource(int16_t id) {
  return shared::GetTextFromResource(id);
}

void VelumorAlwaysViewForm::closePrompt() {
  if (!isLoaded()) return;
  SetAnswerButtonsEnabled(false);
  ctl("lblResponse").setCaption("");
  hide();
}

void VelumorAlwaysViewForm::answerPrompt(PromptAnswer answer) {
  if (owner()) owner()->AnswerPrompt(answer);
  closePrompt();
  // The answer may have let the view go: asked again only while it still holds the window.
  if (owner()) owner()->ShowNextPrompt();
}

void VelumorAlwaysViewForm::cmdRepeat_Click() {
  answerPrompt(PromptAnswer::Repeat);
}

void VelumorAlwaysViewForm::cmdIgnore_Click() {
  answerPrompt(PromptAnswer::Ignore);
}

void VelumorAlwaysViewForm::cmdError_Click() {
  answerPrompt(PromptAnswer::Error);
}

void VelumorAlwaysViewForm::cmdClear_Click() {
  ctlAs<platform::ui::ListBoxControl>("List1").clear();
}

void VelumorAlwaysViewForm::promptClosedByUser() {
  // Closing the window is the Ignore answer; the window itself stays loaded.
  answerPrompt(PromptAnswer::Ignore);
}

}  // namespace velumor::host_binding
