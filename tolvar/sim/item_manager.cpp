#include "tolvar/sim/item_manager.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "platform/com/error.h"
#include "platform/res/language.h"
#include "platform/res/user_number.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/item_store.h"
#include "tolvar/sim/item_values.h"
#include "tolvar/sim/status.h"

namespace tolvar::sim {

using dd::ValueType;
using platform::com::ByteArray;
using platform::com::VarType;

namespace {

bool isText(ValueType t) {
  return t == ValueType::String || t == ValueType::PackedAscii || t == ValueType::Date;
}

}  // namespace

ItemManager::ItemManager(SessionLinkPtr link) : link_(std::move(link)) {}

ItemStore* ItemManager::store(int32_t& status) const {
  if (!link_ || !link_->session) {
    status = kStatusHostGone;
    return nullptr;
  }
  status = 0;
  return &link_->session->store();
}

int32_t ItemManager::itemOf(int32_t handle, ItemStore*& s, int32_t& status) const {
  s = store(status);
  if (!s) return -1;
  const int32_t index = s->itemOfHandle(handle);
  if (index < 0) status = kStatusBadHandle;
  return index;
}

int32_t ItemManager::writableItemOf(int32_t handle, ItemStore*& s, int32_t& status) const {
  const int32_t index = itemOf(handle, s, status);
  if (index >= 0 && s->def(index).access == dd::Access::ReadOnly) {
    status = kStatusReadOnly;
    return -1;
  }
  return index;
}

int32_t ItemManager::write(ItemStore& s, int32_t index, const Variant& v) {
  const auto& def = s.def(index);
  if (def.access == dd::Access::ReadOnly) return kStatusReadOnly;
  if (s.set(index, v) && def.dataSet && link_->session) link_->session->markDirty();
  return 0;
}

// ------------------------------------------------------------------ views, objects

void ItemManager::ReleaseView(Ptr<View> view, int32_t& status) {
  if (!link_ || !link_->session) {
    status = kStatusHostGone;
    return;
  }
  status = view ? link_->session->releaseView(view.get()) : kStatusBadHandle;
}

void ItemManager::GetDDObject(Ptr<DeviceDescription>& dd, int32_t& status) {
  dd = nullptr;
  if (!link_ || !link_->session) {
    status = kStatusHostGone;
    return;
  }
  dd = link_->session->deviceDescription();
  status = 0;
}

void ItemManager::GetFrame(Ptr<HostFrame>& frame, int32_t& status) {
  frame = nullptr;
  if (!link_ || !link_->session) {
    status = kStatusHostGone;
    return;
  }
  frame = link_->session->createFrame();
  status = 0;
}

void ItemManager::RegisterItem(const std::string& sName, bool bFlag, int32_t lViewHandle,
                               int32_t& lItemHandle, int32_t lUserLong, int32_t lMode, int32_t& status) {
  lItemHandle = 0;
  ItemStore* s = store(status);
  if (!s) return;
  status = s->registerItem(sName, bFlag, lViewHandle, lUserLong, lMode, lItemHandle);
}

void ItemManager::UnadviseItem(const Variant& vViewHandle, int32_t lItemHandle, bool, int32_t& status) {
  ItemStore* s = store(status);
  if (!s) return;
  int32_t viewHandle = 0;
  try {
    viewHandle = vViewHandle.toLong();
  } catch (const platform::com::RuntimeError&) {
    status = kStatusBadHandle;
    return;
  }
  status = s->unadvise(viewHandle, lItemHandle);
}

// ------------------------------------------------------------------ numbers

void ItemManager::GetValueEx(int32_t lItemHandle, double& dValue, bool bFlag, int32_t& status) {
  dValue = 0.0;
  ItemStore* s;
  const int32_t i = itemOf(lItemHandle, s, status);
  if (i < 0) return;
  auto n = numberOf(bFlag ? s->shadow(i) : s->value(i));
  if (!n) {
    status = kStatusWrongType;
    return;
  }
  dValue = *n;
}

void ItemManager::GetValue(int32_t lItemHandle, double& dValue, int32_t& status) {
  GetValueEx(lItemHandle, dValue, false, status);
}

void ItemManager::GetShadowValue(int32_t lItemHandle, double& dValue, int32_t& status) {
  GetValueEx(lItemHandle, dValue, true, status);
}

void ItemManager::SetValue(int32_t lItemHandle, double dValue, int32_t& status) {
  ItemStore* s;
  const int32_t i = writableItemOf(lItemHandle, s, status);
  if (i < 0) return;
  const auto& def = s->def(i);
  Variant v;
  if (def.type == ValueType::Bool) {
    v = Variant(dValue != 0.0);
  } else if (def.type == ValueType::Bytes || def.type == ValueType::Date) {
    status = kStatusWrongType;
    return;
  } else if (isText(def.type)) {
    v = Variant(platform::com::formatNumber(dValue));
  } else {
    v = Variant(dValue);
  }
  status = write(*s, i, v);
}

void ItemManager::GetLongValue(int32_t lItemHandle, int32_t& lValue, int32_t& status) {
  lValue = 0;
  double d = 0;
  GetValueEx(lItemHandle, d, false, status);
  if (status != 0) return;
  try {
    lValue = platform::com::cLng(d);  // half to even; NaN and the range are checked there
  } catch (const platform::com::RuntimeError&) {
    lValue = 0;
    status = kStatusOutOfRange;
  }
}

void ItemManager::GetSingleValue(int32_t lItemHandle, float& sngValue, bool bFlag, int32_t& status) {
  sngValue = 0.0f;
  double d = 0;
  GetValueEx(lItemHandle, d, bFlag, status);
  if (status != 0) return;
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(FLT_MAX)) {
    status = kStatusOutOfRange;
    return;
  }
  sngValue = static_cast<float>(d);
}

void ItemManager::SetSingleValue(int32_t lItemHandle, float sngValue, int32_t& status) {
  SetValue(lItemHandle, static_cast<double>(sngValue), status);
}

// ------------------------------------------------------------------ octets

void ItemManager::GetArrayValue(int32_t lItemHandle, ByteArray& octets, bool bFlag, int32_t& status) {
  ItemStore* s;
  const int32_t i = itemOf(lItemHandle, s, status);
  if (i < 0) return;
  const Variant& v = bFlag ? s->shadow(i) : s->value(i);
  auto source = octetsOf(s->def(i), v);
  if (!source) {
    status = kStatusWrongType;
    return;
  }
  if (octets.data.empty()) {
    // An array without elements takes the item's own octet numbers.
    octets.lowerBound = v.type() == VarType::ByteArray ? v.byteArray().lowerBound : 0;
    octets.data = std::move(*source);
    return;
  }
  if (octets.data.size() < source->size()) octets.data.resize(source->size());
  std::copy(source->begin(), source->end(), octets.data.begin());
}

void ItemManager::SetArrayValue(int32_t lItemHandle, const ByteArray& octets, int32_t& status) {
  ItemStore* s;
  const int32_t i = writableItemOf(lItemHandle, s, status);
  if (i < 0) return;
  auto v = valueFromOctets(s->def(i), octets.data);
  if (!v) {
    status = kStatusWrongType;
    return;
  }
  status = write(*s, i, *v);
}

// ------------------------------------------------------------------ texts and Booleans

void ItemManager::GetString(int32_t lItemHandle, std::string& sValue, bool bFlag, int32_t& status) {
  sValue.clear();
  ItemStore* s;
  const int32_t i = itemOf(lItemHandle, s, status);
  if (i < 0) return;
  const Variant& v = bFlag ? s->shadow(i) : s->value(i);
  if (v.isNumeric()) {
    sValue = v.toString();
    return;
  }
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      break;
    case VarType::String:
      sValue = v.toString();  // as stored, NUL characters included
      break;
    case VarType::ByteArray:
      sValue.assign(v.byteArray().data.begin(), v.byteArray().data.end());
      break;
    default:
      status = kStatusWrongType;
  }
}

void ItemManager::GetStringNoFlag(int32_t lItemHandle, std::string& sValue, int32_t& status) {
  GetString(lItemHandle, sValue, false, status);
}

void ItemManager::SetString(int32_t lItemHandle, const std::string& sValue, int32_t& status) {
  ItemStore* s;
  const int32_t i = writableItemOf(lItemHandle, s, status);
  if (i < 0) return;
  const auto& def = s->def(i);
  Variant v;
  if (isText(def.type)) {
    v = Variant(sValue);
  } else if (def.type == ValueType::Bytes) {
    v = Variant(ByteArray{def.firstOctet, std::vector<uint8_t>(sValue.begin(), sValue.end())});
  } else if (def.type == ValueType::Bool) {
    Variant parsed(sValue);
    try {
      v = Variant(parsed.toBool());
    } catch (const platform::com::RuntimeError&) {
      status = kStatusWrongType;
      return;
    }
  } else {
    auto n = numberOf(Variant(sValue));
    if (!n) {
      status = kStatusWrongType;
      return;
    }
    v = Variant(*n);
  }
  status = write(*s, i, v);
}

void ItemManager::GetBoolValue(int32_t lItemHandle, bool& bValue, int32_t& status) {
  bValue = false;
  ItemStore* s;
  const int32_t i = itemOf(lItemHandle, s, status);
  if (i < 0) return;
  const Variant& v = s->value(i);
  if (v.type() == VarType::Boolean) {
    bValue = v.toBool();
    return;
  }
  try {
    bValue = v.toBool();
  } catch (const platform::com::RuntimeError&) {
    status = kStatusWrongType;
  }
}

void ItemManager::SetBoolValue(int32_t lItemHandle, bool bValue, int32_t& status) {
  ItemStore* s;
  const int32_t i = writableItemOf(lItemHandle, s, status);
  if (i < 0) return;
  const auto& def = s->def(i);
  if (def.type == ValueType::Bool) {
    status = write(*s, i, Variant(bValue));
  } else if (isText(def.type)) {
    status = write(*s, i, Variant(std::string(bValue ? "True" : "False")));
  } else if (def.type == ValueType::Bytes) {
    status = kStatusWrongType;
  } else {
    status = write(*s, i, Variant(bValue ? -1.0 : 0.0));  // the language's True is -1
  }
}

void ItemManager::GetValueText(int32_t lItemHandle, std::string& sText, bool bFlag, int32_t& status) {
  sText.clear();
  ItemStore* s;
  const int32_t i = itemOf(lItemHandle, s, status);
  if (i < 0) return;
  sText = displayText(s->data(), s->def(i), bFlag ? s->shadow(i) : s->value(i));
}

void ItemManager::GetNamedValue(const std::string& sName, Variant& vValue, int32_t& status) {
  vValue = Variant();
  ItemStore* s = store(status);
  if (!s) return;
  const int32_t i = s->indexOf(sName);
  if (i < 0) {
    status = kStatusNoSuchItem;
    return;
  }
  vValue = s->value(i);
}

// ------------------------------------------------------------------ the host's controls

int32_t ItemManager::watchItem(const std::string& name, std::function<void()> onChange) {
  int32_t status = 0;
  ItemStore* s = store(status);
  if (!s) return 0;
  const int32_t i = s->indexOf(name);
  if (i < 0) return 0;
  std::vector<int32_t> items{i};
  const auto& def = s->def(i);
  if (!def.unitItem.empty()) {
    const int32_t u = s->indexOf(def.unitItem);
    if (u >= 0) items.push_back(u);
  }
  return s->watch(std::move(items), std::move(onChange));
}

void ItemManager::unwatchItem(int32_t watchId) {
  int32_t status = 0;
  if (ItemStore* s = store(status)) s->unwatch(watchId);
}

std::vector<std::string> ItemManager::itemNames() {
  std::vector<std::string> names;
  int32_t status = 0;
  ItemStore* s = store(status);
  if (!s) return names;
  names.reserve(static_cast<size_t>(s->itemCount()));
  for (int32_t i = 0; i < s->itemCount(); ++i) names.push_back(s->name(i));
  return names;
}

ItemDescription ItemManager::describeItem(const std::string& name) {
  ItemDescription d;
  int32_t status = 0;
  ItemStore* s = store(status);
  if (!s) return d;
  const int32_t i = s->indexOf(name);
  if (i < 0) return d;
  const auto& def = s->def(i);
  d.exists = true;
  d.type = std::string(dd::typeName(def.type));
  d.readOnly = def.access == dd::Access::ReadOnly;
  d.label = def.label;
  d.unitItem = def.unitItem;
  if (!def.unitItem.empty()) {
    const int32_t u = s->indexOf(def.unitItem);
    if (u >= 0) d.unitText = displayText(s->data(), s->def(u), s->value(u));
  } else {
    d.unitText = def.unitText;
  }
  if (const dd::EnumDef* e = s->data().enumerationOf(def)) {
    for (const auto& entry : e->entries) {
      int64_t v = entry.value;
      if (v > 2147483647 && v <= 4294967295LL) v -= 4294967296LL;
      d.enumeration.push_back(EnumEntry{static_cast<int32_t>(v), entry.text});
    }
  }
  return d;
}

std::string ItemManager::itemText(const std::string& name) {
  int32_t status = 0;
  ItemStore* s = store(status);
  if (!s) return {};
  const int32_t i = s->indexOf(name);
  // What the user reads: numbers with the session's decimal mark.
  return i < 0 ? std::string()
               : userText(s->data(), s->def(i), s->value(i), platform::res::userDefaultLangId());
}

double ItemManager::itemNumber(const std::string& name) {
  int32_t status = 0;
  ItemStore* s = store(status);
  const int32_t i = s ? s->indexOf(name) : -1;
  if (i < 0) return std::numeric_limits<double>::quiet_NaN();
  return numberOf(s->value(i)).value_or(std::numeric_limits<double>::quiet_NaN());
}

Result<int32_t> ItemManager::writableByName(const std::string& name, uint16_t langId) const {
  const bool german = platform::res::isGerman(langId);
  int32_t status = 0;
  ItemStore* s = store(status);
  if (!s) return Status::fail(Reason::Refused, german ? "Der Host wurde beendet" : "The host has ended");
  const int32_t i = s->indexOf(name);
  if (i < 0)
    return Status::fail(Reason::NotFound,
                        (german ? "Es gibt keinen Wert \"" : "There is no item \"") + name + "\"");
  const auto& def = s->def(i);
  if (def.access == dd::Access::ReadOnly)
    return Status::fail(Reason::Refused, (def.label.empty() ? def.name : def.label) +
                                             (german ? " kann nicht geändert werden" : " cannot be changed"));
  return i;
}

Status ItemManager::writeChecked(ItemStore& s, int32_t index, const Result<Variant>& value) {
  if (!value) return value.error();
  // The item was found writable, so the store takes it.
  if (write(s, index, *value) != 0)
    return Status::fail(Reason::Refused, s.def(index).name + " cannot be changed");
  return {};
}

Status ItemManager::setItemFromText(const std::string& name, const std::string& text) {
  const uint16_t lang = platform::res::userDefaultLangId();
  const Result<int32_t> i = writableByName(name, lang);
  if (!i) return i.error();
  ItemStore& s = link_->session->store();
  return writeChecked(s, *i, valueFromUserText(s.data(), s.def(*i), text, lang));
}

Status ItemManager::setItemNumber(const std::string& name, double value) {
  const uint16_t lang = platform::res::userDefaultLangId();
  const Result<int32_t> i = writableByName(name, lang);
  if (!i) return i.error();
  ItemStore& s = link_->session->store();
  return writeChecked(s, *i, valueFromUserNumber(s.data(), s.def(*i), value, lang));
}

}  // namespace tolvar::sim
