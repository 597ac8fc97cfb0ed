#include "fBeveledDlg.h"

#include <QFrame>

namespace prolamo {

TfrmBeveledDlg::TfrmBeveledDlg(QWidget* parent) : TfrmBaseDlg(parent), bvlDialog(Body()) {
    bvlDialog->setObjectName(QStringLiteral("bvlDialog"));
    bvlDialog->setFrameStyle(QFrame::Panel | QFrame::Raised);
}

} // namespace prolamo
