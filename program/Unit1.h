// The main window: local identity, the LAN host search page and the host
// address search page, the copy command and the window-settings file.
#pragma once

#include "WindowSettings.h"

#include <QWidget>

#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  // Design values of the window, at 96 DPI.
  static constexpr int DesignLeft = 184;
  static constexpr int DesignTop = 118;
  static constexpr int DesignClientWidth = 559;
  static constexpr int DesignClientHeight = 317;

  // settingsPath: the window-settings file; empty turns it off.
  explicit TForm1(std::string settingsPath = DefaultWindowSettingsPath(),
                  QWidget *parent = nullptr);
  ~TForm1() override;

  QLabel *Label2;
  QLabel *Label1;
  QTabWidget *PageControl1;
  QWidget *TabSheet1;
  QTableWidget *ListView1;
  QTreeWidget *TreeView1;
  QCheckBox *CheckBox1;
  QPushButton *Button5;
  QPushButton *Button1;
  QWidget *TabSheet2;
  QPushButton *Button2;
  QPushButton *Button6;
  QLineEdit *Edit1;
  QListWidget *ListBox1;
  QPlainTextEdit *Memo1;
  QMenu *PopupMenu1;
  QAction *N34;
  QAction *N4;

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
  void createControls();
  void connectHandlers();

  void restoreSettings();
  void saveSettings();
  void setOuterWidth(int width);
  void setOuterHeight(int height);
  void moveOntoScreens();
  void keepOuterSize();

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
