#include "fMain.h"

#include "fTray.h"
#include "classes/uHelpers.h"
#include "classes/uPolicy.h"
#include "framework/Exceptions.h"
#include "framework/StreamText.h"
#include "os/Folders.h"
#include "os/Session.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uServiceClient.h"
#include "fAbout.h"
#include "fEditConfiguration.h"
#include "fEditProfile.h"
#include "fHistory.h"
#include "fPreview.h"
#include "fProgress.h"
#include "fRules.h"
#include "uDesktopSwitching.h"
#include "uInForce.h"
#include "uGUIUtils.h"
#include "uPictures.h"
#include "uSingleInstance.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <optional>

namespace prolamo {

namespace {

// Selects the entry at Wanted, or else the one at the selected position, or else the first.
void FillList(QComboBox& list, const std::vector<std::string>& names, int wanted) {
    const int selected = wanted >= 0 ? wanted : list.currentIndex();
    list.setUpdatesEnabled(false);
    {
        const QSignalBlocker blocker(list);
        list.clear();
        for (const std::string& name : names)
            list.addItem(ToQString(name));
    }
    const int count = list.count();
    SelectItemIndex(list, selected != -1 && selected < count ? selected : 0);
    list.setUpdatesEnabled(true);
}

// Each line of Text cut to the label's width, ending in "..." where it is longer.
QString Elided(const QLabel& label, const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = label.fontMetrics().elidedText(line, Qt::ElideRight, label.width());
    return lines.join(QLatin1Char('\n'));
}

template <class Collection>
std::vector<std::string> NamesOf(const Collection& collection) {
    std::vector<std::string> names;
    for (const auto& item : collection)
        names.push_back(item.Name());
    return names;
}

// Item's position in Collection; -1 for none.
template <class Collection, class Item>
int PositionOf(const Collection& collection, const Item* item) {
    int position = 0;
    for (const auto& each : collection) {
        if (&each == item)
            return position;
        ++position;
    }
    return -1;
}

// The applier's question, after what the undo is and which settings it leaves alone.
class TUndoConfirmation final : public IConfirmation {
public:
    explicit TUndoConfirmation(const TApplyUndo& undo) : undo_(undo) {}
    virtual ~TUndoConfirmation() = default;
    bool Confirm(const std::string& question) override {
        std::string text = undo_.Title() + "\n\n";
        if (!undo_.LeftAlone().empty()) {
            text += "Left alone:\n";
            for (const std::string& line : undo_.LeftAlone())
                text += line + "\n";
            text += "\n";
        }
        return TMessageBoxes::AskYesNo(ToQString(text + question));
    }

private:
    const TApplyUndo& undo_;
};

const QString ExportFilter = QStringLiteral("Prolamo configurations (*.txt);;All files (*)");

} // namespace

TfrmMain::TfrmMain()
    : mmn(new QMenuBar(this)), lblConfigurations(new QLabel(Client())), cmbConfigurations(new QComboBox(Client())),
      lblProfile(new QLabel(Client())), cmbProfiles(new QComboBox(Client())), imgAdmin(new TClickLabel(Client())),
      FEmptySettings(std::make_unique<TSettings>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(ProductName));
    SetHelpKeyword(QStringLiteral("html/index.htm"));
    SetClientSize(336, 236);
    bvlDialog->setGeometry(8, 8, 320, 189);
    actCancel->setText(QStringLiteral("&Close"));
    // Alt+H opens the Help menu.
    actHelp->setText(QStringLiteral("H&elp"));
    btnOK->hide();

    const QString configurations = QStringLiteral("Configurations");
    const QString profiles = QStringLiteral("Profiles");
    actConfigurationNew = NewAction("actConfigurationNew", configurations, QStringLiteral("&New configuration"),
                                    QStringLiteral("New configuration"), 0);
    actConfigurationEdit = NewAction("actConfigurationEdit", configurations, QStringLiteral("&Edit configuration"),
                                     QStringLiteral("Edit configuration"), 1);
    actConfigurationDel = NewAction("actConfigurationDel", configurations, QStringLiteral("&Delete configuration"),
                                    QStringLiteral("Delete configuration"), 2);
    actProfileNew = NewAction("actProfileNew", profiles, QStringLiteral("&New profile"),
                              QStringLiteral("New profile"), 0);
    actProfileEdit = NewAction("actProfileEdit", profiles, QStringLiteral("&Edit profile"),
                               QStringLiteral("Edit profile"), 1);
    actProfileDel = NewAction("actProfileDel", profiles, QStringLiteral("&Delete profile"),
                              QStringLiteral("Delete profile"), 2);
    actProfileRefresh = NewAction("actProfileRefresh", profiles, QStringLiteral("&Refresh profile"),
                                  QStringLiteral("Refresh profile"), 5);
    actProfileApply = NewAction("actProfileApply", profiles, QStringLiteral("&Apply profile"),
                                QStringLiteral("Apply profile"), 6);
    actProfilePreview = NewAction("actProfilePreview", profiles, QStringLiteral("&What will change..."),
                                  QStringLiteral("What an apply of the profile would change"), -1);
    actProfileUndoApply = NewAction("actProfileUndoApply", profiles, QStringLiteral("&Undo last apply"),
                                    QStringLiteral("Put back what the machine held before the last apply"), 8);
    actProfileUndoRefresh = NewAction("actProfileUndoRefresh", profiles, QStringLiteral("Undo last re&fresh"),
                                      QStringLiteral("Put back the values the last refresh replaced"), 8);
    actProfileHistory = NewAction("actProfileHistory", profiles, QStringLiteral("&History..."),
                                  QStringLiteral("The kept snapshots, and an undo to one of them"), -1);
    actConfigurationExport = NewAction("actConfigurationExport", configurations,
                                       QStringLiteral("&Export configuration..."),
                                       QStringLiteral("Save the configuration with its profiles as text"), -1);
    actConfigurationImport = NewAction("actConfigurationImport", configurations,
                                       QStringLiteral("&Import configurations..."),
                                       QStringLiteral("Add the configurations of an exported text"), -1);
    OnChange(actConfigurationNew, &TfrmMain::actConfigurationNewExecute, TDataUse::SaveAfter);
    OnChange(actConfigurationEdit, &TfrmMain::actConfigurationEditExecute, TDataUse::SaveAfter);
    OnChange(actConfigurationDel, &TfrmMain::actConfigurationDelExecute, TDataUse::SaveAfter);
    OnChange(actProfileNew, &TfrmMain::actProfileNewExecute, TDataUse::SaveAfter);
    OnChange(actProfileEdit, &TfrmMain::actProfileEditExecute, TDataUse::SaveAfter);
    OnChange(actProfileDel, &TfrmMain::actProfileDelExecute, TDataUse::SaveAfter);
    OnChange(actProfileRefresh, &TfrmMain::actProfileRefreshExecute, TDataUse::LockedThroughout);
    OnChange(actProfileApply, &TfrmMain::actProfileApplyExecute, TDataUse::LockedThroughout);
    OnExecute(actProfilePreview, &TfrmMain::actProfilePreviewExecute);
    OnChange(actProfileUndoApply, &TfrmMain::actProfileUndoApplyExecute, TDataUse::LockedThroughout);
    OnChange(actProfileUndoRefresh, &TfrmMain::actProfileUndoRefreshExecute, TDataUse::LockedThroughout);
    OnExecute(actProfileHistory, &TfrmMain::actProfileHistoryExecute);
    OnExecute(actConfigurationExport, &TfrmMain::actConfigurationExportExecute);
    OnChange(actConfigurationImport, &TfrmMain::actConfigurationImportExecute, TDataUse::SaveAfter);

    lblConfigurations->setObjectName(QStringLiteral("lblConfigurations"));
    lblConfigurations->setText(QStringLiteral("Configuration (e.g. \"Network settings\")"));
    lblConfigurations->move(16, 16);
    lblConfigurations->adjustSize();
    lblConfigurations->setBuddy(cmbConfigurations);
    cmbConfigurations->setObjectName(QStringLiteral("cmbConfigurations"));
    cmbConfigurations->setGeometry(16, 35, 304, 21);
    connect(cmbConfigurations, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbConfigurationsChange(); }); });
    tbrConfigurations = NewToolBar("tbrConfigurations", QRect(16, 62, 305, 22), Qt::Horizontal);
    AddToolButton(tbrConfigurations, "tbnNewConfiguration", actConfigurationNew);
    AddToolButton(tbrConfigurations, "btnEditConfiguration", actConfigurationEdit);
    AddToolButton(tbrConfigurations, "btnDelConfiguration", actConfigurationDel);
    new TToolBarTabStop(tbrConfigurations);
    tbrConfigurations->setAccessibleName(QStringLiteral("Configuration actions"));

    lblProfile->setObjectName(QStringLiteral("lblProfile"));
    lblProfile->setText(QStringLiteral("Configuration profile (e.g. \"Network settings at home\")"));
    lblProfile->move(32, 90);
    lblProfile->adjustSize();
    lblProfile->setBuddy(cmbProfiles);
    cmbProfiles->setObjectName(QStringLiteral("cmbProfiles"));
    cmbProfiles->setGeometry(32, 109, 288, 21);
    tbrProfiles = NewToolBar("tbrProfiles", QRect(32, 136, 290, 22), Qt::Horizontal);
    // Refresh replaces the profile's values: the other buttons stand between it and Apply.
    AddToolButton(tbrProfiles, "btnApplyProfile", actProfileApply);
    tbrProfiles->addSeparator()->setObjectName(QStringLiteral("sep3"));
    AddToolButton(tbrProfiles, "btnProfileNew", actProfileNew);
    AddToolButton(tbrProfiles, "btnProfileEdit", actProfileEdit);
    AddToolButton(tbrProfiles, "btnProfileDel", actProfileDel);
    tbrProfiles->addSeparator()->setObjectName(QStringLiteral("sep1"));
    AddToolButton(tbrProfiles, "btnProfileRefresh", actProfileRefresh);
    new TToolBarTabStop(tbrProfiles);
    tbrProfiles->setAccessibleName(QStringLiteral("Profile actions"));
    SetWindowShortcut(actProfileNew, QKeySequence::New);
    SetWindowShortcut(actProfileDel, QKeySequence::Delete);
    SetWindowShortcut(actProfileRefresh, QKeySequence(Qt::Key_F5));

    lblInForce = new QLabel(Client());
    lblInForce->setObjectName(QStringLiteral("lblInForce"));
    lblInForce->setGeometry(16, 164, 304, 28);
    lblInForce->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInForce->setAccessibleName(QStringLiteral("Profile in force"));
    FInForce = new TInForceCheck(*this);
    connect(FInForce, &TInForceCheck::TextChanged, this, &TfrmMain::ShowInForce);

    imgAdmin->setObjectName(QStringLiteral("imgAdmin"));
    imgAdmin->setGeometry(8, 204, 24, 24);
    imgAdmin->setPixmap(PicturePixmap(QStringLiteral("admin"), 24, devicePixelRatioF()));
    imgAdmin->setCursor(Qt::PointingHandCursor);
    imgAdmin->hide();
    connect(imgAdmin, &TClickLabel::clicked, this, &TfrmMain::imgAdminClick);

    stbMain = new QStatusBar(this);
    stbMain->setObjectName(QStringLiteral("stbMain"));
    stbMain->setSizeGripEnabled(false);
    lblStatus = new QLabel(stbMain);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    stbMain->addWidget(lblStatus, 1);
    SetStatusBar(stbMain);

    BuildMenu();
    setTabOrder(cmbConfigurations, tbrConfigurations);
    setTabOrder(tbrConfigurations, cmbProfiles);
    setTabOrder(cmbProfiles, tbrProfiles);
    setTabOrder(tbrProfiles, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    FormCreate();
    OpenDataFile();
    FillConfigurations();
    SetApplicationMainWindow(this);
    UpdateActions();

    // What other programs write shows within a second; a look at the file's stamp costs little.
    tmrDataFile = new QTimer(this);
    tmrDataFile->setObjectName(QStringLiteral("tmrDataFile"));
    connect(tmrDataFile, &QTimer::timeout, this, &TfrmMain::SynchronizeDataFile);
    tmrDataFile->start(1000);
}

TfrmMain::~TfrmMain() {
    if (ApplicationMainWindow() == this)
        SetApplicationMainWindow(nullptr);
}

void TfrmMain::BuildMenu() {
    mmn->setObjectName(QStringLiteral("mmn"));
    miFile = mmn->addMenu(QStringLiteral("&File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    AddMenuItem(miFile, "miExport", actConfigurationExport);
    AddMenuItem(miFile, "miImport", actConfigurationImport);
    miFile->addSeparator()->setObjectName(QStringLiteral("N2"));
    AddMenuItem(miFile, "miCancel", actCancel);
    miConfigurations = mmn->addMenu(QStringLiteral("C&onfigurations"));
    miConfigurations->setObjectName(QStringLiteral("miConfigurations"));
    AddMenuItem(miConfigurations, "miConfigAdd", actConfigurationNew);
    AddMenuItem(miConfigurations, "miConfigEdit", actConfigurationEdit);
    AddMenuItem(miConfigurations, "miConfigDel", actConfigurationDel);
    miProfiles = mmn->addMenu(QStringLiteral("&Profiles"));
    miProfiles->setObjectName(QStringLiteral("miProfiles"));
    AddMenuItem(miProfiles, "miProfileNew", actProfileNew);
    AddMenuItem(miProfiles, "miProfileEdit", actProfileEdit);
    AddMenuItem(miProfiles, "miProfileDel", actProfileDel);
    miProfiles->addSeparator()->setObjectName(QStringLiteral("N1"));
    AddMenuItem(miProfiles, "miProfileRefresh", actProfileRefresh);
    AddMenuItem(miProfiles, "miProfileApply", actProfileApply);
    AddMenuItem(miProfiles, "miProfilePreview", actProfilePreview);
    miProfiles->addSeparator()->setObjectName(QStringLiteral("N3"));
    AddMenuItem(miProfiles, "miProfileUndoApply", actProfileUndoApply);
    AddMenuItem(miProfiles, "miProfileUndoRefresh", actProfileUndoRefresh);
    AddMenuItem(miProfiles, "miProfileHistory", actProfileHistory);
    miHelp = mmn->addMenu(QStringLiteral("&Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    AddMenuItem(miHelp, "mniContents", actHelp)->setStatusTip(QStringLiteral("Show Help"));
    miHelp->addSeparator()->setObjectName(QStringLiteral("sep2"));
    miAbout = miHelp->addAction(QStringLiteral("&About"));
    miAbout->setObjectName(QStringLiteral("miAbout"));
    connect(miAbout, &QAction::triggered, this, [this] { RunGuarded([this] { miAboutClick(); }); });
    SetMenuBar(mmn);
}

void TfrmMain::FormCreate() {
    const TRightsCase rightsCase = CurrentRightsCase();
    const QString text = QString::fromStdString(RightsCaseText(rightsCase));
    imgAdmin->setToolTip(text);
    imgAdmin->setAccessibleDescription(text);
    imgAdmin->setVisible(rightsCase != TRightsCase::Administrator);
}

void TfrmMain::OpenDataFile() {
    FDataFile = std::make_unique<TSharedDataFile>(DataFilePath());
    const TDataFileLock lock = FDataFile->Lock();
    try {
        FDataFile->Open(lock);
    } catch (const std::exception& e) {
        throw Exception("The data file " + FDataFile->Path() + " cannot be read: " + e.what() +
                        "\n\nIt was left as it is; \"prolamo-cli datafile dump\" shows how far it can be read. " +
                        ProductName + " will close.");
    }
    if (!FDataFile->HistoryError().empty())
        // The program works on; the history refuses changes, so applies stop before they write.
        TMessageBoxes::ShowError(ToQString("The history file " + History().FileName() + " cannot be read: " +
                                           FDataFile->HistoryError() + "\n\nIt was left as it is; nothing can be "
                                           "applied or undone until it is mended or removed."));
    // An old history file that could not be taken over was set aside.
    else if (!History().Notice().empty())
        TMessageBoxes::ShowError(ToQString(History().Notice()));
}

void TfrmMain::OnChange(QAction* action, void (TfrmMain::*handler)(QAction*), TDataUse use) {
    connect(action, &QAction::triggered, this, [this, action, handler, use] {
        RunChange(use, [this, action, handler] { (this->*handler)(action); });
    });
}

namespace {

// Counts a change while it runs: the timer leaves the data file alone meanwhile.
class TChanging {
public:
    explicit TChanging(int& count) : count_(++count) {}
    ~TChanging() { --count_; }
    TChanging(const TChanging&) = delete;
    TChanging& operator=(const TChanging&) = delete;

private:
    int& count_;
};

} // namespace

bool TfrmMain::RunChange(TDataUse use, const std::function<void()>& work) {
    const TChanging changing(FChanging);
    std::optional<TDataFileLock> lock;
    // The action starts from what the file holds now; a dialog waiting for the user holds no lock.
    if (!RunGuarded([&] {
            if (use == TDataUse::LockedThroughout || NeedsSynchronizing())
                lock.emplace(FDataFile->Lock());
            if (NeedsSynchronizing())
                Synchronize(*lock);
        }))
        return false;
    if (use == TDataUse::SaveAfter)
        lock.reset();
    const bool worked = RunGuarded(work);
    RunGuarded([&] { SaveChange(lock); });
    UpdateActions();
    return worked;
}

bool TfrmMain::RunAutomaticChange(const std::function<void()>& work) {
    const TChanging changing(FChanging);
    std::optional<TDataFileLock> lock;
    try {
        lock.emplace(FDataFile->Path());
    } catch (const EDataFileLocked&) {
        return false;
    }
    if (NeedsSynchronizing())
        Synchronize(*lock);
    // What Work changed is saved also when it raises.
    const auto save = qScopeGuard([&] {
        RunGuarded([&] { SaveChange(lock); });
        UpdateActions();
    });
    work();
    return true;
}

void TfrmMain::SaveChange(std::optional<TDataFileLock>& lock) {
    FUnsaved = true;
    if (lock) {
        FDataFile->HistoryWritten(*lock);
    } else {
        try {
            lock.emplace(FDataFile->Lock());
        } catch (const EDataFileLocked& e) {
            throw Exception(std::string(e.what()) + ".\n\nYour changes are kept in this window and saved as soon as "
                            "the data file is free.");
        }
    }
    Synchronize(*lock);
}

void TfrmMain::SynchronizeDataFile() {
    if (FChanging > 0 || QApplication::activeModalWidget() || !NeedsSynchronizing())
        return;
    try {
        const TDataFileLock lock(FDataFile->Path());
        Synchronize(lock);
        FLastSyncError.clear();
    } catch (const EDataFileLocked&) {
        // Another program is at it; the next look comes soon.
    } catch (const std::exception& e) {
        if (e.what() != FLastSyncError) {
            FLastSyncError = e.what();
            TMessageBoxes::ShowError(ToQString(FLastSyncError));
        }
    }
}

bool TfrmMain::NeedsSynchronizing() const { return FUnsaved || FDataFile->ChangedOutside(); }

void TfrmMain::SaveBeforeEnd() {
    if (FUnsaved)
        RunGuarded([this] { Synchronize(FDataFile->Lock()); });
}

void TfrmMain::Synchronize(const TDataFileLock& lock) {
    const std::string configuration = ToUtf8(cmbConfigurations->currentText());
    const std::string profile = ToUtf8(cmbProfiles->currentText());
    TSyncReport report;
    try {
        report = FDataFile->Synchronize(lock);
        FUnsaved = false;
    } catch (const std::exception& e) {
        FUnsaved = true;
        throw Exception("The data file " + FDataFile->Path() + " cannot be read or saved: " + e.what() +
                        "\n\nYour changes are kept in this window and saved as soon as it can be.");
    }
    if (report.tookIn) {
        TConfiguration* selected = GetConfigurationList().Find(configuration);
        FillConfigurations(selected);
        FillProfiles(selected ? selected->Profiles().Find(profile) : nullptr);
        UpdateActions();
    }
    if (!report.conflicts.empty()) {
        std::string text;
        for (const std::string& conflict : report.conflicts)
            text += (text.empty() ? "" : "\n") + conflict;
        TMessageBoxes::ShowError(ToQString(text));
    }
}

TConfigurationsCollection& TfrmMain::GetConfigurationList() const {
    return GetConfigurationsRoot().Configurations();
}

TConfiguration* TfrmMain::GetSelectedConfiguration() const {
    const int index = cmbConfigurations->currentIndex();
    TConfigurationsCollection& list = GetConfigurationList();
    return index < 0 || static_cast<std::size_t>(index) >= list.Count() ? nullptr : &list[index];
}

TConfigurationProfile* TfrmMain::GetSelectedProfile() const {
    const int index = cmbProfiles->currentIndex();
    TConfiguration* configuration = GetSelectedConfiguration();
    if (index < 0 || !configuration || static_cast<std::size_t>(index) >= configuration->Profiles().Count())
        return nullptr;
    return &configuration->Profiles()[index];
}

TConfigurationProfiles& TfrmMain::GetCurrentProfiles() const {
    TConfiguration* configuration = GetSelectedConfiguration();
    return configuration ? configuration->Profiles() : FEmptySettings->Profiles();
}

void TfrmMain::FillConfigurations(const TConfiguration* selected) {
    FillList(*cmbConfigurations, NamesOf(GetConfigurationList()), PositionOf(GetConfigurationList(), selected));
}

void TfrmMain::FillProfiles(const TConfigurationProfile* selected) {
    FillList(*cmbProfiles, NamesOf(GetCurrentProfiles()), PositionOf(GetCurrentProfiles(), selected));
    // Whatever refills the lists may have changed the profiles' values.
    RecheckInForce();
}

void TfrmMain::cmbConfigurationsChange() {
    cmbProfiles->setCurrentIndex(-1);
    FillProfiles();
}

bool TfrmMain::EditConfiguration(TConfiguration& configuration, const TConfiguration* original) {
    TfrmEditConfiguration editor(configuration, GetConfigurationList(), original);
    return editor.exec() == QDialog::Accepted;
}

bool TfrmMain::EditProfile(TConfigurationProfile& profile, const TConfigurationProfile* original) {
    TfrmEditProfile editor(profile, History(), *GetSelectedConfiguration(), original);
    return editor.exec() == QDialog::Accepted;
}

void TfrmMain::UpdateActions() {
    TfrmBeveledDlg::UpdateActions();
    actConfigurationNewUpdate();
    actConfigurationEditUpdate();
    actConfigurationDelUpdate();
    actProfileNewUpdate();
    actProfileEditUpdate();
    actProfileDelUpdate();
    actProfileRefreshUpdate();
    actProfileApplyUpdate();
    actConfigurationExportUpdate();
    actProfileUndoApplyUpdate();
    actProfileUndoRefreshUpdate();
    ObeyUserConfigurationsPolicy();
    actProfilePreview->setEnabled(actProfileApply->isEnabled());
    // Applies and undos from anywhere (tray, progress windows, editor) change the last apply.
    FInForce->Follow(History(), GetSelectedConfiguration());
    cmbConfigurations->setEnabled(cmbConfigurations->count() > 0);
    cmbProfiles->setEnabled(cmbProfiles->count() > 0);
    if (windowTitle() != ApplicationTitle())
        setWindowTitle(ApplicationTitle());
}

// Read at every update, so that a change of the policy shows while the program runs.
void TfrmMain::ObeyUserConfigurationsPolicy() {
    const bool locked = ReadPolicy(PolicyAllowUserConfigurations).number == 0;
    const QString why =
        locked ? tr("Your organisation's policy does not let you create, edit or delete configurations.") : QString();
    actConfigurationImport->setEnabled(!locked);
    for (QAction* action : {actConfigurationNew, actConfigurationEdit, actConfigurationDel, actConfigurationImport,
                            actProfileNew, actProfileEdit, actProfileDel, actProfileRefresh, actProfileUndoRefresh}) {
        if (locked)
            action->setEnabled(false);
        action->setToolTip(why);
    }
}

void TfrmMain::actConfigurationNewUpdate() { actConfigurationNew->setEnabled(true); }

void TfrmMain::actConfigurationEditUpdate() { actConfigurationEdit->setEnabled(cmbConfigurations->count() > 0); }

void TfrmMain::actConfigurationDelUpdate() { actConfigurationDel->setEnabled(cmbConfigurations->currentIndex() >= 0); }

void TfrmMain::actProfileNewUpdate() { actProfileNew->setEnabled(cmbConfigurations->count() > 0); }

void TfrmMain::actProfileEditUpdate() { actProfileEdit->setEnabled(cmbProfiles->count() > 0); }

void TfrmMain::actProfileDelUpdate() { actProfileDel->setEnabled(cmbProfiles->count() > 0); }

void TfrmMain::actProfileRefreshUpdate() { actProfileRefresh->setEnabled(cmbProfiles->count() > 0); }

void TfrmMain::actProfileApplyUpdate() { actProfileApply->setEnabled(cmbProfiles->count() > 0); }

void TfrmMain::actConfigurationExportUpdate() {
    actConfigurationExport->setEnabled(GetSelectedConfiguration() != nullptr);
}

void TfrmMain::actProfileUndoApplyUpdate() {
    const TProfileSnapshot* snapshot = History().Newest({TSnapshotKind::Apply, TSnapshotKind::Undo});
    actProfileUndoApply->setEnabled(snapshot != nullptr);
    actProfileUndoApply->setStatusTip(snapshot ? ToQString("Undo " + snapshot->Description())
                                               : actProfileUndoApply->property("hint").toString());
}

void TfrmMain::actProfileUndoRefreshUpdate() {
    actProfileUndoRefresh->setEnabled(History().Newest({TSnapshotKind::Refresh}) != nullptr);
}

void TfrmMain::actConfigurationNewExecute(QAction*) {
    std::unique_ptr<TConfiguration> configuration = GetConfigurationList().NewConfiguration();
    if (!EditConfiguration(*configuration, nullptr))
        return;
    // The new one is shown, so that the profile actions work on it.
    FillConfigurations(&GetConfigurationList().Add(std::move(configuration)));
}

void TfrmMain::actConfigurationEditExecute(QAction*) {
    TConfiguration* selected = GetSelectedConfiguration();
    if (!selected)
        return;
    auto copy = std::make_unique<TConfiguration>();
    copy->Assign(*selected);
    if (!EditConfiguration(*copy, selected))
        return;
    selected->Assign(*copy);
    // The end of a batch re-sorts the collection by name.
    GetConfigurationList().BeginUpdate();
    GetConfigurationList().EndUpdate();
    FillConfigurations(selected);
}

void TfrmMain::actConfigurationDelExecute(QAction*) {
    TConfiguration* selected = GetSelectedConfiguration();
    if (!selected || !ConfirmDelete(selected->Name()))
        return;
    GetConfigurationList().Extract(*selected).reset();
    FillConfigurations();
}

void TfrmMain::actProfileNewExecute(QAction*) {
    std::unique_ptr<TConfigurationProfile> profile = GetCurrentProfiles().NewProfile();
    if (!EditProfile(*profile, nullptr))
        return;
    FillProfiles(&GetCurrentProfiles().Add(std::move(profile)));
}

void TfrmMain::actProfileEditExecute(QAction*) {
    TConfigurationProfile* selected = GetSelectedProfile();
    if (!selected)
        return;
    auto copy = std::make_unique<TConfigurationProfile>();
    copy->Assign(*selected);
    if (!EditProfile(*copy, selected))
        return;
    selected->Assign(*copy);
    GetCurrentProfiles().BeginUpdate();
    GetCurrentProfiles().EndUpdate();
    FillProfiles(selected);
}

void TfrmMain::actProfileDelExecute(QAction*) {
    TConfigurationProfile* selected = GetSelectedProfile();
    if (!selected || !ConfirmDelete(selected->Name()))
        return;
    GetCurrentProfiles().Extract(*selected).reset();
    FillProfiles();
}

void TfrmMain::ShowStatus(const std::string& text) {
    // The window keeps its width: a long text ends in "..." and shows whole as the tip.
    const QString full = ToQString(text);
    lblStatus->setToolTip(full);
    lblStatus->setText(Elided(*lblStatus, full));
}

void TfrmMain::RecheckInForce() { FInForce->Restart(History(), GetSelectedConfiguration()); }

void TfrmMain::ShowInForce() {
    const QString text = FInForce->Text();
    lblInForce->setText(Elided(*lblInForce, text));
    lblInForce->setToolTip(text);
    lblInForce->setAccessibleDescription(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

QString TfrmMain::StatusText() const { return lblStatus->toolTip(); }

void TfrmMain::SelectProfile(const TConfiguration& configuration, const TConfigurationProfile& profile) {
    FillConfigurations(&configuration);
    FillProfiles(&profile);
}

std::unique_ptr<TGUIProgressSender> TfrmMain::UndoableSender() {
    return std::make_unique<TGUIProgressSender>([this] {
        // The actions have not been updated since the run disabled this window.
        UpdateActions();
        actProfileUndoApply->trigger();
    });
}

void TfrmMain::actProfileRefreshExecute(QAction*) {
    TConfigurationProfile* profile = GetSelectedProfile();
    if (!profile || !ConfirmRefresh(*profile, {}))
        return;
    const TRefreshReport report = RefreshWithHistory(History(), *GetSelectedConfiguration(), *profile);
    RecheckInForce();
    ShowStatus(report.Text());
    if (report.failed)
        throw Exception(report.error);
}

void TfrmMain::actProfileUndoRefreshExecute(QAction*) {
    const TRefreshUndo undo = UndoRefresh(History(), GetConfigurationsRoot());
    FillConfigurations(undo.configuration);
    FillProfiles(undo.profile);
    ShowStatus(undo.text);
}

void TfrmMain::actProfileApplyExecute(QAction*) {
    TConfigurationProfile* profile = GetSelectedProfile();
    if (!profile)
        return;
    TApplySnapshotter snapshotter(History(), *GetSelectedConfiguration());
    TPreviewConfirmation confirmation(*profile);
    TProfileApplier applier(UndoableSender(), confirmation);
    applier.SetGuard(&snapshotter);
    applier.ApplyProfile(*profile);
    if (applier.Report().confirmed) {
        ShowStatus(applier.Report().Summary());
        RecheckInForce();
    }
}

void TfrmMain::actProfilePreviewExecute(QAction*) {
    if (const TConfigurationProfile* profile = GetSelectedProfile()) {
        TfrmPreview preview(*profile, this);
        if (preview.exec() == QDialog::Accepted)
            actProfileApply->trigger();
    }
}

void TfrmMain::actProfileUndoApplyExecute(QAction*) { UndoApply(nullptr); }

void TfrmMain::actProfileHistoryExecute(QAction*) {
    TfrmHistory window(History(), this);
    if (window.exec() != QDialog::Accepted)
        return;
    // Under the lock the history may be read again: the snapshot is found by its key.
    const std::int64_t key = window.Chosen()->Key();
    RunChange(TDataUse::LockedThroughout, [this, key] {
        TProfileSnapshot* chosen = History().Find(key);
        if (!chosen)
            throw Exception("The chosen snapshot is no longer in the history: another program removed it.");
        UndoApply(chosen);
    });
}

void TfrmMain::UndoApply(TProfileSnapshot* chosen) {
    TApplyUndo undo(History(), GetConfigurationsRoot(), chosen);
    // An undo of an undo gives the apply back once; that one has nothing to undo.
    const bool undoable = undo.Snapshot().Kind() == TSnapshotKind::Apply;
    TUndoConfirmation confirmation(undo);
    const TApplyReport report =
        undo.Run(undoable ? UndoableSender() : std::make_unique<TGUIProgressSender>(), confirmation);
    if (report.confirmed) {
        ShowStatus(report.Summary());
        RecheckInForce();
    }
}

void TfrmMain::actConfigurationExportExecute(QAction*) {
    const TConfiguration* configuration = GetSelectedConfiguration();
    if (!configuration)
        return;
    const std::optional<QString> file = TFileDialogs::GetSaveFileName(
        ToQString(configuration->Name() + ".txt"), ToQString(TOsHelper::GetSpecialFolder(os::CsidlPersonal)),
        ExportFilter);
    if (!file)
        return;
    WriteTextFile(*file, ExportConfigurations({configuration}));
    ShowStatus("Exported " + configuration->Name() + " to " + ToUtf8(QDir::toNativeSeparators(*file)));
}

void TfrmMain::actConfigurationImportExecute(QAction*) {
    const std::optional<QString> file = TFileDialogs::GetOpenFileName(
        QString(), ToQString(TOsHelper::GetSpecialFolder(os::CsidlPersonal)), ExportFilter);
    if (!file)
        return;
    const std::unique_ptr<TConfigurations> imported = ReadExport(ReadTextFile(*file, MaxTextSize));
    if (const std::string cautions = ImportCautions(*imported);
        !cautions.empty() &&
        !TMessageBoxes::AskYesNo(ToQString(cautions + "\n\n" + ImportQuestion), {}, QMessageBox::No))
        return;
    std::vector<std::string> names;
    try {
        names = ImportConfigurations(GetConfigurationsRoot(), *imported, false);
    } catch (const EImportConflict& e) {
        if (!TMessageBoxes::AskYesNo(ToQString(e.Message()) + QStringLiteral("\n\nImport it under a new name?")))
            return;
        names = ImportConfigurations(GetConfigurationsRoot(), *imported, true);
    }
    if (names.empty())
        return;
    FillConfigurations(GetConfigurationList().Find(names.front()));
    std::string text = "Imported";
    for (const std::string& name : names)
        text += (&name == &names.front() ? " " : ", ") + name;
    ShowStatus(text);
}

void TfrmMain::DoCancel(QAction* action) {
    // While a progress window has disabled this window, it cannot be closed.
    if (isEnabled())
        TfrmBeveledDlg::DoCancel(action);
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    // Escape never ends the program: with the tray on it hides the window, as its close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (findChild<TTrayIcon*>())
            reject();
        return;
    }
    TfrmBeveledDlg::keyPressEvent(event);
}

void TfrmMain::miAboutClick() {
    TfrmAbout about;
    about.exec();
}

void TfrmMain::imgAdminClick() { ShowHelpTopic(QStringLiteral("html/security.htm"), this); }

void TfrmMain::AttachSwitching(TDesktopSwitching& switching) {
    FSwitching = &switching;
    miSwitching = new QMenu(QStringLiteral("&Switching"), mmn);
    miSwitching->setObjectName(QStringLiteral("miSwitching"));
    mmn->insertMenu(miHelp->menuAction(), miSwitching);
    miRules = miSwitching->addAction(QStringLiteral("&Rules..."));
    miRules->setObjectName(QStringLiteral("miRules"));
    miRules->setStatusTip(QStringLiteral("The rules that apply a profile by the network the computer is on"));
    connect(miRules, &QAction::triggered, this, [this] { RunGuarded([this] { miRulesClick(); }); });
    miPauseSwitching = miSwitching->addAction(QStringLiteral("&Pause automatic switching"));
    miPauseSwitching->setObjectName(QStringLiteral("miPauseSwitching"));
    miPauseSwitching->setCheckable(true);
    connect(miPauseSwitching, &QAction::triggered, this, [this](bool paused) { miPauseSwitchingClick(paused); });

    stbSwitching = new QStatusBar(this);
    stbSwitching->setObjectName(QStringLiteral("stbSwitching"));
    stbSwitching->setSizeGripEnabled(false);
    lblSwitching = new QLabel(stbSwitching);
    lblSwitching->setObjectName(QStringLiteral("lblSwitching"));
    stbSwitching->addWidget(lblSwitching, 1);
    SetStatusBar(stbSwitching);
    connect(&switching, &TDesktopSwitching::StateChanged, this, &TfrmMain::ShowSwitchingState);
    ShowSwitchingState();
}

void TfrmMain::ShowSwitchingState() {
    // As wide as the window: a long line ends in "..." and shows whole as the tip.
    const QString state = FSwitching->StateText();
    lblSwitching->setToolTip(state);
    lblSwitching->setText(lblSwitching->fontMetrics().elidedText(state, Qt::ElideRight, ClientSize().width() - 16));
    miPauseSwitching->setChecked(FSwitching->Paused());
}

void TfrmMain::miRulesClick() {
    TfrmRules rules(*FSwitching, this);
    rules.exec();
}

void TfrmMain::miPauseSwitchingClick(bool paused) { FSwitching->SetPaused(paused); }

int RunProlamo(bool startInTray) {
    std::unique_ptr<TSingleInstance> instance;
    std::unique_ptr<TfrmMain> main;
    bool handedOver = false;
    const bool created = RunGuarded([&] {
        const QString folder = QFileInfo(ToQString(DataFilePath())).absolutePath();
        instance = std::make_unique<TSingleInstance>(folder);
        if (!instance->TryRun()) {
            // Started with the session while already running: nothing to show.
            if (!startInTray) {
                os::Session().AllowForegroundHandover();
                instance->AskToShow();
            }
            handedOver = true;
            return;
        }
        main = std::make_unique<TfrmMain>();
    });
    if (handedOver)
        return 0;
    if (!created) {
        // A file that could not be read stays as it is on disk.
        main.reset();
        FreePersistentData();
        return 1;
    }
    SetApplicationTitle(main->windowTitle());
    // The program's only loop runs as long as the window; no modality, so that the progress
    // windows of its runs stay usable.
    QEventLoop loop;
    // The window owns both.
    auto* switching = new TDesktopSwitching(*main);
    main->AttachSwitching(*switching);
    const TTrayIcon* tray = TTrayIcon::Available() ? new TTrayIcon(*main, *switching) : nullptr;
    QObject::connect(main.get(), &QDialog::finished, &loop, [&loop, tray] {
        if (!tray || tray->Quitting())
            loop.quit();
    });
    QObject::connect(instance.get(), &TSingleInstance::showRequested, main.get(), [&main] {
        main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
        main->show();
        main->raise();
        main->activateWindow();
    });
    // The session's end: on Windows its messages reach the windows and Qt asks for the data and
    // quits every loop; here it comes as a signal, looked for a few times a second.
    const auto saveBeforeEnd = [&main] { main->SaveBeforeEnd(); };
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, main.get(), saveBeforeEnd);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, main.get(), saveBeforeEnd);
    os::Session().CatchEndRequests();
    QTimer tmrEndRequest;
    QObject::connect(&tmrEndRequest, &QTimer::timeout, [&] {
        if (os::Session().EndRequested())
            QCoreApplication::exit(0); // every loop, also those of open dialogs
    });
    tmrEndRequest.start(250);
    if (!(tray && startInTray))
        main->show();
    loop.exec();
    main->SaveBeforeEnd();
    main.reset();
    // Progress windows that the user left open go with the application; gathered first, since
    // each takes its own top-level menu with it.
    QList<TfrmProgress*> progressWindows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TfrmProgress*>(window))
            progressWindows << progress;
    qDeleteAll(progressWindows);
    FreePersistentData();
    return 0;
}

} // namespace prolamo
