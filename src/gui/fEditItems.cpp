#include "fEditItems.h"

#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace prolamo {

TfrmEditItemsDlg::TfrmEditItemsDlg(QWidget* parent) : TfrmBaseDlg(parent), lbx(new QListWidget(Client())) {
    resize(464, 400);
    lbx->setObjectName(QStringLiteral("lbx"));
    lbx->setUniformItemSizes(true);
    lbx->setAccessibleName(tr("Items"));
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lbx);
    btnHelp->hide();
    // The help button has no action here, and the window no help topic.
    disconnect(actHelp, nullptr, btnHelp, nullptr);
    setTabOrder(lbx, btnOK);
    setTabOrder(btnOK, btnCancel);
}

} // namespace prolamo
