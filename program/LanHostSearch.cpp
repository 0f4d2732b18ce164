#include "LanHostSearch.h"

#include "BrowseNameForms.h"
#include "WSockUtils.h"

#include <velnip.h>

#include <QStringList>

QString macAddressText(const QString &Address) {
  const QByteArray dotted = Address.toLatin1();
  const char *text = dotted.constData();
  const char *mac = getRemoteMacAdress(&text);
  return mac ? QString::fromLatin1(mac) : QString();
}

void searchLanHosts(LanHostSearchSink &sink) {
  QStringList W, C, S;
  // A failure leaves W empty.
  WSockUtils::EnumerateNetworkNames(QString(), W);
  for (const QString &w : W) {
    // An empty container name would list the workgroups again.
    if (w.isEmpty())
      continue;
    sink.workgroupFound(w);
    C.clear();
    WSockUtils::EnumerateNetworkNames(w, C);
    for (qsizetype i = 0; i < C.size(); ++i) {
      const QString &c = C[i];
      if (!c.isEmpty()) {
        sink.computerFound(c);
        S.clear();
        WSockUtils::EnumerateNetworkNames(c, S);
        for (const QString &s : S) {
          const QString label = shareLabelOf(s, c);
          if (!label.isEmpty())
            sink.shareFound(label);
        }
      }
      if (!sink.progressReported(static_cast<int>(C.size() - 1), static_cast<int>(i)) ||
          !sink.pendingInputHandled())
        return;
      // An empty name would resolve to this computer.
      const QString hostName = hostNameOf(c);
      if (hostName.isEmpty())
        continue;
      QString address;
      WSockUtils::ResolveHostAddress(hostName, address);
      if (!address.isEmpty())
        sink.hostFound(hostName, address, macAddressText(address));
    }
  }
}
