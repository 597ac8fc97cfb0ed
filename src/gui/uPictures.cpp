#include "uPictures.h"

#include <QtGlobal>

// The pictures live in the static library; its resources must be registered by name.
static void InitPictureResources() {
    Q_INIT_RESOURCE(prolamo);
}

namespace prolamo {

void LoadPictureResources() {
    static const bool loaded = (InitPictureResources(), true);
    (void)loaded;
}

QPixmap PicturePixmap(const QString& name, int size, qreal ratio) {
    QPixmap pixmap = QPixmap::fromImage(RenderPicture(name, qRound(size * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon ProgramIcon() {
    return PictureIcon(QStringLiteral("prolamo"));
}

} // namespace prolamo
