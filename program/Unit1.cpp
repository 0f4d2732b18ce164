#include "Unit1.h"

#include "AnsiText.h"
#include "WindowPlacement.h"
#include "ui_Unit1.h"

#include <velnip.h>

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include <algorithm>

namespace {

int clampCoordinate(int value) {
  return std::clamp(value, -kFarthestWindowCoordinate, kFarthestWindowCoordinate);
}

int clampOuterLength(int value) {
  return std::clamp(value, 1, kFarthestWindowCoordinate);
}

} // namespace

TForm1::TForm1(std::string settingsPath, QWidget *parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()), settingsPath_(std::move(settingsPath)) {
  // Qt chains focus in the order widgets are created, so Unit1.ui lists the
  // controls in tab order and has no tab-stop list (reordering with
  // setTabOrder breaks the chain around the tab control and the item views in
  // this Qt version).
  ui_->setupUi(this);
  designClientSize_ = size();
  completeDesign();
  connectHandlers();
  FormCreate();
}

TForm1::~TForm1() {
  FormDestroy();
}

void TForm1::connectHandlers() {
  connect(ui_->CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::N4Click);
  connect(ui_->Button6, &QPushButton::clicked, this, &TForm1::N4Click);
  connect(ui_->N4, &QAction::triggered, this, &TForm1::N4Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ui_->Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(ui_->N34, &QAction::triggered, this, &TForm1::Button5Click);
  // A scroll area reports where the menu was asked for in its viewport.
  connect(ui_->ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
    PopupMenu1->popup(ui_->ListView1->viewport()->mapToGlobal(at));
  });
  connect(ui_->Button1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { PopupMenu1->popup(ui_->Button1->mapToGlobal(at)); });
}

void TForm1::FormCreate() {
  const std::string computerName = copyResult(GetComputerNameStr());
  const std::string localAddress = copyResult(LocalIP());
  const std::string userName = copyResult(uGetUserName());
  ui_->Label1->setText(fromAnsi(computerName) + QStringLiteral("( ") + fromAnsi(localAddress) +
                       QStringLiteral(")") + QStringLiteral(" LoginName: ") + fromAnsi(userName));
  ui_->Label1->adjustSize();
  restoreSettings();
}

void TForm1::FormDestroy() {
  saveSettings();
}

void TForm1::CheckBox1Click() {
  ui_->TreeView1->setVisible(ui_->CheckBox1->isChecked());
}

void TForm1::N4Click() {
  const QString text = ui_->Memo1->toPlainText();
  // Copying an empty selection leaves the clipboard as it was.
  if (text.isEmpty())
    return;
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString &line : lines)
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
  // The platform's plain-text form: CRLF between lines, and no other format.
  QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
}

void TForm1::restoreSettings() {
  const WindowSettings settings(settingsPath_);
  // Each value falls back to what the window has, and is applied before the
  // next one is read.
  if (const std::optional<int> width = settings.readInteger("Width"))
    setOuterWidth(*width);
  if (const std::optional<int> height = settings.readInteger("Height"))
    setOuterHeight(*height);
  if (const std::optional<int> top = settings.readInteger("Top"))
    move(x(), clampCoordinate(*top));
  if (const std::optional<int> left = settings.readInteger("Left"))
    move(clampCoordinate(*left), y());
  moveOntoScreens();
  // Maximized over the normal bounds just restored, which come back when the
  // window is restored to normal.
  if (settings.readBoolean("Maximized", false))
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::saveSettings() {
  const WindowSettings settings(settingsPath_);
  if (windowState() & Qt::WindowMaximized) {
    // The normal bounds of an earlier run stay in the file.
    settings.writeBoolean("Maximized", true);
    return;
  }
  const QRect frame = frameGeometry();
  settings.writeBoolean("Maximized", false);
  settings.writeInteger("Width", outerWidth_.value_or(frame.width()));
  settings.writeInteger("Height", outerHeight_.value_or(frame.height()));
  settings.writeInteger("Top", frame.y());
  settings.writeInteger("Left", frame.x());
}

void TForm1::setOuterWidth(int width) {
  outerWidth_ = clampOuterLength(width);
  keepOuterSize();
}

void TForm1::setOuterHeight(int height) {
  outerHeight_ = clampOuterLength(height);
  keepOuterSize();
}

void TForm1::moveOntoScreens() {
  const QSize outer(outerWidth_.value_or(frameGeometry().width()),
                    outerHeight_.value_or(frameGeometry().height()));
  const QPoint position =
      positionOnScreens(QRect(pos(), outer), screenGeometries(), primaryScreenArea());
  if (position != pos())
    move(position);
}

void TForm1::keepOuterSize() {
  const Qt::WindowStates state = windowState();
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    // The fixed size would keep the window from filling the screen.
    const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (minimumSize() != QSize(0, 0) || maximumSize() != unlimited) {
      setMinimumSize(0, 0);
      setMaximumSize(unlimited);
    }
    return;
  }
  if (state & Qt::WindowMinimized)
    return;
  // Zero until the window has been shown and its frame is known; then the
  // client size is adjusted so that the outer size stays as asked.
  const QSize frame = frameGeometry().size() - size();
  QSize client = designClientSize_;
  if (outerWidth_)
    client.setWidth(std::max(1, *outerWidth_ - frame.width()));
  if (outerHeight_)
    client.setHeight(std::max(1, *outerHeight_ - frame.height()));
  if (minimumSize() != client || maximumSize() != client)
    setFixedSize(client);
}

bool TForm1::event(QEvent *event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
  case QEvent::Show:
  case QEvent::Move:
  case QEvent::Resize:
  case QEvent::WindowStateChange:
    keepOuterSize();
    break;
  default:
    break;
  }
  return handled;
}
