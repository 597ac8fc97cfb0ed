#pragma once

#include "fBeveledDlg.h"

#include "switching/uSwitchRules.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;

namespace prolamo {

// A rule of automatic switching: its name, the profile it applies (of the user's configurations,
// then the organisation's, marked), whether it asks first, and the conditions on the network, offered from the network
// the computer is on now or written by hand. OK hands the rule to Save, which changes the rules file; when Save raises,
// its message shows and the dialog stays open with what the user entered.
class TfrmEditRule : public TfrmBeveledDlg {
    Q_OBJECT

public:
    using TSave = std::function<void(const TSwitchRule&)>;
    // Managed: the organisation's configurations, which outlive the dialog; null for none.
    TfrmEditRule(const TSwitchRule& rule, TSave save, const TConfigurations* managed = nullptr);

    void UpdateActions() override;
    // Fills "Use this network" with the conditions that hold now, as it does each time it opens.
    void mnuNetworkPopup();

    QLabel* lblName;
    QLineEdit* edtName;
    QLabel* lblConfiguration;
    QComboBox* cmbConfiguration;
    QLabel* lblProfile;
    QComboBox* cmbProfile;
    QCheckBox* chkAsk;
    QLabel* lblConditions;
    QListWidget* lvwConditions;
    QPushButton* btnUseNetwork;
    QMenu* mnuNetwork;
    QPushButton* btnConditionDel;
    QLabel* lblNewCondition;
    QComboBox* cmbConditionKind;
    QLineEdit* edtConditionValue;
    QPushButton* btnConditionAdd;
    QAction* actConditionAdd;
    QAction* actConditionDel;

protected:
    void DoOK(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    // The rule as the fields show it.
    TSwitchRule EditedRule() const;
    void FillProfiles(const std::string& selected);
    void ShowConditions();
    void AddCondition(const TRuleCondition& condition);
    const TConditionName& SelectedKind() const;

    void cmbConfigurationChange();
    void cmbConditionKindChange();
    void actConditionAddUpdate();
    void actConditionDelUpdate();
    void actConditionAddExecute(QAction* action);
    void actConditionDelExecute(QAction* action);

    // The configuration the list shows at Index: the user's own, then the organisation's.
    const TConfiguration* ListedConfiguration(int index) const;

    TSave FSave;
    const TConfigurations* FManaged;
    std::vector<TRuleCondition> FConditions;
};

} // namespace prolamo
