// Start-up and shut-down of the main window. The load works without any device data: it
// runs inside the host's SetAppletItemManagRef, so apart from the two frame probes it
// makes no host call; registration waits for the registration tick.
#include <exception>
#include <string>
#include <string_view>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::main_view {

namespace {

using platform::com::Variant;
using platform::ui::Control;

// `frame` at the top of `page`, as wide as the page.
void atTop(const Control& page, Control& frame) {
  frame.setTop(0);
  frame.setLeft(0);
  frame.setWidth(page.width());
}

// `frame` 100 below `above` (which starts at the page's top) down to the bottom of `page`,
// as wide as the page.
void fillBelow(const Control& page, const Control& above, Control& frame) {
  frame.setTop(static_cast<double>(above.height()) + 100);
  frame.setLeft(0);
  frame.setWidth(page.width());
  frame.setHeight(static_cast<double>(page.height()) - frame.top());
}

}  // namespace

// ------------------------------------------------------------------ load

void VelumorMainViewForm::loadMainWindow() {
  // The start-up panel covers the tab strip until the registration tick.
  ctl("MainTab").setVisible(false);
  Control& init = ctl("InitFrame");
  init.setTop(120);
  init.setLeft(120);
  init.setCaption("");
  loadCaption("InitLabel", 150);
  init.setVisible(true);
  init.zOrder(0);

  // Menus and help.
  loadMenusAndHelp(mainMenuTexts());

  // The tab table, the tab and page captions.
  TabTable.assign(static_cast<size_t>(tabStrip("MainTab").count()) + 1, TabRecord{});
  setTabCaptions();
  setPageFrameCaptions();

  // The window starts at its minimum size; the resizes this raises lay out no page yet.
  applyMinimumSize();

  // These tabs come and go with the connection state.
  RemoveTab("MainSensorKey");
  RemoveTab("MainAlarmKey");
  RemoveTab("MainTemparatureKey");

  setUpPages();
  placeProgressFrame();

  layOutOnResize();
  probeOptionalFrameOperations();

  // The first page, hidden behind the start-up panel.
  tabStrip("MainTab").select(Variant("MainDeviceInfoKey"));
  for (std::string_view frame : pageFrameNames()) ctl(frame).setVisible(frame == "MainDeviceInfoFrame");
  for (std::string_view frame : pageFrameNames()) ctl(frame).zOrder(0);
  init.zOrder(0);

  // From here on notifications are queued.
  createNotifyQueue();
}

// Each page frame covers the tab strip's client area; its inner frames are placed so that
// the resize routines keep their arrangement.
void VelumorMainViewForm::setUpPages() {
  setUpDeviceInfoPage();
  setSensorTexts();  // the sensor tab has no page of its own

  placePage("MainUnitFrame", false);
  setUnitTexts();

  setUpValuePage();
  for (const char* prefix : {"Mass", "Volume"}) setUpCounterPage(prefix);  // the two totalizer pages
  setUpDisplayPage();

  placePage("MainAlarmFrame", false);
  setAlarmTexts();

  setUpTemperaturePage();

  placePage("MainOperationFrame", false);
  setOperationTexts();

  setUpCommentsPage();

  placePage("MainOutputCfgFrame", false);
  setOutputCfgTexts();

  for (int output : {1, 2}) setUpOutputPage(output);

  placePage("MainImpulseFrame", false);
  setPulseTexts();
}

Control& VelumorMainViewForm::placePage(std::string_view frame, bool borderless) {
  const platform::ui::TabStripControl& tab = tabStrip("MainTab");
  Control& f = ctl(frame);
  if (borderless) f.setProperty("BorderStyle", Variant(int16_t{0}));
  f.setTop(tab.clientTop());
  f.setLeft(tab.clientLeft());
  f.setWidth(tab.clientWidth());
  f.setHeight(tab.clientHeight());
  return f;
}

void VelumorMainViewForm::setUpDeviceInfoPage() {
  const Control& page = placePage("MainDeviceInfoFrame", true);
  Control& data = ctl("DeviceDataFrame");
  atTop(page, data);
  fillBelow(page, data, ctl("MeasurementPointFrame"));
  setDeviceInfoTexts();
}

void VelumorMainViewForm::setUpValuePage() {
  Control& page = placePage("MainValueFrame", true);
  Control& output = ctl("ValueOutputFrame");
  Control& current = ctl("CurrentFrame");
  Control& diag = ctl("ValueDiagFrame");
  Control& counter = ctl("ValueCounterFrame");
  output.setTop(0);
  output.setLeft(0);
  output.setWidth(static_cast<double>(diag.left()) - 100);
  current.setTop(output.top());
  current.setWidth(static_cast<double>(page.width()) - current.left());
  diag.setTop(static_cast<double>(current.top()) + current.height() + 100);
  diag.setWidth(static_cast<double>(page.width()) - diag.left());
  diag.setHeight(static_cast<double>(output.height()) - current.height() - 100);
  fillBelow(page, output, counter);
  setValueTexts();
}

void VelumorMainViewForm::setUpCounterPage(std::string_view prefix) {
  const std::string p(prefix);
  Control& page = placePage("Main" + p + "CounterFrame", false);
  Control& function = ctl(p + "CounterFunctionFrame");
  function.setProperty("BorderStyle", Variant(int16_t{0}));
  function.setLeft(100);
  function.setWidth(static_cast<double>(page.width()) - 200);
  function.setHeight(0);
  function.setVisible(false);
  function.setEnabled(false);
  Control& flow = ctl(p + "CounterFlowFrame");
  flow.setTop(static_cast<double>(function.top()) + function.height());
  flow.setLeft(100);
  flow.setWidth(static_cast<double>(page.width()) - 200);
  Control& reverse = ctl(p + "CounterRevFlowFrame");
  reverse.setTop(static_cast<double>(flow.top()) + flow.height());
  reverse.setLeft(100);
  reverse.setWidth(static_cast<double>(page.width()) - 200);
  setCounterTexts(p);
}

void VelumorMainViewForm::setUpDisplayPage() {
  Control& page = placePage("MainDisplayFrame", true);
  Control& normal = ctl("NormalDisplayFrame");
  atTop(page, normal);
  Control& multiplex = ctl("MultiplexDisplayFrame");
  multiplex.setTop(static_cast<double>(normal.height()) + 100);
  multiplex.setLeft(0);
  multiplex.setWidth(page.width());
  Control& language = ctl("LanguageDisplayFrame");
  language.setProperty("BorderStyle", Variant(int16_t{0}));
  language.setTop(static_cast<double>(multiplex.top()) + multiplex.height());
  language.setLeft(0);
  language.setWidth(page.width());
  setDisplayTexts();
}

void VelumorMainViewForm::setUpTemperaturePage() {  // temperature and density
  const Control& page = placePage("MainTemparatureFrame", true);
  Control& density = ctl("DensityFrame");
  atTop(page, density);
  fillBelow(page, density, ctl("TemparatureFrame"));
  setTemperatureTexts();
}

void VelumorMainViewForm::setUpCommentsPage() {  // the notes: the same margin on every side
  Control& page = placePage("MainCommentsFrame", false);
  Control& comments = ctl("CommentsText");
  comments.setHeight(static_cast<double>(page.height()) - 2.0 * comments.top());
  comments.setWidth(static_cast<double>(page.width()) - 2.0 * comments.left());
  setCommentsTexts();
}

void VelumorMainViewForm::setUpOutputPage(int output) {
  const std::string n = std::to_string(output);
  Control& page = placePage("MainOutput" + n + "Frame", true);
  Control& limits = ctl("MainOutput" + n + "LimitsFrame");
  atTop(page, limits);
  if (output == 1) {
    // Beside the span rows, overlapping their last 300 twips, 100 inside its container.
    Control& sensor = ctl("Output1SensorInfoFrame");
    const Control& span = ctl("Output1VLabelTextUnit", 0);
    sensor.setProperty("BorderStyle", Variant(int16_t{0}));
    sensor.setTop(span.top());
    sensor.setLeft(static_cast<double>(span.left()) + span.width() - 300);
    sensor.setWidth(static_cast<double>(limits.width()) - sensor.left() - 100);
    sensor.setHeight(static_cast<double>(limits.height()) - sensor.top() - 100);
  }
  fillBelow(page, limits, ctl("MainOutput" + n + "AlarmFrame"));
  setOutputTexts(output);
}

// The progress bars lie over the data-source panel of the status bar, all empty.

}  // namespace velumor::main_view
