#include "LeftButtonMenu.h"

#include <QMouseEvent>

bool LeftButtonMenu::isOtherButtonOnMenu(const QMouseEvent *event) const {
  // Clicks outside the menu still close it, whatever the button.
  return event->button() != Qt::LeftButton && rect().contains(event->position().toPoint());
}

void LeftButtonMenu::mousePressEvent(QMouseEvent *event) {
  if (isOtherButtonOnMenu(event)) {
    event->accept();
    return;
  }
  QMenu::mousePressEvent(event);
}

void LeftButtonMenu::mouseReleaseEvent(QMouseEvent *event) {
  if (isOtherButtonOnMenu(event)) {
    event->accept();
    return;
  }
  QMenu::mouseReleaseEvent(event);
}
