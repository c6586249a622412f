// SPDX-License-Identifier: GPL-3.0-or-later
// Draws an SVG picture into a square PNG of the given size (the desktop's fixed-size icon),
// so that the PNG always matches the SVG it comes from.
//     render-icon PICTURE.svg OUT.png SIZE
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: render-icon PICTURE.svg OUT.png SIZE\n", stderr);
        return 2;
    }
    // Drawing needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer picture(QString::fromLocal8Bit(argv[1]));
    const int size = QByteArray(argv[3]).toInt();
    if (!picture.isValid() || size <= 0) {
        std::fprintf(stderr, "render-icon: cannot draw %s at size %s\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
