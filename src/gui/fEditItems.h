#pragma once

#include "fBaseDlg.h"

class QListWidget;

namespace prolamo {

// A dialog holding one check-list box; a setting editor fills it, shows it and reads it back.
class TfrmEditItemsDlg : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmEditItemsDlg(QWidget* parent = nullptr);

    QListWidget* lbx;
};

} // namespace prolamo
