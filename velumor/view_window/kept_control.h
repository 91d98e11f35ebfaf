#pragma once
// A control of a window's design, looked up by name once per load of the window and kept,
// for the paths that touch the same control at every notification (the notification timer,
// the status bar, the settings menus). A window that has unloaded and loaded again has new
// controls: the kept one is then looked up again. Not for members that loadControl creates
// (they may be unloaded while the window stays loaded).
#include <cstdint>
#include <string_view>

#include "platform/ui/form.h"

namespace velumor::view_window {

template <class T>
class KeptControl {
 public:
  // `name` must outlive the object (a literal).
  explicit constexpr KeptControl(std::string_view name) : name_(name) {}

  // The control; loads the window as Form::ctl does, and raises what it raises (an unloaded
  // window, no such control).
  T& get(platform::ui::Form& window) {
    if (!current(window)) {
      T& c = window.ctlAs<T>(name_);
      keep(window, &c);
    }
    return *control_;
  }

  // The control, or null when the loaded window has none (or one of another kind); never
  // loads the window. A miss is not kept: the window may still be creating its controls.
  T* find(platform::ui::Form& window) {
    if (current(window)) return control_;
    if (!window.isLoaded()) return nullptr;
    T* c = dynamic_cast<T*>(window.findControl(name_));
    if (c) keep(window, c);
    return c;
  }

 private:
  bool current(const platform::ui::Form& window) const {
    return resolved_ && window.isLoaded() && loadCount_ == window.loadCount();
  }
  void keep(const platform::ui::Form& window, T* c) {
    control_ = c;
    loadCount_ = window.loadCount();
    resolved_ = true;
  }

  std::string_view name_;
  T* control_ = nullptr;
  uint64_t loadCount_ = 0;
  bool resolved_ = false;
};

}  // namespace velumor::view_window
