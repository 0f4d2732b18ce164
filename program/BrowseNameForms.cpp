#include "BrowseNameForms.h"

namespace {

const QString kComputerPrefix = QStringLiteral("\\\\");

} // namespace

QString hostNameOf(const QString &computerEntry) {
  if (computerEntry.startsWith(kComputerPrefix))
    return computerEntry.mid(kComputerPrefix.size());
  return computerEntry;
}

QString shareLabelOf(const QString &shareEntry, const QString &computerEntry) {
  const QString prefix = computerEntry + QLatin1Char('\\');
  if (shareEntry.startsWith(prefix))
    return shareEntry.mid(prefix.size());
  return shareEntry;
}
