#pragma once
#include "velumor/view_window/view_window.h"

namespace velumor {

// The diagnosis window: the device's status bytes decoded into indicator groups.
class VelumorDiagViewForm : public ViewWindow {
 public:
  VelumorDiagViewForm();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
};

}  // namespace velumor
