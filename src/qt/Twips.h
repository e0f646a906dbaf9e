#pragma once
#include <QColor>
#include <QRect>
#include <Qt>

#include "ui/controls/KeyCodes.h"

namespace fo::qt {

// The windows measure in twips (1440 to the inch); the screen in pixels.
// The conversion follows the primary screen's logical DPI.
double screenDpi();
int toPixels(int twips);
int toTwips(int pixels);
QRect toPixels(int left, int top, int width, int height);

// 0x00BBGGRR as the windows store colours.
QColor toQColor(int bgr);

// A text's alignment as the windows give it, centred in its line.
Qt::Alignment toQtAlignment(Alignment a);

}  // namespace fo::qt
