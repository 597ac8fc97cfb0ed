#pragma once

#include "switching/uNetworkWatcher.h"
#include "switching/uWatcherLock.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QTimer;

namespace prolamo {

class TfrmMain;

// Automatic switching in the desktop program, whatever its desktop offers (the notification
// area's menu and the main window show and pause it): the watcher, and the timer that lets it
// look at the network while no run and no modal dialog (an editor with its copies) is open. Its
// applies run under the data file's lock with the progress window, each kept in the history first.
// While another program watches for this user it stays passive, and takes over when that one ends.
class TDesktopSwitching : public QObject {
    Q_OBJECT

public:
    // A child of Main.
    explicit TDesktopSwitching(TfrmMain& main);
    ~TDesktopSwitching() override;

    bool Paused() const { return watcher_->Paused(); }
    void SetPaused(bool paused);
    // One line: paused, another program watching, no rules, rules that cannot be read, or what
    // the watcher did last, with its time.
    QString StateText() const { return stateText_; }

    // Tests shorten the watcher's times; nothing gives the usual ones.
    static void SetTimesForTests(std::optional<TWatcherTimes> times);

signals:
    void StateChanged();
    // A rule's profile was applied; Summary is the run's ("Applied Home: 2 settings, no errors").
    void Applied(const QString& summary);

private:
    class TTarget;

    void Poll();
    // Whether this program watches; tries to take the watcher's lock while it does not.
    bool Watching();
    // The apply of every rule in this program: the watcher's target calls it.
    void ApplyRule(const TSwitchRule& rule);
    void Logged(const std::string& line);
    void UpdateState();

    TfrmMain& main_;
    std::optional<TWatcherLock> watching_;
    std::optional<TWatcherHolder> otherWatcher_;
    std::string watchError_; // why the lock could not be made
    std::unique_ptr<TTarget> target_;
    TSwitchMemoryFile memory_;
    std::unique_ptr<TNetworkWatcher> watcher_;
    QTimer* tmrWatch;
    QString lastLine_;
    QString stateText_;
};

} // namespace prolamo
