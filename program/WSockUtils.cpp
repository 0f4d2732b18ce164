#include "WSockUtils.h"

#include "AnsiText.h"

#include <shared/HostAddressText.h>
#include <shared/NetworkEnumeration.h>
#include <shared/WinSockSession.h>
#include <winsock.h>

namespace {

WSADATA unitStartupRecord;

constexpr DWORD kNetworkNamesBufferSize = 32000;

// The platform takes ANSI text; an empty string
// still passes a text (the empty one), never null.
QByteArray platformText(const QString &text) {
  QByteArray bytes = toAnsi(text);
  return bytes.isNull() ? QByteArray("") : bytes;
}

} // namespace

void WSockUtils::initialize() {
  // The result is not examined: each lookup starts WinSock again for itself.
  WSAStartup(MAKEWORD(1, 1), &unitStartupRecord);
}

void WSockUtils::finalize() {
  WSACleanup();
}

bool WSockUtils::EnumerateNetworkNames(const QString &ContainerName, QStringList &List) {
  const QByteArray container = platformText(ContainerName);
  return enumerateBrowseNames(container.constData(), kNetworkNamesBufferSize,
                              [&List](LPCSTR name) { List.append(fromAnsi(name)); });
}

void WSockUtils::ResolveHostAddress(const QString &HostName, QString &Address) {
  const WinSockSession winsock;
  Address.clear();
  const QByteArray name = platformText(HostName);
  if (const char *last = lastDottedAddress(gethostbyname(name.constData())))
    Address = QString::fromLatin1(last);
}
