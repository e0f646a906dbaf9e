#include "qt/Twips.h"

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace fo::qt {

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int toPixels(int twips) { return static_cast<int>(std::lround(twips * screenDpi() / 1440.0)); }
int toTwips(int pixels) { return static_cast<int>(std::lround(pixels * 1440.0 / screenDpi())); }

QRect toPixels(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QColor toQColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

Qt::Alignment toQtAlignment(Alignment a) {
    switch (a) {
    case Alignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace fo::qt
