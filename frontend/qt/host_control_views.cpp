// The host's controls: text fields, combo boxes, label-text-unit rows, instruments,
// the plotter and the lamp.

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "frontend/qt/control_views.h"
#include "frontend/qt/display_widgets.h"
#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"
#include "frontend/qt/row_layout.h"
#include "platform/ui/event_loop.h"

namespace frontend::qt {

using platform::com::equalsNoCase;
using platform::com::Variant;
using platform::ui::Control;

// ================================================================ LabelTextUnitWidget

LabelTextUnitWidget::LabelTextUnitWidget(QWidget* parent) : QWidget(parent), edit(new QLineEdit(this)) {
  setProperty(kRowFieldProperty, true);
}

void LabelTextUnitWidget::setLabelText(const QString& text) {
  if (label_.text == text) return;
  label_.text = text;
  labelNeed_ = -1;
  relayoutColumn();
  update();
}

void LabelTextUnitWidget::setUnitText(const QString& text) {
  if (unit_.text == text) return;
  unit_.text = text;
  unitNeed_ = -1;
  relayoutColumn();
  update();
}

std::vector<std::string> LabelTextUnitWidget::misfits() const {
  std::vector<std::string> out;
  for (const DrawnText* t : {&label_, &unit_})
    if (std::string why = textMisfit(font(), t->rect, t->text, false); !why.empty()) out.push_back(why);
  return out;
}

int LabelTextUnitWidget::minValueWidth() const {
  if (minValueWidth_ < 0) {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    minValueWidth_ =
        edit->fontMetrics().horizontalAdvance(QStringLiteral("-8888.888")) + 2 * frame + 2 * 2 + 2 + kGap;
  }
  return minValueWidth_;
}

void LabelTextUnitWidget::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() != QEvent::FontChange && e->type() != QEvent::StyleChange) return;
  // Measured anew, in the new font: the column's parts move with it.
  labelNeed_ = unitNeed_ = minValueWidth_ = -1;
  relayoutColumn();
}

void LabelTextUnitWidget::paintEvent(QPaintEvent*) {
  // Label and unit stand on the line of the value's text.
  QPainter p(this);
  const int baseline = edit->y() + fieldTextBaseline(edit);
  const QColor ink =
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
  for (DrawnText* t : {&label_, &unit_}) {
    t->baseline = baseline;
    drawText(p, font(), ink, *t);
  }
}

std::vector<LabelTextUnitWidget*> LabelTextUnitWidget::column() {
  std::vector<LabelTextUnitWidget*> rows;
  if (QWidget* parent = parentWidget()) {
    for (QObject* o : parent->children()) {
      auto* row = dynamic_cast<LabelTextUnitWidget*>(o);
      if (row && row->x() == x() && row->width() == width()) rows.push_back(row);
    }
  }
  if (rows.empty()) rows.push_back(this);
  return rows;
}

int LabelTextUnitWidget::labelNeed() const {
  if (labelNeed_ < 0)
    labelNeed_ = label_.text.isEmpty() ? 0 : fontMetrics().horizontalAdvance(label_.text) + 2 * kGap;
  return labelNeed_;
}

int LabelTextUnitWidget::unitNeed() const {
  if (unitNeed_ < 0)
    unitNeed_ = unit_.text.isEmpty() ? 0 : fontMetrics().horizontalAdvance(unit_.text) + kGap;
  return unitNeed_;
}

int LabelTextUnitWidget::fieldColumn() const {
  // The leftmost single field (a text or a list beside a caption) in the row's container that
  // starts inside the row, leaving room for a value after it: the container's column of fields.
  int best = -1;
  if (const QWidget* parent = parentWidget()) {
    const int last = width() - minValueWidth();
    for (const QObject* o : parent->children()) {
      auto* w = qobject_cast<const QWidget*>(o);
      if (!w) continue;
      const int at = w->x() - x();
      if (at <= 0 || at > last || (best >= 0 && at >= best)) continue;
      if (w->property(kRowFieldProperty).toBool() || fieldTextBaseline(w) < 0) continue;
      best = at;
    }
  }
  return best;
}

void LabelTextUnitWidget::relayoutColumn() {
  const std::vector<LabelTextUnitWidget*> rows = column();
  int labels = 0, units = 0;
  for (LabelTextUnitWidget* row : rows) {
    labels = std::max(labels, row->labelNeed());
    units = std::max(units, row->unitNeed());
  }
  for (LabelTextUnitWidget* row : rows) row->place(labels, units);
}

void LabelTextUnitWidget::place(int columnLabelNeed, int columnUnitNeed) {
  const int h = height();
  const RowLayout row = layOutRow(width(), minValueWidth(), columnLabelNeed, columnUnitNeed);
  int lw = row.label, ew = row.value;
  // In line with the container's fields, the value field gives up what it moves by, so that
  // the unit keeps its place.
  if (const int at = fieldColumn(); at > lw && ew - (at - lw) >= minValueWidth()) {
    ew -= at - lw;
    lw = at;
  }
  label_.rect = QRect(0, 0, std::max(0, lw - kGap), h);
  edit->setGeometry(lw, 0, std::max(0, ew - kGap), h);
  unit_.rect = QRect(lw + ew, 0, row.unit, h);
  update();
}

namespace {

// Why an edit was refused, told just below its field (above it where the window ends first):
// a framed note inside the field's window, gone when the user types there again, when an edit
// is taken, or after a while.
class FieldErrorNote : public QLabel {
 public:
  static constexpr int kShownMs = 10000;

  explicit FieldErrorNote(QWidget* window) : QLabel(window) {
    setObjectName(QStringLiteral("FieldError"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFrameShape(QFrame::Box);
    setMargin(3);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    setPalette(pal);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  }

  // Put away with its field: a page that leaves the tab strip takes the note along.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && watched == field_) hide();
    return false;
  }

  void showBeside(QWidget* field, const QString& text) {
    if (field_ != field) {
      if (field_) field_->removeEventFilter(this);
      field_ = field;
      field->installEventFilter(this);
    }
    QWidget* window = parentWidget();
    setText(text);
    const int width = std::min(std::max(field->width(), fontMetrics().horizontalAdvance(text) + 12),
                               std::max(field->width(), window->width() - 4));
    const int height = heightForWidth(width);
    const QPoint below = field->mapTo(window, QPoint(0, field->height() + 1));
    int y = below.y();
    if (y + height > window->height()) y = field->mapTo(window, QPoint(0, 0)).y() - height - 1;
    const int x = std::max(0, std::min(below.x(), window->width() - width));
    setGeometry(x, std::max(0, y), width, height);
    show();
    raise();
    timer_.start(kShownMs);
  }

 private:
  QTimer timer_;
  QPointer<QWidget> field_;
};

class UserView : public ControlView {
 public:
  enum class Kind { Text, Combo, LabelTextUnit, Digital, Needle, BarGraph, Plotter, Lamp, Unknown };

  UserView(FormWindow& owner, Control& control, Kind kind) : ControlView(owner, control), kind_(kind) {}
  ~UserView() override { delete errorNote_; }

 protected:
  platform::ui::UserControl& user() const { return static_cast<platform::ui::UserControl&>(control_); }

  QWidget* makeWidget(QWidget* parent) override {
    switch (kind_) {
      case Kind::Text: {
        edit_ = new QLineEdit(parent);
        connectEdit(edit_);
        return edit_;
      }
      case Kind::Combo: {
        combo_ = new QComboBox(parent);
        listTextsOnly(combo_);
        QObject::connect(combo_, &QComboBox::activated, this, [this](int i) {
          if (updating_ || detached_ || i < 0) return;
          std::string text = utf8(combo_->itemText(i));
          later([this, text] {
            auto* u = &user();
            if (input("Select", [u, text] { u->impl().userInput("select", Variant(text)); })) refresh();
          });
        });
        return combo_;
      }
      case Kind::LabelTextUnit: {
        ltu_ = new LabelTextUnitWidget(parent);
        edit_ = ltu_->edit;
        connectEdit(edit_);
        return ltu_;
      }
      case Kind::Digital:
        digital_ = new DigitalWidget(parent);
        return digital_;
      case Kind::Needle:
        instrument_ = new NeedleWidget(parent);
        return instrument_;
      case Kind::BarGraph:
        instrument_ = new BarGraphWidget(parent);
        return instrument_;
      case Kind::Plotter:
        plotter_ = new PlotterWidget(parent);
        return plotter_;
      case Kind::Lamp:
        lamp_ = new PictureWidget(parent);
        lamp_->setMode(PictureWidget::Mode::Fit);
        return lamp_;
      case Kind::Unknown:
        break;
    }
    return new UnknownControlWidget(qs(control_.typeName()), parent);
  }

  void connectEdit(QLineEdit* e) {
    // Committed when the user finishes (Enter or leaving the field), not per keystroke:
    // each commit writes the host's item.
    QObject::connect(e, &QLineEdit::editingFinished, this, [this] { commitEdit(); });
    QObject::connect(e, &QLineEdit::textEdited, this, [this] {
      if (errorNote_) errorNote_->hide();
    });
  }

  // False when the model refused the edit (the field then shows its LastError beside it).
  bool commitEdit() {
    if (detached_ || updating_ || !edit_ || !edit_->isModified()) return true;
    edit_->setModified(false);
    committed_ = true;
    if (!inputText("Input", edit_->text())) return true;  // the view went meanwhile
    refresh();
    return shownError_.isEmpty();
  }
  bool holdsInput() const override { return edit_ && edit_->isModified(); }
  bool finishInput() override { return commitEdit(); }

  // The field's LastError: told beside the field when an edit brought it (again), put away
  // once an edit is taken. One there when the field is made was told before: the field's
  // page was left and is shown again.
  void showError(const QString& error) {
    const bool fresh = committed_ || (errorKnown_ && error != shownError_);
    committed_ = false;
    errorKnown_ = true;
    shownError_ = error;
    edit_->setToolTip(error);
    if (error.isEmpty()) {
      if (errorNote_) errorNote_->hide();
      return;
    }
    if (!fresh || !edit_->isVisible()) return;
    if (!errorNote_) {
      errorNote_ = new FieldErrorNote(edit_->window());
      QObject::connect(edit_, &QObject::destroyed, errorNote_.data(), &QObject::deleteLater);
    }
    errorNote_->showBeside(edit_, error);
  }

  void applyAll() override { refresh(); }
  std::vector<std::string> textMisfits() const override {
    return ltu_ ? ltu_->misfits() : std::vector<std::string>{};
  }
  bool apply(std::string_view what) override {
    if (is(what, "Enabled")) {
      widget_->setEnabled(boolProp("Enabled", true));
      refresh();  // a combo box is also disabled while its item cannot be written
      return true;
    }
    for (auto p : {"Left", "Top", "Width", "Height", "Visible", "ToolTipText", "ZOrder"})
      if (is(what, p)) return false;
    refreshSoon();  // anything else is what the control shows
    return true;
  }

  // The changes a control reports before Qt next draws (an upload changes a field many
  // times) are shown by one refresh: one snapshot, one repaint.
  void refreshSoon() {
    if (refreshPending_) return;
    refreshPending_ = true;
    later([this] {
      refreshPending_ = false;
      refresh();
    });
  }

  // The plotter hands over only the samples that came since it was last asked.
  bool refreshPlotter() {
    platform::ui::PlotSamples samples;
    try {
      if (!user().impl().samplesSince(plotMark_, samples)) return false;
    } catch (const std::exception& e) {
      platform::ui::EventLoop::instance().reportError(control_.form().name() + "." + control_.qualifiedName(),
                                                      e.what());
      return true;
    }
    plotter_->applyUpdate(plotUpdate(samples));
    return true;
  }

  // A value or range that is no number (an infinity among them) shows as none.
  static PlotUpdate plotUpdate(const platform::ui::PlotSamples& samples) {
    auto number = [](double v) { return std::isfinite(v) ? v : std::numeric_limits<double>::quiet_NaN(); };
    PlotUpdate u;
    u.timeSpanMs = samples.timeSpanMs;
    u.curves.reserve(samples.curves.size());
    for (const platform::ui::PlotSamples::Curve& in : samples.curves) {
      PlotUpdate::Curve& out = u.curves.emplace_back();
      out.restart = in.restart;
      out.curve.number = in.number;
      out.curve.caption = QString::fromStdString(in.caption);
      out.curve.unit = QString::fromStdString(in.unit);
      out.curve.min = number(in.min);
      out.curve.max = number(in.max);
      out.curve.live = in.live;
      for (const auto& [t, v] : in.points)
        if (std::isfinite(t)) out.curve.points.emplace_back(t, number(v));
    }
    return u;
  }

  void refresh() {
    if (kind_ == Kind::Plotter && refreshPlotter()) return;
    using Snapshot = std::map<std::string, Variant, platform::ui::NoCaseLess>;
    Snapshot s;
    try {
      for (auto& [k, v] : user().impl().snapshot()) s[k] = v;
    } catch (const std::exception& e) {
      platform::ui::EventLoop::instance().reportError(control_.form().name() + "." + control_.qualifiedName(),
                                                      e.what());
    }
    auto text = [&](const char* k) {
      auto it = s.find(k);
      return it == s.end() ? QString() : variantText(it->second);
    };
    auto number = [&](const char* k, double fallback) {
      auto it = s.find(k);
      return it == s.end() ? fallback : variantDouble(it->second, fallback);
    };
    auto flag = [&](const char* k, bool fallback) {
      auto it = s.find(k);
      return it == s.end() ? fallback : variantBool(it->second, fallback);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    updating_ = true;
    switch (kind_) {
      case Kind::Text:
        showEdit(edit_, text("Text"), flag("Editable", false));
        showError(text("LastError"));
        break;
      case Kind::LabelTextUnit:
        ltu_->setLabelText(text("LabelText"));
        ltu_->setUnitText(text("UnitText"));
        showEdit(edit_, text("Text"), flag("Editable", false));
        showError(text("LastError"));
        break;
      case Kind::Combo: {
        QStringList entries = text("Entries").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList had;
        for (int i = 0; i < combo_->count(); ++i) had << combo_->itemText(i);
        if (had != entries) {
          combo_->clear();
          combo_->addItems(entries);
        }
        QString current = text("Text");
        int i = entries.indexOf(current);
        combo_->setCurrentIndex(i);
        combo_->setPlaceholderText(i < 0 ? current : QString());  // a value outside the list still shows
        bool editable = flag("Editable", false);
        combo_->setEnabled(editable && boolProp("Enabled", true));
        break;
      }
      case Kind::Digital:
        digital_->setTexts(text("Caption"), text("Text"), text("UnitText"));
        break;
      case Kind::Needle:
      case Kind::BarGraph: {
        InstrumentData d;
        d.caption = text("Caption");
        d.value = number("Value", nan);
        d.min = number("Min", nan);
        d.max = number("Max", nan);
        d.valueText = text("ValueText");
        d.unitText = text("UnitText");
        d.overRange = flag("OverRange", false);
        d.underRange = flag("UnderRange", false);
        // The face and ink the design gives the instrument.
        for (auto [key, colour] : {std::pair{"BackColor", &d.face}, std::pair{"ForeColor", &d.ink}}) {
          auto it = s.find(key);
          if (it != s.end() && !it->second.isEmpty())
            *colour = oleColor(it->second.toLong(), instrument_->palette());
        }
        instrument_->setData(d);
        break;
      }
      case Kind::Plotter:
        plotter_->setCurves(parseCurves(text("Curves")), number("TimeSpanMs", 0));
        break;
      case Kind::Lamp: {
        QPixmap pm;
        try {
          pm = sharedPixmap(user().impl().picture());
        } catch (const std::exception& e) {
          platform::ui::EventLoop::instance().reportError(
              control_.form().name() + "." + control_.qualifiedName(), e.what());
        }
        lamp_->setPicture(pm);
        break;
      }
      case Kind::Unknown:
        break;
    }
    updating_ = false;
  }

  static void showEdit(QLineEdit* e, const QString& t, bool editable) {
    e->setReadOnly(!editable);
    showReadOnly(e, !editable);
    // What the user is typing is not overwritten by a value arriving meanwhile.
    if (e->hasFocus() && e->isModified()) return;
    if (e->text() != t) e->setText(t);
    e->setModified(false);
  }

 private:
  Kind kind_;
  QLineEdit* edit_ = nullptr;
  QComboBox* combo_ = nullptr;
  LabelTextUnitWidget* ltu_ = nullptr;
  DigitalWidget* digital_ = nullptr;
  InstrumentWidget* instrument_ = nullptr;
  PlotterWidget* plotter_ = nullptr;
  PictureWidget* lamp_ = nullptr;
  bool updating_ = false;
  bool refreshPending_ = false;
  bool committed_ = false;   // the user finished an edit; its outcome is told even when unchanged
  bool errorKnown_ = false;  // shownError_ holds what the field was told
  QString shownError_;
  QPointer<FieldErrorNote> errorNote_;
  uint64_t plotMark_ = 0;
};

}  // namespace

std::unique_ptr<ControlView> makeUserView(FormWindow& owner, Control& control) {
  static const std::map<std::string, UserView::Kind, platform::ui::NoCaseLess> kinds = {
      {"Tolvar4Text", UserView::Kind::Text},
      {"Tolvar4Combo", UserView::Kind::Combo},
      {"Tolvar4LabelTextUnit", UserView::Kind::LabelTextUnit},
      {"Tolvar4Digital", UserView::Kind::Digital},
      {"Tolvar4Needle", UserView::Kind::Needle},
      {"Tolvar4BarGraph", UserView::Kind::BarGraph},
      {"Tolvar4Plotter", UserView::Kind::Plotter},
      {"VEXAONOFF", UserView::Kind::Lamp},
  };
  std::string type = control.typeName();
  if (equalsNoCase(type, "Tolvar4CtrlItemHandler")) return nullptr;  // works unseen
  auto it = kinds.find(type);
  return std::make_unique<UserView>(owner, control, it == kinds.end() ? UserView::Kind::Unknown : it->second);
}

}  // namespace frontend::qt
