#pragma once
#include "velumor/view_window/view_window.h"

namespace velumor {

// The main parameter window: every device parameter on tabbed pages.
class VelumorMainViewForm : public ViewWindow {
 public:
  VelumorMainViewForm();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
};

}  // namespace velumor
