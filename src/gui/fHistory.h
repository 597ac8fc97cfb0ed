#pragma once

#include "fBaseDlg.h"

#include "profiles/uProfileHistory.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace prolamo {

// The kept snapshots, newest first and numbered as "prolamo-cli history" numbers them: local
// time, kind, configuration and profile, settings. "Undo to this" closes the window accepted
// with the chosen snapshot of an apply or undo; its opener runs the undo. A snapshot whose stored
// values no longer match their hashes is shown damaged and cannot be chosen.
class TfrmHistory : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmHistory(TProfileHistory& history, QWidget* owner = nullptr);

    // The snapshot of the current row; nothing when the list is empty.
    TProfileSnapshot* Chosen() const;

    QLabel* lblSnapshots;
    QTableWidget* lvwSnapshots;
    QPushButton* btnUndo;
    QAction* actUndo;

    enum Column { colNumber, colTime, colKind, colProfile, colSettings };

    void UpdateActions() override;

private:
    void ShowSnapshots();
    void actUndoExecute(QAction* action);

    TProfileHistory& FHistory;
};

} // namespace prolamo
