#pragma once
#include <cstddef>
#include <string>

#include "platform/ui/form.h"

namespace velumor::shared::windows {

// A short status text that closes itself three seconds after it was opened. Nobody keeps a
// reference to it: from its load to its unload the window keeps itself alive, so several
// can be open at once, each with its own three seconds.
class MessageForm : public platform::ui::Form {
 public:
  MessageForm();

  static constexpr int32_t kLifeMs = 3000;

  void MessageTimer_Timer();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
};

// Opens a message window with `caption` and `text`, modeless. The window closes itself.
void showMessageWindow(const std::string& caption, const std::string& text);

// How many message windows are open now.
std::size_t openMessageWindowCount();

}  // namespace velumor::shared::windows
