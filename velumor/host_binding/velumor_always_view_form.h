#pragma once
// The hidden window of the supervision view: it carries the view's timers and its log and
// hands every tick to its owner.
#include <cstdint>
#include <string>

#include "platform/ui/form.h"

namespace velumor::host_binding {

class VelumorAlwaysView;

// The user's answers to the communication-error prompt.
enum class PromptAnswer { Repeat, Ignore, Error };

class VelumorAlwaysViewForm : public platform::ui::Form {
 public:
  VelumorAlwaysViewForm();

  // The view that gets the ticks; null once the view has let go of the window.
  void SetOwner(VelumorAlwaysView* owner) { owner_ = owner; }
  VelumorAlwaysView* owner() const { return owner_; }

  // The error prompt's side of the window (supervision/always_view_prompt.cpp).
  void SetAnswerButtonsEnabled(bool enabled);
  // Enables the answer buttons for a read (16) or a write (32) response; else nothing.
  void EnableAnswerButtons(double state);
  // Newest first, at most 100 lines.
  void AddLogLine(const std::string& line);
  // Each shows the first 50 characters.
  void SetResponseText(const std::string& s);
  void SetErrorText(const std::string& s);
  void SetStateText(const std::string& s);
  void setTabstop();
  std::string GetTextFromResource(int16_t id);
  // After an answer: buttons disabled, response emptied, window hidden.
  void closePrompt();
  void cmdRepeat_Click();
  void cmdIgnore_Click();
  void cmdError_Click();
  void cmdClear_Click();

 protected:
  // Closing the window from its system menu only hides it: the supervision view lives as
  // long as the host keeps it.
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override;
  void Form_Unload(int16_t& Cancel) override;
  void Form_Load() override;

 private:
  void RegisterTimer_Timer();
  void NotifyTimer_Timer();
  void SeqAdjustTimer_Timer();
  // The user closed the window: the pending prompt is answered with Ignore, the window hidden.
  void promptClosedByUser();
  // The answer given to the view, the prompt closed, the next waiting one asked.
  void answerPrompt(PromptAnswer answer);

  VelumorAlwaysView* owner_ = nullptr;  // the owner holds this window, not the reverse
};

}  // namespace velumor::host_binding
