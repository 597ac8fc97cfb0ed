// The pictures as the windows draw them: from the SVG files on Linux, from the PNG files
// rendered at build time on Windows.
#include "gui/uPictures.h"

#include <QtTest>

using namespace prolamo;

class PictureTests : public QObject {
    Q_OBJECT

    static bool HasOpaquePixel(const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255)
                    return true;
        return false;
    }

private slots:
    void everyPictureIsDrawnAtTheAskedSize() {
        const QStringList names = {"prolamo",      "admin",           "actions/apply", "actions/refreshall",
                                   "images/tcpip", "images/netdrive", "images/novalue"};
        for (const QString& name : names) {
            // Sizes between and beyond the rendered ones are scaled from a rendered one.
            for (int size : {16, 20, 32, 40, 128, 300}) {
                const QImage image = RenderPicture(name, size);
                QCOMPARE(image.size(), QSize(size, size));
                QVERIFY2(HasOpaquePixel(image), qPrintable(QStringLiteral("%1 at %2").arg(name).arg(size)));
            }
        }
    }

    void pixmapsFollowTheScreensPixelRatio() {
        const QPixmap pixmap = PicturePixmap(QStringLiteral("admin"), 24, 1.5);
        QCOMPARE(pixmap.size(), QSize(36, 36));
        QCOMPARE(pixmap.devicePixelRatio(), 1.5);
    }

    void theProgramIconHasSmallAndLargeForms() {
        const QIcon icon = ProgramIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.pixmap(16, 16).deviceIndependentSize().toSize(), QSize(16, 16));
        QVERIFY(HasOpaquePixel(icon.pixmap(256, 256).toImage()));
    }
};

QTEST_MAIN(PictureTests)
#include "PictureTests.moc"
