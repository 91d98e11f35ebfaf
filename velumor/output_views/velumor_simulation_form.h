#pragma once
#include "velumor/view_window/view_window.h"

namespace velumor {

// The output simulation window: puts the current output into fixed-current mode.
class VelumorSimulationForm : public ViewWindow {
 public:
  VelumorSimulationForm();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
};

}  // namespace velumor
