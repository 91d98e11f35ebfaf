#pragma once
// What the tests read inside the view-window kit and the smaller windows: state that a user
// sees only through several steps, or that the window keeps for later. Reads only; a test
// reaches a state the way the product does (registration, notifications, the menus).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/output_views/velumor_display_form.h"
#include "velumor/output_views/velumor_simulation_form.h"
#include "velumor/shared/windows/txt_file_form.h"
#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_window.h"

namespace velumor::view_window {

using host_binding::VelumorAlwaysView;
using output_views::VelumorDisplayForm;
using output_views::VelumorSimulationForm;
using shared::windows::TxtFileForm;

template <>
struct TestAccess<ViewWindow> {
  static const platform::com::Ptr<tolvar::View>& viewRef(const ViewWindow& w) { return w.ViewRef; }
  static int32_t connectionState(const ViewWindow& w) { return w.ConnectionState_; }
  static int32_t engineeringContextValue(const ViewWindow& w) { return w.EngineeringContextValue; }
  static bool engineeringContextApplied(const ViewWindow& w) { return w.EngineeringContextApplied; }
  static const std::string& devDescText(const ViewWindow& w) { return w.DevDescText_; }
  static const std::string& helpFile(const ViewWindow& w) { return w.HelpFile; }
  static int32_t connectHandle(const ViewWindow& w) { return w.ConnectHandle(); }
  static int32_t dirtyHandle(const ViewWindow& w) { return w.DirtyHandle(); }
  static int32_t minFormWidth(const ViewWindow& w) { return w.MinFormWidth; }
  static int32_t minFormHeight(const ViewWindow& w) { return w.MinFormHeight; }
  static int32_t lastFormWidth(const ViewWindow& w) { return w.LastFormWidth; }
  static int32_t lastFormHeight(const ViewWindow& w) { return w.LastFormHeight; }
  static bool formLoaded(const ViewWindow& w) { return w.FormLoaded_; }
  static const platform::com::Ptr<platform::ui::Form>& aboutWindow(const ViewWindow& w) {
    return w.AboutWindow;
  }
  static const platform::com::Ptr<platform::ui::Form>& softServiceWindow(const ViewWindow& w) {
    return w.SoftServiceWindow;
  }
  static const platform::com::Ptr<platform::ui::Form>& readMeWindow(const ViewWindow& w) {
    return w.ReadMeWindow;
  }
};

template <>
struct TestAccess<VelumorSimulationForm> {
  static int32_t lastFieldDeviceStatusHandle(const VelumorSimulationForm& f) {
    return f.LastFieldDeviceStatusHandle;
  }
  static int32_t fixedCurrentHandle(const VelumorSimulationForm& f) { return f.FixedCurrentHandle; }
  static const std::vector<int32_t>& sequenceProgressHandles(const VelumorSimulationForm& f) {
    return f.SequenceProgressHandles;
  }
  static uint8_t fieldDeviceStatusByte(const VelumorSimulationForm& f) { return f.FieldDeviceStatusByte; }
  static bool optionSynchronised(const VelumorSimulationForm& f) { return f.OptionSynchronised; }
};

// The supervision view's working half, the unit its tests drive.
template <>
struct TestAccess<VelumorAlwaysView> {
  static velumor::host_binding::Supervision& supervision(VelumorAlwaysView& v) { return v.Supervisor; }
};

template <>
struct TestAccess<VelumorDisplayForm> {
  static int32_t pulseSelection(const VelumorDisplayForm& f) { return f.PulseSelection; }
};

template <>
struct TestAccess<TxtFileForm> {
  static const std::string& textFileName(const TxtFileForm& f) { return f.TextFileName; }
};

}  // namespace velumor::view_window

// The tests' short name for the kit's reads.
using Kit = velumor::view_window::TestAccess<velumor::view_window::ViewWindow>;
using DisplayAccess = velumor::view_window::TestAccess<velumor::output_views::VelumorDisplayForm>;
using SimulationAccess = velumor::view_window::TestAccess<velumor::output_views::VelumorSimulationForm>;
