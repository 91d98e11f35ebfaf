#pragma once
// The four things every measured-value display shows (current output 1, current output 2,
// the pulse output, the second line of the local display), which host items and caption each
// selection value stands for, and the configuration of the host display controls from them:
// one channel of a needle, digital display or bar graph, or all four curves of the plotter.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/com/dispatch.h"
#include "platform/com/ref.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/control_ids.h"

namespace velumor::output_views {

// The classes of host display controls the windows carry.
enum class DisplayClass { Needle, BarGraph, Digital, Plotter };

// The dispatch numbers of one class's roles.
const tolvar::dispid::DisplayRoleIds& displayRoles(DisplayClass c);

// One row of a channel's scale table: the item names of the limits ("0" is the number 0).
struct ScaleItems {
  std::string_view max;
  std::string_view min;
};
struct ScaleRow {
  int32_t selection;
  ScaleItems items;
};

// One channel, `DisplayChannel` in the window designs' sense.
struct DisplayChannelSpec {
  std::string_view name;           // the control-name prefix: "Output1", "Output2", "Pulse", "Display2ndLine"
  std::string_view selectionItem;  // the device's assignment of a variable to this channel
  std::string_view valueItem;
  std::string_view unitItem;
  int32_t listedValue;  // the selection whose caption comes from the string table
  int16_t captionId;    // that caption's string id
  std::span<const ScaleRow> scales;
  bool hidesOutsideScales;  // the second display line: the control hides for a value it has no scale for
};

inline constexpr size_t kDisplayChannels = 4;
// In row order: Output 1, Output 2, Pulse, display second line.
const std::array<DisplayChannelSpec, kDisplayChannels>& displayChannels();

// The scale row of selection `s`, if the channel has one.
std::optional<ScaleItems> scaleOf(const DisplayChannelSpec& ch, int32_t s);

// Everything of the window a configuration reads, and the selection member it writes.
struct ChannelContext {
  tolvar::AppletItemManager* itemManager = nullptr;
  tolvar::DeviceDescription* deviceDescription = nullptr;
  int32_t selectionHandle = 0;
  int32_t enumHandle = 0;
  int32_t* selection = nullptr;  // the window's member for this channel
};

// Reconfigures one channel's needle, digital display or bar graph from the current value of
// its selection item, in one cycle from DisconnectItems to ConnectItems. `bShadow` is the flag
// of the notification being worked off. A selection without a scale row writes no scale, so
// the control keeps its previous one; the second line's control is hidden for such a value.
// No error is trapped: a failing call leaves the control disconnected.
void ConfigureChannel(platform::com::Dispatch& control, DisplayClass cls, const DisplayChannelSpec& ch,
                      const ChannelContext& ctx, bool bShadow, int32_t& userLevel, int32_t& countryCode);

// Reconfigures all four curves of the plotter (curve i shows channel i), reading every
// selection item anew with the one `bShadow`; a curve whose selection has no scale row is
// cleared. One DisconnectItems before and one ConnectItems after.
void ConfigureCurves(platform::com::Dispatch& plotter,
                     std::span<const ChannelContext, kDisplayChannels> channels, bool bShadow,
                     int32_t& userLevel, int32_t& countryCode);

}  // namespace velumor::output_views
