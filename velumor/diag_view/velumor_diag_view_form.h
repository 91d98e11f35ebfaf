#pragma once
#include "velumor/view_window/view_window.h"

namespace velumor {

// The diagnosis window: the device's status bytes decoded into indicator groups.
class VelumorDiagViewForm : public ViewWindow {
 public:
  VelumorDiagViewForm();

  // The window's traits: caption text 2, help file text 99, the device menu without its
  // own entry, the engineering context's lock of the connection and simulation commands.
  static ViewWindowTraits traits();

 protected:
  void Form_Load() override;
};

}  // namespace velumor
