// Fonts by face name, with look-alikes for missing faces.
#include "window/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace velbrix {

void RegisterFontSubstitutes() {
  for (const layout::StandIns& entry : layout::kStandIns) {
    const QString face = QString::fromUtf8(entry.face);
    if (QFontDatabase::hasFamily(face)) {
      continue;
    }
    QStringList names;
    for (const char* name : entry.names) {
      names << QString::fromUtf8(name);
    }
    QFont::insertSubstitutions(face, names);
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
