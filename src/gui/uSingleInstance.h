#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QTimer;

namespace prolamo {

// One desktop program per user: the first start holds the instance lock in the data file's folder;
// a later start asks it to show its window, and ends. The lock of a program that died is taken
// over.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit TSingleInstance(const QString& folder);

    // Takes the lock and starts listening for requests; false while another program holds it.
    bool TryRun();
    // From a later start: asks the running program to show its main window.
    void AskToShow() const;

signals:
    void showRequested();

private:
    void LookForRequest();

    QLockFile lock_;
    QString request_;
    QTimer* tmrRequests;
};

} // namespace prolamo
