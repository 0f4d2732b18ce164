// The host address search page: one typed host name or address looked up to
// its name, address and MAC address.
#include "AnsiText.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <velnip.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

namespace {

const QString kHostNameLabel = QStringLiteral("ホスト名 ");
const QString kAddressLabel = QStringLiteral("IPアドレス ");
const QString kMacAddressLabel = QStringLiteral("MACアドレス ");

} // namespace

void TForm1::Button2Click() {
  // A LAN host search below us (its message pumping let this click through)
  // still appends its lines to Memo1; a lookup now would mix both searches'
  // lines in what the copy command puts on the clipboard.
  if (searching_)
    return;
  ui_->Memo1->clear();
  ui_->ListBox1->clear();
  if (ui_->Edit1->text().isEmpty())
    return;
  ui_->Button2->setEnabled(false);

  const QByteArray typed = toAnsi(ui_->Edit1->text());
  const std::string address = copyResult(GetIpAddressStr(typed.constData()));
  // Made even when the forward lookup failed: the empty address has no
  // reverse entry, so the name stays empty.
  const std::string hostName = copyResult(IPAddrToName(address.c_str()));
  const QString hostNameLine = kHostNameLabel + fromAnsi(hostName);
  const QString addressLine = kAddressLabel + fromAnsi(address);
  ui_->ListBox1->addItem(hostNameLine);
  ui_->ListBox1->addItem(addressLine);

  const char *addressVariable = address.c_str();
  const std::string mac = copyResult(getRemoteMacAdress(&addressVariable));
  const QString macAddressLine = kMacAddressLabel + fromAnsi(mac);
  ui_->ListBox1->addItem(macAddressLine);

  ui_->Button2->setEnabled(true);
  ui_->Memo1->appendPlainText(hostNameLine);
  ui_->Memo1->appendPlainText(addressLine);
  ui_->Memo1->appendPlainText(macAddressLine);
}
