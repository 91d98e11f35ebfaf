#pragma once
#include <cstdint>
#include <string>

#include "velumor/view_window/view_window.h"

namespace velumor {

// A measured-value display window: digital displays of the measured values.
class VelumorDisplayDigitalForm : public ViewWindow {
 public:
  VelumorDisplayDigitalForm();

  // The user text of string `id` in the user's language.
  std::string GetTextFromResource(int16_t id);

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
};

}  // namespace velumor
