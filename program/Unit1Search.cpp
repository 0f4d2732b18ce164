// Button5Click: the LAN host search into the tree, the host table and the
// text lines, with the progress dialog kept alive by message pumping.
#include "LanHostSearch.h"
#include "ListViewRows.h"
#include "MacVendors.h"
#include "StrPprog.h"
#include "Unit1.h"
#include "ui_Unit1.h"

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
constexpr int kMacColumn = 2;

// Puts what the walk finds into the window. Events run inside
// UpdateProgress and at the second pumping point; whatever they delete is
// noticed there, and the walk stops before it would be used.
class WindowSink final : public LanHostSearchSink {
public:
  // ui: the form's controls, which go with it.
  WindowSink(TForm1 &form, const Ui::TForm1 &ui, TFormStrProgress *progress,
             const bool &closeRequested)
      : form_(&form), ui_(ui), progress_(progress), closeRequested_(closeRequested) {}

  void workgroupFound(const QString &workgroup) override {
    workgroupNode_ = new QTreeWidgetItem(ui_.TreeView1, {workgroup});
  }
  void computerFound(const QString &computerEntry) override {
    computerNode_ = new QTreeWidgetItem(workgroupNode_, {computerEntry});
  }
  void shareFound(const QString &shareLabel) override {
    new QTreeWidgetItem(computerNode_, {shareLabel});
  }
  bool progressReported(int total, int current) override {
    if (!goesOn())
      return false;
    progress_->UpdateProgress(kSearching, total, current);
    return goesOn() && !progress_->Cancelled;
  }
  bool pendingInputHandled() override {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return goesOn();
  }
  void hostFound(const QString &hostName, const QString &address, const QString &mac) override {
    const int row = appendListViewRow(*ui_.ListView1, hostName, {address, mac});
    // The maker of the network card, where the registry knows it; nothing
    // the table or the copy text shows changes.
    if (QTableWidgetItem *macCell = ui_.ListView1->item(row, kMacColumn))
      macCell->setToolTip(systemMacVendors().vendorOf(mac));
    ui_.Memo1->appendPlainText(hostName + kAfterHostName + address + kAfterAddress + mac);
  }

  // The window is still there (nothing else may be touched when it is not).
  bool formAlive() const { return !form_.isNull(); }
  TFormStrProgress *progress() const { return progress_.data(); }

private:
  bool goesOn() const { return form_ && progress_ && !closeRequested_; }

  QPointer<TForm1> form_;
  const Ui::TForm1 &ui_;
  QPointer<TFormStrProgress> progress_;
  const bool &closeRequested_;
  QTreeWidgetItem *workgroupNode_ = nullptr;
  QTreeWidgetItem *computerNode_ = nullptr;
};

} // namespace

void TForm1::Button5Click() {
  // N34 stays usable while a search runs, and its shortcut is handled at the
  // search's message pumping. A nested search would clear the nodes the
  // running one still adds to, so a second start does nothing.
  if (searching_)
    return;
  searching_ = true;
  closeRequested_ = false;
  ui_->Button5->setEnabled(false);
  TFormStrProgress *progress = CreateStrProgress(this, kSearching);
  progress->setWindowTitle(kSearchCaption);

  ui_->Memo1->clear();
  ui_->TreeView1->clear();
  ui_->ListView1->setRowCount(0);

  WindowSink sink(*this, *ui_, progress, closeRequested_);
  searchLanHosts(sink);
  if (!sink.formAlive())
    return;

  // As a Windows owner does, the window takes the activation back from its
  // dialog, so that the keyboard focus given below is where the user types.
  const bool dialogWasActive = sink.progress() && sink.progress()->isActiveWindow();
  delete sink.progress();
  ui_->Button5->setEnabled(true);
  ui_->Button5->setFocus();
  searching_ = false;
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  } else if (dialogWasActive) {
    activateWindow();
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
