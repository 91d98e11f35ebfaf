#include "frontend/qt/qt_convert.h"

#include <QApplication>
#include <QFontDatabase>
#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/com/error.h"
#include "platform/res/language.h"
#include "platform/res/user_number.h"

namespace frontend::qt {

QString sessionText(const char* de, const char* en) {
  return QString::fromUtf8(platform::res::isGerman(platform::res::userDefaultLangId()) ? de : en);
}

int twipsToPx(double twips) {
  if (!std::isfinite(twips)) return 0;
  double px = std::round(twips / kTwipsPerPixel);
  return static_cast<int>(std::clamp(px, -1.0e6, 1.0e6));
}

void assignUtf8(QString& to, std::string_view s) {
  unsigned char bits = 0;
  for (const char c : s) bits |= static_cast<unsigned char>(c);
  if (bits < 0x80)
    to = QLatin1String(s.data(), static_cast<qsizetype>(s.size()));  // in the storage `to` has
  else
    to = qs(s);
}

namespace {

QColor systemColour(int index, const QPalette& p) {
  switch (index) {
    case 0x00:
      return p.color(QPalette::Button);  // scroll bars
    case 0x01:
      return p.color(QPalette::Dark);  // desktop
    case 0x02:
      return p.color(QPalette::Highlight);  // active title bar
    case 0x03:
      return p.color(QPalette::Mid);  // inactive title bar
    case 0x04:
      return p.color(QPalette::Window);  // menu bar
    case 0x05:
      return p.color(QPalette::Base);  // window background
    case 0x06:
      return p.color(QPalette::Shadow);  // window frame
    case 0x07:
      return p.color(QPalette::WindowText);  // menu text
    case 0x08:
      return p.color(QPalette::Text);  // window text
    case 0x09:
      return p.color(QPalette::HighlightedText);  // title bar text
    case 0x0A:
      return p.color(QPalette::Mid);  // active border
    case 0x0B:
      return p.color(QPalette::Midlight);  // inactive border
    case 0x0C:
      return p.color(QPalette::Dark);  // application workspace
    case 0x0D:
      return p.color(QPalette::Highlight);
    case 0x0E:
      return p.color(QPalette::HighlightedText);
    case 0x0F:
      return p.color(QPalette::Button);  // button face
    case 0x10:
      return p.color(QPalette::Dark);  // button shadow
    case 0x11:
      // Grey text is meant to be read: the platform's mid grey, not the faint disabled text of
      // some styles, which vanishes on a pale face.
      return QColor(0x6D, 0x6D, 0x6D);
    case 0x12:
      return p.color(QPalette::ButtonText);
    case 0x13:
      return p.color(QPalette::Disabled, QPalette::WindowText);  // inactive title text
    case 0x14:
      return p.color(QPalette::Light);  // 3-D highlight
    case 0x15:
      return p.color(QPalette::Shadow);  // 3-D dark shadow
    case 0x16:
      return p.color(QPalette::Midlight);  // 3-D light
    case 0x17:
      return p.color(QPalette::ToolTipText);
    case 0x18:
      return p.color(QPalette::ToolTipBase);
    default:
      return p.color(QPalette::Window);
  }
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool familyExists(const QString& family) {
  static const QStringList families = QFontDatabase::families();
  return families.contains(family, Qt::CaseInsensitive);
}

}  // namespace

QColor oleColor(int32_t ole, const QPalette& palette) {
  auto u = static_cast<uint32_t>(ole);
  if ((u & 0xFF000000u) == 0x80000000u) return systemColour(static_cast<int>(u & 0xFFu), palette);
  return QColor(static_cast<int>(u & 0xFFu), static_cast<int>((u >> 8) & 0xFFu),
                static_cast<int>((u >> 16) & 0xFFu));
}

QColor oleColor(int32_t ole) {
  return oleColor(ole, QApplication::palette());
}

QString fontFamilyFor(const std::string& name) {
  std::string n = lower(name);
  QString wanted;
  QFont::StyleHint hint = QFont::SansSerif;
  if (n.find("courier") != std::string::npos || n.find("mono") != std::string::npos || n == "fixedsys" ||
      n == "terminal" || n == "lucida console" || n == "consolas") {
    wanted = QStringLiteral("DejaVu Sans Mono");
    hint = QFont::Monospace;
  } else if (n.find("times") != std::string::npos || n.find("serif") != std::string::npos) {
    wanted = n.find("sans") != std::string::npos ? QStringLiteral("DejaVu Sans Condensed")
                                                 : QStringLiteral("DejaVu Serif");
  } else if (n.empty() || n == "ms sans serif" || n == "microsoft sans serif" || n == "arial" ||
             n == "tahoma" || n == "helvetica" || n == "segoe ui" || n == "system" || n == "small fonts") {
    // The designs were laid out for a narrow sans-serif face; the condensed face keeps
    // their texts inside their controls.
    wanted = QStringLiteral("DejaVu Sans Condensed");
  } else {
    wanted = qs(name);
  }
  if (familyExists(wanted)) return wanted;
  return hint == QFont::Monospace ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont modelFont(const std::string& name, double pointSize, bool bold, bool italic, bool underline) {
  QString family = fontFamilyFor(name);
  QFont f(family);
  if (family.contains(QStringLiteral("Mono"))) f.setStyleHint(QFont::Monospace);
  f.setPointSizeF(std::isfinite(pointSize) && pointSize > 1 && pointSize < 500 ? pointSize : 8.25);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

QString stripMnemonic(const QString& caption) {
  QString out;
  out.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

QImage imageFromPicture(const platform::ui::Picture& picture) {
  if (picture.empty()) return {};
  QImage img;
  const auto& bytes = *picture.png;
  if (!img.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG")) return {};
  return img;
}

QPixmap pixmapFromPicture(const platform::ui::Picture& picture) {
  QImage img = imageFromPicture(picture);
  return img.isNull() ? QPixmap() : QPixmap::fromImage(img);
}

QPixmap sharedPixmap(const platform::ui::Picture& picture) {
  if (picture.empty()) return {};
  struct Decoded {
    std::vector<uint8_t> png;
    QPixmap pixmap;
  };
  constexpr size_t kKept = 16;
  // Never destroyed: pixmaps must not outlive the application's graphics system.
  static auto* kept = new std::vector<Decoded>;
  const std::vector<uint8_t>& png = *picture.png;
  auto it = std::find_if(kept->begin(), kept->end(), [&](const Decoded& d) { return d.png == png; });
  if (it == kept->end()) {
    if (kept->size() >= kKept) kept->erase(kept->begin());
    kept->push_back({png, pixmapFromPicture(picture)});
    return kept->back().pixmap;
  }
  // The one used last moves to the end: the oldest goes first.
  std::rotate(it, it + 1, kept->end());
  return kept->back().pixmap;
}

bool cursorForPointer(int pointer, Qt::CursorShape& shape) {
  switch (pointer) {
    case 1:
      shape = Qt::ArrowCursor;
      return true;
    case 2:
      shape = Qt::CrossCursor;
      return true;
    case 3:
      shape = Qt::IBeamCursor;
      return true;
    case 5:
    case 15:
      shape = Qt::SizeAllCursor;
      return true;
    case 6:
      shape = Qt::SizeBDiagCursor;
      return true;
    case 7:
      shape = Qt::SizeVerCursor;
      return true;
    case 8:
      shape = Qt::SizeFDiagCursor;
      return true;
    case 9:
      shape = Qt::SizeHorCursor;
      return true;
    case 10:
      shape = Qt::UpArrowCursor;
      return true;
    case 11:
      shape = Qt::WaitCursor;
      return true;
    case 12:
      shape = Qt::ForbiddenCursor;
      return true;
    case 13:
      shape = Qt::BusyCursor;
      return true;
    case 14:
      shape = Qt::WhatsThisCursor;
      return true;
    default:
      return false;
  }
}

double variantDouble(const platform::com::Variant& v, double fallback) {
  if (v.isEmpty() || v.isNull()) return fallback;
  try {
    return v.toDouble();
  } catch (const std::exception&) {
    return fallback;
  }
}

bool variantBool(const platform::com::Variant& v, bool fallback) {
  if (v.isEmpty() || v.isNull()) return fallback;
  try {
    return v.toBool();
  } catch (const std::exception&) {
    return fallback;
  }
}

QString variantText(const platform::com::Variant& v) {
  if (v.isEmpty() || v.isNull()) return {};
  try {
    return qs(v.toString());
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace frontend::qt
