#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "tolvar/controls/form_ref.h"

namespace support {

using platform::com::Variant;

// The error number a call raises, 0 when it raises none.
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const platform::com::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

inline platform::ui::UserControlImpl& impl(platform::ui::Form& f, std::string_view name, int32_t index = -1) {
  return f.ctlAs<platform::ui::UserControl>(name, index).impl();
}

// A value of the control's drawing data; Empty when the control does not show it.
inline Variant shown(const platform::ui::UserControlImpl& c, std::string_view name) {
  for (auto& [n, v] : c.snapshot())
    if (n == name) return v;
  return Variant();
}

inline Variant call(platform::com::Dispatch& d, int32_t id, std::vector<Variant> args = {}) {
  return d.invoke(id, platform::com::InvokeKind::Method, args);
}

// What a window does at its registration tick: hands itself and the item manager over.
inline Variant bindItems(platform::ui::Form& form, platform::com::Dispatch& handler,
                         platform::com::Ptr<platform::com::Unknown> aim) {
  return call(handler, 0x60030000,
              {Variant(tolvar::controls::makeFormRef(form)),
               Variant(tolvar::controls::makeObjectRef(std::move(aim)))});
}

}  // namespace support
