// The main window's tabs and layout: the minimum size, the lazy fitting of the pages to
// the tab strip, page switching, and taking tabs out of the row and putting them back.
#include <string>
#include <string_view>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "velumor/main_view/velumor_main_view_form.h"

namespace velumor::main_view {

namespace {

using platform::com::cLng;
using platform::ui::Control;

// The pages in the order of the tab strip's design; the sensor tab has no page.
struct Page {
  std::string_view key;
  std::string_view frame;
};
constexpr Page kPages[] = {
    {"MainDeviceInfoKey", "MainDeviceInfoFrame"},
    {"MainSensorKey", ""},
    {"MainUnitsKey", "MainUnitFrame"},
    {"MainValuesKey", "MainValueFrame"},
    {"MainMassCounterKey", "MainMassCounterFrame"},
    {"MainVolumeCounterKey", "MainVolumeCounterFrame"},
    {"MainDisplayKey", "MainDisplayFrame"},
    {"MainAlarmKey", "MainAlarmFrame"},
    {"MainTemparatureKey", "MainTemparatureFrame"},
    {"MainOperationKey", "MainOperationFrame"},
    {"MainCommentsKey", "MainCommentsFrame"},
    {"MainOutputCfgKey", "MainOutputCfgFrame"},
    {"MainOutput1Key", "MainOutput1Frame"},
    {"MainOutput2Key", "MainOutput2Frame"},
    {"MainImpulseKey", "MainImpulseFrame"},
};

// The page frame of a tab key; empty for a key without a page. Keys compare exactly.
std::string_view frameOfKey(std::string_view key) {
  for (const Page& p : kPages)
    if (p.key == key) return p.frame;
  return {};
}

// Sizes are single precision; the arithmetic on them is done in double.
void addHeight(Control& c, double by) {
  c.setHeight(static_cast<double>(c.height()) + by);
}
void addWidth(Control& c, double by) {
  c.setWidth(static_cast<double>(c.width()) + by);
}
void addTop(Control& c, double by) {
  c.setTop(static_cast<double>(c.top()) + by);
}
void addLeft(Control& c, double by) {
  c.setLeft(static_cast<double>(c.left()) + by);
}

}  // namespace

const std::vector<std::string_view>& VelumorMainViewForm::pageFrameNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const Page& p : kPages)
      if (!p.frame.empty()) v.push_back(p.frame);
    return v;
  }();
  return names;
}

// ------------------------------------------------------------------ window size

void VelumorMainViewForm::Form_Resize() {
  int32_t dW = 0, dH = 0;
  if (!takeSizeChange(dW, dH)) return;

  Control& tab = ctl("MainTab");
  addHeight(tab, dH);
  addWidth(tab, dW);
  runLayoutRoutine(tabStrip("MainTab").selectedKey());

  placeProgressFrameOnResize();
}

// ------------------------------------------------------------------ pages

void VelumorMainViewForm::runLayoutRoutine(std::string_view key) {
  if (key == "MainDeviceInfoKey")
    ResizeMainDeviceInfoFrame();
  else if (key == "MainUnitsKey")
    ResizeMainUnitFrame();
  else if (key == "MainValuesKey")
    ResizeMainValueFrame();
  else if (key == "MainMassCounterKey")
    ResizeMainMassCounterFrame();
  else if (key == "MainVolumeCounterKey")
    ResizeMainVolumeCounterFrame();
  else if (key == "MainDisplayKey")
    ResizeMainDisplayFrame();
  else if (key == "MainAlarmKey")
    ResizeMainAlarmFrame();
  else if (key == "MainTemparatureKey")
    ResizeMainTemparatureFrame();
  else if (key == "MainOperationKey")
    ResizeMainOperationFrame();
  else if (key == "MainCommentsKey")
    ResizeMainCommentsFrame();
  else if (key == "MainOutputCfgKey")
    ResizeMainOutputCfgFrame();
  else if (key == "MainOutput1Key")
    ResizeMainOutput1Frame();
  else if (key == "MainOutput2Key")
    ResizeMainOutput2Frame();
  else if (key == "MainImpulseKey")
    ResizeMainImpulseFrame();
}

// The part every page's routine shares: the page is measured against the tab strip's
// client area, not against the last window size, so a page that missed several resizes
// catches up in one pass. False when the page already fits (nothing is touched then).
bool VelumorMainViewForm::fitPage(std::string_view frame, int32_t& dW, int32_t& dH) {
  platform::ui::TabStripControl& tab = tabStrip("MainTab");
  Control& f = ctl(frame);
  dW = cLng(static_cast<double>(tab.clientWidth()) - f.width());
  dH = cLng(static_cast<double>(tab.clientHeight()) - f.height());
  if (dW == 0 && dH == 0) return false;
  f.setTop(tab.clientTop());
  addHeight(f, dH);
  addWidth(f, dW);
  return true;
}

void VelumorMainViewForm::ResizeMainDeviceInfoFrame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainDeviceInfoFrame", dW, dH)) return;
  const Control& f = ctl("MainDeviceInfoFrame");
  Control& data = ctl("DeviceDataFrame");
  Control& point = ctl("MeasurementPointFrame");
  data.setWidth(f.width());
  addHeight(data, dH / 2.0);
  point.setWidth(f.width());
  addTop(point, dH / 2.0);
  point.setHeight(static_cast<double>(f.height()) - point.top());
}

void VelumorMainViewForm::ResizeMainUnitFrame() {
  int32_t dW = 0, dH = 0;
  fitPage("MainUnitFrame", dW, dH);
}

void VelumorMainViewForm::ResizeMainValueFrame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainValueFrame", dW, dH)) return;
  const Control& f = ctl("MainValueFrame");
  Control& output = ctl("ValueOutputFrame");
  Control& current = ctl("CurrentFrame");
  Control& diag = ctl("ValueDiagFrame");
  Control& counter = ctl("ValueCounterFrame");
  // The placed positions come from a neighbour's size: the load put the neighbours at 0.
  addWidth(output, dW / 2.0);
  addHeight(output, dH / 2.0);
  current.setLeft(static_cast<double>(output.width()) + 100);
  addWidth(current, dW / 2.0);
  addHeight(current, dH / 4.0);
  diag.setTop(static_cast<double>(current.height()) + 100);
  diag.setLeft(static_cast<double>(output.width()) + 100);
  addWidth(diag, dW / 2.0);
  addHeight(diag, dH / 4.0);
  counter.setTop(static_cast<double>(output.height()) + 100);
  counter.setWidth(f.width());
  addHeight(counter, dH / 2.0);
}

// The totalizer pages share their rules; the last third of a height change stays free
// below the reverse-flow frame.
void VelumorMainViewForm::resizeCounterPage(std::string_view page, std::string_view prefix) {
  int32_t dW = 0, dH = 0;
  if (!fitPage(page, dW, dH)) return;
  const std::string p(prefix);
  Control& function = ctl(p + "CounterFunctionFrame");
  Control& flow = ctl(p + "CounterFlowFrame");
  Control& reverse = ctl(p + "CounterRevFlowFrame");
  addWidth(function, dW);
  addHeight(flow, dH / 3.0);
  addWidth(flow, dW);
  addTop(reverse, dH / 3.0);
  addHeight(reverse, dH / 3.0);
  addWidth(reverse, dW);
}

void VelumorMainViewForm::ResizeMainMassCounterFrame() {
  resizeCounterPage("MainMassCounterFrame", "Mass");
}

void VelumorMainViewForm::ResizeMainVolumeCounterFrame() {
  resizeCounterPage("MainVolumeCounterFrame", "Volume");
}

void VelumorMainViewForm::ResizeMainDisplayFrame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainDisplayFrame", dW, dH)) return;
  const Control& f = ctl("MainDisplayFrame");
  Control& normal = ctl("NormalDisplayFrame");
  Control& multiplex = ctl("MultiplexDisplayFrame");
  Control& language = ctl("LanguageDisplayFrame");
  addHeight(normal, dH / 3.0);
  normal.setWidth(f.width());
  addTop(multiplex, dH / 3.0);
  addHeight(multiplex, dH / 3.0);
  multiplex.setWidth(f.width());
  addTop(language, (2.0 * dH) / 3.0);
  addHeight(language, dH / 3.0);
  language.setWidth(f.width());
}

void VelumorMainViewForm::ResizeMainAlarmFrame() {
  int32_t dW = 0, dH = 0;
  fitPage("MainAlarmFrame", dW, dH);
}

void VelumorMainViewForm::ResizeMainTemparatureFrame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainTemparatureFrame", dW, dH)) return;
  const Control& f = ctl("MainTemparatureFrame");
  Control& temperature = ctl("TemparatureFrame");
  ctl("DensityFrame").setWidth(f.width());
  temperature.setWidth(f.width());
  temperature.setHeight(static_cast<double>(f.height()) - temperature.top());
}

void VelumorMainViewForm::ResizeMainOperationFrame() {
  int32_t dW = 0, dH = 0;
  fitPage("MainOperationFrame", dW, dH);
}

void VelumorMainViewForm::ResizeMainCommentsFrame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainCommentsFrame", dW, dH)) return;
  Control& text = ctl("CommentsText");
  addHeight(text, dH);
  addWidth(text, dW);
}

void VelumorMainViewForm::ResizeMainOutputCfgFrame() {
  int32_t dW = 0, dH = 0;
  fitPage("MainOutputCfgFrame", dW, dH);
}

void VelumorMainViewForm::ResizeMainOutput1Frame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainOutput1Frame", dW, dH)) return;
  const Control& f = ctl("MainOutput1Frame");
  Control& limits = ctl("MainOutput1LimitsFrame");
  Control& sensor = ctl("Output1SensorInfoFrame");
  Control& alarm = ctl("MainOutput1AlarmFrame");
  addHeight(limits, dH / 2.0);
  limits.setWidth(f.width());
  // The sensor frame grows with its container, so it keeps its 100-twip margin inside it
  // instead of running past the container's lower edge.
  addHeight(sensor, dH / 2.0);
  addWidth(sensor, dW / 2.0);
  addLeft(sensor, dW / 2.0);
  addTop(alarm, dH / 2.0);
  addHeight(alarm, dH / 2.0);
  alarm.setWidth(f.width());
}

void VelumorMainViewForm::ResizeMainOutput2Frame() {
  int32_t dW = 0, dH = 0;
  if (!fitPage("MainOutput2Frame", dW, dH)) return;
  const Control& f = ctl("MainOutput2Frame");
  Control& limits = ctl("MainOutput2LimitsFrame");
  Control& alarm = ctl("MainOutput2AlarmFrame");
  addHeight(limits, dH / 2.0);
  limits.setWidth(f.width());
  addTop(alarm, dH / 2.0);
  addHeight(alarm, dH / 2.0);
  alarm.setWidth(f.width());
}

void VelumorMainViewForm::ResizeMainImpulseFrame() {
  int32_t dW = 0, dH = 0;
  fitPage("MainImpulseFrame", dW, dH);
}

// ------------------------------------------------------------------ tabs

void VelumorMainViewForm::MainTab_Click() {
  const std::string key = tabStrip("MainTab").selectedKey();
  for (std::string_view frame : pageFrameNames()) ctl(frame).setVisible(false);
  const std::string_view frame = frameOfKey(key);
  if (frame.empty()) return;
  // Fitted just before it shows: a hidden page is not laid out by resizes.
  runLayoutRoutine(key);
  ctl(frame).setVisible(true);
}

bool VelumorMainViewForm::RemoveTab(const std::string& key) {
  try {
    platform::ui::TabStripControl& tabs = tabStrip("MainTab");
    const int32_t i = tabs.positionOf(key);
    if (i == 0) return false;  // already out of the row
    // The record is found before the tab leaves the row, so a tab is never dropped for
    // want of a record.
    size_t record = static_cast<size_t>(i);
    while (record < TabTable.size() && TabTable[record].bParked) ++record;
    if (record >= TabTable.size()) return false;
    const bool wasSelected = tabs.selectedPosition() == i;
    std::string caption = tabs.tab(platform::com::Variant(key)).caption;
    tabs.remove(platform::com::Variant(key));
    TabTable[record] = TabRecord{true, key, std::move(caption)};
    // The strip selects a neighbour without a click; show that tab's page, not the page of
    // the tab that left.
    if (wasSelected && tabs.count() > 0 && FormLoaded()) MainTab_Click();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void VelumorMainViewForm::AddTab() {
  for (size_t i = 0; i < TabTable.size(); ++i) {
    TabRecord& record = TabTable[i];
    if (!record.bParked) continue;
    record.bParked = false;
    try {
      platform::ui::TabStripControl& tabs = tabStrip("MainTab");
      // A record above the end of the row puts its tab last rather than losing it.
      int32_t position = static_cast<int32_t>(i);
      if (position < 1 || position > tabs.count() + 1) position = tabs.count() + 1;
      tabs.add(position, record.sKey, record.sCaption);
    } catch (const std::exception&) {
      // A tab that cannot go back (its key is already in the row) is skipped.
    }
  }
}

}  // namespace velumor::main_view
