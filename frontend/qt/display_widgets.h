#pragma once
// Widgets that draw what a control shows from plain data: the host's display instruments
// (needle, bar graph, digital readout, trend plotter), pictures (images, the lamp),
// shapes, lines and the status bar. None of them keeps a pointer into the window model,
// so they stay harmless should they outlive a control for a moment.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QTextLayout>
#include <QVector>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/qt/drawn_text.h"

class QLineEdit;
class QPainter;

namespace frontend::qt {

// Where a value stands on a scale from min to max.
struct ScalePosition {
  bool hasScale = false;  // min and max are finite and min < max
  bool hasValue = false;  // the value is a number (infinities count as out of range)
  double fraction = 0;    // 0 at min, 1 at max, clamped
  bool over = false;      // above max (or flagged over range): pinned at the max end
  bool under = false;     // below min (or flagged under range): pinned at the min end
};
ScalePosition scalePosition(double value, double min, double max, bool overFlag = false,
                            bool underFlag = false);

// A scale number as the instruments and the plotter's legend print it: six significant digits,
// with the session's decimal mark (a comma in German), as the host's value fields show numbers.
QString scaleText(double v);

// The labelled ticks of a scale from lo to hi: at most about `maxIntervals` steps of 1, 2, 2.5
// or 5 times a power of ten, the majors on whole multiples of the step; empty without a
// usable range.
struct ScaleTicks {
  double step = 0;
  int minorPerMajor = 5;
  std::vector<double> majors;
};
ScaleTicks scaleTicks(double lo, double hi, int maxIntervals);

// What an instrument shows.
struct InstrumentData {
  QString caption;
  double value = std::numeric_limits<double>::quiet_NaN();
  double min = 0;
  double max = 100;
  QString valueText;
  QString unitText;
  bool overRange = false;
  bool underRange = false;
  QColor face;  // the instrument's face and ink; invalid: the palette's
  QColor ink;
};

// Colours the instruments draw with, so that callers (and tests) can find what was drawn.
inline const QColor kNeedleColour{0xD0, 0x10, 0x10};
inline const QColor kBarColour{0x20, 0x60, 0xD0};
inline const QColor kRangeMarkColour{0xF0, 0x90, 0x00};
inline const QColor kDigitalBackground{0x10, 0x18, 0x10};
inline const QColor kDigitalForeground{0x40, 0xF0, 0x40};
// Curve colours of the plotter, in curve order.
const QColor& curveColour(int curve);

class InstrumentWidget : public QWidget {
 public:
  using QWidget::QWidget;
  void setData(const InstrumentData& d);
  const InstrumentData& data() const { return data_; }
  // The value text (or the value) and the unit.
  QString readout() const;
  // The parts of the instrument that sibling widgets lie over (the window's value and unit
  // texts), in the instrument's coordinates.
  QVector<QRectF> coveredAreas() const;

 protected:
  struct TopRow {
    double height = 0;
  };
  // The caption on the left of the top row, the readout on its right unless texts of the
  // window lie over that row (they show the value then); `unitInCaption` adds the unit to
  // the caption where no readout is drawn.
  TopRow drawTopRow(QPainter& p, const QRectF& inner, const QColor& ink, bool unitInCaption) const;
  // Where the scale may begin: under the top row and under any text lying over it.
  double contentTop(const QRectF& inner) const;
  InstrumentData data_;
};

class NeedleWidget : public InstrumentWidget {
 public:
  using InstrumentWidget::InstrumentWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class BarGraphWidget : public InstrumentWidget {
 public:
  using InstrumentWidget::InstrumentWidget;
  // The bar's own rectangle (vertical when the widget is taller than wide).
  QRectF barRect() const;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class DigitalWidget : public QWidget {
 public:
  using QWidget::QWidget;
  void setTexts(const QString& caption, const QString& text, const QString& unit);
  QString text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString caption_, text_, unit_;
};

struct PlotCurve {
  int number = 0;  // the curve's number 1 to 4, which gives its colour; 0: by position
  QString caption;
  QString unit;
  double min = 0;
  double max = 100;
  bool live = false;  // the newest value still holds: its line goes on to the present
  // (time ms, value), oldest first; each holds until the next, NaN ends the line.
  std::deque<std::pair<double, double>> points;
};

// Parses the plotter's curve list (a JSON array); malformed input gives what could be read.
std::vector<PlotCurve> parseCurves(const QString& json);

// What came since the plotter was last asked: each curve's heading and new samples, and
// whether the curve began anew (its samples then replace the ones held).
struct PlotUpdate {
  struct Curve {
    PlotCurve curve;
    bool restart = true;
  };
  std::vector<Curve> curves;
  double timeSpanMs = 0;
};

// The trend plot. The time axis is the clock (the event loop's): it ends at the present, or
// at the newest sample should that lie ahead. The curves are kept drawn in a layer that
// moves with the time, so that a new sample draws only its own step. The plot beats four
// times a second of that clock: it moves on, and draws the samples and legend values that
// came since the last beat. A sample that comes when a beat is due brings the beat at once.
class PlotterWidget : public QWidget {
 public:
  explicit PlotterWidget(QWidget* parent);
  static constexpr int kMaxCurves = 4;
  static constexpr int kBeatMs = 250;
  void setCurves(std::vector<PlotCurve> curves, double timeSpanMs);
  void applyUpdate(PlotUpdate u);
  const std::vector<PlotCurve>& curves() const { return curves_; }
  // The area the curves are drawn in (below the legend, above the time axis).
  QRectF plotRect() const;
  // The pen width of curve `index` (0..3): each later curve is drawn narrower on top of the
  // ones before, so that curves lying on one another all stay in sight.
  static double penWidth(int index);
  // How many times the curves were drawn whole (tests watch that new samples do not).
  int wholeDraws() const { return wholeDraws_; }
  // The device rows the curves' layer keeps (its memory follows them).
  int layerRows() const { return layer_.height(); }
  // The newest value of curve `i` with its unit as the legend shows it (elided where it has no
  // room; empty: none).
  QString legendValue(size_t i) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;
  void timerEvent(QTimerEvent*) override;

 private:
  int legendRows() const;
  int legendHeight() const;
  // What a repaint of the legend, or of the plot with its frame, covers.
  QRect legendArea() const;
  QRect plotArea() const;
  int colourIndex(size_t i) const;
  // The steps of a paint: legend, value axis, time axis, curves. The legend draws the parts
  // of its lines that reach into `dirty`; true when it left one of them drawn only in part.
  bool drawLegend(QPainter& p, const QRegion& dirty) const;
  // `labels`: with the texts beside the plot, not only its grid; `within`: only the lines
  // and ticks that reach into it.
  void drawValueAxis(QPainter& p, const QRectF& plot, bool labels, const QRectF& within) const;
  // The time the axis spans (ms), and in `tEnd` where it ends.
  double timeSpan(double& tEnd) const;
  void drawTimeAxis(QPainter& p, const QRectF& plot, double span, bool labels, const QRectF& within) const;
  // The curves' layer, brought up to `tEnd`: moved on and the new steps drawn, or drawn whole
  // (then true).
  bool bringLayerTo(const QRectF& plot, double tEnd, double span);
  // Rows of the plot (layer pixels from its top, logical) that drawn curves cover.
  struct Rows {
    double top = std::numeric_limits<double>::infinity();
    double bottom = -std::numeric_limits<double>::infinity();
    bool empty() const { return !(top <= bottom); }
    void cover(const Rows& o);
  };
  // The row curve `i` draws value `v` on in the layer's ranges (NaN: none), and how far its
  // pen, antialiased edge and step corners reach beside it.
  double layerY(size_t i, double v) const;
  static double inkMargin(size_t i);
  // What the samples held cover once drawn, drawn already or not (dropOld has left only those
  // that show: the one that holds at the left edge and those after it).
  Rows heldRows() const;
  // What the samples not drawn yet cover, with the value each curve steps from; in `reached`,
  // whether one of them lies at or before `end` (is drawn when the layer reaches `end`).
  Rows undrawnRows(double end, bool* reached) const;
  // The band of device rows [first, second) the layer keeps for `rows`: a little above and
  // below, rounded out to steps so that small moves keep it, within the plot.
  std::pair<int, int> bandFor(const Rows& rows) const;
  // Keeps device rows [top, bottom) of the layer: what is drawn in rows kept stays, the
  // others must be clear.
  void setBand(int top, int bottom);
  // Whether the layer's device rows [top, bottom) within its band are all clear.
  bool bandClear(int top, int bottom) const;
  // Before new steps are drawn: a band that grows to take them, or, once the plot has moved
  // on, shrinks to what the curves shown cover where the rows it gives up are clear.
  void fitBand(bool moved);
  // Whether the layer can be brought up to `tEnd` by moving it on `shift` pixels, with the
  // ranges the curves are drawn in now (else it is drawn whole).
  bool layerFollows(const QRectF& plot, double span, double shift,
                    const std::vector<std::pair<double, double>>& ranges) const;
  void drawLayerWhole(const QRectF& plot, double tEnd, double span);
  // Every curve's new steps (a painter that is not active draws nothing but notes them drawn).
  void drawNewSteps(double span);
  void drawNewSteps(size_t i, QPainter& p, double span);
  // The range curve `i` is drawn in: its own, or that of what it shows.
  std::pair<double, double> rangeOf(size_t i, double tStart) const;
  void dropOld(double tStart);
  void restartClock();
  // Draws what waited for the beat, and moves the plot on when the clock has gone a pixel.
  void beat();
  // A beat is due once the clock has gone on by about kBeatMs (a coarse timer fires a little
  // early at times).
  bool beatDue() const;
  // What bringing the layer up to the present would change of the plot (empty: nothing): the
  // rows the curves cover and will cover once the new samples are drawn, where it moves on;
  // all of the plot where it is drawn whole.
  QRect plotChanges() const;
  // The plot's rows from `top` to `bottom` (layer pixels), within what a repaint of the plot covers.
  QRect plotRows(const QRectF& plot, double top, double bottom) const;

  std::vector<PlotCurve> curves_;
  double timeSpanMs_ = 0;

  // A legend text's layout and width, kept while the text stays.
  struct KeptText {
    // Draws `t` in `f`, vertically centred in `r`.
    void draw(QPainter& p, const QRectF& r, Qt::Alignment align, const QString& t, const QFont& f);
    // The width of `t` laid out in `f`; the layout is kept for drawing it.
    double laidOut(const QFont& f, const QString& t);
    // The width of `t` in `f`, measured without keeping a layout.
    double advance(const QFont& f, const QString& t);
    QString text;
    QFont font;
    std::unique_ptr<QTextLayout> layout;
    QSizeF size;
    QString measured;
    QFont measuredFont;
    double width = -1;
  };
  // A part of a curve's line in the legend (its colour, range, value and caption): what it
  // reads and what it may cover, as laid out now or as last drawn.
  struct LegendPart {
    QString text;
    QRectF at;           // where it is drawn (aligned within)
    QRectF area;         // the pixels it may cover
    bool whole = false;  // as last drawn: drawn all over `area` (not only where a paint reached)
    bool sameAs(const LegendPart& o) const { return text == o.text && at == o.at && area == o.area; }
  };
  enum LegendPartIndex { kLine, kRange, kValue, kCaption, kLegendParts };
  struct LegendTexts {
    KeptText caption, value, range;
    LegendPart shown[kLegendParts];  // as last drawn
  };
  // Curve `i`'s line of the legend as it is to be drawn now.
  void layOutLegend(size_t i, LegendPart (&parts)[kLegendParts]) const;
  // Where the legend reads otherwise than it was drawn: the parts, old place and new.
  QRegion legendChanges() const;
  mutable std::vector<LegendTexts> legendTexts_;  // one a curve
  mutable KeptText axisText_;                     // the widest text of the value axis
  mutable KeptText timeAxisText_;                 // the widest text of the time axis

  // The layer of curves: valid for its size, span and ranges; its right edge is `layerEnd_`.
  // It keeps only the band of rows the curves cover (`layer_` holds device rows `bandTop_` on
  // of a layer as large as the plot; the rows outside it are clear), so that its memory follows
  // what is drawn: a band that new steps would leave grows first, keeping what it holds.
  struct Drawn {
    double t = 0;  // the newest sample drawn, with its value (NaN: its line had ended)
    double v = std::numeric_limits<double>::quiet_NaN();
    double heldTo = 0;  // how far its holding line is drawn
    size_t atT = 0;     // how many samples of time `t` were drawn (a line can end as it begins)
    bool any = false;
  };
  // The first sample of `c` that is not drawn yet.
  static std::deque<std::pair<double, double>>::const_iterator firstUndrawn(const PlotCurve& c,
                                                                            const Drawn& d);
  // The band reaches this far (logical pixels) beyond the rows the curves cover, rounded out
  // to steps of device rows; it gives rows up once it could lose this many.
  static constexpr double kBandSlack = 4;
  static constexpr int kBandStep = 8;
  static constexpr int kBandShrinkRows = 32;
  QImage layer_;
  int bandTop_ = 0;
  double layerDpr_ = 1;
  bool layerValid_ = false;
  double layerEnd_ = 0;
  double layerSpan_ = 0;
  QSizeF layerSize_;
  std::vector<std::pair<double, double>> layerRanges_;
  std::vector<Drawn> drawn_;
  // The rows of the layer the curves were drawn on since it was drawn whole: elsewhere it is
  // clear, so that the plot there shows only its backdrop, which does not move.
  double inkTop_ = std::numeric_limits<double>::infinity();
  double inkBottom_ = -std::numeric_limits<double>::infinity();
  int wholeDraws_ = 0;
  int clockTimer_ = 0;
  double lastBeat_ = -std::numeric_limits<double>::infinity();  // the clock at the last beat
  bool legendWaits_ = false;  // a newest value reads otherwise since the last beat
};

// A picture: stretched to the widget, at its own size in the top-left corner, or fitted
// and centred (the lamp); optionally over a background and inside a border.
class PictureWidget : public QWidget {
 public:
  enum class Mode { Natural, Stretch, Fit };
  using QWidget::QWidget;
  void setPicture(const QPixmap& p);
  const QPixmap& picture() const { return pixmap_; }
  void setMode(Mode m);
  void setBorder(bool b);
  void setBackground(const QColor& c);  // invalid colour: transparent

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QPixmap pixmap_;
  Mode mode_ = Mode::Natural;
  bool border_ = false;
  QColor background_;
};

struct ShapeData {
  int shape = 0;      // 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square
  int fillStyle = 1;  // 0 solid, 1 transparent, 2..7 hatches
  QColor fillColour;
  int backStyle = 0;  // 0 transparent, 1 opaque
  QColor backColour;
  int borderStyle = 1;  // 0 none, 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot, 6 inside solid
  QColor borderColour;
  int borderWidth = 1;
};

class ShapeWidget : public QWidget {
 public:
  explicit ShapeWidget(QWidget* parent);
  void setShape(const ShapeData& d);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  ShapeData d_;
};

// A line from one point to another, in the widget's coordinates.
class LineWidget : public QWidget {
 public:
  explicit LineWidget(QWidget* parent);
  void setLine(QPointF from, QPointF to, const QColor& colour, int width, int style);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QPointF from_, to_;
  QColor colour_;
  int width_ = 1;
  int style_ = 1;
};

struct PanelData {
  QString key;
  QString text;
  QString toolTip;
  bool picture = false;
  QPixmap pixmap;
  int left = 0;  // pixels
  int width = 0;
  bool visible = true;
};

class StatusBarWidget : public QWidget {
 public:
  explicit StatusBarWidget(QWidget* parent = nullptr);
  void setPanels(std::vector<PanelData> panels);
  // Puts `panel` in the place of panel `i`, which stands where it stood.
  void setPanel(size_t i, PanelData panel);
  // A new text of panel `i` (UTF-8): that panel alone is drawn again.
  void setPanelText(size_t i, std::string_view text);
  void setSimpleText(bool simple, const QString& text);
  const std::vector<PanelData>& panels() const { return panels_; }
  QRect panelRect(const PanelData& p) const;
  // The tool tip of the panel at `pos` (empty outside every panel).
  QString toolTipAt(QPoint pos) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent* e) override;
  bool event(QEvent* e) override;

 private:
  // A panel as drawn, frame and all, of `size` in device-independent pixels.
  QPixmap panelFace(const PanelData& panel, QSize size) const;
  // Asks for panel `i` to be drawn again, unless it is asked for already.
  void repaintPanel(size_t i);
  std::vector<PanelData> panels_;
  std::vector<bool> repaintAsked_;  // by panel: asked for and not yet painted
  mutable int faceLook_ = -1;       // the number of the faces' font and colours; -1: to be found again
  mutable QString faceKey_;         // where the key of a face is made
  bool simple_ = false;
  QString simpleText_;
};

// A host label-text-unit row: its value field is a line edit; the label before it and the
// unit after it are texts the row draws itself, on the line of the value's text. Rows stacked
// in one container with the same left edge and width form a column: their value fields stand
// at one x, after the widest label of the column, and in line with the container's other
// fields where those stand within the row.
class LabelTextUnitWidget : public QWidget {
 public:
  explicit LabelTextUnitWidget(QWidget* parent);
  QLineEdit* edit;

  void setLabelText(const QString& text);
  void setUnitText(const QString& text);
  const DrawnText& label() const { return label_; }
  const DrawnText& unit() const { return unit_; }
  // Why the label or the unit does not fit where the row draws it (empty: both fit).
  std::vector<std::string> misfits() const;
  // The least width of the value part: a signed number of seven digits and its decimal point
  // ("-1234.567"), so that no digit and no sign is ever cut off.
  int minValueWidth() const;

 protected:
  void resizeEvent(QResizeEvent*) override { relayoutColumn(); }
  // The fields beside the row's container's captions exist by the time the page shows.
  void showEvent(QShowEvent*) override { relayoutColumn(); }
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent* e) override;

 private:
  static constexpr int kGap = 3;
  // Where the fields of the row's container stand, from the row's left edge; -1: none.
  int fieldColumn() const;
  std::vector<LabelTextUnitWidget*> column();
  int labelNeed() const;
  int unitNeed() const;
  void relayoutColumn();
  void place(int columnLabelNeed, int columnUnitNeed);
  DrawnText label_;
  DrawnText unit_{{}, {}, Qt::AlignLeft, false, -1};
  // The widths measured last (-1: to be measured): a column lays out every row each time one
  // row changes, and measuring a text shapes it anew.
  mutable int labelNeed_ = -1;
  mutable int unitNeed_ = -1;
  mutable int minValueWidth_ = -1;
};

// A user control the front end does not know: a box with its type name.
class UnknownControlWidget : public QWidget {
 public:
  UnknownControlWidget(const QString& typeName, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString typeName_;
};

}  // namespace frontend::qt
