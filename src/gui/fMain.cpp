#include "fMain.h"

#include "classes/uHelpers.h"
#include "classes/uPolicy.h"
#include "fAbout.h"
#include "fEditConfiguration.h"
#include "fEditProfile.h"
#include "fHistory.h"
#include "fPreview.h"
#include "fProgress.h"
#include "fRules.h"
#include "fTray.h"
#include "framework/Exceptions.h"
#include "framework/StreamText.h"
#include "os/Files.h"
#include "os/Folders.h"
#include "os/Session.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uServiceClient.h"
#include "switching/uManaged.h"
#include "switching/uSwitchRules.h"
#include "uDesktopSwitching.h"
#include "uGUIUtils.h"
#include "uInForce.h"
#include "uPictures.h"
#include "uProfileStates.h"
#include "uSingleInstance.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
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
#include <QVBoxLayout>

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

template <class Collection> std::vector<std::string> NamesOf(const Collection& collection) {
    std::vector<std::string> names;
    for (const auto& item : collection)
        names.push_back(item.Name());
    return names;
}

// Item's position in Collection; -1 for none.
template <class Collection, class Item> int PositionOf(const Collection& collection, const Item* item) {
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
            text += ToUtf8(QCoreApplication::translate("prolamo::TfrmMain", "Left alone:")) + "\n";
            for (const std::string& line : undo_.LeftAlone())
                text += line + "\n";
            text += "\n";
        }
        return TMessageBoxes::AskYesNo(ToQString(text + question));
    }

private:
    const TApplyUndo& undo_;
};

// A saved placement is a few dozen bytes; anything larger is not one.
constexpr std::uint64_t MaxPlacementSize = 4096;

QString ExportFilter() {
    return QCoreApplication::translate("prolamo::TfrmMain", "Prolamo configurations (*.txt);;All files (*)");
}

} // namespace

TfrmMain::TfrmMain()
    : mmn(new QMenuBar(this)), lblConfigurations(new QLabel(Client())), cmbConfigurations(new QComboBox(Client())),
      lblProfile(new QLabel(Client())), cmbProfiles(new QComboBox(Client())), lblSettings(new QLabel(Client())),
      lvwSettings(new TProfileStates(
          *imlImages, [this] { return Managed(); }, Client())),
      imgAdmin(new TClickLabel(Client())), FEmptySettings(std::make_unique<TSettings>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(ProductName));
    SetHelpKeyword(QStringLiteral("html/index.htm"));
    resize(420, 460);
    actCancel->setText(tr("&Close"));
    // Alt+H opens the Help menu.
    actHelp->setText(tr("H&elp"));
    btnOK->hide();

    const QString configurations = QStringLiteral("Configurations");
    const QString profiles = QStringLiteral("Profiles");
    actConfigurationNew =
        NewAction("actConfigurationNew", configurations, tr("&New configuration"), tr("New configuration"), 0);
    actConfigurationEdit =
        NewAction("actConfigurationEdit", configurations, tr("&Edit configuration"), tr("Edit configuration"), 1);
    actConfigurationDel =
        NewAction("actConfigurationDel", configurations, tr("&Delete configuration"), tr("Delete configuration"), 2);
    actProfileNew = NewAction("actProfileNew", profiles, tr("&New profile"), tr("New profile"), 0);
    actProfileEdit = NewAction("actProfileEdit", profiles, tr("&Edit profile"), tr("Edit profile"), 1);
    actProfileDel = NewAction("actProfileDel", profiles, tr("&Delete profile"), tr("Delete profile"), 2);
    actProfileRefresh = NewAction("actProfileRefresh", profiles, tr("&Refresh profile"), tr("Refresh profile"), 5);
    actProfileApply = NewAction("actProfileApply", profiles, tr("&Apply profile"), tr("Apply profile"), 6);
    actProfilePreview = NewAction("actProfilePreview", profiles, tr("&What will change..."),
                                  tr("What an apply of the profile would change"), -1);
    actProfileUndoApply = NewAction("actProfileUndoApply", profiles, tr("&Undo last apply"),
                                    tr("Put back what the machine held before the last apply"), 8);
    actProfileUndoRefresh = NewAction("actProfileUndoRefresh", profiles, tr("Undo last re&fresh"),
                                      tr("Put back the values the last refresh replaced"), 8);
    actProfileHistory = NewAction("actProfileHistory", profiles, tr("&History..."),
                                  tr("The kept snapshots, and an undo to one of them"), -1);
    actConfigurationExport = NewAction("actConfigurationExport", configurations, tr("&Export configuration..."),
                                       tr("Save the configuration with its profiles as text"), -1);
    actConfigurationImport = NewAction("actConfigurationImport", configurations, tr("&Import configurations..."),
                                       tr("Add the configurations of an exported text"), -1);
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
    lblConfigurations->setText(tr("Configuration (e.g. \"Network settings\")"));
    lblConfigurations->setBuddy(cmbConfigurations);
    cmbConfigurations->setObjectName(QStringLiteral("cmbConfigurations"));
    connect(cmbConfigurations, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbConfigurationsChange(); }); });
    tbrConfigurations = NewToolBar("tbrConfigurations", Qt::Horizontal);
    AddToolButton(tbrConfigurations, "tbnNewConfiguration", actConfigurationNew);
    AddToolButton(tbrConfigurations, "btnEditConfiguration", actConfigurationEdit);
    AddToolButton(tbrConfigurations, "btnDelConfiguration", actConfigurationDel);
    new TToolBarTabStop(tbrConfigurations);
    tbrConfigurations->setAccessibleName(tr("Configuration actions"));

    lblProfile->setObjectName(QStringLiteral("lblProfile"));
    lblProfile->setText(tr("Configuration profile (e.g. \"Network settings at home\")"));
    lblProfile->setBuddy(cmbProfiles);
    cmbProfiles->setObjectName(QStringLiteral("cmbProfiles"));
    connect(cmbProfiles, &QComboBox::currentIndexChanged, this, [this] { ShowProfileStates(); });
    tbrProfiles = NewToolBar("tbrProfiles", Qt::Horizontal);
    // Refresh replaces the profile's values: the other buttons stand between it and Apply.
    AddToolButton(tbrProfiles, "btnApplyProfile", actProfileApply);
    tbrProfiles->addSeparator()->setObjectName(QStringLiteral("sep3"));
    AddToolButton(tbrProfiles, "btnProfileNew", actProfileNew);
    AddToolButton(tbrProfiles, "btnProfileEdit", actProfileEdit);
    AddToolButton(tbrProfiles, "btnProfileDel", actProfileDel);
    tbrProfiles->addSeparator()->setObjectName(QStringLiteral("sep1"));
    AddToolButton(tbrProfiles, "btnProfileRefresh", actProfileRefresh);
    new TToolBarTabStop(tbrProfiles);
    tbrProfiles->setAccessibleName(tr("Profile actions"));
    SetWindowShortcut(actProfileNew, QKeySequence::New);
    SetWindowShortcut(actProfileDel, QKeySequence::Delete);
    SetWindowShortcut(actProfileRefresh, QKeySequence(Qt::Key_F5));

    lblSettings->setObjectName(QStringLiteral("lblSettings"));
    lblSettings->setText(tr("Se&ttings of the profile, and what an apply would do"));
    lblSettings->setBuddy(lvwSettings);
    lblSettings->setWordWrap(true);
    lvwSettings->setObjectName(QStringLiteral("lvwSettings"));
    BindListActions(lvwSettings, actProfileEdit, {actProfileEdit, actProfileApply, actProfilePreview});

    lblInForce = new QLabel(Client());
    lblInForce->setObjectName(QStringLiteral("lblInForce"));
    lblInForce->setWordWrap(true);
    lblInForce->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInForce->setAccessibleName(tr("Profile in force"));
    FInForce = new TInForceCheck(*this, [this] { return Managed(); });
    connect(FInForce, &TInForceCheck::TextChanged, this, &TfrmMain::ShowInForce);

    BuildWelcome();

    auto* profileBox = new QVBoxLayout();
    // Indented under the configuration the profiles belong to.
    profileBox->setContentsMargins(16, 0, 0, 0);
    for (QWidget* widget : std::initializer_list<QWidget*>{lblProfile, cmbProfiles, tbrProfiles, lblSettings})
        profileBox->addWidget(widget);
    profileBox->addWidget(lvwSettings, 1);
    auto* body = new QVBoxLayout(bvlDialog);
    for (QWidget* widget : std::initializer_list<QWidget*>{lblConfigurations, cmbConfigurations, tbrConfigurations})
        body->addWidget(widget);
    body->addLayout(profileBox, 1);
    body->addWidget(pnlWelcome, 1);
    body->addWidget(lblInForce);

    imgAdmin->setObjectName(QStringLiteral("imgAdmin"));
    imgAdmin->setPixmap(PicturePixmap(QStringLiteral("admin"), 24, devicePixelRatioF()));
    imgAdmin->setCursor(Qt::PointingHandCursor);
    imgAdmin->hide();
    connect(imgAdmin, &TClickLabel::clicked, this, &TfrmMain::imgAdminClick);
    ButtonRow()->insertWidget(0, imgAdmin);
    // What the user's rights mean for an apply, in words beside the picture.
    lblRights = new QLabel(Client());
    lblRights->setObjectName(QStringLiteral("lblRights"));
    ButtonRow()->insertWidget(1, lblRights, 1);

    stbMain = new QStatusBar(this);
    stbMain->setObjectName(QStringLiteral("stbMain"));
    stbMain->setSizeGripEnabled(false);
    lblStatus = new TElidedLabel(stbMain);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    stbMain->addWidget(lblStatus, 1);
    SetStatusBar(stbMain);

    BuildMenu();
    setTabOrder(cmbConfigurations, tbrConfigurations);
    setTabOrder(tbrConfigurations, cmbProfiles);
    setTabOrder(cmbProfiles, tbrProfiles);
    setTabOrder(tbrProfiles, lvwSettings);
    setTabOrder(lvwSettings, btnWelcomeNew);
    setTabOrder(btnWelcomeNew, btnWelcomeImport);
    setTabOrder(btnWelcomeImport, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    FormCreate();
    OpenDataFile();
    LoadManaged();
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
    miFile = mmn->addMenu(tr("&File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    AddMenuItem(miFile, "miExport", actConfigurationExport);
    AddMenuItem(miFile, "miImport", actConfigurationImport);
    miFile->addSeparator()->setObjectName(QStringLiteral("N2"));
    AddMenuItem(miFile, "miCancel", actCancel);
    miConfigurations = mmn->addMenu(tr("C&onfigurations"));
    miConfigurations->setObjectName(QStringLiteral("miConfigurations"));
    AddMenuItem(miConfigurations, "miConfigAdd", actConfigurationNew);
    AddMenuItem(miConfigurations, "miConfigEdit", actConfigurationEdit);
    AddMenuItem(miConfigurations, "miConfigDel", actConfigurationDel);
    miProfiles = mmn->addMenu(tr("&Profiles"));
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
    miHelp = mmn->addMenu(tr("&Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    AddMenuItem(miHelp, "mniContents", actHelp)->setStatusTip(tr("Show Help"));
    miHelp->addSeparator()->setObjectName(QStringLiteral("sep2"));
    miAbout = miHelp->addAction(tr("&About"));
    miAbout->setObjectName(QStringLiteral("miAbout"));
    connect(miAbout, &QAction::triggered, this, [this] { RunGuarded([this] { miAboutClick(); }); });
    SetMenuBar(mmn);
}

void TfrmMain::FormCreate() {
    ShowRights();
    LoadPlacement();
}

void TfrmMain::ShowRights() {
    const TRightsCase rightsCase = CurrentRightsCase();
    const QString text = ToQString(RightsCaseText(rightsCase));
    imgAdmin->setToolTip(text);
    imgAdmin->setAccessibleDescription(text);
    imgAdmin->setVisible(rightsCase != TRightsCase::Administrator);
    lblRights->setText(ToQString(RightsCaseTitle(rightsCase)));
    lblRights->setToolTip(text);
    lblRights->setAccessibleDescription(text);
}

void TfrmMain::BuildWelcome() {
    pnlWelcome = new QFrame(Client());
    pnlWelcome->setObjectName(QStringLiteral("pnlWelcome"));
    lblWelcome = new QLabel(pnlWelcome);
    lblWelcome->setObjectName(QStringLiteral("lblWelcome"));
    lblWelcome->setWordWrap(true);
    lblWelcome->setText(
        tr("Welcome. A configuration names settings of this computer that you switch together, such as the "
           "network settings; each of its profiles keeps their values for one place, such as at home or at the "
           "office.\n\nTo begin, make a new configuration, or import one that was exported on another computer."));
    btnWelcomeNew = NewButton(pnlWelcome, "btnWelcomeNew");
    BindButton(*btnWelcomeNew, *actConfigurationNew);
    btnWelcomeImport = NewButton(pnlWelcome, "btnWelcomeImport");
    BindButton(*btnWelcomeImport, *actConfigurationImport);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(btnWelcomeNew);
    buttons->addWidget(btnWelcomeImport);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(pnlWelcome);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblWelcome);
    layout->addLayout(buttons);
    layout->addStretch(1);
    pnlWelcome->hide();
}

void TfrmMain::ShowWelcome() {
    // The first steps, until there is a configuration whose profiles can be shown.
    const bool empty = GetConfigurationList().Count() == 0;
    const bool welcomeHadFocus = pnlWelcome->isAncestorOf(focusWidget());
    pnlWelcome->setVisible(empty);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{lblProfile, cmbProfiles, tbrProfiles, lblSettings, lvwSettings})
        widget->setVisible(!empty);
    // The toolkit would pass the focus on to Close, where the next Enter ends the program; the
    // list takes it once the update has enabled it.
    if (welcomeHadFocus && !empty) {
        UpdateActions();
        cmbConfigurations->setFocus();
    }
}

void TfrmMain::ShowProfileStates() {
    lvwSettings->Show(GetSelectedConfiguration(), GetSelectedProfile());
}

std::string TfrmMain::PlacementFilePath() {
    return BesideDataFile(".window");
}

void TfrmMain::LoadPlacement() {
    // The file is the user's and may hold anything: restoreGeometry refuses what is not its own
    // form, and keeps the window on a screen there is now. A missing file leaves the first size.
    std::vector<std::uint8_t> content;
    if (os::Files().ReadWholeFile(PlacementFilePath(), &content, MaxPlacementSize) != os::ErrorSuccess)
        return;
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray(reinterpret_cast<const char*>(content.data()), static_cast<qsizetype>(content.size())).trimmed(),
        QByteArray::AbortOnBase64DecodingErrors);
    if (decoded)
        restoreGeometry(*decoded);
}

void TfrmMain::SavePlacement() {
    // Where the window was is worth no message: a placement that cannot be saved is given up.
    const QByteArray text = saveGeometry().toBase64() + '\n';
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.constData()),
                                              static_cast<std::size_t>(text.size()));
    os::Files().WriteFileReplacing(PlacementFilePath(), bytes);
}

void TfrmMain::hideEvent(QHideEvent* event) {
    SavePlacement();
    TfrmBeveledDlg::hideEvent(event);
}

void TfrmMain::OpenDataFile() {
    FDataFile = std::make_unique<TSharedDataFile>(DataFilePath());
    const TDataFileLock lock = FDataFile->Lock();
    try {
        FDataFile->Open(lock);
    } catch (const std::exception& e) {
        throw Exception(
            ToUtf8(tr("The data file %1 cannot be read: %2\n\nIt was left as it is; \"prolamo-cli "
                      "datafile dump\" shows how far it can be read. %3 will close.")
                       .arg(ToQString(FDataFile->Path()), ToQString(e.what()), QLatin1String(ProductName))));
    }
    if (!FDataFile->HistoryError().empty())
        // The program works on; the history refuses changes, so applies stop before they write.
        TMessageBoxes::ShowError(tr("The history file %1 cannot be read: %2\n\nIt was left as it is; nothing can be "
                                    "applied or undone until it is mended or removed.")
                                     .arg(ToQString(History().FileName()), ToQString(FDataFile->HistoryError())));
    // An old history file that could not be taken over was set aside.
    else if (!History().Notice().empty())
        TMessageBoxes::ShowError(ToQString(History().Notice()));
}

void TfrmMain::OnChange(QAction* action, void (TfrmMain::*handler)(QAction*), TDataUse use) {
    connect(action, &QAction::triggered, this,
            [this, action, handler, use] { RunChange(use, [this, action, handler] { (this->*handler)(action); }); });
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
            throw Exception(ToUtf8(tr("%1.\n\nYour changes are kept in this window and saved as soon as the data "
                                      "file is free.")
                                       .arg(ToQString(e.what()))));
        }
    }
    Synchronize(*lock);
}

void TfrmMain::SynchronizeDataFile() {
    if (FChanging > 0 || QApplication::activeModalWidget())
        return;
    try {
        // A new file named by the policy; its objects back the lists, so not during an action.
        if (FPolicies.Read(PolicyManagedConfigurations).text != FManagedPath)
            ReloadLists(ToUtf8(cmbConfigurations->currentText()), ToUtf8(cmbProfiles->currentText()),
                        SelectedIsManaged());
        if (!NeedsSynchronizing())
            return;
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

bool TfrmMain::NeedsSynchronizing() const {
    return FUnsaved || FDataFile->ChangedOutside();
}

void TfrmMain::SaveBeforeEnd() {
    if (isVisible())
        SavePlacement();
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
        throw Exception(ToUtf8(tr("The data file %1 cannot be read or saved: %2\n\nYour changes are kept in this "
                                  "window and saved as soon as it can be.")
                                   .arg(ToQString(FDataFile->Path()), ToQString(e.what()))));
    }
    if (report.tookIn)
        ReloadLists(configuration, profile, SelectedIsManaged());
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
    if (index < 0)
        return nullptr;
    if (static_cast<std::size_t>(index) < list.Count())
        return &list[index];
    const std::size_t managed = static_cast<std::size_t>(index) - list.Count();
    return FManaged && managed < FManaged->Configurations().Count() ? &FManaged->Configurations()[managed] : nullptr;
}

bool TfrmMain::SelectedIsManaged() const {
    return static_cast<std::size_t>(cmbConfigurations->currentIndex()) >= GetConfigurationList().Count() &&
           GetSelectedConfiguration() != nullptr;
}

void TfrmMain::ReloadLists(const std::string& configuration, const std::string& profile, bool managed) {
    LoadManaged();
    TConfiguration* selected = managed && FManaged ? FManaged->Configurations().Find(configuration)
                                                   : GetConfigurationList().Find(configuration);
    FillConfigurations(selected);
    FillProfiles(selected ? selected->Profiles().Find(profile) : nullptr);
    UpdateActions();
}

void TfrmMain::LoadManaged() {
    FManagedPath = FPolicies.Read(PolicyManagedConfigurations).text;
    TManagedConfigurations loaded = LoadManagedConfigurations();
    FManaged = std::move(loaded.configurations);
    if (loaded.warning != FManagedWarning && !loaded.warning.empty())
        ShowStatus(loaded.warning);
    FManagedWarning = loaded.warning;
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
    std::vector<std::string> names = NamesOf(GetConfigurationList());
    const int own = static_cast<int>(names.size());
    int position = PositionOf(GetConfigurationList(), selected);
    if (FManaged) {
        if (const int managed = PositionOf(FManaged->Configurations(), selected); managed >= 0)
            position = own + managed;
        const std::vector<std::string> managedNames = NamesOf(FManaged->Configurations());
        names.insert(names.end(), managedNames.begin(), managedNames.end());
    }
    FillList(*cmbConfigurations, names, position);
    const QString mark = tr("Managed by your organisation");
    for (int i = own; i < cmbConfigurations->count(); ++i) {
        cmbConfigurations->setItemIcon(i, PictureIcon(QStringLiteral("managed")));
        cmbConfigurations->setItemData(i, mark, Qt::ToolTipRole);
        cmbConfigurations->setItemData(i, mark, Qt::AccessibleDescriptionRole);
    }
    ShowWelcome();
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

bool TfrmMain::UserConfigurationsLocked() {
    return FPolicies.Read(PolicyAllowUserConfigurations).number == 0;
}

// At every update, so that a change of the policy shows while the program runs.
void TfrmMain::ObeyUserConfigurationsPolicy() {
    const bool locked = UserConfigurationsLocked();
    const bool managed = SelectedIsManaged();
    const QString why =
        locked ? tr("Your organisation's policy does not let you create, edit or delete configurations.") : QString();
    actConfigurationImport->setEnabled(!locked);
    for (QAction* action : {actConfigurationNew, actConfigurationEdit, actConfigurationDel, actConfigurationImport,
                            actProfileNew, actProfileEdit, actProfileDel, actProfileRefresh, actProfileUndoRefresh}) {
        if (locked)
            action->setEnabled(false);
        action->setToolTip(why);
    }
    for (QAction* action :
         {actConfigurationEdit, actConfigurationDel, actProfileNew, actProfileEdit, actProfileDel, actProfileRefresh}) {
        if (!managed)
            continue;
        action->setEnabled(false);
        action->setToolTip(tr("Managed by your organisation"));
    }
    const bool ownLocked = locked && !managed;
    if (ownLocked)
        actProfileApply->setEnabled(false);
    actProfileApply->setToolTip(
        ownLocked ? tr("Your organisation's policy lets you apply only the configurations it manages.") : QString());
}

void TfrmMain::actConfigurationNewUpdate() {
    actConfigurationNew->setEnabled(true);
}

void TfrmMain::actConfigurationEditUpdate() {
    actConfigurationEdit->setEnabled(cmbConfigurations->count() > 0);
}

void TfrmMain::actConfigurationDelUpdate() {
    actConfigurationDel->setEnabled(cmbConfigurations->currentIndex() >= 0);
}

void TfrmMain::actProfileNewUpdate() {
    actProfileNew->setEnabled(cmbConfigurations->count() > 0);
}

void TfrmMain::actProfileEditUpdate() {
    actProfileEdit->setEnabled(cmbProfiles->count() > 0);
}

void TfrmMain::actProfileDelUpdate() {
    actProfileDel->setEnabled(cmbProfiles->count() > 0);
}

void TfrmMain::actProfileRefreshUpdate() {
    actProfileRefresh->setEnabled(cmbProfiles->count() > 0);
}

void TfrmMain::actProfileApplyUpdate() {
    actProfileApply->setEnabled(cmbProfiles->count() > 0);
}

void TfrmMain::actConfigurationExportUpdate() {
    actConfigurationExport->setEnabled(GetSelectedConfiguration() != nullptr);
}

void TfrmMain::actProfileUndoApplyUpdate() {
    const TProfileSnapshot* snapshot = History().Newest({TSnapshotKind::Apply, TSnapshotKind::Undo});
    actProfileUndoApply->setEnabled(snapshot != nullptr);
    actProfileUndoApply->setStatusTip(snapshot ? tr("Undo %1").arg(ToQString(snapshot->Description()))
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
    if (!selected || SelectedIsManaged() || !ConfirmDelete(selected->Name()))
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
    lblStatus->SetFullText(ToQString(text));
}

void TfrmMain::RecheckInForce() {
    FInForce->Restart(History(), GetSelectedConfiguration());
    ShowProfileStates();
}

void TfrmMain::ShowInForce() {
    const QString text = FInForce->Text();
    lblInForce->setText(text);
    lblInForce->setToolTip(text);
    lblInForce->setAccessibleDescription(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

QString TfrmMain::StatusText() const {
    return lblStatus->FullText();
}

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

void TfrmMain::actProfileUndoApplyExecute(QAction*) {
    UndoApply(nullptr);
}

void TfrmMain::actProfileHistoryExecute(QAction*) {
    TfrmHistory window(History(), this);
    if (window.exec() != QDialog::Accepted)
        return;
    // Under the lock the history may be read again: the snapshot is found by its key.
    const std::int64_t key = window.Chosen()->Key();
    RunChange(TDataUse::LockedThroughout, [this, key] {
        TProfileSnapshot* chosen = History().Find(key);
        if (!chosen)
            throw Exception(ToUtf8(tr("The chosen snapshot is no longer in the history: another program removed it.")));
        UndoApply(chosen);
    });
}

void TfrmMain::UndoApply(TProfileSnapshot* chosen) {
    TApplyUndo undo(History(), GetConfigurationsRoot(), chosen, FManaged.get());
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
    const std::optional<QString> file =
        TFileDialogs::GetSaveFileName(ToQString(configuration->Name() + ".txt"),
                                      ToQString(TOsHelper::GetSpecialFolder(os::CsidlPersonal)), ExportFilter());
    if (!file)
        return;
    WriteTextFile(*file, ExportConfigurations({configuration}));
    ShowStatus(ToUtf8(tr("Exported %1 to %2").arg(ToQString(configuration->Name()), QDir::toNativeSeparators(*file))));
}

void TfrmMain::actConfigurationImportExecute(QAction*) {
    const std::optional<QString> file = TFileDialogs::GetOpenFileName(
        QString(), ToQString(TOsHelper::GetSpecialFolder(os::CsidlPersonal)), ExportFilter());
    if (!file)
        return;
    const std::string text = ReadTextFile(*file, MaxTextSize);
    std::unique_ptr<TConfigurations> imported;
    try {
        imported = ReadExport(text);
    } catch (const Exception& e) {
        // The reader's message says where the text went wrong, not which file or what to do.
        throw Exception(ToUtf8(tr("The file %1 cannot be imported:\n%2\n\nChoose a file that \"Export "
                                  "configuration...\" saved; nothing was imported.")
                                   .arg(QDir::toNativeSeparators(*file), ToQString(e.Message()))));
    }
    if (const std::string cautions = ImportCautions(*imported);
        !cautions.empty() && !TMessageBoxes::AskYesNo(ToQString(cautions) + QStringLiteral("\n\n") +
                                                          ToQString(Translated("Engine", ImportQuestion)),
                                                      {}, QMessageBox::No))
        return;
    std::vector<std::string> names;
    try {
        names = ImportConfigurations(GetConfigurationsRoot(), *imported, false);
    } catch (const EImportConflict& e) {
        if (!TMessageBoxes::AskYesNo(ToQString(e.Message()) + tr("\n\nImport it under a new name?")))
            return;
        names = ImportConfigurations(GetConfigurationsRoot(), *imported, true);
    }
    if (names.empty())
        return;
    FillConfigurations(GetConfigurationList().Find(names.front()));
    QStringList taken;
    for (const std::string& name : names)
        taken << ToQString(name);
    ShowStatus(ToUtf8(tr("Imported %1").arg(taken.join(QStringLiteral(", ")))));
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

void TfrmMain::changeEvent(QEvent* event) {
    TfrmBeveledDlg::changeEvent(event);
    // The switching service may have been started or stopped while the user was elsewhere.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ShowRights();
}

void TfrmMain::miAboutClick() {
    TfrmAbout about;
    about.exec();
}

void TfrmMain::imgAdminClick() {
    ShowHelpTopic(QStringLiteral("html/security.htm"), this);
}

void TfrmMain::AttachSwitching(TDesktopSwitching& switching) {
    FSwitching = &switching;
    miSwitching = new QMenu(tr("&Switching"), mmn);
    miSwitching->setObjectName(QStringLiteral("miSwitching"));
    mmn->insertMenu(miHelp->menuAction(), miSwitching);
    miRules = miSwitching->addAction(tr("&Rules..."));
    miRules->setObjectName(QStringLiteral("miRules"));
    miRules->setStatusTip(tr("The rules that apply a profile by the network the computer is on"));
    connect(miRules, &QAction::triggered, this, [this] { RunGuarded([this] { miRulesClick(); }); });
    miPauseSwitching = miSwitching->addAction(tr("&Pause automatic switching"));
    miPauseSwitching->setObjectName(QStringLiteral("miPauseSwitching"));
    miPauseSwitching->setCheckable(true);
    connect(miPauseSwitching, &QAction::triggered, this, [this](bool paused) { miPauseSwitchingClick(paused); });

    stbSwitching = new QStatusBar(this);
    stbSwitching->setObjectName(QStringLiteral("stbSwitching"));
    stbSwitching->setSizeGripEnabled(false);
    lblSwitching = new TElidedLabel(stbSwitching);
    lblSwitching->setObjectName(QStringLiteral("lblSwitching"));
    stbSwitching->addWidget(lblSwitching, 1);
    SetStatusBar(stbSwitching);
    connect(&switching, &TDesktopSwitching::StateChanged, this, &TfrmMain::ShowSwitchingState);
    ShowSwitchingState();
}

void TfrmMain::ShowSwitchingState() {
    lblSwitching->SetFullText(FSwitching->StateText());
    miPauseSwitching->setChecked(FSwitching->Paused());
}

void TfrmMain::miRulesClick() {
    TfrmRules rules(*FSwitching, this);
    rules.exec();
}

void TfrmMain::miPauseSwitchingClick(bool paused) {
    FSwitching->SetPaused(paused);
}

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
