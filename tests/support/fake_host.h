#pragma once
// A small scripted host for window and view tests: an item manager, a device description and
// a host frame that record every call with its arguments and answer from tables the test
// fills in; the same item manager with the host's item access for the host's own controls;
// a view that does nothing; and trivial stand-ins for the host's controls, so that window
// designs load.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/host_access.h"

namespace fakehost {

using platform::com::ByteArray;
using platform::com::Ptr;
using platform::com::Variant;

// One call a fake host object received: the operation, its in-arguments in call order, and
// for operations that take an object (ReleaseView) the object's address. Objects are not
// kept, so a recorded call never keeps a view alive.
struct Call {
  std::string op;
  std::vector<Variant> args;
  const void* object = nullptr;

  std::string text() const {
    std::string s = op + "(";
    for (size_t i = 0; i < args.size(); ++i) s += (i ? ", " : "") + args[i].debugString();
    return s + ")";
  }
};

// The calls of one or more fake objects, in the order they came.
class CallLog {
 public:
  void add(Call c) {
    calls_.push_back(c);
    if (onCall) onCall(c);  // a copy: the hook may make further calls
  }
  const std::vector<Call>& calls() const { return calls_; }
  std::vector<Call> of(std::string_view op) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
      if (platform::com::equalsNoCase(c.op, op)) out.push_back(c);
    return out;
  }
  int count(std::string_view op) const { return static_cast<int>(of(op).size()); }
  std::vector<std::string> ops() const {
    std::vector<std::string> out;
    for (const Call& c : calls_) out.push_back(c.op);
    return out;
  }
  void clear() { calls_.clear(); }

  // Runs after each call is recorded, inside the caller's call: lets a test look at the
  // caller's state at that moment.
  std::function<void(const Call&)> onCall;

 private:
  std::vector<Call> calls_;
};

// Result codes that operations raise when a test asks them to fail, by operation name.
class Failures {
 public:
  void set(std::string op, int32_t resultCode) { codes_[std::move(op)] = resultCode; }
  void clear(const std::string& op) { codes_.erase(op); }
  void raiseIfSet(std::string_view op) const {
    auto it = codes_.find(op);
    if (it != codes_.end()) platform::com::raiseResult(it->second);
  }

 private:
  std::map<std::string, int32_t, platform::ui::NoCaseLess> codes_;
};

// Members called by name: a name, and what the call does with its arguments.
class ByName {
 public:
  using Fn = std::function<Variant(std::span<Variant>)>;
  void add(std::string name, Fn fn) {
    for (auto& [n, f] : fns_) {
      if (platform::com::equalsNoCase(n, name)) {
        f = std::move(fn);
        return;
      }
    }
    fns_.emplace_back(std::move(name), std::move(fn));
  }
  int32_t idOfName(std::string_view name) const {
    for (size_t i = 0; i < fns_.size(); ++i)
      if (platform::com::equalsNoCase(fns_[i].first, name)) return static_cast<int32_t>(i) + 1;
    platform::com::raise(platform::com::err::NoSuchMember,
                         "Object doesn't support property or method '" + std::string(name) + "'");
  }
  const std::string& nameOf(int32_t id) const { return entry(id).first; }
  Variant invoke(int32_t id, std::span<Variant> args) const { return entry(id).second(args); }

 private:
  const std::pair<std::string, Fn>& entry(int32_t id) const {
    if (id < 1 || id > static_cast<int32_t>(fns_.size()))
      platform::com::raise(platform::com::err::NoSuchMember);
    return fns_[static_cast<size_t>(id - 1)];
  }
  std::vector<std::pair<std::string, Fn>> fns_;
};

// A host object that logs each call into the shared log (failing it where a test asked) and
// answers members called by name from `byName`.
template <class Interface>
class RecordedByName : public Interface {
 public:
  explicit RecordedByName(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}

  Failures failures;
  ByName byName;

  int32_t idOfName(std::string_view name) const override { return byName.idOfName(name); }
  Variant invoke(int32_t id, platform::com::InvokeKind, std::span<Variant> args) override {
    record(byName.nameOf(id), std::vector<Variant>(args.begin(), args.end()));
    return byName.invoke(id, args);
  }

 protected:
  void record(std::string op, std::vector<Variant> args) {
    log_->add(Call{op, std::move(args)});
    failures.raiseIfSet(op);
  }
  std::shared_ptr<CallLog> log_;
};

class FakeDeviceDescription : public RecordedByName<tolvar::DeviceDescription> {
 public:
  using RecordedByName::RecordedByName;

  CallLog& log() const { return *log_; }
  // GetDeviceProperty: "DevDescLong", "Nickname"...; an unknown name answers status 1.
  std::map<std::string, std::string, platform::ui::NoCaseLess> properties;
  // The objects of each kind ("record", "sequence", "object", "menu"...) in enumeration order.
  std::map<std::string, std::vector<std::string>, platform::ui::NoCaseLess> objects;
  // FindObject by kind and name; absent answers status 1.
  std::map<std::pair<std::string, std::string>, int32_t> handles;
  // GetObjectInfo / 2 / 3 by handle: up to six outputs.
  std::map<int32_t, std::vector<Variant>> info, info2, info3;
  std::map<int32_t, std::vector<tolvar::EnumEntry>> enumerations;
  // byName: "fncGetMenuData" and the other members called by name.

  void GetDeviceProperty(const std::string& sName, std::string& sValue, int32_t& status) override {
    record("GetDeviceProperty", {Variant(sName)});
    auto it = properties.find(sName);
    status = it == properties.end() ? 1 : 0;
    if (it != properties.end()) sValue = it->second;
  }
  void GetObjectCount(const std::string& sKind, int32_t& lCount, int32_t& status) override {
    record("GetObjectCount", {Variant(sKind)});
    auto it = objects.find(sKind);
    status = it == objects.end() ? 1 : 0;
    lCount = it == objects.end() ? 0 : static_cast<int32_t>(it->second.size());
  }
  // Iterators are "kind index": the walk's position, starting at 1.
  void GetFirstObject(const std::string& sKind, int32_t& lIter, int32_t& status) override {
    record("GetFirstObject", {Variant(sKind)});
    walkKind_ = sKind;
    auto it = objects.find(sKind);
    status = it == objects.end() || it->second.empty() ? 1 : 0;
    lIter = status == 0 ? 1 : 0;
  }
  void GetNextObject(int32_t& lIter, int32_t& status) override {
    record("GetNextObject", {Variant(lIter)});
    auto it = objects.find(walkKind_);
    if (it == objects.end() || lIter < 1 || lIter >= static_cast<int32_t>(it->second.size())) {
      status = 1;
      return;
    }
    ++lIter;
    status = 0;
  }
  void FindObject(const std::string& sKind, const std::string& sName, int32_t& lHandle,
                  int32_t& status) override {
    record("FindObject", {Variant(sKind), Variant(sName)});
    auto it = handles.find({sKind, sName});
    status = it == handles.end() ? 1 : 0;
    if (it != handles.end()) lHandle = it->second;
  }
  void GetObjectName(int32_t lIter, std::string& sName, int32_t& status) override {
    record("GetObjectName", {Variant(lIter)});
    auto it = objects.find(walkKind_);
    if (it == objects.end() || lIter < 1 || lIter > static_cast<int32_t>(it->second.size())) {
      status = 1;
      return;
    }
    sName = it->second[static_cast<size_t>(lIter - 1)];
    status = 0;
  }
  void GetObjectInfo(int32_t h, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5, Variant& v6,
                     int32_t& status) override {
    answerInfo("GetObjectInfo", info, h, v1, v2, v3, v4, v5, v6, status);
  }
  void GetObjectInfo2(int32_t h, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5, Variant& v6,
                      int32_t& status) override {
    answerInfo("GetObjectInfo2", info2, h, v1, v2, v3, v4, v5, v6, status);
  }
  void GetObjectInfo3(int32_t h, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5, Variant& v6,
                      int32_t& status) override {
    answerInfo("GetObjectInfo3", info3, h, v1, v2, v3, v4, v5, v6, status);
  }
  void GetEnumeration(int32_t lEnumHandle, std::string& sName, std::vector<tolvar::EnumEntry>& entries,
                      int32_t& status) override {
    record("GetEnumeration", {Variant(lEnumHandle)});
    auto it = enumerations.find(lEnumHandle);
    status = it == enumerations.end() ? 1 : 0;
    if (it != enumerations.end()) entries = it->second;
  }

 private:
  void answerInfo(const char* op, const std::map<int32_t, std::vector<Variant>>& table, int32_t h,
                  Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5, Variant& v6,
                  int32_t& status) {
    record(op, {Variant(h)});
    auto it = table.find(h);
    status = it == table.end() ? 1 : 0;
    if (it == table.end()) return;
    Variant* outs[6] = {&v1, &v2, &v3, &v4, &v5, &v6};
    for (size_t i = 0; i < 6 && i < it->second.size(); ++i) *outs[i] = it->second[i];
  }

  std::string walkKind_;
};

class FakeHostFrame : public RecordedByName<tolvar::HostFrame> {
 public:
  using RecordedByName::RecordedByName;

  // What StartSequence and AdjustSequence answer, per call in order (then 0).
  std::vector<int32_t> sequenceResults;
  // byName: "OpenFromDatabase", "SaveAsToDatabase", device menu functions...

  void Connect(int32_t p, int32_t& status) override { plain("Connect", p, status); }
  void SetAddress(int32_t p, int32_t& status) override { plain("SetAddress", p, status); }
  void Disconnect(int32_t p, int32_t& status) override { plain("Disconnect", p, status); }
  void LoadFromDevice(int32_t p, int32_t& status) override { plain("LoadFromDevice", p, status); }
  void LoadFromDatabase(int32_t p, int32_t& status) override { plain("LoadFromDatabase", p, status); }
  void SaveToDatabase(int32_t p, int32_t& status) override { plain("SaveToDatabase", p, status); }
  void StartSequence(const std::string& sName, int32_t& lResult, int32_t& status) override {
    sequence("StartSequence", sName, lResult, status);
  }
  void AdjustSequence(const std::string& sName, int32_t& lResult, int32_t& status) override {
    sequence("AdjustSequence", sName, lResult, status);
  }
  void OpenView(const std::string& sProgId, int32_t& status) override {
    record("OpenView", {Variant(sProgId)});
    status = 0;
  }

 private:
  void plain(const char* op, int32_t p, int32_t& status) {
    record(op, {Variant(p)});
    status = 0;
  }
  void sequence(const char* op, const std::string& name, int32_t& lResult, int32_t& status) {
    record(op, {Variant(name)});
    lResult = sequenceResults.empty() ? 0 : sequenceResults.front();
    if (!sequenceResults.empty()) sequenceResults.erase(sequenceResults.begin());
    status = 0;
  }
};

// The item manager. Items get a new handle per registration (from `nextHandle` upward, or
// the one `nextHandleFor` names); values are kept by handle, so a test sets
// `values[handleOf("X")]` or `setItem("X", v)` after the view registered X, presets `values`
// for handles it knows will be handed out, or fills `itemValues` by name.
class FakeItemManager : public tolvar::AppletItemManager {
  std::shared_ptr<CallLog> log_;  // first: the device description and the frame share it

 public:
  struct Registration {
    std::string name;
    bool flag = false;
    int32_t viewHandle = 0;
    int32_t handle = 0;
    int32_t userLong = 0;
    int32_t mode = 0;
  };

  FakeItemManager()
      : log_(std::make_shared<CallLog>()),
        dd(platform::com::makeObject<FakeDeviceDescription>(log_)),
        frame(platform::com::makeObject<FakeHostFrame>(log_)) {}

  // The calls of this item manager, its device description and its frame, in one order.
  CallLog& log() const { return *log_; }
  Failures failures;
  Ptr<FakeDeviceDescription> dd;  // what GetDDObject hands out (null: none)
  Ptr<FakeHostFrame> frame;       // what GetFrame hands out (null: none)

  // RegisterItem's status by item name (default 0: accepted). A refused item gets no handle.
  std::map<std::string, int32_t, platform::ui::NoCaseLess> registerStatus;
  std::vector<Registration> registrations;
  // Values by handle; reading a handle without a value answers kStatusBadHandle.
  std::map<int32_t, Variant> values;
  // Shadow values by handle where they differ from the value (GetShadowValue, GetValueEx
  // with the flag set); a handle without one answers its value.
  std::map<int32_t, Variant> shadows;
  // Values by item name: a handle without an entry in `values` reads the value of the item
  // registered to it last, so a handle the host hands out again reads its newest item.
  std::map<std::string, Variant, platform::ui::NoCaseLess> itemValues;
  // The handle the next registration of an item gets, used once (default: the counter).
  std::map<std::string, int32_t, platform::ui::NoCaseLess> nextHandleFor;
  int32_t nextHandle = 1;
  // GetArrayValue hands back the item's octets whole, as the host does for a record, instead
  // of filling the caller's array.
  bool arraysWhole = false;
  // GetNamedValue by name.
  std::map<std::string, Variant, platform::ui::NoCaseLess> namedValues;
  // The views handed to ReleaseView, by address.
  std::vector<const void*> releasedViews;

  // The handle of the latest registration of `name` (case does not matter); 0 when none.
  int32_t handleOf(std::string_view name) const {
    for (auto it = registrations.rbegin(); it != registrations.rend(); ++it)
      if (platform::com::equalsNoCase(it->name, name)) return it->handle;
    return 0;
  }
  std::optional<Registration> registration(std::string_view name) const {
    for (auto it = registrations.rbegin(); it != registrations.rend(); ++it)
      if (platform::com::equalsNoCase(it->name, name)) return *it;
    return std::nullopt;
  }
  // Sets the value of a registered item; false when it was never registered.
  bool setItem(std::string_view name, Variant v) {
    const int32_t h = handleOf(name);
    if (h == 0) return false;
    values[h] = std::move(v);
    return true;
  }

  void ReleaseView(Ptr<tolvar::View> view, int32_t& status) override {
    releasedViews.push_back(view.get());
    log_->add(Call{"ReleaseView", {}, view.get()});
    failures.raiseIfSet("ReleaseView");
    status = 0;
  }
  void GetDDObject(Ptr<tolvar::DeviceDescription>& out, int32_t& status) override {
    record("GetDDObject", {});
    out = dd;
    status = dd ? 0 : 1;
  }
  void GetFrame(Ptr<tolvar::HostFrame>& out, int32_t& status) override {
    record("GetFrame", {});
    out = frame;
    status = frame ? 0 : 1;
  }
  void RegisterItem(const std::string& sName, bool bFlag, int32_t lViewHandle, int32_t& lItemHandle,
                    int32_t lUserLong, int32_t lMode, int32_t& status) override {
    record("RegisterItem",
           {Variant(sName), Variant(bFlag), Variant(lViewHandle), Variant(lUserLong), Variant(lMode)});
    auto it = registerStatus.find(sName);
    status = it == registerStatus.end() ? 0 : it->second;
    if (status != 0) return;
    auto chosen = nextHandleFor.find(sName);
    if (chosen != nextHandleFor.end()) {
      lItemHandle = chosen->second;
      nextHandleFor.erase(chosen);
    } else {
      lItemHandle = nextHandle++;
    }
    registrations.push_back(Registration{sName, bFlag, lViewHandle, lItemHandle, lUserLong, lMode});
  }
  void UnadviseItem(const Variant& vViewHandle, int32_t lItemHandle, bool bFlag, int32_t& status) override {
    record("UnadviseItem", {vViewHandle, Variant(lItemHandle), Variant(bFlag)});
    status = 0;
  }
  void GetValueEx(int32_t h, double& d, bool bFlag, int32_t& status) override {
    record("GetValueEx", {Variant(h), Variant(bFlag)});
    readShadowIf(bFlag, h, status, [&](const Variant& v) { d = v.toDouble(); });
  }
  void GetValue(int32_t h, double& d, int32_t& status) override {
    record("GetValue", {Variant(h)});
    read(h, status, [&](const Variant& v) { d = v.toDouble(); });
  }
  void GetShadowValue(int32_t h, double& d, int32_t& status) override {
    record("GetShadowValue", {Variant(h)});
    readShadowIf(true, h, status, [&](const Variant& v) { d = v.toDouble(); });
  }
  void SetValue(int32_t h, double d, int32_t& status) override {
    record("SetValue", {Variant(h), Variant(d)});
    write(h, Variant(d), status);
  }
  void GetLongValue(int32_t h, int32_t& l, int32_t& status) override {
    record("GetLongValue", {Variant(h)});
    read(h, status, [&](const Variant& v) { l = v.toLong(); });
  }
  void GetSingleValue(int32_t h, float& f, bool bFlag, int32_t& status) override {
    record("GetSingleValue", {Variant(h), Variant(bFlag)});
    read(h, status, [&](const Variant& v) { f = v.toSingle(); });
  }
  void SetSingleValue(int32_t h, float f, int32_t& status) override {
    record("SetSingleValue", {Variant(h), Variant(f)});
    write(h, Variant(f), status);
  }
  // The item's first octet goes to the caller's lower bound; an empty caller's array gets
  // the item's octets under their own numbers.
  void GetArrayValue(int32_t h, ByteArray& octets, bool bFlag, int32_t& status) override {
    record("GetArrayValue", {Variant(h), Variant(bFlag)});
    read(h, status, [&](const Variant& v) {
      const ByteArray& src = v.byteArray();
      if (octets.data.empty() || arraysWhole) {
        octets = src;
        return;
      }
      for (size_t i = 0; i < octets.data.size() && i < src.data.size(); ++i) octets.data[i] = src.data[i];
    });
  }
  void SetArrayValue(int32_t h, const ByteArray& octets, int32_t& status) override {
    record("SetArrayValue", {Variant(h), Variant(octets)});
    write(h, Variant(octets), status);
  }
  void GetString(int32_t h, std::string& s, bool bFlag, int32_t& status) override {
    record("GetString", {Variant(h), Variant(bFlag)});
    read(h, status, [&](const Variant& v) { s = v.toString(); });
  }
  void GetStringNoFlag(int32_t h, std::string& s, int32_t& status) override {
    record("GetStringNoFlag", {Variant(h)});
    read(h, status, [&](const Variant& v) { s = v.toString(); });
  }
  void SetString(int32_t h, const std::string& s, int32_t& status) override {
    record("SetString", {Variant(h), Variant(s)});
    write(h, Variant(s), status);
  }
  void GetBoolValue(int32_t h, bool& b, int32_t& status) override {
    record("GetBoolValue", {Variant(h)});
    read(h, status, [&](const Variant& v) { b = v.toBool(); });
  }
  void SetBoolValue(int32_t h, bool b, int32_t& status) override {
    record("SetBoolValue", {Variant(h), Variant(b)});
    write(h, Variant(b), status);
  }
  void GetValueText(int32_t h, std::string& s, bool bFlag, int32_t& status) override {
    record("GetValueText", {Variant(h), Variant(bFlag)});
    read(h, status, [&](const Variant& v) { s = v.toString(); });
  }
  void GetNamedValue(const std::string& sName, Variant& v, int32_t& status) override {
    record("GetNamedValue", {Variant(sName)});
    auto it = namedValues.find(sName);
    status = it == namedValues.end() ? tolvar::kStatusNoSuchItem : 0;
    if (it != namedValues.end()) v = it->second;
  }

 private:
  void record(std::string op, std::vector<Variant> args) {
    log_->add(Call{op, std::move(args)});
    failures.raiseIfSet(op);
  }
  template <class F>
  void read(int32_t h, int32_t& status, F&& take) {
    const Variant* v = valueOf(h);
    if (!v) {
      status = tolvar::kStatusBadHandle;
      return;
    }
    take(*v);
    status = 0;
  }
  const Variant* valueOf(int32_t h) const {
    if (auto it = values.find(h); it != values.end()) return &it->second;
    for (auto r = registrations.rbegin(); r != registrations.rend(); ++r) {
      if (r->handle != h) continue;
      auto it = itemValues.find(r->name);
      return it == itemValues.end() ? nullptr : &it->second;
    }
    return nullptr;
  }
  template <class F>
  void readShadowIf(bool shadow, int32_t h, int32_t& status, F&& take) {
    auto it = shadows.find(h);
    if (!shadow || it == shadows.end()) return read(h, status, std::forward<F>(take));
    take(it->second);
    status = 0;
  }
  void write(int32_t h, Variant v, int32_t& status) {
    values[h] = std::move(v);
    status = 0;
  }
};

// The item manager with the host's item access, for the host's own controls: items by name,
// notifications posted to the event loop as the host delivers them, and a record of the
// watches that are open. Calls through the item manager answer as above.
class FakeHost final : public FakeItemManager, public tolvar::HostItemAccess {
 public:
  struct Item {
    std::string type = "double";  // "double", "enum", "string"
    double number = 0;
    std::string text;  // strings only
    bool readOnly = false;
    std::string label;
    std::string unitItem;
    std::string unitText;
    std::vector<tolvar::EnumEntry> enumeration;
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
  };

  std::map<std::string, Item, platform::ui::NoCaseLess> items;
  int writes = 0;  // successful writes through the item access

  Item& number(const std::string& name, double v, std::string unit = {}) {
    Item& i = items[name];
    i.type = "double";
    i.number = v;
    i.unitText = std::move(unit);
    return i;
  }
  Item& enumerated(const std::string& name, int32_t v, std::vector<tolvar::EnumEntry> entries) {
    Item& i = items[name];
    i.type = "enum";
    i.number = v;
    i.enumeration = std::move(entries);
    return i;
  }
  Item& text(const std::string& name, std::string v) {
    Item& i = items[name];
    i.type = "string";
    i.text = std::move(v);
    return i;
  }

  // A host-side write: notifies the watchers of the item and of the items it is the unit of.
  void set(const std::string& name, double v) {
    Item& i = items.at(name);
    if (i.number == v || (std::isnan(i.number) && std::isnan(v))) return;
    i.number = v;
    notify(name);
  }
  void setText(const std::string& name, std::string v) {
    Item& i = items.at(name);
    if (i.text == v) return;
    i.text = std::move(v);
    notify(name);
  }

  int openWatches() const { return static_cast<int>(watches_.size()); }
  int watchesOf(const std::string& name) const {
    int n = 0;
    for (auto& [id, w] : watches_)
      if (platform::com::equalsNoCase(w.name, name)) ++n;
    return n;
  }

  // ---- HostItemAccess
  int32_t watchItem(const std::string& name, std::function<void()> onChange) override {
    if (!items.count(name)) return 0;
    watches_[++nextWatch_] = Watch{name, std::move(onChange)};
    return nextWatch_;
  }
  void unwatchItem(int32_t watchId) override { watches_.erase(watchId); }
  tolvar::ItemDescription describeItem(const std::string& name) override {
    tolvar::ItemDescription d;
    auto it = items.find(name);
    if (it == items.end()) return d;
    d.exists = true;
    d.type = it->second.type;
    d.readOnly = it->second.readOnly;
    d.label = it->second.label;
    d.unitItem = it->second.unitItem;
    d.unitText = it->second.unitItem.empty() ? it->second.unitText : itemText(it->second.unitItem);
    d.enumeration = it->second.enumeration;
    return d;
  }
  std::string itemText(const std::string& name) override {
    auto it = items.find(name);
    if (it == items.end()) return {};
    const Item& i = it->second;
    if (i.type == "string") return i.text;
    if (i.type == "enum") {
      for (auto& e : i.enumeration)
        if (e.value == i.number) return e.text;
    }
    return platform::com::formatNumber(i.number);
  }
  double itemNumber(const std::string& name) override {
    auto it = items.find(name);
    if (it == items.end() || it->second.type == "string") return std::numeric_limits<double>::quiet_NaN();
    return it->second.number;
  }
  tolvar::Status setItemFromText(const std::string& name, const std::string& text) override {
    using tolvar::Reason;
    using tolvar::Status;
    auto it = items.find(name);
    if (it == items.end()) return Status::fail(Reason::NotFound, "No such item");
    Item& i = it->second;
    if (i.readOnly) return Status::fail(Reason::Refused, "The item is read-only");
    if (i.type == "string") {
      setText(name, text);
      ++writes;
      return {};
    }
    if (i.type == "enum") {
      for (auto& e : i.enumeration)
        if (e.text == text) {
          set(name, e.value);
          ++writes;
          return {};
        }
      return Status::fail(Reason::InvalidArgument, "Not an entry");
    }
    auto n = platform::com::parseNumber(text);
    if (!n) return Status::fail(Reason::InvalidArgument, "Not a number");
    if (*n < i.lo || *n > i.hi) return Status::fail(Reason::InvalidArgument, "Out of range");
    set(name, *n);
    ++writes;
    return {};
  }
  tolvar::Status setItemNumber(const std::string& name, double value) override {
    auto it = items.find(name);
    if (it == items.end() || it->second.readOnly)
      return tolvar::Status::fail(tolvar::Reason::Refused, "The item cannot be changed");
    set(name, value);
    ++writes;
    return {};
  }

 private:
  struct Watch {
    std::string name;
    std::function<void()> onChange;
  };
  // Delivered by the event loop after the call that caused the change, as the host does;
  // a watch taken back meanwhile may still be called once.
  void notify(const std::string& name) {
    for (auto& [id, w] : watches_) {
      auto it = items.find(w.name);
      const bool unitOf = it != items.end() && platform::com::equalsNoCase(it->second.unitItem, name);
      if (platform::com::equalsNoCase(w.name, name) || unitOf)
        platform::ui::EventLoop::instance().post(w.onChange);
    }
  }

  std::map<int32_t, Watch> watches_;
  int32_t nextWatch_ = 0;
};

// The fake and the counted reference that keeps it.
struct Host {
  FakeHost* fake;
  Ptr<tolvar::AppletItemManager> aim;
};
inline Host makeHost() {
  auto* f = new FakeHost;
  return Host{f, Ptr<tolvar::AppletItemManager>(f)};
}

// Runs the notifications the host has posted.
inline void deliver() {
  platform::ui::EventLoop::instance().drainPosted();
}

// A view that does nothing: something to hand a window as its ViewRef.
class NullView : public tolvar::View {
 public:
  int32_t SetAppletItemManagRef(int32_t, Ptr<tolvar::AppletItemManager>) override { return 0; }
  int32_t Show() override { return 0; }
  int32_t Hide() override { return 0; }
  int32_t Destroy() override { return 0; }
  int32_t NotifyChanged(int32_t, bool, int32_t, int32_t) override { return 0; }
};

// A host control stand-in: takes any property by name and gives it back; methods do
// nothing and are counted.
class FakeHostControl : public platform::ui::UserControlImpl {
 public:
  explicit FakeHostControl(std::string kind) : kind_(std::move(kind)) {}

  std::string kind() const override { return kind_; }
  std::vector<std::pair<std::string, Variant>> snapshot() const override { return props_; }
  int32_t idOfName(std::string_view name) const override {
    for (size_t i = 0; i < names_.size(); ++i)
      if (platform::com::equalsNoCase(names_[i], name)) return static_cast<int32_t>(i) + 1;
    names_.emplace_back(name);
    return static_cast<int32_t>(names_.size());
  }
  Variant invoke(int32_t id, platform::com::InvokeKind kind, std::span<Variant> args) override {
    const std::string name = id >= 1 && id <= static_cast<int32_t>(names_.size())
                                 ? names_[static_cast<size_t>(id - 1)]
                                 : "#" + std::to_string(id);
    switch (kind) {
      case platform::com::InvokeKind::PropertyPut:
        if (args.empty()) platform::com::raise(platform::com::err::WrongArgumentCount);
        for (auto& [n, v] : props_) {
          if (n == name) {
            v = args.back();
            return Variant();
          }
        }
        props_.emplace_back(name, args.back());
        return Variant();
      case platform::com::InvokeKind::PropertyGet:
        for (auto& [n, v] : props_)
          if (n == name) return v;
        return Variant();
      case platform::com::InvokeKind::Method:
        methodCalls.push_back(name);
        return Variant();
    }
    return Variant();
  }

  std::vector<std::string> methodCalls;

 private:
  std::string kind_;
  mutable std::vector<std::string> names_;
  std::vector<std::pair<std::string, Variant>> props_;
};

// Registers stand-ins for the host's controls (and, with `withLamp`, for the component's
// lamp) under their ProgIDs, leaving alone every ProgID for which a control is registered.
inline void registerFakeHostControls(bool withLamp = true) {
  static const std::pair<const char*, const char*> kControls[] = {
      {"Tolvar4txt.Tolvar4Text", "Tolvar4Text"},
      {"Tolvar4cmb.Tolvar4Combo", "Tolvar4Combo"},
      {"Tolvar4LblTextUnit.Tolvar4LabelTextUnit", "Tolvar4LabelTextUnit"},
      {"Tolvar4CtrItemHandler.Tolvar4CtrlItemHandler", "Tolvar4CtrlItemHandler"},
      {"Tolvar4Needle.Tolvar4Needle", "Tolvar4Needle"},
      {"Tolvar4BarGraph.Tolvar4BarGraph", "Tolvar4BarGraph"},
      {"Tolvar4Digital.Tolvar4Digital", "Tolvar4Digital"},
      {"Tolvar4Plotter.Tolvar4Plotter", "Tolvar4Plotter"},
      {"Velumor.VEXAONOFF", "VEXAONOFF"},
  };
  auto& registry = platform::ui::UserControlRegistry::instance();
  for (const auto& [progId, kind] : kControls) {
    if (registry.has(progId) || (!withLamp && std::string_view(kind) == "VEXAONOFF")) continue;
    std::string k = kind;
    registry.add(progId, [k] {
      return Ptr<platform::ui::UserControlImpl>(platform::com::makeObject<FakeHostControl>(k));
    });
  }
}

}  // namespace fakehost
