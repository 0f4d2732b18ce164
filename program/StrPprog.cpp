#include "StrPprog.h"

#include "FormFont.h"
#include "ui_StrPprog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyleOptionProgressBar>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

// Draws the bar as the classic Windows control does with PBS_SMOOTH: a
// sunken groove whose contents are filled in one piece, in proportion to the
// position (Qt's own Windows style insets its fill and rounds it otherwise).
class SmoothBarLook : public QProxyStyle {
public:
  explicit SmoothBarLook(QObject *parent) : QProxyStyle(QStringLiteral("Windows")) {
    setParent(parent);
  }

  void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                   const QWidget *widget) const override {
    const auto *bar = qstyleoption_cast<const QStyleOptionProgressBar *>(option);
    if (element != CE_ProgressBarContents || bar == nullptr || bar->maximum <= bar->minimum ||
        !(bar->state & State_Horizontal) || bar->invertedAppearance) {
      QProxyStyle::drawControl(element, option, painter, widget);
      return;
    }
    const QRect area = bar->rect;
    const qint64 span = qint64(bar->maximum) - bar->minimum;
    const qint64 done = std::clamp<qint64>(qint64(bar->progress) - bar->minimum, 0, span);
    const int filled = int(area.width() * done / span);
    painter->fillRect(area.x(), area.y(), filled, area.height(),
                      bar->palette.brush(QPalette::Highlight));
  }
};

// Current of Total as a bar position within [minimum, maximum], rounded to the
// nearest whole percent with halves going to the even neighbour (12.5 -> 12,
// 37.5 -> 38). The quotient is taken in long double (x87 extended on x86):
// in double, 23 of 40 comes out just below 57.5 and would round down.
// Clamping first keeps odd input (Current past Total, negative counts) from
// asking the bar for a value it would refuse.
int barPosition(int Total, int Current, int minimum, int maximum) {
  const long double percent = static_cast<long double>(Current) / Total * 100;
  const long double clamped = std::clamp<long double>(percent, minimum, maximum);
  long double whole = std::floor(clamped);
  const long double fraction = clamped - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0))
    whole += 1;
  return static_cast<int>(whole);
}

} // namespace

TFormStrProgress::TFormStrProgress(QWidget *Owner)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::TFormStrProgress>()) {
  ui_->setupUi(this);
  // The .ui file names the design font only; this adds its substitutes.
  setFont(formFont());
  // Parented after the bar, so the bar is deleted before the style it draws with.
  ui_->ProgressBar1->setStyle(new SmoothBarLook(this));
  connect(ui_->Button1, &QPushButton::clicked, this, &TFormStrProgress::Button1Click);
}

TFormStrProgress::~TFormStrProgress() = default;

void TFormStrProgress::UpdateProgress(const QString &Message, int Total, int Current) {
  setMessage(Message);
  if (Total == 0) {
    Total = 1;
    Current = 1;
  }
  ui_->ProgressBar1->setValue(
      barPosition(Total, Current, ui_->ProgressBar1->minimum(), ui_->ProgressBar1->maximum()));
  ui_->ProgressBar1->repaint();
  // Deferred deletions are left to the main loop: running them here could
  // delete objects whose handlers are still on the stack (the search is one).
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TFormStrProgress::Button1Click() {
  Cancelled = true;
}

void TFormStrProgress::showEvent(QShowEvent *event) {
  // QDialog::showEvent would centre the dialog over its owner instead.
  if (!event->spontaneous())
    centreOnScreen();
  QWidget::showEvent(event);
}

void TFormStrProgress::keyPressEvent(QKeyEvent *event) {
  // Escape would reject and hide the dialog; only Button1 answers for Cancel,
  // and only the frame's close control hides it.
  if (event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFormStrProgress::setMessage(const QString &Message) {
  const QRect before = ui_->Label1->geometry();
  ui_->Label1->setText(Message);
  ui_->Label1->adjustSize();
  // The old extent too, so a shorter message leaves nothing of a longer one.
  repaint(before.united(ui_->Label1->geometry()));
}

void TFormStrProgress::centreOnScreen() {
  const QScreen *target = screen();
  if (target == nullptr)
    return;
  const QRect area = target->geometry();
  const QSize outer = frameGeometry().size();
  move(area.x() + (area.width() - outer.width()) / 2,
       area.y() + (area.height() - outer.height()) / 2);
}

TFormStrProgress *CreateStrProgress(QWidget *Owner, const QString &Message) {
  auto *dialog = new TFormStrProgress(Owner);
  dialog->setMessage(Message);
  dialog->ui_->ProgressBar1->setValue(0);
  dialog->show();
  dialog->drawNow();
  return dialog;
}

void TFormStrProgress::drawNow() {
  // The window system maps a new window in its own time; without waiting for
  // that, the dialog would stay blank until the caller's first pumping
  // point, behind whatever blocking call comes first. Only window-system
  // events run here, no input, and never for long.
  constexpr int kLongestWaitMs = 500;
  QElapsedTimer waited;
  waited.start();
  while (!(windowHandle() != nullptr && windowHandle()->isExposed()) &&
         waited.elapsed() < kLongestWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(5);
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}
