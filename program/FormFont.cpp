#include "FormFont.h"

#include <QStringList>

QFont formFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}
