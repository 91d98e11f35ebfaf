// List boxes and combo boxes.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStringListModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

#include "frontend/qt/control_views.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// ================================================================ ListBox, ComboBox

// Draws an item's tab-separated parts in columns at the list's tab stops.
class TabStopDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::vector<int> stopsDlu;

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QString text = index.data().toString();
    if (!text.contains(QLatin1Char('\t'))) {
      QStyledItemDelegate::paint(p, option, index);
      return;
    }
    QStyleOptionViewItem o(option);
    initStyleOption(&o, index);
    o.text.clear();
    const QWidget* w = o.widget;
    QStyle* style = w ? w->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
    QFontMetrics fm(o.font);
    double dlu = std::max(1.0, fm.averageCharWidth() / 4.0);  // horizontal dialog unit
    QRect r = o.rect.adjusted(2, 0, -2, 0);
    p->save();
    p->setFont(o.font);
    p->setPen(
        o.palette.color((o.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    QStringList parts = text.split(QLatin1Char('\t'));
    int x = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
      if (i > 0) x = nextStop(x, dlu);
      int nextX = i + 1 < parts.size() ? nextStop(x + fm.horizontalAdvance(parts[i]), dlu) : r.width();
      QRect cell(r.left() + x, r.top(), std::max(0, std::min(nextX, r.width()) - x), r.height());
      p->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, parts[i]);
      x += fm.horizontalAdvance(parts[i]);
    }
    p->restore();
  }

 private:
  // The first tab stop right of `x` (pixels): the list's stops, one stop repeated, or every 32 units.
  int nextStop(int x, double dlu) const {
    if (stopsDlu.size() > 1) {
      for (int s : stopsDlu)
        if (s * dlu > x) return static_cast<int>(s * dlu);
      return x + static_cast<int>(8 * dlu);
    }
    double step = (stopsDlu.size() == 1 && stopsDlu[0] > 0 ? stopsDlu[0] : 32) * dlu;
    return static_cast<int>((std::floor(x / step) + 1) * step);
  }
};

class ListBoxView : public WidgetView<QListWidget> {
 public:
  using WidgetView::WidgetView;

 protected:
  bool passDoubleClick() const override { return true; }
  void made() override {
    delegate_ = new TabStopDelegate(w_);
    w_->setItemDelegate(delegate_);
    w_->setSelectionMode(QAbstractItemView::SingleSelection);
    w_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long entries are cut, as in a list box
    QObject::connect(w_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (updating_ || detached_) return;
      later([this, row] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || row >= lb->listCount()) return;
        if (input("Click", [lb, row] { lb->setListIndex(row); })) apply("ListIndex");
      });
    });
  }
  void applyAll() override { apply("List"); }
  void applyColours() override { applyColourRoles(w_, QPalette::Base, QPalette::Text); }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    if (is(what, "List")) {
      updating_ = true;
      delegate_->stopsDlu = lb->tabStops();
      w_->clear();
      for (const std::string& item : lb->items()) w_->addItem(qs(item));
      w_->setCurrentRow(lb->listIndex());
      updating_ = false;
      w_->viewport()->update();
    } else if (is(what, "ListIndex")) {
      updating_ = true;
      w_->setCurrentRow(lb->listIndex());
      updating_ = false;
    } else {
      return false;
    }
    return true;
  }

 private:
  TabStopDelegate* delegate_ = nullptr;
  bool updating_ = false;
};

class ComboBoxView : public WidgetView<QComboBox> {
 public:
  using WidgetView::WidgetView;

 protected:
  bool passDoubleClick() const override { return true; }
  void made() override {
    listTextsOnly(w_);
    // Style 2 is a drop-down list; the others take typed text too.
    w_->setEditable(intProp("Style") != 2);
    w_->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(w_, &QComboBox::activated, this, [this](int i) {
      if (updating_ || detached_) return;
      later([this, i] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || i < 0 || i >= lb->listCount()) return;
        if (input("Click", [lb, i] { lb->setListIndex(i); })) applyAll();
      });
    });
    if (QLineEdit* le = w_->lineEdit()) {
      QObject::connect(le, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (!detached_) inputText("Change", t);
      });
    }
  }
  void applyAll() override { applyEach({"List", "Text"}); }
  void applyColours() override { applyColourRoles(w_, QPalette::Base, QPalette::Text); }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    updating_ = true;
    bool handled = true;
    if (is(what, "List")) {
      w_->clear();
      for (const std::string& item : lb->items()) w_->addItem(qs(item));
      w_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "ListIndex")) {
      w_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "Text")) {
      QString t = textProp("Text");
      if (w_->isEditable()) {
        if (w_->currentText() != t) w_->setEditText(t);
      } else if (int i = w_->findText(t); i >= 0) {
        w_->setCurrentIndex(i);
      }
    } else if (is(what, "Style")) {
      updating_ = false;
      recreate();
      return true;
    } else {
      handled = false;
    }
    updating_ = false;
    return handled;
  }

 private:
  bool updating_ = false;
};

}  // namespace

void listTextsOnly(QComboBox* combo) {
  combo->setModel(new QStringListModel(combo));
}

std::unique_ptr<ControlView> makeListView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::ListBox) return std::make_unique<ListBoxView>(owner, control);
  return std::make_unique<ComboBoxView>(owner, control);
}

}  // namespace frontend::qt
