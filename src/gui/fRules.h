#pragma once

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

// The rules of automatic switching in the order they are tried: new, edit, delete, move; which
// one matches the network now and why; pause. Every change is written to the rules file at once,
// under its lock, and only over the rules this window shows: a change another program made
// meanwhile is shown instead, and the window's change refused.
class TfrmRules : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmRules(TDesktopSwitching& switching, QWidget* owner = nullptr);

    void UpdateActions() override;
    // Reads the rules file again and shows what another program changed in it.
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
    void ShowRules();
    const TSwitchRule* SelectedRule() const;
    void Select(const std::string& name);
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
    bool FFileBroken = false;
};

} // namespace prolamo
