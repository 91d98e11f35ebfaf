#include "velumor/output_views/velumor_display_form.h"

#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayTrendForm[];
extern const std::size_t velumor_design_VelumorDisplayTrendForm_size;
extern const unsigned char velumor_design_VelumorDisplayAnalogForm[];
extern const std::size_t velumor_design_VelumorDisplayAnalogForm_size;
extern const unsigned char velumor_design_VelumorDisplayDigitalForm[];
extern const std::size_t velumor_design_VelumorDisplayDigitalForm_size;
extern const unsigned char velumor_design_VelumorDisplayBarForm[];
extern const std::size_t velumor_design_VelumorDisplayBarForm_size;

namespace velumor {

namespace {

struct KindData {
  const char* formName;
  const unsigned char* design;
  const std::size_t* designSize;
  int32_t captionTextId;
};

KindData kindData(DisplayKind kind) {
  switch (kind) {
    case DisplayKind::Trend:
      return {"VelumorDisplayTrendForm", velumor_design_VelumorDisplayTrendForm,
              &velumor_design_VelumorDisplayTrendForm_size, 8};
    case DisplayKind::Analog:
      return {"VelumorDisplayAnalogForm", velumor_design_VelumorDisplayAnalogForm,
              &velumor_design_VelumorDisplayAnalogForm_size, 7};
    case DisplayKind::Digital:
      return {"VelumorDisplayDigitalForm", velumor_design_VelumorDisplayDigitalForm,
              &velumor_design_VelumorDisplayDigitalForm_size, 6};
    case DisplayKind::Bar:
      break;
  }
  return {"VelumorDisplayBarForm", velumor_design_VelumorDisplayBarForm, &velumor_design_VelumorDisplayBarForm_size, 5};
}

}  // namespace

ViewWindowTraits VelumorDisplayForm::traitsFor(DisplayKind kind) {
  ViewWindowTraits t;
  const std::string form = kindData(kind).formName;
  // "VelumorDisplayTrendForm" is owned by "VelumorDisplayTrendClass".
  t.ownClassName = form.substr(0, form.size() - 4) + "Class";
  t.captionTextId = kindData(kind).captionTextId;
  t.lockedOnContext2 = {"MenuConnect", "MenuDisconnect", "MenuSetAddress"};
  t.enabledOnOtherContext = {"MenuConnect", "MenuDisconnect"};
  t.userLevelWithAdministrator = false;
  t.settingsMenuFollowsItems = false;
  t.dataSourceTooltipWithFileName = false;
  return t;
}

VelumorDisplayForm::VelumorDisplayForm(DisplayKind kind)
    : ViewWindow(kindData(kind).formName, designText(kindData(kind).design, *kindData(kind).designSize),
                 traitsFor(kind)),
      kind_(kind) {}

std::string VelumorDisplayForm::GetTextFromResource(int16_t id) { return ::velumor::GetTextFromResource(id); }

void VelumorDisplayForm::Form_Load() {
  createNotifyQueue();  // last step of the load
}

}  // namespace velumor
