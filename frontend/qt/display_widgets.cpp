#include "frontend/qt/display_widgets.h"

#include <QEvent>
#include <QHelpEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace frontend::qt {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool finite(double v) {
  return std::isfinite(v);
}

// Where v lies between lo and hi (lo < hi), computed on halves so that a range as wide as
// the doubles allow does not overflow.
double fractionIn(double v, double lo, double hi) {
  double span = hi / 2 - lo / 2;
  if (!(span > 0)) return 0;
  return (v / 2 - lo / 2) / span;
}

// A small filled triangle pointing along `angle` (radians, mathematical orientation, y up).
void drawMark(QPainter& p, QPointF at, double angle, double size) {
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

void drawSunkenFrame(QPainter& p, const QRect& r, const QPalette& pal) {
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

}  // namespace

ScalePosition scalePosition(double value, double min, double max, bool overFlag, bool underFlag) {
  ScalePosition s;
  s.hasScale = finite(min) && finite(max) && min < max;
  if (std::isnan(value)) {
    s.over = overFlag;
    s.under = underFlag && !overFlag;
    if (s.over) s.fraction = 1;
    return s;
  }
  s.hasValue = true;
  if (!s.hasScale) {
    s.over = overFlag || value == std::numeric_limits<double>::infinity();
    s.under = !s.over && (underFlag || value == -std::numeric_limits<double>::infinity());
    s.fraction = s.over ? 1 : 0;
    return s;
  }
  if (value > max || overFlag) {
    s.over = true;
    s.fraction = 1;
  } else if (value < min || underFlag) {
    s.under = true;
    s.fraction = 0;
  } else {
    s.fraction = std::clamp(fractionIn(value, min, max), 0.0, 1.0);
  }
  return s;
}

QString scaleText(double v) {
  if (!finite(v)) return QString();
  if (v == 0) return QStringLiteral("0");
  return QString::number(v, 'g', 6);
}

const QColor& curveColour(int curve) {
  static const QColor colours[] = {QColor(0xE0, 0x10, 0x10), QColor(0x10, 0x30, 0xE0),
                                   QColor(0x00, 0x90, 0x20), QColor(0xB0, 0x00, 0xB0)};
  return colours[std::clamp(curve, 0, 3)];
}

// ---------------------------------------------------------------- scales

ScaleTicks scaleTicks(double lo, double hi, int maxIntervals) {
  ScaleTicks t;
  if (!(finite(lo) && finite(hi) && lo < hi) || maxIntervals < 1) return t;
  const double span = hi / 2 - lo / 2;  // halves: a range as wide as the doubles allow
  double raw = span * 2 / maxIntervals;
  if (!finite(raw) || raw <= 0) return t;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / mag;
  double nice = 10;
  t.minorPerMajor = 5;
  if (norm <= 1) {
    nice = 1;
  } else if (norm <= 2) {
    nice = 2;
    t.minorPerMajor = 4;
  } else if (norm <= 2.5) {
    nice = 2.5;
  } else if (norm <= 5) {
    nice = 5;
  }
  t.step = nice * mag;
  if (!finite(t.step) || t.step <= 0) return t;
  const double first = std::ceil(lo / t.step - 1e-9);
  for (int i = 0; i <= maxIntervals + 1; ++i) {
    double v = (first + i) * t.step;
    if (v > hi + t.step * 1e-9) break;
    if (std::fabs(v) < t.step * 1e-9) v = 0;  // no "-0" or "1e-13" under a zero tick
    t.majors.push_back(v);
  }
  return t;
}

// ---------------------------------------------------------------- instruments

void InstrumentWidget::setData(const InstrumentData& d) {
  data_ = d;
  update();  // Qt folds a burst of changes into one repaint
}

QString InstrumentWidget::readout() const {
  QString v = data_.valueText;
  if (v.isEmpty()) v = finite(data_.value) ? scaleText(data_.value) : QStringLiteral("---");
  if (!data_.unitText.isEmpty()) v += QLatin1Char(' ') + data_.unitText;
  return v;
}

QVector<QRectF> InstrumentWidget::coveredAreas() const {
  QVector<QRectF> out;
  const QWidget* parent = parentWidget();
  if (!parent) return out;
  bool above = false;
  for (const QObject* o : parent->children()) {
    if (o == this) {
      above = true;  // children are listed bottom to top: what follows lies over this widget
      continue;
    }
    const auto* w = qobject_cast<const QWidget*>(o);
    if (!above || !w || w->isHidden() || w->isWindow()) continue;
    QRect r = w->geometry().intersected(geometry());
    if (!r.isEmpty()) out.push_back(QRectF(r.translated(-pos())));
  }
  return out;
}

namespace {

// A text of the window lying over the instrument's top row (not a control covering the
// instrument at large, which hides it whatever it draws).
bool overTopRow(const QRectF& c, const QRectF& band, const QRectF& inner) {
  return c.intersects(band) && c.bottom() <= inner.top() + inner.height() / 2;
}

}  // namespace

double InstrumentWidget::contentTop(const QRectF& inner) const {
  const double rowH = QFontMetricsF(font()).height();
  double top = inner.top() + rowH + 2;
  const QRectF band(inner.left(), inner.top(), inner.width(), rowH + 2);
  for (const QRectF& c : coveredAreas())
    if (overTopRow(c, band, inner)) top = std::max(top, c.bottom() + 3);
  return top;
}

InstrumentWidget::TopRow InstrumentWidget::drawTopRow(QPainter& p, const QRectF& inner, const QColor& ink,
                                                      bool unitInCaption) const {
  QFontMetricsF fm(font());
  TopRow row;
  row.height = fm.height();
  const QRectF band(inner.left(), inner.top(), inner.width(), row.height + 2);
  // Texts the window placed over the instrument show the value; the caption keeps clear of them.
  double captionRight = inner.right();
  bool readout = true;
  for (const QRectF& c : coveredAreas()) {
    if (!overTopRow(c, band, inner)) continue;
    readout = false;
    captionRight = std::min(captionRight, c.left() - 4);
  }
  p.setPen(ink);
  QString shown = readout ? this->readout() : QString();
  double readoutW = shown.isEmpty() ? 0 : std::min(fm.horizontalAdvance(shown) + 2, inner.width() / 2);
  if (readoutW > 0)
    p.drawText(QRectF(inner.right() - readoutW, inner.top(), readoutW, row.height),
               Qt::AlignRight | Qt::AlignTop, fm.elidedText(shown, Qt::ElideRight, readoutW));
  QString caption = data_.caption;
  if (unitInCaption && !data_.unitText.isEmpty() && readoutW == 0)
    caption += (caption.isEmpty() ? QString() : QStringLiteral("  ")) + QLatin1Char('[') + data_.unitText +
               QLatin1Char(']');
  const double captionW = std::min(captionRight, inner.right() - readoutW - 6) - inner.left();
  if (!caption.isEmpty() && captionW > 8)
    p.drawText(QRectF(inner.left(), inner.top(), captionW, row.height), Qt::AlignLeft | Qt::AlignTop,
               fm.elidedText(caption, Qt::ElideRight, captionW));
  return row;
}

namespace {

QFont smallFont(const QFont& f) {
  QFont s = f;
  if (s.pixelSize() > 0)
    s.setPixelSize(std::max(8, s.pixelSize() - 1));
  else
    s.setPointSizeF(std::max(6.0, s.pointSizeF() * 0.9));
  return s;
}

}  // namespace

void NeedleWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QColor face = data_.face.isValid() ? data_.face : pal.color(QPalette::Base);
  const QColor ink = data_.ink.isValid() ? data_.ink : pal.color(QPalette::Text);
  p.fillRect(rect(), face);
  drawSunkenFrame(p, rect().adjusted(0, 0, -1, -1), pal);
  p.setFont(font());
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  if (inner.width() < 8 || inner.height() < 8) return;
  const TopRow row = drawTopRow(p, inner, ink, false);
  p.setRenderHint(QPainter::Antialiasing, true);

  // The dial below the caption row. Where the height allows, a classic dial of 100 degrees
  // around a visible pivot; in a flat instrument a shallow arc of a larger radius whose
  // pivot lies below the face, as on an edgewise panel meter.
  (void)row;
  const double dialTop = contentTop(inner);
  const QRectF dial(inner.left(), dialTop, inner.width(), inner.bottom() - dialTop);
  if (dial.height() < 10) return;
  const QFont small = smallFont(font());
  const QFontMetricsF sfm(small);
  ScalePosition pos = scalePosition(data_.value, data_.min, data_.max, data_.overRange, data_.underRange);
  ScaleTicks ticks = pos.hasScale ? scaleTicks(data_.min, data_.max, 5) : ScaleTicks{};
  double labelW = 0;
  for (double v : ticks.majors) labelW = std::max(labelW, sfm.horizontalAdvance(scaleText(v)));
  const double tick = std::clamp(dial.height() * 0.14, 4.0, 9.0);
  const double unitH = data_.unitText.isEmpty() ? 0 : sfm.height();
  const double halfChord = dial.width() / 2 - std::max(labelW / 2, 6.0) - 3;
  if (halfChord < 8) return;
  const double thetaMax = 50 * kPi / 180;
  double theta = thetaMax;
  double radius = halfChord / std::sin(thetaMax);
  const double arcTop = dial.top() + 3;
  if (radius + 4 > dial.height() - 3) {
    const double sag = std::clamp(dial.height() - 3 - tick - 2 - sfm.height() - unitH - 2, 3.0,
                                  radius * (1 - std::cos(thetaMax)));
    theta = 2 * std::atan(sag / halfChord);
    radius = halfChord / std::sin(theta);
  }
  const QPointF pivot(dial.center().x(), arcTop + radius);
  const double a0 = kPi / 2 + theta, a1 = kPi / 2 - theta;  // min on the left, max on the right
  auto at = [&](double angle, double r) {
    return pivot + QPointF(std::cos(angle) * r, -std::sin(angle) * r);
  };
  auto angleOf = [&](double v) {
    return a0 + (a1 - a0) * std::clamp(fractionIn(v, data_.min, data_.max), 0.0, 1.0);
  };

  p.save();
  p.setClipRect(dial.adjusted(-2, -2, 2, 2));
  const QColor scaleColour = pos.hasScale ? ink : pal.color(QPalette::Disabled, QPalette::Text);
  p.setPen(QPen(scaleColour, 1.4));
  p.setBrush(Qt::NoBrush);
  const QRectF arcBox(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(arcBox, static_cast<int>(std::lround((kPi / 2 - theta) * 180 / kPi * 16)),
            static_cast<int>(std::lround(2 * theta * 180 / kPi * 16)));
  if (ticks.majors.empty()) {
    // No usable scale: an empty dial, so that nothing suggests a reading.
    for (int i = 0; i <= 10; ++i) {
      const double a = a0 + (a1 - a0) * i / 10.0;
      p.drawLine(at(a, radius), at(a, radius - (i % 5 == 0 ? tick : tick / 2)));
    }
  } else {
    p.setPen(QPen(scaleColour, 1.0));
    const double minor = ticks.step / ticks.minorPerMajor;
    const double firstMinor = std::ceil(data_.min / minor - 1e-9);
    for (int i = 0; i <= 5 * 12; ++i) {
      const double v = (firstMinor + i) * minor;
      if (v > data_.max + minor * 1e-9) break;
      const double a = angleOf(v);
      p.drawLine(at(a, radius), at(a, radius - tick / 2));
    }
    p.setPen(QPen(scaleColour, 1.6));
    for (double v : ticks.majors) p.drawLine(at(angleOf(v), radius), at(angleOf(v), radius - tick));
    // Labels inside the ticks; one that would touch its neighbour is left out.
    p.setFont(small);
    p.setPen(ink);
    QRectF last;
    const double labelR = radius - tick - 2 - sfm.height() / 2;
    for (size_t i = 0; i < ticks.majors.size(); ++i) {
      const QString t = scaleText(ticks.majors[i]);
      const double w = sfm.horizontalAdvance(t) + 2;
      const QPointF c = at(angleOf(ticks.majors[i]), labelR);
      QRectF box(c.x() - w / 2, c.y() - sfm.height() / 2, w, sfm.height());
      box.moveLeft(std::clamp(box.left(), inner.left(), inner.right() - w));
      if (!last.isNull() && box.adjusted(-3, 0, 3, 0).intersects(last)) continue;
      if (box.bottom() > dial.bottom() + 1) continue;
      p.drawText(box, Qt::AlignCenter, t);
      last = box;
    }
  }
  // The unit on the face, under the middle of the scale.
  if (unitH > 0) {
    p.setFont(small);
    p.setPen(ink);
    const double top = arcTop + tick + 2 + sfm.height() + 1;
    const QRectF box(dial.center().x() - halfChord / 2, top, halfChord, unitH);
    if (box.bottom() <= dial.bottom() + 1)
      p.drawText(box, Qt::AlignHCenter | Qt::AlignTop,
                 sfm.elidedText(data_.unitText, Qt::ElideRight, halfChord));
  }
  p.setFont(font());
  const double markSize = std::clamp(radius * 0.06, 4.0, 6.0);
  if (pos.over) drawMark(p, at(a1, radius + 1), a1 - kPi / 2, markSize);
  if (pos.under) drawMark(p, at(a0, radius + 1), a0 + kPi / 2, markSize);
  // No needle when there is nothing to point at: no number, or no usable scale.
  if (pos.hasScale && (pos.hasValue || pos.over || pos.under)) {
    const double a = a0 + (a1 - a0) * pos.fraction;
    p.setPen(QPen(kNeedleColour, std::clamp(radius / 50, 2.0, 3.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot, at(a, radius - 1));  // the clip keeps a pivot below the face out of sight
  }
  if (pivot.y() + 4 <= dial.bottom()) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Dark));
    p.drawEllipse(pivot, 3.5, 3.5);
  }
  p.restore();
}

QRectF BarGraphWidget::barRect() const {
  const QFontMetricsF sfm(smallFont(font()));
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  const double top = contentTop(inner);
  const double mark = 7;  // room for the over/under marks
  ScaleTicks ticks = scaleTicks(data_.min, data_.max, 5);
  double labelW = 0;
  for (double v : ticks.majors) labelW = std::max(labelW, sfm.horizontalAdvance(scaleText(v)) + 2);
  if (height() >= width()) {
    // Upright: the scale on the left of the bar.
    if (labelW + 6 > inner.width() / 2) labelW = 0;
    const double scaleW = labelW > 0 ? labelW + 6 : 0;
    const double barW = std::min(inner.width() - scaleW, std::max(12.0, inner.width() * 0.5));
    QRectF r(inner.left() + scaleW, top + mark, barW, inner.bottom() - top - 2 * mark);
    return r.width() > 0 && r.height() > 0 ? r : QRectF();
  }
  // Lying: the scale under the bar, its end labels inside the instrument.
  const double tick = 4;
  double scaleH = ticks.majors.empty() ? 0 : tick + sfm.height() + 1;
  const double avail = inner.bottom() - top - 1;
  if (avail - scaleH < 10) scaleH = 0;  // too flat for labels: the bar comes first
  const double side = std::max(mark, labelW / 2);
  // A taller row gives a thicker bar, up to most of the room the scale leaves.
  double h = std::min(avail - scaleH, std::max(26.0, (avail - scaleH) * 0.6));
  QRectF r(inner.left() + side, top + 1, inner.width() - 2 * side, h);
  return r.width() > 0 && r.height() > 0 ? r : QRectF();
}

void BarGraphWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QColor face = data_.face.isValid() ? data_.face : pal.color(QPalette::Window);
  const QColor ink = data_.ink.isValid() ? data_.ink : pal.color(QPalette::WindowText);
  p.fillRect(rect(), face);
  p.setFont(font());
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  if (inner.width() < 4 || inner.height() < 4) return;
  drawTopRow(p, inner, ink, true);
  QRectF bar = barRect();
  if (bar.isEmpty()) return;
  const bool vertical = height() >= width();
  ScalePosition pos = scalePosition(data_.value, data_.min, data_.max, data_.overRange, data_.underRange);
  p.fillRect(bar, pal.color(QPalette::Base));
  if (pos.hasScale && (pos.hasValue || pos.over)) {
    QRectF fill = bar;
    if (vertical)
      fill.setTop(bar.bottom() - bar.height() * pos.fraction);
    else
      fill.setWidth(bar.width() * pos.fraction);
    p.fillRect(fill, kBarColour);
  }
  p.setPen(pal.color(QPalette::Dark));
  p.setBrush(Qt::NoBrush);
  p.drawRect(bar);
  if (pos.hasScale) {
    const QFont small = smallFont(font());
    const QFontMetricsF sfm(small);
    p.setFont(small);
    ScaleTicks ticks =
        scaleTicks(data_.min, data_.max,
                   vertical ? std::max(1, static_cast<int>(bar.height() / (2.5 * sfm.height()))) : 5);
    auto place = [&](double v) { return std::clamp(fractionIn(v, data_.min, data_.max), 0.0, 1.0); };
    const double minor = ticks.step / std::max(1, ticks.minorPerMajor);
    QRectF last;
    if (vertical) {
      for (double v = std::ceil(data_.min / minor - 1e-9) * minor; v <= data_.max + minor * 1e-9 && minor > 0;
           v += minor) {
        const double y = bar.bottom() - bar.height() * place(v);
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(QPointF(bar.left() - 3, y), QPointF(bar.left() - 1, y));
      }
      p.setPen(ink);
      const double lw = bar.left() - inner.left() - 6;
      for (double v : ticks.majors) {
        const double y = bar.bottom() - bar.height() * place(v);
        p.drawLine(QPointF(bar.left() - 5, y), QPointF(bar.left() - 1, y));
        QRectF box(inner.left(), y - sfm.height() / 2, std::max(0.0, lw), sfm.height());
        if (lw <= 0 || (!last.isNull() && box.intersects(last))) continue;
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, scaleText(v));
        last = box;
      }
    } else {
      for (double v = std::ceil(data_.min / minor - 1e-9) * minor; v <= data_.max + minor * 1e-9 && minor > 0;
           v += minor) {
        const double x = bar.left() + bar.width() * place(v);
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(QPointF(x, bar.bottom() + 1), QPointF(x, bar.bottom() + 3));
      }
      p.setPen(ink);
      for (double v : ticks.majors) {
        const double x = bar.left() + bar.width() * place(v);
        p.drawLine(QPointF(x, bar.bottom() + 1), QPointF(x, bar.bottom() + 5));
        const QString t = scaleText(v);
        const double w = sfm.horizontalAdvance(t) + 2;
        QRectF box(std::clamp(x - w / 2, inner.left(), inner.right() - w), bar.bottom() + 5, w, sfm.height());
        if (box.bottom() > inner.bottom() + 2) break;
        if (!last.isNull() && box.adjusted(-3, 0, 3, 0).intersects(last)) continue;
        p.drawText(box, Qt::AlignCenter, t);
        last = box;
      }
    }
    p.setFont(font());
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  if (pos.over) {
    if (vertical)
      drawMark(p, QPointF(bar.center().x(), bar.top() - 3), kPi / 2, 5);
    else
      drawMark(p, QPointF(bar.right() + 3, bar.center().y()), 0, 5);
  }
  if (pos.under) {
    if (vertical)
      drawMark(p, QPointF(bar.center().x(), bar.bottom() + 3), -kPi / 2, 5);
    else
      drawMark(p, QPointF(bar.left() - 3, bar.center().y()), kPi, 5);
  }
}

// ---------------------------------------------------------------- digital readout

void DigitalWidget::setTexts(const QString& caption, const QString& text, const QString& unit) {
  if (caption == caption_ && text == text_ && unit == unit_) return;
  caption_ = caption;
  text_ = text;
  unit_ = unit;
  update();
}

void DigitalWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kDigitalBackground);
  drawSunkenFrame(p, rect().adjusted(0, 0, -1, -1), palette());
  // The readout keeps to the part of the display its container leaves visible, so that a
  // display reaching under the frame's edge still shows its whole value and unit.
  QRect seen = rect();
  const QWidget* parent = parentWidget();
  if (parent && !isWindow()) seen = seen.intersected(parent->rect().translated(-pos()));
  if (seen.height() < rect().height() / 2) seen = rect();
  QRectF inner = QRectF(seen).adjusted(4, 2, -4, -2);
  if (inner.width() < 4 || inner.height() < 4) return;
  QFont small = font();
  QFontMetricsF sfm(small);
  double captionH = caption_.isEmpty() || inner.height() < 2.5 * sfm.height() ? 0 : sfm.height();
  p.setFont(small);
  p.setPen(QColor(0xA0, 0xB0, 0xA0));
  if (captionH > 0)
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), captionH), Qt::AlignLeft | Qt::AlignTop,
               sfm.elidedText(caption_, Qt::ElideRight, inner.width()));
  double unitW = unit_.isEmpty() ? 0 : sfm.horizontalAdvance(unit_) + 4;
  if (unitW > inner.width() / 2) unitW = inner.width() / 2;
  QRectF valueArea(inner.left(), inner.top() + captionH, inner.width() - unitW, inner.height() - captionH);
  if (unitW > 0)
    p.drawText(QRectF(valueArea.right(), valueArea.top(), unitW, valueArea.height()),
               Qt::AlignRight | Qt::AlignBottom, sfm.elidedText(unit_, Qt::ElideRight, unitW));
  // The value as large as the area allows.
  QFont big(QStringLiteral("DejaVu Sans Mono"));
  big.setStyleHint(QFont::Monospace);
  big.setBold(true);
  QString shown = text_.isEmpty() ? QStringLiteral("---") : text_;
  int px = std::max(6, static_cast<int>(valueArea.height() * 0.9));
  for (; px > 6; --px) {
    big.setPixelSize(px);
    if (QFontMetricsF(big).horizontalAdvance(shown) <= valueArea.width() - 2) break;
  }
  big.setPixelSize(px);
  p.setFont(big);
  p.setPen(kDigitalForeground);
  p.drawText(valueArea, Qt::AlignRight | Qt::AlignVCenter, shown);
}

// ---------------------------------------------------------------- plotter

std::vector<PlotCurve> parseCurves(const QString& json) {
  std::vector<PlotCurve> out;
  QJsonParseError err{};
  QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &err);
  if (!doc.isArray()) return out;
  const auto nan = std::numeric_limits<double>::quiet_NaN();
  for (const QJsonValue& cv : doc.array()) {
    if (!cv.isObject()) continue;
    QJsonObject o = cv.toObject();
    PlotCurve c;
    c.caption = o.value(QStringLiteral("caption")).toString();
    c.unit = o.value(QStringLiteral("unit")).toString();
    c.number = o.value(QStringLiteral("curve")).toInt(0);
    c.min = o.value(QStringLiteral("min")).isDouble() ? o.value(QStringLiteral("min")).toDouble() : nan;
    c.max = o.value(QStringLiteral("max")).isDouble() ? o.value(QStringLiteral("max")).toDouble() : nan;
    for (const QJsonValue& pv : o.value(QStringLiteral("points")).toArray()) {
      QJsonArray pa = pv.toArray();
      if (pa.size() < 2 || !pa.at(0).isDouble()) continue;
      c.points.emplace_back(pa.at(0).toDouble(), pa.at(1).isDouble() ? pa.at(1).toDouble() : nan);
    }
    out.push_back(std::move(c));
  }
  return out;
}

void PlotterWidget::setCurves(std::vector<PlotCurve> curves, double timeSpanMs) {
  if (curves.size() > static_cast<size_t>(kMaxCurves)) curves.resize(kMaxCurves);
  curves_ = std::move(curves);
  timeSpanMs_ = timeSpanMs;
  update();  // Qt folds a burst of changes into one repaint
}

int PlotterWidget::colourIndex(size_t i) const {
  const int n = curves_[i].number;
  return n >= 1 && n <= kMaxCurves ? n - 1 : static_cast<int>(i);
}

int PlotterWidget::legendRows() const {
  if (curves_.empty()) return 0;
  // One line a curve where there is room, else two curves a line.
  const int lineH = QFontMetrics(font()).height();
  const int n = static_cast<int>(curves_.size());
  return height() >= 8 * lineH + n * lineH + 40 ? n : (n + 1) / 2;
}

int PlotterWidget::legendHeight() const {
  const int rows = legendRows();
  return rows == 0 ? 0 : rows * QFontMetrics(font()).height() + 4;
}

QRectF PlotterWidget::plotRect() const {
  QFontMetricsF fm(font());
  const double axisW = fm.horizontalAdvance(QStringLiteral("100 %")) + 8;
  QRectF r = QRectF(rect()).adjusted(4 + axisW, 2 + legendHeight() + fm.height() / 2, -8, -(fm.height() + 8));
  return r.width() > 2 && r.height() > 2 ? r : QRectF();
}

void PlotterWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.setFont(font());
  QFontMetricsF fm(font());

  // Legend: the curve's colour, its caption, its newest value with the unit, and the range it
  // is drawn in; each curve is plotted in per cent of its own range.
  const int rows = legendRows();
  if (rows > 0) {
    const int perRow = rows == static_cast<int>(curves_.size()) ? 1 : 2;
    const double cellW = (width() - 8.0) / perRow;
    for (size_t i = 0; i < curves_.size(); ++i) {
      const PlotCurve& c = curves_[i];
      const int row = static_cast<int>(i) / perRow, col = static_cast<int>(i) % perRow;
      const QRectF cell(4 + col * cellW, 2 + row * fm.height(), cellW - 6, fm.height());
      p.setPen(QPen(curveColour(colourIndex(i)), 3));
      p.drawLine(QPointF(cell.left(), cell.center().y()), QPointF(cell.left() + 14, cell.center().y()));
      QString value;
      for (auto it = c.points.rbegin(); it != c.points.rend(); ++it) {
        if (!finite(it->second)) break;  // the newest sample has no number
        value = scaleText(it->second);
        break;
      }
      if (!value.isEmpty() && !c.unit.isEmpty()) value += QLatin1Char(' ') + c.unit;
      QString range;
      if (finite(c.min) && finite(c.max) && c.min < c.max)
        range = scaleText(c.min) + QStringLiteral(" … ") + scaleText(c.max);
      p.setPen(pal.color(QPalette::WindowText));
      QRectF text = cell.adjusted(18, 0, 0, 0);
      // The range only where it fits beside the caption and the value.
      const double rangeW = perRow == 1 && !range.isEmpty() ? fm.horizontalAdvance(range) + 8 : 0;
      const double valueW = value.isEmpty() ? 0 : std::min(fm.horizontalAdvance(value) + 8, text.width() / 2);
      const bool showRange = rangeW > 0 && rangeW + valueW + 80 < text.width();
      if (showRange) {
        p.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, range);
        text.setRight(text.right() - rangeW);
        p.setPen(pal.color(QPalette::WindowText));
      }
      if (valueW > 0) {
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
                   QFontMetricsF(bold).elidedText(value, Qt::ElideRight, valueW));
        p.setFont(font());
        text.setRight(text.right() - valueW - 4);
      }
      p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(c.caption, Qt::ElideRight, std::max(0.0, text.width())));
    }
  }
  QRectF plot = plotRect();
  if (plot.isEmpty()) return;
  p.fillRect(plot, pal.color(QPalette::Base));

  // The value axis in per cent of each curve's range.
  p.setPen(pal.color(QPalette::WindowText));
  for (int i = 0; i <= 4; ++i) {
    const double y = plot.bottom() - plot.height() * i / 4;
    if (i > 0 && i < 4) {
      p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
      p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    p.setPen(pal.color(QPalette::WindowText));
    p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
    p.drawText(QRectF(0, y - fm.height() / 2, plot.left() - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(i * 25) + QStringLiteral(" %"));
  }

  // The time axis ends at the newest sample and spans TimeSpanMs, or the data when none is given.
  double tEnd = -std::numeric_limits<double>::infinity(), tFirst = std::numeric_limits<double>::infinity();
  for (const PlotCurve& c : curves_)
    for (auto& [t, v] : c.points)
      if (finite(t)) {
        tEnd = std::max(tEnd, t);
        tFirst = std::min(tFirst, t);
      }
  double span = finite(timeSpanMs_) && timeSpanMs_ > 0 ? timeSpanMs_ : (finite(tEnd) ? tEnd - tFirst : 0);
  if (span > 0 && finite(span)) {
    // Ticks on whole seconds back from the newest sample: "-50 s" ... "0 s".
    const double seconds = span / 1000.0;
    const double maxLabels =
        std::max(1.0, plot.width() / (fm.horizontalAdvance(QStringLiteral("-000 s")) + 12));
    ScaleTicks ticks = scaleTicks(0, seconds, static_cast<int>(std::min(10.0, maxLabels)));
    for (double s : ticks.majors) {
      const double x = plot.right() - plot.width() * (s / seconds);
      if (s > 0 && s < seconds) {
        p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      }
      p.setPen(pal.color(QPalette::WindowText));
      p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
      const QString t =
          s == 0 ? QStringLiteral("0 s") : QStringLiteral("-") + scaleText(s) + QStringLiteral(" s");
      const double w = fm.horizontalAdvance(t) + 2;
      p.drawText(QRectF(std::clamp(x - w / 2, 0.0, width() - w), plot.bottom() + 5, w, fm.height()),
                 Qt::AlignCenter, t);
    }
  }
  p.setPen(pal.color(QPalette::Dark));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
  if (!finite(tEnd) || !(span > 0) || !finite(span)) return;
  const double tStart = tEnd - span;

  p.setRenderHint(QPainter::Antialiasing, true);
  p.setClipRect(plot.adjusted(-1, -1, 1, 1));
  for (size_t i = 0; i < curves_.size(); ++i) {
    const PlotCurve& c = curves_[i];
    double lo = c.min, hi = c.max;
    if (!(finite(lo) && finite(hi) && lo < hi)) {
      // No usable range: scale to what the curve shows.
      lo = std::numeric_limits<double>::infinity();
      hi = -lo;
      for (auto& [t, v] : c.points)
        if (finite(v) && t >= tStart) {
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
      if (!finite(lo)) continue;
      if (!(lo < hi)) {
        double pad = std::max(1.0, std::fabs(lo) * 1e-6);
        lo -= pad;
        hi += pad;
      }
    }
    p.setPen(QPen(curveColour(colourIndex(i)), 2.0));
    QPolygonF run;
    auto flush = [&] {
      if (run.size() == 1) p.drawPoint(run.front());
      if (run.size() > 1) p.drawPolyline(run);
      run.clear();
    };
    for (auto& [t, v] : c.points) {
      if (!finite(t) || t < tStart) continue;
      if (!finite(v)) {
        flush();
        continue;
      }
      double fx = fractionIn(t, tStart, tEnd);
      double fy = std::clamp(fractionIn(v, lo, hi), 0.0, 1.0);  // values outside the range run along the edge
      if (!finite(fx) || !finite(fy)) continue;
      // Inside the frame, so that a curve at an end of its range stays visible.
      run << QPointF(plot.left() + 2 + fx * (plot.width() - 4), plot.bottom() - 2 - fy * (plot.height() - 4));
    }
    flush();
  }
}

// ---------------------------------------------------------------- pictures, shapes, lines

void PictureWidget::setPicture(const QPixmap& p) {
  pixmap_ = p;
  update();
}
void PictureWidget::setMode(Mode m) {
  mode_ = m;
  update();
}
void PictureWidget::setBorder(bool b) {
  border_ = b;
  update();
}
void PictureWidget::setBackground(const QColor& c) {
  background_ = c;
  update();
}

void PictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (background_.isValid()) p.fillRect(rect(), background_);
  QRect inner = border_ ? rect().adjusted(1, 1, -1, -1) : rect();
  if (!pixmap_.isNull()) {
    p.setClipRect(inner);
    switch (mode_) {
      case Mode::Stretch:
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawPixmap(inner, pixmap_);
        break;
      case Mode::Natural:
        p.drawPixmap(inner.topLeft(), pixmap_);
        break;
      case Mode::Fit: {
        QSize s = pixmap_.size();
        if (s.width() > inner.width() || s.height() > inner.height())
          s.scale(inner.size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), s);
        target.moveCenter(inner.center());
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawPixmap(target, pixmap_);
        break;
      }
    }
    p.setClipping(false);
  }
  if (border_) drawSunkenFrame(p, rect().adjusted(0, 0, -1, -1), palette());
}

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
  // A shape takes no input; clicks go to what lies beneath it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::setShape(const ShapeData& d) {
  d_ = d;
  update();
}

namespace {
Qt::PenStyle penStyle(int borderStyle) {
  switch (borderStyle) {
    case 0:
      return Qt::NoPen;
    case 2:
      return Qt::DashLine;
    case 3:
      return Qt::DotLine;
    case 4:
      return Qt::DashDotLine;
    case 5:
      return Qt::DashDotDotLine;
    default:
      return Qt::SolidLine;
  }
}
Qt::BrushStyle hatch(int fillStyle) {
  switch (fillStyle) {
    case 0:
      return Qt::SolidPattern;
    case 2:
      return Qt::HorPattern;
    case 3:
      return Qt::VerPattern;
    case 4:
      return Qt::BDiagPattern;
    case 5:
      return Qt::FDiagPattern;
    case 6:
      return Qt::CrossPattern;
    case 7:
      return Qt::DiagCrossPattern;
    default:
      return Qt::NoBrush;
  }
}
}  // namespace

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  int bw = std::clamp(d_.borderWidth, 1, 100);
  Qt::PenStyle ps = bw > 1 && d_.borderStyle != 0 ? Qt::SolidLine : penStyle(d_.borderStyle);
  QRectF r = QRectF(rect()).adjusted(bw / 2.0, bw / 2.0, -bw / 2.0, -bw / 2.0);
  if (d_.shape == 1 || d_.shape == 3 || d_.shape == 5) {
    double s = std::min(r.width(), r.height());
    QRectF sq(0, 0, s, s);
    sq.moveCenter(r.center());
    r = sq;
  }
  QPainterPath path;
  if (d_.shape == 2 || d_.shape == 3)
    path.addEllipse(r);
  else if (d_.shape == 4 || d_.shape == 5)
    path.addRoundedRect(r, std::min(r.width(), r.height()) / 6, std::min(r.width(), r.height()) / 6);
  else
    path.addRect(r);
  if (d_.shape >= 2) p.setRenderHint(QPainter::Antialiasing, true);
  if (d_.backStyle == 1 && d_.backColour.isValid()) p.fillPath(path, d_.backColour);
  if (d_.fillStyle != 1) p.fillPath(path, QBrush(d_.fillColour, hatch(d_.fillStyle)));
  if (ps != Qt::NoPen) {
    QPen pen(d_.borderColour, bw, ps);
    pen.setJoinStyle(Qt::MiterJoin);
    p.strokePath(path, pen);
  }
}

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::setLine(QPointF from, QPointF to, const QColor& colour, int width, int style) {
  from_ = from;
  to_ = to;
  colour_ = colour;
  width_ = std::clamp(width, 1, 100);
  style_ = style;
  update();
}

void LineWidget::paintEvent(QPaintEvent*) {
  if (style_ == 0) return;
  QPainter p(this);
  QPen pen(colour_, width_, width_ > 1 ? Qt::SolidLine : penStyle(style_));
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  if (from_ == to_)
    p.drawPoint(from_);
  else
    p.drawLine(from_, to_);
}

// ---------------------------------------------------------------- status bar

void StatusBarWidget::setPanels(std::vector<PanelData> panels) {
  panels_ = std::move(panels);
  update();
}

void StatusBarWidget::setSimpleText(bool simple, const QString& text) {
  simple_ = simple;
  simpleText_ = text;
  update();
}

QRect StatusBarWidget::panelRect(const PanelData& p) const {
  return QRect(p.left + 1, 2, std::max(0, std::min(p.width, width() - p.left) - 3),
               std::max(0, height() - 3));
}

QString StatusBarWidget::toolTipAt(QPoint pos) const {
  if (simple_) return {};
  for (const PanelData& p : panels_)
    if (p.visible && panelRect(p).contains(pos)) return p.toolTip;
  return {};
}

bool StatusBarWidget::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    QString tip = toolTipAt(he->pos());
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(he->globalPos(), tip, this);
    return true;
  }
  return QWidget::event(e);
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.setFont(font());
  QFontMetrics fm(font());
  if (simple_) {
    p.setPen(pal.color(QPalette::WindowText));
    p.drawText(rect().adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(simpleText_, Qt::ElideRight, width() - 6));
    return;
  }
  for (const PanelData& panel : panels_) {
    if (!panel.visible) continue;
    QRect r = panelRect(panel);
    if (r.width() <= 0) continue;
    drawSunkenFrame(p, r, pal);
    QRect content = r.adjusted(2, 1, -2, -1);
    p.save();
    p.setClipRect(content);
    int x = content.left();
    if (!panel.pixmap.isNull()) {
      QPixmap pm = panel.pixmap;
      if (pm.height() > content.height()) pm = pm.scaledToHeight(content.height(), Qt::SmoothTransformation);
      p.drawPixmap(x, content.top() + (content.height() - pm.height()) / 2, pm);
      x += pm.width() + 3;
    }
    if (!panel.text.isEmpty()) {
      p.setPen(pal.color(QPalette::WindowText));
      QRect tr(x, content.top(), content.right() - x, content.height());
      p.drawText(tr, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(panel.text, Qt::ElideRight, tr.width()));
    }
    p.restore();
  }
}

// ---------------------------------------------------------------- unknown controls

UnknownControlWidget::UnknownControlWidget(const QString& typeName, QWidget* parent)
    : QWidget(parent), typeName_(typeName) {}

void UnknownControlWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DashLine));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::WindowText));
  QRect r = rect().adjusted(3, 1, -3, -1);
  p.drawText(r, Qt::AlignCenter, QFontMetrics(font()).elidedText(typeName_, Qt::ElideRight, r.width()));
}

}  // namespace frontend::qt
