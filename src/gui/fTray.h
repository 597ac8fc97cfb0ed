#pragma once

#include "switching/uNetworkWatcher.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace prolamo {

class TfrmMain;

// The program in the notification area: a menu of the configurations with their profiles (the
// last applied one checked), "Undo last apply", "Pause automatic switching", the main window and
// Quit; and the watcher that switches profiles when the network changes.
class TTrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TTrayIcon(TfrmMain& main);
    ~TTrayIcon() override;

    // Whether the desktop has a notification area; only then does closing the main window hide it.
    static bool Available();
    // Tests stand in for a desktop with (or without) a notification area; nullopt asks the desktop.
    static void SetAvailableForTests(std::optional<bool> available);
    // Quit was chosen: closing the main window ends the program.
    bool Quitting() const { return quitting_; }

    // Fills the menu's configurations and profiles afresh, as it does each time it opens.
    void FillMenu();
    // "Prolamo" and, one a line, each configuration with the profile applied last.
    QString ToolTip() const;
    // The profile of Configuration applied last, from the history; empty when none is kept.
    std::string LastApplied(const std::string& configuration) const;

    TNetworkWatcher& Watcher() { return *watcher_; }

    QSystemTrayIcon* trayIcon;
    QMenu* mnuTray;
    QAction* miUndoApply;
    QAction* miPause;
    QAction* miShowMain;
    QAction* miStartWithSession;
    QAction* miQuit;

private:
    class TTarget;

    void miPauseClick(bool paused);
    void miStartWithSessionClick(bool enabled);
    void ShowMain();
    void Poll();

    TfrmMain& main_;
    std::unique_ptr<TTarget> target_;
    TSwitchMemoryFile memory_;
    std::unique_ptr<TNetworkWatcher> watcher_;
    QTimer* tmrWatch;
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
