// The plotter: curves over a time axis, with a legend.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/paint_helpers.h"

namespace frontend::qt {

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
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.setFont(font());
  drawLegend(p);
  QRectF plot = plotRect();
  if (plot.isEmpty()) return;
  p.fillRect(plot, palette().color(QPalette::Base));
  drawValueAxis(p, plot);
  double tEnd = 0;
  const double span = timeSpan(tEnd);
  if (span > 0 && finite(span)) drawTimeAxis(p, plot, span);
  p.setPen(palette().color(QPalette::Dark));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
  if (!finite(tEnd) || !(span > 0) || !finite(span)) return;
  drawCurves(p, plot, tEnd, span);
}

// The legend: the curve's colour, its caption, its newest value with the unit, and the range
// it is drawn in; each curve is plotted in per cent of its own range.
void PlotterWidget::drawLegend(QPainter& p) const {
  const QPalette& pal = palette();
  QFontMetricsF fm(font());
  const int rows = legendRows();
  if (rows <= 0) return;
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

// The value axis in per cent of each curve's range.
void PlotterWidget::drawValueAxis(QPainter& p, const QRectF& plot) const {
  const QPalette& pal = palette();
  QFontMetricsF fm(font());
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
}

// The time axis ends at the newest sample and spans TimeSpanMs, or the data when none is given.
double PlotterWidget::timeSpan(double& tEnd) const {
  tEnd = -std::numeric_limits<double>::infinity();
  double tFirst = std::numeric_limits<double>::infinity();
  for (const PlotCurve& c : curves_)
    for (auto& [t, v] : c.points)
      if (finite(t)) {
        tEnd = std::max(tEnd, t);
        tFirst = std::min(tFirst, t);
      }
  return finite(timeSpanMs_) && timeSpanMs_ > 0 ? timeSpanMs_ : (finite(tEnd) ? tEnd - tFirst : 0);
}

// Ticks on whole seconds back from the newest sample: "-50 s" ... "0 s".
void PlotterWidget::drawTimeAxis(QPainter& p, const QRectF& plot, double span) const {
  const QPalette& pal = palette();
  QFontMetricsF fm(font());
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

// Each curve in per cent of its range, in runs broken where a sample has no number.
void PlotterWidget::drawCurves(QPainter& p, const QRectF& plot, double tEnd, double span) const {
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

}  // namespace frontend::qt
