#pragma once
// What makes a window drawn by the Qt front end unreadable, for the screenshot tests of the
// windows: controls outside their area, controls on top of each other, captions wider than
// their controls in the font they are drawn in, captions that leave no ink.
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <algorithm>
#include <ostream>
#include <string>

#include "platform/ui/control.h"
#include "tests/frontend/qt/qt_test_support.h"

namespace vtest {

// A control's place in the form's client area, in twips.
struct Box {
  double left = 0, top = 0, width = 0, height = 0;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << b.left << "," << b.top << " " << b.width << "x" << b.height;
}

// Positions are whole twips; the slack absorbs the single-precision sums of nested frames.
inline constexpr double kSlack = 0.5;

inline bool inside(const Box& b, const Box& area) {
  return b.left >= area.left - kSlack && b.top >= area.top - kSlack && b.right() <= area.right() + kSlack &&
         b.bottom() <= area.bottom() + kSlack;
}

inline bool overlap(const Box& a, const Box& b) {
  return std::min(a.right(), b.right()) > std::max(a.left, b.left) + kSlack &&
         std::min(a.bottom(), b.bottom()) > std::max(a.top, b.top) + kSlack;
}

// Where a control lies in the form: frames place their children from their own corner.
inline Box formBox(const platform::ui::Control& c) {
  Box b{c.left(), c.top(), c.width(), c.height()};
  for (const platform::ui::Control* k = c.container(); k && k->type() != platform::ui::ControlType::Form;
       k = k->container()) {
    b.left += k->left();
    b.top += k->top();
  }
  return b;
}

inline bool within(const platform::ui::Control& c, const platform::ui::Control& ancestor) {
  for (const platform::ui::Control* k = c.container(); k; k = k->container())
    if (k == &ancestor) return true;
  return false;
}

// Dark pixels: text drawn in the window's text colour on its light faces.
inline int inkIn(const QImage& img, QRect r) {
  return countPixels(img, r, [](QColor c) { return qGray(c.rgb()) < 128; });
}

// Why the text of a label does not fit where its container draws it (one line, or as many
// lines as the label's height holds where it breaks its text); empty when it fits.
inline std::string misfit(const frontend::qt::ShownText& label) {
  const QString& text = label.text;
  const QFontMetrics fm(label.font);
  const QRect area = label.area;
  const int width = fm.horizontalAdvance(text);
  auto px = [](int needed, int available, const char* what) {
    return "needs " + std::to_string(needed) + " px, the control has " + std::to_string(available) + " px " +
           what;
  };
  if (fm.height() > area.height()) return px(fm.height(), area.height(), "of height");
  if (width <= area.width()) return {};
  if (!label.wraps || area.height() < 2 * fm.lineSpacing()) return px(width, area.width(), "of width");
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    if (fm.horizontalAdvance(word) > area.width())
      return px(fm.horizontalAdvance(word), area.width(), "for a word");
  const QRect wrapped = fm.boundingRect(QRect(0, 0, area.width(), 100000), Qt::TextWordWrap, text);
  if (wrapped.height() > area.height()) return px(wrapped.height(), area.height(), "of height for its lines");
  return {};
}

// Why a button or framed box is too narrow for `text` with `margin` px beside it; empty when
// it fits.
inline std::string tooNarrow(const QWidget& w, const QString& text, int margin) {
  const int needed = QFontMetrics(w.font()).horizontalAdvance(text) + margin;
  if (needed <= w.width()) return {};
  return "needs " + std::to_string(needed) + " px, the control has " + std::to_string(w.width()) +
         " px of width";
}

}  // namespace vtest
