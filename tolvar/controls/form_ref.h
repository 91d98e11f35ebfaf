#pragma once
// The host controls' side of the object arguments: what a wrapper (tolvar/applet/form_ref.h)
// or an object passed directly carries.
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/form_ref.h"

namespace tolvar::controls {

// What an object argument carries, seen as a window or as an item manager: a wrapper made
// above, or an object that is itself of that kind. Error 424 when the argument is not an
// object, 91 for Nothing, 13 when it is an object of another kind.
plat::ui::Form& formArgument(const plat::com::Variant& arg);
plat::com::Ptr<AppletItemManager> itemManagerArgument(const plat::com::Variant& arg);

}  // namespace tolvar::controls
