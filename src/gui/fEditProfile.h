#pragma once

#include "fBeveledDlg.h"

#include "profiles/uProfileHistory.h"
#include "profiles/uProfileSettings.h"

#include <span>
#include <vector>

class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;

namespace prolamo {

// Names a profile and manages its values; capture and delete change the profile handed in, apply
// writes to the machine at once. Applies and refreshes keep their snapshots in History; Cancel
// takes this dialog's refreshes off it again, since their values are dropped. It refuses a name
// that another profile of the configuration has.
class TfrmEditProfile : public TfrmBeveledDlg {
    Q_OBJECT

public:
    // Configuration: the one whose settings the profile holds values of. Original: the stored
    // profile that Profile is a copy of, whose name it may keep; none for a new one.
    TfrmEditProfile(TConfigurationProfile& profile, TProfileHistory& history, const TConfiguration& configuration,
                    const TConfigurationProfile* original = nullptr);

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
    QToolButton* btnUndoRefresh;
    QAction* actRefreshValue;
    QAction* actRefreshAllValues;
    QAction* actDelValue;
    QAction* actApplyValue;
    QAction* actApplyProfile;
    QAction* actUndoRefresh;

protected:
    void DoOK(QAction* action) override;
    void DoCancel(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowValues();
    std::vector<TSetting*> GetSelectedSettings() const;
    void Refresh(std::span<TSetting* const> settings);
    // The chosen settings, or the whole profile for none; every run keeps its snapshot.
    void Apply(std::span<TSetting* const> settings);
    // The newest refresh snapshot when this dialog made it.
    TProfileSnapshot* UndoableRefresh() const;
    bool Recorded(const TProfileSnapshot* snapshot) const;
    bool InHistory(const TProfileSnapshot* snapshot) const;

    void actRefreshValueUpdate(QAction* action);
    void actRefreshAllValuesUpdate(QAction* action);
    void actDelValueUpdate(QAction* action);
    void actRefreshValueExecute(QAction* action);
    void actRefreshAllValuesExecute(QAction* action);
    void actDelValueExecute(QAction* action);
    void actApplyValueExecute(QAction* action);
    void actApplyProfileExecute(QAction* action);
    void actUndoRefreshUpdate();
    void actUndoRefreshExecute(QAction* action);

    TConfigurationProfile& FProfile;
    TProfileHistory& FHistory;
    const TConfiguration& FConfiguration;
    const TConfigurationProfile* FOriginal;
    // This dialog's refresh snapshots, oldest first; not owned.
    std::vector<TProfileSnapshot*> FRefreshes;
};

} // namespace prolamo
