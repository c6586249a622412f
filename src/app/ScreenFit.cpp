#include "app/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

// A size near the 32-bit limit leaves the window system no surface to paint on, and
// painting then crashes; a corner far outside every screen leaves a window nobody sees.
void FitOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.resize(window.size().boundedTo(area.size()));
    const QPoint corner = window.pos();
    if (!area.contains(corner))
        window.move(std::clamp(corner.x(), area.left(), area.right()),
                    std::clamp(corner.y(), area.top(), area.bottom()));
}
