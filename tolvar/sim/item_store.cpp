#include "tolvar/sim/item_store.h"

#include <algorithm>
#include <exception>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "tolvar/sim/item_values.h"

namespace tolvar::sim {

ItemStore::ItemStore(std::shared_ptr<const dd::DeviceData> data)
    : data_(std::move(data)), number_(static_cast<uint32_t>(liveStores().size())) {
  liveStores().push_back(this);
  items_.reserve(data_->variables.size());
  for (const auto& v : data_->variables) {
    Item item;
    item.def = &v;
    item.value = initialValue(v);
    item.shadow = item.value;
    byName_.emplace(dd::foldCase(v.name), static_cast<int32_t>(items_.size()));
    items_.push_back(std::move(item));
  }
}

ItemStore::~ItemStore() {
  liveStores()[number_] = nullptr;
}

std::vector<ItemStore*>& ItemStore::liveStores() {
  static std::vector<ItemStore*> stores;
  return stores;
}

ItemStore* ItemStore::liveStore(uint32_t number) {
  const std::vector<ItemStore*>& stores = liveStores();
  return number < stores.size() ? stores[number] : nullptr;
}

int32_t ItemStore::indexOf(std::string_view name) const {
  auto it = byName_.find(dd::foldCase(name));
  return it == byName_.end() ? -1 : it->second;
}

bool ItemStore::set(int32_t index, const Variant& v) {
  if (!validIndex(index)) return false;
  Item& item = items_[static_cast<size_t>(index)];
  const bool valueChanged = !item.value.identical(v);
  const bool shadowChanged = !item.shadow.identical(v);
  if (valueChanged) item.value = v;
  if (shadowChanged) item.shadow = v;
  changed(index, valueChanged, shadowChanged);
  return valueChanged || shadowChanged;
}

bool ItemStore::setValueOnly(int32_t index, const Variant& v) {
  if (!validIndex(index)) return false;
  Item& item = items_[static_cast<size_t>(index)];
  if (item.value.identical(v)) return false;
  item.value = v;
  changed(index, true, false);
  return true;
}

bool ItemStore::setShadow(int32_t index, const Variant& v) {
  if (!validIndex(index)) return false;
  Item& item = items_[static_cast<size_t>(index)];
  if (item.shadow.identical(v)) return false;
  item.shadow = v;
  changed(index, false, true);
  return true;
}

void ItemStore::setState(int32_t index, int32_t state) {
  if (validIndex(index)) items_[static_cast<size_t>(index)].state = state;
}

bool ItemStore::set(std::string_view name, const Variant& v) {
  const int32_t index = indexOf(name);
  if (index < 0) return false;
  set(index, v);
  return true;
}

void ItemStore::report(int32_t index, const Variant& v) {
  if (!validIndex(index)) return;
  Item& item = items_[static_cast<size_t>(index)];
  const bool valueChanged = !item.value.identical(v);
  const bool shadowChanged = !item.shadow.identical(v);
  if (valueChanged) item.value = v;
  if (shadowChanged) item.shadow = v;
  changed(index, valueChanged, shadowChanged, true);
}

void ItemStore::changed(int32_t index, bool valueChanged, bool shadowChanged, bool reported) {
  if (!valueChanged && !shadowChanged && !reported) return;
  const Item& item = items_[static_cast<size_t>(index)];
  for (int32_t handle : item.registrations) {
    auto it = registrations_.find(handle);
    if (it == registrations_.end() || !it->second.advised) continue;
    if (reported || (it->second.shadow ? shadowChanged : valueChanged)) postNotification(handle, it->second);
  }
  if (!valueChanged && !shadowChanged) return;
  for (int32_t id : item.watches) {
    auto it = watches_.find(id);
    if (it == watches_.end()) continue;
    platform::ui::EventLoop::instance().post([number = number_, id] {
      ItemStore* alive = liveStore(number);
      if (!alive) return;
      ItemStore& store = *alive;
      auto w = store.watches_.find(id);
      if (w == store.watches_.end()) return;  // unwatched meanwhile
      auto callback = w->second.onChange;     // the callback may unwatch itself
      if (callback) callback();
    });
  }
}

void ItemStore::postNotification(int32_t handle) {
  postNotification(handle, registrations_.at(handle));
}

void ItemStore::postNotification(int32_t handle, const Registration& reg) {
  // The state goes out as it was when the change happened; the value is read by the view.
  const int32_t held = items_[static_cast<size_t>(reg.item)].state;
  platform::ui::EventLoop::instance().post([number = number_, handle, held] {
    if (ItemStore* alive = liveStore(number)) alive->deliver(handle, held);
  });
}

void ItemStore::deliver(int32_t handle, int32_t held) {
  auto it = registrations_.find(handle);
  if (it == registrations_.end() || !it->second.advised) return;  // unadvised or released meanwhile
  const Registration reg = it->second;
  Ptr<View> view = resolver_ ? resolver_(reg.viewHandle) : Ptr<View>();
  if (!view) return;  // the view is gone: nobody to tell
  try {
    view->NotifyChanged(handle, reg.shadow, held, reg.userLong);
  } catch (const platform::com::RuntimeError& e) {
    platform::ui::EventLoop::instance().reportError(
        "NotifyChanged", "Run-time error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const std::exception& e) {
    platform::ui::EventLoop::instance().reportError("NotifyChanged", e.what());
  }
}

int32_t ItemStore::registerItem(std::string_view name, bool shadow, int32_t viewHandle, int32_t userLong,
                                int32_t mode, int32_t& handle) {
  handle = 0;
  const int32_t index = indexOf(name);
  if (index < 0) return kStatusNoSuchItem;
  handle = nextHandle_++;
  registrations_.emplace(handle, Registration{index, viewHandle, userLong, mode, shadow, true});
  items_[static_cast<size_t>(index)].registrations.push_back(handle);
  postNotification(handle);  // the current value, once, after this call returns
  return 0;
}

int32_t ItemStore::unadvise(int32_t viewHandle, int32_t handle) {
  auto it = registrations_.find(handle);
  if (it == registrations_.end() || it->second.viewHandle != viewHandle || !it->second.advised)
    return kStatusBadHandle;
  it->second.advised = false;
  return 0;
}

void ItemStore::releaseView(int32_t viewHandle) {
  for (auto it = registrations_.begin(); it != registrations_.end();) {
    if (it->second.viewHandle == viewHandle) {
      auto& regs = items_[static_cast<size_t>(it->second.item)].registrations;
      regs.erase(std::remove(regs.begin(), regs.end(), it->first), regs.end());
      it = registrations_.erase(it);
    } else {
      ++it;
    }
  }
}

int32_t ItemStore::itemOfHandle(int32_t handle) const {
  auto it = registrations_.find(handle);
  return it == registrations_.end() ? -1 : it->second.item;
}

bool ItemStore::isAdvised(int32_t index) const {
  if (!validIndex(index)) return false;
  for (int32_t handle : items_[static_cast<size_t>(index)].registrations) {
    auto it = registrations_.find(handle);
    if (it != registrations_.end() && it->second.advised) return true;
  }
  return false;
}

int32_t ItemStore::advisedCount() const {
  return static_cast<int32_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                            [](const auto& r) { return r.second.advised; }));
}

int32_t ItemStore::watch(std::vector<int32_t> indices, std::function<void()> onChange) {
  indices.erase(std::remove_if(indices.begin(), indices.end(), [this](int32_t i) { return !validIndex(i); }),
                indices.end());
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  if (indices.empty()) return 0;
  const int32_t id = nextWatch_++;
  for (int32_t i : indices) items_[static_cast<size_t>(i)].watches.push_back(id);
  watches_.emplace(id, Watch{std::move(indices), std::move(onChange)});
  return id;
}

void ItemStore::unwatch(int32_t watchId) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  for (int32_t i : it->second.items) {
    auto& w = items_[static_cast<size_t>(i)].watches;
    w.erase(std::remove(w.begin(), w.end(), watchId), w.end());
  }
  watches_.erase(it);
}

}  // namespace tolvar::sim
