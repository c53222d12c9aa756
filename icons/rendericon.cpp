// Renders one SVG drawing into PNGs for screens of 1, 2 and 3 device pixels
// per point (<output>.png, <output>@2x.png, <output>@3x.png), through the
// same image reader and SVG plugin that drew the drawing in the running
// program before: the program then needs neither at run time.
// Usage: norvaleo_render_icon <drawing.svg> <size in points> <output without .png>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

namespace {

bool render(const QString &drawing, int pixels, const QString &output)
{
    QImageReader reader(drawing);
    reader.setScaledSize(QSize(pixels, pixels));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(drawing), qPrintable(reader.errorString()));
        return false;
    }
    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "%s: cannot be written\n", qPrintable(output));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <drawing.svg> <size> <output without .png>\n", argv[0]);
        return 2;
    }
    const QString drawing = QString::fromLocal8Bit(argv[1]);
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    const QString output = QString::fromLocal8Bit(argv[3]);
    if (!ok || size < 1 || size > 1024) {
        std::fprintf(stderr, "%s: no size\n", argv[2]);
        return 2;
    }
    const bool done = render(drawing, size, output + QStringLiteral(".png")) &&
                      render(drawing, 2 * size, output + QStringLiteral("@2x.png")) &&
                      render(drawing, 3 * size, output + QStringLiteral("@3x.png"));
    return done ? 0 : 1;
}
