#include "LanHostSearch.h"

#include "BrowseNameForms.h"
#include "WSockUtils.h"

#include <velnip.h>

#include <QStringList>

QString MacAddressText(const QString &Address) {
  const QByteArray dotted = Address.toLatin1();
  const char *text = dotted.constData();
  const char *mac = getRemoteMacAdress(&text);
  return mac ? QString::fromLatin1(mac) : QString();
}

void WalkLanHosts(LanHostSearchSink &Sink) {
  QStringList W, C, S;
  // A failure leaves W empty.
  WSockUtils::EnumerateNetworkNames(QString(), W);
  for (const QString &w : W) {
    // An empty container name would list the workgroups again.
    if (w.isEmpty())
      continue;
    Sink.WorkgroupFound(w);
    C.clear();
    WSockUtils::EnumerateNetworkNames(w, C);
    for (qsizetype i = 0; i < C.size(); ++i) {
      const QString &c = C[i];
      if (!c.isEmpty()) {
        Sink.ComputerFound(c);
        S.clear();
        WSockUtils::EnumerateNetworkNames(c, S);
        for (const QString &s : S) {
          const QString label = ShareLabelOf(s, c);
          if (!label.isEmpty())
            Sink.ShareFound(label);
        }
      }
      if (!Sink.ProgressReported(static_cast<int>(C.size() - 1), static_cast<int>(i)) ||
          !Sink.PendingInputHandled())
        return;
      // An empty name would resolve to this computer.
      const QString hostName = HostNameOf(c);
      if (hostName.isEmpty())
        continue;
      QString address;
      WSockUtils::ResolveHostAddress(hostName, address);
      if (!address.isEmpty())
        Sink.HostFound(hostName, address, MacAddressText(address));
    }
  }
}
