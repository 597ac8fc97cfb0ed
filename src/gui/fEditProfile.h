#pragma once

#include "fBeveledDlg.h"

#include "profiles/uProfileSettings.h"

#include <vector>

class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;

namespace prolamo {

// Names a profile and manages its values; capture and delete change the profile handed in, apply
// writes to the machine at once.
class TfrmEditProfile : public TfrmBeveledDlg {
    Q_OBJECT

public:
    explicit TfrmEditProfile(TConfigurationProfile& profile);

    void UpdateActions() override;
    QString lvwValuesInfoTip(QListWidgetItem* item) const;

    QLabel* lblName;
    QLineEdit* edtName;
    TListView* lvwValues;
    QToolBar* tbrValues;
    QToolButton* btnRefreshValue;
    QToolButton* btnRefreshAllValues;
    QToolButton* btnDelValue;
    QToolButton* btnApplyValue;
    QToolButton* btnApplyProfile;
    QAction* actRefreshValue;
    QAction* actRefreshAllValues;
    QAction* actDelValue;
    QAction* actApplyValue;
    QAction* actApplyProfile;

protected:
    void DoOK(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowValues();
    std::vector<TSetting*> GetSelectedSettings() const;

    void actRefreshValueUpdate(QAction* action);
    void actRefreshAllValuesUpdate(QAction* action);
    void actDelValueUpdate(QAction* action);
    void actRefreshValueExecute(QAction* action);
    void actRefreshAllValuesExecute(QAction* action);
    void actDelValueExecute(QAction* action);
    void actApplyValueExecute(QAction* action);
    void actApplyProfileExecute(QAction* action);

    TConfigurationProfile& FProfile;
};

} // namespace prolamo
