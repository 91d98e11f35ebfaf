// Start-up of the diagnosis window. The load runs inside the host's SetAppletItemManagRef:
// apart from the two frame probes it makes no host call, and every row starts "off" until
// the device reports. The unload is the view window's own.
#include <exception>
#include <string>
#include <string_view>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tolvar/applet/control_ids.h"
#include "velumor/diag_view/velumor_diag_view_form.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::diag_view {

namespace {

using platform::com::Variant;
using platform::ui::Control;

using shared::resText;

// The design's menu captions, in the order they are set.
constexpr view_window::MenuText kMenuTexts[] = {
    {"MenuFile", 400},       {"MenuOpenNew", 401},    {"MenuLoadDB", 402},       {"MenuSaveDB", 403},
    {"MenuSaveAs", 404},     {"MenuPrint", 405},      {"MenuPrinterSetup", 406}, {"MenuExit", 409},
    {"MenuDevice", 410},     {"MenuConnect", 411},    {"MenuDisconnect", 412},   {"MenuSetAddress", 413},
    {"MenuLoadDev", 414},    {"MenuSaveDev", 415},    {"MenuAdjust", 416},       {"MenuTableView", 421},
    {"MenuData", 422},       {"MenuSimulation", 424}, {"MenuSettings", 430},     {"MenuMaintenance", 431},
    {"MenuSpecialist", 432}, {"MenuSourceFile", 433}, {"MenuSourceDevice", 434}, {"MenuHelp", 490},
    {"MenuContents", 491},   {"MenuIndex", 492},      {"MenuWeb", 493},          {"MenuMirvel", 494},
    {"MenuService", 496},    {"MenuReadMe", 498},     {"MenuAbout", 499},
};

std::string ctlName(std::string_view group, std::string_view part) {
  return "Diag" + std::string(group) + std::string(part);
}

}  // namespace

// ------------------------------------------------------------------ load

void VelumorDiagViewForm::Form_Load() {
  loadMenusAndHelp(kMenuTexts);

  // Until the device reports, every group counts as present and without errors.
  platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  for (const Group& g : groups()) tabs.setTabCaption(Variant(g.key), resText(g.titleId));
  for (const Group& g : groups()) tabs.setTabImage(Variant(g.key), kImageOk);
  for (const Group& g : groups()) tabs.setTabTag(Variant(g.key), Variant(true));
  for (const Group& g : groups()) ctl(ctlName(g.name, "Frame")).setCaption("");

  // The window opens at its minimum size; the resizes this raises lay out nothing yet.
  applyMinimumSize();

  // The Limits group has nothing to show: its tab goes for good.
  tabs.remove(Variant("DiagLimitsKey"));

  setUpGroups();
  placeProgressFrame();
  // The design's panel text is a placeholder: until the first report the window is disconnected.
  statusBar("VelumorStatusBar").setPanelText(Variant("StatusBarCommText"), resText(310));

  layOutOnResize();
  probeOptionalFrameOperations();

  // Selecting the Device tab runs the tab handler, which keeps its key and shows its frame.
  tabs.select(Variant("DiagDeviceKey"));
  if (CurrentTabKey.empty()) MainTab_Click();
  for (const Group& g : groups()) ctl(ctlName(g.name, "Frame")).setVisible(g.name == "Device");
  for (const Group& g : groups()) ctl(ctlName(g.name, "Frame")).zOrder(0);

  // From here on notifications are queued.
  createNotifyQueue();
}

// Every group frame covers the tab strip's client area; every row starts "off".
void VelumorDiagViewForm::setUpGroups() {
  const platform::ui::TabStripControl& tabs = tabStrip("MainTab");
  for (const Group& g : groups()) {
    Control& frame = ctl(ctlName(g.name, "Frame"));
    frame.setTop(tabs.clientTop());
    frame.setLeft(tabs.clientLeft());
    frame.setWidth(tabs.clientWidth());
    frame.setHeight(tabs.clientHeight());
    if (g.rowBaseId == 0) {  // Limits: captions only, nothing bound
      ctl("DiagLimitsLabel", 0).setCaption(resText(20508));
      ctl("DiagLimitsLabel", 1).setCaption(resText(20509));
      const std::vector<int32_t> units = arrayIndices("DiagLimitsLabelTextUnit");
      for (int32_t i = units.empty() ? 0 : units.front(); !units.empty() && i <= units.back(); i += 2)
        ctlAs<platform::ui::UserControl>("DiagLimitsLabelTextUnit", i)
            .impl()
            .put(tolvar::dispid::LabelText, Variant(resText(20500 + i)));
      continue;
    }
    const std::string label = ctlName(g.name, "Label");
    const std::string text = ctlName(g.name, "Text");
    const std::string lamp = ctlName(g.name, "ONOFF");
    for (int32_t i : arrayIndices(lamp)) {
      ctl(label, i).setCaption(resText(g.rowBaseId + i));
      ctl(text, i).setProperty("Locked", Variant(true));
      SetDiagIndicator(kOff, &ctl(text, i), &ctl(lamp, i));
    }
    if (g.name == "Device") placeDeviceButtons();
  }
}

// "Rst." beside "Configuration Changed:", "Sim" beside the fixed-output row; both reach
// from the lamps to near the frame's right edge.
void VelumorDiagViewForm::placeDeviceButtons() {
  Control& text4 = ctl("DiagDeviceText", 4);
  int32_t gap = platform::com::cLng(static_cast<double>(ctl("DiagDeviceONOFF", 4).left()) -
                                    (static_cast<double>(text4.left()) + text4.width()));
  gap = platform::com::cLng(gap - gap / 10.0);
  Control& reset = ctl("DiagCommand", 1);
  Control& sim = ctl("DiagCommand", 4);
  reset.setCaption(resText(21101));
  sim.setCaption(resText(21104));
  const Control& text1 = ctl("DiagDeviceText", 1);
  const Control& lamp1 = ctl("DiagDeviceONOFF", 1);
  reset.setTop(text1.top());
  reset.setHeight(text1.height());
  reset.setLeft(static_cast<double>(lamp1.width()) + lamp1.left() + gap);
  reset.setWidth(static_cast<double>(ctl("DiagDeviceFrame").width()) - reset.left() - gap);
  sim.setTop(text4.top());
  sim.setHeight(text4.height());
  sim.setLeft(reset.left());
  sim.setWidth(reset.width());
}

// The progress bars lie on one another over the data-source panel, each empty.

}  // namespace velumor::diag_view
