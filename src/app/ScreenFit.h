// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Keeps a window whose geometry came from the settings file within the user's reach:
// no larger than its screen's free area, and with its top-left corner on that area.
void FitOnScreen(QWidget& window);
