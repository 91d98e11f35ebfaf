#include "tolvar/controls/form_ref.h"

namespace tolvar::controls {

using platform::com::Dispatch;
using platform::com::Ptr;
using platform::com::Variant;
namespace err = platform::com::err;

namespace {

// The object an argument carries; the wrapped object for a wrapper.
template <class T>
T* unwrap(const Variant& arg) {
  if (!arg.isObject()) platform::com::raise(err::ObjectRequired);
  Ptr<Dispatch> obj = arg.toObject();
  if (!obj) platform::com::raise(err::ObjectNotSet);
  if (auto* ref = dynamic_cast<ObjectRef*>(obj.get())) {
    if (!ref->object()) platform::com::raise(err::ObjectNotSet);
    return dynamic_cast<T*>(ref->object());
  }
  return dynamic_cast<T*>(obj.get());
}

}  // namespace

platform::ui::Form& formArgument(const Variant& arg) {
  if (arg.isObject()) {
    if (auto* ref = dynamic_cast<FormRef*>(arg.toObject().get())) return ref->form();
  }
  // cppcheck-suppress constVariable ; handed out as the mutable window it is
  if (auto* form = unwrap<platform::ui::Form>(arg)) return *form;
  platform::com::raise(err::TypeMismatch, "The argument is not a window");
}

Ptr<AppletItemManager> itemManagerArgument(const Variant& arg) {
  if (auto* aim = unwrap<AppletItemManager>(arg)) return Ptr<AppletItemManager>(aim);
  platform::com::raise(err::TypeMismatch, "The argument is not an item manager");
}

}  // namespace tolvar::controls
