// One indicator row drawn, the pale colours while the device is not connected, and the
// tab pictures and flags that sum up a group.
#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/vexaonoff.h"

namespace velumor::diag_view {

namespace {

using platform::com::Variant;

constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008u);
constexpr int32_t kGreyText = static_cast<int32_t>(0x80000011u);
constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005u);

// The colour that stands for a value: red, light green, yellow, the window's background.
// A value without a colour draws both colours black.
bool baseColour(uint8_t value, int32_t& colour) {
  switch (value) {
    case VelumorDiagViewForm::kYes:
      colour = 0x0000FF;
      return true;
    case VelumorDiagViewForm::kNo:
      colour = 0x80FF80;
      return true;
    case VelumorDiagViewForm::kWarning:
      colour = 0x00FFFF;
      return true;
    case VelumorDiagViewForm::kOff:
      colour = kWindowBackground;
      return true;
    default:
      return false;
  }
}

}  // namespace

int32_t VelumorDiagViewForm::ShiftColour(int32_t Colour) {
  const uint32_t c = static_cast<uint32_t>(Colour);
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t byte = (c >> shift) & 0xFFu;
    if (byte + 192 < 255) byte += 192;
    result |= byte << shift;
  }
  return static_cast<int32_t>(result);
}

void VelumorDiagViewForm::SetDiagIndicator(uint8_t Value, platform::ui::Control* Text,
                                           platform::ui::Control* Indicator) {
  if (Text) {
    int32_t base = 0;
    int32_t back = 0;
    int32_t fore = 0;
    if (baseColour(Value, base)) {
      Text->setText(shared::LoadResStringByLang(static_cast<int16_t>(20000 + Value)));
      back = ConnectionState() == 2 ? base : ShiftColour(base);
      fore = ConnectionState() == 2 ? kWindowText : kGreyText;
    } else {
      // No value outside 1 to 4 has a text; the row shows none rather than failing.
      Text->setText("");
    }
    Text->setProperty("BackColor", Variant(back));
    Text->setProperty("ForeColor", Variant(fore));
  }
  if (Indicator)
    dynamic_cast<platform::ui::UserControl&>(*Indicator)
        .impl()
        .put(shared::VexaOnOff::kDispIdState, Variant(Value));
}

void VelumorDiagViewForm::setRow(std::string_view group, int32_t row, uint8_t value) {
  const std::string name(group);
  SetDiagIndicator(value, &ctl("Diag" + name + "Text", row), &ctl("Diag" + name + "ONOFF", row));
}

void VelumorDiagViewForm::setTabImage(std::string_view key, int32_t image) {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  if (tabs.positionOf(key) == 0) return;
  tabs.setTabImage(Variant(key), image);
}

void VelumorDiagViewForm::setTabPresent(std::string_view key, bool present) {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  if (tabs.positionOf(key) == 0) return;
  tabs.setTabTag(Variant(key), Variant(present));
  // The tab of a group the device lacks is greyed, so that neither a click nor the arrow
  // keys stop on it.
  tabs.setTabEnabled(Variant(key), present);
}

int32_t VelumorDiagViewForm::summaryImage(bool anyError, bool anyWarning) {
  if (anyError) return kImageError;
  if (anyWarning) return kImageWarning;
  return kImageOk;
}

}  // namespace velumor::diag_view
