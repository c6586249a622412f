// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QString>

class QPainter;
class QRect;

// The program's own pictures, drawn as SVG in the resources (":/pictures/NAME.svg").
QString PicturePath(const QString& name);
// An icon from NAME, with NAME-hot as its picture under the mouse when that exists.
QIcon PictureIcon(const QString& name);
// Paints NAME stretched over target.
void PaintPicture(QPainter& painter, const QString& name, const QRect& target);
