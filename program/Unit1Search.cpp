// The LAN host search: every workgroup, its computers and their shares into
// the tree; every computer whose name resolves into the table and the text
// lines with its address and MAC address.
#include "BrowseNameForms.h"
#include "ListViewRows.h"
#include "StrPprog.h"
#include "Unit1.h"
#include "WSockUtils.h"

#include <velnip.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

const QString kSearching = QStringLiteral("検索中です");
const QString kSearchCaption = QStringLiteral("LAN内ホスト検索");
const QString kAfterHostName = QStringLiteral("    ");
const QString kAfterAddress = QStringLiteral("     ");

// The MAC text of a dotted address, or empty when it cannot be found.
QString MacAddressOf(const QString &Address) {
  const QByteArray dotted = Address.toLatin1();
  const char *text = dotted.constData();
  const char *mac = getRemoteMacAdress(&text);
  return mac ? QString::fromLatin1(mac) : QString();
}

} // namespace

void TForm1::Button5Click() {
  // N34 stays usable while a search runs, and its shortcut is handled at the
  // search's message pumping. A nested search would clear the nodes the
  // running one still adds to, so a second start does nothing.
  if (searching_)
    return;
  searching_ = true;
  closeRequested_ = false;
  Button5->setEnabled(false);
  // Events run inside UpdateProgress and at the search's own pumping point;
  // whatever they delete is noticed before it is used again.
  const QPointer<TForm1> alive(this);
  const QPointer<TFormStrProgress> progress = CreateStrProgress(this, kSearching);
  progress->setWindowTitle(kSearchCaption);
  progress->SetSmoothBar(true);

  Memo1->clear();
  TreeView1->clear();
  ListView1->setRowCount(0);
  QStringList W, C, S;

  WSockUtils::EnumerateNetworkNames(QString(), W);
  bool stopped = false;
  for (const QString &w : W) {
    // An empty container name would list the workgroups again.
    if (w.isEmpty())
      continue;
    auto *workgroupNode = new QTreeWidgetItem(TreeView1, {w});
    C.clear();
    WSockUtils::EnumerateNetworkNames(w, C);
    for (qsizetype i = 0; i < C.size(); ++i) {
      const QString &c = C[i];
      if (!c.isEmpty()) {
        auto *computerNode = new QTreeWidgetItem(workgroupNode, {c});
        S.clear();
        WSockUtils::EnumerateNetworkNames(c, S);
        for (const QString &s : S) {
          const QString label = ShareLabelOf(s, c);
          if (!label.isEmpty())
            new QTreeWidgetItem(computerNode, {label});
        }
      }

      progress->UpdateProgress(kSearching, static_cast<int>(C.size() - 1), static_cast<int>(i));
      if (!alive)
        return;
      if (!progress || progress->Cancelled || closeRequested_) {
        stopped = true;
        break;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (!alive)
        return;
      if (!progress || closeRequested_) {
        stopped = true;
        break;
      }

      const QString hostName = HostNameOf(c);
      if (hostName.isEmpty())
        continue;
      QString address;
      WSockUtils::ResolveHostAddress(hostName, address);
      if (address.isEmpty())
        continue;
      const QString mac = MacAddressOf(address);
      AppendListViewRow(*ListView1, hostName, {address, mac});
      Memo1->appendPlainText(hostName + kAfterHostName + address + kAfterAddress + mac);
    }
    if (stopped)
      break;
  }

  // As a Windows owner does, the window takes the activation back from its
  // dialog, so that the keyboard focus given below is where the user types.
  const bool dialogWasActive = progress && progress->isActiveWindow();
  delete progress.data();
  Button5->setEnabled(true);
  Button5->setFocus();
  if (dialogWasActive && !closeRequested_)
    activateWindow();
  searching_ = false;
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  }
}

void TForm1::closeEvent(QCloseEvent *event) {
  if (searching_) {
    // The running search still uses this window and its controls: the close
    // cancels it, and is made again once the search has ended.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}
