#pragma once
// Texts that a widget draws for controls that have no widget of their own (the label and unit
// of a label-text-unit row), and where a field draws its text, so that a caption beside it
// stands on the same line. Internal to the front end.
#include <QColor>
#include <QFont>
#include <QObject>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class QWidget;

namespace frontend::qt {

// The dynamic property by which a widget says that it is a row whose field stands inside it.
inline constexpr const char* kRowFieldProperty = "velumorRowField";

// The y of the baseline a field widget (line edit, combo box, a row's field) draws its text
// on, in the field's own coordinates; -1 for a widget that is no field.
int fieldTextBaseline(const QWidget* field);

// The baseline of the field that stands on the same line as `area` (a caption's rectangle in
// `parent`'s coordinates) to its right, in `parent`'s coordinates; -1 when there is none.
int baselineBeside(const QWidget* parent, const QRect& area, const QWidget* self);

// One text a widget draws for a control: plain text, left, right or centred, on `baseline`
// (-1: at the top of `rect`), broken into lines at its width where it `wraps`.
struct DrawnText {
  QString text;
  QRect rect;
  Qt::Alignment alignment = Qt::AlignLeft;
  bool wraps = false;
  int baseline = -1;
};

void drawText(QPainter& p, const QFont& font, const QColor& ink, const DrawnText& t);

// What a control drawn by its container shows there, as the user sees it.
struct ShownText {
  QWidget* in = nullptr;  // the widget that draws it
  QRect area;             // where, in `in`'s coordinates; empty while the control is hidden
  QString text;
  QFont font;
  bool wraps = false;
  bool enabled = true;  // drawn in the enabled look
};

// A control that its container's widget draws, having no widget of its own (a label): a widget
// each would cost far more memory than the text it shows.
class DrawnControl {
 public:
  virtual ~DrawnControl() = default;
  // Where it stands in the container, and whether it is shown there now.
  virtual QRect area() const = 0;
  virtual bool shown() const = 0;
  // Whether it takes the mouse (shown and enabled).
  virtual bool takesMouse() const = 0;
  virtual int zIndex() const = 0;
  virtual void paint(QPainter& p, const QWidget& container) const = 0;
  // The user's acts on it, at `pos` in its own coordinates.
  virtual void doubleClicked() = 0;
  virtual void rightReleased(QPointF pos) = 0;
  virtual QString toolTip() const = 0;
};

// The controls a container widget draws beneath its child widgets, as controls without a
// window of their own stand. A container widget that can draw them makes one as its child and
// calls `paint` after its own face; mouse events and tool tips over such a control reach it.
class DrawnControls : public QObject {
 public:
  explicit DrawnControls(QWidget* container);
  // The set that `container` draws; null for a widget that draws none.
  static DrawnControls* of(const QWidget* container);
  static void paintIn(const QWidget* container, QPainter& p, const QRect& dirty);

  void add(DrawnControl* c);
  void remove(DrawnControl* c);
  const std::vector<DrawnControl*>& controls() const { return controls_; }
  QWidget* container() const;
  void paint(QPainter& p, const QRect& dirty) const;
  // Whether a control here takes the mouse at `pos` (in the container's coordinates).
  bool takesMouseAt(QPointF pos) const { return at(pos) != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DrawnControl* at(QPointF pos) const;
  std::vector<DrawnControl*> controls_;
  bool filtering_ = false;
};

}  // namespace frontend::qt
