#pragma once
// What the control classes of controls*.cpp share: default colours, the visual properties
// and the helpers for keyed collections and property paths.
#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "platform/ui/control.h"

namespace platform::ui::detail {

namespace err = platform::com::err;

constexpr int32_t kButtonFace = static_cast<int32_t>(0x8000000Fu);
constexpr int32_t kButtonText = static_cast<int32_t>(0x80000012u);
constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005u);
constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008u);

// Where a control stands and whether it is seen; user controls keep the rest themselves.
inline void declarePlacement(auto&& declare) {
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
  declare("Width", Variant(1215.0f));
  declare("Height", Variant(375.0f));
  declare("Visible", Variant(true));
  declare("Enabled", Variant(true));
  declare("ToolTipText", Variant(std::string()));
}

// What every visible control has.
inline void declareVisual(Control& c, auto&& declare) {
  declarePlacement(declare);
  declare("BackColor", Variant(kButtonFace));
  declare("ForeColor", Variant(kButtonText));
  declare("FontName", Variant(std::string("MS Sans Serif")));
  declare("FontSize", Variant(8.25f));
  declare("FontBold", Variant(false));
  declare("FontItalic", Variant(false));
  declare("FontUnderline", Variant(false));
  declare("TabIndex", Variant(int16_t{0}));
  declare("TabStop", Variant(true));
  declare("MousePointer", Variant(int16_t{0}));
  declare("Appearance", Variant(int16_t{1}));
  declare("HelpContextID", Variant(int32_t{0}));
}

// Captions and list entries may hold any bytes; those that are not UTF-8 are replaced, as
// in the window's dump, rather than failing the dump of the whole window.
inline std::string jsonText(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

inline int32_t resolveIn(const auto& items, const Variant& keyOrPosition, auto&& keyOf) {
  if (keyOrPosition.isNumeric()) {
    int32_t pos = keyOrPosition.toLong();
    return pos >= 1 && pos <= static_cast<int32_t>(items.size()) ? pos : 0;
  }
  std::string key = keyOrPosition.toString();
  for (size_t i = 0; i < items.size(); ++i)
    if (keyOf(items[i]) == key) return static_cast<int32_t>(i + 1);
  return 0;
}

// The position resolveIn gave for `keyOrPosition`; error 380 when it found nothing.
inline int32_t foundAt(int32_t pos, const Variant& keyOrPosition) {
  if (pos == 0)
    platform::com::raise(err::InvalidPropertyValue, "Element not found: " + keyOrPosition.toString());
  return pos;
}

// Stores `value` in `field`; false, with nothing stored, when the field holds it already.
template <class T>
inline bool replaced(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

// A path argument: digits are a position, anything else a key.
inline Variant pathArg(const std::string& arg) {
  bool digits =
      !arg.empty() && std::all_of(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) return Variant(static_cast<int32_t>(std::stol(arg)));
  std::string a = arg;
  if (a.size() >= 2 && a.front() == '"' && a.back() == '"') a = a.substr(1, a.size() - 2);
  return Variant(a);
}

[[noreturn]] inline void noPath(const Control& c, std::string_view path) {
  platform::com::raise(err::NoSuchMember,
                       "'" + c.qualifiedName() + "' has no property path '" + std::string(path) + "'");
}

}  // namespace platform::ui::detail
