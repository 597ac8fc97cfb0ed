#pragma once

#include "profiles/uProfileHistory.h"
#include "switching/uManaged.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QTimer;
class QWidget;

namespace prolamo {

// What the main window says of a configuration: the profile applied last, when, and whether the
// machine still matches it. The comparison captures the machine's state of each setting, which
// may take a while, so it goes one setting per step of a zero timer on the user-interface thread,
// and only while Window is shown and enabled (a run disables it). Each step looks the
// configuration and the profile up by name: data changed meanwhile costs a restart, never a
// stale object.
class TInForceCheck : public QObject {
    Q_OBJECT

public:
    // Managed gives the organisation's configurations as the window holds them now, or none.
    TInForceCheck(QWidget& window, std::function<TConfigurations*()> managed);

    // Starts over for Configuration (none: no text) unless it is the one checked, with the same
    // last apply. Restart starts over in any case: the profile's values or the machine changed.
    void Follow(const TProfileHistory& history, const TConfiguration* configuration);
    void Restart(const TProfileHistory& history, const TConfiguration* configuration);

    // "Applied last: Office, 2026-12-07 10:20" in local time and, on a second line, what the
    // comparison found so far.
    QString Text() const;
    bool Checking() const { return checking_; }

    QTimer* tmrStep;

signals:
    void TextChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tmrStepTimer();
    void Finish(const QString& verdict);

    QWidget& window_;
    std::function<TConfigurations*()> managed_;
    std::optional<TConfigurationPlace> configuration_;
    // The profile of the last apply, and when it was (UTC, as the snapshot keeps it); no profile
    // when none of the configuration was applied.
    std::optional<std::string> profile_;
    std::string time_;
    bool checking_ = false;
    bool waiting_ = false; // for the window to be shown and enabled again
    std::size_t next_ = 0; // the setting the next step compares
    std::vector<std::string> unreadable_;
    QString verdict_;
};

} // namespace prolamo
