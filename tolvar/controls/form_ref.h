#pragma once
// Objects that are not dispatch objects themselves (a window, the item manager) travel to the
// host's controls inside a Variant through these small wrappers.
#include "platform/com/dispatch.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"

namespace tolvar::controls {

// A window as an object argument (BindItems' first argument). The wrapper holds a counted
// reference on the form, so the form must be one made with plat::com::makeObject.
plat::com::Ptr<plat::com::Dispatch> makeFormRef(plat::ui::Form& form);

// Any counted object as an object argument (BindItems' second and ConnectItems' first
// argument: the AppletItemManager).
plat::com::Ptr<plat::com::Dispatch> makeObjectRef(plat::com::Ptr<plat::com::Unknown> object);

// What an object argument carries, seen as a window or as an item manager: a wrapper made
// above, or an object that is itself of that kind. Error 424 when the argument is not an
// object (Nothing included), 13 when it is an object of another kind.
plat::ui::Form& formArgument(const plat::com::Variant& arg);
plat::com::Ptr<AppletItemManager> itemManagerArgument(const plat::com::Variant& arg);

}  // namespace tolvar::controls
