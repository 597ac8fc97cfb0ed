#pragma once

#include "fBaseDlg.h"

class QFrame;

namespace prolamo {

// The dialog with a raised frame around its content.
class TfrmBeveledDlg : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmBeveledDlg(QWidget* parent = nullptr);

    QFrame* bvlDialog;
};

} // namespace prolamo
