// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace {

// The distance between two corners of a rect. A corner near the integer limit has
// wrapped round in the window's own rect arithmetic; counted modulo 2^32, the distance
// is still the size the window was given.
int Extent(int first, int last)
{
    return static_cast<int>(static_cast<std::uint32_t>(last) - static_cast<std::uint32_t>(first) + 1u);
}

} // namespace

// A size near the 32-bit limit leaves the window system no surface to paint on, and
// painting then crashes; a corner far outside every screen leaves a window nobody sees.
void FitOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect stored = window.geometry();
    const QSize size(std::min(Extent(stored.left(), stored.right()), area.width()),
                     std::min(Extent(stored.top(), stored.bottom()), area.height()));
    QPoint corner = window.pos();
    if (!area.contains(corner))
        corner = QPoint(std::clamp(corner.x(), area.left(), area.right()),
                        std::clamp(corner.y(), area.top(), area.bottom()));
    window.move(corner);
    window.resize(size);
}
