// Labels and text boxes.

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

#include "frontend/qt/control_views.h"
#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;

namespace {

constexpr int32_t kSystemWindowBackground = static_cast<int32_t>(0x80000005u);  // a text field's own colour

// A caret position as the model counts it: one per character, two per line break (the
// model keeps CR LF), where the box counts UTF-16 units and one per line break.
int modelPosition(const QString& shown, int pos) {
  int n = 0;
  pos = std::clamp(pos, 0, static_cast<int>(shown.size()));
  for (int i = 0; i < pos; ++i) {
    if (shown[i] == QLatin1Char('\n'))
      n += 2;
    else if (!shown[i].isLowSurrogate() || i == 0 || !shown[i - 1].isHighSurrogate())
      ++n;
  }
  return n;
}

// The box's position of the model's caret position `model`; one inside a line break or a
// character stands behind it, one beyond the text at its end.
int shownPosition(const QString& shown, int model) {
  int n = 0, i = 0;
  while (i < shown.size() && n < model) {
    n += shown[i] == QLatin1Char('\n') ? 2 : 1;
    i += shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate() ? 2 : 1;
  }
  return i;
}

// Puts `want` into `doc` by replacing only what differs, so that the caret and the undo
// steps of an unchanged beginning and end stay where they were.
void replaceChanged(QTextDocument* doc, const QString& want) {
  const QString have = doc->toPlainText();
  if (have == want) return;
  const qsizetype shorter = std::min(have.size(), want.size());
  qsizetype head = 0;
  while (head < shorter && have[head] == want[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head && have[have.size() - 1 - tail] == want[want.size() - 1 - tail]) ++tail;
  QTextCursor c(doc);
  c.setPosition(static_cast<int>(head));
  c.setPosition(static_cast<int>(have.size() - tail), QTextCursor::KeepAnchor);
  c.insertText(want.mid(head, want.size() - head - tail));
}

// A caption that stands on the line of the field beside it: its text shares the field's
// baseline rather than hanging from the label's top edge. Drawn by its container; a label in a
// container that draws none has this widget of its own.
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

// Labels share their fonts: most of a window's captions are in the same one. Kept for the
// whole run, never destroyed after the application's font data went.
QFont sharedFont(const QFont& f) {
  static auto* fonts = new std::vector<QFont>;
  for (const QFont& k : *fonts)
    if (k == f && k.family() == f.family()) return k;
  if (fonts->size() >= 32) fonts->erase(fonts->begin());
  fonts->push_back(f);
  return f;
}

// What a drawn label shows, as its properties say.
struct LabelLook {
  QRect area;
  QString text;
  QString toolTip;
  QFont font;
  QColor ink;
  QColor back;  // invalid: the container shows through
  Qt::Alignment alignment = Qt::AlignLeft;
  bool wraps = false;
  bool border = false;
  bool enabled = true;
  bool visible = true;
  bool operator==(const LabelLook& o) const {
    return area == o.area && text == o.text && toolTip == o.toolTip && font == o.font && ink == o.ink &&
           back == o.back && alignment == o.alignment && wraps == o.wraps && border == o.border &&
           enabled == o.enabled && visible == o.visible;
  }
};

class LabelView : public WidgetView<CaptionLabel>, public DrawnControl {
 public:
  using WidgetView::WidgetView;
  ~LabelView() override { forget(); }
  bool graphical() const override { return true; }

  void create(QWidget* parent) override {
    DrawnControls* drawn = DrawnControls::of(parent);
    if (!drawn) {
      ControlView::create(parent);
      return;
    }
    drawn_ = drawn;
    look_ = readLook();
    drawn->add(this);
    control_.addObserver(this);
    repaint(look_.area);
  }
  void detach() override {
    forget();
    ControlView::detach();
  }
  void controlChanged(platform::ui::Control& c, std::string_view what) override {
    if (!drawn_) {
      ControlView::controlChanged(c, what);
      return;
    }
    if (detached_) return;
    LabelLook now = readLook();
    const bool restacked = is(what, "ZOrder");
    if (now == look_ && !restacked) return;
    const QRect before = look_.visible ? look_.area : QRect();
    look_ = std::move(now);
    repaint(before.united(look_.visible ? look_.area : QRect()));
  }
  ShownText drawnLook() const override {
    if (!drawn_) return {};
    QWidget* in = drawn_->container();
    return {in,          look_.visible ? look_.area : QRect(), look_.text, look_.font,
            look_.wraps, look_.enabled && in->isEnabled()};
  }
  std::vector<std::string> textMisfits() const override {
    if (!drawn_ || !look_.visible) return {};
    std::string why = textMisfit(look_.font, contents(), look_.text, look_.wraps);
    return why.empty() ? std::vector<std::string>{} : std::vector<std::string>{why};
  }

  // --- DrawnControl
  QRect area() const override { return look_.area; }
  bool shown() const override { return look_.visible; }
  bool takesMouse() const override { return look_.visible && look_.enabled; }
  int zIndex() const override { return control_.zIndex(); }
  QString toolTip() const override { return look_.toolTip; }
  void doubleClicked() override {
    platform::ui::Control* c = &control_;
    runGuarded(&c->form(), c->qualifiedName() + "_DblClick", [c] { c->form().userDblClick(*c); });
  }
  void rightReleased(QPointF pos) override { owner_.userMouseUp(control_, drawn_->container(), pos); }
  void paint(QPainter& p, const QWidget& container) const override {
    const bool enabled = look_.enabled && container.isEnabled();
    const QPalette& pal = container.palette();
    // As a widget of its own: its colours when enabled, the platform's disabled look otherwise.
    if (look_.back.isValid())
      p.fillRect(look_.area, enabled ? look_.back : pal.color(QPalette::Disabled, QPalette::Window));
    if (look_.border) {
      QStyleOptionFrame opt;
      opt.initFrom(&container);
      opt.state.setFlag(QStyle::State_Enabled, enabled);
      opt.rect = look_.area;
      opt.frameShape = QFrame::Panel;
      opt.state |= QStyle::State_Sunken;
      opt.lineWidth = 1;
      opt.midLineWidth = 0;
      container.style()->drawControl(QStyle::CE_ShapedFrame, &opt, &p, &container);
    }
    const QRect inner = contents();
    const DrawnText t{look_.text, inner, look_.alignment, look_.wraps,
                      baselineBeside(&container, look_.area, nullptr)};
    drawText(p, look_.font, enabled ? look_.ink : pal.color(QPalette::Disabled, QPalette::WindowText), t);
  }

 protected:
  void made() override { w_->setTextFormat(Qt::PlainText); }
  void applyAll() override { applyEach({"Caption", "Alignment", "WordWrap", "BorderStyle"}); }
  void applyColours() override {
    bool opaque = false;
    const QColor back = backColour(opaque);
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
      w_->setWordWrap(wraps());
    } else if (is(what, "BackStyle")) {
      applyColours();
    } else if (is(what, "BorderStyle")) {
      w_->setFrameStyle(intProp("BorderStyle") == 1 ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    } else {
      return false;
    }
    return true;
  }

 private:
  // A label breaks its text at its width unless it grows to fit one line.
  bool wraps() const { return boolProp("WordWrap") || !boolProp("AutoSize"); }
  // A label in its container's colour shows the container through it: filled, it would stand
  // out from a frame that shades its face.
  QColor backColour(bool& opaque) const {
    const platform::ui::Control* container = control_.container();
    const QColor back = colourProp("BackColor");
    const bool sameAsContainer = container && container->hasProperty("BackColor") &&
                                 oleColor(container->getProperty("BackColor").toLong()) == back;
    opaque = intProp("BackStyle", 1) != 0 && !sameAsContainer;
    return back;
  }
  LabelLook readLook() const {
    LabelLook l;
    l.area = modelGeometry();
    l.text = stripMnemonic(textProp("Caption"));
    l.toolTip = textProp("ToolTipText");
    l.font =
        control_.hasProperty("FontName")
            ? sharedFont(modelFont(utf8(textProp("FontName")), variantDouble(prop("FontSize"), 8.25),
                                   boolProp("FontBold"), boolProp("FontItalic"), boolProp("FontUnderline")))
            : drawn_->container()->font();
    l.ink = colourProp("ForeColor");
    bool opaque = false;
    const QColor back = backColour(opaque);
    if (opaque) l.back = back;
    l.alignment = horizontalAlignment(intProp("Alignment"));
    l.wraps = wraps();
    l.border = intProp("BorderStyle") == 1;
    l.enabled = boolProp("Enabled", true);
    l.visible = boolProp("Visible", true);
    return l;
  }
  QRect contents() const { return look_.border ? look_.area.adjusted(1, 1, -1, -1) : look_.area; }
  void repaint(const QRect& r) const {
    if (drawn_ && !r.isEmpty()) drawn_->container()->update(r);
  }
  void forget() {
    if (!drawn_) return;
    drawn_->remove(this);
    repaint(look_.visible ? look_.area : QRect());
    drawn_ = nullptr;
  }

  QPointer<DrawnControls> drawn_;
  LabelLook look_;
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
        // The model keeps line breaks as CR LF; its Change handler may read the caret.
        tellCaret();
        QString t = multi_->toPlainText();
        t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        commit(t);
      });
      QObject::connect(multi_, &QPlainTextEdit::cursorPositionChanged, this, [this] { tellCaret(); });
      multi_->setFrameStyle(intProp("BorderStyle", 1) == 0 ? QFrame::NoFrame
                                                           : (QFrame::StyledPanel | QFrame::Sunken));
      return multi_;
    }
    line_ = new QLineEdit(parent);
    QObject::connect(line_, &QLineEdit::textEdited, this, [this](const QString& t) {
      if (detached_) return;
      tellCaret();
      commit(t);
    });
    QObject::connect(line_, &QLineEdit::cursorPositionChanged, this, [this] { tellCaret(); });
    QObject::connect(line_, &QLineEdit::selectionChanged, this, [this] { tellCaret(); });
    return line_;
  }
  // The model's SelStart and SelLength follow the caret and selection the user makes.
  void tellCaret() {
    if (updating_ || detached_) return;
    int start = 0, end = 0;
    QString shown;
    if (line_) {
      shown = line_->text();
      start = line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
      end = line_->hasSelectedText() ? line_->selectionEnd() : start;
    } else {
      shown = multi_->toPlainText();
      QTextCursor c = multi_->textCursor();
      start = c.selectionStart();
      end = c.selectionEnd();
    }
    const int from = modelPosition(shown, start);
    updating_ = true;
    control_.setProperty("SelStart", Variant(static_cast<int32_t>(from)));
    control_.setProperty("SelLength", Variant(static_cast<int32_t>(modelPosition(shown, end) - from)));
    updating_ = false;
  }
  // Shows the model's SelStart and SelLength as the caret and selection.
  void showCaret() {
    const QString shown = line_ ? line_->text() : multi_->toPlainText();
    const int start = std::max(0, intProp("SelStart"));
    const int from = shownPosition(shown, start);
    const int to = shownPosition(shown, start + std::max(0, intProp("SelLength")));
    updating_ = true;
    if (line_) {
      if (to > from)
        line_->setSelection(from, to - from);
      else
        line_->setCursorPosition(from);
    } else {
      QTextCursor c = multi_->textCursor();
      c.setPosition(from);
      if (to > from) c.setPosition(to, QTextCursor::KeepAnchor);
      multi_->setTextCursor(c);
    }
    updating_ = false;
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
  void applyColours() override {
    applyColourRoles(widget_, QPalette::Base, QPalette::Text);
    // A locked box in the default window colour takes the read-only look; a colour of its
    // own (a diagnosis state) stays.
    bool ownBackground = true;
    try {
      ownBackground = prop("BackColor").toLong() != kSystemWindowBackground;
    } catch (const std::exception&) {
    }
    showReadOnly(widget_, boolProp("Locked"), ownBackground);
  }
  bool apply(std::string_view what) override {
    if (is(what, "Text")) {
      QString t = textProp("Text");
      updating_ = true;
      if (line_ && line_->text() != t) {
        line_->setText(t);
      } else if (multi_) {
        QString plain = t;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        replaceChanged(multi_->document(), plain);
      }
      updating_ = false;
      showCaret();  // the caret stays where the model has it, not where the new text pushed it
    } else if (is(what, "SelStart") || is(what, "SelLength")) {
      if (!updating_) showCaret();
    } else if (is(what, "Locked")) {
      if (line_) line_->setReadOnly(boolProp("Locked"));
      if (multi_) multi_->setReadOnly(boolProp("Locked"));
      applyColours();
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
