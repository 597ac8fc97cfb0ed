#pragma once

#include "classes/uPolicy.h"
#include "fBaseDlg.h"

#include "switching/uSwitchRules.h"

#include <functional>
#include <optional>

class QCheckBox;
class QPlainTextEdit;
class QTableWidget;
class QTimer;

namespace prolamo {

class TDesktopSwitching;

// The rules of automatic switching in the order they are tried, the organisation's first (marked,
// not the user's to change): new, edit, delete, move; which one matches the network now and why;
// pause. Every change is written to the rules file at once,
// under its lock, and only over the rules this window shows: a change another program made
// meanwhile is shown instead, and the window's change refused.
class TfrmRules : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmRules(TDesktopSwitching& switching, QWidget* owner = nullptr);

    void UpdateActions() override;
    // Reads the rules file again and shows what another program changed in it; reads the
    // organisation's rules again when the policy names another file.
    void tmrReloadTimer();

    QLabel* lblRules;
    QTableWidget* lvwRules;
    QLabel* lblFile;
    QPushButton* btnNew;
    QPushButton* btnEdit;
    QPushButton* btnDel;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QLabel* lblTest;
    QPushButton* btnTest;
    QPlainTextEdit* edtTest;
    QCheckBox* chkPause;
    QTimer* tmrReload;
    QAction* actRuleNew;
    QAction* actRuleEdit;
    QAction* actRuleDel;
    QAction* actRuleUp;
    QAction* actRuleDown;
    QAction* actTest;

    enum Column { colName, colProfile, colConditions };

private:
    // The file's rules; nothing when it cannot be read, which the window then says.
    std::optional<TSwitchRules> ReadFile();
    // Reads the organisation's rules anew; a file that cannot be read says so below the list.
    void LoadManaged();
    void ShowRules();
    // The row of the selection; -1 without one.
    int SelectedRow() const;
    // The user's own rule selected; null for none or one of the organisation's.
    const TSwitchRule* SelectedRule() const;
    bool SelectedIsManaged() const;
    // Selects the user's own rule of that name.
    void Select(const std::string& name);
    // Disabled for a managed rule: the action and its button say so instead of their hint.
    void MarkManaged(QAction* action);
    // Makes Change on the rules in the file and writes them, then shows them.
    void ChangeRules(const std::function<void(TSwitchRules&)>& change);
    bool EditRule(const TSwitchRule& rule, const std::function<void(TSwitchRules&, const TSwitchRule&)>& save);
    void ShowPaused();

    void actRuleSelectedUpdate(QAction* action);
    void actRuleUpUpdate();
    void actRuleDownUpdate();
    void actRuleNewExecute(QAction* action);
    void actRuleEditExecute(QAction* action);
    void actRuleDelExecute(QAction* action);
    void actRuleUpExecute(QAction* action);
    void actRuleDownExecute(QAction* action);
    void actTestExecute(QAction* action);
    void chkPauseClick(bool paused);
    void lvwRulesDblClick();

    TDesktopSwitching& FSwitching;
    const std::string FPath;
    // As the file held them when this window last read or wrote it.
    TSwitchRules FRules;
    // The organisation's, listed before them.
    TSwitchRules FManagedRules;
    // The warning about the organisation's rules file shown last; empty when it was read.
    std::string FManagedWarning;
    // The file the policy named when the organisation's rules were read.
    std::optional<std::string> FManagedPath;
    TPolicyCache FPolicies;
    bool FFileBroken = false;
};

} // namespace prolamo
