// What makes a drawn window unreadable, found in its widgets as Qt lays them out: a control
// cut off by its container or the window, a control hidden under the status bar, a text
// wider than the control that shows it. The scripted host's screenshots are checked with it.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "frontend/qt/control_views.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// Positions come from twips rounded to pixels; a pixel either way is no fault.
constexpr int kSlack = 1;

bool within(const QRect& r, const QRect& area) {
  return r.left() >= area.left() - kSlack && r.top() >= area.top() - kSlack &&
         r.right() <= area.right() + kSlack && r.bottom() <= area.bottom() + kSlack;
}

std::string describe(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

}  // namespace

std::string textMisfit(const QFont& font, const QRect& area, const QString& text, bool wraps) {
  if (text.trimmed().isEmpty()) return {};
  const QFontMetrics fm(font);
  const int width = fm.horizontalAdvance(text);
  auto needs = [](int needed, int available, const char* what) {
    return "needs " + std::to_string(needed) + " px, has " + std::to_string(available) + " px " + what;
  };
  if (fm.height() > area.height() + kSlack) return needs(fm.height(), area.height(), "of height");
  if (width <= area.width() + kSlack) return {};
  // A second line counts as shown when its letters are, whether or not its descenders are.
  if (!wraps || area.height() + kSlack < fm.lineSpacing() + fm.ascent())
    return needs(width, area.width(), "of width");
  const QRect wrapped = fm.boundingRect(QRect(0, 0, area.width(), 100000), Qt::TextWordWrap, text);
  if (wrapped.width() > area.width() + kSlack) return needs(wrapped.width(), area.width(), "for a word");
  if (wrapped.height() - fm.descent() > area.height() + kSlack)
    return needs(wrapped.height(), area.height(), "of height for its lines");
  return {};
}

std::vector<std::string> FormWindow::drawnFaults() const {
  std::vector<std::string> faults;
  if (detached_ || !window() || !client_) return faults;
  QWidget* win = window();
  auto inClient = [&](const QWidget* w) { return QRect(w->mapTo(client_, QPoint(0, 0)), w->size()); };
  auto nameOf = [&](const QWidget* w) -> std::string {
    if (w == client_) return "the window";
    for (const auto& [c, v] : views_)
      if (v->widget() == w) return c->qualifiedName();
    return "its container";
  };
  // The status bars at the window's foot, and where each stands among the client's children.
  std::vector<QWidget*> bars;
  for (const auto& [c, v] : views_)
    if (c->type() == ControlType::StatusBar && v->widget() && v->widget()->isVisibleTo(win))
      bars.push_back(v->widget());
  const QObjectList& stack = client_->children();
  auto topmost = [&](QWidget* w) {
    while (w->parentWidget() && w->parentWidget() != client_) w = w->parentWidget();
    return w;
  };

  for (const auto& [c, v] : views_) {
    // A control drawn by its container (a label) stands where it is drawn, beneath the
    // container's child widgets.
    QWidget* w = v->widget();
    const ShownText drawn = v->drawnLook();
    QWidget* parent = w ? w->parentWidget() : drawn.in;
    QRect r;
    if (w) {
      if (!w->isVisibleTo(win) || w->width() <= 0 || w->height() <= 0) continue;
      r = inClient(w);
    } else {
      if (!parent || drawn.area.width() <= 0 || drawn.area.height() <= 0) continue;
      if (parent != client_ && !parent->isVisibleTo(win)) continue;
      r = QRect(parent->mapTo(client_, drawn.area.topLeft()), drawn.area.size());
    }
    const std::string name = c->qualifiedName();
    // Lines are drawn in a box widened by their thickness; only their ends count.
    if (c->type() != ControlType::Line && parent) {
      if (!within(r, inClient(parent)))
        faults.push_back(name + " at " + describe(r) + " is cut off by " + nameOf(parent) + " at " +
                         describe(inClient(parent)));
    }
    for (QWidget* bar : bars) {
      if (w == bar) continue;
      QWidget* top = w ? topmost(w) : parent == client_ ? nullptr : topmost(parent);
      // What stands above the bar (a progress display over a panel) is meant to cover it.
      if ((top ? stack.indexOf(top) : -1) > stack.indexOf(bar)) continue;
      // A container is judged by the controls it holds: an empty edge under the bar hides nothing.
      if (!c->children().empty()) continue;
      if (r.intersects(inClient(bar).adjusted(0, kSlack, 0, 0)))
        faults.push_back(name + " at " + describe(r) + " lies under the status bar at " +
                         describe(inClient(bar)));
    }
    std::string misfit;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      misfit = textMisfit(label->font(), label->contentsRect(), label->text(), label->wordWrap());
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      const int needed = button->fontMetrics().horizontalAdvance(button->text()) + 8;
      if (needed > button->width() + kSlack)
        misfit = "needs " + std::to_string(needed) + " px, has " + std::to_string(button->width()) + " px";
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      auto* b = static_cast<QAbstractButton*>(w);
      if (!b->text().isEmpty() && b->sizeHint().width() > b->width() + kSlack)
        misfit = "needs " + std::to_string(b->sizeHint().width()) + " px, has " + std::to_string(b->width()) +
                 " px";
    }
    for (const std::string& part : v->textMisfits()) {
      if (!misfit.empty()) break;
      misfit = part;
    }
    if (!misfit.empty()) faults.push_back(name + ": its text " + misfit);
  }
  return faults;
}

}  // namespace frontend::qt
