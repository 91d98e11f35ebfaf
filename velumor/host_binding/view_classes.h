#pragma once
// The component's public view classes that own one window each. The host creates them by
// ProgID ("Velumor." and the class name) and drives them through View.
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/host_binding/view_adapter.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/output_views/velumor_display_form.h"
#include "velumor/output_views/velumor_simulation_form.h"

namespace velumor {

// Each class creates its window in its initializer, neither loaded nor shown. Create them
// with platform::com::makeObject: they are reference counted.

class VelumorMainViewClass final : public ViewAdapter {
 public:
  VelumorMainViewClass();
  VelumorMainViewForm* form() const { return static_cast<VelumorMainViewForm*>(window()); }
};

// The diagnosis class hands its window the ViewRef only with each notification, so a
// window that was never notified does not release the view at its unload.
class VelumorDiagViewClass final : public ViewAdapter {
 public:
  VelumorDiagViewClass();
  VelumorDiagViewForm* form() const { return static_cast<VelumorDiagViewForm*>(window()); }
};

class VelumorSimulationClass final : public ViewAdapter {
 public:
  VelumorSimulationClass();
  VelumorSimulationForm* form() const { return static_cast<VelumorSimulationForm*>(window()); }
};

class VelumorDisplayTrendClass final : public ViewAdapter {
 public:
  VelumorDisplayTrendClass();
  VelumorDisplayForm* form() const { return static_cast<VelumorDisplayForm*>(window()); }
};

class VelumorDisplayAnalogClass final : public ViewAdapter {
 public:
  VelumorDisplayAnalogClass();
  VelumorDisplayForm* form() const { return static_cast<VelumorDisplayForm*>(window()); }
};

class VelumorDisplayBarClass final : public ViewAdapter {
 public:
  VelumorDisplayBarClass();
  VelumorDisplayForm* form() const { return static_cast<VelumorDisplayForm*>(window()); }
};

class VelumorDisplayDigitalClass final : public ViewAdapter {
 public:
  VelumorDisplayDigitalClass();
  VelumorDisplayForm* form() const { return static_cast<VelumorDisplayForm*>(window()); }
};

}  // namespace velumor
