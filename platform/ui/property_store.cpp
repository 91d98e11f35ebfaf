#include "platform/ui/property_store.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/ui/control.h"

namespace platform::ui {

using platform::com::Variant;
using platform::com::VarType;

namespace {

// Where a value lives. The typed ones are the properties almost every visible control has,
// and those the views set on every change.
enum Kind : uint8_t {
  kRare,
  kLeft,
  kTop,
  kWidth,
  kHeight,
  kFontSize,
  kBackColor,
  kForeColor,
  kTabIndex,
  kVisible,
  kEnabled,
  kTabStop,
  kFontBold,
  kText,
  kOwnName,
  kOwnIndex,
};

struct TypedField {
  std::string_view name;
  VarType type;
  Kind kind;
};
constexpr TypedField kTypedFields[] = {
    {"Left", VarType::Single, kLeft},         {"Top", VarType::Single, kTop},
    {"Width", VarType::Single, kWidth},       {"Height", VarType::Single, kHeight},
    {"FontSize", VarType::Single, kFontSize}, {"BackColor", VarType::Long, kBackColor},
    {"ForeColor", VarType::Long, kForeColor}, {"TabIndex", VarType::Integer, kTabIndex},
    {"Visible", VarType::Boolean, kVisible},  {"Enabled", VarType::Boolean, kEnabled},
    {"TabStop", VarType::Boolean, kTabStop},  {"FontBold", VarType::Boolean, kFontBold},
    {"Caption", VarType::String, kText},      {"Text", VarType::String, kText},
    {"Name", VarType::String, kOwnName},      {"Index", VarType::Long, kOwnIndex},
};

constexpr uint32_t bit(Kind k) {
  return 1u << k;
}

// Same type and the same bits: a rare value equal to its default in this sense need not be kept
// (identical() takes -0 for 0, which a dump would still tell apart).
bool sameAsDefault(const Variant& v, const Variant& def) {
  if (!v.identical(def)) return false;
  if (v.type() == VarType::Single) {
    float a = v.toSingle(), b = def.toSingle();
    return std::memcmp(&a, &b, sizeof a) == 0;
  }
  if (v.type() == VarType::Double) {
    double a = v.toDouble(), b = def.toDouble();
    return std::memcmp(&a, &b, sizeof a) == 0;
  }
  return true;
}

unsigned char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : static_cast<unsigned char>(c);
}

// Property names by number, case-insensitive: open addressing on a hash of the lowered name.
class NameTable {
 public:
  int32_t find(std::string_view name) const {
    if (slots_.empty()) return -1;
    for (size_t i = hash(name) & mask();; i = (i + 1) & mask()) {
      int32_t id = slots_[i];
      if (id < 0) return -1;
      if (platform::com::equalsNoCase(names_[id], name)) return id;
    }
  }
  uint16_t intern(std::string_view name) {
    if (int32_t id = find(name); id >= 0) return static_cast<uint16_t>(id);
    if ((names_.size() + 1) * 2 > slots_.size()) grow();
    names_.emplace_back(name);
    auto id = static_cast<int32_t>(names_.size() - 1);
    place(id);
    return static_cast<uint16_t>(id);
  }

 private:
  static size_t hash(std::string_view s) {
    size_t h = 14695981039346656037ull;
    for (char c : s) h = (h ^ lower(c)) * 1099511628211ull;
    return h;
  }
  size_t mask() const { return slots_.size() - 1; }
  void place(int32_t id) {
    size_t i = hash(names_[id]) & mask();
    while (slots_[i] >= 0) i = (i + 1) & mask();
    slots_[i] = id;
  }
  void grow() {
    slots_.assign(std::max<size_t>(256, slots_.size() * 2), -1);
    for (size_t id = 0; id < names_.size(); ++id) place(static_cast<int32_t>(id));
  }
  std::vector<std::string> names_;
  std::vector<int32_t> slots_;
};

NameTable& names() {
  static NameTable table;
  return table;
}

}  // namespace

struct LayoutEntry {
  std::string name;
  uint16_t id;
  Kind kind;
  Variant def;  // unused for the control's own name and index
};

// What the controls of one kind declared, in dump order; reached from the empty layout by
// the same declarations in the same order, so that such controls share it.
class PropertyLayout {
 public:
  std::vector<LayoutEntry> entries;
  std::vector<uint16_t> slotById;  // property number → slot + 1, 0 when not declared

  static const PropertyLayout* empty() {
    static PropertyLayout root;
    return &root;
  }

  size_t slotOf(int32_t id) const {
    if (id < 0 || static_cast<size_t>(id) >= slotById.size()) return PropertyStore::npos;
    uint16_t s = slotById[id];
    return s ? s - 1 : PropertyStore::npos;
  }

  const PropertyLayout* with(uint16_t id, std::string_view name, const Variant& def) const {
    size_t existing = slotOf(id);
    Kind kind = kindFor(existing, name, def);
    for (const Next& n : next_) {
      if (n.id != id || n.name != name) continue;
      if (kind == kOwnName || kind == kOwnIndex ? n.def.type() == def.type() : sameAsDefault(n.def, def))
        return n.layout.get();
    }
    auto l = std::make_unique<PropertyLayout>();
    l->entries = entries;
    if (existing != PropertyStore::npos) {
      l->entries[existing].kind = kind;
      l->entries[existing].def = def;
    } else {
      LayoutEntry e{std::string(name), id, kind, def};
      auto at = std::upper_bound(l->entries.begin(), l->entries.end(), e,
                                 [](const auto& a, const auto& b) { return NoCaseLess()(a.name, b.name); });
      l->entries.insert(at, std::move(e));
    }
    for (const LayoutEntry& e : l->entries)
      if (e.id >= l->slotById.size()) l->slotById.resize(e.id + 1, 0);
    for (size_t s = 0; s < l->entries.size(); ++s)
      l->slotById[l->entries[s].id] = static_cast<uint16_t>(s + 1);
    next_.push_back({id, std::string(name), def, std::move(l)});
    return next_.back().layout.get();
  }

 private:
  // A typed field when the name has one, the default has its type and no other property of
  // this layout holds that field already.
  Kind kindFor(size_t existing, std::string_view name, const Variant& def) const {
    for (const TypedField& f : kTypedFields) {
      if (!platform::com::equalsNoCase(f.name, name) || f.type != def.type()) continue;
      for (size_t s = 0; s < entries.size(); ++s)
        if (s != existing && entries[s].kind == f.kind) return kRare;
      return f.kind;
    }
    return kRare;
  }

  // A layout derived from this one by adding a property, kept so the next object that adds it shares it.
  struct Next {
    // cppcheck-suppress unusedStructMember ; compared in with()
    uint16_t id;
    // cppcheck-suppress unusedStructMember ; compared in with()
    std::string name;
    Variant def;
    std::unique_ptr<PropertyLayout> layout;
  };
  mutable std::vector<Next> next_;
};

int32_t PropertyStore::propertyId(std::string_view name) {
  return names().find(name);
}

PropertyStore::PropertyStore() : layout_(PropertyLayout::empty()) {}

void PropertyStore::declare(std::string_view name, Variant defaultValue, const std::string& ownName,
                            int32_t ownIndex) {
  uint16_t id = names().intern(name);
  size_t before = layout_->slotOf(id);
  if (before != npos) {
    // Declared again: whatever held the old value lets go of it.
    Kind old = layout_->entries[before].kind;
    if (old != kRare) displaced_ &= ~bit(old);
    dropRare(id);
  }
  layout_ = layout_->with(id, name, defaultValue);
  setAt(layout_->slotOf(id), std::move(defaultValue), ownName, ownIndex);
}

size_t PropertyStore::slotOf(std::string_view name) const {
  return layout_->slotOf(names().find(name));
}

size_t PropertyStore::slotOfId(int32_t id) const {
  return layout_->slotOf(id);
}

size_t PropertyStore::size() const {
  return layout_->entries.size();
}

const std::string& PropertyStore::nameAt(size_t slot) const {
  return layout_->entries[slot].name;
}

const Variant& PropertyStore::rareRef(size_t slot) const {
  const LayoutEntry& e = layout_->entries[slot];
  for (auto& [id, v] : rare_)
    if (id == e.id) return v;
  return e.def;
}

Variant PropertyStore::rareValue(size_t slot) const {
  return rareRef(slot);
}

std::optional<bool> PropertyStore::boolAt(size_t slot) const {
  Kind k = layout_->entries[slot].kind;
  if (k >= kVisible && k <= kFontBold && !(displaced_ & bit(k)))
    return (flags_ & (1u << (k - kVisible))) != 0;
  if (k != kRare && !(displaced_ & bit(k))) return std::nullopt;  // a typed field of another type
  const Variant& v = rareRef(slot);
  if (v.type() != VarType::Boolean) return std::nullopt;
  return v.toBool();
}

std::optional<int32_t> PropertyStore::longAt(size_t slot) const {
  Kind k = layout_->entries[slot].kind;
  if ((k == kBackColor || k == kForeColor) && !(displaced_ & bit(k))) return longs_[k - kBackColor];
  if (k != kRare && !(displaced_ & bit(k))) return std::nullopt;  // a typed field of another type
  const Variant& v = rareRef(slot);
  if (v.type() != VarType::Long) return std::nullopt;
  return v.toLong();
}

void PropertyStore::setBoolAt(size_t slot, bool value) {
  const LayoutEntry& e = layout_->entries[slot];
  const Kind k = e.kind;
  if (k >= kVisible && k <= kFontBold && !(displaced_ & bit(k))) {
    const auto b = static_cast<uint8_t>(1u << (k - kVisible));
    flags_ = static_cast<uint8_t>(value ? (flags_ | b) : (flags_ & ~b));
    return;
  }
  // A rare Boolean, or a typed flag whose Boolean is held among the rare ones: the field
  // takes it back as setAt would. Neither is the control's own name or index.
  setAt(slot, Variant(value), std::string(), 0);
}

Variant PropertyStore::valueAt(size_t slot, const std::string& ownName, int32_t ownIndex) const {
  Kind k = layout_->entries[slot].kind;
  if (k == kRare || (displaced_ & bit(k))) return rareValue(slot);
  switch (k) {
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight:
    case kFontSize:
      return Variant(floats_[k - kLeft]);
    case kBackColor:
    case kForeColor:
      return Variant(longs_[k - kBackColor]);
    case kTabIndex:
      return Variant(tabIndex_);
    case kVisible:
    case kEnabled:
    case kTabStop:
    case kFontBold:
      return Variant((flags_ & (1u << (k - kVisible))) != 0);
    case kText:
      return Variant(text_);
    case kOwnName:
      return Variant(ownName);
    case kOwnIndex:
      return Variant(ownIndex);
    default:
      return rareValue(slot);
  }
}

void PropertyStore::setAt(size_t slot, Variant value, const std::string& ownName, int32_t ownIndex) {
  const LayoutEntry& e = layout_->entries[slot];
  Kind k = e.kind;
  if (k == kRare) {
    setRare(e.id, std::move(value), &e.def);
    return;
  }
  bool fits = false;
  switch (k) {
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight:
    case kFontSize:
      fits = value.type() == VarType::Single;
      if (fits) floats_[k - kLeft] = value.toSingle();
      break;
    case kBackColor:
    case kForeColor:
      fits = value.type() == VarType::Long;
      if (fits) longs_[k - kBackColor] = value.toLong();
      break;
    case kTabIndex:
      fits = value.type() == VarType::Integer;
      if (fits) tabIndex_ = value.toInteger();
      break;
    case kVisible:
    case kEnabled:
    case kTabStop:
    case kFontBold:
      fits = value.type() == VarType::Boolean;
      if (fits) {
        uint8_t b = static_cast<uint8_t>(1u << (k - kVisible));
        flags_ = static_cast<uint8_t>(value.toBool() ? (flags_ | b) : (flags_ & ~b));
      }
      break;
    case kText:
      fits = value.type() == VarType::String;
      if (fits) text_ = value.toString();
      break;
    case kOwnName:
      fits = value.type() == VarType::String && value.toString() == ownName;
      break;
    case kOwnIndex:
      fits = value.type() == VarType::Long && value.toLong() == ownIndex;
      break;
    default:
      break;
  }
  if (fits) {
    if (displaced_ & bit(k)) {
      displaced_ &= ~bit(k);
      dropRare(e.id);
    }
    return;
  }
  displaced_ |= bit(k);
  setRare(e.id, std::move(value), nullptr);
}

void PropertyStore::setRare(uint16_t id, Variant value, const Variant* defaultValue) {
  if (defaultValue && sameAsDefault(value, *defaultValue)) {
    dropRare(id);
    return;
  }
  for (auto& [i, v] : rare_) {
    if (i == id) {
      v = std::move(value);
      return;
    }
  }
  rare_.emplace_back(id, std::move(value));
}

void PropertyStore::dropRare(uint16_t id) {
  rare_.erase(std::remove_if(rare_.begin(), rare_.end(), [&](const auto& p) { return p.first == id; }),
              rare_.end());
}

}  // namespace platform::ui
