#pragma once
// The host's items: one per variable of the device description, found by name without regard
// to case, each with a value, a shadow value and a state. Views register items and hear of
// every real change through View::NotifyChanged, host code watches them through callbacks;
// both are delivered by the event loop after the call that caused the change has returned, so
// a view is never called back inside its own host call.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"
#include "tolvar/sim/dd/device_data.h"

namespace tolvar::sim {

using platform::com::Ptr;
using platform::com::Variant;

class ItemStore {
 public:
  // The view a handle stands for, or null when it is gone; asked at delivery time.
  using ViewResolver = std::function<Ptr<View>(int32_t viewHandle)>;

  explicit ItemStore(std::shared_ptr<const dd::DeviceData> data);
  ~ItemStore();
  ItemStore(const ItemStore&) = delete;
  ItemStore& operator=(const ItemStore&) = delete;

  const dd::DeviceData& data() const { return *data_; }
  std::shared_ptr<const dd::DeviceData> dataPtr() const { return data_; }

  // --- items
  int32_t indexOf(std::string_view name) const;  // -1 for a name the description lacks
  int32_t itemCount() const { return static_cast<int32_t>(items_.size()); }
  bool validIndex(int32_t index) const { return index >= 0 && index < itemCount(); }
  const dd::VariableDef& def(int32_t index) const { return *items_.at(static_cast<size_t>(index)).def; }
  const std::string& name(int32_t index) const { return def(index).name; }
  const Variant& value(int32_t index) const { return items_.at(static_cast<size_t>(index)).value; }
  const Variant& shadow(int32_t index) const { return items_.at(static_cast<size_t>(index)).shadow; }
  int32_t state(int32_t index) const { return items_.at(static_cast<size_t>(index)).state; }

  // Writes value and shadow alike. A value identical to the one held (same type, same value)
  // changes nothing and notifies nobody. Returns whether anything changed.
  bool set(int32_t index, const Variant& v);
  bool setValueOnly(int32_t index, const Variant& v);
  bool setShadow(int32_t index, const Variant& v);
  // A value read from the device that views must hear of each time it is read, changed or not
  // (the status items): value and shadow are written as by set(), every registration of the
  // item is notified; host-side watches still hear only of a real change.
  void report(int32_t index, const Variant& v);
  // The state travels with later notifications; a change of state alone notifies nobody.
  void setState(int32_t index, int32_t state);
  // By name; false for an unknown name.
  bool set(std::string_view name, const Variant& v);

  // --- registrations of views
  void setViewResolver(ViewResolver resolver) { resolver_ = std::move(resolver); }
  // Registers `name` for `viewHandle`; the current value is sent once, then every real change
  // (of the value, or of the shadow value for a shadow registration). Returns 0 and a new
  // handle, or kStatusNoSuchItem and handle 0 for a name the description lacks.
  int32_t registerItem(std::string_view name, bool shadow, int32_t viewHandle, int32_t userLong, int32_t mode,
                       int32_t& handle);
  // Ends the notifications of one registration; its handle still reads and writes the item.
  // kStatusBadHandle for a handle that is not the view's or already unadvised.
  int32_t unadvise(int32_t viewHandle, int32_t handle);
  // Drops every registration of the view; its handles no longer read or write.
  void releaseView(int32_t viewHandle);
  // The item a handle reads and writes, -1 for a bad handle.
  int32_t itemOfHandle(int32_t handle) const;
  // Whether some view still hears of changes of the item.
  bool isAdvised(int32_t index) const;
  // Number of live (advised) registrations, for tests and the table view.
  int32_t advisedCount() const;

  // --- host-side watches (the host's controls, the sequences)
  // `onChange` is posted after every real change of any of `indices` (value or shadow).
  int32_t watch(std::vector<int32_t> indices, std::function<void()> onChange);
  void unwatch(int32_t watchId);

 private:
  struct Item {
    const dd::VariableDef* def = nullptr;
    Variant value;
    Variant shadow;
    int32_t state = 0;
    std::vector<int32_t> registrations;  // handles, advised or not
    std::vector<int32_t> watches;
  };
  struct Registration {
    int32_t item = -1;
    int32_t viewHandle = 0;
    int32_t userLong = 0;
    int32_t mode = 0;
    bool shadow = false;
    bool advised = true;
  };
  struct Watch {
    std::vector<int32_t> items;
    std::function<void()> onChange;
  };

  void changed(int32_t index, bool valueChanged, bool shadowChanged, bool reported = false);
  void postNotification(int32_t handle);
  void postNotification(int32_t handle, const Registration& registration);  // found already

  std::shared_ptr<const dd::DeviceData> data_;
  std::vector<Item> items_;
  std::unordered_map<std::string, int32_t> byName_;  // folded names
  std::unordered_map<int32_t, Registration> registrations_;
  std::unordered_map<int32_t, Watch> watches_;
  int32_t nextHandle_ = 1;
  int32_t nextWatch_ = 1;
  ViewResolver resolver_;
  // Posted deliveries name the store by its number among all stores made (a slot emptied when
  // it goes), so that work posted before the store went away is dropped, and a delivery is
  // small enough to be posted without an allocation.
  static std::vector<ItemStore*>& liveStores();
  static ItemStore* liveStore(uint32_t number);
  void deliver(int32_t handle, int32_t held);
  uint32_t number_;
};

}  // namespace tolvar::sim
