// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Pictures.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into this static library; a program linking it must
// register them before the first use.
static void RegisterPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

QString PicturePath(const QString& name)
{
    RegisterPictures();
    return ":/pictures/" + name + ".svg";
}

QIcon PictureIcon(const QString& name)
{
    QIcon icon(PicturePath(name));
    const QString hot = PicturePath(name + "-hot");
    if (QFile::exists(hot))
        icon.addFile(hot, QSize(), QIcon::Active);
    return icon;
}

void PaintPicture(QPainter& painter, const QString& name, const QRect& target)
{
    QSvgRenderer renderer(PicturePath(name));
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&painter, target);
}
