#include "fPreview.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace prolamo {

namespace {

// A hint may hold a whole file: its cell shows it on one line, its tip in full.
QTableWidgetItem* Cell(const std::string& text) {
    const QString full = ToQString(text);
    auto* item = new QTableWidgetItem(full.simplified());
    item->setToolTip(full);
    return item;
}

QString LineCount(std::size_t count) {
    return count == 1 ? QCoreApplication::translate("prolamo::TfrmPreview", "1 line")
                      : QCoreApplication::translate("prolamo::TfrmPreview", "%1 lines").arg(count);
}

// A value of several lines is counted in its cell; the difference below shows its lines.
QTableWidgetItem* LinesCell(const std::string& text, const QString& shown) {
    auto* item = new QTableWidgetItem(shown);
    item->setToolTip(ToQString(text));
    return item;
}

bool SpansLines(const TSettingChange& change) {
    return change.state != TChangeState::CannotRead && (IsMultiLine(change.now) || IsMultiLine(change.after));
}

} // namespace

TfrmPreview::TfrmPreview(const TConfigurationProfile& profile, QWidget* owner)
    : TfrmBaseDlg(owner), lblSummary(new QLabel(Client())), lvwChanges(new QTableWidget(0, 4, Client())),
      memDifference(new QPlainTextEdit(Client())), btnApply(NewButton(Client(), "btnApply")),
      FPreview(PreviewProfile(profile)) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(tr("What will change: %1").arg(ToQString(profile.Name())));
    SetHelpKeyword(QStringLiteral("html/profileedit.htm"));
    resize(560, 360);
    btnOK->hide();
    actCancel->setText(tr("&Close"));
    actApply = NewAction("actApply", QStringLiteral("Dialog"), tr("&Apply"), tr("Apply this profile now"), -1);
    OnExecute(actApply, &TfrmPreview::actApplyExecute);
    BindButton(*btnApply, *actApply);
    // Before Close, as OK stands before Cancel.
    ButtonRow()->insertWidget(ButtonRow()->indexOf(btnCancel), btnApply);

    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lvwChanges->setObjectName(QStringLiteral("lvwChanges"));
    lvwChanges->setHorizontalHeaderLabels({tr("Setting"), tr("State"), tr("Now"), tr("After")});
    lvwChanges->verticalHeader()->hide();
    lvwChanges->verticalHeader()->setDefaultSectionSize(lvwChanges->fontMetrics().height() + 4);
    lvwChanges->horizontalHeader()->setStretchLastSection(true);
    lvwChanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwChanges->setWordWrap(false);
    connect(lvwChanges, &QTableWidget::currentCellChanged, this,
            [this](int row) { RunGuarded([this, row] { lvwChangesCurrentRowChanged(row); }); });
    memDifference->setObjectName(QStringLiteral("memDifference"));
    memDifference->setReadOnly(true);
    memDifference->setLineWrapMode(QPlainTextEdit::NoWrap);
    memDifference->setPlaceholderText(tr("Choose a setting of several lines to see them removed and added"));
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblSummary);
    layout->addWidget(lvwChanges, 2);
    layout->addWidget(memDifference, 1);

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
        if (SpansLines(change)) {
            const std::vector<TLineDifference> lines = LineDifference(change.now, change.after);
            const auto count = [&lines](TLineChange kind) {
                return std::count_if(lines.begin(), lines.end(),
                                     [kind](const TLineDifference& line) { return line.change == kind; });
            };
            const auto removed = count(TLineChange::Removed);
            const auto added = count(TLineChange::Added);
            lvwChanges->setItem(row, colNow, LinesCell(change.now, LineCount(lines.size() - added)));
            lvwChanges->setItem(
                row, colAfter,
                LinesCell(
                    change.after,
                    tr("%1: %2 removed, %3 added").arg(LineCount(lines.size() - removed)).arg(removed).arg(added)));
        } else {
            lvwChanges->setItem(row, colNow,
                                Cell(change.state == TChangeState::CannotRead ? change.error : change.now));
            lvwChanges->setItem(row, colAfter, Cell(change.after));
        }
        ++row;
    }
    // The first setting whose lines change shows them at once.
    const auto first = std::find_if(FPreview.changes.begin(), FPreview.changes.end(), [](const TSettingChange& change) {
        return change.state == TChangeState::WillChange && SpansLines(change);
    });
    if (first != FPreview.changes.end())
        lvwChanges->setCurrentCell(static_cast<int>(first - FPreview.changes.begin()), colSetting);
    lvwChanges->resizeColumnsToContents();
    for (const Column column : {colSetting, colNow})
        lvwChanges->setColumnWidth(column, std::min(lvwChanges->columnWidth(column), 160));
}

QString TfrmPreview::DifferenceText(const std::string& before, const std::string& after) {
    QStringList lines;
    for (const TLineDifference& line : LineDifference(before, after)) {
        const QString mark = line.change == TLineChange::Removed ? QStringLiteral("- ")
                             : line.change == TLineChange::Added ? QStringLiteral("+ ")
                                                                 : QStringLiteral("  ");
        lines << mark + ToQString(line.line);
    }
    return lines.join(QLatin1Char('\n'));
}

void TfrmPreview::lvwChangesCurrentRowChanged(int row) {
    if (row < 0 || row >= static_cast<int>(FPreview.changes.size()) ||
        !SpansLines(FPreview.changes[static_cast<std::size_t>(row)])) {
        memDifference->clear();
        return;
    }
    const TSettingChange& change = FPreview.changes[static_cast<std::size_t>(row)];
    memDifference->setPlainText(DifferenceText(change.now, change.after));
}

void TfrmPreview::actApplyExecute(QAction*) {
    accept();
}

bool TPreviewConfirmation::Confirm(const std::string& question) {
    return TMessageBoxes::AskYesNo(ToQString(question), [this] {
        TfrmPreview preview(profile_, QApplication::activeWindow());
        // Opened from the apply question, which is asked again once this closes.
        preview.btnApply->hide();
        preview.actApply->setEnabled(false);
        preview.exec();
    });
}

} // namespace prolamo
