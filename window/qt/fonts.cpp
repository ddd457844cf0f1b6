// Fonts by face name, with look-alikes for missing faces.
#include "window/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace velbrix {

void RegisterFontSubstitutes() {
  struct Substitute {
    const char* face;
    QStringList look_alikes;
  };
  const Substitute substitutes[] = {
      {layout::kGaramond, {"EB Garamond", "EB Garamond 12", "Cormorant Garamond"}},
      {layout::kBookAntiqua, {"TeX Gyre Pagella", "Palatino Linotype", "P052", "URW Palladio L"}},
  };
  for (const Substitute& s : substitutes) {
    const QString face = QString::fromUtf8(s.face);
    if (!QFontDatabase::hasFamily(face)) {
      QFont::insertSubstitutions(face, s.look_alikes);
    }
  }
}

QFont MakeFont(const layout::Font& font) {
  QFont result(QString::fromUtf8(font.face));
  result.setPointSizeF(font.points);
  result.setWeight(font.bold ? QFont::Bold : QFont::Normal);
  result.setItalic(font.italic);
  result.setUnderline(font.underline);
  result.setStrikeOut(false);
  return result;
}

}  // namespace velbrix
