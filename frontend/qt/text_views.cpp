// Labels and text boxes.

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

#include "frontend/qt/control_views.h"
#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// A caption that stands on the line of the field beside it: its text shares the field's
// baseline rather than hanging from the label's top edge.
class CaptionLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    drawFrame(&p);
    const int beside = baselineBeside(parentWidget(), geometry(), this);
    DrawnText t{text(), contentsRect(), alignment() & Qt::AlignHorizontal_Mask, wordWrap(),
                beside < 0 ? -1 : beside - y()};
    drawText(p, font(),
             palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()), t);
  }
};

class LabelView : public WidgetView<CaptionLabel> {
 public:
  using WidgetView::WidgetView;
  bool graphical() const override { return true; }

 protected:
  void made() override { w_->setTextFormat(Qt::PlainText); }
  void applyAll() override { applyEach({"Caption", "Alignment", "WordWrap", "BorderStyle"}); }
  void applyColours() override {
    // A label in its container's colour shows the container through it: filled, it would
    // stand out from a frame that shades its face.
    const platform::ui::Control* container = control_.container();
    const QColor back = colourProp("BackColor");
    const bool sameAsContainer = container && container->hasProperty("BackColor") &&
                                 oleColor(container->getProperty("BackColor").toLong()) == back;
    bool opaque = intProp("BackStyle", 1) != 0 && !sameAsContainer;
    w_->setAutoFillBackground(opaque);
    if (opaque) setRole(w_, QPalette::Window, back);
    setRole(w_, QPalette::WindowText, colourProp("ForeColor"));
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      w_->setText(stripMnemonic(textProp("Caption")));
    } else if (is(what, "Alignment")) {
      w_->setAlignment(horizontalAlignment(intProp("Alignment")) | Qt::AlignTop);
    } else if (is(what, "WordWrap") || is(what, "AutoSize")) {
      // A label breaks its text at its width unless it grows to fit one line.
      w_->setWordWrap(boolProp("WordWrap") || !boolProp("AutoSize"));
    } else if (is(what, "BackStyle")) {
      applyColours();
    } else if (is(what, "BorderStyle")) {
      w_->setFrameStyle(intProp("BorderStyle") == 1 ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    } else {
      return false;
    }
    return true;
  }
};

// ================================================================ TextBox

class TextBoxView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  bool passDoubleClick() const override { return true; }
  QWidget* makeWidget(QWidget* parent) override {
    line_ = nullptr;
    multi_ = nullptr;
    if (boolProp("MultiLine")) {
      multi_ = new QPlainTextEdit(parent);
      QObject::connect(multi_, &QPlainTextEdit::textChanged, this, [this] {
        if (updating_ || detached_) return;
        // The model keeps line breaks as CR LF.
        QString t = multi_->toPlainText();
        t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        commit(t);
      });
      multi_->setFrameStyle(intProp("BorderStyle", 1) == 0 ? QFrame::NoFrame
                                                           : (QFrame::StyledPanel | QFrame::Sunken));
      return multi_;
    }
    line_ = new QLineEdit(parent);
    QObject::connect(line_, &QLineEdit::textEdited, this, [this](const QString& t) {
      if (!detached_) commit(t);
    });
    return line_;
  }
  void commit(const QString& t) {
    bool taken = false;
    if (!inputText("Change", t, &taken)) return;
    if (!taken || textProp("Text") != shownText()) apply("Text");  // refused or changed by a handler
  }
  QString shownText() const {
    if (line_) return line_->text();
    QString t = multi_->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
  }
  void applyAll() override {
    applyEach({"Text", "Locked", "Alignment", "MaxLength", "BorderStyle", "ScrollBars"});
  }
  void applyColours() override { applyColourRoles(widget_, QPalette::Base, QPalette::Text); }
  bool apply(std::string_view what) override {
    if (is(what, "Text")) {
      QString t = textProp("Text");
      updating_ = true;
      if (line_ && line_->text() != t) {
        line_->setText(t);
      } else if (multi_) {
        QString plain = t;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (multi_->toPlainText() != plain) multi_->setPlainText(plain);
      }
      updating_ = false;
    } else if (is(what, "Locked")) {
      if (line_) line_->setReadOnly(boolProp("Locked"));
      if (multi_) multi_->setReadOnly(boolProp("Locked"));
    } else if (is(what, "Alignment")) {
      if (line_) line_->setAlignment(horizontalAlignment(intProp("Alignment")) | Qt::AlignVCenter);
    } else if (is(what, "MaxLength")) {
      int n = intProp("MaxLength");
      if (line_) line_->setMaxLength(n > 0 ? n : 32767);
    } else if (is(what, "BorderStyle")) {
      if (line_) line_->setFrame(intProp("BorderStyle", 1) != 0);
      if (multi_)
        multi_->setFrameStyle(intProp("BorderStyle", 1) == 0 ? QFrame::NoFrame
                                                             : (QFrame::StyledPanel | QFrame::Sunken));
    } else if (is(what, "ScrollBars")) {
      int s = intProp("ScrollBars");
      if (multi_) {
        multi_->setHorizontalScrollBarPolicy((s & 1) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        multi_->setVerticalScrollBarPolicy((s & 2) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        // Without a horizontal scroll bar a multi-line box wraps at its width.
        multi_->setLineWrapMode((s & 1) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
      }
    } else if (is(what, "MultiLine")) {
      if (boolProp("MultiLine") != (multi_ != nullptr)) recreate();
    } else {
      return false;
    }
    return true;
  }

 private:
  QLineEdit* line_ = nullptr;
  QPlainTextEdit* multi_ = nullptr;
  bool updating_ = false;
};

}  // namespace

std::unique_ptr<ControlView> makeTextView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::Label) return std::make_unique<LabelView>(owner, control);
  return std::make_unique<TextBoxView>(owner, control);
}

}  // namespace frontend::qt
