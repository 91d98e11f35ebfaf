// Images, picture boxes, shapes and lines.

#include <algorithm>

#include "frontend/qt/control_views.h"
#include "frontend/qt/display_widgets.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// ================================================================ Image, PictureBox

class ImageView : public WidgetView<PictureWidget> {
 public:
  using WidgetView::WidgetView;
  bool graphical() const override { return control_.type() == ControlType::Image; }

 protected:
  void applyAll() override { applyEach({"Picture", "Stretch", "BorderStyle"}); }
  void applyColours() override {
    // An image is transparent; a picture box fills its background.
    w_->setBackground(control_.type() == ControlType::PictureBox ? colourProp("BackColor") : QColor());
  }
  bool apply(std::string_view what) override {
    if (is(what, "Picture")) {
      auto* basic = dynamic_cast<platform::ui::BasicControl*>(&control_);
      w_->setPicture(basic ? sharedPixmap(basic->picture()) : QPixmap());
    } else if (is(what, "Stretch")) {
      w_->setMode(boolProp("Stretch") ? PictureWidget::Mode::Stretch : PictureWidget::Mode::Natural);
    } else if (is(what, "BorderStyle")) {
      w_->setBorder(intProp("BorderStyle") == 1);
    } else {
      return false;
    }
    return true;
  }
};

// ================================================================ Shape, Line

class ShapeView : public WidgetView<ShapeWidget> {
 public:
  using WidgetView::WidgetView;
  bool graphical() const override { return true; }

 protected:
  void applyAll() override { applyColours(); }
  void applyColours() override {
    ShapeData d;
    d.shape = intProp("Shape");
    d.fillStyle = intProp("FillStyle", 1);
    d.fillColour = colourProp("FillColor");
    d.backStyle = intProp("BackStyle");
    d.backColour = colourProp("BackColor");
    d.borderStyle = intProp("BorderStyle", 1);
    d.borderColour = colourProp("BorderColor");
    d.borderWidth = intProp("BorderWidth", 1);
    w_->setShape(d);
  }
  bool apply(std::string_view what) override {
    for (auto p :
         {"Shape", "FillStyle", "FillColor", "BackStyle", "BorderStyle", "BorderColor", "BorderWidth"})
      if (is(what, p)) {
        applyColours();
        return true;
      }
    return false;
  }
};

class LineView : public WidgetView<LineWidget> {
 public:
  using WidgetView::WidgetView;
  bool graphical() const override { return true; }

  // A line's widget is the box around its two ends, widened by its thickness.
  QRect modelGeometry() const override {
    QPoint a(twipsToPx(variantDouble(prop("X1"), 0)), twipsToPx(variantDouble(prop("Y1"), 0)));
    QPoint b(twipsToPx(variantDouble(prop("X2"), 0)), twipsToPx(variantDouble(prop("Y2"), 0)));
    int pad = std::clamp(intProp("BorderWidth", 1), 1, 100) / 2 + 1;
    return QRect(a, b).normalized().adjusted(-pad, -pad, pad, pad);
  }

 protected:
  void applyAll() override { applyColours(); }
  void applyColours() override {
    QRect g = modelGeometry();
    QPointF a(twipsToPx(variantDouble(prop("X1"), 0)) - g.left(),
              twipsToPx(variantDouble(prop("Y1"), 0)) - g.top());
    QPointF b(twipsToPx(variantDouble(prop("X2"), 0)) - g.left(),
              twipsToPx(variantDouble(prop("Y2"), 0)) - g.top());
    w_->setLine(a, b, colourProp("BorderColor"), intProp("BorderWidth", 1), intProp("BorderStyle", 1));
  }
  bool apply(std::string_view what) override {
    for (auto p : {"X1", "Y1", "X2", "Y2", "BorderWidth"})
      if (is(what, p)) {
        widget_->setGeometry(modelGeometry());
        applyColours();
        return true;
      }
    if (is(what, "BorderColor") || is(what, "BorderStyle")) {
      applyColours();
      return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<ControlView> makePictureView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::Shape) return std::make_unique<ShapeView>(owner, control);
  if (control.type() == ControlType::Line) return std::make_unique<LineView>(owner, control);
  return std::make_unique<ImageView>(owner, control);
}

}  // namespace frontend::qt
