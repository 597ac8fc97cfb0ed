#pragma once
// The parameter dialogs of the kinds "Program" and "Hosts entries", laid out by Qt layouts.

#include "fBeveledDlg.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace prolamo {

class TProgramSetting;
class THostsEntriesSetting;

// The command line of a Program setting, its working folder, whether it runs before or after the
// other settings, and its time limit. OK refuses what the setting would refuse and keeps the
// dialog open on it.
class TfrmEditProgram : public TfrmBeveledDlg {
    Q_OBJECT

public:
    explicit TfrmEditProgram(TProgramSetting& setting);

    QLabel* lblCommandLine;
    QLineEdit* edtCommandLine;
    QPushButton* btnBrowse;
    QLabel* lblWorkingFolder;
    QLineEdit* edtWorkingFolder;
    QLabel* lblRun;
    QComboBox* cmbRun;
    QLabel* lblTimeLimit;
    QSpinBox* edtTimeLimit;

protected:
    void DoOK(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    void btnBrowseClick();

    TProgramSetting& FSetting;
};

// The name of a Hosts entries setting's block.
class TfrmEditHostsBlock : public TfrmBeveledDlg {
    Q_OBJECT

public:
    explicit TfrmEditHostsBlock(THostsEntriesSetting& setting);

    QLabel* lblBlockName;
    QLineEdit* edtBlockName;
    QLabel* lblMarkers;

protected:
    void DoOK(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    THostsEntriesSetting& FSetting;
};

// Plugs both dialogs into their kinds' editors; called once at start-up.
void InstallParameterDialogs();

} // namespace prolamo
