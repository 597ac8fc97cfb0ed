#include "fHistory.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace prolamo {

namespace {

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}

} // namespace

TfrmHistory::TfrmHistory(TProfileHistory& history, QWidget* owner)
    : TfrmBaseDlg(owner), lblSnapshots(new QLabel(Client())), lvwSnapshots(new QTableWidget(0, 5, Client())),
      btnUndo(NewButton(Client(), "btnUndo")), FHistory(history) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(tr("History"));
    SetHelpKeyword(QStringLiteral("html/index.htm"));
    resize(620, 340);
    btnOK->hide();
    actCancel->setText(tr("&Close"));
    actUndo = NewAction("actUndo", QStringLiteral("Dialog"), tr("&Undo to this"),
                        tr("Put back what the machine held before the chosen apply or undo"), -1);
    OnExecute(actUndo, &TfrmHistory::actUndoExecute);
    BindButton(*btnUndo, *actUndo);

    lblSnapshots->setObjectName(QStringLiteral("lblSnapshots"));
    lblSnapshots->setText(tr("&Snapshots, newest first"));
    lblSnapshots->setBuddy(lvwSnapshots);
    lvwSnapshots->setObjectName(QStringLiteral("lvwSnapshots"));
    lvwSnapshots->setHorizontalHeaderLabels(
        {tr("No."), tr("Time"), tr("Kind"), tr("Configuration / profile"), tr("Settings")});
    lvwSnapshots->verticalHeader()->hide();
    lvwSnapshots->verticalHeader()->setDefaultSectionSize(lvwSnapshots->fontMetrics().height() + 4);
    lvwSnapshots->horizontalHeader()->setStretchLastSection(true);
    lvwSnapshots->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwSnapshots->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwSnapshots->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwSnapshots->setTabKeyNavigation(false);
    lvwSnapshots->setWordWrap(false);
    connect(lvwSnapshots, &QTableWidget::currentCellChanged, this, [this] { UpdateActions(); });
    BindListActions(lvwSnapshots, actUndo, {actUndo});

    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblSnapshots);
    layout->addWidget(lvwSnapshots, 1);
    ButtonRow()->insertWidget(ButtonRow()->indexOf(btnCancel), btnUndo);
    setTabOrder(lvwSnapshots, btnUndo);
    setTabOrder(btnUndo, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    ShowSnapshots();
    NameControls(*this);
    UpdateActions();
}

void TfrmHistory::ShowSnapshots() {
    const int count = static_cast<int>(FHistory.Snapshots().Count());
    FHistory.CheckAll();
    lvwSnapshots->setRowCount(count);
    for (int row = 0; row < count; ++row) {
        TProfileSnapshot& snapshot = *FHistory.Listed(static_cast<std::size_t>(row) + 1);
        const QString kind = snapshot.Damaged() ? tr("%1 (damaged)").arg(ToQString(snapshot.KindText()))
                                                : ToQString(snapshot.KindText());
        lvwSnapshots->setItem(row, colNumber, Cell(QString::number(row + 1)));
        lvwSnapshots->setItem(row, colTime, Cell(ToQString(snapshot.LocalTimeText())));
        lvwSnapshots->setItem(row, colKind, Cell(kind));
        lvwSnapshots->setItem(row, colProfile, Cell(ToQString(snapshot.Configuration() + " / " + snapshot.Profile())));
        lvwSnapshots->setItem(row, colSettings, Cell(ToQString(snapshot.SettingsText())));
    }
    lvwSnapshots->resizeColumnsToContents();
    if (count > 0)
        lvwSnapshots->setCurrentCell(0, colNumber);
}

TProfileSnapshot* TfrmHistory::Chosen() const {
    const int row = lvwSnapshots->currentRow();
    return row < 0 ? nullptr : FHistory.Listed(static_cast<std::size_t>(row) + 1);
}

void TfrmHistory::UpdateActions() {
    TfrmBaseDlg::UpdateActions();
    const TProfileSnapshot* chosen = Chosen();
    actUndo->setEnabled(chosen && chosen->Kind() != TSnapshotKind::Refresh && !chosen->Damaged());
}

void TfrmHistory::actUndoExecute(QAction*) {
    if (actUndo->isEnabled())
        accept();
}

} // namespace prolamo
