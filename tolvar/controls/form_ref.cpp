#include "tolvar/controls/form_ref.h"

namespace tolvar::controls {

using plat::com::Dispatch;
using plat::com::Ptr;
using plat::com::Variant;
namespace err = plat::com::err;

namespace {

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
