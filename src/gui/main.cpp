// Prolamo's desktop program. Its only argument, --tray, starts it in the notification area, as
// starting with the session does.
#include "fEditParameters.h"
#include "fMain.h"
#include "fTray.h"
#include "profiles/uSettingKinds.h"
#include "uGUIUtils.h"
#include "uPictures.h"
#include "uWindowReport.h"

#include <QApplication>
#include <QPalette>

#include <string_view>

int main(int argc, char* argv[]) {
    prolamo::InitializeEngine();

    QApplication application(argc, argv);
    prolamo::SetLanguage(QLocale::system());
    // Windows' own style draws buttons, boxes and the menu bar light whatever the system's colours:
    // with dark ones their texts would be unreadable. Fusion draws all of it in the palette's colours.
    if (QApplication::palette().color(QPalette::Window).lightness() < 128)
        QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setWindowIcon(prolamo::ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("prolamo"));
    prolamo::SetHelpFile(prolamo::DefaultHelpFile());
    prolamo::InstallFileDialog();
    prolamo::InstallCheckListDialog();
    prolamo::InstallParameterDialogs();
    if (const QString report = qEnvironmentVariable("PROLAMO_WINDOW_REPORT"); !report.isEmpty())
        prolamo::ReportMainWindowTo(report);

    const bool inTray = argc == 2 && std::string_view(argv[1]) == prolamo::StartInTrayArgument;
    return prolamo::RunProlamo(inTray);
}
