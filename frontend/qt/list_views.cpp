// List boxes and combo boxes.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
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

class ListBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    list_ = new QListWidget(parent);
    delegate_ = new TabStopDelegate(list_);
    list_->setItemDelegate(delegate_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long entries are cut, as in a list box
    QObject::connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (updating_ || detached_) return;
      later([this, row] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || row >= lb->listCount()) return;
        if (input("Click", [lb, row] { lb->setListIndex(row); })) apply("ListIndex");
      });
    });
    return list_;
  }
  void applyAll() override { apply("List"); }
  void applyColours() override {
    setRole(list_, QPalette::Base, colourProp("BackColor"));
    setRole(list_, QPalette::Text, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    if (is(what, "List")) {
      updating_ = true;
      delegate_->stopsDlu = lb->tabStops();
      list_->clear();
      for (const std::string& item : lb->items()) list_->addItem(qs(item));
      list_->setCurrentRow(lb->listIndex());
      updating_ = false;
      list_->viewport()->update();
    } else if (is(what, "ListIndex")) {
      updating_ = true;
      list_->setCurrentRow(lb->listIndex());
      updating_ = false;
    } else {
      return false;
    }
    return true;
  }

 private:
  QListWidget* list_ = nullptr;
  TabStopDelegate* delegate_ = nullptr;
  bool updating_ = false;
};

class ComboBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    combo_ = new QComboBox(parent);
    // Style 2 is a drop-down list; the others take typed text too.
    combo_->setEditable(intProp("Style") != 2);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(combo_, &QComboBox::activated, this, [this](int i) {
      if (updating_ || detached_) return;
      later([this, i] {
        auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
        if (!lb || i < 0 || i >= lb->listCount()) return;
        if (input("Click", [lb, i] { lb->setListIndex(i); })) applyAll();
      });
    });
    if (QLineEdit* le = combo_->lineEdit()) {
      QObject::connect(le, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (detached_) return;
        Control* c = &control_;
        std::string text = utf8(t);
        input("Change", [c, text] { c->form().userText(*c, text); });
      });
    }
    return combo_;
  }
  void applyAll() override {
    apply("List");
    apply("Text");
  }
  void applyColours() override {
    setRole(combo_, QPalette::Base, colourProp("BackColor"));
    setRole(combo_, QPalette::Text, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    auto* lb = dynamic_cast<platform::ui::ListBoxControl*>(&control_);
    if (!lb) return false;
    updating_ = true;
    bool handled = true;
    if (is(what, "List")) {
      combo_->clear();
      for (const std::string& item : lb->items()) combo_->addItem(qs(item));
      combo_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "ListIndex")) {
      combo_->setCurrentIndex(lb->listIndex());
    } else if (is(what, "Text")) {
      QString t = textProp("Text");
      if (combo_->isEditable()) {
        if (combo_->currentText() != t) combo_->setEditText(t);
      } else if (int i = combo_->findText(t); i >= 0) {
        combo_->setCurrentIndex(i);
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
  QComboBox* combo_ = nullptr;
  bool updating_ = false;
};

}  // namespace

std::unique_ptr<ControlView> makeListView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::ListBox) return std::make_unique<ListBoxView>(owner, control);
  return std::make_unique<ComboBoxView>(owner, control);
}

}  // namespace frontend::qt
