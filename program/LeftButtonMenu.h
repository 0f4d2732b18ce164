// A popup menu whose items are chosen with the left mouse button only; other
// buttons pressed on an item leave the menu open and choose nothing.
#pragma once

#include <QMenu>

class LeftButtonMenu : public QMenu {
  Q_OBJECT
public:
  using QMenu::QMenu;

protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  bool isOtherButtonOnMenu(const QMouseEvent *event) const;
};
