// The supervision view's one-shot registration and the re-read of the device objects.
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "velumor/host_binding/supervision/supervision.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/host_binding/velumor_always_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"

namespace velumor::host_binding {

namespace err = platform::com::err;
using platform::com::Variant;
using namespace supervision;

const std::array<const char*, kMenuStateCount> supervision::kMenuStateItems = {
    "&&Menu_State&&Connect",
    "&&Menu_State&&Disconnect",
    "&&Menu_State&&MenuSetSlaveAddr",
    "&&Menu_State&&LoadFromDevice",
    "&&Menu_State&&SaveToDevice",
    "&&Menu_State&&OpenFromDatabase",
    "&&Menu_State&&LoadFromFile",
    "&&Menu_State&&SaveToFile",
    "&&Menu_State&&SaveAsToDatabase",
    "&&Menu_State&&GenericView",
    "&&Menu_State&&VelumorMainView",
    "&&Menu_State&&VelumorDiagView",
    "&&Menu_State&&VelumorSimulationView"};

namespace {

// What each menu entry shows before the connection state is known.
constexpr std::array<double, kMenuStateCount> kFirstMenuValues = {1.0, 1.0, 1.0, 1.0, 1.0, 3.0, 3.0,
                                                                  3.0, 3.0, 3.0, 3.0, 3.0, 3.0};

// The entries that follow the connection state: slots 1 to this one.
constexpr int32_t kConnectionMenuCount = 4;

}  // namespace

tolvar::AppletItemManager& Supervision::itemManager() const {
  if (!view_.binding().itemManager())
    platform::com::raise(err::ObjectNotSet, "The supervision view has no item manager");
  return *view_.binding().itemManager();
}

tolvar::DeviceDescription& Supervision::deviceDescription() const {
  if (!view_.binding().deviceDescription())
    platform::com::raise(err::ObjectNotSet, "The supervision view has no device description");
  return *view_.binding().deviceDescription();
}

VelumorAlwaysViewForm& Supervision::form() const {
  VelumorAlwaysViewForm* f = view_.form();
  if (!f) platform::com::raise(err::ObjectNotSet, "The supervision view has no window");
  return *f;
}

bool Supervision::alive() const {
  const VelumorAlwaysViewForm* f = view_.form();
  return view_.binding().hasQueue() && f != nullptr && f->isLoaded();
}

const SupervisedObject* Supervision::object(int32_t index) const {
  if (index < 1 || index > objectCount_ || static_cast<size_t>(index) >= objects_.size()) return nullptr;
  return &objects_[static_cast<size_t>(index)];
}

int32_t Supervision::registerItem(const std::string& name, int32_t tag, int32_t* statusOut) {
  int32_t handle = 0;
  int32_t status = 0;
  itemManager().RegisterItem(name, false, view_.binding().viewHandle(), handle, tag, 0, status);
  if (statusOut) *statusOut = status;
  return handle;
}

void Supervision::unadvise(int32_t handle) {
  int32_t status = 0;
  itemManager().UnadviseItem(Variant(view_.binding().viewHandle()), handle, false, status);
}

void Supervision::writeMenuState(int slot, double value) {
  // A menu state the host refused has no item to write to.
  if (!menuRegistered_.at(static_cast<size_t>(slot))) return;
  int32_t status = 0;
  itemManager().SetValue(menuHandles_[static_cast<size_t>(slot)], value, status);
}

void Supervision::probeFrameOperation(const char* operation, int slot) {
  // An operation the host has but that takes no argument answers the one argument with
  // error 450; anything else means the entry cannot work and is hidden.
  int32_t number = 0;
  try {
    platform::com::Ptr<tolvar::HostFrame> frame;
    int32_t status = 0;
    itemManager().GetFrame(frame, status);
    if (!frame) platform::com::raise(err::ObjectNotSet, "No host frame");
    frame->call(operation, {Variant(true)});
  } catch (const platform::com::RuntimeError& e) {
    number = e.number();
  } catch (const std::exception&) {
    number = -1;
  }
  if (number != err::WrongArgumentCount) writeMenuState(slot, 0.0);
}

void Supervision::RegisterItems() {
  form().timer("RegisterTimer").setProperty("Enabled", false);
  tolvar::DeviceDescription& dd = deviceDescription();
  tolvar::AppletItemManager& im = itemManager();
  int32_t status = 0;

  dd.GetDeviceProperty("DevDescLong", deviceText_, status);
  form().setCaption(shared::LoadResStringByLang(0) + deviceText_);
  std::string nickname;
  dd.GetDeviceProperty("Nickname", nickname, status);

  const int32_t deviceName = registerItem("MFR_DEVICE_NAME", 0);
  unadvise(deviceName);
  im.SetString(deviceName, nickname, status);

  for (int slot = 0; slot < kMenuStateCount; ++slot) {
    int32_t regStatus = 0;
    menuHandles_[static_cast<size_t>(slot)] =
        registerItem(kMenuStateItems[static_cast<size_t>(slot)], kMenuStateTag + slot, &regStatus);
    menuRegistered_[static_cast<size_t>(slot)] = regStatus == 0;
    if (slot == kMenuGenericView) {
      // The table view exists only where the host serves it; a refused item is not written.
      writeMenuState(slot, regStatus == 0 ? 3.0 : 0.0);
    } else {
      writeMenuState(slot, kFirstMenuValues[static_cast<size_t>(slot)]);
    }
    if (slot == kMenuSaveToDevice) menuCount_ = kConnectionMenuCount;
    if (slot == kMenuOpenFromDatabase) probeFrameOperation("OpenFromDatabase", slot);
    if (slot == kMenuSaveAsToDatabase) probeFrameOperation("SaveAsToDatabase", slot);
  }

  // The items read through fixed handles, in the order they are registered. Quiet items are
  // read when needed and never notified: a run of them is unadvised once it is registered.
  struct FixedItem {
    const char* name;
    int32_t FixedHandles::*handle;
    bool quiet;
  };
  static constexpr FixedItem kFixedItems[] = {
      {"&&private_FDT&&EngineeringContext", &FixedHandles::engineeringContext, false},
      {"HartRevision", &FixedHandles::hartRevision, false},
      {"ADD_TRANSMITTER_STATE", &FixedHandles::addTransmitterState, false},
      {"&&Record_Response&&HART_COMMAND_048_ReadOctets", &FixedHandles::response048, false},
      {"ADJUST", &FixedHandles::adjust, false},
      {"LastCommandResponseSummary", &FixedHandles::lastCommandResponseSummary, true},
      {"LastFieldDeviceStatus", &FixedHandles::lastFieldDeviceStatus, true},
      {"&&private_PM&&Address", &FixedHandles::address, false},
      {"&&private_PM&&TagName", &FixedHandles::tagName, false},
      {"INSTRUMENT_ADDRESS", &FixedHandles::instrumentAddress, false},
      {"DESCRIPTOR", &FixedHandles::descriptor, false},
      {"&&private&&Connect", &FixedHandles::connect, false},
      {"TAG", &FixedHandles::tag, true},
      {"&&private&&UserLevel", &FixedHandles::userLevel, false},
      {"RecordName", &FixedHandles::recordName, true},
      {"RecordState", &FixedHandles::recordState, true},
      {"SequenceName", &FixedHandles::sequenceName, true},
      {"SequenceState", &FixedHandles::sequenceState, true},
  };
  std::vector<int32_t> quiet;
  for (size_t i = 0; i < std::size(kFixedItems); ++i) {
    const FixedItem& item = kFixedItems[i];
    fixed_.*item.handle = registerItem(item.name, 0);
    if (item.quiet) quiet.push_back(fixed_.*item.handle);
    if (i + 1 == std::size(kFixedItems) || !kFixedItems[i + 1].quiet) {
      for (int32_t handle : quiet) unadvise(handle);
      quiet.clear();
    }
  }

  for (const char* unit : {"UNITS_DENSITY", "UNITS_QM", "UNITS_QV", "UNITS_TEMPERATURE", "UNITS_TOTALIZER_QM",
                           "UNITS_TOTALIZER_QV"})
    registerItem(unit, kUnitsTag);

  RegisterRecords();
  RegisterSequences();
}

bool Supervision::enumerateNames(const std::string& kind, std::vector<std::string>& names) {
  tolvar::DeviceDescription& dd = deviceDescription();
  names.clear();
  int32_t status = 0;
  int32_t count = 0;
  dd.GetObjectCount(kind, count, status);
  // A description without such objects has nothing to walk: asking for the first one of
  // none would read past an empty list.
  if (status != 0 || count < 1) return false;
  std::vector<std::string> found(static_cast<size_t>(count));
  int32_t iter = 0;
  dd.GetFirstObject(kind, iter, status);
  if (status != 0) return false;
  dd.GetObjectName(iter, found[0], status);
  if (status != 0) return false;
  // The first object keeps index 0; the others fill the list from the top down, so the
  // registration order is the first, then the last, then backwards to the second.
  for (int32_t remaining = count; remaining > 1;) {
    --remaining;
    dd.GetNextObject(iter, status);
    if (status != 0) return false;
    dd.GetObjectName(iter, found[static_cast<size_t>(remaining)], status);
    if (status != 0) return false;
  }
  names = std::move(found);
  return true;
}

void Supervision::RegisterRecords() {
  if (objectCount_ < 1) objectCount_ = 0;
  std::vector<std::string> names;
  if (!enumerateNames("record", names)) return;
  objects_.reserve(static_cast<size_t>(objectCount_) + names.size() + 1);
  for (const std::string& name : names) {
    if (platform::com::equalsNoCase(name, kExcludedRecord)) continue;
    SupervisedObject* entry = addObject(name, kRecordKind);
    if (!entry) return;
    const int32_t i = objectCount_;
    entry->lStateHandle = registerItem("&&Record_State&&" + name, i | kRecordStateTag);
    entry->lResponseHandle = registerItem("&&Record_Response&&" + name, i | kRecordResponseTag);
    unadvise(entry->lResponseHandle);
    entry->lControlHandle = registerItem("&&Record_Response_Control&&" + name, i | kRecordResponseControlTag);
  }
}

void Supervision::RegisterSequences() {
  if (objectCount_ < 1) objectCount_ = 0;
  std::vector<std::string> names;
  if (!enumerateNames("sequence", names)) return;
  for (const std::string& name : names) {
    SupervisedObject* entry = addObject(name, kSequenceKind);
    if (!entry) return;
    const int32_t i = objectCount_;
    entry->lStateHandle = registerItem("&&Sequence_State&&" + name, i | kSequenceStateTag);
    entry->lControlHandle = registerItem("&&Sequence_Control&&" + name, i | kSequenceControlTag);
  }
}

SupervisedObject* Supervision::addObject(const std::string& name, int32_t kind) {
  // The index travels in the low 24 bits of the tag; beyond them it would be misread.
  if (objectCount_ >= kTagIndexMask) return nullptr;
  const int32_t i = ++objectCount_;
  objects_.resize(static_cast<size_t>(i) + 1);
  SupervisedObject& entry = objects_[static_cast<size_t>(i)];
  entry.sName = name;
  entry.lKind = kind;
  return &entry;
}

void Supervision::RefreshDeviceObjects() {
  tolvar::DeviceDescription& dd = deviceDescription();
  tolvar::AppletItemManager& im = itemManager();
  int32_t status = 0;
  int32_t remaining = 0;
  dd.GetObjectCount("Object", remaining, status);
  if (status != 0) return;
  int32_t iter = 0;
  dd.GetFirstObject("Object", iter, status);
  if (status != 0) return;
  // Counted down to 0 at most: a negative count must not walk for ever.
  while (remaining > 0) {
    std::string name;
    dd.GetObjectName(iter, name, status);
    if (status == 0 && name.rfind("&&", 0) != 0 && !platform::com::equalsNoCase(name, "Access_Level") &&
        !platform::com::equalsNoCase(name, "HartRevision")) {
      Variant flags, v2, v3, v4, v5, v6;
      int32_t infoStatus = 0;
      dd.GetObjectInfo3(iter, flags, v2, v3, v4, v5, v6, infoStatus);
      if (infoStatus == 0 && flags.isNumeric() && (flags.toLong() & 1) != 0) {
        Variant value;
        int32_t valueStatus = 0;
        im.GetNamedValue(name, value, valueStatus);
      }
    }
    --remaining;
    if (remaining == 0) break;
    dd.GetNextObject(iter, status);
    if (status != 0) break;  // the description has no more objects than it handed out
  }
}

}  // namespace velumor::host_binding
