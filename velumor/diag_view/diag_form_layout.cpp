// The diagnosis window's layout and tab selection: the minimum size, the lazy fitting of
// the group frames to the tab strip, and which group is shown.
#include <string>
#include <string_view>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "velumor/diag_view/velumor_diag_view_form.h"

namespace velumor::diag_view {

namespace {

using platform::com::cLng;
using platform::com::Variant;
using platform::ui::Control;

// Sizes are single precision; the arithmetic on them is done in double.
void addTo(Control& c, std::string_view property, double by) {
  c.setProperty(property, static_cast<float>(static_cast<double>(c.getProperty(property).toSingle()) + by));
}

// A tab's Tag as a flag: only a value that converts to True counts; empty, null or
// anything that does not convert counts as False.
bool tagIsTrue(const Variant& tag) {
  if (tag.isEmpty() || tag.isNull()) return false;
  try {
    return tag.toBool();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

const std::array<VelumorDiagViewForm::Group, 10>& VelumorDiagViewForm::groups() {
  static const std::array<Group, 10> table = {{
      {"Device", "DiagDeviceKey", 210, 21000},
      {"Sensor", "DiagSensorKey", 201, 20100},
      {"Input", "DiagInputKey", 202, 20200},
      {"Value", "DiagValueKey", 203, 20300},
      {"Alarm", "DiagAlarmKey", 204, 20400},
      {"Limits", "DiagLimitsKey", 205, 0},
      {"Totalizer", "DiagTotalizerKey", 206, 20600},
      {"Output", "DiagOutputKey", 207, 20700},
      {"Config", "DiagConfigKey", 208, 20800},
      {"Memory", "DiagMemoryKey", 209, 20900},
  }};
  return table;
}

const VelumorDiagViewForm::Group* VelumorDiagViewForm::groupOfKey(std::string_view key) {
  for (const Group& g : groups())
    if (g.key == key) return &g;
  return nullptr;
}

// ------------------------------------------------------------------ window size

void VelumorDiagViewForm::Form_Resize() {
  int32_t dW = 0, dH = 0;
  if (!takeSizeChange(dW, dH)) return;

  Control& tab = ctl("MainTab");
  addTo(tab, "Height", dH);
  addTo(tab, "Width", dW);
  runFitRoutine(tabStrip("MainTab").selectedKey());
  placeProgressFrameOnResize();
}

void VelumorDiagViewForm::runFitRoutine(std::string_view key) {
  if (key == "DiagDeviceKey")
    ResizeDiagDeviceFrame();
  else if (key == "DiagSensorKey")
    ResizeDiagSensorFrame();
  else if (key == "DiagInputKey")
    ResizeDiagInputFrame();
  else if (key == "DiagValueKey")
    ResizeDiagValueFrame();
  else if (key == "DiagAlarmKey")
    ResizeDiagAlarmFrame();
  else if (key == "DiagLimitsKey")
    ResizeDiagLimitsFrame();
  else if (key == "DiagTotalizerKey")
    ResizeDiagTotalizerFrame();
  else if (key == "DiagOutputKey")
    ResizeDiagOutputFrame();
  else if (key == "DiagConfigKey")
    ResizeDiagConfigFrame();
  else if (key == "DiagMemoryKey")
    ResizeDiagMemoryFrame();
}

// The frame is measured against the tab strip's client area, not against the last window
// size, so a group that missed any number of resizes catches up in one pass. Its rows move
// across by half the width change (the block stays centred) and spread downwards: row i of
// n by i/n of the height change. The Device buttons go with the rows they stand beside and
// keep reaching to near the frame's right edge.
void VelumorDiagViewForm::fitGroupFrame(const Group& group) {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  Control& frame = ctl("Diag" + std::string(group.name) + "Frame");
  const int32_t dW = cLng(static_cast<double>(tabs.clientWidth()) - frame.width());
  const int32_t dH = cLng(static_cast<double>(tabs.clientHeight()) - frame.height());
  if (dW == 0 && dH == 0) return;
  frame.setTop(tabs.clientTop());
  addTo(frame, "Height", dH);
  addTo(frame, "Width", dW);
  if (group.rowBaseId == 0) return;  // Limits: its controls keep their places

  const std::string name(group.name);
  const std::vector<int32_t> rows = arrayIndices("Diag" + name + "ONOFF");
  const double n = static_cast<double>(rows.size());
  for (int32_t i : rows) {
    const double across = dW / 2.0;
    // The product stays a 32-bit one, as every window size that can occur keeps it.
    const double down = static_cast<double>(static_cast<int64_t>(dH) * i) / n;
    for (const char* part : {"Label", "Text", "ONOFF"}) {
      Control& c = ctl("Diag" + name + part, i);
      addTo(c, "Left", across);
      addTo(c, "Top", down);
    }
    if (name == "Device" && (i == 1 || i == 4)) {
      Control& button = ctl("DiagCommand", i);
      addTo(button, "Left", across);
      addTo(button, "Top", down);
      addTo(button, "Width", dW - across);
    }
  }
}

void VelumorDiagViewForm::ResizeDiagDeviceFrame() {
  fitGroupFrame(groups()[0]);
}
void VelumorDiagViewForm::ResizeDiagSensorFrame() {
  fitGroupFrame(groups()[1]);
}
void VelumorDiagViewForm::ResizeDiagInputFrame() {
  fitGroupFrame(groups()[2]);
}
void VelumorDiagViewForm::ResizeDiagValueFrame() {
  fitGroupFrame(groups()[3]);
}
void VelumorDiagViewForm::ResizeDiagAlarmFrame() {
  fitGroupFrame(groups()[4]);
}
void VelumorDiagViewForm::ResizeDiagLimitsFrame() {
  fitGroupFrame(groups()[5]);
}
void VelumorDiagViewForm::ResizeDiagTotalizerFrame() {
  fitGroupFrame(groups()[6]);
}
void VelumorDiagViewForm::ResizeDiagOutputFrame() {
  fitGroupFrame(groups()[7]);
}
void VelumorDiagViewForm::ResizeDiagConfigFrame() {
  fitGroupFrame(groups()[8]);
}
void VelumorDiagViewForm::ResizeDiagMemoryFrame() {
  fitGroupFrame(groups()[9]);
}

// ------------------------------------------------------------------ tab selection

// A tab that is not in the strip (the Limits tab, an empty key) counts as absent.
bool VelumorDiagViewForm::tabPresent(std::string_view key) {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  if (key.empty() || tabs.positionOf(key) == 0) return false;
  return tagIsTrue(tabs.tab(Variant(key)).tag);
}

void VelumorDiagViewForm::MainTab_Click() {
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  const std::string selected = tabs.selectedKey();
  if (tabs.selectedPosition() > 0 && tagIsTrue(tabs.tab(Variant(tabs.selectedPosition())).tag)) {
    CurrentTabKey = selected;
  } else {
    // The selected group is absent: go back to the tab shown before, else to the first
    // present tab. Selecting from code runs this handler again for that tab, which keeps
    // its key and shows its frame.
    int32_t fallback = 0;
    if (tabPresent(CurrentTabKey)) {
      fallback = tabs.positionOf(CurrentTabKey);
    } else {
      for (int32_t i = 1; i <= tabs.count() && fallback == 0; ++i)
        if (tagIsTrue(tabs.tab(Variant(i)).tag)) fallback = i;
    }
    if (fallback == 0) {
      // No group is present: nothing is shown.
      for (const Group& g : groups()) ctl("Diag" + std::string(g.name) + "Frame").setVisible(false);
      return;
    }
    tabs.select(Variant(fallback));
  }
  for (const Group& g : groups()) ctl("Diag" + std::string(g.name) + "Frame").setVisible(false);
  if (const Group* g = groupOfKey(CurrentTabKey)) {
    runFitRoutine(g->key);
    ctl("Diag" + std::string(g->name) + "Frame").setVisible(true);
  }
}

}  // namespace velumor::diag_view
