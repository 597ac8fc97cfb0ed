#include "fBeveledDlg.h"

#include <QFrame>

namespace prolamo {

TfrmBeveledDlg::TfrmBeveledDlg(QWidget* parent) : TfrmBaseDlg(parent), bvlDialog(new QFrame(Client())) {
    bvlDialog->setObjectName(QStringLiteral("bvlDialog"));
    bvlDialog->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bvlDialog->setGeometry(8, 8, 320, 169);
    bvlDialog->lower();
    Anchor(bvlDialog, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
}

} // namespace prolamo
