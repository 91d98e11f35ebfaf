#pragma once
// The component's public view classes that own one window each. The host creates them by
// ProgID ("Velumor." and the class name) and drives them through View.
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/host_binding/view_adapter.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/output_views/velumor_display_form.h"
#include "velumor/output_views/velumor_simulation_form.h"

namespace velumor::host_binding {

// Each class creates its window in its initializer, neither loaded nor shown. Create them
// with platform::com::makeObject: they are reference counted.

class VelumorMainViewClass final : public ViewAdapter {
 public:
  VelumorMainViewClass();
  main_view::VelumorMainViewForm* form() const {
    return static_cast<main_view::VelumorMainViewForm*>(window());
  }
};

// The diagnosis class hands its window the ViewRef only with each notification, so a
// window that was never notified does not release the view at its unload.
class VelumorDiagViewClass final : public ViewAdapter {
 public:
  VelumorDiagViewClass();
  diag_view::VelumorDiagViewForm* form() const {
    return static_cast<diag_view::VelumorDiagViewForm*>(window());
  }
};

class VelumorSimulationClass final : public ViewAdapter {
 public:
  VelumorSimulationClass();
  output_views::VelumorSimulationForm* form() const {
    return static_cast<output_views::VelumorSimulationForm*>(window());
  }
};

class VelumorDisplayTrendClass final : public ViewAdapter {
 public:
  VelumorDisplayTrendClass();
  output_views::VelumorDisplayForm* form() const {
    return static_cast<output_views::VelumorDisplayForm*>(window());
  }
};

class VelumorDisplayAnalogClass final : public ViewAdapter {
 public:
  VelumorDisplayAnalogClass();
  output_views::VelumorDisplayForm* form() const {
    return static_cast<output_views::VelumorDisplayForm*>(window());
  }
};

class VelumorDisplayBarClass final : public ViewAdapter {
 public:
  VelumorDisplayBarClass();
  output_views::VelumorDisplayForm* form() const {
    return static_cast<output_views::VelumorDisplayForm*>(window());
  }
};

class VelumorDisplayDigitalClass final : public ViewAdapter {
 public:
  VelumorDisplayDigitalClass();
  output_views::VelumorDisplayForm* form() const {
    return static_cast<output_views::VelumorDisplayForm*>(window());
  }
};

}  // namespace velumor::host_binding
