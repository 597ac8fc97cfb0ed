#include "fProgress.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace prolamo {

namespace {

// Runs share the main window: it stays disabled until the last progress window has closed.
int openProgressWindows = 0;

// Milliseconds between two looks whether the pointer has left a window that is due to close.
constexpr int PointerCheckTime = 250;

} // namespace

TfrmProgress::TfrmProgress(QWidget* owner)
    : TfrmBaseDlg(owner), lblText(new QLabel(Client())), prg(new QProgressBar(Client())),
      lvwLog(new QTableWidget(0, 1, Client())), mnuClipboard(new QMenu(this)), btnUndo(NewButton(Client(), "btnUndo")),
      memDetails(new QPlainTextEdit(Client())), tmrClose(new QTimer(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Please wait..."));
    SetHelpKeyword(QStringLiteral("html/profiletroubles.htm"));
    resize(440, 0);

    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setWordWrap(true);
    prg->setObjectName(QStringLiteral("prg"));
    prg->setRange(0, 1);
    prg->setValue(0);
    prg->setTextVisible(false);
    btnOK->hide();
    actUndoApply = NewAction("actUndoApply", QStringLiteral("Dialog"), tr("&Undo last apply"),
                             tr("Put back what the machine held before this run"), -1);
    OnExecute(actUndoApply, &TfrmProgress::actUndoApplyExecute);
    BindButton(*btnUndo, *actUndoApply);
    btnUndo->hide();
    ButtonRow()->insertWidget(0, btnUndo);

    lvwLog->setObjectName(QStringLiteral("lvwLog"));
    lvwLog->horizontalHeader()->hide();
    lvwLog->verticalHeader()->hide();
    lvwLog->verticalHeader()->setDefaultSectionSize(lvwLog->fontMetrics().height() + 4);
    lvwLog->setShowGrid(true);
    lvwLog->setWordWrap(false);
    lvwLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwLog->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwLog->setIconSize(QSize(16, 16));
    lvwLog->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwLog->installEventFilter(this);
    lvwLog->setAccessibleName(tr("Log"));
    connect(lvwLog, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDetails(row); });
    // A log line cut at the window's edge reads whole here, wrapped.
    memDetails->setObjectName(QStringLiteral("memDetails"));
    memDetails->setReadOnly(true);
    memDetails->setAccessibleName(tr("Details"));
    memDetails->setPlaceholderText(tr("Choose a line to read it whole"));
    memDetails->setMaximumHeight(memDetails->fontMetrics().height() * 5);

    auto* body = new QVBoxLayout(Body());
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(lblText);
    body->addWidget(prg);
    // The log goes below the buttons, which stay where they were when it opens.
    auto* log = static_cast<QVBoxLayout*>(Client()->layout());
    log->setStretchFactor(Body(), 0);
    log->addWidget(lvwLog, 1);
    log->addWidget(memDetails);
    connect(lvwLog, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdateActions();
        mnuClipboard->popup(lvwLog->viewport()->mapToGlobal(pos));
    });

    const QString clipboard = QStringLiteral("Clipboard");
    actCopySelected = NewAction("actCopySelected", clipboard, tr("&Copy"), {}, -1);
    actCopyAll = NewAction("actCopyAll", clipboard, tr("Copy &all"), {}, -1);
    OnExecute(actCopySelected, &TfrmProgress::actCopySelectedExecute);
    OnExecute(actCopyAll, &TfrmProgress::actCopyAllExecute);
    mnuClipboard->setObjectName(QStringLiteral("mnuClipboard"));
    mniCopySelected = AddMenuItem(mnuClipboard, "mniCopySelected", actCopySelected);
    mniCopyAll = AddMenuItem(mnuClipboard, "mniCopyAll", actCopyAll);

    tmrClose->setObjectName(QStringLiteral("tmrClose"));
    tmrClose->setSingleShot(true);
    connect(tmrClose, &QTimer::timeout, this, &TfrmProgress::tmrCloseTimer);

    FormCreate();
    UpdateActions();
}

TfrmProgress::~TfrmProgress() {
    FormClose();
}

void TfrmProgress::FormCreate() {
    ShowLog(false);
    FErrorImageIndex = imlImages->Add(style()->standardIcon(QStyle::SP_MessageBoxCritical));
    FWarningImageIndex = imlImages->Add(style()->standardIcon(QStyle::SP_MessageBoxWarning));
}

void TfrmProgress::UpdateActions() {
    TfrmBaseDlg::UpdateActions();
    actCopyUpdate(actCopySelected);
    actCopyUpdate(actCopyAll);
}

void TfrmProgress::actCopyUpdate(QAction* action) {
    if (action == actCopySelected)
        action->setEnabled(!lvwLog->selectedItems().isEmpty());
    else
        action->setEnabled(lvwLog->rowCount() > 0);
}

void TfrmProgress::actCopySelectedExecute(QAction*) {
    const QList<QTableWidgetItem*> selected = lvwLog->selectedItems();
    if (selected.isEmpty())
        return;
    CopyLinesToClipboard(selected.first()->row(), selected.first()->row());
}

void TfrmProgress::actCopyAllExecute(QAction*) {
    CopyLinesToClipboard(0, lvwLog->rowCount() - 1);
}

void TfrmProgress::CopyLinesToClipboard(int first, int last) {
    QString text;
    for (int row = first; row <= last; ++row)
        text += lvwLog->item(row, 0)->text() + QStringLiteral("\r\n");
    QApplication::clipboard()->setText(text);
}

QString TfrmProgress::OneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    QString result;
    result.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        result += line.at(i);
        if (line.at(i) == QLatin1Char(' ') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char(' '))
            ++i;
    }
    return result;
}

void TfrmProgress::ShowLog(bool shown) {
    if (lvwLog->isVisibleTo(this) == shown && memDetails->isVisibleTo(this) == shown)
        return;
    lvwLog->setVisible(shown);
    memDetails->setVisible(shown);
    // Without the log the window is as low as its controls; with it, room for a few lines.
    Client()->layout()->activate();
    layout()->activate();
    const int height = minimumSizeHint().height();
    resize(width(), shown ? height + lvwLog->verticalHeader()->defaultSectionSize() * 8 : height);
}

void TfrmProgress::ShowDetails(int row) {
    const QTableWidgetItem* item = row >= 0 ? lvwLog->item(row, 0) : nullptr;
    memDetails->setPlainText(item ? item->toolTip() : QString());
}

void TfrmProgress::AddLogLine(const QString& text, int resultType) {
    ShowLog(true);
    const int row = lvwLog->rowCount();
    lvwLog->insertRow(row);
    auto* item = new QTableWidgetItem(OneLine(text));
    item->setToolTip(text);
    const int image = resultType == 0 ? FWarningImageIndex : resultType == 1 ? FErrorImageIndex : -1;
    if (image >= 0)
        item->setIcon(imlImages->Icon(image));
    lvwLog->setItem(row, 0, item);
    QCoreApplication::processEvents();
}

void TfrmProgress::ShowResults(const TCheckResultList& results) {
    for (const TCheckResult& result : results) {
        const int type = static_cast<int>(result.ResultType());
        if (type != 0 && type != 1)
            ProgramError("ResultType " + std::to_string(type));
        AddLogLine(ToQString(result.Text()), type);
    }
}

void TfrmProgress::SetStatusText(const QString& text) {
    lblText->setText(text);
    // A text that wraps to more lines than there is room for makes the window taller, not cut.
    if (const int missing = lblText->heightForWidth(lblText->width()) - lblText->height(); isVisible() && missing > 0)
        resize(width(), height() + missing);
    QCoreApplication::processEvents();
}

void TfrmProgress::Done(const QString& summary) {
    const QString outcome = summary.isEmpty() ? tr("Done") : summary;
    SetStatusText(outcome);
    // The title is what the taskbar shows of a window that went behind another.
    setWindowTitle(outcome);
    actCancel->setText(tr("&Close"));
    FCanClose = true;
    // The first line of the log reads whole below it at once, without a search for it.
    if (lvwLog->rowCount() > 0 && lvwLog->currentRow() < 0)
        lvwLog->setCurrentCell(0, 0);
    UpdateActions();
    btnCancel->setFocus();
    // Long enough to read what was applied; a log stays until the user has read it.
    if (lvwLog->rowCount() == 0)
        tmrClose->start(summaryTime_);
}

void TfrmProgress::tmrCloseTimer() {
    // Not from under the pointer: the user may be reaching for "Undo last apply", and a window
    // that goes as the button is pressed takes the click with it. It goes once the pointer has.
    if (frameGeometry().contains(QCursor::pos()))
        tmrClose->start(PointerCheckTime);
    else
        close();
}

void TfrmProgress::OfferUndo(std::function<void()> undo) {
    undo_ = std::move(undo);
    btnUndo->show();
}

void TfrmProgress::actUndoApplyExecute(QAction*) {
    // The undo opens a window of its own once this one has let the main window go.
    const std::function<void()> undo = undo_;
    close();
    QTimer::singleShot(0, qApp, undo);
}

void TfrmProgress::UpdateCancel(QAction* action) {
    action->setEnabled(FCanClose);
}

void TfrmProgress::DoCancel(QAction*) {
    close();
}

void TfrmProgress::showEvent(QShowEvent* event) {
    TfrmBaseDlg::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmProgress::closeEvent(QCloseEvent* event) {
    // During the run the sender still works on this window; the frame cannot close it then.
    if (!FCanClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TfrmProgress::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvwLog && event->type() == QEvent::Resize)
        FormResize();
    return TfrmBaseDlg::eventFilter(watched, event);
}

void TfrmProgress::FormShow() {
    ++openProgressWindows;
    if (QWidget* main = ApplicationMainWindow(); main && main != this)
        main->setEnabled(false);
}

void TfrmProgress::FormClose() {
    if (!shown_)
        return;
    shown_ = false;
    if (--openProgressWindows == 0)
        if (QWidget* main = ApplicationMainWindow(); main && main != this)
            main->setEnabled(true);
}

void TfrmProgress::FormResize() {
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvwLog);
    lvwLog->setColumnWidth(0, std::max(0, lvwLog->width() - 4 - scrollBar));
}

} // namespace prolamo
