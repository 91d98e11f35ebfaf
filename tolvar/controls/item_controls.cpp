#include "tolvar/controls/item_controls.h"

#include "platform/com/error.h"
#include "platform/res/language.h"
#include "platform/res/user_number.h"
#include "platform/ui/form.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/form_ref.h"

namespace tolvar::controls {

using platform::com::equalsNoCase;
namespace dispid = tolvar::dispid;

namespace {

std::string notEditable() {
  return platform::res::isGerman(platform::res::userDefaultLangId())
             ? "Dieses Feld kann nicht geändert werden."
             : "This field cannot be edited.";
}
std::string refused() {
  return platform::res::isGerman(platform::res::userDefaultLangId()) ? "Der Wert wurde nicht angenommen."
                                                                     : "The value was not accepted.";
}

std::string joinEntries(const std::vector<EnumEntry>& entries) {
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i) out += '\n';
    out += entries[i].text;
  }
  return out;
}

}  // namespace

// ----------------------------------------------------------------- item-bound controls

bool ItemBoundControl::bindItems(const HostLink& link) {
  releaseItems();
  link_ = link;
  follow();
  return following();
}

void ItemBoundControl::releaseItems() {
  stopWatches();
  dropCallbacks();
  link_ = {};
  readOnlyItem_ = true;
}

void ItemBoundControl::follow() {
  stopWatches();
  dropCallbacks();
  startWatches();
  refresh();
  changed();
}

void ItemBoundControl::watchEdited(const std::string& item, ItemWatch& watch) {
  readOnlyItem_ = true;
  if (!link_ || item.empty()) return;
  ItemDescription d = link_.access->describeItem(item);
  readOnlyItem_ = !d.exists || d.readOnly;
  watch.start(link_.access, item, guarded([this] { refresh(); }));
}

void ItemBoundControl::addEditedText(Members& members) {
  members.table.addProperty(
      dispid::Text, "Text", [](HostControl& c) { return Variant(static_cast<ItemBoundControl&>(c).text_); },
      [](HostControl& c, const Variant& v) {
        auto& self = static_cast<ItemBoundControl&>(c);
        // A window setting the text while it loads is no edit: a bound field keeps showing its
        // item and writes nothing (only the user's input writes), else a window opened on a
        // device in fixed-current mode would overwrite the device's current with its "0".
        if (self.link_ && !self.editedItem().empty()) return;
        self.fromItem_ = false;
        if (self.text_ != v.toString()) {
          self.text_ = v.toString();
          self.changed();
        }
      });
}

void ItemBoundControl::addCommonMembers(Members& members, int32_t lastErrorId) {
  members.addReadOnly(lastErrorId, "LastError",
                      [](HostControl& c) { return Variant(static_cast<ItemBoundControl&>(c).lastError_); });
  members.addSiteVisible();
  members.addCommonDesignProperties();
}

const std::string& ItemBoundControl::editedItem() const {
  static const std::string none;
  return none;
}

std::string ItemBoundControl::writeItem(const std::string& item, const std::string& text) {
  const Status set = link_.access->setItemFromText(item, text);
  if (set) return {};
  return set.text().empty() ? refused() : set.text();
}

bool ItemBoundControl::endEdit(const std::string& item, const ItemWatch& watch, std::string error) {
  const bool ok = error.empty();
  lastError_ = std::move(error);
  if (watch.active()) text_ = link_.access->itemText(item);
  changed();
  return ok;
}

// ------------------------------------------------------------------------------- text

TextControl::TextControl() : ItemBoundControl("Tolvar4Text", members()) {}

const HostControl::Members& TextControl::members() {
  static const Members members = [] {
    Members m;
    m.addString(dispid::ItemName, "ItemName", &TextControl::itemName_, [](TextControl& c) { c.refollow(); });
    m.addInteger(dispid::ItemMode, "ItemMode", &TextControl::itemMode_);
    m.addBool(dispid::FieldFlag, "FieldFlag", &TextControl::fieldFlag_);
    addEditedText(m);
    addCommonMembers(m, 0x68030100);
    return m;
  }();
  return members;
}

TextControl::~TextControl() = default;

void TextControl::startWatches() {
  watchEdited(itemName_, watch_);
}

void TextControl::refresh() {
  if (!following()) {
    // An unbound field keeps a text given to it, but not one its former item put there.
    if (fromItem_ && !text_.empty()) {
      text_.clear();
      changed();
    }
    fromItem_ = false;
    return;
  }
  fromItem_ = true;
  std::string now = link_.access->itemText(itemName_);
  if (now == text_) return;
  text_ = std::move(now);
  changed();
}

bool TextControl::editable() const {
  return following() && !readOnlyItem_ && modeEditable(itemMode_);
}

bool TextControl::edit(const std::string& text) {
  return endEdit(itemName_, watch_, editable() ? writeItem(itemName_, text) : notEditable());
}

std::vector<std::pair<std::string, Variant>> TextControl::snapshot() const {
  std::vector<std::pair<std::string, Variant>> out{
      {"Text", Variant(text_)},
      {"Editable", Variant(editable())},
      {"LastError", Variant(lastError_)},
      {"FieldFlag", Variant(fieldFlag_)},
  };
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

void TextControl::userInput(std::string_view what, const Variant& value) {
  if (equalsNoCase(what, "text")) edit(value.toString());
}

// ------------------------------------------------------------------------------ combo

ComboControl::ComboControl() : ItemBoundControl("Tolvar4Combo", members()) {}

const HostControl::Members& ComboControl::members() {
  static const Members members = [] {
    Members m;
    m.addString(dispid::ItemName, "ItemName", &ComboControl::itemName_,
                [](ComboControl& c) { c.refollow(); });
    m.addInteger(dispid::ItemMode, "ItemMode", &ComboControl::itemMode_);
    m.table.addProperty(
        dispid::CurrentEntryText, "CurrentEntryText",
        [](HostControl& c) { return Variant(static_cast<ComboControl&>(c).text_); },
        [](HostControl& c, const Variant& v) {
          static_cast<ComboControl&>(c).select(Variant(v.toString()));
        });
    m.addReadOnly(dispid::Text, "Text",
                  [](HostControl& c) { return Variant(static_cast<ComboControl&>(c).text_); });
    addCommonMembers(m, 0x68030100);
    return m;
  }();
  return members;
}

ComboControl::~ComboControl() = default;

void ComboControl::startWatches() {
  if (link_ && !itemName_.empty()) watch_.start(link_.access, itemName_, guarded([this] { refresh(); }));
}

void ComboControl::refresh() {
  std::string now;
  std::vector<EnumEntry> list;
  bool readOnly = true;
  if (following()) {
    // The entries are read again on each change: a host may offer other entries by state.
    ItemDescription d = link_.access->describeItem(itemName_);
    readOnly = !d.exists || d.readOnly;
    list = std::move(d.enumeration);
    now = link_.access->itemText(itemName_);
  }
  const bool same = now == text_ && readOnly == readOnlyItem_ && list.size() == entries_.size() &&
                    joinEntries(list) == joinEntries(entries_);
  text_ = std::move(now);
  entries_ = std::move(list);
  readOnlyItem_ = readOnly;
  if (!same) changed();
}

bool ComboControl::editable() const {
  return following() && !readOnlyItem_ && modeEditable(itemMode_) && !entries_.empty();
}

bool ComboControl::select(const Variant& entry) {
  if (!editable()) return endEdit(itemName_, watch_, notEditable());
  const EnumEntry* chosen = nullptr;
  if (entry.isNumeric()) {
    const int32_t i = entry.toLong();
    if (i >= 0 && static_cast<size_t>(i) < entries_.size()) chosen = &entries_[i];
  } else {
    const std::string s = entry.toString();
    for (const EnumEntry& e : entries_)
      if (e.text == s) {
        chosen = &e;
        break;
      }
    if (!chosen) {
      for (const EnumEntry& e : entries_)
        if (equalsNoCase(e.text, s)) {
          chosen = &e;
          break;
        }
    }
  }
  if (!chosen) return endEdit(itemName_, watch_, "\"" + entry.toString() + "\" is not one of the entries.");
  return endEdit(itemName_, watch_, writeItem(itemName_, chosen->text));
}

std::vector<std::pair<std::string, Variant>> ComboControl::snapshot() const {
  std::vector<std::pair<std::string, Variant>> out{
      {"Text", Variant(text_)},
      {"Entries", Variant(joinEntries(entries_))},
      {"Editable", Variant(editable())},
      {"LastError", Variant(lastError_)},
  };
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

void ComboControl::userInput(std::string_view what, const Variant& value) {
  if (equalsNoCase(what, "select") || equalsNoCase(what, "text")) select(value);
}

// ------------------------------------------------------------------ label-text-unit

LabelTextUnitControl::LabelTextUnitControl() : ItemBoundControl("Tolvar4LabelTextUnit", members()) {}

const HostControl::Members& LabelTextUnitControl::members() {
  using C = LabelTextUnitControl;
  static const Members members = [] {
    Members m;
    m.addString(dispid::ValueItemName, "ValueItemName", &C::valueItemName_, [](C& c) { c.refollow(); });
    m.addInteger(dispid::LtuItemMode, "ItemMode", &C::itemMode_);
    m.addString(dispid::UnitItemName, "UnitItemName", &C::unitItemName_, [](C& c) { c.refollow(); });
    m.addInteger(dispid::UnitItemMode, "UnitItemMode", &C::unitItemMode_);
    m.addString(dispid::LabelText, "LabelText", &C::labelText_);
    m.addBool(dispid::LabelFlag, "LabelFlag", &C::labelFlag_);
    addEditedText(m);
    m.addReadOnly(0x68030100, "UnitText",
                  [](HostControl& c) { return Variant(static_cast<C&>(c).unitText_); });
    addCommonMembers(m, 0x68030101);
    return m;
  }();
  return members;
}

LabelTextUnitControl::~LabelTextUnitControl() = default;

void LabelTextUnitControl::startWatches() {
  watchEdited(valueItemName_, valueWatch_);
  if (link_) unitWatch_.start(link_.access, unitItemName_, guarded([this] { refresh(); }));
}

void LabelTextUnitControl::refresh() {
  std::string text = fromItem_ ? std::string() : text_;
  std::string unit;
  fromItem_ = valueWatch_.active();
  if (valueWatch_.active()) text = link_.access->itemText(valueItemName_);
  if (unitWatch_.active()) {
    unit = link_.access->itemText(unitItemName_);
  } else if (valueWatch_.active() && unitItemName_.empty()) {
    // Without a unit item of its own the control shows the value item's unit.
    unit = link_.access->describeItem(valueItemName_).unitText;
  }
  if (text == text_ && unit == unitText_) return;
  text_ = std::move(text);
  unitText_ = std::move(unit);
  changed();
}

bool LabelTextUnitControl::editable() const {
  return valueWatch_.active() && !readOnlyItem_ && modeEditable(itemMode_);
}

bool LabelTextUnitControl::edit(const std::string& text) {
  return endEdit(valueItemName_, valueWatch_, editable() ? writeItem(valueItemName_, text) : notEditable());
}

std::vector<std::pair<std::string, Variant>> LabelTextUnitControl::snapshot() const {
  std::vector<std::pair<std::string, Variant>> out{
      {"LabelText", Variant(labelText_)}, {"Text", Variant(text_)},
      {"UnitText", Variant(unitText_)},   {"Editable", Variant(editable())},
      {"LastError", Variant(lastError_)}, {"LabelFlag", Variant(labelFlag_)},
  };
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

void LabelTextUnitControl::userInput(std::string_view what, const Variant& value) {
  if (equalsNoCase(what, "text")) edit(value.toString());
}

// ---------------------------------------------------------------------- item handler

ItemHandlerControl::ItemHandlerControl() : HostControl("Tolvar4CtrlItemHandler", &members()) {}

const HostControl::Members& ItemHandlerControl::members() {
  using C = ItemHandlerControl;
  static const Members members = [] {
    Members m;
    m.table.add(
        dispid::BindItems, "BindItems", 2,
        [](HostControl& c, InvokeKind, std::span<Variant> args) {
          platform::ui::Form& form = formArgument(args[0]);
          return Variant(static_cast<C&>(c).bindItems(form, itemManagerArgument(args[1])));
        },
        true);
    m.table.add(
        dispid::ReleaseItems, "ReleaseItems", 0,
        [](HostControl& c, InvokeKind, std::span<Variant>) {
          static_cast<C&>(c).releaseItems();
          return Variant();
        },
        true);
    m.addReadOnly(0x68030100, "Bound",
                  [](HostControl& c) { return Variant(static_cast<C&>(c).boundCount()); });
    m.addSiteVisible();
    return m;
  }();
  return members;
}

ItemHandlerControl::~ItemHandlerControl() {
  releaseItems();
}

int32_t ItemHandlerControl::bindItems(platform::ui::Form& form, const Ptr<AppletItemManager>& aim) {
  HostLink link = linkTo(aim);
  releaseItems();
  for (const auto& c : form.controls()) {
    auto* uc = dynamic_cast<platform::ui::UserControl*>(c.get());
    if (!uc) continue;
    auto* item = dynamic_cast<ItemBoundControl*>(&uc->impl());
    if (!item) continue;
    bound_.emplace_back(item);
    item->bindItems(link);
  }
  changed();
  return boundCount();
}

void ItemHandlerControl::releaseItems() {
  if (bound_.empty()) return;
  std::vector<Ptr<ItemBoundControl>> bound = std::move(bound_);
  bound_.clear();
  for (auto& c : bound) c->releaseItems();
  changed();
}

int32_t ItemHandlerControl::boundCount() const {
  int32_t n = 0;
  for (const auto& c : bound_)
    if (c->following()) ++n;
  return n;
}

std::vector<std::pair<std::string, Variant>> ItemHandlerControl::snapshot() const {
  return {{"Bound", Variant(boundCount())}};
}

}  // namespace tolvar::controls
