#pragma once
#include <string>

#include "platform/com/export.h"
#include "platform/com/variant.h"

namespace platform::ui {

class Form;
class Control;

// The form's whole control tree as JSON: every control with its type, container,
// properties and structured extras (tabs, panels, list items), in design order.
PLAT_API std::string dumpFormJson(const Form& form);
// A value as scripts print and compare it: Booleans "true"/"false", numbers as the
// language prints them, Longs as signed decimals, texts as they are.
PLAT_API std::string scriptText(const platform::com::Variant& v);

}  // namespace platform::ui
