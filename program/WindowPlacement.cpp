#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// Moves [start, start + length) into [areaStart, areaEnd) as little as
// possible; a span longer than the area starts at its start.
int clampSpan(int start, int length, int areaStart, int areaEnd) {
  if (start + length > areaEnd)
    start = areaEnd - length;
  return std::max(start, areaStart);
}

} // namespace

QPoint positionOnScreens(const QRect &bounds, const QList<QRect> &screens,
                         const QRect &primaryArea) {
  if (primaryArea.isEmpty())
    return bounds.topLeft();
  for (const QRect &screen : screens)
    if (screen.intersects(bounds))
      return bounds.topLeft();
  return QPoint(clampSpan(bounds.x(), bounds.width(), primaryArea.left(),
                          primaryArea.left() + primaryArea.width()),
                clampSpan(bounds.y(), bounds.height(), primaryArea.top(),
                          primaryArea.top() + primaryArea.height()));
}

QList<QRect> screenGeometries() {
  QList<QRect> geometries;
  for (const QScreen *screen : QGuiApplication::screens())
    geometries.append(screen->geometry());
  return geometries;
}

QRect primaryScreenArea() {
  const QScreen *primary = QGuiApplication::primaryScreen();
  return primary ? primary->availableGeometry() : QRect();
}
