#include "velumor/output_views/display_channels.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "tolvar/applet/object_args.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"
#include "velumor/view_window/view_window.h"

namespace velumor::output_views {

namespace {

using platform::com::Dispatch;
using platform::com::InvokeKind;
using platform::com::Variant;

constexpr std::string_view kDigitalFormat = "#########UUUUUUUUUUUU";

// Both current outputs scale the same four variables, each with its own limit items; the
// mass flow scale is the device's one maximum for both.
constexpr ScaleRow kOutput1Scales[] = {
    {0, {"QM_MAXIMUM_VALUE", "0"}},
    {1, {"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}},
    {2, {"CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_VALUE"}},
    {3, {"CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE"}},
};
constexpr ScaleRow kOutput2Scales[] = {
    {0, {"QM_MAXIMUM_VALUE", "0"}},
    {1, {"CURRENT_OUTPUT_2_QV_MAX_VALUE", "0"}},
    {2, {"CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_2_LOW_DENSITY_LIMIT_VALUE"}},
    {3, {"CURRENT_OUTPUT_2_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_2_LOW_TEMP_LIMIT_VALUE"}},
};
constexpr ScaleRow kPulseScales[] = {
    {0, {"QM_MAXIMUM_VALUE", "0"}},
    {1, {"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}},
};
// The display numbers its variables its own way and always takes current output 1's limits.
constexpr ScaleRow kDisplay2ndLineScales[] = {
    {1, {"QM_MAXIMUM_VALUE", "0"}},
    {2, {"CURRENT_OUTPUT_1_QV_MAX_VALUE", "0"}},
    {10, {"CURRENT_OUTPUT_1_UPP_DENSITY_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_DENSITY_LIMIT_VALUE"}},
    {11, {"CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE", "CURRENT_OUTPUT_1_LOW_TEMP_LIMIT_VALUE"}},
};

void put(Dispatch& c, int32_t id, Variant v) {
  Variant args[] = {std::move(v)};
  c.invoke(id, InvokeKind::PropertyPut, args);
}

// A plotter property of curve `curve` (an Integer index before the value).
void putCurve(Dispatch& c, int32_t id, int16_t curve, Variant v) {
  Variant args[] = {Variant(curve), std::move(v)};
  c.invoke(id, InvokeKind::PropertyPut, args);
}

void text(Dispatch& c, int32_t id, std::string_view s) {
  put(c, id, Variant(std::string(s)));
}

// ConnectItems with the item manager, the user level and the country code; the last two go
// by reference, so whatever the control leaves in them comes back to the window's members.
void connectItems(Dispatch& c, int32_t id, tolvar::AppletItemManager* aim, int32_t& userLevel,
                  int32_t& countryCode) {
  Variant args[] = {
      Variant(tolvar::makeObjectRef(platform::com::Ptr<platform::com::Unknown>(aim))),
      Variant(userLevel),
      Variant(countryCode),
  };
  c.invoke(id, InvokeKind::Method, args);
  if (!args[1].isEmpty()) userLevel = args[1].toLong();
  if (!args[2].isEmpty()) countryCode = args[2].toLong();
}

// The selection read anew, with the flag of the notification being worked off; the host's
// status is not examined. Nothing for a value beyond the Long range, which no table lists.
std::optional<int32_t> readSelection(const ChannelContext& ctx, bool bShadow) {
  if (!ctx.itemManager) platform::com::raise(platform::com::err::ObjectNotSet);
  double v = 0;
  int32_t status = 0;
  ctx.itemManager->GetValueEx(ctx.selectionHandle, v, bShadow, status);
  const std::optional<int32_t> s = view_window::roundToLong(v);
  if (s && ctx.selection) *ctx.selection = *s;
  return s;
}

std::string captionOf(const DisplayChannelSpec& ch, const ChannelContext& ctx, int32_t s) {
  if (s == ch.listedValue) return shared::LoadResStringByLang(ch.captionId);
  return shared::GetEnumText(ctx.deviceDescription, ctx.enumHandle, s);
}

}  // namespace

const tolvar::dispid::DisplayRoleIds& displayRoles(DisplayClass c) {
  switch (c) {
    case DisplayClass::Needle:
      return tolvar::dispid::Needle;
    case DisplayClass::BarGraph:
      return tolvar::dispid::BarGraph;
    case DisplayClass::Digital:
      return tolvar::dispid::Digital;
    case DisplayClass::Plotter:
      break;
  }
  return tolvar::dispid::Plotter;
}

const std::array<DisplayChannelSpec, kDisplayChannels>& displayChannels() {
  static const std::array<DisplayChannelSpec, kDisplayChannels> channels{{
      {"Output1", "CURRENT_OUTPUT_1_OUTPUT_VARIABLE", "PRIMARY_VALUE", "PRIMARY_UNITS", 0, 4100,
       kOutput1Scales, false},
      {"Output2", "CURRENT_OUTPUT_2_OUTPUT_VARIABLE", "SECOND_VALUE", "SECOND_UNITS", 2, 4102, kOutput2Scales,
       false},
      {"Pulse", "PULSE_OUTPUT_MODE", "THIRD_VALUE", "THIRD_UNITS", 1, 4101, kPulseScales, false},
      {"Display2ndLine", "DISPLAY_2ND_LINE", "FOURTH_VALUE", "FOURTH_UNITS", 11, 4103, kDisplay2ndLineScales,
       true},
  }};
  return channels;
}

std::optional<ScaleItems> scaleOf(const DisplayChannelSpec& ch, int32_t s) {
  auto it =
      std::find_if(ch.scales.begin(), ch.scales.end(), [s](const ScaleRow& r) { return r.selection == s; });
  if (it == ch.scales.end()) return std::nullopt;
  return it->items;
}

void ConfigureChannel(Dispatch& control, DisplayClass cls, const DisplayChannelSpec& ch,
                      const ChannelContext& ctx, bool bShadow, int32_t& userLevel, int32_t& countryCode) {
  const auto& id = displayRoles(cls);
  control.invoke(id.DisconnectItems, InvokeKind::Method, {});
  // A selection beyond Long is dropped as a failed read is: the control stays disconnected.
  const std::optional<int32_t> selection = readSelection(ctx, bShadow);
  if (!selection) return;
  const int32_t s = *selection;
  // The caption is written for every value, so a value outside the tables still gets the
  // enumeration's text (or an empty one) rather than the previous variable's.
  text(control, id.ChannelCaption, captionOf(ch, ctx, s));
  put(control, id.ChannelFlag, Variant(int16_t{-1}));
  put(control, id.ItemMode, Variant(int16_t{3}));
  text(control, id.UnitItemName, ch.unitItem);
  text(control, id.ValueItemName, ch.valueItem);
  put(control, id.ClassFlag, Variant(false));
  if (cls == DisplayClass::Digital) text(control, id.DigitalFormat, kDigitalFormat);
  // Without a row the control keeps the scale of its previous configuration.
  if (auto scale = scaleOf(ch, s)) {
    text(control, id.ScaleMaxItemName, scale->max);
    text(control, id.ScaleMinItemName, scale->min);
  }
  if (ch.hidesOutsideScales)
    put(control, tolvar::dispid::ExtenderVisible, Variant(scaleOf(ch, s).has_value()));
  connectItems(control, id.ConnectItems, ctx.itemManager, userLevel, countryCode);
}

void ConfigureCurves(Dispatch& plotter, std::span<const ChannelContext, kDisplayChannels> channels,
                     bool bShadow, int32_t& userLevel, int32_t& countryCode) {
  const auto& id = tolvar::dispid::Plotter;
  plotter.invoke(id.DisconnectItems, InvokeKind::Method, {});
  text(plotter, 0x68030011, "-1");
  text(plotter, 0x6803000F, "");
  for (size_t i = 0; i < kDisplayChannels; ++i) {
    const DisplayChannelSpec& ch = displayChannels()[i];
    const ChannelContext& ctx = channels[i];
    const auto curve = static_cast<int16_t>(i + 1);
    const std::optional<int32_t> s = readSelection(ctx, bShadow);
    auto curveText = [&](int32_t role, std::string_view v) {
      putCurve(plotter, role, curve, Variant(std::string(v)));
    };
    // Every valid selection has a scale row; anything else leaves the curve empty rather
    // than plotting a variable against another variable's scale.
    if (auto scale = s ? scaleOf(ch, *s) : std::nullopt) {
      curveText(id.ChannelCaption, captionOf(ch, ctx, *s));
      putCurve(plotter, id.ChannelFlag, curve, Variant(int16_t{-1}));
      putCurve(plotter, id.ItemMode, curve, Variant(int16_t{3}));
      curveText(id.UnitItemName, ch.unitItem);
      curveText(id.ValueItemName, ch.valueItem);
      curveText(id.ScaleMaxItemName, scale->max);
      curveText(id.ScaleMinItemName, scale->min);
    } else {
      curveText(id.ChannelCaption, "");
      putCurve(plotter, id.ChannelFlag, curve, Variant(int16_t{-1}));
      putCurve(plotter, id.ItemMode, curve, Variant(int16_t{3}));
      curveText(id.UnitItemName, "");
      curveText(id.ValueItemName, "");
      curveText(id.ScaleMaxItemName, "");
      curveText(id.ScaleMinItemName, "");
    }
  }
  connectItems(plotter, id.ConnectItems, channels[0].itemManager, userLevel, countryCode);
}

}  // namespace velumor::output_views
