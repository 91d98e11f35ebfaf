#include "tolvar/sim/host_session.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <system_error>
#include <utility>

#include "platform/com/error.h"
#include "platform/com/hex.h"
#include "platform/com/registry.h"
#include "platform/res/language.h"
#include "platform/res/resource_module.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "tolvar/sim/applet_utility.h"
#include "tolvar/sim/dataset_database.h"
#include "tolvar/sim/device_description.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/host_frame.h"
#include "tolvar/sim/host_scheduler.h"
#include "tolvar/sim/item_manager.h"
#include "tolvar/sim/item_store.h"
#include "tolvar/sim/item_values.h"
#include "tolvar/sim/rq4400_simulator.h"
#include "tolvar/sim/sequence_engine.h"
#include "tolvar/sim/status.h"

#ifndef VELUMOR_SOURCE_DIR
#define VELUMOR_SOURCE_DIR "."
#endif

namespace tolvar::sim {

using platform::com::ByteArray;
using platform::com::equalsNoCase;

namespace {

std::string describeError(const std::exception& e) {
  if (const auto* r = dynamic_cast<const platform::com::RuntimeError*>(&e)) return r->description();
  return e.what();
}

// The description the options name, or the default one.
Result<std::shared_ptr<const dd::DeviceData>> loadDescription(const HostOptions& options) {
  auto loaded =
      dd::loadDeviceData(options.deviceFile.empty() ? HostSession::defaultDeviceFile() : options.deviceFile,
                         HostSession::descriptionLanguage(options));
  if (!loaded) return loaded.error();
  return std::make_shared<const dd::DeviceData>(std::move(loaded).value());
}

}  // namespace

std::string HostSession::descriptionLanguage(const HostOptions& options) {
  if (!options.language.empty()) return options.language;
  return platform::res::primaryLanguage(platform::res::userDefaultLangId()) ==
                 platform::res::primaryLanguage(platform::res::kLangGerman)
             ? "de"
             : "en";
}

std::filesystem::path HostSession::defaultDeviceFile() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    auto beside = exe.parent_path() / "devices" / "rq4400.json";
    if (std::filesystem::exists(beside, ec)) return beside;
  }
  return std::filesystem::path(VELUMOR_SOURCE_DIR) / "tolvar" / "devices" / "rq4400.json";
}

Result<std::unique_ptr<HostSession>> HostSession::open(HostOptions options) {
  auto data = loadDescription(options);
  if (!data) return data.error();
  return std::unique_ptr<HostSession>(new HostSession(std::move(options), std::move(data).value()));
}

HostSession::HostSession(const HostOptions& options)
    : HostSession(options, loadDescription(options).value()) {}

HostSession::HostSession(HostOptions options, std::shared_ptr<const dd::DeviceData> data)
    : options_(std::move(options)), link_(std::make_shared<SessionLink>()), data_(std::move(data)) {
  if (options_.deviceFile.empty()) options_.deviceFile = defaultDeviceFile();
  if (options_.databaseFile.empty()) options_.databaseFile = DataSetDatabase::defaultPath();
  if (options_.registryFile.empty()) options_.registryFile = platform::com::ClassRegistry::defaultPath();

  store_ = std::make_unique<ItemStore>(data_);
  scheduler_ = std::make_unique<HostScheduler>();
  simulator_ = std::make_unique<Rq4400Simulator>(*store_, *scheduler_);
  sequences_ = std::make_unique<SequenceEngine>(*store_, *scheduler_, *simulator_);
  database_ = std::make_unique<DataSetDatabase>(options_.databaseFile);
  database_->setBusyTimeoutMs(options_.databaseBusyTimeoutMs);
  loader_ = std::make_unique<platform::com::ServerLoader>(options_.registryFile);

  link_->session = this;
  itemManager_ = Ptr<AppletItemManager>(new ItemManager(link_));
  deviceDescription_ = platform::com::makeObject<SimDeviceDescription>(data_);
  frame_ = std::make_unique<FrameOperations>(*this);

  store_->setViewResolver([this](int32_t handle) { return viewOf(handle); });
  sequences_->setConnectedCheck([this] { return connectionState() == Connected; });
  sequences_->setFinishedListener(
      [this](const std::string& seq, bool adjust, bool ok) { onSequenceFinished(seq, adjust, ok); });
  loader_->registerBuiltin(kAppletUtilityProgId, [] {
    return Ptr<platform::com::Unknown>(platform::com::makeObject<SimAppletUtility>());
  });
  // Components create the host's classes (the applet utility) by ProgID through this loader.
  platform::com::setProcessLoader(loader_.get());

  setHostItem("&&private_PM&&Address", Variant(options_.address));
}

HostSession::~HostSession() {
  endSession();
  link_->session = nullptr;
  if (platform::com::processLoader() == loader_.get()) platform::com::setProcessLoader(nullptr);
  sequences_.reset();
  simulator_.reset();
  scheduler_.reset();
}

void HostSession::endSession() {
  // Newest first, as a host closes its windows; each view's own release happens on the way.
  platform::ui::EventLoop::instance().setHostEnding(true);
  while (!views_.empty()) {
    const int32_t handle = views_.back().opened.handle;
    destroyView(handle);
    // Refused (the user kept a guarded window): the host ends all the same and lets go of the
    // view; its window then closes with it, without asking again.
    if (!views_.empty() && views_.back().opened.handle == handle) {
      store_->releaseView(handle);
      views_.pop_back();
    }
  }
  closeOrphanWindows();
  platform::ui::EventLoop::instance().setHostEnding(false);
}

void HostSession::closeOrphanWindows() {
  // A shown window lives until it is unloaded; once its view is gone nothing else would unload
  // it (a guarded window the host let go of, a read-me window a closed view left open), so the
  // end of the host closes them as their owner going away does. Newest first, and each once: an
  // unload may close others, and one that still refuses is left.
  std::vector<const platform::ui::Form*> tried;
  for (;;) {
    platform::ui::Form* next = nullptr;
    const std::vector<platform::ui::Form*> forms = platform::ui::allForms();
    for (auto it = forms.rbegin(); it != forms.rend() && !next; ++it)
      if ((*it)->heldUntilUnload() && std::find(tried.begin(), tried.end(), *it) == tried.end()) next = *it;
    if (!next) return;
    tried.push_back(next);
    platform::com::Ptr<platform::ui::Form> keep(next);
    next->unload(platform::ui::kUnloadFormOwner);
  }
}

HostItemAccess* HostSession::itemAccess() const {
  return static_cast<ItemManager*>(itemManager_.get());
}

Ptr<DeviceDescription> HostSession::deviceDescription() const {
  return Ptr<DeviceDescription>(deviceDescription_);
}

Ptr<HostFrame> HostSession::createFrame() {
  return Ptr<HostFrame>(platform::com::makeObject<SimHostFrame>(link_));
}

void HostSession::setHostItem(const char* name, const Variant& v) {
  store_->set(name, v);
}

void HostSession::markDirty() {
  setHostItem("&&private&&Dirty", Variant(true));
}

int32_t HostSession::connectionState() const {
  const int32_t i = store_->indexOf("&&private&&connect");
  if (i < 0) return Disconnected;
  const double v = numberOf(store_->value(i)).value_or(0.0);
  return std::isfinite(v) ? static_cast<int32_t>(std::lround(v)) : Disconnected;
}

void HostSession::message(const std::string& text) {
  messages_.push_back(text);
  if (messageListener_) messageListener_(text);
}

std::vector<std::string> HostSession::takeHostMessages() {
  std::vector<std::string> out;
  out.swap(messages_);
  return out;
}

// ------------------------------------------------------------------ views

// Every notification finds its view here. Handles are handed out in increasing order and
// views_ only grows at its end, so it stays sorted by handle.
HostSession::ViewEntry* HostSession::entryOf(int32_t handle) {
  return const_cast<ViewEntry*>(std::as_const(*this).entryOf(handle));
}

const HostSession::ViewEntry* HostSession::entryOf(int32_t handle) const {
  auto it = std::lower_bound(views_.begin(), views_.end(), handle,
                             [](const ViewEntry& e, int32_t h) { return e.opened.handle < h; });
  return it != views_.end() && it->opened.handle == handle ? &*it : nullptr;
}

void HostSession::registerBuiltinView(std::string progId,
                                      std::function<Ptr<platform::com::Unknown>()> factory) {
  builtinIds_.push_back(progId);
  loader_->registerBuiltin(std::move(progId), std::move(factory));
}

Result<Ptr<View>> HostSession::openView(const std::string& progId, bool openedByHost) {
  Ptr<platform::com::Unknown> object;
  try {
    object = loader_->createObject(progId);
  } catch (const std::exception& e) {
    return Status::fail(Reason::NotFound, describeError(e));
  }
  Ptr<View> view = platform::com::queryInterface<View>(object);
  if (!view) return Status::fail(Reason::Refused, "The class \"" + progId + "\" is not a view");
  const int32_t handle = nextViewHandle_++;
  views_.push_back(ViewEntry{OpenedView{handle, progId, view, openedByHost}, false});
  auto fail = [&](const std::string& what) {
    destroyView(handle);
    return Status::fail(Reason::Refused, "The view \"" + progId + "\" could not be opened: " + what);
  };
  try {
    const int32_t st = view->SetAppletItemManagRef(handle, itemManager_);
    if (st != 0) return fail("it refused the item manager (status " + std::to_string(st) + ")");
    const int32_t shown = view->Show();
    if (shown != 0) return fail("it could not be shown (status " + std::to_string(shown) + ")");
  } catch (const std::exception& e) {
    return fail(describeError(e));
  }
  if (viewOpened_) {
    if (const ViewEntry* e = entryOf(handle)) viewOpened_(e->opened);
  }
  return view;
}

bool HostSession::destroyView(const Ptr<View>& view) {
  const int32_t handle = viewHandleOf(view.get());
  return handle != 0 && destroyView(handle);
}

bool HostSession::destroyView(int32_t viewHandle) {
  ViewEntry* e = entryOf(viewHandle);
  if (!e) return false;
  Ptr<View> view = e->opened.view;  // keeps the view alive through its own Destroy
  // No notification reaches a view being destroyed, but its registrations stay until Destroy
  // has returned: its unload still reads items (the save question) and releases itself.
  e->released = true;
  int32_t status = 0;
  try {
    status = view->Destroy();
  } catch (const std::exception& ex) {
    platform::ui::EventLoop::instance().reportError("View.Destroy", describeError(ex));
  }
  // The view may have opened or released others meanwhile; look the entry up again.
  if (status != 0) {
    // Refused (a window's close guard kept it open): the view stays the host's, registered as
    // before, and is destroyed again when the host ends. Forgotten here, it would live on,
    // owned by its own window, and never be destroyed.
    if (ViewEntry* kept = entryOf(viewHandle)) kept->released = false;
    return true;
  }
  store_->releaseView(viewHandle);
  views_.erase(std::remove_if(views_.begin(), views_.end(),
                              [viewHandle](const ViewEntry& v) { return v.opened.handle == viewHandle; }),
               views_.end());
  return true;
}

std::vector<OpenedView> HostSession::views() const {
  std::vector<OpenedView> out;
  for (const auto& e : views_)
    if (!e.released) out.push_back(e.opened);
  return out;
}

std::vector<Ptr<View>> HostSession::hostOpenedViews() const {
  std::vector<Ptr<View>> out;
  for (const auto& e : views_)
    if (!e.released && e.opened.openedByHost) out.push_back(e.opened.view);
  return out;
}

int32_t HostSession::viewHandleOf(const View* view) const {
  if (!view) return 0;
  for (const auto& e : views_)
    if (e.opened.view.get() == view) return e.opened.handle;
  return 0;
}

Ptr<View> HostSession::viewOf(int32_t viewHandle) const {
  const ViewEntry* e = entryOf(viewHandle);
  return e && !e->released ? e->opened.view : Ptr<View>();
}

int32_t HostSession::releaseView(const View* view) {
  const int32_t handle = viewHandleOf(view);
  ViewEntry* e = entryOf(handle);
  if (!e) return kStatusBadHandle;
  store_->releaseView(handle);
  if (e->released) return 0;
  e->released = true;
  // The view is inside its own call now: let go of it only once that call has returned.
  std::weak_ptr<SessionLink> weak = link_;
  platform::ui::EventLoop::instance().post([weak, handle] {
    auto link = weak.lock();
    if (!link || !link->session) return;
    auto& list = link->session->views_;
    list.erase(
        std::remove_if(list.begin(), list.end(),
                       [handle](const ViewEntry& v) { return v.opened.handle == handle && v.released; }),
        list.end());
  });
  return 0;
}

// ------------------------------------------------------------------ host-side access

Status HostSession::setItem(const std::string& name, const Variant& value, bool shadowOnly) {
  const int32_t i = store_->indexOf(name);
  if (i < 0) return Status::fail(Reason::NotFound, "There is no item \"" + name + "\"");
  const auto& def = store_->def(i);
  Variant v;
  switch (value.type()) {
    case platform::com::VarType::String:
      v = hostValueFromText(def, value.toString());
      break;
    case platform::com::VarType::ByteArray: {
      auto o = valueFromOctets(def, value.byteArray().data);
      if (!o) return Status::fail(Reason::InvalidArgument, "The item \"" + def.name + "\" holds no octets");
      v = *o;
      break;
    }
    case platform::com::VarType::Boolean:
      v = def.type == dd::ValueType::Bool ? value : Variant(value.toDouble());
      break;
    default:
      if (!value.isNumeric()) {
        v = value;
        break;
      }
      if (def.type == dd::ValueType::Bytes)
        return Status::fail(Reason::InvalidArgument,
                            "The item \"" + def.name + "\" holds octets: write them as bytes");
      v = hostValueFromNumber(def, value.toDouble());
  }
  if (shadowOnly)
    store_->setShadow(i, v);
  else
    store_->set(i, v);
  simulator_->hostItemWritten(i);
  return {};
}

Status HostSession::setBytes(const std::string& name, const ByteArray& octets) {
  return setItem(name, Variant(octets), false);
}

std::optional<Variant> HostSession::itemValue(const std::string& name) const {
  const int32_t i = store_->indexOf(name);
  if (i < 0) return std::nullopt;
  return store_->value(i);
}

std::string HostSession::itemsJson() const {
  nlohmann::ordered_json out = nlohmann::ordered_json::object();
  for (int32_t i = 0; i < store_->itemCount(); ++i) {
    const Variant& v = store_->value(i);
    nlohmann::ordered_json j;
    switch (v.type()) {
      case platform::com::VarType::Empty:
      case platform::com::VarType::Null:
        j = nullptr;
        break;
      case platform::com::VarType::Boolean:
        j = v.toBool();
        break;
      case platform::com::VarType::String:
        j = v.toString();
        break;
      case platform::com::VarType::ByteArray:
        j = platform::com::hexOctets(v.byteArray().data);
        break;
      default:
        if (v.isNumeric() && std::isfinite(v.toDouble()))
          j = v.toDouble();
        else
          j = v.debugString();
    }
    out[store_->name(i)] = std::move(j);
  }
  return out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

Status HostSession::scenario(const std::string& name) {
  return simulator_->scenario(name);
}

void HostSession::injectResponse(const std::string& record, uint8_t code) {
  simulator_->injectResponse(record, code);
}

// ------------------------------------------------------------------ frame

Result<std::string> HostSession::frame(const std::string& operation, const std::vector<std::string>& args) {
  return frame_->call(operation, args);
}

std::string HostSession::currentDataSet() const {
  return frame_->currentDataSet();
}

void HostSession::setAddressProvider(std::function<std::optional<std::string>(const std::string&)> provider) {
  frame_->setAddressProvider(std::move(provider));
}

void HostSession::setDataSetChooser(
    std::function<std::optional<std::string>(bool, const std::vector<std::string>&, const std::string&)>
        chooser) {
  frame_->setDataSetChooser(std::move(chooser));
}

// ------------------------------------------------------------------ sequences

void HostSession::onSequenceFinished(const std::string& sequence, bool adjust, bool ok) {
  if (ok && !adjust && equalsNoCase(sequence, "UPLOAD"))
    setHostItem("&&private&&CurrentSource", Variant(2.0));  // the data now comes from the device
}

}  // namespace tolvar::sim
