#include "tolvar/sim/frame_operations.h"

#include <cctype>
#include <utility>

#include "platform/com/error.h"
#include "platform/com/loader.h"
#include "platform/com/registry.h"
#include "platform/com/text.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tolvar/sim/dataset_database.h"
#include "tolvar/sim/host_scheduler.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/item_store.h"
#include "tolvar/sim/item_values.h"
#include "tolvar/sim/rq4400_simulator.h"
#include "tolvar/sim/sequence_engine.h"
#include "tolvar/sim/status.h"

namespace tolvar::sim {

using platform::com::equalsNoCase;

namespace {

constexpr int16_t kNormal = 0;
constexpr int16_t kMinimized = 1;

}  // namespace

Result<std::string> checkedAddress(const std::string& text) {
  const std::string t(platform::com::trim(text));
  const bool digits = !t.empty() && t.find_first_not_of("0123456789") == std::string::npos;
  if (digits && t.size() <= 3 && std::stoi(t) <= kMaxPollingAddress) return std::to_string(std::stoi(t));
  // The six-bit set is plain ASCII, so a fitting tag has one octet a character.
  if (!digits && !t.empty() && t.size() <= static_cast<size_t>(kMaxTagLength) && fitsPackedAscii(t)) {
    std::string upper = t;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
  }
  return Status::fail(Reason::InvalidArgument,
                      "\"" + t + "\" is no device address: give a polling address from 0 to " +
                          std::to_string(kMaxPollingAddress) + " or a tag of 1 to " +
                          std::to_string(kMaxTagLength) +
                          " characters (letters, digits, blank and punctuation)");
}

FrameOperations::FrameOperations(HostSession& session)
    : session_(session),
      options_(session.options()),
      data_(&session.deviceData()),
      store_(&session.store()),
      scheduler_(&session.scheduler()),
      simulator_(&session.simulator()),
      sequences_(&session.sequences()),
      database_(&session.database()),
      currentDataSet_(DataSetDatabase::kDefaultSet) {}

// ------------------------------------------------------------------ connection

int32_t FrameOperations::connect() {
  const int32_t state = session_.connectionState();
  if (state == Connected || state == Connecting) return 0;
  if (connectJob_) scheduler_->cancel(connectJob_);
  session_.setHostItem("&&private&&connect", Variant(static_cast<double>(Connecting)));
  connectJob_ = scheduler_->after(HostSession::kConnectMs, [this] {
    connectJob_ = 0;
    simulator_->setOnline(true);
    session_.setHostItem("&&private&&connect", Variant(static_cast<double>(Connected)));
  });
  return 0;
}

int32_t FrameOperations::disconnect() {
  const int32_t state = session_.connectionState();
  if (state == Disconnected || state == Disconnecting) return 0;
  if (connectJob_) scheduler_->cancel(connectJob_);
  sequences_->abort();
  simulator_->setOnline(false);
  session_.setHostItem("&&private&&connect", Variant(static_cast<double>(Disconnecting)));
  connectJob_ = scheduler_->after(HostSession::kDisconnectMs, [this] {
    connectJob_ = 0;
    session_.setHostItem("&&private&&connect", Variant(static_cast<double>(Disconnected)));
    // A new connection starts with no progress shown.
    for (const auto& s : data_->sequences) store_->set(dd::sequenceProgressItem(s.name), Variant(0.0));
  });
  return 0;
}

int32_t FrameOperations::setAddress() {
  const int32_t i = store_->indexOf("&&private_PM&&Address");
  const std::string current = i >= 0 ? store_->value(i).toString() : std::string();
  std::optional<std::string> chosen = addressProvider_ ? addressProvider_(current) : options_.address;
  if (!chosen) return kStatusCancelled;
  const Result<std::string> address = checkedAddress(*chosen);
  if (!address) {
    session_.message(address.text());
    return kStatusBadArgument;
  }
  session_.setHostItem("&&private_PM&&Address", Variant(address.value()));
  return 0;
}

// ------------------------------------------------------------------ sequences

int32_t FrameOperations::startSequence(const std::string& name, int32_t& result) {
  result = sequences_->start(name);
  return result == 0 || result == kHostBusy ? 0 : result;
}

int32_t FrameOperations::adjustSequence(const std::string& name, int32_t& result) {
  result = sequences_->adjust(name);
  return result == 0 || result == kHostBusy || result == kHostAdjustFinished ? 0 : result;
}

int32_t FrameOperations::loadFromDevice() {
  int32_t result = 0;
  startSequence("UPLOAD", result);
  return result;
}

// ------------------------------------------------------------------ data sets

int32_t FrameOperations::saveDataSet(const std::string& name) {
  DataSetDatabase::Items items;
  for (int32_t i = 0; i < store_->itemCount(); ++i)
    if (store_->def(i).dataSet) items.emplace_back(store_->name(i), store_->value(i));
  if (const Status saved = database_->save(name, data_->device, items); !saved) {
    session_.message(saved.text());
    return kStatusDatabase;
  }
  currentDataSet_ = name;
  session_.setHostItem("&&private&&Dirty", Variant(false));
  session_.setHostItem("&&private_PM&&FileName", Variant(name + " (" + database_->path().string() + ")"));
  return 0;
}

int32_t FrameOperations::loadDataSet(const std::string& name) {
  Result<DataSetDatabase::Items> items = database_->load(name, data_);
  if (!items) {
    session_.message(items.text());
    return kStatusDatabase;
  }
  // Everything is read before anything changes, so a failed load leaves the items as they were.
  std::vector<std::pair<int32_t, Variant>> apply;
  for (auto& [itemName, value] : items.value()) {
    const int32_t i = store_->indexOf(itemName);
    if (i >= 0 && store_->def(i).dataSet) apply.emplace_back(i, std::move(value));
  }
  for (auto& [i, value] : apply) store_->set(i, value);
  currentDataSet_ = name;
  session_.setHostItem("&&private&&Dirty", Variant(false));
  session_.setHostItem("&&private&&CurrentSource", Variant(1.0));
  session_.setHostItem("&&private_PM&&FileName", Variant(name + " (" + database_->path().string() + ")"));
  return 0;
}

int32_t FrameOperations::loadFromDatabase() {
  return loadDataSet(currentDataSet_);
}

int32_t FrameOperations::saveToDatabase() {
  return saveDataSet(currentDataSet_);
}

int32_t FrameOperations::chooseDataSet(bool forSaving, std::string& name) {
  name = currentDataSet_;
  if (!dataSetChooser_) return 0;
  const Result<std::vector<std::string>> names = database_->list();
  if (!names) {
    session_.message(names.text());
    return kStatusDatabase;
  }
  auto chosen = dataSetChooser_(forSaving, names.value(), currentDataSet_);
  if (!chosen) return kStatusCancelled;
  if (!forSaving) {
    name = *chosen;
    return 0;
  }
  name = platform::com::trim(*chosen);  // a new name must say something
  return name.empty() ? kStatusCancelled : 0;
}

int32_t FrameOperations::openFromDatabase() {
  std::string name;
  const int32_t status = chooseDataSet(false, name);
  return status != 0 ? status : loadDataSet(name);
}

int32_t FrameOperations::saveAsToDatabase() {
  std::string name;
  const int32_t status = chooseDataSet(true, name);
  return status != 0 ? status : saveDataSet(name);
}

// ------------------------------------------------------------------ views and the device menu

std::string FrameOperations::resolveProgId(const std::string& nameOrProgId) const {
  const std::string wanted(platform::com::trim(nameOrProgId));
  if (wanted.empty() || session_.loader_->knows(wanted)) return wanted;
  // A class name alone ("VelumorDiagViewClass") stands for the ProgID that ends in it.
  std::vector<std::string> candidates = session_.builtinIds_;
  platform::com::ClassRegistry registry(options_.registryFile);
  try {
    registry.load();
    for (auto& id : registry.progIds()) candidates.push_back(std::move(id));
  } catch (const std::exception&) {
    // an unreadable registry offers nothing
  }
  for (const auto& id : candidates) {
    const size_t dot = id.rfind('.');
    if (dot != std::string::npos && equalsNoCase(id.substr(dot + 1), wanted)) return id;
  }
  return wanted;
}

platform::ui::Form* FrameOperations::openWindowOf(const std::string& progId) const {
  for (const auto& opened : session_.views()) {
    if (!equalsNoCase(opened.progId, progId)) continue;
    auto* owner = dynamic_cast<platform::ui::WindowOwner*>(opened.view.get());
    platform::ui::Form* form = owner ? owner->ownedWindow() : nullptr;
    if (form && form->isLoaded()) return form;
  }
  return nullptr;
}

int32_t FrameOperations::openViewFromFrame(const std::string& progId) {
  const std::string id = resolveProgId(progId);
  // The session has one device: a second window of a class would ask its start-up questions
  // again and show the same device twice, so the open one comes to the front instead.
  if (platform::ui::Form* open = openWindowOf(id)) {
    if (open->windowState() == kMinimized) open->setWindowState(kNormal);
    platform::ui::Services::interaction().activate(*open);
    return 0;
  }
  const Result<Ptr<View>> view = session_.openView(id, true);
  if (!view) {
    session_.message(view.text());
    return kStatusViewFailed;
  }
  return 0;
}

std::vector<std::string> FrameOperations::menuFunctions() const {
  std::vector<std::string> out{"fncStartForm", "SaveToDevice"};
  for (const auto& m : data_->menu) {
    if (m.isSeparator()) continue;
    const std::string fn = m.function();
    if (fn.empty()) continue;
    bool known = false;
    for (const auto& f : out) known = known || equalsNoCase(f, fn);
    if (!known) out.push_back(fn);
  }
  return out;
}

int32_t FrameOperations::menuFunction(const std::string& function, const std::string& parameter) {
  if (equalsNoCase(function, "fncStartForm")) return openViewFromFrame(parameter);
  if (equalsNoCase(function, "SaveToDevice")) {
    int32_t result = 0;
    startSequence("FULL_DOWNLOAD", result);
    return result;
  }
  session_.message("The device menu function \"" + function + "\" is not offered by this host");
  return kStatusNotSupported;
}

Result<std::string> FrameOperations::call(const std::string& operation,
                                          const std::vector<std::string>& args) {
  Ptr<HostFrame> f = session_.createFrame();
  std::vector<Variant> argv;
  for (const auto& a : args) argv.emplace_back(a);
  const bool sequenceOp =
      equalsNoCase(operation, "StartSequence") || equalsNoCase(operation, "AdjustSequence");
  if (sequenceOp && argv.size() == 1) argv.emplace_back(int32_t{0});
  try {
    Variant status = f->invokeByName(operation, platform::com::InvokeKind::Method, argv);
    std::string result =
        sequenceOp && argv.size() == 2 ? std::to_string(argv[1].toLong()) : std::to_string(status.toLong());
    // Where the set went: without HOME or XDG_DATA_HOME that is not where a user would look.
    if ((equalsNoCase(operation, "SaveToDatabase") || equalsNoCase(operation, "SaveAsToDatabase")) &&
        status.toLong() == 0)
      result += " (data set \"" + currentDataSet_ + "\" saved to " + database_->path().string() + ")";
    return result;
  } catch (const platform::com::RuntimeError& e) {
    namespace err = platform::com::err;
    const Reason reason = e.number() == err::NoSuchMember ? Reason::NotFound
                          : e.number() == err::WrongArgumentCount || e.number() == err::TypeMismatch
                              ? Reason::InvalidArgument
                              : Reason::Refused;
    return Status::fail(reason, "frame operation \"" + operation + "\": Run-time error " +
                                    std::to_string(e.number()) + ": " + e.description());
  }
}

}  // namespace tolvar::sim
