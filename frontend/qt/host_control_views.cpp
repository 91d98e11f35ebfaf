// The host's controls: text fields, combo boxes, label-text-unit rows, instruments,
// the plotter and the lamp.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <map>

#include "frontend/qt/control_views.h"
#include "frontend/qt/display_widgets.h"
#include "frontend/qt/qt_convert.h"
#include "frontend/qt/row_layout.h"
#include "platform/ui/event_loop.h"

namespace frontend::qt {

using platform::com::equalsNoCase;
using platform::com::Variant;
using platform::ui::Control;

namespace {

// Label, text and unit in one row.
class LabelTextUnitWidget : public QWidget {
 public:
  explicit LabelTextUnitWidget(QWidget* parent)
      : QWidget(parent), label(new QLabel(this)), edit(new QLineEdit(this)), unit(new QLabel(this)) {
    label->setTextFormat(Qt::PlainText);
    unit->setTextFormat(Qt::PlainText);
  }
  QLabel* label;
  QLineEdit* edit;
  QLabel* unit;

  void setLabelText(const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    relayoutColumn();
  }

  void setUnitText(const QString& text) {
    if (unit->text() == text) return;
    unit->setText(text);
    relayoutColumn();
  }

  // The least width of the value part: a signed number of seven digits and its decimal point
  // ("-1234.567"), so that no digit and no sign is ever cut off.
  int minValueWidth() const {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    return edit->fontMetrics().horizontalAdvance(QStringLiteral("-8888.888")) + 2 * frame + 2 * 2 + 2 + kGap;
  }

 protected:
  void resizeEvent(QResizeEvent*) override { relayoutColumn(); }

 private:
  static constexpr int kGap = 3;

  // Rows stacked in one container with the same left edge and width form a column: their
  // value fields stand at one x, after the widest label of the column.
  std::vector<LabelTextUnitWidget*> column() {
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

  int labelNeed() const {
    return label->text().isEmpty() ? 0 : label->fontMetrics().horizontalAdvance(label->text()) + 2 * kGap;
  }

  int unitNeed() const {
    return unit->text().isEmpty() ? 0 : unit->fontMetrics().horizontalAdvance(unit->text()) + kGap;
  }

  void relayoutColumn() {
    const std::vector<LabelTextUnitWidget*> rows = column();
    int labels = 0, units = 0;
    for (LabelTextUnitWidget* row : rows) {
      labels = std::max(labels, row->labelNeed());
      units = std::max(units, row->unitNeed());
    }
    for (LabelTextUnitWidget* row : rows) row->place(labels, units);
  }

  void place(int columnLabelNeed, int columnUnitNeed) {
    const int h = height();
    const RowLayout row = layOutRow(width(), minValueWidth(), columnLabelNeed, columnUnitNeed);
    const int lw = row.label, ew = row.value;
    label->setGeometry(0, 0, std::max(0, lw - kGap), h);
    edit->setGeometry(lw, 0, std::max(0, ew - kGap), h);
    unit->setGeometry(lw + ew, 0, row.unit, h);
  }
};

class UserView : public ControlView {
 public:
  enum class Kind { Text, Combo, LabelTextUnit, Digital, Needle, BarGraph, Plotter, Lamp, Unknown };

  UserView(FormWindow& owner, Control& control, Kind kind) : ControlView(owner, control), kind_(kind) {}

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
    QObject::connect(e, &QLineEdit::editingFinished, this, [this, e] {
      if (detached_ || updating_ || !e->isModified()) return;
      e->setModified(false);
      if (inputText("Input", e->text())) refresh();
    });
  }

  void applyAll() override { refresh(); }
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
    std::string update;
    try {
      update = user().impl().drawingSince(plotMark_);
    } catch (const std::exception& e) {
      platform::ui::EventLoop::instance().reportError(control_.form().name() + "." + control_.qualifiedName(),
                                                      e.what());
      return true;
    }
    PlotUpdate u;
    if (update.empty() || !parsePlotUpdate(QString::fromStdString(update), u)) return false;
    plotter_->applyUpdate(std::move(u));
    return true;
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
        break;
      case Kind::LabelTextUnit:
        ltu_->setLabelText(text("LabelText"));
        ltu_->setUnitText(text("UnitText"));
        showEdit(edit_, text("Text"), flag("Editable", false));
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
          pm = pixmapFromPicture(user().impl().picture());
        } catch (const std::exception&) {
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
