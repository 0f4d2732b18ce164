// The modeless progress dialog of the LAN host search: a message, a 0..100 bar
// and a Cancel button whose only effect is to raise a flag the search polls.
#pragma once

#include <QDialog>

#include <memory>

class QKeyEvent;
class QShowEvent;

namespace Ui {
class TFormStrProgress;
}

// The controls (Label1, ProgressBar1, Button1) are StrPprog.ui's, reached by
// their object names from outside.
class TFormStrProgress : public QDialog {
  Q_OBJECT

public:
  // Owner becomes the Qt parent, so the dialog goes away with it at the latest.
  explicit TFormStrProgress(QWidget *Owner = nullptr);
  ~TFormStrProgress() override;

  // Shows Message, moves the bar to Current of Total (a Total of 0 fills it),
  // paints both at once and then handles every pending user-interface event,
  // so a Cancel click already queued is seen by the caller's next look at
  // Cancelled. The dialog may be deleted while those events run (for example
  // together with its owner); nothing of it is touched after that point.
  void UpdateProgress(const QString &Message, int Total, int Current);

  // Set only by Button1; the dialog stays open so the caller can finish up.
  bool Cancelled = false;

public slots:
  void Button1Click();

protected:
  void showEvent(QShowEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  friend TFormStrProgress *CreateStrProgress(QWidget *Owner, const QString &Message);

  void setMessage(const QString &Message);
  void centreOnScreen();
  // Waits (briefly) until the window system shows the dialog, and paints it.
  void drawNow();

  std::unique_ptr<Ui::TFormStrProgress> ui_;
};

// Creates the dialog owned by Owner (which may be null), with Message and an
// empty bar, shows it drawn, without handling input, and returns it; the
// caller deletes it.
TFormStrProgress *CreateStrProgress(QWidget *Owner, const QString &Message);
