#pragma once
// How the host's controls read the object arguments a component hands them (the wrappers
// themselves are in tolvar/applet/object_args.h, which components include).
#include <span>
#include <string_view>
#include <utility>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/object_args.h"

namespace tolvar::controls {

using tolvar::FormRef;
using tolvar::makeFormRef;
using tolvar::makeObjectRef;
using tolvar::ObjectRef;

// What an object argument carries, seen as a window or as an item manager: a wrapper made
// above, or an object that is itself of that kind. Error 424 when the argument is not an
// object, 91 for Nothing, 13 when it is an object of another kind.
platform::ui::Form& formArgument(const platform::com::Variant& arg);
platform::com::Ptr<AppletItemManager> itemManagerArgument(const platform::com::Variant& arg);

}  // namespace tolvar::controls
