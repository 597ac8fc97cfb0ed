#include "fBaseDlg.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QPushButton>

namespace prolamo {

TfrmBaseDlg::TfrmBaseDlg(QWidget* parent) : TfrmBase(parent) {
    SetClientSize(336, ClientSize().height());
    const QString dialog = QStringLiteral("Dialog");
    actOK = NewAction("actOK", dialog, QStringLiteral("&OK"), {}, -1);
    actCancel = NewAction("actCancel", dialog, QStringLiteral("&Cancel"), {}, -1);
    actHelp = NewAction("actHelp", dialog, QStringLiteral("&Help"), {}, 3);
    // Shown in menus; the window's own F1 shortcut runs the help.
    actHelp->setShortcut(QKeySequence::HelpContents);
    OnExecute(actOK, &TfrmBaseDlg::actOKExecute);
    OnExecute(actCancel, &TfrmBaseDlg::actCancelExecute);
    OnExecute(actHelp, &TfrmBaseDlg::actHelpExecute);

    btnOK = NewButton(Client(), "btnOK", QRect(91, 183, 75, 25));
    btnCancel = NewButton(Client(), "btnCancel", QRect(172, 183, 75, 25));
    btnHelp = NewButton(Client(), "btnHelp", QRect(253, 183, 75, 25));
    for (QPushButton* button : {btnOK, btnCancel, btnHelp})
        Anchor(button, Qt::RightEdge | Qt::BottomEdge);
    BindButton(*btnOK, *actOK);
    BindButton(*btnCancel, *actCancel);
    BindButton(*btnHelp, *actHelp);
    btnOK->setDefault(true);
}

void TfrmBaseDlg::UpdateActions() {
    actOKUpdate();
    actCancelUpdate();
    actHelpUpdate();
}

void TfrmBaseDlg::reject() {
    actCancelUpdate();
    if (actCancel->isEnabled())
        actCancel->trigger();
}

void TfrmBaseDlg::UpdateOK(QAction* action) { action->setEnabled(true); }

void TfrmBaseDlg::UpdateCancel(QAction* action) { action->setEnabled(true); }

void TfrmBaseDlg::DoOK(QAction*) {}

void TfrmBaseDlg::DoCancel(QAction*) { QDialog::reject(); }

void TfrmBaseDlg::actOKExecute(QAction* action) {
    DoOK(action);
    accept();
}

} // namespace prolamo
