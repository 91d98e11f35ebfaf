#include "frontend/qt/drawn_text.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QVariant>
#include <algorithm>
#include <cstdlib>

namespace frontend::qt {

namespace {

// What QLineEdit keeps free above its text inside its contents (its private vertical margin).
constexpr int kLineEditMargin = 1;

int lineEditBaseline(const QLineEdit& e) {
  QStyleOptionFrame opt;
  opt.initFrom(&e);
  opt.lineWidth = e.hasFrame() ? e.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &e) : 0;
  QRect r = e.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &e).marginsRemoved(e.textMargins());
  const QFontMetrics fm = e.fontMetrics();
  int top = 0;
  const Qt::Alignment v = e.alignment() & Qt::AlignVertical_Mask;
  if (v == Qt::AlignTop)
    top = r.y() + kLineEditMargin;
  else if (v == Qt::AlignBottom)
    top = r.y() + r.height() - fm.height() - kLineEditMargin;
  else
    top = r.y() + (r.height() - fm.height() + 1) / 2;
  return top + fm.ascent();
}

int comboBaseline(const QComboBox& c) {
  QStyleOptionComboBox opt;
  opt.initFrom(&c);
  opt.editable = c.isEditable();
  const QRect r = c.style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, &c);
  const QFontMetrics fm = c.fontMetrics();
  return r.y() + (r.height() - fm.height() + 1) / 2 + fm.ascent();
}

}  // namespace

int fieldTextBaseline(const QWidget* field) {
  if (!field) return -1;
  if (auto* e = qobject_cast<const QLineEdit*>(field)) return lineEditBaseline(*e);
  if (auto* c = qobject_cast<const QComboBox*>(field)) return comboBaseline(*c);
  if (field->property(kRowFieldProperty).toBool())
    if (auto* e = field->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
      return e->y() + lineEditBaseline(*e);
  return -1;
}

int baselineBeside(const QWidget* parent, const QRect& area, const QWidget* self) {
  if (!parent) return -1;
  const int middle = area.center().y();
  const QWidget* best = nullptr;
  int bestBaseline = -1;
  for (const QObject* o : parent->children()) {
    auto* w = qobject_cast<const QWidget*>(o);
    if (!w || w == self || w->isHidden()) continue;
    const QRect g = w->geometry();
    // A field on the caption's line, starting to its right (a caption may overlap a little).
    if (g.top() > middle || g.bottom() < middle || g.left() < area.center().x()) continue;
    const int baseline = fieldTextBaseline(w);
    if (baseline < 0) continue;
    if (best && g.left() >= best->geometry().left()) continue;
    best = w;
    bestBaseline = g.top() + baseline;
  }
  return bestBaseline;
}

void drawText(QPainter& p, const QFont& font, const QColor& ink, const DrawnText& t) {
  if (t.text.isEmpty() || t.rect.isEmpty()) return;
  const QFontMetrics fm(font);
  QRect r = t.rect;
  if (t.baseline >= 0) r.setTop(t.baseline - fm.ascent());
  p.save();
  p.setClipRect(t.rect);
  p.setFont(font);
  p.setPen(ink);
  p.drawText(r, static_cast<int>(t.alignment | Qt::AlignTop) | (t.wraps ? Qt::TextWordWrap : 0), t.text);
  p.restore();
}

// ================================================================ controls a container draws

DrawnControls::DrawnControls(QWidget* container) : QObject(container) {}

QWidget* DrawnControls::container() const {
  return static_cast<QWidget*>(parent());
}

DrawnControls* DrawnControls::of(const QWidget* container) {
  if (!container) return nullptr;
  for (QObject* o : container->children())
    if (auto* d = dynamic_cast<DrawnControls*>(o)) return d;
  return nullptr;
}

void DrawnControls::paintIn(const QWidget* container, QPainter& p, const QRect& dirty) {
  if (DrawnControls* d = of(container)) d->paint(p, dirty);
}

void DrawnControls::add(DrawnControl* c) {
  controls_.push_back(c);
  // Watching from the first control on; the views' own filter leaves the events over a control
  // here to this one, so a control over the container gets its own clicks.
  if (!filtering_) {
    container()->installEventFilter(this);
    filtering_ = true;
  }
}

void DrawnControls::remove(DrawnControl* c) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void DrawnControls::paint(QPainter& p, const QRect& dirty) const {
  std::vector<DrawnControl*> order;
  for (DrawnControl* c : controls_)
    if (c->shown() && c->area().intersects(dirty)) order.push_back(c);
  std::stable_sort(order.begin(), order.end(),
                   [](const DrawnControl* a, const DrawnControl* b) { return a->zIndex() < b->zIndex(); });
  for (const DrawnControl* c : order) c->paint(p, *container());
}

DrawnControl* DrawnControls::at(QPointF pos) const {
  DrawnControl* top = nullptr;
  for (DrawnControl* c : controls_)
    if (c->takesMouse() && QRectF(c->area()).contains(pos) && (!top || c->zIndex() >= top->zIndex())) top = c;
  return top;
}

bool DrawnControls::eventFilter(QObject* watched, QEvent* event) {
  if (watched != parent()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      const bool dbl = event->type() == QEvent::MouseButtonDblClick;
      if (me->button() != (dbl ? Qt::LeftButton : Qt::RightButton)) return false;
      DrawnControl* c = at(me->position());
      if (!c) return false;
      if (dbl)
        c->doubleClicked();
      else
        c->rightReleased(me->position() - QPointF(c->area().topLeft()));
      return true;  // the control's own event; its container does not see it too
    }
    case QEvent::ToolTip: {
      auto* he = static_cast<QHelpEvent*>(event);
      DrawnControl* c = at(he->pos());
      if (!c || c->toolTip().isEmpty()) return false;  // the container's own tip, as over a label without one
      QToolTip::showText(he->globalPos(), c->toolTip(), container(), c->area());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace frontend::qt
