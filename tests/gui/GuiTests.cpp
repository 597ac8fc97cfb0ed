#include "GuiTestKinds.h"

#include "gui/fMain.h"

#include <QtTest>

class GuiTests : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { prolamo::test::RegisterGuiTestKinds(); }
};

QTEST_MAIN(GuiTests)
#include "GuiTests.moc"
