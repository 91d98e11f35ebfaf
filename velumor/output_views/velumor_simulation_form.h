#pragma once
#include "velumor/view_window/view_window.h"

namespace velumor {

// The output simulation window: puts the current output into fixed-current mode.
class VelumorSimulationForm : public ViewWindow {
 public:
  VelumorSimulationForm();

  // The window's traits: caption text 4, the device menu without its own entry, user level
  // and data source in the status bar only.
  static ViewWindowTraits traits();

 protected:
  void Form_Load() override;
};

}  // namespace velumor
