#pragma once
// Texts that a widget draws for controls that have no widget of their own (the label and unit
// of a label-text-unit row), and where a field draws its text, so that a caption beside it
// stands on the same line. Internal to the front end.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

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

}  // namespace frontend::qt
