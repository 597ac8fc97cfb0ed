#pragma once

#include "fBaseDlg.h"

#include "classes/uResultList.h"

#include <functional>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace prolamo {

// Accompanies an apply run: status line, bar and, at the end, the log of warnings and errors.
// Not modal; it frees itself when closed.
class TfrmProgress : public TfrmBaseDlg {
    Q_OBJECT

public:
    // Owner: the modal dialog that starts the run, so that its modality does not block this window.
    explicit TfrmProgress(QWidget* owner = nullptr);
    ~TfrmProgress() override;

    void UpdateActions() override;

    // Shows the log (client height 240) and adds Text as one line with the picture of its type.
    void AddLogLine(const QString& text, int resultType);
    void ShowResults(const TCheckResultList& results);
    void SetStatusText(const QString& text);
    // Ends the run with its summary in the status line and the title ("Done" without one). With an empty log
    // the window closes by itself after SummaryTime, though not while the pointer is on it; else
    // it waits for the user.
    void Done(const QString& summary = QString());
    static int SummaryTime() { return summaryTime_; }
    // Milliseconds; tests shorten it.
    static void SetSummaryTime(int milliseconds) { summaryTime_ = milliseconds; }
    // Once the run has ended: shows "Undo last apply", which closes this window and then runs Undo.
    void OfferUndo(std::function<void()> undo);
    // Lines First to Last, each ended by a line break, as plain text on the clipboard.
    void CopyLinesToClipboard(int first, int last);
    // Line breaks become spaces, then pairs of spaces become one, in one pass.
    static QString OneLine(const QString& text);

    bool CanClose() const { return FCanClose; }
    int ErrorImageIndex() const { return FErrorImageIndex; }
    int WarningImageIndex() const { return FWarningImageIndex; }

    QLabel* lblText;
    QProgressBar* prg;
    QTableWidget* lvwLog;
    QMenu* mnuClipboard;
    QPushButton* btnUndo;
    // The chosen log line whole.
    QPlainTextEdit* memDetails;
    QAction* actUndoApply;
    QAction* actCopySelected;
    QAction* actCopyAll;
    QAction* mniCopySelected;
    QAction* mniCopyAll;
    QTimer* tmrClose;

protected:
    void UpdateCancel(QAction* action) override;
    void DoCancel(QAction* action) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    // The log and its details below the buttons, or a window as low as its controls.
    void ShowLog(bool shown);
    void ShowDetails(int row);
    void actCopyUpdate(QAction* action);
    void actCopySelectedExecute(QAction* action);
    void actCopyAllExecute(QAction* action);
    void actUndoApplyExecute(QAction* action);
    void tmrCloseTimer();

    int FErrorImageIndex = -1;
    int FWarningImageIndex = -1;
    bool FCanClose = false;
    bool shown_ = false;
    std::function<void()> undo_;
    static inline int summaryTime_ = 5000;
};

} // namespace prolamo
