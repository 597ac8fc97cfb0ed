// Renders the program's SVG pictures into PNG files for the Windows build, whose Qt has no Svg
// module, so that the SVG files stay the one source of every picture.
//   prolamo-rasterize QRC OUTDIR    every SVG file the resource list QRC names, in each of
//                                   RasterSizes, as OUTDIR/NAME-SIZE.png, and OUTDIR/prolamo.qrc
//                                   listing them under the same names
//   prolamo-rasterize --ico SVG ICO the program icon as a Windows icon file of PNG images
#include "../uPictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QtEndian>

#include <cstdio>
#include <stdexcept>

namespace {

QImage Render(const QString& svg, int size) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        throw std::runtime_error("Not a picture: " + svg.toStdString());
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("The picture could not be encoded as PNG");
    return bytes;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error("Cannot write " + path.toStdString());
}

QStringList ResourceFiles(const QString& qrc) {
    QFile file(qrc);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read " + qrc.toStdString());
    QStringList files;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("file"))
            files << xml.readElementText();
    }
    if (xml.hasError())
        throw std::runtime_error(qrc.toStdString() + ": " + xml.errorString().toStdString());
    return files;
}

void RasterizeResources(const QString& qrc, const QString& outDir) {
    const QDir source = QFileInfo(qrc).absoluteDir();
    const QDir out(QDir(outDir).absolutePath());
    QString list = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n");
    for (const QString& file : ResourceFiles(qrc)) {
        if (!file.endsWith(QLatin1String(".svg")))
            continue;
        const QString name = file.chopped(4);
        for (int size : prolamo::RasterSizes) {
            const QString png = QStringLiteral("%1-%2.png").arg(name).arg(size);
            if (!QDir().mkpath(QFileInfo(out.filePath(png)).absolutePath()))
                throw std::runtime_error("Cannot make the folder of " + png.toStdString());
            Write(out.filePath(png), Png(Render(source.filePath(file), size)));
            list += QStringLiteral("    <file>%1</file>\n").arg(png);
        }
    }
    list += QStringLiteral("  </qresource>\n</RCC>\n");
    Write(out.filePath(QStringLiteral("prolamo.qrc")), list.toUtf8());
}

// An icon file whose images are PNG streams, which Windows reads since Vista; 256 is stored as 0.
void WriteIcon(const QString& svg, const QString& ico) {
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    QList<QByteArray> images;
    for (int size : sizes)
        images << Png(Render(svg, size));
    QByteArray file;
    auto put16 = [&file](quint16 value) {
        value = qToLittleEndian(value);
        file.append(reinterpret_cast<const char*>(&value), 2);
    };
    auto put32 = [&file](quint32 value) {
        value = qToLittleEndian(value);
        file.append(reinterpret_cast<const char*>(&value), 4);
    };
    put16(0);
    put16(1);
    put16(static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const char side = static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
        file.append(side).append(side).append('\0').append('\0');
        put16(1);
        put16(32);
        put32(static_cast<quint32>(images[i].size()));
        put32(offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images)
        file += image;
    Write(ico, file);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = application.arguments();
    try {
        if (args.size() == 4 && args[1] == QLatin1String("--ico"))
            WriteIcon(args[2], args[3]);
        else if (args.size() == 3)
            RasterizeResources(args[1], args[2]);
        else {
            std::fprintf(stderr, "usage: prolamo-rasterize QRC OUTDIR | --ico SVG ICO\n");
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "prolamo-rasterize: %s\n", error.what());
        return 1;
    }
    return 0;
}
