// The plotter: curves over a time axis, with a legend.

#include <sys/mman.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QTextLayout>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/paint_helpers.h"
#include "platform/ui/event_loop.h"

namespace frontend::qt {

// ---------------------------------------------------------------- plotter

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

PlotCurve curveFrom(const QJsonObject& o) {
  PlotCurve c;
  c.caption = o.value(QStringLiteral("caption")).toString();
  c.unit = o.value(QStringLiteral("unit")).toString();
  c.number = o.value(QStringLiteral("curve")).toInt(0);
  c.min = o.value(QStringLiteral("min")).isDouble() ? o.value(QStringLiteral("min")).toDouble() : kNaN;
  c.max = o.value(QStringLiteral("max")).isDouble() ? o.value(QStringLiteral("max")).toDouble() : kNaN;
  c.live = o.value(QStringLiteral("live")).toBool(false);
  for (const QJsonValue& pv : o.value(QStringLiteral("points")).toArray()) {
    QJsonArray pa = pv.toArray();
    if (pa.size() < 2 || !pa.at(0).isDouble()) continue;
    c.points.emplace_back(pa.at(0).toDouble(), pa.at(1).isDouble() ? pa.at(1).toDouble() : kNaN);
  }
  return c;
}

double clockNow() {
  return static_cast<double>(platform::ui::EventLoop::instance().now());
}

// A clear image with its pixels in pages of their own, given back to the system when it goes.
// The curves' layer changes its height with what the curves cover: from the heap, each height
// left a hole there that other allocations split, and a layer that grew and shrank went on
// costing memory it no longer held. Fresh pages read as clear, and only those drawn on become
// resident.
QImage clearImage(int width, int height) {
  constexpr size_t kHeader = 64;  // the mapping's length, before pixels aligned as the heap's
  const size_t length = kHeader + static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
  }
  *static_cast<size_t*>(base) = length;
  return QImage(
      static_cast<uchar*>(base) + kHeader, width, height, static_cast<qsizetype>(width) * 4,
      QImage::Format_ARGB32_Premultiplied,
      [](void* mapping) { munmap(mapping, *static_cast<size_t*>(mapping)); }, base);
}

}  // namespace

std::vector<PlotCurve> parseCurves(const QString& json) {
  std::vector<PlotCurve> out;
  QJsonParseError err{};
  QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &err);
  if (!doc.isArray()) return out;
  for (const QJsonValue& cv : doc.array())
    if (cv.isObject()) out.push_back(curveFrom(cv.toObject()));
  return out;
}

PlotterWidget::PlotterWidget(QWidget* parent) : QWidget(parent) {
  // It fills all of itself: what lies behind is not drawn first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

double PlotterWidget::penWidth(int index) {
  static constexpr double kWidths[kMaxCurves] = {6.0, 4.0, 2.5, 1.5};
  return kWidths[std::clamp(index, 0, kMaxCurves - 1)];
}

void PlotterWidget::setCurves(std::vector<PlotCurve> curves, double timeSpanMs) {
  if (curves.size() > static_cast<size_t>(kMaxCurves)) curves.resize(kMaxCurves);
  curves_ = std::move(curves);
  timeSpanMs_ = timeSpanMs;
  layerValid_ = false;
  restartClock();
  update();  // Qt folds a burst of changes into one repaint
}

namespace {

// Whether `region` covers all of `r` (QRegion::contains tells only whether they overlap).
bool coversAll(const QRegion& region, const QRect& r) {
  return (QRegion(r) - region).isEmpty();
}

bool sameNumber(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

// The newest value as the legend shows it.
QString newestText(const PlotCurve& c) {
  return c.points.empty() || !finite(c.points.back().second) ? QString() : scaleText(c.points.back().second);
}

}  // namespace

void PlotterWidget::applyUpdate(PlotUpdate u) {
  if (u.curves.size() > static_cast<size_t>(kMaxCurves)) u.curves.resize(kMaxCurves);
  bool whole = u.timeSpanMs != timeSpanMs_ || u.curves.size() != curves_.size();
  // A control reports every read of its items, most of them without a new sample: only what
  // changed is drawn again.
  bool legend = false, plot = false;
  std::vector<PlotCurve> next;
  next.reserve(u.curves.size());
  for (size_t i = 0; i < u.curves.size(); ++i) {
    PlotUpdate::Curve& in = u.curves[i];
    // The samples held for this curve, found by its number: they go on unless it began anew.
    auto held = std::find_if(curves_.begin(), curves_.end(),
                             [&](const PlotCurve& c) { return c.number == in.curve.number; });
    if (i >= curves_.size() || curves_[i].number != in.curve.number) whole = true;
    if (held == curves_.end() || in.restart) {
      whole = true;
      next.push_back(std::move(in.curve));
      continue;
    }
    PlotCurve c = std::move(*held);
    const bool ranged = !sameNumber(c.min, in.curve.min) || !sameNumber(c.max, in.curve.max);
    legend = legend || ranged || c.caption != in.curve.caption || c.unit != in.curve.unit;
    plot = plot || ranged || c.live != in.curve.live;
    const QString newest = in.curve.points.empty() ? QString() : newestText(c);
    c.caption = std::move(in.curve.caption);
    c.unit = std::move(in.curve.unit);
    c.min = in.curve.min;
    c.max = in.curve.max;
    c.live = in.curve.live;
    for (auto& pt : in.curve.points) c.points.push_back(pt);
    legendWaits_ = legendWaits_ || (!in.curve.points.empty() && newestText(c) != newest);
    next.push_back(std::move(c));
  }
  curves_ = std::move(next);
  timeSpanMs_ = u.timeSpanMs;
  restartClock();
  if (whole) {
    layerValid_ = false;  // a changed range is found when the layer is next brought up
    update();
    return;
  }
  // A heading, a range or the end of a line shows at once; new samples and their values
  // wait for the beat unless it is due.
  if (legend) update(legendArea());
  if (plot) update(plotArea());
  if (beatDue()) beat();
}

QRect PlotterWidget::legendArea() const {
  return QRect(0, 0, width(), legendHeight() + 2);
}

QRect PlotterWidget::plotArea() const {
  return plotRect().toAlignedRect().adjusted(-1, -1, 1, 1);
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
  // Asked for several times a paint: the widest value-axis text is measured once a font.
  const double axisW = axisText_.advance(font(), QStringLiteral("100 %")) + 8;
  QRectF r = QRectF(rect()).adjusted(4 + axisW, 2 + legendHeight() + fm.height() / 2, -8, -(fm.height() + 8));
  return r.width() > 2 && r.height() > 2 ? r : QRectF();
}

void PlotterWidget::paintEvent(QPaintEvent* e) {
  // A new sample or the moving clock asks for the legend and the plot alone: the texts of the
  // axes are drawn only when the area asked for reaches them.
  const QRegion& dirty = e->region();
  QPainter p(this);
  QRectF plot = plotRect();
  const QRect area = plot.isEmpty() ? QRect() : plotArea();
  // The plot's inside is filled with its own colour below: the window's is put only around it.
  const QRegion around = plot.isEmpty() ? dirty : dirty - plot.toAlignedRect().adjusted(1, 1, -1, -1);
  for (const QRect& r : around) p.fillRect(r, palette().color(QPalette::Window));
  p.setFont(font());
  // A part of the legend that changed and was reached only in part is drawn again on the beat.
  if (dirty.intersects(legendArea()) && drawLegend(p, dirty)) legendWaits_ = true;
  if (plot.isEmpty()) return;
  const bool labels = !(dirty - legendArea() - area).isEmpty();
  if (!labels && !dirty.intersects(area)) return;
  double tEnd = 0;
  const double span = timeSpan(tEnd);
  const bool drawable = span > 0 && finite(span) && finite(tEnd);
  // Qt hands fills and blends under a clip of several rectangles, and spans of more than
  // about a hundred lines, to its thread pool, a wake-up of other threads a paint: within one
  // rectangle and drawn line by line, they stay on this thread.
  p.setClipRect(area);
  p.fillRect(plot, palette().color(QPalette::Base));
  if (labels) p.setClipping(false);
  // Grid lines and ticks outside the area asked for are left out: a dotted line costs its
  // whole length even where it is clipped.
  const QRectF asked = labels ? QRectF(rect()) : QRectF((dirty & area).boundingRect());
  drawValueAxis(p, plot, labels, asked);
  if (drawable) drawTimeAxis(p, plot, span, labels, asked);
  p.setPen(palette().color(QPalette::Dark));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
  if (!drawable) return;
  const Rows inked{inkTop_, inkBottom_};
  if (bringLayerTo(plot, tEnd, span)) {
    // A layer drawn whole may cover rows this paint does not reach: the whole plot follows.
    if (!coversAll(dirty, area)) update(area);
  } else if (inkTop_ > inked.top || inkBottom_ < inked.bottom) {
    // A band that shrank gave up clear rows: where this paint does not reach them, they
    // may still show curves that have moved on.
    const QRect gone = area & plotRows(plot, inked.top, inked.bottom);
    if (!coversAll(dirty, gone)) update(gone);
  }
  if (layer_.isNull()) return;
  // Elsewhere the layer is clear: blending it there would leave the backdrop as it is.
  p.setClipRect(area & plotRows(plot, inkTop_, inkBottom_));
  p.drawImage(QPointF(plot.left(), plot.top() + bandTop_ / layerDpr_), layer_);
}

void PlotterWidget::showEvent(QShowEvent*) {
  restartClock();
}

void PlotterWidget::hideEvent(QHideEvent*) {
  if (clockTimer_ != 0) killTimer(clockTimer_);
  clockTimer_ = 0;
}

// While curves are shown the plot beats, also when no sample comes (a constant value, no
// connection): it moves on with the clock.
void PlotterWidget::restartClock() {
  const bool wanted = isVisible() && !curves_.empty();
  if (clockTimer_ != 0 && !wanted) {
    killTimer(clockTimer_);
    clockTimer_ = 0;
  }
  if (clockTimer_ != 0 || !wanted) return;
  clockTimer_ = startTimer(kBeatMs, Qt::CoarseTimer);
}

void PlotterWidget::timerEvent(QTimerEvent* e) {
  if (e->timerId() != clockTimer_) return QWidget::timerEvent(e);
  if (beatDue()) beat();
}

bool PlotterWidget::beatDue() const {
  return clockNow() - lastBeat_ >= kBeatMs * 0.9;
}

// New samples come about as often as the plot beats: drawn on the beat, they cost no paint
// of their own, and a sample that moves no pixel is drawn with the next one that does.
void PlotterWidget::beat() {
  lastBeat_ = clockNow();
  if (legendWaits_) update(legendChanges());
  legendWaits_ = false;
  const QRect changes = plotChanges();
  if (!changes.isEmpty()) update(changes);
}

// Where the curves have never been drawn the plot shows its backdrop alone, the same after a
// move: a move repaints the rows the curves cover (in the trend window, where values hold
// within a band, a fraction of the plot).
QRect PlotterWidget::plotChanges() const {
  const QRectF plot = plotRect();
  if (plot.isEmpty()) return {};
  if (!layerValid_ || drawn_.size() != curves_.size()) return plotArea();
  double tEnd = 0;
  const double span = timeSpan(tEnd);
  if (!(span > 0) || !finite(span) || !finite(tEnd)) return {};
  const double pxPerMs = (plot.width() - 4) / span;
  const double shift = std::floor((tEnd - layerEnd_) * pxPerMs);
  const double end = layerEnd_ + std::max(0.0, shift) / pxPerMs;
  std::vector<std::pair<double, double>> ranges;
  for (size_t i = 0; i < curves_.size(); ++i) ranges.push_back(rangeOf(i, tEnd - span));
  if (!layerFollows(plot, span, shift, ranges)) return plotArea();
  bool reached = false;
  Rows rows = undrawnRows(end, &reached);
  rows.cover(Rows{inkTop_, inkBottom_});
  return shift >= 1 || reached ? plotRows(plot, rows.top, rows.bottom) : QRect();
}

void PlotterWidget::Rows::cover(const Rows& o) {
  top = std::min(top, o.top);
  bottom = std::max(bottom, o.bottom);
}

double PlotterWidget::layerY(size_t i, double v) const {
  const auto [lo, hi] = layerRanges_[i];
  if (!finite(lo) || !finite(hi) || !finite(v)) return kNaN;
  const double h = layerSize_.height();
  return h - 2 - std::clamp(fractionIn(v, lo, hi), 0.0, 1.0) * (h - 4);
}

double PlotterWidget::inkMargin(size_t i) {
  return penWidth(static_cast<int>(i)) / 2 + 2;
}

PlotterWidget::Rows PlotterWidget::heldRows() const {
  Rows rows;
  for (size_t i = 0; i < curves_.size(); ++i)
    for (const auto& [t, v] : curves_[i].points) {
      const double y = finite(t) ? layerY(i, v) : kNaN;
      if (finite(y)) rows.cover(Rows{y - inkMargin(i), y + inkMargin(i)});
    }
  return rows;
}

PlotterWidget::Rows PlotterWidget::undrawnRows(double end, bool* reached) const {
  Rows rows;
  for (size_t i = 0; i < curves_.size() && i < drawn_.size(); ++i) {
    const Drawn& d = drawn_[i];
    auto cover = [&](double v) {
      const double y = layerY(i, v);
      if (finite(y)) rows.cover(Rows{y - inkMargin(i), y + inkMargin(i)});
    };
    // The samples not drawn yet (in time order, the newest last), and the value they step from.
    const auto& points = curves_[i].points;
    bool fresh = false;
    for (auto it = firstUndrawn(curves_[i], d); it != points.end(); ++it) {
      if (!finite(it->first)) continue;
      cover(it->second);
      fresh = true;
      *reached = *reached || it->first <= end;
    }
    if (fresh && d.any) cover(d.v);
  }
  return rows;
}

std::pair<int, int> PlotterWidget::bandFor(const Rows& rows) const {
  if (rows.empty()) return {0, 0};
  const double dpr = layerDpr_;
  const int height = static_cast<int>(std::lround(layerSize_.height() * dpr));
  const int top = static_cast<int>(std::floor((rows.top - kBandSlack) * dpr / kBandStep)) * kBandStep;
  const int bottom = static_cast<int>(std::ceil((rows.bottom + kBandSlack) * dpr / kBandStep)) * kBandStep;
  return {std::clamp(top, 0, height), std::clamp(bottom, 0, height)};
}

void PlotterWidget::setBand(int top, int bottom) {
  if (top == bandTop_ && bottom - top == layer_.height() && !layer_.isNull()) return;
  QImage band;
  if (bottom > top) {
    band = clearImage(static_cast<int>(std::lround(layerSize_.width() * layerDpr_)), bottom - top);
    band.setDevicePixelRatio(layerDpr_);
    const int from = std::max(top, bandTop_), to = std::min(bottom, bandTop_ + layer_.height());
    const qsizetype bytes = static_cast<qsizetype>(band.width()) * 4;
    for (int y = from; y < to && !layer_.isNull(); ++y)
      std::memcpy(band.scanLine(y - top), layer_.constScanLine(y - bandTop_), bytes);
  }
  layer_ = std::move(band);
  bandTop_ = top;
}

bool PlotterWidget::bandClear(int top, int bottom) const {
  top = std::max(top, bandTop_);
  bottom = std::min(bottom, bandTop_ + layer_.height());
  for (int y = top; y < bottom; ++y) {
    const auto* row = reinterpret_cast<const quint32*>(layer_.constScanLine(y - bandTop_));
    if (std::any_of(row, row + layer_.width(), [](quint32 px) { return px != 0; })) return false;
  }
  return true;
}

void PlotterWidget::fitBand(bool moved) {
  bool reached = false;
  const Rows undrawn = undrawnRows(layerEnd_, &reached);
  Rows need = undrawn;
  need.cover(Rows{inkTop_, inkBottom_});
  const int bandBottom = bandTop_ + layer_.height();
  // Within the plot: the layer has no rows beyond it.
  const double rows = std::round(layerSize_.height() * layerDpr_);
  const bool fits = need.empty() || (std::max(0.0, std::floor(need.top * layerDpr_)) >= bandTop_ &&
                                     std::min(rows, std::ceil(need.bottom * layerDpr_)) <= bandBottom);
  if (!fits) {
    // Drawn steps stay where they are; the band takes the new ones with room to spare.
    const auto [top, bottom] = bandFor(need);
    setBand(top, bottom);
    return;
  }
  if (!moved) return;
  // Curves that have moved out of the plot leave rows of the band clear: a band much taller
  // than what the samples shown cover gives those rows up.
  Rows shown = heldRows();
  shown.cover(undrawn);
  const auto [top, bottom] = bandFor(shown);
  if (layer_.height() - (bottom - top) < kBandShrinkRows) return;
  if (!bandClear(bandTop_, top) || !bandClear(bottom, bandBottom)) return;  // not yet moved out
  setBand(top, bottom);
  inkTop_ = std::max(inkTop_, top / layerDpr_);
  inkBottom_ = std::min(inkBottom_, bottom / layerDpr_);
}

QRect PlotterWidget::plotRows(const QRectF& plot, double top, double bottom) const {
  if (!(top <= bottom)) return {};
  const QRect area = plotArea();
  const int y0 = static_cast<int>(std::floor(plot.top() + top)) - 1;
  const int y1 = static_cast<int>(std::ceil(plot.top() + bottom)) + 1;
  return QRect(area.left(), y0, area.width(), y1 - y0 + 1) & area;
}

// Shaping a text is the dearest part of the legend, and most of its texts stay while the
// values come: each is drawn from a layout kept until its text or font changes. A new value
// is shaped once for drawing and for its width in the bold face (a layout draws what it has
// shaped, where a static text shapes again to measure itself).
double PlotterWidget::KeptText::laidOut(const QFont& f, const QString& t) {
  if (!layout || t != text || f != font) {
    text = t;
    font = f;
    layout = std::make_unique<QTextLayout>(t, f);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    const QTextLine line = layout->createLine();
    layout->endLayout();
    size = QSizeF(line.naturalTextWidth(), line.height());
  }
  return size.width();
}

void PlotterWidget::KeptText::draw(QPainter& p, const QRectF& r, Qt::Alignment align, const QString& t,
                                   const QFont& f) {
  laidOut(f, t);
  const double x = (align & Qt::AlignRight) ? r.right() - size.width() : r.left();
  layout->draw(&p, QPointF(x, r.top() + (r.height() - size.height()) / 2));
}

double PlotterWidget::KeptText::advance(const QFont& f, const QString& t) {
  if (width < 0 || t != measured || f != measuredFont) {
    measured = t;
    measuredFont = f;
    width = QFontMetricsF(f).horizontalAdvance(t);
  }
  return width;
}

// The legend: the curve's colour, its caption, its newest value with the unit, and the range
// it is drawn in; each curve is plotted in per cent of its own range.
void PlotterWidget::layOutLegend(size_t i, LegendPart (&parts)[kLegendParts]) const {
  for (LegendPart& part : parts) part = LegendPart{};
  QFontMetricsF fm(font());
  const int rows = legendRows();
  if (rows <= 0) return;
  legendTexts_.resize(curves_.size());
  const int perRow = rows == static_cast<int>(curves_.size()) ? 1 : 2;
  const double cellW = (width() - 8.0) / perRow;
  const PlotCurve& c = curves_[i];
  const int row = static_cast<int>(i) / perRow, col = static_cast<int>(i) % perRow;
  const QRectF cell(4 + col * cellW, 2 + row * fm.height(), cellW - 6, fm.height());
  // Each part may cover a little more than its place (the pen's width, a glyph's overhang),
  // but nothing outside the widget.
  auto covers = [&cell, this](double left, double right, double margin) {
    return QRectF(left - margin, cell.top() - 1, right - left + 2 * margin, cell.height() + 2) &
           QRectF(rect());
  };
  parts[kLine] = {QString::number(colourIndex(i)), cell, covers(cell.left(), cell.left() + 14, 1)};
  QString value = newestText(c);
  if (!value.isEmpty() && !c.unit.isEmpty()) value += QLatin1Char(' ') + c.unit;
  QString range;
  if (finite(c.min) && finite(c.max) && c.min < c.max)
    range = scaleText(c.min) + QStringLiteral(" … ") + scaleText(c.max);
  QRectF text = cell.adjusted(18, 0, 0, 0);
  LegendTexts& kept = legendTexts_[i];
  // The range only where it fits beside the caption and the value. The value takes its width
  // in the bold face it is drawn in, up to half the line.
  QFont bold = font();
  bold.setBold(true);
  const double rangeW = perRow == 1 && !range.isEmpty() ? kept.range.advance(font(), range) + 8 : 0;
  const double boldW = value.isEmpty() ? 0 : kept.value.laidOut(bold, value);
  const double valueW = value.isEmpty() ? 0 : std::min(boldW + 8, text.width() / 2);
  const bool showRange = rangeW > 0 && rangeW + valueW + 80 < text.width();
  if (showRange) {
    parts[kRange] = {range, text, covers(text.right() - rangeW + 8, text.right(), 2)};
    text.setRight(text.right() - rangeW);
  }
  if (valueW > 0) {
    // Elided only where it is wider than its share.
    const QString shown =
        boldW <= valueW ? value : QFontMetricsF(bold).elidedText(value, Qt::ElideRight, valueW);
    parts[kValue] = {shown, text, covers(text.right() - valueW, text.right(), 2)};
    text.setRight(text.right() - valueW - 4);
  }
  // Drawn from the left: a caption that fits stays where it is while the value beside it
  // takes another width.
  const double captionW = std::max(0.0, text.width());
  const double fullW = kept.caption.advance(font(), c.caption);
  const QString caption = fullW <= captionW ? c.caption : fm.elidedText(c.caption, Qt::ElideRight, captionW);
  text.setWidth(std::min(fullW, captionW));
  parts[kCaption] = {caption, text, covers(text.left(), text.right(), 2)};
}

// Each part is drawn where a paint reaches it; what it then shows is kept, so that a value
// that reads otherwise repaints its own place and what moved with it, not the whole legend.
bool PlotterWidget::drawLegend(QPainter& p, const QRegion& dirty) const {
  const QPalette& pal = palette();
  bool mixed = false;
  for (size_t i = 0; i < curves_.size(); ++i) {
    LegendPart parts[kLegendParts];
    layOutLegend(i, parts);
    LegendTexts& kept = legendTexts_[i];
    for (int k = 0; k < kLegendParts; ++k) {
      const LegendPart& part = parts[k];
      LegendPart& was = kept.shown[k];
      was.area &= QRectF(rect());  // what a wider widget showed is gone
      // What shows of the part after this paint: the new one where the paint covered its old
      // place and its new one, else a mixture to be drawn again.
      const QRect both = was.area.united(part.area).toAlignedRect();
      if (coversAll(dirty, both)) {
        was = part;
        was.whole = true;
      } else if (dirty.intersects(both) && !was.sameAs(part)) {
        const QRectF area = was.area.united(part.area);
        was = part;
        was.area = area;
        was.whole = false;
        mixed = true;
      }
      if (part.text.isEmpty() || !dirty.intersects(part.area.toAlignedRect())) continue;
      switch (k) {
        case kLine: {
          const QRectF& cell = part.at;
          p.setPen(QPen(curveColour(colourIndex(i)), std::max(2.5, penWidth(static_cast<int>(i))),
                        Qt::SolidLine, Qt::FlatCap));
          p.drawLine(QPointF(cell.left(), cell.center().y()), QPointF(cell.left() + 14, cell.center().y()));
          break;
        }
        case kRange:
          p.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
          kept.range.draw(p, part.at, Qt::AlignRight, part.text, font());
          break;
        case kValue: {
          // The bold font as the layout measured it (the painter's own would compare unequal).
          QFont bold = font();
          bold.setBold(true);
          p.setPen(pal.color(QPalette::WindowText));
          kept.value.draw(p, part.at, Qt::AlignRight, part.text, bold);
          break;
        }
        case kCaption:
          p.setPen(pal.color(QPalette::WindowText));
          kept.caption.draw(p, part.at, Qt::AlignLeft, part.text, font());
          break;
        default:
          break;
      }
    }
  }
  return mixed;
}

QString PlotterWidget::legendValue(size_t i) const {
  if (i >= curves_.size()) return {};
  LegendPart parts[kLegendParts];
  layOutLegend(i, parts);
  return parts[kValue].text;
}

QRegion PlotterWidget::legendChanges() const {
  QRegion changed;
  for (size_t i = 0; i < curves_.size(); ++i) {
    LegendPart parts[kLegendParts];
    layOutLegend(i, parts);
    const LegendPart* shown = legendTexts_[i].shown;
    for (int k = 0; k < kLegendParts; ++k) {
      if (!(shown[k].whole && shown[k].sameAs(parts[k])))
        changed += shown[k].area.united(parts[k].area).toAlignedRect();
    }
  }
  return changed;
}

// The value axis in per cent of each curve's range.
void PlotterWidget::drawValueAxis(QPainter& p, const QRectF& plot, bool labels, const QRectF& within) const {
  const QPalette& pal = palette();
  QFontMetricsF fm(font());
  p.setPen(pal.color(QPalette::WindowText));
  for (int i = 0; i <= 4; ++i) {
    const double y = plot.bottom() - plot.height() * i / 4;
    if (!within.intersects(QRectF(0, y - 2, width(), 4))) continue;
    if (i > 0 && i < 4) {
      p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
      p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    // The tick reaches into what a repaint of the plot covers; its text does not.
    p.setPen(pal.color(QPalette::WindowText));
    p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
    if (!labels) continue;
    p.drawText(QRectF(0, y - fm.height() / 2, plot.left() - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(i * 25) + QStringLiteral(" %"));
  }
}

// The time axis ends at the present (or the newest sample, should that lie ahead) and spans
// TimeSpanMs, or the data when none is given. With a span given it shows before the first
// sample comes (a window opened while the device is offline).
double PlotterWidget::timeSpan(double& tEnd) const {
  tEnd = -std::numeric_limits<double>::infinity();
  double tFirst = std::numeric_limits<double>::infinity();
  bool any = false;
  for (const PlotCurve& c : curves_)
    for (auto& [t, v] : c.points)
      if (finite(t)) {
        any = true;
        tEnd = std::max(tEnd, t);
        tFirst = std::min(tFirst, t);
      }
  const bool spanGiven = finite(timeSpanMs_) && timeSpanMs_ > 0;
  if (any || spanGiven) tEnd = std::max(tEnd, clockNow());
  return spanGiven ? timeSpanMs_ : (finite(tEnd) ? tEnd - tFirst : 0);
}

// Ticks on whole seconds back from the newest sample: "-50 s" ... "0 s".
void PlotterWidget::drawTimeAxis(QPainter& p, const QRectF& plot, double span, bool labels,
                                 const QRectF& within) const {
  const QPalette& pal = palette();
  QFontMetricsF fm(font());
  const double seconds = span / 1000.0;
  // Measured once a font: shaping it at every paint cost more than the grid it spaces.
  const double maxLabels =
      std::max(1.0, plot.width() / (timeAxisText_.advance(font(), QStringLiteral("-000 s")) + 12));
  ScaleTicks ticks = scaleTicks(0, seconds, static_cast<int>(std::min(10.0, maxLabels)));
  for (double s : ticks.majors) {
    const double x = plot.right() - plot.width() * (s / seconds);
    if (s > 0 && s < seconds) {
      p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
      p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    p.setPen(pal.color(QPalette::WindowText));
    if (within.intersects(QRectF(x - 2, plot.bottom() - 2, 4, 8)))
      p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
    if (!labels) continue;
    const QString t =
        s == 0 ? QStringLiteral("0 s") : QStringLiteral("-") + scaleText(s) + QStringLiteral(" s");
    const double w = fm.horizontalAdvance(t) + 2;
    p.drawText(QRectF(std::clamp(x - w / 2, 0.0, width() - w), plot.bottom() + 5, w, fm.height()),
               Qt::AlignCenter, t);
  }
}

std::pair<double, double> PlotterWidget::rangeOf(size_t i, double tStart) const {
  const PlotCurve& c = curves_[i];
  double lo = c.min, hi = c.max;
  if (finite(lo) && finite(hi) && lo < hi) return {lo, hi};
  // No usable range: scale to what the curve shows.
  lo = std::numeric_limits<double>::infinity();
  hi = -lo;
  for (size_t k = 0; k < c.points.size(); ++k) {
    const auto& [t, v] = c.points[k];
    const bool shown = t >= tStart || (k + 1 < c.points.size() && c.points[k + 1].first >= tStart);
    if (finite(v) && shown) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (!finite(lo) || !finite(hi)) return {kNaN, kNaN};
  if (!(lo < hi)) {
    const double pad = std::max(1.0, std::fabs(lo) * 1e-6);
    lo -= pad;
    hi += pad;
  }
  return {lo, hi};
}

// Samples that have left the plot go, but the one whose value holds at its left edge stays.
void PlotterWidget::dropOld(double tStart) {
  for (PlotCurve& c : curves_)
    while (c.points.size() > 1 && c.points[1].first <= tStart) c.points.pop_front();
}

bool PlotterWidget::layerFollows(const QRectF& plot, double span, double shift,
                                 const std::vector<std::pair<double, double>>& ranges) const {
  auto same = [](const std::vector<std::pair<double, double>>& a,
                 const std::vector<std::pair<double, double>>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (!(a[i] == b[i]) && !(std::isnan(a[i].first) && std::isnan(b[i].first))) return false;
    return true;
  };
  return layerValid_ && layerSize_ == plot.size() && layerSpan_ == span && same(ranges, layerRanges_) &&
         layerDpr_ == devicePixelRatioF() && shift >= 0 && shift < plot.width() && finite(shift);
}

bool PlotterWidget::bringLayerTo(const QRectF& plot, double tEnd, double span) {
  const double tStart = tEnd - span;
  dropOld(tStart);
  std::vector<std::pair<double, double>> ranges;
  for (size_t i = 0; i < curves_.size(); ++i) ranges.push_back(rangeOf(i, tStart));
  const double dpr = devicePixelRatioF();
  const double pxPerMs = (plot.width() - 4) / span;
  const double shift = std::floor((tEnd - layerEnd_) * pxPerMs);
  if (!layerFollows(plot, span, shift, ranges)) {
    layerRanges_ = std::move(ranges);
    drawLayerWhole(plot, tEnd, span);
    return true;
  }
  if (shift > 0 && inkTop_ <= inkBottom_ && !layer_.isNull()) {
    // The drawn steps move left by whole pixels (only the rows they cover: the rest is clear);
    // the strip that opens on the right is empty.
    const int dx = std::min(layer_.width(), static_cast<int>(shift * dpr));
    const int y0 = std::max(0, static_cast<int>(std::floor(inkTop_ * dpr)) - bandTop_);
    const int y1 = std::min(layer_.height(), static_cast<int>(std::ceil(inkBottom_ * dpr)) + 1 - bandTop_);
    const size_t kept = static_cast<size_t>(layer_.width() - dx) * 4;
    for (int y = y0; y < y1; ++y) {
      uchar* row = layer_.scanLine(y);
      std::memmove(row, row + static_cast<ptrdiff_t>(dx) * 4, kept);
    }
    QPainter p(&layer_);
    p.translate(0, -bandTop_ / dpr);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRectF(plot.width() - shift - 1, 0, shift + 1, plot.height()), Qt::transparent);
  }
  if (shift > 0) layerEnd_ += shift / pxPerMs;
  fitBand(shift > 0);
  drawNewSteps(span);
  return false;
}

void PlotterWidget::drawNewSteps(double span) {
  // A band with no rows holds no curve, and then no step is drawn; what was drawn is noted
  // all the same.
  QPainter p;
  if (!layer_.isNull()) {
    p.begin(&layer_);
    p.translate(0, -bandTop_ / layerDpr_);
    p.setRenderHint(QPainter::Antialiasing, true);
  }
  for (size_t i = 0; i < curves_.size(); ++i) drawNewSteps(i, p, span);
}

void PlotterWidget::drawLayerWhole(const QRectF& plot, double tEnd, double span) {
  ++wholeDraws_;
  layerDpr_ = devicePixelRatioF();
  layerSize_ = plot.size();
  layerSpan_ = span;
  layerEnd_ = tEnd;
  layerValid_ = true;
  drawn_.assign(curves_.size(), Drawn{});
  inkTop_ = std::numeric_limits<double>::infinity();
  inkBottom_ = -inkTop_;
  // As tall as what every sample held covers.
  layer_ = QImage();
  const auto [top, bottom] = bandFor(heldRows());
  setBand(top, bottom);
  drawNewSteps(span);
}

std::deque<std::pair<double, double>>::const_iterator PlotterWidget::firstUndrawn(const PlotCurve& c,
                                                                                  const Drawn& d) {
  // The samples are in time order: those drawn before are passed over from the newest back.
  // Of the samples that share the newest drawn time, the first `atT` were drawn.
  auto from = c.points.end();
  if (!d.any) return c.points.begin();
  while (from != c.points.begin() && !(std::prev(from)->first < d.t)) --from;
  size_t skip = d.atT;
  while (skip > 0 && from != c.points.end() && from->first == d.t) {
    ++from;
    --skip;
  }
  return from;
}

// Curve `i` from where its steps were drawn to the layer's edge, in per cent of its range:
// each value holds until the next sample and then steps to it; a value that still holds runs
// on to the edge; no number ends the line.
void PlotterWidget::drawNewSteps(size_t i, QPainter& p, double span) {
  const PlotCurve& c = curves_[i];
  Drawn& d = drawn_[i];
  const auto [lo, hi] = layerRanges_[i];
  if (!finite(lo) || !finite(hi)) return;
  const double w = layerSize_.width();
  auto x = [&](double t) { return 2 + (w - 4) * (1 - (layerEnd_ - t) / span); };
  auto y = [&](double v) { return layerY(i, v); };
  if (p.isActive()) {
    p.setPen(QPen(curveColour(colourIndex(i)), penWidth(static_cast<int>(i)), Qt::SolidLine, Qt::FlatCap,
                  Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
  }
  QPolygonF run;
  // The pen, its antialiased edge and the corners of the steps reach this far beside the line.
  const double margin = inkMargin(i);
  auto flush = [&] {
    if (run.isEmpty()) return;
    if (run.size() == 1 && p.isActive()) p.drawPoint(run.front());
    if (run.size() > 1 && p.isActive()) p.drawPolyline(run);
    const QRectF drawn = run.boundingRect();
    inkTop_ = std::min(inkTop_, drawn.top() - margin);
    inkBottom_ = std::max(inkBottom_, drawn.bottom() + margin);
    run.clear();
  };
  // A line already drawn goes on from where it was left.
  auto resume = [&] {
    if (run.isEmpty() && d.any && finite(d.v)) run << QPointF(x(d.heldTo), y(d.v));
  };
  for (auto it = firstUndrawn(c, d); it != c.points.end(); ++it) {
    const auto [t, v] = *it;
    if (!finite(t)) continue;
    if (t > layerEnd_) break;  // drawn when the plot has moved on to it
    resume();
    if (d.any && finite(d.v)) run << QPointF(x(t), y(d.v));  // the value held until now
    if (finite(v)) {
      run << QPointF(x(t), y(v));
    } else {
      flush();
    }
    d.atT = d.any && t == d.t ? d.atT + 1 : 1;
    d.any = true;
    d.t = t;
    d.v = v;
    d.heldTo = t;
  }
  if (d.any && finite(d.v) && c.live && layerEnd_ > d.heldTo) {
    resume();
    run << QPointF(x(layerEnd_), y(d.v));
    d.heldTo = layerEnd_;
  }
  flush();
}

}  // namespace frontend::qt
