#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace prolamo {

class TConfiguration;
class TDesktopSwitching;
class TfrmMain;

// The program in the notification area: a menu of the configurations with their profiles (the
// last applied one checked), "Undo last apply", the rules and "Pause automatic switching" of the
// program's automatic switching, the main window and Quit; a message after each automatic apply.
class TTrayIcon : public QObject {
    Q_OBJECT

public:
    // Main has Switching attached; its Rules entry opens the rules window.
    TTrayIcon(TfrmMain& main, TDesktopSwitching& switching);
    ~TTrayIcon() override;

    // Whether the desktop has a notification area; only then does closing the main window hide it.
    static bool Available();
    // Tests stand in for a desktop with (or without) a notification area; nullopt asks the desktop.
    static void SetAvailableForTests(std::optional<bool> available);
    // Quit was chosen: closing the main window ends the program.
    bool Quitting() const { return quitting_; }

    // Fills the menu's configurations and profiles afresh, as it does each time it opens.
    void FillMenu();
    // "Prolamo" and, one a line, each configuration with the profile applied last; the
    // organisation's come after the user's own, marked.
    QString ToolTip() const;
    // The profile of Configuration applied last, from the history; empty when none is kept.
    std::string LastApplied(const TConfiguration& configuration) const;

    QSystemTrayIcon* trayIcon;
    QMenu* mnuTray;
    QAction* miUndoApply;
    QAction* miRules;
    QAction* miPause;
    QAction* miShowMain;
    QAction* miStartWithSession;
    QAction* miQuit;

private:
    // A submenu of Configuration's profiles before the fixed entries; a managed one is marked,
    // and Locked disables its profiles with the policy's reason.
    void AddConfiguration(const TConfiguration& configuration, bool managed, bool locked);
    void miPauseClick(bool paused);
    void miStartWithSessionClick(bool enabled);
    void ShowMain();

    TfrmMain& main_;
    TDesktopSwitching& switching_;
    QAction* firstFixed_ = nullptr; // where the configurations end
    bool quitting_ = false;
};

// Starting the program with the user's session, minimized to the notification area: the Run key
// of the user on Windows, an XDG autostart entry elsewhere. The program is started with the
// argument StartInTrayArgument.
inline constexpr const char* StartInTrayArgument = "--tray";
bool StartsWithSession();
void SetStartWithSession(bool enabled);

} // namespace prolamo
