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
// be one made with platform::com::makeObject. Its one member is the read-only "Name".
class PLAT_API FormRef final : public platform::com::Dispatch {
 public:
  explicit FormRef(platform::ui::Form& form) : form_(&form) {}
  platform::ui::Form& form() const { return *form_; }

  int32_t idOfName(std::string_view name) const override {
    if (platform::com::equalsNoCase(name, "Name")) return kName;
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  platform::com::Variant invoke(int32_t id, platform::com::InvokeKind kind,
                                std::span<platform::com::Variant> args) override {
    if (id != kName || kind != platform::com::InvokeKind::PropertyGet)
      platform::com::raise(platform::com::err::NoSuchMember);
    if (!args.empty()) platform::com::raise(platform::com::err::WrongArgumentCount);
    return platform::com::Variant(form_->name());
  }

 private:
  static constexpr int32_t kName = 1;
  platform::com::Ptr<platform::ui::Form> form_;
};

// Any counted object as an object argument (the AppletItemManager). It has no members.
class PLAT_API ObjectRef final : public platform::com::Dispatch {
 public:
  explicit ObjectRef(platform::com::Ptr<platform::com::Unknown> object) : object_(std::move(object)) {}
  platform::com::Unknown* object() const { return object_.get(); }

  int32_t idOfName(std::string_view) const override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  platform::com::Variant invoke(int32_t, platform::com::InvokeKind,
                                std::span<platform::com::Variant>) override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }

 private:
  platform::com::Ptr<platform::com::Unknown> object_;
};

// BindItems' first argument.
inline platform::com::Ptr<platform::com::Dispatch> makeFormRef(platform::ui::Form& form) {
  return platform::com::Ptr<platform::com::Dispatch>(new FormRef(form));
}

// BindItems' second and ConnectItems' first argument.
inline platform::com::Ptr<platform::com::Dispatch> makeObjectRef(
    platform::com::Ptr<platform::com::Unknown> object) {
  return platform::com::Ptr<platform::com::Dispatch>(new ObjectRef(std::move(object)));
}

}  // namespace tolvar
