// Renders an SVG image to a square PNG of the given size (the fixed-size
// icons of the hicolor theme are made from the one drawing at build time).
// Usage: kavrin_render_icon IN.svg OUT.png SIZE
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IN.svg OUT.png SIZE\n", argv[0]);
        return 2;
    }
    // Shapes are drawn into an image: no display, no window system.
    QCoreApplication app(argc, argv);
    const int size = QByteArray(argv[3]).toInt();
    if (size <= 0 || size > 4096) {
        std::fprintf(stderr, "bad size: %s\n", argv[3]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "svg");
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        // Without Qt's SVG image plugin (Debian's libqt6svg6) nothing can be drawn.
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
