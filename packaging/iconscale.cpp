// fennmere-iconscale: writes the application icon in the sizes the desktop's
// icon theme looks for, from the one image the sources hold. Runs on the
// build machine while the package is made; it is not installed.
//
//   fennmere-iconscale SOURCE.png OUT-DIR NAME SIZE...
//
// writes OUT-DIR/<SIZE>x<SIZE>/apps/NAME.png for each SIZE. The source's own
// size keeps its pixels as they are; the others are scaled smoothly, keeping an
// alpha channel so that the corners stay transparent.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

int Fail(const QString& text)
{
    std::fprintf(stderr, "fennmere-iconscale: %s\n", qPrintable(text));
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fputs("usage: fennmere-iconscale SOURCE.png OUT-DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);

    QImage image;
    if (!image.load(source, "PNG")) return Fail(QStringLiteral("cannot read %1").arg(source));
    if (image.width() != image.height()) return Fail(QStringLiteral("%1 is not square").arg(source));
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);

    for (int i = 4; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
            return Fail(QStringLiteral("not an icon size: %1").arg(QString::fromLocal8Bit(argv[i])));
        }
        const int n = static_cast<int>(size);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(n);
        if (!QDir().mkpath(folder)) return Fail(QStringLiteral("cannot make %1").arg(folder));
        const QImage scaled =
            n == argb.width() ? argb : argb.scaled(n, n, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString target = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!scaled.save(target, "PNG")) return Fail(QStringLiteral("cannot write %1").arg(target));
    }
    return 0;
}
