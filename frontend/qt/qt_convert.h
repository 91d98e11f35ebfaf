#pragma once
// Conversions between the window model's units and Qt's: twips and pixels, OLE colours,
// the model's font names, pictures, texts and mouse pointers.
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "platform/ui/picture.h"

namespace frontend::qt {

inline constexpr double kTwipsPerPixel = 15.0;

// The front end's own text in the session's language: `de` in a German session, `en` otherwise.
QString sessionText(const char* de, const char* en);

// Twips to whole pixels (rounded); non-finite or absurd values give 0.
int twipsToPx(double twips);
inline double pxToTwips(double px) {
  return px * kTwipsPerPixel;
}

inline QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
// Makes `to` the text of `s`, as qs does. A plain ASCII text is written into the storage `to`
// has (a status-bar panel whose text changes at every change of its item allocates nothing).
void assignUtf8(QString& to, std::string_view s);
inline std::string utf8(const QString& s) {
  return s.toUtf8().toStdString();
}

// An OLE colour (&HBBGGRR, or a system colour 0x800000nn) as a Qt colour; system colours
// come from `palette` (the application palette when none is given).
QColor oleColor(int32_t ole, const QPalette& palette);
QColor oleColor(int32_t ole);

// The model's font as a Qt font: the design's fonts map to the fonts the system has
// ("MS Sans Serif" to a sans-serif face, "Courier New" to a monospace face).
QFont modelFont(const std::string& name, double pointSize, bool bold = false, bool italic = false,
                bool underline = false);
// The family a model font name maps to.
QString fontFamilyFor(const std::string& name);

// A caption with '&' accelerator marks as plain text ("&&" is a literal '&').
QString stripMnemonic(const QString& caption);

// Decoded pictures; null when the picture is empty or not a valid PNG. The pixels are
// copied, so nothing of the model's picture is kept.
QImage imageFromPicture(const platform::ui::Picture& picture);
QPixmap pixmapFromPicture(const platform::ui::Picture& picture);
// The same, decoded once for the controls that show it: the windows show a few pictures many
// times (a diagnosis page has dozens of lamps in four colours), and a page makes its widgets
// each time it shows. Keeps the pictures used last.
QPixmap sharedPixmap(const platform::ui::Picture& picture);

// A model mouse pointer number as a cursor shape; false for the default pointer.
bool cursorForPointer(int pointer, Qt::CursorShape& shape);

// Reads a property that may be missing or not convert; `fallback` then.
double variantDouble(const platform::com::Variant& v, double fallback);
bool variantBool(const platform::com::Variant& v, bool fallback);
QString variantText(const platform::com::Variant& v);

}  // namespace frontend::qt
