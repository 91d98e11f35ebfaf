#include "velumor/output_views/velumor_display_form.h"

#include <iterator>
#include <optional>
#include <utility>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/applet/object_args.h"
#include "velumor/output_views/display_channels.h"
#include "velumor/output_views/display_layout.h"
#include "velumor/shared/toolkit_load_resource.h"

extern const unsigned char velumor_design_VelumorDisplayTrendForm[];
extern const std::size_t velumor_design_VelumorDisplayTrendForm_size;
extern const unsigned char velumor_design_VelumorDisplayAnalogForm[];
extern const std::size_t velumor_design_VelumorDisplayAnalogForm_size;
extern const unsigned char velumor_design_VelumorDisplayDigitalForm[];
extern const std::size_t velumor_design_VelumorDisplayDigitalForm_size;
extern const unsigned char velumor_design_VelumorDisplayBarForm[];
extern const std::size_t velumor_design_VelumorDisplayBarForm_size;

namespace velumor::output_views {

using platform::com::Variant;

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
  return {"VelumorDisplayBarForm", velumor_design_VelumorDisplayBarForm,
          &velumor_design_VelumorDisplayBarForm_size, 5};
}

}  // namespace

view_window::ViewWindowTraits VelumorDisplayForm::traitsFor(DisplayKind kind) {
  const std::string form = kindData(kind).formName;
  // "VelumorDisplayTrendForm" is owned by "VelumorDisplayTrendClass".
  return view_window::outputViewTraits(form.substr(0, form.size() - 4) + "Class",
                                       kindData(kind).captionTextId, false);
}

VelumorDisplayForm::VelumorDisplayForm(DisplayKind kind)
    : ViewWindow(kindData(kind).formName,
                 shared::windows::designText(kindData(kind).design, *kindData(kind).designSize),
                 traitsFor(kind)),
      kind_(kind) {}

std::string VelumorDisplayForm::GetTextFromResource(int16_t id) {
  return shared::GetTextFromResource(id);
}

void VelumorDisplayForm::Form_Load() {
  static constexpr std::pair<const char*, int16_t> kMenus[] = {
      {"MenuFile", 400},       {"MenuExit", 409},       {"MenuDevice", 410}, {"MenuConnect", 411},
      {"MenuDisconnect", 412}, {"MenuSetAddress", 413}, {"MenuHelp", 490},   {"MenuContents", 491},
      {"MenuIndex", 492},      {"MenuWeb", 493},        {"MenuMirvel", 494}, {"MenuService", 496},
      {"MenuReadMe", 498},     {"MenuAbout", 499},
  };
  for (const auto& [menu, id] : kMenus) ctl(menu).setCaption(shared::LoadResStringByLang(id));
  setHelpFile();
  ctl("DisplayFrame").setCaption("");
  // The window opens at its minimum size with every control at its design place.
  applyMinimumSize();
  platform::ui::StatusBarControl& bar = statusBar("VelumorStatusBar");
  bar.setPanelToolTip(Variant("StatusBarCommText"),
                      shared::LoadResStringByLang(301) + shared::LoadResStringByLang(310));
  bar.setPanelToolTip(Variant("StatusBarDataSource"), shared::LoadResStringByLang(433));
  layOutOnResize();
  createNotifyQueue();  // last step of the load
}

void VelumorDisplayForm::Form_Resize() {
  resizeBy(
      [this](int32_t minWidth, int32_t minHeight, int32_t& lastWidth, int32_t& lastHeight, bool formLoaded) {
        DisplayFormResize(*this, kind_, minWidth, minHeight, lastWidth, lastHeight, formLoaded,
                          ConnectionState());
      });
}

// ------------------------------------------------------------------ registration

namespace {

// The items every display window reads itself, in registration order. Only the channel
// selections carry the flag: their notifications bring the shadow flag they are read with.
using KitItem = view_window::ViewWindow::KitItem;
struct ItemRow {
  const char* name;
  bool flag;
  bool enumeration;
  std::optional<KitItem> kitItem = std::nullopt;  // kept by the kit, not by the window
};
constexpr ItemRow kItems[] = {
    {"&&private_FDT&&EngineeringContext", false, false, KitItem::EngineeringContext},
    {"&&private_pm&&Address", false, false, KitItem::Address},
    {"DESCRIPTOR", false, false, KitItem::Descriptor},
    {"&&private&&connect", false, true, KitItem::Connect},
    {"&&private&&CurrentSource", false, false, KitItem::CurrentSource},
    {"&&private&&UserLevel", false, false, KitItem::UserLevel},
    {"&&private&&CountryCode", false, false},
    {"CURRENT_OUTPUT_1_OUTPUT_VARIABLE", true, true},
    {"CURRENT_OUTPUT_2_OUTPUT_VARIABLE", true, true},
    {"DISPLAY_2ND_LINE", true, true},
    {"PULSE_OUTPUT_MODE", true, true},
};

DisplayClass classOf(DisplayKind kind) {
  switch (kind) {
    case DisplayKind::Analog:
      return DisplayClass::Needle;
    case DisplayKind::Digital:
      return DisplayClass::Digital;
    case DisplayKind::Bar:
      return DisplayClass::BarGraph;
    case DisplayKind::Trend:
      break;
  }
  return DisplayClass::Plotter;
}

}  // namespace

void VelumorDisplayForm::Register() {
  view_window::Hourglass hourglass(*this);
  readDeviceText();
  // The value and unit texts of the needle and bar windows show their channel's items for the
  // window's life; a change of assignment reconfigures only the instrument.
  if (kind_ == DisplayKind::Analog || kind_ == DisplayKind::Bar) {
    for (const DisplayChannelSpec& ch : displayChannels()) {
      for (auto [suffix, item] :
           {std::pair{"ValueTolvar4Text", ch.valueItem}, std::pair{"UnitTolvar4Text", ch.unitItem}}) {
        platform::com::Dispatch& text =
            ctlAs<platform::ui::UserControl>(std::string(ch.name) + suffix).impl();
        text.put(tolvar::dispid::ItemName, Variant(std::string(item)));
        text.put(tolvar::dispid::ItemMode, Variant(int16_t{3}));
      }
    }
  }
  bindItemHandler();
  int32_t* handles[] = {nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        &CountryCodeHandle,
                        &channels_[0].selectionHandle,
                        &channels_[1].selectionHandle,
                        &channels_[3].selectionHandle,
                        &channels_[2].selectionHandle};
  int32_t* enums[] = {nullptr,
                      nullptr,
                      nullptr,
                      &ConnectEnumHandle,
                      nullptr,
                      nullptr,
                      nullptr,
                      &channels_[0].enumHandle,
                      &channels_[1].enumHandle,
                      &channels_[3].enumHandle,
                      &channels_[2].enumHandle};
  for (size_t i = 0; i < std::size(kItems); ++i) {
    if (kItems[i].kitItem)
      registerKitItem(*kItems[i].kitItem, kItems[i].name, kItems[i].flag);
    else
      registerItem(kItems[i].name, kItems[i].flag, *handles[i]);
    if (kItems[i].enumeration) *enums[i] = enumerationHandle(kItems[i].name);
  }
}

int32_t VelumorDisplayForm::enumerationHandle(const std::string& item) {
  // An item the description does not know has no enumeration: its captions stay empty and the
  // rest of the registration goes on.
  try {
    return enumerationHandleOf(item);
  } catch (const platform::com::RuntimeError&) {
    return 0;
  }
}

// ------------------------------------------------------------------ notifications

std::optional<int32_t> VelumorDisplayForm::readLong(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  binding().requireItemManager(name(), "Dispatch").GetValue(handle, d, status);
  return view_window::roundToLong(d);
}

int32_t& VelumorDisplayForm::selectionMember(size_t k) {
  switch (k) {
    case 0:
      return Output1Selection;
    case 1:
      return Output2Selection;
    case 2:
      return PulseSelection;
    default:
      return Display2ndLineSelection;
  }
}

ChannelContext VelumorDisplayForm::channelContext(size_t k) {
  ChannelContext ctx;
  ctx.itemManager = binding().itemManager();
  ctx.deviceDescription = binding().deviceDescription();
  ctx.selectionHandle = channels_[k].selectionHandle;
  ctx.enumHandle = channels_[k].enumHandle;
  ctx.selection = &selectionMember(k);
  return ctx;
}

void VelumorDisplayForm::OnConnectionState(int32_t state) {
  if (!contextLocksConnection()) setMenuEnabled("MenuSetAddress", state == 2);
}

void VelumorDisplayForm::Dispatch(const view_window::VELUMOR_Notify_Type& record) {
  const int32_t h = record.lAppletItemHandle;
  if (h == 0) return;  // an item the host refused keeps 0 and matches nothing
  if (h == EngineeringContextHandle()) return ApplyEngineeringContext(h);
  if (h == AddressHandle()) return UpdateCaptionAddress(h);
  if (h == DescriptorHandle()) return UpdateCaptionDescriptor(h);
  if (h == ConnectHandle()) return ShowConnectionState(h);
  if (h == CurrentSourceHandle()) return ShowDataSource(h);
  if (h == UserLevelHandle()) {
    if (auto level = readLong(h)) UserLevel = *level;
    return ShowUserLevel(h);
  }
  if (h == CountryCodeHandle) {
    // Nothing shows it now: the instruments get it at their next configuration.
    if (auto code = readLong(h)) CountryCode = *code;
    return;
  }
  for (size_t k = 0; k < kDisplayChannels; ++k) {
    if (h != channels_[k].selectionHandle) continue;
    if (kind_ == DisplayKind::Trend) {
      // Any selection reconfigures the whole plotter, all four curves.
      const std::array<ChannelContext, kDisplayChannels> all{channelContext(0), channelContext(1),
                                                             channelContext(2), channelContext(3)};
      ConfigureCurves(ctlAs<platform::ui::UserControl>("VR_Tolvar4Plotter").impl(), all, record.bShadow,
                      UserLevel, CountryCode);
    } else {
      ConfigureChannel(
          ctlAs<platform::ui::UserControl>(displayControlName(kind_, static_cast<int>(k))).impl(),
          classOf(kind_), displayChannels()[k], channelContext(k), record.bShadow, UserLevel, CountryCode);
    }
    return;
  }
}

}  // namespace velumor::output_views
