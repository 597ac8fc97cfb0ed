// Prolamo's desktop program. Its only argument, --tray, starts it in the notification area, as
// starting with the session does.
#include "fMain.h"
#include "fTray.h"
#include "profiles/uSettingKinds.h"
#include "uGUIUtils.h"
#include "uPictures.h"
#include "uWindowReport.h"

#include <QApplication>

#include <string_view>

int main(int argc, char* argv[]) {
    prolamo::InitializeEngine();

    QApplication application(argc, argv);
    prolamo::SetLanguage(QLocale::system());
    QApplication::setWindowIcon(prolamo::ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("prolamo"));
    prolamo::SetHelpFile(prolamo::DefaultHelpFile());
    prolamo::InstallFileDialog();
    prolamo::InstallCheckListDialog();
    if (const QString report = qEnvironmentVariable("PROLAMO_WINDOW_REPORT"); !report.isEmpty())
        prolamo::ReportMainWindowTo(report);

    const bool inTray = argc == 2 && std::string_view(argv[1]) == prolamo::StartInTrayArgument;
    return prolamo::RunProlamo(inTray);
}
