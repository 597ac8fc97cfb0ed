#include "uPictures.h"

#include <QPainter>
#include <QSvgRenderer>

namespace prolamo {

namespace {

QString SvgPath(const QString& name) {
    return QStringLiteral(":/%1.svg").arg(name);
}

} // namespace

QImage RenderPicture(const QString& name, int pixels) {
    LoadPictureResources();
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(SvgPath(name));
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QIcon PictureIcon(const QString& name) {
    LoadPictureResources();
    return QIcon(SvgPath(name));
}

} // namespace prolamo
