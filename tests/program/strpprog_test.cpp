// The progress dialog of the LAN host search, driven as the search drives it.
#include "FormFont.h"
#include "FormTestSupport.h"
#include "StrPprog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include <climits>
#include <memory>

using formtest::control;

namespace {

const QString kSearching =
    QString::fromUtf8("\xe6\xa4\x9c\xe7\xb4\xa2\xe4\xb8\xad\xe3\x81\xa7\xe3\x81\x99");

class ProgressDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    owner = std::make_unique<QWidget>();
    owner->setGeometry(10, 10, 200, 100);
    owner->show();
  }

  // Owned by owner, like the dialog the search creates.
  TFormStrProgress *open(const QString &message = kSearching) {
    return CreateStrProgress(owner.get(), message);
  }

  std::unique_ptr<QWidget> owner;
};

// Every position the bar reaches for Current of Total, starting from a fresh dialog.
int positionAfter(int total, int current) {
  TFormStrProgress dialog;
  dialog.UpdateProgress(kSearching, total, current);
  return control<QProgressBar>(dialog, "ProgressBar1")->value();
}

// The highlight-coloured pixels along the middle row of the bar: how many,
// and in how many runs.
struct Fill {
  int pixels = 0;
  int runs = 0;
};

Fill middleRowFill(QProgressBar *bar) {
  const QImage image = bar->grab().toImage();
  const QRgb highlight = bar->palette().color(QPalette::Highlight).rgb();
  const int y = image.height() / 2;
  Fill fill;
  bool inRun = false;
  for (int x = 0; x < image.width(); ++x) {
    const bool filled = (image.pixel(x, y) & 0xffffff) == (highlight & 0xffffff);
    fill.pixels += filled;
    if (filled && !inRun)
      ++fill.runs;
    inRun = filled;
  }
  return fill;
}

void postClick(QWidget *target) {
  const QPointF centre = QRectF(target->rect()).center();
  const QPointF global = target->mapToGlobal(centre);
  QCoreApplication::postEvent(target,
                              new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(target,
                              new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

TEST_F(ProgressDialogTest, HasTheDesignedWindowAndControls) {
  TFormStrProgress dialog(owner.get());

  EXPECT_EQ(dialog.objectName(), "FormStrProgress");
  EXPECT_EQ(dialog.windowTitle(), "TStringsPrinter");
  EXPECT_EQ(dialog.size(), QSize(373, 91));
  EXPECT_EQ(dialog.minimumSize(), QSize(373, 91));
  EXPECT_EQ(dialog.maximumSize(), QSize(373, 91));
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(dialog.font().families(), formFont().families());
  EXPECT_EQ(dialog.font().pixelSize(), formFont().pixelSize());
  EXPECT_FALSE(dialog.Cancelled);

  EXPECT_EQ(control<QLabel>(dialog, "Label1")->pos(), QPoint(20, 10));

  const QProgressBar *bar = control<QProgressBar>(dialog, "ProgressBar1");
  EXPECT_EQ(bar->geometry(), QRect(20, 31, 334, 16));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_FALSE(bar->isTextVisible());

  const QPushButton *cancel = control<QPushButton>(dialog, "Button1");
  EXPECT_EQ(cancel->geometry(), QRect(245, 59, 75, 25));
  EXPECT_EQ(cancel->text().toUtf8(),
            QByteArray("\xe3\x82\xad\xe3\x83\xa3\xe3\x83\xb3\xe3\x82\xbb\xe3\x83\xab"));
}

TEST_F(ProgressDialogTest, CreateShowsItModelessWithMessageAndEmptyBar) {
  TFormStrProgress *dialog = open();

  EXPECT_EQ(dialog->parent(), owner.get());
  EXPECT_TRUE(dialog->isWindow());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->text(), kSearching);
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->size(),
            control<QLabel>(*dialog, "Label1")->sizeHint());
  EXPECT_EQ(control<QProgressBar>(*dialog, "ProgressBar1")->value(), 0);
  EXPECT_FALSE(dialog->Cancelled);

  QPointer<TFormStrProgress> guard(dialog);
  owner.reset();
  EXPECT_TRUE(guard.isNull()) << "the owner takes the dialog with it";
}

TEST_F(ProgressDialogTest, CreateWithoutOwnerGivesAFreeStandingDialog) {
  std::unique_ptr<TFormStrProgress> dialog(CreateStrProgress(nullptr, QString()));
  EXPECT_EQ(dialog->parent(), nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(control<QLabel>(*dialog, "Label1")->text().isEmpty());
}

TEST_F(ProgressDialogTest, ShowsCentredOnTheScreenNotOnItsOwner) {
  TFormStrProgress *dialog = open();

  const QRect screen = dialog->screen()->geometry();
  const QRect frame = dialog->frameGeometry();
  EXPECT_EQ(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
  EXPECT_EQ(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);

  dialog->hide();
  dialog->move(0, 0);
  dialog->show();
  EXPECT_EQ(dialog->frameGeometry(), frame) << "centred again whenever shown";
}

TEST_F(ProgressDialogTest, BarFollowsEachComputerOfAGroup) {
  TFormStrProgress *dialog = open();
  const int expected[] = {0, 50, 100};
  for (int current = 0; current < 3; ++current) {
    dialog->UpdateProgress(kSearching, 2, current);
    EXPECT_EQ(control<QProgressBar>(*dialog, "ProgressBar1")->value(), expected[current])
        << "computer " << current;
  }
}

TEST_F(ProgressDialogTest, ZeroTotalShowsAFullBarWhateverCurrentIs) {
  EXPECT_EQ(positionAfter(0, 0), 100);
  EXPECT_EQ(positionAfter(0, 7), 100);
  EXPECT_EQ(positionAfter(0, -3), 100);
}

TEST_F(ProgressDialogTest, HalvesRoundToTheEvenNeighbour) {
  EXPECT_EQ(positionAfter(8, 1), 12); // 12.5
  EXPECT_EQ(positionAfter(8, 3), 38); // 37.5
  EXPECT_EQ(positionAfter(8, 5), 62); // 62.5
  EXPECT_EQ(positionAfter(8, 7), 88); // 87.5
  // 57.5 exactly, but 23/40 in double precision times 100 falls just short.
  EXPECT_EQ(positionAfter(40, 23), 58);
  EXPECT_EQ(positionAfter(3, 1), 33); // 33.33...
  EXPECT_EQ(positionAfter(3, 2), 67); // 66.66...
}

TEST_F(ProgressDialogTest, OddCountsStayWithinTheBar) {
  EXPECT_EQ(positionAfter(2, 3), 100);
  EXPECT_EQ(positionAfter(2, -1), 0);
  EXPECT_EQ(positionAfter(-2, 1), 0);
  EXPECT_EQ(positionAfter(-2, -1), 50);
  EXPECT_EQ(positionAfter(1, INT_MAX), 100);
  EXPECT_EQ(positionAfter(1, INT_MIN), 0);
  EXPECT_EQ(positionAfter(-1, INT_MIN), 100);
  EXPECT_EQ(positionAfter(INT_MAX, INT_MAX - 1), 100);
}

TEST_F(ProgressDialogTest, LabelTakesEachMessageAndItsSize) {
  TFormStrProgress *dialog = open(QStringLiteral("a"));
  const QString longer = QStringLiteral("a much longer message than the first one");
  dialog->UpdateProgress(longer, 2, 1);
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->text(), longer);
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->pos(), QPoint(20, 10));
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->size(),
            control<QLabel>(*dialog, "Label1")->sizeHint());

  dialog->UpdateProgress(QStringLiteral("<b>x</b>"), 2, 1);
  EXPECT_EQ(control<QLabel>(*dialog, "Label1")->textFormat(), Qt::PlainText);
}

TEST_F(ProgressDialogTest, CancelClickQueuedBeforeAnUpdateIsSeenRightAfterIt) {
  TFormStrProgress *dialog = open();
  postClick(control<QPushButton>(*dialog, "Button1"));
  EXPECT_FALSE(dialog->Cancelled) << "the click is still waiting in the queue";

  dialog->UpdateProgress(kSearching, 2, 1);
  EXPECT_TRUE(dialog->Cancelled);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ProgressDialogTest, QueuedInvocationOfTheButtonIsHandledByAnUpdate) {
  TFormStrProgress *dialog = open();
  QMetaObject::invokeMethod(control<QPushButton>(*dialog, "Button1"), "click",
                            Qt::QueuedConnection);
  EXPECT_FALSE(dialog->Cancelled);

  dialog->UpdateProgress(kSearching, 0, 0);
  EXPECT_TRUE(dialog->Cancelled);
}

TEST_F(ProgressDialogTest, CancelOnlyRaisesTheFlag) {
  TFormStrProgress *dialog = open();
  QPointer<TFormStrProgress> guard(dialog);
  control<QPushButton>(*dialog, "Button1")->click();
  QCoreApplication::processEvents();

  ASSERT_FALSE(guard.isNull());
  EXPECT_TRUE(dialog->Cancelled);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), 0) << "not accepted or rejected";
}

TEST_F(ProgressDialogTest, FrameCloseOnlyHidesIt) {
  TFormStrProgress *dialog = open();
  QPointer<TFormStrProgress> guard(dialog);

  EXPECT_TRUE(dialog->close());
  QCoreApplication::processEvents();

  ASSERT_FALSE(guard.isNull());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(dialog->Cancelled);

  // The search carries on with the hidden dialog and deletes it at the end.
  dialog->UpdateProgress(kSearching, 2, 2);
  EXPECT_EQ(control<QProgressBar>(*dialog, "ProgressBar1")->value(), 100);
  EXPECT_FALSE(dialog->isVisible());
  delete dialog;
  EXPECT_TRUE(guard.isNull());
}

TEST_F(ProgressDialogTest, EscapeNeitherHidesNorCancels) {
  TFormStrProgress *dialog = open();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(control<QPushButton>(*dialog, "Button1"), &escape);
  QCoreApplication::processEvents();

  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->Cancelled);
}

// As the Windows control with PBS_SMOOTH draws it; Qt's own Windows style
// insets the fill and does not keep it in proportion.
TEST_F(ProgressDialogTest, BarIsOneContinuousFillInProportion) {
  TFormStrProgress *dialog = open();
  dialog->UpdateProgress(kSearching, 1, 1);
  const Fill full = middleRowFill(control<QProgressBar>(*dialog, "ProgressBar1"));
  ASSERT_GT(full.pixels, 200);

  dialog->UpdateProgress(kSearching, 2, 1);
  EXPECT_EQ(middleRowFill(control<QProgressBar>(*dialog, "ProgressBar1")).runs, 1)
      << "not in blocks";
  EXPECT_EQ(middleRowFill(control<QProgressBar>(*dialog, "ProgressBar1")).pixels, full.pixels / 2);

  dialog->UpdateProgress(kSearching, 100, 7);
  EXPECT_EQ(middleRowFill(control<QProgressBar>(*dialog, "ProgressBar1")).pixels,
            full.pixels * 7 / 100);
}

} // namespace
