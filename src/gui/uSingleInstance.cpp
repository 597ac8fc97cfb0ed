#include "uSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTimer>

namespace prolamo {

TSingleInstance::TSingleInstance(const QString& folder)
    : lock_(folder + QStringLiteral("/prolamo.instance")), request_(folder + QStringLiteral("/prolamo.show")),
      tmrRequests(new QTimer(this)) {
    // Only a holder that has ended loses the lock, never one that has run long.
    lock_.setStaleLockTime(0);
    connect(tmrRequests, &QTimer::timeout, this, &TSingleInstance::LookForRequest);
}

bool TSingleInstance::TryRun() {
    QDir().mkpath(QFileInfo(request_).absolutePath());
    if (!lock_.tryLock(0))
        return false;
    // A request left by a start that found no one listening is not this start's business.
    QFile::remove(request_);
    tmrRequests->start(250);
    return true;
}

void TSingleInstance::AskToShow() const {
    QFile request(request_);
    if (request.open(QIODevice::WriteOnly))
        request.close();
}

void TSingleInstance::LookForRequest() {
    if (QFile::exists(request_) && QFile::remove(request_))
        emit showRequested();
}

} // namespace prolamo
