#include "BrowseNameForms.h"

namespace {

const QString kComputerPrefix = QStringLiteral("\\\\");

} // namespace

QString HostNameOf(const QString &ComputerEntry) {
  if (ComputerEntry.startsWith(kComputerPrefix))
    return ComputerEntry.mid(kComputerPrefix.size());
  return ComputerEntry;
}

QString ShareLabelOf(const QString &ShareEntry, const QString &ComputerEntry) {
  const QString prefix = ComputerEntry + QLatin1Char('\\');
  if (ShareEntry.startsWith(prefix))
    return ShareEntry.mid(prefix.size());
  return ShareEntry;
}
