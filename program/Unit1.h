// The main window: local identity, the LAN host search page and the host
// address search page, the copy command and the window-settings file.
#pragma once

#include "WindowSettings.h"

#include <QSize>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QCloseEvent;
class QMenu;

namespace Ui {
class TForm1;
}

// The controls are Unit1.ui's, reached by their object names from outside.
class TForm1 : public QWidget {
  Q_OBJECT
public:
  // settingsPath: the window-settings file; empty turns it off.
  explicit TForm1(std::string settingsPath = defaultWindowSettingsPath(),
                  QWidget *parent = nullptr);
  ~TForm1() override;

  // Identity label, then the window bounds from the settings file.
  void FormCreate();
  // Window bounds into the settings file.
  void FormDestroy();
  void CheckBox1Click();
  // Memo1's lines to the clipboard as plain text.
  void N4Click();
  // The host typed in Edit1 looked up to its name, address and MAC address,
  // as three lines in ListBox1 and in Memo1.
  void Button2Click();
  // The LAN host search into the tree, the table and Memo1; does nothing
  // while a search is already running.
  void Button5Click();

protected:
  bool event(QEvent *event) override;
  // During a search the close waits: it cancels the search, and the window
  // closes once the search has ended.
  void closeEvent(QCloseEvent *event) override;

private:
  // The design position, at 96 DPI, used when no settings exist; the design
  // size is the one Unit1.ui gives the form.
  static constexpr int kDesignLeft = 184;
  static constexpr int kDesignTop = 118;

  // What Unit1.ui cannot hold: window flags, the substitute fonts, the
  // labels' fit to the font, the table's columns and sorting, and the menu.
  void completeDesign();
  void connectHandlers();

  void restoreSettings();
  void saveSettings();
  void setOuterWidth(int width);
  void setOuterHeight(int height);
  void moveOntoScreens();
  void keepOuterSize();

  std::unique_ptr<Ui::TForm1> ui_;
  // The popup menu cannot be drawn in Designer outside a main window's menu
  // bar, so it is built here.
  QMenu *PopupMenu1 = nullptr;
  QSize designClientSize_;

  std::string settingsPath_;
  // The outer size the settings asked for. The frame is known only once the
  // window is shown, so the client size follows it until then.
  std::optional<int> outerWidth_;
  std::optional<int> outerHeight_;

  // A search is running (Button5Click is on the stack).
  bool searching_ = false;
  // The window was asked to close while the search ran.
  bool closeRequested_ = false;
};
