#pragma once
// A report of the program's windows for the smoke tests of a built or installed program: with
// PROLAMO_WINDOW_REPORT naming a file, the program writes the object tree of its main window
// there once the window is shown and idle, then ends the program as the user would.

#include <QString>

class QWidget;
class QTextStream;

namespace prolamo {

// One line a widget or action, indented by depth: class, object name, visible or hidden,
// enabled or disabled, size, the text it shows where it has one and its accessible name (name="…").
void WriteWidgetTree(const QWidget& root, QTextStream& out);

// Arms the report for the next main window that is shown.
void ReportMainWindowTo(const QString& file);

} // namespace prolamo
