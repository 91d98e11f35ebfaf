// The instruments: scales, needle, bar graph and digital display.

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/paint_helpers.h"
#include "platform/res/language.h"
#include "platform/res/user_number.h"

namespace frontend::qt {

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
  QString text = QString::number(v, 'g', 6);
  const char mark = platform::res::decimalMark(platform::res::userDefaultLangId());
  if (mark != '.') text.replace(QLatin1Char('.'), QLatin1Char(mark));
  return text;
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
  bool asReadout = true;
  for (const QRectF& c : coveredAreas()) {
    if (!overTopRow(c, band, inner)) continue;
    asReadout = false;
    captionRight = std::min(captionRight, c.left() - 4);
  }
  p.setPen(ink);
  QString shown = asReadout ? this->readout() : QString();
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

// A needle instrument's dial: the arc, its pivot and the angles of its two ends.
struct Dial {
  QRectF area;  // below the top row
  double tick = 0;
  double unitH = 0;
  double halfChord = 0;
  double arcTop = 0;
  double radius = 0;
  double theta = 0;
  QPointF pivot;
  double a0 = 0, a1 = 0;  // min on the left, max on the right

  QPointF at(double angle, double r) const {
    return pivot + QPointF(std::cos(angle) * r, -std::sin(angle) * r);
  }
  double angleOf(double v, const InstrumentData& d) const {
    return a0 + (a1 - a0) * std::clamp(fractionIn(v, d.min, d.max), 0.0, 1.0);
  }
};

// Where the height allows, a classic dial of 100 degrees around a visible pivot; in a flat
// instrument a shallow arc of a larger radius whose pivot lies below the face, as on an
// edgewise panel meter. False when the area is too narrow for a dial.
bool layoutDial(const QRectF& area, const QFontMetricsF& sfm, const ScaleTicks& ticks, bool hasUnit,
                Dial& d) {
  double labelW = 0;
  for (double v : ticks.majors) labelW = std::max(labelW, sfm.horizontalAdvance(scaleText(v)));
  d.area = area;
  d.tick = std::clamp(area.height() * 0.14, 4.0, 9.0);
  d.unitH = hasUnit ? sfm.height() : 0;
  d.halfChord = area.width() / 2 - std::max(labelW / 2, 6.0) - 3;
  if (d.halfChord < 8) return false;
  const double thetaMax = 50 * kPi / 180;
  d.theta = thetaMax;
  d.radius = d.halfChord / std::sin(thetaMax);
  d.arcTop = area.top() + 3;
  if (d.radius + 4 > area.height() - 3) {
    const double sag = std::clamp(area.height() - 3 - d.tick - 2 - sfm.height() - d.unitH - 2, 3.0,
                                  d.radius * (1 - std::cos(thetaMax)));
    d.theta = 2 * std::atan(sag / d.halfChord);
    d.radius = d.halfChord / std::sin(d.theta);
  }
  d.pivot = QPointF(area.center().x(), d.arcTop + d.radius);
  d.a0 = kPi / 2 + d.theta;
  d.a1 = kPi / 2 - d.theta;
  return true;
}

// The arc, its ticks and the labels of its major ticks.
void drawDialScale(QPainter& p, const Dial& dial, const ScaleTicks& ticks, const InstrumentData& data,
                   const QColor& scaleColour, const QColor& ink, const QFont& small, const QRectF& inner) {
  const QFontMetricsF sfm(small);
  const double radius = dial.radius, tick = dial.tick, a0 = dial.a0, a1 = dial.a1;
  p.setPen(QPen(scaleColour, 1.4));
  p.setBrush(Qt::NoBrush);
  const QRectF arcBox(dial.pivot.x() - radius, dial.pivot.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(arcBox, static_cast<int>(std::lround((kPi / 2 - dial.theta) * 180 / kPi * 16)),
            static_cast<int>(std::lround(2 * dial.theta * 180 / kPi * 16)));
  if (ticks.majors.empty()) {
    // No usable scale: an empty dial, so that nothing suggests a reading.
    for (int i = 0; i <= 10; ++i) {
      const double a = a0 + (a1 - a0) * i / 10.0;
      p.drawLine(dial.at(a, radius), dial.at(a, radius - (i % 5 == 0 ? tick : tick / 2)));
    }
    return;
  }
  p.setPen(QPen(scaleColour, 1.0));
  const double minor = ticks.step / ticks.minorPerMajor;
  const double firstMinor = std::ceil(data.min / minor - 1e-9);
  for (int i = 0; i <= 5 * 12; ++i) {
    const double v = (firstMinor + i) * minor;
    if (v > data.max + minor * 1e-9) break;
    const double a = dial.angleOf(v, data);
    p.drawLine(dial.at(a, radius), dial.at(a, radius - tick / 2));
  }
  p.setPen(QPen(scaleColour, 1.6));
  for (double v : ticks.majors)
    p.drawLine(dial.at(dial.angleOf(v, data), radius), dial.at(dial.angleOf(v, data), radius - tick));
  // Labels inside the ticks; one that would touch its neighbour is left out.
  p.setFont(small);
  p.setPen(ink);
  QRectF last;
  const double labelR = radius - tick - 2 - sfm.height() / 2;
  for (size_t i = 0; i < ticks.majors.size(); ++i) {
    const QString t = scaleText(ticks.majors[i]);
    const double w = sfm.horizontalAdvance(t) + 2;
    const QPointF c = dial.at(dial.angleOf(ticks.majors[i], data), labelR);
    QRectF box(c.x() - w / 2, c.y() - sfm.height() / 2, w, sfm.height());
    box.moveLeft(std::clamp(box.left(), inner.left(), inner.right() - w));
    if (!last.isNull() && box.adjusted(-3, 0, 3, 0).intersects(last)) continue;
    if (box.bottom() > dial.area.bottom() + 1) continue;
    p.drawText(box, Qt::AlignCenter, t);
    last = box;
  }
}

// The unit on the face, under the middle of the scale.
void drawDialUnit(QPainter& p, const Dial& dial, const QString& unit, const QColor& ink, const QFont& small) {
  if (dial.unitH <= 0) return;
  const QFontMetricsF sfm(small);
  p.setFont(small);
  p.setPen(ink);
  const double top = dial.arcTop + dial.tick + 2 + sfm.height() + 1;
  const QRectF box(dial.area.center().x() - dial.halfChord / 2, top, dial.halfChord, dial.unitH);
  if (box.bottom() <= dial.area.bottom() + 1)
    p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, sfm.elidedText(unit, Qt::ElideRight, dial.halfChord));
}

// The range marks, the needle and its pivot.
void drawDialPointer(QPainter& p, const Dial& dial, const ScalePosition& pos, const QPalette& pal) {
  const double radius = dial.radius, a0 = dial.a0, a1 = dial.a1;
  const double markSize = std::clamp(radius * 0.06, 4.0, 6.0);
  if (pos.over) drawMark(p, dial.at(a1, radius + 1), a1 - kPi / 2, markSize);
  if (pos.under) drawMark(p, dial.at(a0, radius + 1), a0 + kPi / 2, markSize);
  // No needle when there is nothing to point at: no number, or no usable scale.
  if (pos.hasScale && (pos.hasValue || pos.over || pos.under)) {
    const double a = a0 + (a1 - a0) * pos.fraction;
    p.setPen(QPen(kNeedleColour, std::clamp(radius / 50, 2.0, 3.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial.pivot, dial.at(a, radius - 1));  // the clip keeps a pivot below the face out of sight
  }
  if (dial.pivot.y() + 4 <= dial.area.bottom()) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Dark));
    p.drawEllipse(dial.pivot, 3.5, 3.5);
  }
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
  drawTopRow(p, inner, ink, false);
  p.setRenderHint(QPainter::Antialiasing, true);

  // The dial below the caption row.
  const double dialTop = contentTop(inner);
  const QRectF area(inner.left(), dialTop, inner.width(), inner.bottom() - dialTop);
  if (area.height() < 10) return;
  const QFont small = smallFont(font());
  ScalePosition pos = scalePosition(data_.value, data_.min, data_.max, data_.overRange, data_.underRange);
  ScaleTicks ticks = pos.hasScale ? scaleTicks(data_.min, data_.max, 5) : ScaleTicks{};
  Dial dial;
  if (!layoutDial(area, QFontMetricsF(small), ticks, !data_.unitText.isEmpty(), dial)) return;

  p.save();
  p.setClipRect(area.adjusted(-2, -2, 2, 2));
  const QColor scaleColour = pos.hasScale ? ink : pal.color(QPalette::Disabled, QPalette::Text);
  drawDialScale(p, dial, ticks, data_, scaleColour, ink, small, inner);
  drawDialUnit(p, dial, data_.unitText, ink, small);
  p.setFont(font());
  drawDialPointer(p, dial, pos, pal);
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

}  // namespace frontend::qt
