#include "fPreview.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace prolamo {

namespace {

// A hint may hold a whole file: its cell shows it on one line, its tip in full.
QTableWidgetItem* Cell(const std::string& text) {
    const QString full = ToQString(text);
    auto* item = new QTableWidgetItem(full.simplified());
    item->setToolTip(full);
    return item;
}

} // namespace

TfrmPreview::TfrmPreview(const TConfigurationProfile& profile, QWidget* owner)
    : TfrmBaseDlg(owner), lblSummary(new QLabel(Client())), lvwChanges(new QTableWidget(0, 4, Client())),
      FPreview(PreviewProfile(profile)) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("What will change: %1").arg(ToQString(profile.Name())));
    SetHelpKeyword(QStringLiteral("html/profileedit.htm"));
    SetSizeable(true);
    SetClientSize(520, 280);
    btnOK->hide();
    actCancel->setText(QStringLiteral("&Close"));
    btnCancel->setGeometry(357, 247, 75, 25);
    btnHelp->setGeometry(437, 247, 75, 25);

    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setGeometry(8, 8, 504, 16);
    Anchor(lblSummary, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    lvwChanges->setObjectName(QStringLiteral("lvwChanges"));
    lvwChanges->setGeometry(8, 28, 504, 211);
    lvwChanges->setHorizontalHeaderLabels(
        {QStringLiteral("Setting"), QStringLiteral("State"), QStringLiteral("Now"), QStringLiteral("After")});
    lvwChanges->verticalHeader()->hide();
    lvwChanges->verticalHeader()->setDefaultSectionSize(lvwChanges->fontMetrics().height() + 4);
    lvwChanges->horizontalHeader()->setStretchLastSection(true);
    lvwChanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwChanges->setWordWrap(false);
    Anchor(lvwChanges, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);

    ShowChanges();
    UpdateActions();
}

void TfrmPreview::ShowChanges() {
    lblSummary->setText(ToQString(FPreview.Summary()));
    lvwChanges->setRowCount(static_cast<int>(FPreview.changes.size()));
    int row = 0;
    for (const TSettingChange& change : FPreview.changes) {
        lvwChanges->setItem(row, colSetting, Cell(change.text));
        auto* state = Cell(ChangeStateText(change.state));
        if (change.state == TChangeState::WillChange || change.state == TChangeState::CannotRead) {
            QFont font = state->font();
            font.setBold(true);
            state->setFont(font);
        }
        lvwChanges->setItem(row, colState, state);
        lvwChanges->setItem(row, colNow, Cell(change.state == TChangeState::CannotRead ? change.error : change.now));
        lvwChanges->setItem(row, colAfter, Cell(change.after));
        ++row;
    }
    lvwChanges->resizeColumnsToContents();
    for (const Column column : {colSetting, colNow})
        lvwChanges->setColumnWidth(column, std::min(lvwChanges->columnWidth(column), 160));
}

bool TPreviewConfirmation::Confirm(const std::string& question) {
    return TMessageBoxes::AskYesNo(ToQString(question), [this] {
        TfrmPreview preview(profile_, QApplication::activeWindow());
        preview.exec();
    });
}

} // namespace prolamo
