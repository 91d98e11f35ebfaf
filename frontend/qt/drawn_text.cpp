#include "frontend/qt/drawn_text.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QVariant>
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

}  // namespace frontend::qt
