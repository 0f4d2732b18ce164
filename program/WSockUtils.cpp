#include "WSockUtils.h"

#include "AnsiText.h"

#include <NetworkEnumeration.h>
#include <winsock.h>

#include <cstring>

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

void WSockUtils::Initialize() {
  // The result is not examined: each lookup starts WinSock again for itself.
  WSAStartup(MAKEWORD(1, 1), &unitStartupRecord);
}

void WSockUtils::Finalize() {
  WSACleanup();
}

bool WSockUtils::EnumerateNetworkNames(const QString &ContainerName, QStringList &List) {
  const QByteArray container = platformText(ContainerName);
  return EnumerateBrowseNames(container.constData(), kNetworkNamesBufferSize,
                              [&List](LPCSTR name) { List.append(fromAnsi(name)); });
}

void WSockUtils::ResolveHostAddress(const QString &HostName, QString &Address) {
  WSADATA startupRecord;
  const bool started = WSAStartup(MAKEWORD(1, 1), &startupRecord) == 0;
  Address.clear();
  const QByteArray name = platformText(HostName);
  if (const struct hostent *record = gethostbyname(name.constData())) {
    for (char **entry = record->h_addr_list; *entry != nullptr; ++entry) {
      struct in_addr address;
      std::memcpy(&address.s_addr, *entry, sizeof address.s_addr);
      Address = QString::fromLatin1(inet_ntoa(address));
    }
  }
  if (started)
    WSACleanup();
}
