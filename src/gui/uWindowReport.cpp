#include "uWindowReport.h"

#include "fMain.h"
#include "fTray.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTextStream>
#include <QTimer>

namespace prolamo {

namespace {

QString ShownText(const QObject& object) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&object))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&object))
        return label->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(&object))
        return combo->currentText();
    if (const auto* action = qobject_cast<const QAction*>(&object))
        return action->text();
    if (const auto* widget = qobject_cast<const QWidget*>(&object); widget && widget->isWindow())
        return widget->windowTitle();
    return {};
}

void WriteObject(const QObject& object, int depth, QTextStream& out) {
    const auto* widget = qobject_cast<const QWidget*>(&object);
    const auto* action = qobject_cast<const QAction*>(&object);
    if (!widget && !action)
        return;
    out << QString(depth * 2, QLatin1Char(' ')) << object.metaObject()->className() << ' '
        << (object.objectName().isEmpty() ? QStringLiteral("-") : object.objectName());
    if (widget) {
        out << (widget->isVisible() ? " visible" : " hidden") << (widget->isEnabled() ? " enabled" : " disabled") << ' '
            << widget->width() << 'x' << widget->height();
    } else {
        out << (action->isVisible() ? " visible" : " hidden") << (action->isEnabled() ? " enabled" : " disabled");
    }
    const QString text = ShownText(object);
    if (!text.isEmpty())
        out << " \"" << QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")) << '"';
    if (widget && !widget->accessibleName().isEmpty())
        out << " name=\"" << widget->accessibleName() << '"';
    out << '\n';
    for (const QObject* child : object.children())
        WriteObject(*child, depth + 1, out);
}

TfrmMain* ShownMainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(window); main && main->isVisible())
            return main;
    return nullptr;
}

} // namespace

void WriteWidgetTree(const QWidget& root, QTextStream& out) {
    WriteObject(root, 0, out);
}

void ReportMainWindowTo(const QString& file) {
    // Polled, since the window is made and shown by the program's own start-up.
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, file] {
        TfrmMain* main = ShownMainWindow();
        if (!main)
            return;
        timer->stop();
        timer->deleteLater();
        QFile report(file);
        if (report.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            QTextStream out(&report);
            WriteWidgetTree(*main, out);
        }
        // With the tray on, closing the window only hides it: the tray's Quit ends the program.
        if (auto* tray = main->findChild<TTrayIcon*>())
            tray->miQuit->trigger();
        else
            main->reject();
    });
    timer->start(200);
}

} // namespace prolamo
