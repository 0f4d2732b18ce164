// The font of both windows: "ＭＳ Ｐゴシック" at 12 pixels (9 points at 96 DPI),
// falling back to its metric-compatible substitute where it is not installed.
#pragma once

#include <QFont>

QFont formFont();
