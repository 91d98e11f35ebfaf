#pragma once
// The parameter report of the main window: every page as its controls show it, in the
// shared report layout (velumor/shared/report/report.h).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"

namespace velumor::main_view {

// What the report takes from the window besides its controls: values the window keeps
// from its notifications.
struct ParameterReportValues {
  int32_t connectionState = 0;  // 0 to 4
  std::string dataFileName;
  // Enumeration handle and current choice of each output.
  int32_t output1Enum = 0, output1Choice = 0;
  int32_t output2Enum = 0, output2Choice = 0;
  int32_t pulseModeEnum = 0, pulseMode = 0;
  // Enumeration handles and values of the mass and volume pulse factor units.
  int32_t pulseUnitMassEnum = 0, pulseUnitMass = 0;
  int32_t pulseUnitVolumeEnum = 0, pulseUnitVolume = 0;
  std::vector<std::string> commentLines;  // lines 1 to 15; missing lines are empty
};

// The host a report row reads an item's unit through.
struct ReportHost {
  tolvar::AppletItemManager* itemManager = nullptr;
  tolvar::DeviceDescription* description = nullptr;
  int32_t viewHandle = 0;
};

// The value text of a label-text-unit control, a blank and the text of its unit item.
std::string GetItemValueText(platform::ui::Control& ctl, const ReportHost& host);

// The whole report text; every line ends in CR LF.
std::string buildParameterReport(platform::ui::Form& form, const ParameterReportValues& values,
                                 const ReportHost& host);

}  // namespace velumor::main_view
