#include "fEditItems.h"

#include <QListWidget>
#include <QPushButton>

namespace prolamo {

TfrmEditItemsDlg::TfrmEditItemsDlg(QWidget* parent) : TfrmBaseDlg(parent), lbx(new QListWidget(Client())) {
    SetClientSize(464, 400);
    lbx->setObjectName(QStringLiteral("lbx"));
    lbx->setGeometry(8, 8, 448, 353);
    lbx->setUniformItemSizes(true);
    lbx->setAccessibleName(QStringLiteral("Items"));
    Anchor(lbx, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    btnOK->move(300, 367);
    btnCancel->move(381, 367);
    btnHelp->hide();
    // The help button has no action here, and the window no help topic.
    disconnect(actHelp, nullptr, btnHelp, nullptr);
    setTabOrder(lbx, btnOK);
    setTabOrder(btnOK, btnCancel);
}

} // namespace prolamo
