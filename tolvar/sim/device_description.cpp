#include "tolvar/sim/device_description.h"

#include <cmath>

#include "platform/com/error.h"

namespace tolvar::sim {

using platform::com::equalsNoCase;
using platform::com::InvokeKind;

namespace {

bool isMenuList(const std::string& list) {
  return equalsNoCase(list, "menu");
}

Variant toVariant(const dd::InfoValue& v) {
  if (auto l = std::get_if<int32_t>(&v)) return Variant(*l);
  if (auto d = std::get_if<double>(&v)) return Variant(*d);
  return Variant(std::get<std::string>(v));
}

// A by-reference argument that should hold a whole number: the caller's variable if it does.
int32_t longArg(const Variant& v) {
  try {
    return v.toLong();
  } catch (const platform::com::RuntimeError&) {
    return 0;
  }
}

}  // namespace

SimDeviceDescription::SimDeviceDescription(std::shared_ptr<const dd::DeviceData> data)
    : data_(std::move(data)) {
  auto str = [](std::span<Variant> a, size_t i) { return a[i].toString(); };
  table_.add(1, "fncGetGeneralString", 2, [this, str](InvokeKind, std::span<Variant> a) {
    std::string text;
    int32_t r = fncGetGeneralString(str(a, 0), text);
    a[1] = Variant(text);
    return Variant(r);
  });
  table_.add(2, "fncNumberOfEntries", 2, [this, str](InvokeKind, std::span<Variant> a) {
    int32_t n = 0;
    int32_t r = fncNumberOfEntries(str(a, 0), n);
    a[1] = Variant(n);
    return Variant(r);
  });
  table_.add(3, "fncGetFirstEntryHandle", 2, [this, str](InvokeKind, std::span<Variant> a) {
    int32_t h = 0;
    int32_t r = fncGetFirstEntryHandle(str(a, 0), h);
    a[1] = Variant(h);
    return Variant(r);
  });
  table_.add(4, "fncGetNextEntryHandle", 1, [this](InvokeKind, std::span<Variant> a) {
    int32_t h = longArg(a[0]);
    int32_t r = fncGetNextEntryHandle(h);
    a[0] = Variant(h);
    return Variant(r);
  });
  table_.add(5, "fncGetMenuData", 6, [this](InvokeKind, std::span<Variant> a) {
    std::string state, caption, hint, command;
    int32_t number = 0;
    int32_t r = fncGetMenuData(longArg(a[0]), state, caption, hint, command, number);
    a[1] = Variant(state);
    a[2] = Variant(caption);
    a[3] = Variant(hint);
    a[4] = Variant(command);
    a[5] = Variant(number);
    return Variant(r);
  });
  table_.add(6, "GetDeviceProperty", 2, [this, str](InvokeKind, std::span<Variant> a) {
    std::string value;
    int32_t status = 0;
    GetDeviceProperty(str(a, 0), value, status);
    a[1] = Variant(value);
    return Variant(status);
  });
}

int32_t SimDeviceDescription::idOfName(std::string_view name) const {
  return table_.idOfName(name);
}

Variant SimDeviceDescription::invoke(int32_t id, InvokeKind kind, std::span<Variant> args) {
  return table_.invoke(id, kind, args);
}

bool SimDeviceDescription::parseKind(const std::string& text, Kind& kind) {
  if (isMenuList(text)) {
    kind = Kind::Menu;
    return true;
  }
  auto k = dd::parseObjectKind(text);
  if (!k) return false;
  switch (*k) {
    case dd::ObjectKind::Object:
      kind = Kind::Object;
      break;
    case dd::ObjectKind::Record:
      kind = Kind::Record;
      break;
    case dd::ObjectKind::Sequence:
      kind = Kind::Sequence;
      break;
    case dd::ObjectKind::Enumeration:
      kind = Kind::Enumeration;
      break;
  }
  return true;
}

const dd::MenuEntryDef* SimDeviceDescription::menuEntry(int32_t handle) const {
  if (handle <= kMenuHandleBase) return nullptr;
  const auto pos = static_cast<size_t>(handle - kMenuHandleBase - 1);
  return pos < data_->menu.size() ? &data_->menu[pos] : nullptr;
}

void SimDeviceDescription::GetDeviceProperty(const std::string& sName, std::string& sValue, int32_t& status) {
  const std::string* p = data_->property(sName);
  sValue = p ? *p : std::string();
  status = p ? 0 : kStatusNotFound;
}

void SimDeviceDescription::GetObjectCount(const std::string& sKind, int32_t& lCount, int32_t& status) {
  lCount = 0;
  Kind kind;
  if (!parseKind(sKind, kind)) {
    status = kStatusNotFound;
    return;
  }
  if (kind == Kind::Menu) {
    lCount = static_cast<int32_t>(data_->menu.size());
  } else {
    lCount = static_cast<int32_t>(data_->objectsOf(*dd::parseObjectKind(sKind)).size());
  }
  status = 0;
}

void SimDeviceDescription::GetFirstObject(const std::string& sKind, int32_t& lIter, int32_t& status) {
  lIter = 0;
  Kind kind;
  if (!parseKind(sKind, kind)) {
    status = kStatusNotFound;
    return;
  }
  if (kind == Kind::Menu) {
    if (data_->menu.empty()) {
      status = kStatusNotFound;
      return;
    }
    lIter = kMenuHandleBase + 1;
    status = 0;
    return;
  }
  auto objects = data_->objectsOf(*dd::parseObjectKind(sKind));
  if (objects.empty()) {
    status = kStatusNotFound;
    return;
  }
  lIter = objects.front()->handle;
  status = 0;
}

void SimDeviceDescription::GetNextObject(int32_t& lIter, int32_t& status) {
  if (menuEntry(lIter)) {
    if (menuEntry(lIter + 1)) {
      ++lIter;
      status = 0;
    } else {
      lIter = 0;
      status = kStatusNotFound;
    }
    return;
  }
  const dd::ObjectDef* current = objectOf(lIter);
  const dd::ObjectDef* next = current ? objectOf(lIter + 1) : nullptr;
  if (!next || next->kind != current->kind) {
    // The walk is over (or the iterator was never valid): the iterator no longer names anything.
    lIter = 0;
    status = kStatusNotFound;
    return;
  }
  lIter = next->handle;
  status = 0;
}

void SimDeviceDescription::FindObject(const std::string& sKind, const std::string& sName, int32_t& lHandle,
                                      int32_t& status) {
  lHandle = 0;
  Kind kind;
  if (!parseKind(sKind, kind)) {
    status = kStatusNotFound;
    return;
  }
  if (kind == Kind::Menu) {
    for (size_t i = 0; i < data_->menu.size(); ++i) {
      if (!data_->menu[i].isSeparator() && equalsNoCase(data_->menu[i].state, sName)) {
        lHandle = kMenuHandleBase + static_cast<int32_t>(i) + 1;
        status = 0;
        return;
      }
    }
    status = kStatusNotFound;
    return;
  }
  const dd::ObjectDef* o = data_->findObject(*dd::parseObjectKind(sKind), sName);
  if (!o) {
    status = kStatusNotFound;
    return;
  }
  lHandle = o->handle;
  status = 0;
}

void SimDeviceDescription::GetObjectName(int32_t lIter, std::string& sName, int32_t& status) {
  if (const dd::MenuEntryDef* m = menuEntry(lIter)) {
    sName = m->isSeparator() ? m->caption : m->state;
    status = 0;
    return;
  }
  const dd::ObjectDef* o = objectOf(lIter);
  sName = o ? o->name : std::string();
  status = o ? 0 : kStatusNotFound;
}

void SimDeviceDescription::info(int32_t handle, int which, Variant* out[6], int32_t& status) const {
  const dd::ObjectDef* o = objectOf(handle);
  if (!o) {
    for (int i = 0; i < 6; ++i) *out[i] = Variant();
    status = kStatusNotFound;
    return;
  }
  const dd::InfoOutputs& src = which == 1 ? o->info : which == 2 ? o->info2 : o->info3;
  for (int i = 0; i < 6; ++i) *out[i] = toVariant(src[static_cast<size_t>(i)]);
  status = 0;
}

void SimDeviceDescription::GetObjectInfo(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4,
                                         Variant& v5, Variant& v6, int32_t& status) {
  Variant* out[6] = {&v1, &v2, &v3, &v4, &v5, &v6};
  info(lHandle, 1, out, status);
}

void SimDeviceDescription::GetObjectInfo2(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4,
                                          Variant& v5, Variant& v6, int32_t& status) {
  Variant* out[6] = {&v1, &v2, &v3, &v4, &v5, &v6};
  info(lHandle, 2, out, status);
}

void SimDeviceDescription::GetObjectInfo3(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4,
                                          Variant& v5, Variant& v6, int32_t& status) {
  Variant* out[6] = {&v1, &v2, &v3, &v4, &v5, &v6};
  info(lHandle, 3, out, status);
}

void SimDeviceDescription::GetEnumeration(int32_t lEnumHandle, std::string& sName,
                                          std::vector<EnumEntry>& entries, int32_t& status) {
  sName.clear();
  entries.clear();
  const dd::ObjectDef* o = objectOf(lEnumHandle);
  const dd::EnumDef* e = nullptr;
  if (o && o->kind == dd::ObjectKind::Enumeration) {
    e = data_->findEnumeration(o->name);
  } else if (o && o->kind == dd::ObjectKind::Object) {
    // A variable's handle stands for its enumeration, so a caller that skipped one look-up still gets it.
    if (const dd::VariableDef* v = data_->findVariable(o->name)) e = data_->enumerationOf(*v);
  }
  if (!e) {
    status = kStatusNotFound;
    return;
  }
  sName = e->name;
  for (const auto& entry : e->entries) {
    // Values beyond the Long range read as their signed counterpart, as Long outputs do.
    int64_t v = entry.value;
    if (v > 2147483647 && v <= 4294967295LL) v -= 4294967296LL;
    entries.push_back(EnumEntry{static_cast<int32_t>(v), entry.text});
  }
  status = 0;
}

int32_t SimDeviceDescription::fncGetGeneralString(const std::string& name, std::string& text) const {
  const std::string* p = data_->property(name);
  text = p ? *p : std::string();
  return p ? 0 : kStatusNotFound;
}

int32_t SimDeviceDescription::fncNumberOfEntries(const std::string& list, int32_t& count) const {
  count = 0;
  if (!isMenuList(list)) return kStatusNotFound;
  count = static_cast<int32_t>(data_->menu.size());
  return 0;
}

int32_t SimDeviceDescription::fncGetFirstEntryHandle(const std::string& list, int32_t& handle) const {
  handle = 0;
  if (!isMenuList(list) || data_->menu.empty()) return kStatusNotFound;
  handle = kMenuHandleBase + 1;
  return 0;
}

int32_t SimDeviceDescription::fncGetNextEntryHandle(int32_t& handle) const {
  if (menuEntry(handle) && menuEntry(handle + 1)) {
    ++handle;
    return 0;
  }
  handle = 0;
  return kStatusNotFound;
}

int32_t SimDeviceDescription::fncGetMenuData(int32_t handle, std::string& state, std::string& caption,
                                             std::string& hint, std::string& command, int32_t& number) const {
  const dd::MenuEntryDef* m = menuEntry(handle);
  if (!m) {
    state.clear();
    caption.clear();
    hint.clear();
    command.clear();
    number = 0;
    return kStatusNotFound;
  }
  state = m->state;
  caption = m->caption;
  hint = m->hint;
  command = m->command;
  number = m->number;
  return 0;
}

}  // namespace tolvar::sim
