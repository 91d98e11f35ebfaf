#pragma once
// Objects that are not dispatch objects themselves (a window, the item manager) travel to the
// host's controls inside a Variant through these small wrappers (BindItems, ConnectItems).
// They are complete in this header and keep default visibility, so a component makes them
// without linking the host's controls, and the host still recognises them as its own type.
#include <span>
#include <string_view>
#include <utility>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"

namespace tolvar {

// A window as an object argument. It holds a counted reference on the form, so the form must
// be one made with plat::com::makeObject. Its one member is the read-only "Name".
class PLAT_API FormRef final : public plat::com::Dispatch {
 public:
  explicit FormRef(plat::ui::Form& form) : form_(&form) {}
  plat::ui::Form& form() const { return *form_; }

  int32_t idOfName(std::string_view name) const override {
    if (plat::com::equalsNoCase(name, "Name")) return kName;
    plat::com::raise(plat::com::err::NoSuchMember);
  }
  plat::com::Variant invoke(int32_t id, plat::com::InvokeKind kind,
                            std::span<plat::com::Variant> args) override {
    if (id != kName || kind != plat::com::InvokeKind::PropertyGet)
      plat::com::raise(plat::com::err::NoSuchMember);
    if (!args.empty()) plat::com::raise(plat::com::err::WrongArgumentCount);
    return plat::com::Variant(form_->name());
  }

 private:
  static constexpr int32_t kName = 1;
  plat::com::Ptr<plat::ui::Form> form_;
};

// Any counted object as an object argument (the AppletItemManager). It has no members.
class PLAT_API ObjectRef final : public plat::com::Dispatch {
 public:
  explicit ObjectRef(plat::com::Ptr<plat::com::Unknown> object) : object_(std::move(object)) {}
  plat::com::Unknown* object() const { return object_.get(); }

  int32_t idOfName(std::string_view) const override { plat::com::raise(plat::com::err::NoSuchMember); }
  plat::com::Variant invoke(int32_t, plat::com::InvokeKind, std::span<plat::com::Variant>) override {
    plat::com::raise(plat::com::err::NoSuchMember);
  }

 private:
  plat::com::Ptr<plat::com::Unknown> object_;
};

// BindItems' first argument.
inline plat::com::Ptr<plat::com::Dispatch> makeFormRef(plat::ui::Form& form) {
  return plat::com::Ptr<plat::com::Dispatch>(new FormRef(form));
}

// BindItems' second and ConnectItems' first argument.
inline plat::com::Ptr<plat::com::Dispatch> makeObjectRef(plat::com::Ptr<plat::com::Unknown> object) {
  return plat::com::Ptr<plat::com::Dispatch>(new ObjectRef(std::move(object)));
}

}  // namespace tolvar
