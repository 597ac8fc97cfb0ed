#include "fBaseDlg.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace prolamo {

TfrmBaseDlg::TfrmBaseDlg(QWidget* parent)
    : TfrmBase(parent), body_(new QFrame(Client())), buttonRow_(new QHBoxLayout()) {
    body_->setObjectName(QStringLiteral("body"));
    auto* layout = new QVBoxLayout(Client());
    layout->addWidget(body_, 1);
    layout->addLayout(buttonRow_);
    buttonRow_->addStretch(1);
    const QString dialog = QStringLiteral("Dialog");
    actOK = NewAction("actOK", dialog, tr("&OK"), {}, -1);
    actCancel = NewAction("actCancel", dialog, tr("&Cancel"), {}, -1);
    actHelp = NewAction("actHelp", dialog, tr("&Help"), {}, 3);
    // Shown in menus; the window's own F1 shortcut runs the help.
    actHelp->setShortcut(QKeySequence::HelpContents);
    OnExecute(actOK, &TfrmBaseDlg::actOKExecute);
    OnExecute(actCancel, &TfrmBaseDlg::actCancelExecute);
    OnExecute(actHelp, &TfrmBaseDlg::actHelpExecute);

    btnOK = NewButton(Client(), "btnOK");
    btnCancel = NewButton(Client(), "btnCancel");
    btnHelp = NewButton(Client(), "btnHelp");
    for (QPushButton* button : {btnOK, btnCancel, btnHelp})
        buttonRow_->addWidget(button);
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

void TfrmBaseDlg::UpdateOK(QAction* action) {
    action->setEnabled(true);
}

void TfrmBaseDlg::UpdateCancel(QAction* action) {
    action->setEnabled(true);
}

void TfrmBaseDlg::DoOK(QAction*) {}

void TfrmBaseDlg::DoCancel(QAction*) {
    QDialog::reject();
}

void TfrmBaseDlg::actOKExecute(QAction* action) {
    DoOK(action);
    accept();
}

} // namespace prolamo
