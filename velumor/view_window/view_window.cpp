#include "velumor/view_window/view_window.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/res/language.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/applet/object_args.h"
#include "velumor/shared/component.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"
#include "velumor/shared/windows/soft_service_form.h"
#include "velumor/shared/windows/txt_file_form.h"
#include "velumor/shared/windows/velumor_about_form.h"
#include "velumor/view_window/dynamic_menu.h"
#include "velumor/view_window/minimum_size.h"
#include "velumor/view_window/seq_start_queue.h"

namespace velumor::view_window {

namespace err = platform::com::err;
using platform::com::Variant;

namespace {

// The device maker's web page (Help, Web).
constexpr char kMakerWebAddress[] = "https://www.mirvel.example/";

constexpr int32_t kSequenceProgressTag = 0x0A000000;

// Host texts are padded with spaces.
std::string trimmed(const std::string& s) {
  return std::string(platform::com::trim(s, " "));
}

// A status-bar text by id, or empty when no table holds it (a state or level the host
// reports that has no text of its own).
std::string textOrEmpty(int64_t id) {
  if (id < 0 || id > 32767) return {};
  return shared::GetTextFromResource(static_cast<int16_t>(id));
}

}  // namespace

ViewWindowTraits viewTraits(std::string ownClassName, int32_t captionTextId, bool keepsDataSet) {
  ViewWindowTraits t;
  t.ownClassName = std::move(ownClassName);
  t.captionTextId = captionTextId;
  t.asksSaveOnExit = t.hasDynamicMenu = t.hasSeqStartQueue = keepsDataSet;
  return t;
}

ViewWindowTraits outputViewTraits(std::string ownClassName, int32_t captionTextId, bool keepsDataSet) {
  ViewWindowTraits t = viewTraits(std::move(ownClassName), captionTextId, keepsDataSet);
  t.lockedOnContext2 = {"MenuConnect", "MenuDisconnect", "MenuSetAddress"};
  t.enabledOnOtherContext = {"MenuConnect", "MenuDisconnect"};
  t.userLevelWithAdministrator = false;
  t.settingsMenuFollowsItems = false;
  t.dataSourceTooltipWithFileName = false;
  return t;
}

std::optional<int32_t> roundToLong(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double r = std::nearbyint(v);  // the default rounding mode: halves to even
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<int32_t>(r);
}

Hourglass::Hourglass(platform::ui::Form& form) : form_(&form) {
  if (form_->isLoaded()) form_->setProperty("MousePointer", Variant(platform::ui::kHourglass));
}

Hourglass::~Hourglass() {
  try {
    if (form_->isLoaded()) form_->setProperty("MousePointer", Variant(platform::ui::kDefaultPointer));
  } catch (const std::exception&) {
    // A window gone meanwhile has no pointer to restore.
  }
}

// ------------------------------------------------------------------ binding

ViewWindow::ViewWindow(std::string name, std::string designJson, ViewWindowTraits traits)
    : Form(std::move(name), std::move(designJson), &shared::componentPictures(),
           &shared::componentLiveCount()),
      binding_(*this),
      traits_(std::move(traits)) {
  if (traits_.hasSeqStartQueue) seqStartQueue_ = std::make_unique<SeqStartQueue>(*this, binding_);
  if (traits_.hasDynamicMenu) dynamicMenu_ = std::make_unique<DynamicMenu>(*this, traits_.ownClassName);
  on("NotifyTimer", "Timer", [this] { NotifyTimer_Timer(); });
  on("RegisterTimer", "Timer", [this] { RegisterTimer_Timer(); });
  wireStandardMenus();
}

ViewWindow::~ViewWindow() = default;

int32_t ViewWindow::SetAppletItemManagRef(int32_t lViewHandle2,
                                          platform::com::Ptr<tolvar::AppletItemManager> AIMRef) {
  // A window the user has closed stays closed: it is not attached to a host again.
  if (wasUnloaded()) platform::com::raise(err::ObjectUnloaded, "Form '" + name() + "' was unloaded");
  binding_.attach(lViewHandle2, std::move(AIMRef));
  return 0;
}

int32_t ViewWindow::NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                  int32_t lUserLong) {
  binding_.notify(VELUMOR_Notify_Type{lAppletItemHandle, bShadow, lState, lUserLong});
  return 0;
}

void ViewWindow::NotifyTimer_Timer() {
  const std::optional<VELUMOR_Notify_Type> record = binding_.next();
  if (record) Dispatch(*record);
}

void ViewWindow::RegisterTimer_Timer() {
  timer("RegisterTimer").setProperty("Enabled", false);
  Register();
}

void ViewWindow::QueueSeqStart(const std::string& name) {
  if (!seqStartQueue_) platform::com::raise(err::ObjectNotSet, this->name() + " has no sequence-start queue");
  seqStartQueue_->queue(name);
}

void ViewWindow::DisableStartFormEntries() {
  if (dynamicMenu_) dynamicMenu_->DisableStartFormEntries();
}

void ViewWindow::EnableStartFormEntries() {
  if (dynamicMenu_) dynamicMenu_->EnableStartFormEntries();
}

// ------------------------------------------------------------------ load

void ViewWindow::setHelpFile() {
  HelpFile = (shared::componentFolder() / shared::LoadResStringByLang(traits_.helpFileTextId)).string();
}

void ViewWindow::loadMenusAndHelp(std::span<const MenuText> captions) {
  for (const MenuText& m : captions)
    ctl(m.menu).setCaption(shared::LoadResStringByLang(static_cast<int16_t>(m.id)));
  setHelpFile();
  for (const char* never : {"MenuAdjust", "MenuMaintenance", "MenuSpecialist"}) {
    ctl(never).setEnabled(false);
    ctl(never).setVisible(false);
  }
  ctl("MenuS3").setVisible(false);
}

void ViewWindow::applyMinimumSize(std::string_view marker, std::string_view statusBar) {
  FormLoaded_ = false;
  velumor::view_window::applyMinimumSize(*this, MinFormWidth, MinFormHeight, LastFormWidth, LastFormHeight,
                                         marker, statusBar);
}

void ViewWindow::placeProgressFrame() {
  platform::ui::StatusBarControl& bar = statusBar("VelumorStatusBar");
  platform::ui::Control& progress = ctl("ProgressFrame");
  const platform::ui::Panel& source = bar.panel(Variant("StatusBarDataSource"));
  progress.setProperty("BorderStyle", Variant(int16_t{0}));
  progress.setTop(static_cast<double>(bar.top()) + 2.0 * (100.0 / 3));
  progress.setHeight(static_cast<double>(bar.height()) - 100);
  progress.setLeft(static_cast<double>(source.left) + 100.0 / 2);
  progress.setWidth(static_cast<double>(source.width) - 100);
  progress.zOrder(0);
  bar.setPanelToolTip(Variant("StatusBarCommText"),
                      shared::LoadResStringByLang(301) + shared::LoadResStringByLang(310));
  bar.setPanelToolTip(Variant("StatusBarDataSource"), shared::LoadResStringByLang(433));
  for (const char* pair : {"upload", "download", "SequenceProgress"}) {
    platform::ui::Control& bg = ctl(std::string("shp_bg_") + pair);
    bg.setTop(0);
    bg.setHeight(progress.height());
    bg.setLeft(0);
    bg.setWidth(progress.width());
    platform::ui::Control& fg = ctl(std::string("shp_fg_") + pair);
    fg.setTop(bg.top());
    fg.setHeight(bg.height());
    fg.setLeft(bg.left());
    fg.setWidth(0);
  }
}

void ViewWindow::placeProgressFrameOnResize() {
  platform::ui::StatusBarControl& bar = statusBar("VelumorStatusBar");
  platform::ui::Control& progress = ctl("ProgressFrame");
  progress.setTop(static_cast<double>(bar.top()) + 100.0 / 3 + 100.0 / 3);
  progress.setWidth(static_cast<double>(bar.panel(Variant("StatusBarDataSource")).width) - 100);
  for (const char* shape : {"shp_bg_upload", "shp_bg_download", "shp_bg_SequenceProgress"})
    ctl(shape).setWidth(progress.width());
}

bool ViewWindow::takeSizeChange(int32_t& dW, int32_t& dH) {
  if (windowState() == platform::ui::kMinimized) return false;
  if (windowState() == platform::ui::kNormal) {
    // Growing the window back raises Form_Resize again, nested; that run takes its part of
    // the change, so this one finds less or nothing left.
    if (height() < static_cast<float>(MinFormHeight)) setHeight(MinFormHeight);
    if (width() < static_cast<float>(MinFormWidth)) setWidth(MinFormWidth);
  }
  dW = platform::com::cLng(static_cast<double>(width()) - LastFormWidth);
  LastFormWidth = platform::com::cLng(width());
  dH = platform::com::cLng(static_cast<double>(height()) - LastFormHeight);
  LastFormHeight = platform::com::cLng(height());
  return FormLoaded_;
}

bool ViewWindow::hostFrameOffers(std::string_view operation) {
  try {
    if (!binding_.itemManager()) return false;
    platform::com::Ptr<tolvar::HostFrame> frame;
    int32_t status = 0;
    binding_.itemManager()->GetFrame(frame, status);
    if (!frame) return false;
    Variant args[1] = {Variant(true)};
    frame->invokeByName(operation, platform::com::InvokeKind::Method, args);
    return false;
  } catch (const platform::com::RuntimeError& e) {
    return e.number() == err::WrongArgumentCount;
  } catch (const std::exception&) {
    return false;
  }
}

void ViewWindow::probeOptionalFrameOperations(std::string_view openNewMenu, std::string_view saveAsMenu) {
  if (!hostFrameOffers("OpenFromDatabase")) ctl(openNewMenu).setEnabled(false);
  if (!hostFrameOffers("SaveAsToDatabase")) ctl(saveAsMenu).setEnabled(false);
}

// ------------------------------------------------------------------ registration

int32_t ViewWindow::registerItem(const std::string& name, bool flag, int32_t& handle, int32_t tag,
                                 int32_t mode) {
  int32_t status = 0;
  int32_t h = 0;
  binding_.requireItemManager(this->name(), "RegisterItem")
      .RegisterItem(name, flag, binding_.viewHandle(), h, tag, mode, status);
  handle = status == 0 ? h : 0;
  return status;
}

int32_t ViewWindow::registerKitItem(KitItem item, const std::string& name, bool flag) {
  return registerItem(name, flag, kitHandles_[static_cast<size_t>(item)]);
}

void ViewWindow::unadviseItem(int32_t handle) {
  int32_t status = 0;
  binding_.requireItemManager(name(), "UnadviseItem")
      .UnadviseItem(Variant(binding_.viewHandle()), handle, false, status);
}

void ViewWindow::offerTableViewIfTheHostHasIt() {
  int32_t probe = 0;
  if (registerItem("&&Menu_State&&GenericView", false, probe) != 0)
    ctl("MenuTableView").setVisible(false);
  else
    unadviseItem(probe);
}

int32_t ViewWindow::enumerationHandleOf(const std::string& itemName) {
  tolvar::DeviceDescription* dd = binding_.deviceDescription();
  if (!dd) return 0;
  int32_t object = 0;
  int32_t status = 0;
  dd->FindObject("object", itemName, object, status);
  Variant v[6];
  dd->GetObjectInfo(object, v[0], v[1], v[2], v[3], v[4], v[5], status);
  int32_t enumeration = 0;
  dd->FindObject("enumeration", v[4].toString(), enumeration, status);
  return enumeration;
}

void ViewWindow::bindItemHandler() {
  Variant args[2] = {Variant(tolvar::makeFormRef(*this)),
                     Variant(tolvar::makeObjectRef(binding_.itemManagerRef()))};
  ctlAs<platform::ui::UserControl>("VelumorTolvar4CtrlItemHandler")
      .impl()
      .invoke(tolvar::dispid::BindItems, platform::com::InvokeKind::Method, args);
}

void ViewWindow::readDeviceText() {
  tolvar::DeviceDescription* dd = binding_.deviceDescription();
  if (!dd) platform::com::raise(err::ObjectNotSet, name() + ": no device description");
  int32_t status = 0;
  std::string text;
  dd->GetDeviceProperty("DevDescLong", text, status);
  DevDescText_ = shared::StripAtNul(text);
  setCaption(DevDescText_);
}

void ViewWindow::registerSequenceProgressItems(std::vector<int32_t>& handles) {
  tolvar::DeviceDescription* dd = binding_.deviceDescription();
  if (!dd) return;
  int32_t count = 0;
  int32_t status = 0;
  dd->GetObjectCount("sequence", count, status);
  // No sequence: nothing to show progress for.
  if (status != 0 || count < 1) return;
  std::vector<std::string> names(static_cast<size_t>(count));
  int32_t iter = 0;
  dd->GetFirstObject("sequence", iter, status);
  if (status != 0) return;
  dd->GetObjectName(iter, names[0], status);
  if (status != 0) return;
  for (int32_t k = count; k > 1;) {
    --k;
    dd->GetNextObject(iter, status);
    if (status != 0) return;
    dd->GetObjectName(iter, names[static_cast<size_t>(k)], status);
    if (status != 0) return;
  }
  handles.assign(static_cast<size_t>(count), 0);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& n = names[i];
    if (n == "DOWNLOAD" || n == "UPLOAD" || n == "FULL_DOWNLOAD") continue;
    registerItem("&&Sequence_Progress&&" + n, false, handles[i],
                 kSequenceProgressTag | static_cast<int32_t>(i));
  }
}

void ViewWindow::askUpload() {
  tolvar::AppletItemManager& im = binding_.requireItemManager(name(), "AskUpload");
  double v = 0;
  int32_t status = 0;
  im.GetValue(UploadQuestionHandle(), v, status);
  if (status != 0 || v != 1.0) return;
  im.GetValue(ConnectHandle(), v, status);
  if (status != 0 || v != 2.0) return;
  int32_t progress = 0;
  im.GetLongValue(UploadProgressHandle(), progress, status);
  if (progress != 0) return;
  // Kept alive through the box: the host may destroy the view meanwhile.
  platform::com::Ptr<platform::ui::Form> self(this);
  const int32_t answer =
      platform::ui::msgBox(shared::LoadResStringByLang(10321),
                           platform::ui::mb::OKCancel | platform::ui::mb::Exclamation, DevDescText_);
  // The host may have destroyed the window while the question was open.
  if (!alive() || answer != platform::ui::mb::IdOK) return;
  QueueSeqStart("GET_TRANSMITTER_STATE_Octets");
  QueueSeqStart("upload");
}

// ------------------------------------------------------------------ dispatch branches

void ViewWindow::ApplyEngineeringContext(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ApplyEngineeringContext").GetValue(handle, d, status);
  // The host keeps the flag word unsigned.
  const std::optional<int32_t> value = roundToLong(d > 2147483647.0 ? d - 4294967296.0 : d);
  if (!value) return;
  EngineeringContextValue = *value;
  const int32_t described = shared::GetEngineeringContext(binding_.deviceDescription(), handle);
  if (!shared::HasStateBits(*value) || *value == described || EngineeringContextApplied) return;
  EngineeringContextApplied = true;
  setMenuVisible("MenuSetAddress", false);
  if (*value == 2) {
    OnEngineeringContextLocked();
    for (const std::string& m : traits_.lockedOnContext2) setMenuEnabled(m, false);
  } else {
    for (const std::string& m : traits_.enabledOnOtherContext) setMenuEnabled(m, true);
  }
}

void ViewWindow::UpdateCaptionAddress(int32_t handle) {
  std::string s;
  int32_t status = 0;
  binding_.requireItemManager(name(), "UpdateCaption").GetString(handle, s, false, status);
  AddressText = shared::StripAtNul(trimmed(s));
  composeCaption();
}

void ViewWindow::UpdateCaptionDescriptor(int32_t handle) {
  std::string s;
  int32_t status = 0;
  binding_.requireItemManager(name(), "UpdateCaption").GetValueText(handle, s, false, status);
  // A descriptor with a NUL would cut the window title short at the NUL anyway.
  DescriptorText = shared::StripAtNul(trimmed(s));
  composeCaption();
}

void ViewWindow::composeCaption() {
  const std::string lead = traits_.captionTextId > 0
                               ? shared::LoadResStringByLang(static_cast<int16_t>(traits_.captionTextId))
                               : "";
  setCaption(lead + "[" + AddressText + "] " + DevDescText_ + ": " + DescriptorText);
}

void ViewWindow::ShowConnectionState(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ShowConnectionState").GetValue(handle, d, status);
  const std::optional<int32_t> s = roundToLong(d);
  if (!s) return;
  ConnectionState_ = *s;
  platform::ui::StatusBarControl& bar = statusBar_.get(*this);
  const Variant panel("StatusBarCommText");
  // An unknown state has no picture: the panel's picture is cleared, its text stays readable.
  bar.setPanelPicture(panel, shared::loadBitmap(int64_t{400} + *s));
  const std::string text = textOrEmpty(310 + static_cast<int64_t>(*s));
  bar.setPanelText(panel, text);
  bar.setPanelToolTip(panel, shared::LoadResStringByLang(301) + text);
  OnConnectionState(*s);
}

void ViewWindow::ShowDataSource(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ShowDataSource").GetValueEx(handle, d, false, status);
  const std::optional<int32_t> src = roundToLong(d);
  if (!src) return;
  DataSourceValue = *src;
  platform::ui::StatusBarControl& bar = statusBar_.get(*this);
  const Variant panel("StatusBarDataSource");
  bar.setPanelPicture(panel, shared::loadBitmap(int64_t{500} + *src));
  const std::string suffix = traits_.dataSourceTooltipWithFileName ? "     " + DataFileName_ : "";
  if (*src == 1 || *src == 2)
    bar.setPanelToolTip(panel, shared::LoadResStringByLang(*src == 1 ? 433 : 434) + suffix);
  if (!traits_.settingsMenuFollowsItems) return;
  if (*src == 1 || *src == 2 || *src == 0) {
    setChecked(menuSourceFile_, *src == 1);
    setChecked(menuSourceDevice_, *src == 2);
  }
}

void ViewWindow::ShowFileName(int32_t handle) {
  std::string s;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ShowFileName").GetString(handle, s, false, status);
  DataFileName_ = shared::StripAtNul(s);
  platform::ui::StatusBarControl& bar = statusBar_.get(*this);
  const Variant panel("StatusBarDataSource");
  uint8_t width = 32;
  bar.setPanelText(panel, shared::CompactPath(DataFileName_, width));
  if (DataSourceValue == 1 || DataSourceValue == 2)
    bar.setPanelToolTip(
        panel, shared::LoadResStringByLang(DataSourceValue == 1 ? 433 : 434) + "     " + DataFileName_);
}

void ViewWindow::ShowUserLevel(int32_t handle) {
  double d = 0;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ShowUserLevel").GetValueEx(handle, d, false, status);
  const std::optional<int32_t> level = roundToLong(d);
  if (!level) return;
  static const Variant panel("StatusBarUser");
  statusBar_.get(*this).setPanelText(panel, userLevelText(*level));
  if (!traits_.settingsMenuFollowsItems) return;
  if (*level == 0 || *level == 1) {
    setChecked(menuMaintenance_, *level == 0);
    setChecked(menuSpecialist_, *level == 1);
  }
}

const std::string& ViewWindow::userLevelText(int32_t level) {
  const uint16_t lang = platform::res::userDefaultLangId();
  if (lang != userLevelTextsLang_ || userLevelTexts_.size() >= kUserLevelTextsKept) {
    userLevelTexts_.clear();
    userLevelTextsLang_ = lang;
  }
  for (const auto& [kept, text] : userLevelTexts_)
    if (kept == level) return text;
  std::string text = textOrEmpty(320 + static_cast<int64_t>(level));
  if (traits_.userLevelWithAdministrator) text += "." + shared::LoadResStringByLang(330);
  userLevelTexts_.emplace_back(level, std::move(text));
  return userLevelTexts_.back().second;
}

void ViewWindow::ShowProgress(std::string_view pair, int32_t handle) {
  int32_t p = 0;
  int32_t status = 0;
  binding_.requireItemManager(name(), "ShowProgress").GetLongValue(handle, p, status);
  platform::ui::Control& bg = ctl("shp_bg_" + std::string(pair));
  platform::ui::Control& fg = ctl("shp_fg_" + std::string(pair));
  platform::ui::Control& frame = ctl("ProgressFrame");
  if (p != 0 && p != 100) {
    // A progress outside 0 to 100 draws an empty or a full bar, never one wider than its frame.
    fg.setWidth(static_cast<double>(bg.width()) * std::clamp(p, 0, 100) / 100.0);
    bg.setVisible(true);
    fg.setVisible(true);
    frame.setVisible(true);
  } else {
    bg.setVisible(false);
    fg.setVisible(false);
    frame.setVisible(false);
  }
}

void ViewWindow::ApplyMenuState(int32_t handle, int32_t tag) {
  if (dynamicMenu_) dynamicMenu_->ApplyMenuState(handle, tag);
}

// ------------------------------------------------------------------ commands

void ViewWindow::frameCommand(const std::string& who,
                              const std::function<void(tolvar::HostFrame&, int32_t&)>& call) {
  platform::com::Ptr<tolvar::HostFrame> frame = binding_.frame(name() + "." + who);
  int32_t status = 0;
  call(*frame, status);
}

void ViewWindow::openView(const std::string& progId, bool hourglass) {
  std::optional<Hourglass> busy;
  if (hourglass) busy.emplace(*this);
  frameCommand("OpenView", [&](tolvar::HostFrame& f, int32_t& s) { f.OpenView(progId, s); });
}

void ViewWindow::showHelpContents() {
  auto& dialog = ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg");
  dialog.setProperty("HelpFile", Variant(HelpFile));
  dialog.setProperty("HelpCommand", Variant(platform::ui::help::Contents));
  dialog.ShowHelp();
}

void ViewWindow::openWebPage() {
  platform::ui::Services::shell().openUrl(kMakerWebAddress);
}

void ViewWindow::openSoftService() {
  SoftServiceWindow = shared::windows::showSoftServiceWindow();
}

void ViewWindow::openReadMe() {
  ReadMeWindow = shared::windows::showReadMeWindow();
}

void ViewWindow::openAbout() {
  platform::com::Ptr<platform::ui::Form> self(this);
  platform::com::Ptr<platform::ui::Form> about = shared::windows::showAboutWindow();
  // Closed from outside while the About window was open: it goes with this window's unload,
  // which has run already.
  if (!alive()) {
    if (about && about->isLoaded()) about->unload();
    return;
  }
  AboutWindow = std::move(about);
}

void ViewWindow::chooseDataSource(int32_t source, int32_t handle) {
  setMenuChecked("MenuSourceFile", source == 1);
  setMenuChecked("MenuSourceDevice", source == 2);
  int32_t status = 0;
  binding_.requireItemManager(name(), "MenuSource").SetValue(handle, static_cast<double>(source), status);
  // The window with this caption is this window.
  if (alive() && getProperty("Visible").toBool()) platform::ui::Services::interaction().activate(*this);
}

void ViewWindow::wireStandardMenus() {
  using F = tolvar::HostFrame;
  auto byName = [this](const char* operation) {
    try {
      platform::com::Ptr<F> frame = binding_.frame(name() + "." + operation);
      frame->invokeByName(operation, platform::com::InvokeKind::Method, {});
    } catch (const std::exception&) {
      // A host without the operation: the entry does nothing.
    }
  };
  on("MenuOpenNew", "Click", [byName] { byName("OpenFromDatabase"); });
  on("MenuSaveAs", "Click", [byName] { byName("SaveAsToDatabase"); });
  on("MenuLoadDB", "Click",
     [this] { frameCommand("LoadFromDatabase", [](F& f, int32_t& s) { f.LoadFromDatabase(0, s); }); });
  on("MenuSaveDB", "Click",
     [this] { frameCommand("SaveToDatabase", [](F& f, int32_t& s) { f.SaveToDatabase(0, s); }); });
  on("MenuExit", "Click", [this] { unload(); });
  on("MenuConnect", "Click", [this] { frameCommand("Connect", [](F& f, int32_t& s) { f.Connect(0, s); }); });
  on("MenuDisconnect", "Click",
     [this] { frameCommand("Disconnect", [](F& f, int32_t& s) { f.Disconnect(0, s); }); });
  on("MenuSetAddress", "Click",
     [this] { frameCommand("SetAddress", [](F& f, int32_t& s) { f.SetAddress(0, s); }); });
  on("MenuLoadDev", "Click",
     [this] { frameCommand("LoadFromDevice", [](F& f, int32_t& s) { f.LoadFromDevice(0, s); }); });
  on("MenuSaveDev", "Click", [this] { QueueSeqStart("FULL_DOWNLOAD"); });
  on("MenuAdjust", "Click", [this] {
    int32_t status = 0;
    binding_.requireItemManager(name(), "MenuAdjust").SetBoolValue(kitHandle(KitItem::Adjust), true, status);
  });
  on("MenuTableView", "Click", [this] { openView("GenericView.GenericViewClass"); });
  on("MenuData", "Click", [this] { openView("Velumor.VelumorMainViewClass"); });
  on("MenuDiag", "Click", [this] { openView("Velumor.VelumorDiagViewClass"); });
  on("MenuSimulation", "Click", [this] { openView("Velumor.VelumorSimulationClass"); });
  on("MenuDisplayBar", "Click", [this] { openView("Velumor.VelumorDisplayBarClass"); });
  on("MenuDisplayDigital", "Click", [this] { openView("Velumor.VelumorDisplayDigitalClass"); });
  on("MenuDisplayAnalog", "Click", [this] { openView("Velumor.VelumorDisplayAnalogClass"); });
  on("MenuDisplayTrend", "Click", [this] { openView("Velumor.VelumorDisplayTrendClass"); });
  on("MenuMaintenance", "Click", [this] {
    setMenuChecked("MenuMaintenance", true);
    setMenuChecked("MenuSpecialist", false);
    int32_t status = 0;
    binding_.requireItemManager(name(), "MenuMaintenance").SetValue(UserLevelHandle(), 0.0, status);
  });
  on("MenuSpecialist", "Click", [this] {
    setMenuChecked("MenuMaintenance", false);
    setMenuChecked("MenuSpecialist", true);
    int32_t status = 0;
    binding_.requireItemManager(name(), "MenuSpecialist").SetValue(UserLevelHandle(), 1.0, status);
  });
  on("MenuSourceFile", "Click", [this] { chooseDataSource(1, CurrentSourceHandle()); });
  on("MenuSourceDevice", "Click", [this] { chooseDataSource(2, CurrentSourceHandle()); });
  on("MenuContents", "Click", [this] { showHelpContents(); });
  on("MenuIndex", "Click", [this] { showHelpContents(); });
  on("MenuMirvel", "Click", [this] { openWebPage(); });
  on("MenuService", "Click", [this] { openSoftService(); });
  on("MenuReadMe", "Click", [this] { openReadMe(); });
  on("MenuAbout", "Click", [this] { openAbout(); });
  if (seqStartQueue_) on("SeqStartTimer", "Timer", [this] { seqStartQueue_->tick(); });
  if (dynamicMenu_)
    on("dynaMenuEntry", "Click",
       [this](const platform::ui::EventArgs& a) { dynamicMenu_->dynaMenuEntry_Click(a.index); });
}

void ViewWindow::Form_MouseUp(int16_t Button, int16_t Shift, float X, float Y) {
  if (dynamicMenu_) dynamicMenu_->ShowContextMenu(Button);
}

// ------------------------------------------------------------------ unload

void ViewWindow::reported(std::string_view step, const std::function<void()>& f) {
  platform::ui::EventLoop::instance().runReported(name() + ".Form_Unload " + std::string(step), f);
}

void ViewWindow::unloadViewWindow() {
  // A second close, or a host Destroy during one of the unload's own boxes, finds the work
  // done or under way.
  if (unloadStarted_) return;
  unloadStarted_ = true;

  reported("(own steps)", [&] { UnloadOwnSteps(); });
  if (hasControl("VelumorCommonDlg")) {
    reported("(help)", [&] {
      auto& dialog = ctlAs<platform::ui::CommonDialogControl>("VelumorCommonDlg");
      dialog.setProperty("HelpCommand", Variant(platform::ui::help::Quit));
      dialog.ShowHelp();
    });
  }
  if (traits_.asksSaveOnExit) reported("(save question)", [&] { askSaveOnExit(); });
  for (platform::com::Ptr<platform::ui::Form>* child : {&AboutWindow, &SoftServiceWindow, &ReadMeWindow}) {
    if (!*child) continue;
    platform::com::Ptr<platform::ui::Form> window = std::move(*child);
    *child = nullptr;
    reported("(child window)", [&] {
      if (window->isLoaded()) window->unload();
    });
  }
  if (hasControl("VelumorTolvar4CtrlItemHandler")) {
    reported("(host controls)", [&] {
      auto& handler = ctlAs<platform::ui::UserControl>("VelumorTolvar4CtrlItemHandler");
      handler.impl().invoke(tolvar::dispid::ReleaseItems, platform::com::InvokeKind::Method, {});
    });
  }
  reported("(release view)", [&] { binding_.releaseView(ViewRef); });
  // No tick of this window runs once it has let go of the host.
  reported("(timers)", [&] {
    for (const auto& c : controls())
      if (auto* t = dynamic_cast<platform::ui::TimerControl*>(c.get())) t->setProperty("Enabled", false);
  });
  if (seqStartQueue_) reported("(sequence queue)", [&] { seqStartQueue_->clear(); });
  binding_.detach();
}

void ViewWindow::askSaveOnExit() {
  tolvar::AppletItemManager* im = binding_.itemManager();
  // Without an item manager there is no host data set to save.
  if (!im) return;
  bool dirty = false;
  int32_t status = 0;
  im->GetBoolValue(DirtyHandle(), dirty, status);
  if (status != 0) return;
  double saveOnExit = 0;
  im->GetValue(SaveToDataBaseOnExitHandle(), saveOnExit, status);
  if (status != 0 || saveOnExit != 1.0 || !dirty) return;
  if (platform::ui::msgBox(shared::LoadResStringByLang(95), platform::ui::mb::YesNo, DevDescText_) !=
      platform::ui::mb::IdYes)
    return;
  // The window may have lost its item manager while the question was open.
  if (!binding_.itemManager()) return;
  platform::com::Ptr<tolvar::HostFrame> frame = binding_.frame(name() + ".Form_Unload");
  int32_t saveStatus = 0;
  frame->SaveToDatabase(0, saveStatus);
}

// ------------------------------------------------------------------ menu helpers

namespace {

// "Name" or "Name(3)" as name and index (-1 for none).
std::pair<std::string_view, int32_t> splitIndex(std::string_view n) {
  const size_t open = n.find('(');
  if (open == std::string_view::npos || n.back() != ')') return {n, -1};
  int32_t index = 0;
  for (char c : n.substr(open + 1, n.size() - open - 2)) {
    if (c < '0' || c > '9') return {n, -1};
    index = index * 10 + (c - '0');
  }
  return {n.substr(0, open), index};
}

}  // namespace

void ViewWindow::setMenuEnabled(std::string_view n, bool enabled) {
  const auto [name, index] = splitIndex(n);
  if (platform::ui::Control* c = findControl(name, index)) c->setEnabled(enabled);
}

void ViewWindow::setMenuVisible(std::string_view n, bool visible) {
  const auto [name, index] = splitIndex(n);
  if (platform::ui::Control* c = findControl(name, index)) c->setVisible(visible);
}

void ViewWindow::setChecked(KeptControl<platform::ui::Control>& menu, bool checked) {
  platform::ui::Control* c = menu.find(*this);
  if (!c) return;
  if (c->type() == platform::ui::ControlType::Menu)
    static_cast<platform::ui::MenuControl*>(c)->setChecked(checked);
  else
    c->setProperty("Checked", checked);
}

void ViewWindow::setMenuChecked(std::string_view n, bool checked) {
  const auto [name, index] = splitIndex(n);
  if (platform::ui::Control* c = findControl(name, index)) c->setProperty("Checked", checked);
}

}  // namespace velumor::view_window
