#include "velumor/output_views/display_layout.h"

#include <functional>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "velumor/output_views/display_channels.h"

namespace velumor::output_views {

namespace {

using platform::com::cLng;
using platform::ui::Control;

// Sizes are stored single precision; the change is added in double.
void addTo(Control& c, const char* prop, double by) {
  c.setProperty(prop, platform::com::Variant(static_cast<float>(c.getProperty(prop).toDouble() + by)));
}

// The digital window's displays: a failing update of one property is skipped, the rest
// still move. The other windows let the failure end the event.
void step(bool tolerant, const std::function<void()>& f) {
  if (!tolerant) {
    f();
    return;
  }
  try {
    f();
  } catch (const platform::com::RuntimeError&) {
  }
}

// The rows of the needle, digital and bar windows: every gauge takes the whole width change
// and a quarter of the height change, and moves down by what the rows above it grew; the
// value and unit texts keep their size and move with the right edge.
void layoutRows(platform::ui::Form& form, DisplayKind kind, double dW, double dH) {
  Control& frame = form.ctl("DisplayFrame");
  addTo(frame, "Width", dW);
  addTo(frame, "Height", dH);
  const double q = dH / 4;
  const bool texts = kind != DisplayKind::Digital;
  const bool tolerant = kind == DisplayKind::Digital;
  for (int k = 0; k < 4; ++k) {
    const std::string gauge = displayControlName(kind, k);
    step(tolerant, [&] { addTo(form.ctl(gauge), "Width", dW); });
    step(tolerant, [&] { addTo(form.ctl(gauge), "Top", k * q); });
    step(tolerant, [&] { addTo(form.ctl(gauge), "Height", q); });
    if (!texts) continue;
    const std::string prefix(displayChannels()[static_cast<size_t>(k)].name);
    for (const char* suffix : {"ValueTolvar4Text", "UnitTolvar4Text"}) {
      Control& t = form.ctl(prefix + suffix);
      addTo(t, "Left", dW);
      addTo(t, "Top", k * q);
    }
  }
}

}  // namespace

std::string displayControlName(DisplayKind kind, int k) {
  const char* suffix = "";
  switch (kind) {
    case DisplayKind::Trend:
      return {};
    case DisplayKind::Analog:
      suffix = "Tolvar4Needle";
      break;
    case DisplayKind::Digital:
      suffix = "Tolvar4Digital";
      break;
    case DisplayKind::Bar:
      suffix = "Tolvar4BarGraph";
      break;
  }
  return std::string(displayChannels().at(static_cast<size_t>(k)).name) + suffix;
}

void DisplayFormResize(platform::ui::Form& form, DisplayKind kind, int32_t minFormWidth,
                       int32_t minFormHeight, int32_t& lastFormWidth, int32_t& lastFormHeight,
                       bool formLoaded, int32_t connectionState) {
  if (form.windowState() == platform::ui::kMinimized) return;
  // A maximised window has the screen's size and cannot be sized; only a normal one is held
  // at its minimum. Height first: each change raises this event again at once.
  if (form.windowState() == platform::ui::kNormal) {
    if (form.height() < static_cast<float>(minFormHeight)) form.setHeight(minFormHeight);
    if (form.width() < static_cast<float>(minFormWidth)) form.setWidth(minFormWidth);
  }

  if (kind != DisplayKind::Trend) {
    const int32_t dW = cLng(static_cast<double>(form.width()) - lastFormWidth);
    lastFormWidth = cLng(form.width());
    const int32_t dH = cLng(static_cast<double>(form.height()) - lastFormHeight);
    lastFormHeight = cLng(form.height());
    if (formLoaded) layoutRows(form, kind, dW, dH);
    return;
  }

  const int32_t dW = cLng(static_cast<double>(form.width()) - lastFormWidth);
  const int32_t dH = cLng(static_cast<double>(form.height()) - lastFormHeight);
  if (formLoaded) {
    if (connectionState != 0) {
      // While a connection is up (or being made or ended) the plot keeps its size: a
      // maximised window comes back to normal, any other size change is taken back.
      if (form.windowState() == platform::ui::kMaximized) {
        form.setWindowState(platform::ui::kNormal);
      } else {
        form.setWidth(lastFormWidth);
        form.setHeight(lastFormHeight);
      }
    } else {
      Control& frame = form.ctl("DisplayFrame");
      addTo(frame, "Width", dW);
      addTo(frame, "Height", dH);
      Control& plotter = form.ctl("VR_Tolvar4Plotter");
      addTo(plotter, "Width", dW);
      addTo(plotter, "Height", dH);
    }
  }
  lastFormWidth = cLng(form.width());
  lastFormHeight = cLng(form.height());
}

}  // namespace velumor::output_views
