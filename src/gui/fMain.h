#pragma once

#include "fBeveledDlg.h"
#include "uGUIUtils.h"

#include "classes/uPolicy.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfileSettings.h"
#include "profiles/uSharedDataFile.h"

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QFrame;
class QPushButton;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QTimer;
class QToolButton;

namespace prolamo {

class TClickLabel;
class TElidedLabel;
class TProfileStates;
class TDesktopSwitching;
class TInForceCheck;

// How an action uses the data file, which other programs share: its changes are saved when it
// ends, or (for the actions that write the history or the machine) it holds the file's lock
// throughout.
enum class TDataUse { SaveAfter, LockedThroughout };

// The whole application: the configurations and the profiles of the chosen one, with their
// actions. Creating it reads the data file; it may raise the reading error. Every change is saved
// when it is made, and what other programs write to the data file meanwhile shows in the lists.
class TfrmMain : public TfrmBeveledDlg {
    Q_OBJECT

public:
    TfrmMain();
    ~TfrmMain() override;

    void UpdateActions() override;

    TConfigurationsCollection& GetConfigurationList() const;
    TConfiguration* GetSelectedConfiguration() const;
    TConfigurationProfile* GetSelectedProfile() const;
    TConfigurationProfiles& GetCurrentProfiles() const;
    // The snapshots of applies and refreshes, in the file beside the data file.
    TProfileHistory& History() const { return FDataFile->History(); }
    // Runs Work as an action that changes data: the lists first take in what other programs
    // wrote, and what Work changed is saved after it, also when it raises. An error shows in the
    // standard error box; false when Work did not run or raised.
    bool RunChange(TDataUse use, const std::function<void()>& work);
    // The same for a change nobody asked for in the window (the watcher's apply), under the lock
    // throughout: false at once while another program holds the lock; errors are raised.
    bool RunAutomaticChange(const std::function<void()>& work);
    // Takes in what other programs wrote and saves what is not saved yet, and the organisation's
    // configurations of a file the policy newly names; the program's timer calls it, never during
    // an action or a dialog. Returns at once while the file is locked.
    void SynchronizeDataFile();
    // For the end of the program or the session: saves what a failed save left, waiting for the
    // lock as long as the other programs may hold it.
    void SaveBeforeEnd();
    // The status line's whole text.
    QString StatusText() const;
    // The organisation's configurations, as the lists show them after the user's own; null when
    // it manages none.
    TConfigurations* Managed() const { return FManaged.get(); }
    // Whether the policy AllowUserConfigurations lets the user apply only the organisation's
    // configurations (and neither create, edit nor delete the own).
    bool UserConfigurationsLocked();
    // Selects the profile in the lists, as the user would.
    void SelectProfile(const TConfiguration& configuration, const TConfigurationProfile& profile);
    // The progress sender of a run whose window offers its undo.
    std::unique_ptr<TGUIProgressSender> UndoableSender();
    // Adds the Switching menu (the rules window, pause) and a line with the state of Switching.
    void AttachSwitching(TDesktopSwitching& switching);

    QMenuBar* mmn;
    QMenu* miFile;
    QMenu* miConfigurations;
    QMenu* miProfiles;
    QMenu* miHelp;
    QAction* miAbout;
    QLabel* lblConfigurations;
    QComboBox* cmbConfigurations;
    QToolBar* tbrConfigurations;
    QLabel* lblProfile;
    QComboBox* cmbProfiles;
    QToolBar* tbrProfiles;
    QLabel* lblSettings;
    // The chosen profile's settings and what an apply would do to each.
    TProfileStates* lvwSettings;
    // Instead of the profiles while there is no configuration: the first steps.
    QFrame* pnlWelcome;
    QLabel* lblWelcome;
    QPushButton* btnWelcomeNew;
    QPushButton* btnWelcomeImport;
    // The profile of the chosen configuration applied last, when, and whether the machine still
    // matches it.
    QLabel* lblInForce;
    TClickLabel* imgAdmin;
    QLabel* lblRights;
    // What the last action did ("Captured 3 settings into Office").
    QStatusBar* stbMain;
    TElidedLabel* lblStatus;
    QAction* actConfigurationExport;
    QAction* actConfigurationImport;
    QAction* actConfigurationNew;
    QAction* actConfigurationEdit;
    QAction* actConfigurationDel;
    QAction* actProfileNew;
    QAction* actProfileEdit;
    QAction* actProfileDel;
    QAction* actProfileRefresh;
    QAction* actProfileApply;
    QAction* actProfilePreview;
    QAction* actProfileUndoApply;
    QAction* actProfileUndoRefresh;
    QAction* actProfileHistory;
    // Once switching is attached.
    QMenu* miSwitching = nullptr;
    QAction* miRules = nullptr;
    QAction* miPauseSwitching = nullptr;
    QStatusBar* stbSwitching = nullptr;
    TElidedLabel* lblSwitching = nullptr;

protected:
    void DoCancel(QAction* action) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenu();
    // Runs Handler when Action executes, as a change of Use.
    void OnChange(QAction* action, void (TfrmMain::*handler)(QAction*), TDataUse use);
    // Under Lock: takes in and saves, shows the lists anew with the selection kept, and tells of
    // changes made on both sides. Raises the reading and writing errors.
    void Synchronize(const TDataFileLock& lock);
    // Whether memory holds what the file does not, or the file what memory does not: otherwise
    // memory is the file, and nothing needs reading, comparing or writing.
    bool NeedsSynchronizing() const;
    // After a change: saves it under Lock, taking the lock when it is not held.
    void SaveChange(std::optional<TDataFileLock>& lock);
    void FormCreate();
    void ShowRights();
    void BuildWelcome();
    void ShowWelcome();
    void ShowProfileStates();
    // The window's size and place, in a file of their own beside the data file.
    static std::string PlacementFilePath();
    void LoadPlacement();
    void SavePlacement();
    void OpenDataFile();
    // Reads the organisation's configurations anew; a warning that differs from the last shows in
    // the status line. The lists must be refilled after it.
    void LoadManaged();
    // Reads the organisation's configurations anew and fills the lists, selecting the profile of
    // Configuration (of the organisation's list when Managed) as named before.
    void ReloadLists(const std::string& configuration, const std::string& profile, bool managed);
    // Whether the selected configuration is one of the organisation's.
    bool SelectedIsManaged() const;
    // Keep the selected position, or select Selected where the list shows it.
    void FillConfigurations(const TConfiguration* selected = nullptr);
    void FillProfiles(const TConfigurationProfile* selected = nullptr);
    // Original: the stored object that the edited one is a copy of; none for a new one.
    bool EditConfiguration(TConfiguration& configuration, const TConfiguration* original);
    bool EditProfile(TConfigurationProfile& profile, const TConfigurationProfile* original);
    void ShowStatus(const std::string& text);
    void ShowInForce();
    // Compares the machine with the profile applied last anew: it or the profile may have changed.
    void RecheckInForce();

    void cmbConfigurationsChange();
    void miAboutClick();
    void miRulesClick();
    void miPauseSwitchingClick(bool paused);
    void ShowSwitchingState();
    void imgAdminClick();

    // AllowUserConfigurations=0 disables the commands that create, edit or delete, and the apply of
    // the user's own configurations; a managed configuration cannot be edited. Each tells why.
    void ObeyUserConfigurationsPolicy();
    void actConfigurationNewUpdate();
    void actConfigurationEditUpdate();
    void actConfigurationDelUpdate();
    void actProfileNewUpdate();
    void actProfileEditUpdate();
    void actProfileDelUpdate();
    void actProfileRefreshUpdate();
    void actProfileApplyUpdate();
    void actConfigurationExportUpdate();
    void actProfileUndoApplyUpdate();
    void actProfileUndoRefreshUpdate();
    void actConfigurationNewExecute(QAction* action);
    void actConfigurationEditExecute(QAction* action);
    void actConfigurationDelExecute(QAction* action);
    void actProfileNewExecute(QAction* action);
    void actProfileEditExecute(QAction* action);
    void actProfileDelExecute(QAction* action);
    void actProfileRefreshExecute(QAction* action);
    void actProfileApplyExecute(QAction* action);
    void actProfilePreviewExecute(QAction* action);
    void actProfileUndoApplyExecute(QAction* action);
    void actProfileUndoRefreshExecute(QAction* action);
    void actProfileHistoryExecute(QAction* action);
    // Undoes Chosen, or the newest apply or undo, with the question and progress of an undo.
    void UndoApply(TProfileSnapshot* chosen);
    void actConfigurationExportExecute(QAction* action);
    void actConfigurationImportExecute(QAction* action);

    // Stands in for the profiles while no configuration is selected.
    std::unique_ptr<TSettings> FEmptySettings;
    std::unique_ptr<TSharedDataFile> FDataFile;
    QTimer* tmrDataFile;
    int FChanging = 0;          // actions running, dialogs of theirs included
    bool FUnsaved = false;      // the last save failed; memory holds changes the file does not
    std::string FLastSyncError; // shown once, not at every look of the timer
    TDesktopSwitching* FSwitching = nullptr;
    TInForceCheck* FInForce;
    // Listed after the user's own; null when the organisation manages none.
    std::unique_ptr<TConfigurations> FManaged;
    std::string FManagedWarning;
    // The file the policy named when they were read.
    std::optional<std::string> FManagedPath;
    // Looked at every idle moment; read again only when a policy may have changed.
    TPolicyCache FPolicies;
};

// The program after the registrations: creates the main window (which reads the data file) and
// runs until it closes or the session ends. A data file that cannot be read shows its message and
// ends the program without the window. Automatic switching runs meanwhile. With a notification
// area the program also lives there, and closing the window only hides it; StartInTray starts it
// there without the window.
int RunProlamo(bool startInTray = false);

} // namespace prolamo
