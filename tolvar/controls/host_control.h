#pragma once
// Common ground of the host's controls: a member table answering numbers and names, the link
// to the item manager, item watches that die with their binding, and the design properties
// every control accepts.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/host_access.h"

namespace tolvar::controls {

using platform::com::InvokeKind;
using platform::com::Ptr;
using platform::com::Variant;

// The item manager a control reads through, and its item access.
//
// The access is held as a plain pointer next to a counted reference on the item manager:
// both interfaces live on one host object, and the item manager's count is the one that
// keeps that object alive for as long as the control holds the link.
struct HostLink {
  Ptr<AppletItemManager> itemManager;
  HostItemAccess* access = nullptr;

  explicit operator bool() const { return access != nullptr; }
};

// The link for `aim`; error 91 for Nothing, 430 when the object offers no item access.
HostLink linkTo(const Ptr<AppletItemManager>& aim);

// One watched item: the watch ends with the object or with reset().
class ItemWatch {
 public:
  ItemWatch() = default;
  ~ItemWatch() { reset(); }
  ItemWatch(const ItemWatch&) = delete;
  ItemWatch& operator=(const ItemWatch&) = delete;

  // Watches `name`; true when the host knows the item (an empty name watches nothing).
  bool start(HostItemAccess* access, const std::string& name, std::function<void()> onChange);
  void reset();
  bool active() const { return id_ != 0; }

 private:
  HostItemAccess* access_ = nullptr;
  int32_t id_ = 0;
};

// Error number for an index outside a property array (the plotter's curve number).
inline constexpr int32_t kInvalidPropertyArrayIndex = 381;
// Error number for an object that lacks the interface a call needs.
inline constexpr int32_t kInterfaceNotSupported = 430;

class HostControl : public platform::ui::UserControlImpl {
 public:
  // What the controls of one kind have alike: their member table, whose handlers get the
  // control they run on, and their design properties with the defaults. A window holds a
  // hundred item controls of three kinds, so each kind makes this once and shares it.
  struct Members {
    platform::com::BasicDispatchTable<HostControl&> table;
    std::vector<std::pair<std::string, Variant>> design;  // names and defaults, in member order
    int32_t nextPrivateId = 0x68031000;

    // A String or Boolean or Integer property kept in the control's `field`; `after` runs
    // on the control after a put.
    template <class C>
    void addString(int32_t id, std::string name, std::string C::*field,
                   std::type_identity_t<void (*)(C&)> after = nullptr) {
      addField(id, std::move(name), field, &Variant::toString, after);
    }
    template <class C>
    void addBool(int32_t id, std::string name, bool C::*field,
                 std::type_identity_t<void (*)(C&)> after = nullptr) {
      addField(id, std::move(name), field, &Variant::toBool, after);
    }
    template <class C>
    void addInteger(int32_t id, std::string name, int16_t C::*field,
                    std::type_identity_t<void (*)(C&)> after = nullptr) {
      addField(id, std::move(name), field, &Variant::toInteger, after);
    }
    // A read-only property.
    void addReadOnly(int32_t id, std::string name, std::function<Variant(HostControl&)> getter);
    // The window-side Visible, answered by the site that holds the control.
    void addSiteVisible();
    // Design properties: stored as given, read back as given, shown in the snapshot.
    void addDesignProperty(std::string name, Variant defaultValue);
    // The fonts, colours and alignment a design may give any host control.
    void addCommonDesignProperties();
    // A member number of the kind's own, for members the callers do not know by number.
    int32_t privateId() { return nextPrivateId++; }

   private:
    template <class C, class T>
    void addField(int32_t id, std::string name, T C::*field, T (Variant::*read)() const, void (*after)(C&)) {
      table.addProperty(
          id, std::move(name), [field](HostControl& c) { return Variant(static_cast<C&>(c).*field); },
          [field, read, after](HostControl& c, const Variant& v) {
            C& self = static_cast<C&>(c);
            T value = (v.*read)();
            const bool differs = value != self.*field;
            self.*field = std::move(value);
            if (after) after(self);
            if (differs) c.changed();
          });
    }
  };

  std::string kind() const override { return kind_; }
  int32_t idOfName(std::string_view name) const override { return members_->table.idOfName(name); }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    return members_->table.invoke(*this, id, kind, args);
  }
  // A control that leaves its form stops following its items.
  void attach(platform::ui::UserControl* site) override;

  const platform::com::BasicDispatchTable<HostControl&>& table() const { return members_->table; }

 protected:
  // `members` is the kind's shared table; null: the control builds its own through ownMembers().
  explicit HostControl(std::string kind, const Members* members = nullptr);
  ~HostControl() override;

  // Called when the control leaves its form; drops every item link.
  virtual void dropHost() {}

  // The control's own table (a control made without a shared one), to add members to.
  Members& ownMembers() { return *own_; }
  std::vector<std::pair<std::string, Variant>> designSnapshot() const;
  // A design property's value (Empty when there is none of that name).
  Variant designValue(std::string_view name) const;

  // Wraps a host call-back so that it does nothing once the control is gone or its binding
  // was dropped (a notification already on its way), and so that a failure in it is
  // reported instead of escaping into the event loop.
  std::function<void()> guarded(std::function<void()> f);
  // Invalidates every call-back made by guarded() so far.
  void dropCallbacks() { ++generation_; }

 private:
  const Variant& designAt(size_t slot) const;
  void setDesignAt(size_t slot, const Variant& value);

  std::string kind_;
  std::unique_ptr<Members> own_;
  const Members* members_;
  std::shared_ptr<char> token_ = std::make_shared<char>();
  uint64_t generation_ = 0;
  // The design properties that differ from their default, by slot.
  std::vector<std::pair<uint16_t, Variant>> designSet_;
  bool localVisible_ = true;
};

// Controls that the item handler binds to the item named in their own properties.
class ItemBoundControl : public HostControl {
 public:
  // Follows the items named in the control's properties through `link`. Returns whether
  // the control now follows at least one item.
  bool bindItems(const HostLink& link);
  void releaseItems();
  virtual bool following() const = 0;

  const std::string& text() const { return text_; }
  const std::string& lastError() const { return lastError_; }

 protected:
  ItemBoundControl(std::string kind, const Members& members) : HostControl(std::move(kind), &members) {}
  void dropHost() override { releaseItems(); }

  // Watches the items the properties name (again) and shows what they hold.
  void follow();
  // For the properties that name an item: a new name takes effect at once while bound.
  void refollow() {
    if (link_) follow();
  }
  // The control's own item watches: started through link_ for the items its properties
  // name, ended on every change of binding.
  virtual void startWatches() = 0;
  virtual void stopWatches() = 0;
  // Reads the followed items again.
  virtual void refresh() = 0;

  // Watches `item`, the one the user edits, and learns whether the host lets it be written.
  void watchEdited(const std::string& item, ItemWatch& watch);
  // The Text property of a field that edits the item editedItem() names: an unbound field
  // shows a text given to it; a bound one keeps showing its item (only userInput writes).
  static void addEditedText(Members& members);
  virtual const std::string& editedItem() const;
  // What every item control has last: LastError (at `lastErrorId`), the site's Visible and
  // the common design properties.
  static void addCommonMembers(Members& members, int32_t lastErrorId);
  // Writes the user's `text` to `item`; the error to show, empty when the host took it.
  std::string writeItem(const std::string& item, const std::string& text);
  // Ends a user's edit: LastError becomes `error`, and the field shows what `item` now holds
  // (a refused edit is undone). True when there was no error.
  bool endEdit(const std::string& item, const ItemWatch& watch, std::string error);

  HostLink link_;  // outlives the watches of the derived control: they end while the host is held
  std::string text_;
  std::string lastError_;
  bool readOnlyItem_ = true;
  bool fromItem_ = false;  // text_ came from the edited item
};

// Whether an item mode lets the user edit the item (0 editable, -1 selection field).
inline bool modeEditable(int16_t mode) {
  return mode == 0 || mode == -1;
}

}  // namespace tolvar::controls
