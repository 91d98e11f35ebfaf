#include "tolvar/controls/form_ref.h"

#include "platform/com/error.h"

namespace tolvar::controls {

using plat::com::Dispatch;
using plat::com::InvokeKind;
using plat::com::Ptr;
using plat::com::Unknown;
using plat::com::Variant;
namespace err = plat::com::err;

namespace {

constexpr int32_t kNameId = 1;

class FormRef final : public Dispatch {
 public:
  explicit FormRef(plat::ui::Form& form) : form_(&form) {}
  plat::ui::Form& form() const { return *form_; }

  int32_t idOfName(std::string_view name) const override {
    if (plat::com::equalsNoCase(name, "Name")) return kNameId;
    plat::com::raise(err::NoSuchMember);
  }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    if (id != kNameId || kind != InvokeKind::PropertyGet) plat::com::raise(err::NoSuchMember);
    if (!args.empty()) plat::com::raise(err::WrongArgumentCount);
    return Variant(form_->name());
  }

 private:
  Ptr<plat::ui::Form> form_;
};

class ObjectRef final : public Dispatch {
 public:
  explicit ObjectRef(Ptr<Unknown> object) : object_(std::move(object)) {}
  Unknown* object() const { return object_.get(); }

  int32_t idOfName(std::string_view) const override { plat::com::raise(err::NoSuchMember); }
  Variant invoke(int32_t, InvokeKind, std::span<Variant>) override { plat::com::raise(err::NoSuchMember); }

 private:
  Ptr<Unknown> object_;
};

// The object an argument carries; the wrapped object for a wrapper.
template <class T>
T* unwrap(const Variant& arg) {
  if (!arg.isObject()) plat::com::raise(err::ObjectRequired);
  Ptr<Dispatch> obj = arg.toObject();
  if (!obj) plat::com::raise(err::ObjectNotSet);
  if (auto* ref = dynamic_cast<ObjectRef*>(obj.get())) {
    if (!ref->object()) plat::com::raise(err::ObjectNotSet);
    return dynamic_cast<T*>(ref->object());
  }
  return dynamic_cast<T*>(obj.get());
}

}  // namespace

Ptr<Dispatch> makeFormRef(plat::ui::Form& form) { return Ptr<Dispatch>(new FormRef(form)); }

Ptr<Dispatch> makeObjectRef(Ptr<Unknown> object) { return Ptr<Dispatch>(new ObjectRef(std::move(object))); }

plat::ui::Form& formArgument(const Variant& arg) {
  if (arg.isObject()) {
    if (auto* ref = dynamic_cast<FormRef*>(arg.toObject().get())) return ref->form();
  }
  if (auto* form = unwrap<plat::ui::Form>(arg)) return *form;
  plat::com::raise(err::TypeMismatch, "The argument is not a window");
}

Ptr<AppletItemManager> itemManagerArgument(const Variant& arg) {
  if (auto* aim = unwrap<AppletItemManager>(arg)) return Ptr<AppletItemManager>(aim);
  plat::com::raise(err::TypeMismatch, "The argument is not an item manager");
}

}  // namespace tolvar::controls
