#pragma once
#include <cstdint>
#include <string>

#include "velumor/view_window/view_window.h"

namespace velumor {

// The four measured-value displays. They share every procedure of the view window; what
// differs is the kind (its design, the form's name "VelumorDisplay<Kind>Form" and the
// caption's leading text) and, per kind, the layout and channel handling added on top.
enum class DisplayKind { Trend, Analog, Digital, Bar };

class VelumorDisplayForm : public ViewWindow {
 public:
  explicit VelumorDisplayForm(DisplayKind kind);

  DisplayKind kind() const { return kind_; }

  // The user text of string `id` in the user's language.
  std::string GetTextFromResource(int16_t id);

  // The window's traits for `kind`: no device menu, no sequence queue, no save question,
  // no Settings menu; the caption begins with the kind's title text.
  static ViewWindowTraits traitsFor(DisplayKind kind);

 protected:
  void Form_Load() override;

 private:
  DisplayKind kind_;
};

}  // namespace velumor
