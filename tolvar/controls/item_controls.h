#pragma once
// The host's item controls: a text field, a selection list and a label with value and unit.
// Each follows the item named in its own properties once the item handler has bound it.
#include <cstdint>
#include <string>
#include <vector>

#include "tolvar/controls/host_control.h"

namespace tolvar::controls {

// Tolvar4Text: shows an item's text and, when editable, writes what the user types.
// Snapshot: "Text", "Editable" (and "LastError", "FieldFlag").
class TextControl final : public ItemBoundControl {
 public:
  TextControl();
  ~TextControl() override;

  bool following() const override { return watch_.active(); }

  std::vector<std::pair<std::string, Variant>> snapshot() const override;
  // "text": the user's edit.
  void userInput(std::string_view what, const Variant& value) override;

  bool editable() const;
  // Writes `text` to the item; false (and LastError set, the item's text shown again) when
  // the host refuses it or the field cannot be edited.
  bool edit(const std::string& text);

 private:
  static const Members& members();
  void startWatches() override;
  void stopWatches() override { watch_.reset(); }
  void refresh() override;
  const std::string& editedItem() const override { return itemName_; }

  std::string itemName_;
  int16_t itemMode_ = 0;
  bool fieldFlag_ = false;
  ItemWatch watch_;
};

// Tolvar4Combo: shows an enumerated item's entry and writes the entry the user chooses.
// Snapshot: "Text", "Entries" (joined by "\n"), "Editable" (and "LastError").
class ComboControl final : public ItemBoundControl {
 public:
  ComboControl();
  ~ComboControl() override;

  bool following() const override { return watch_.active(); }

  std::vector<std::pair<std::string, Variant>> snapshot() const override;
  // "select" (or "text"): an entry's text, or its 0-based position as a number.
  void userInput(std::string_view what, const Variant& value) override;

  const std::vector<EnumEntry>& entries() const { return entries_; }
  bool editable() const;
  bool select(const Variant& entry);

 private:
  static const Members& members();
  void startWatches() override;
  void stopWatches() override { watch_.reset(); }
  void refresh() override;

  std::string itemName_;
  int16_t itemMode_ = 0;
  std::vector<EnumEntry> entries_;
  ItemWatch watch_;
};

// Tolvar4LabelTextUnit: a label, the value item's text and the unit item's text.
// Snapshot: "LabelText", "Text", "UnitText", "Editable" (and "LastError", "LabelFlag").
class LabelTextUnitControl final : public ItemBoundControl {
 public:
  LabelTextUnitControl();
  ~LabelTextUnitControl() override;

  bool following() const override { return valueWatch_.active() || unitWatch_.active(); }

  std::vector<std::pair<std::string, Variant>> snapshot() const override;
  void userInput(std::string_view what, const Variant& value) override;

  const std::string& unitText() const { return unitText_; }
  bool editable() const;
  bool edit(const std::string& text);

 private:
  static const Members& members();
  void startWatches() override;
  void stopWatches() override {
    valueWatch_.reset();
    unitWatch_.reset();
  }
  void refresh() override;
  const std::string& editedItem() const override { return valueItemName_; }

  std::string valueItemName_;
  int16_t itemMode_ = 0;
  std::string unitItemName_;
  int16_t unitItemMode_ = 0;
  std::string labelText_;
  bool labelFlag_ = false;
  std::string unitText_;
  ItemWatch valueWatch_;
  ItemWatch unitWatch_;
};

// Tolvar4CtrlItemHandler: binds the item controls of a window to the item manager.
// Snapshot: "Bound" (how many controls follow an item).
class ItemHandlerControl final : public HostControl {
 public:
  ItemHandlerControl();
  ~ItemHandlerControl() override;

  std::vector<std::pair<std::string, Variant>> snapshot() const override;

  // Binds every item control of `form` (replacing an earlier binding); returns how many
  // follow an item.
  int32_t bindItems(platform::ui::Form& form, const Ptr<AppletItemManager>& aim);
  void releaseItems();
  int32_t boundCount() const;

 protected:
  void dropHost() override { releaseItems(); }

 private:
  static const Members& members();
  std::vector<Ptr<ItemBoundControl>> bound_;
};

}  // namespace tolvar::controls
