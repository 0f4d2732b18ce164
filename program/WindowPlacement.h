// Keeps restored window bounds usable: a window saved on a monitor that is
// gone, or read from a damaged settings file, would open where nobody can
// see it.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Coordinates far beyond any screen are cut to this range first, so that
// arithmetic on them cannot overflow.
constexpr int kFarthestWindowCoordinate = 32767;

// The top-left corner for a window with these outer bounds: unchanged when any
// part of it lies on one of the screens, otherwise moved as little as possible
// into the primary screen's available area, keeping its size. An empty
// primaryArea (no screen at all) leaves the window where it is.
QPoint positionOnScreens(const QRect &bounds, const QList<QRect> &screens,
                         const QRect &primaryArea);

// The position and size of the window's current screens, for positionOnScreens.
QList<QRect> screenGeometries();
QRect primaryScreenArea();
