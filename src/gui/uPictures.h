#pragma once
// The program's pictures, named by their resource path without extension ("actions/new",
// "images/tcpip", "prolamo"). The Linux program draws them from its SVG files; the Windows
// program, whose Qt has no Svg module, from PNG files rendered from the same SVG files at build
// time in RasterSizes.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace prolamo {

// The pixel sizes the Windows build renders every picture in.
inline constexpr int RasterSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Registers the pictures of the static GUI library with the resource system; repeats do nothing.
void LoadPictureResources();

// The picture drawn into a square of `pixels` device pixels, transparent around it.
QImage RenderPicture(const QString& name, int pixels);

// The picture as a pixmap of `size` logical pixels on a screen of the given device pixel ratio.
QPixmap PicturePixmap(const QString& name, int size, qreal ratio);

// The picture as an icon that stays sharp at every size the toolkit asks for.
QIcon PictureIcon(const QString& name);

QIcon ProgramIcon();

} // namespace prolamo
