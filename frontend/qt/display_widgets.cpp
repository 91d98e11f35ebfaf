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

namespace vfront {

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

// ---------------------------------------------------------------- instruments

void InstrumentWidget::setData(const InstrumentData& d) {
  data_ = d;
  update();
}

QString InstrumentWidget::readout() const {
  QString v = data_.valueText;
  if (v.isEmpty()) v = finite(data_.value) ? scaleText(data_.value) : QStringLiteral("---");
  if (!data_.unitText.isEmpty()) v += QLatin1Char(' ') + data_.unitText;
  return v;
}

void NeedleWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Base));
  drawSunkenFrame(p, rect().adjusted(0, 0, -1, -1), pal);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setFont(font());
  QFontMetricsF fm(font());
  const double lineH = fm.height();
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  if (inner.width() < 8 || inner.height() < 8) return;

  QRectF captionRect(inner.left(), inner.top(), inner.width(), data_.caption.isEmpty() ? 0 : lineH);
  QRectF readoutRect(inner.left(), inner.bottom() - lineH, inner.width(), lineH);
  p.setPen(pal.color(QPalette::Text));
  if (!data_.caption.isEmpty())
    p.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop,
               fm.elidedText(data_.caption, Qt::ElideRight, inner.width()));
  p.drawText(readoutRect, Qt::AlignHCenter | Qt::AlignBottom,
             fm.elidedText(readout(), Qt::ElideRight, inner.width()));

  // The dial: a 120 degree arc above its pivot, from 150 degrees (min) to 30 degrees (max).
  const double top = captionRect.bottom() + 2;
  const double bottom = readoutRect.top() - 4;
  const double dialH = bottom - top;
  if (dialH < 6) return;
  const double cos30 = std::cos(kPi / 6);
  double radius = std::min(dialH, (inner.width() - 12) / (2 * cos30));
  if (radius < 4) return;
  QPointF pivot(inner.center().x(), top + (dialH + radius) / 2);
  const double a0 = 150 * kPi / 180, a1 = 30 * kPi / 180;
  auto at = [&](double angle, double r) {
    return pivot + QPointF(std::cos(angle) * r, -std::sin(angle) * r);
  };

  ScalePosition pos = scalePosition(data_.value, data_.min, data_.max, data_.overRange, data_.underRange);
  QColor scaleColour =
      pos.hasScale ? pal.color(QPalette::Text) : pal.color(QPalette::Disabled, QPalette::Text);
  p.setPen(QPen(scaleColour, 1.5));
  p.setBrush(Qt::NoBrush);
  QRectF arcBox(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(arcBox, 30 * 16, 120 * 16);
  for (int i = 0; i <= 10; ++i) {
    double a = a0 + (a1 - a0) * i / 10.0;
    double len = (i % 5 == 0) ? radius * 0.14 : radius * 0.07;
    p.drawLine(at(a, radius), at(a, radius - len));
  }
  if (pos.hasScale && radius > 20) {
    QFont small = font();
    small.setPointSizeF(std::max(5.0, font().pointSizeF() * 0.85));
    p.setFont(small);
    QFontMetricsF sfm(small);
    p.setPen(pal.color(QPalette::Text));
    const double labelR = radius * 0.70;
    for (int i = 0; i <= 2; ++i) {
      double v = data_.min + (data_.max - data_.min) * i / 2.0;
      double a = a0 + (a1 - a0) * i / 2.0;
      QString t = scaleText(v);
      QPointF c = at(a, labelR);
      QRectF tr(c.x() - sfm.horizontalAdvance(t) / 2 - 1, c.y() - sfm.height() / 2,
                sfm.horizontalAdvance(t) + 2, sfm.height());
      p.drawText(tr, Qt::AlignCenter, t);
    }
    p.setFont(font());
  }
  if (pos.over) drawMark(p, at(a1 - 0.10, radius + 1), a1 - 0.10 - kPi / 2, std::max(4.0, radius * 0.08));
  if (pos.under) drawMark(p, at(a0 + 0.10, radius + 1), a0 + 0.10 + kPi / 2, std::max(4.0, radius * 0.08));
  // No needle when there is nothing to point at: no number, or no usable scale.
  if (pos.hasScale && (pos.hasValue || pos.over || pos.under)) {
    double a = a0 + (a1 - a0) * pos.fraction;
    p.setPen(QPen(kNeedleColour, std::max(2.0, radius / 40), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot, at(a, radius * 0.95));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(pal.color(QPalette::Dark));
  p.drawEllipse(pivot, 3.5, 3.5);
}

QRectF BarGraphWidget::barRect() const {
  QFontMetricsF fm(font());
  const double lineH = fm.height();
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  double top = inner.top() + (data_.caption.isEmpty() ? 0 : lineH + 2);
  double bottom = inner.bottom() - lineH - 2;
  ScalePosition pos = scalePosition(0, data_.min, data_.max);
  double mark = 7;  // room for the over/under marks
  if (height() >= width()) {
    double labelW = 0;
    if (pos.hasScale)
      labelW =
          std::max(fm.horizontalAdvance(scaleText(data_.min)), fm.horizontalAdvance(scaleText(data_.max))) +
          4;
    if (labelW > inner.width() / 2) labelW = 0;
    QRectF r(inner.left() + labelW, top + mark, inner.width() - labelW, bottom - top - 2 * mark);
    return r.width() > 0 && r.height() > 0 ? r : QRectF();
  }
  double labels = pos.hasScale ? lineH : 0;
  QRectF r(inner.left() + mark, top, inner.width() - 2 * mark, bottom - top - labels);
  return r.width() > 0 && r.height() > 0 ? r : QRectF();
}

void BarGraphWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.setFont(font());
  QFontMetricsF fm(font());
  const double m = 3;
  QRectF inner = QRectF(rect()).adjusted(m, m, -m, -m);
  if (inner.width() < 4 || inner.height() < 4) return;
  p.setPen(pal.color(QPalette::WindowText));
  if (!data_.caption.isEmpty())
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               fm.elidedText(data_.caption, Qt::ElideRight, inner.width()));
  p.drawText(QRectF(inner.left(), inner.bottom() - fm.height(), inner.width(), fm.height()),
             Qt::AlignHCenter | Qt::AlignBottom, fm.elidedText(readout(), Qt::ElideRight, inner.width()));
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
    p.setPen(pal.color(QPalette::WindowText));
    if (vertical) {
      double lw = bar.left() - inner.left() - 2;
      if (lw > 0) {
        p.drawText(QRectF(inner.left(), bar.top() - fm.height() / 2, lw, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, scaleText(data_.max));
        p.drawText(QRectF(inner.left(), bar.bottom() - fm.height() / 2, lw, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, scaleText(data_.min));
      }
    } else {
      QRectF lr(bar.left(), bar.bottom() + 1, bar.width(), fm.height());
      p.drawText(lr, Qt::AlignLeft | Qt::AlignTop, scaleText(data_.min));
      p.drawText(lr, Qt::AlignRight | Qt::AlignTop, scaleText(data_.max));
    }
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
  QRectF inner = QRectF(rect()).adjusted(4, 2, -4, -2);
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
  update();
}

int PlotterWidget::legendHeight() const {
  if (curves_.empty()) return 0;
  int lineH = QFontMetrics(font()).height();
  int rows = curves_.size() > 2 && width() < 400 ? 2 : 1;
  return rows * lineH + 4;
}

QRectF PlotterWidget::plotRect() const {
  int lineH = QFontMetrics(font()).height();
  QRectF r = QRectF(rect()).adjusted(4, 2 + legendHeight(), -4, -(lineH + 3));
  return r.width() > 2 && r.height() > 2 ? r : QRectF();
}

void PlotterWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.setFont(font());
  QFontMetricsF fm(font());
  // Legend: a short line in the curve's colour, its caption and unit.
  if (!curves_.empty()) {
    int perRow = legendHeight() > fm.height() + 4 ? 2 : static_cast<int>(curves_.size());
    double cellW = (width() - 8.0) / std::max(1, perRow);
    for (size_t i = 0; i < curves_.size(); ++i) {
      int row = static_cast<int>(i) / std::max(1, perRow), col = static_cast<int>(i) % std::max(1, perRow);
      QRectF cell(4 + col * cellW, 2 + row * fm.height(), cellW, fm.height());
      p.setPen(QPen(curveColour(static_cast<int>(i)), 2));
      p.drawLine(QPointF(cell.left(), cell.center().y()), QPointF(cell.left() + 14, cell.center().y()));
      QString label = curves_[i].caption;
      if (!curves_[i].unit.isEmpty()) label += QStringLiteral(" [") + curves_[i].unit + QLatin1Char(']');
      p.setPen(pal.color(QPalette::WindowText));
      p.drawText(cell.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(label, Qt::ElideRight, std::max(0.0, cellW - 20)));
    }
  }
  QRectF plot = plotRect();
  if (plot.isEmpty()) return;
  p.fillRect(plot, pal.color(QPalette::Base));
  p.setPen(QPen(pal.color(QPalette::Midlight), 1, Qt::DotLine));
  for (int i = 1; i < 4; ++i)
    p.drawLine(QPointF(plot.left(), plot.top() + plot.height() * i / 4),
               QPointF(plot.right(), plot.top() + plot.height() * i / 4));
  for (int i = 1; i < 6; ++i)
    p.drawLine(QPointF(plot.left() + plot.width() * i / 6, plot.top()),
               QPointF(plot.left() + plot.width() * i / 6, plot.bottom()));
  p.setPen(pal.color(QPalette::Dark));
  p.drawRect(plot);

  // The time axis ends at the newest point; it spans TimeSpanMs, or the data when none is given.
  double tEnd = -std::numeric_limits<double>::infinity(), tFirst = std::numeric_limits<double>::infinity();
  for (const PlotCurve& c : curves_)
    for (auto& [t, v] : c.points)
      if (finite(t)) {
        tEnd = std::max(tEnd, t);
        tFirst = std::min(tFirst, t);
      }
  double span = finite(timeSpanMs_) && timeSpanMs_ > 0 ? timeSpanMs_ : (finite(tEnd) ? tEnd - tFirst : 0);
  p.setPen(pal.color(QPalette::WindowText));
  QRectF axis(plot.left(), plot.bottom() + 1, plot.width(), fm.height());
  if (span > 0) {
    p.drawText(axis, Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("-") + scaleText(span / 1000.0) + QStringLiteral(" s"));
    p.drawText(axis, Qt::AlignRight | Qt::AlignTop, QStringLiteral("0 s"));
  }
  if (!finite(tEnd) || span <= 0) return;
  double tStart = tEnd - span;

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
    p.setPen(QPen(curveColour(static_cast<int>(i)), 2.0));
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

}  // namespace vfront
