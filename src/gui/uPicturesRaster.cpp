#include "uPictures.h"

#include <iterator>

namespace prolamo {

namespace {

QImage LoadRaster(const QString& name, int size) {
    return QImage(QStringLiteral(":/%1-%2.png").arg(name).arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage RenderPicture(const QString& name, int pixels) {
    LoadPictureResources();
    // The smallest rendering that is at least as large, scaled down: sharper than scaling up.
    int best = RasterSizes[std::size(RasterSizes) - 1];
    for (int size : RasterSizes) {
        if (size >= pixels) {
            best = size;
            break;
        }
    }
    const QImage image = LoadRaster(name, best);
    if (best == pixels || image.isNull())
        return image;
    return image.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon PictureIcon(const QString& name) {
    LoadPictureResources();
    QIcon icon;
    for (int size : RasterSizes)
        icon.addPixmap(QPixmap::fromImage(LoadRaster(name, size)));
    return icon;
}

} // namespace prolamo
