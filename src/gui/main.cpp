// Prolamo's desktop program. It takes no command-line arguments.
#include "fMain.h"
#include "profiles/uSettingKinds.h"
#include "uGUIUtils.h"
#include "uPictures.h"
#include "uWindowReport.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    prolamo::InitializeEngine();

    QApplication application(argc, argv);
    QApplication::setWindowIcon(prolamo::ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("prolamo"));
    prolamo::SetHelpFile(prolamo::DefaultHelpFile());
    prolamo::InstallFileDialog();
    prolamo::InstallCheckListDialog();
    if (const QString report = qEnvironmentVariable("PROLAMO_WINDOW_REPORT"); !report.isEmpty())
        prolamo::ReportMainWindowTo(report);

    return prolamo::RunProlamo();
}
