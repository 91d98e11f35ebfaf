// Pictures, shapes, lines, the status bar and the stand-in for an unknown control.

#include <QEvent>
#include <QHash>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/paint_helpers.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

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

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent) {
  // It paints every pixel of its own: what lies beneath need not be drawn first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void StatusBarWidget::setPanels(std::vector<PanelData> panels) {
  // Where only texts or pictures changed, only those panels are drawn again.
  bool sameLayout = !simple_ && panels.size() == panels_.size();
  for (size_t i = 0; sameLayout && i < panels.size(); ++i)
    sameLayout = panels[i].left == panels_[i].left && panels[i].width == panels_[i].width &&
                 panels[i].visible == panels_[i].visible;
  if (!sameLayout) {
    panels_ = std::move(panels);
    repaintAsked_.clear();
    update();
    return;
  }
  std::vector<size_t> changed;
  for (size_t i = 0; i < panels.size(); ++i) {
    const PanelData& was = panels_[i];
    if (panels[i].text != was.text || panels[i].pixmap.cacheKey() != was.pixmap.cacheKey())
      changed.push_back(i);
  }
  panels_ = std::move(panels);
  for (size_t i : changed) repaintPanel(i);
}

void StatusBarWidget::setPanel(size_t i, PanelData panel) {
  PanelData& was = panels_[i];
  const bool shownOtherwise = panel.text != was.text || panel.pixmap.cacheKey() != was.pixmap.cacheKey();
  was = std::move(panel);
  if (shownOtherwise) repaintPanel(i);
}

void StatusBarWidget::setPanelText(size_t i, std::string_view text) {
  assignUtf8(panels_[i].text, text);
  repaintPanel(i);
}

void StatusBarWidget::repaintPanel(size_t i) {
  // A panel asked for already is drawn with what it holds when the paint comes: a text that
  // changes several times before the next paint asks once. update() does nothing for a hidden
  // widget, and nothing is asked for then.
  if (simple_ || (i < repaintAsked_.size() && repaintAsked_[i]) || !isVisible() || !updatesEnabled()) return;
  update(panelRect(panels_[i]));
  repaintAsked_.resize(std::max(repaintAsked_.size(), panels_.size()));
  repaintAsked_[i] = true;
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

void StatusBarWidget::paintEvent(QPaintEvent* e) {
  // A panel this paint reaches shows what it holds: a new change asks for a paint again.
  for (size_t i = 0; i < repaintAsked_.size() && i < panels_.size(); ++i)
    if (repaintAsked_[i] && e->rect().intersects(panelRect(panels_[i]))) repaintAsked_[i] = false;
  QPainter p(this);
  const QPalette& pal = palette();
  if (simple_) {
    p.fillRect(e->rect(), pal.color(QPalette::Window));
    p.setFont(font());
    p.setPen(pal.color(QPalette::WindowText));
    p.drawText(rect().adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font()).elidedText(simpleText_, Qt::ElideRight, width() - 6));
    return;
  }
  // The faces are opaque: the bar's colour goes only where the paint reaches beyond them (a
  // new text asks for its panel's rectangle alone).
  for (const QRect& part : e->region()) {
    const bool underAFace = std::any_of(panels_.begin(), panels_.end(), [&](const PanelData& panel) {
      return panel.visible && panelRect(panel).contains(part);
    });
    if (!underAFace) p.fillRect(part, pal.color(QPalette::Window));
  }
  for (const PanelData& panel : panels_) {
    if (!panel.visible) continue;
    QRect r = panelRect(panel);
    if (r.width() <= 0 || !e->rect().intersects(r.adjusted(-1, -1, 1, 1))) continue;
    p.drawPixmap(r.topLeft(), panelFace(panel, r.size()));
  }
}

void StatusBarWidget::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange ||
      e->type() == QEvent::StyleChange)
    faceLook_ = -1;
  QWidget::changeEvent(e);
}

namespace {

// A number for each look (font and colours) the status bars of the process have shown: the
// faces' keys, made at every paint, carry the number instead of the look's long description.
int panelLookNumber(const QString& look) {
  static QHash<QString, int> numbers;
  const auto it = numbers.constFind(look);
  if (it != numbers.constEnd()) return *it;
  const int number = static_cast<int>(numbers.size());
  numbers.insert(look, number);
  return number;
}

}  // namespace

QPixmap StatusBarWidget::panelFace(const PanelData& panel, QSize size) const {
  // Shaping a text is the dearest part of drawing a panel, and the panels of the windows of
  // one host show the same few texts (the user level, the connection): a panel's face is
  // kept, in the application's picture cache, under all that it is drawn from.
  const QPalette& pal = palette();
  if (faceLook_ < 0) {
    QString look = font().key();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Dark, QPalette::Light})
      look += QLatin1Char('|') + QString::number(pal.color(role).rgba(), 16);
    faceLook_ = panelLookNumber(look);
  }
  const qreal dpr = devicePixelRatioF();
  // The numbers go into the key as characters of their own: the key is made at every paint,
  // in storage the bar keeps for it.
  const auto picture = static_cast<quint64>(panel.pixmap.isNull() ? 0 : panel.pixmap.cacheKey());
  const char16_t numbers[] = {u'v',
                              u'p',
                              static_cast<char16_t>(faceLook_ >> 16),
                              static_cast<char16_t>(faceLook_),
                              static_cast<char16_t>(size.width()),
                              static_cast<char16_t>(size.height()),
                              static_cast<char16_t>(std::lround(dpr * 100)),
                              static_cast<char16_t>(picture >> 48),
                              static_cast<char16_t>(picture >> 32),
                              static_cast<char16_t>(picture >> 16),
                              static_cast<char16_t>(picture)};
  QString& key = faceKey_;
  key.resize(0);
  key.append(QStringView(numbers, std::size(numbers))).append(panel.text);
  QPixmap face;
  if (QPixmapCache::find(key, &face)) return face;
  face = QPixmap(size * dpr);
  face.setDevicePixelRatio(dpr);
  QPainter p(&face);
  const QRect r(QPoint(0, 0), size);
  p.fillRect(r, pal.color(QPalette::Window));
  drawSunkenFrame(p, r, pal);
  QRect content = r.adjusted(2, 1, -2, -1);
  p.setClipRect(content);
  int x = content.left();
  if (!panel.pixmap.isNull()) {
    QPixmap pm = panel.pixmap;
    if (pm.height() > content.height()) pm = pm.scaledToHeight(content.height(), Qt::SmoothTransformation);
    p.drawPixmap(x, content.top() + (content.height() - pm.height()) / 2, pm);
    x += pm.width() + 3;
  }
  if (!panel.text.isEmpty()) {
    p.setFont(font());
    p.setPen(pal.color(QPalette::WindowText));
    QRect tr(x, content.top(), content.right() - x, content.height());
    p.drawText(tr, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font()).elidedText(panel.text, Qt::ElideRight, tr.width()));
  }
  p.end();
  QPixmapCache::insert(key, face);
  return face;
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
