#pragma once
// Small drawing helpers the display widgets share. Internal to the front end.
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <cmath>

#include "frontend/qt/display_widgets.h"

namespace frontend::qt {

constexpr double kPi = 3.14159265358979323846;

inline bool finite(double v) {
  return std::isfinite(v);
}

// Where v lies between lo and hi (lo < hi), computed on halves so that a range as wide as
// the doubles allow does not overflow.
inline double fractionIn(double v, double lo, double hi) {
  double span = hi / 2 - lo / 2;
  if (!(span > 0)) return 0;
  return (v / 2 - lo / 2) / span;
}

// A small filled triangle pointing along `angle` (radians, mathematical orientation, y up).
inline void drawMark(QPainter& p, QPointF at, double angle, double size) {
  QPointF dir(std::cos(angle), -std::sin(angle));
  QPointF side(-dir.y(), dir.x());
  QPolygonF tri;
  tri << at + dir * size << at - dir * (size * 0.4) + side * (size * 0.6)
      << at - dir * (size * 0.4) - side * (size * 0.6);
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(kRangeMarkColour);
  p.drawPolygon(tri);
  p.restore();
}

inline void drawSunkenFrame(QPainter& p, const QRect& r, const QPalette& pal) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  p.restore();
}

}  // namespace frontend::qt
