// Draws an SVG into square PNGs for the desktop's icon theme, with the same renderer the client
// uses for its windows: render-icon picture.svg out-dir size...  writes out-dir/<size>.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: render-icon picture.svg out-dir size...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!svg.isValid() || !out.mkpath(u"."_qs)) {
        std::fprintf(stderr, "render-icon: cannot read %s or write into %s\n", argv[1], argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (size <= 0 || !image.save(out.filePath(QString::number(size) + u".png"_qs))) {
            std::fprintf(stderr, "render-icon: cannot write size %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
