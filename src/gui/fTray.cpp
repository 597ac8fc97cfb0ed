#include "fTray.h"

#include "fMain.h"
#include "uDesktopSwitching.h"
#include "uGUIUtils.h"
#include "uPictures.h"

#include "os/StartupEntry.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QSystemTrayIcon>

namespace prolamo {

namespace {

QString StartCommand() {
    return QStringLiteral("\"%1\" %2")
        .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()), QLatin1String(StartInTrayArgument));
}

} // namespace

TTrayIcon::TTrayIcon(TfrmMain& main, TDesktopSwitching& switching)
    : QObject(&main), trayIcon(new QSystemTrayIcon(ProgramIcon(), this)), mnuTray(new QMenu()),
      miUndoApply(new QAction(tr("Undo last apply"), this)), miRules(new QAction(tr("Switching rules..."), this)),
      miPause(new QAction(tr("Pause automatic switching"), this)),
      miShowMain(new QAction(tr("Show main window"), this)),
      miStartWithSession(new QAction(tr("Start with the session"), this)), miQuit(new QAction(tr("Quit"), this)),
      main_(main), switching_(switching) {
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    mnuTray->setToolTipsVisible(true);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    miUndoApply->setObjectName(QStringLiteral("miUndoApply"));
    miRules->setObjectName(QStringLiteral("miRules"));
    miPause->setObjectName(QStringLiteral("miPause"));
    miShowMain->setObjectName(QStringLiteral("miShowMain"));
    miStartWithSession->setObjectName(QStringLiteral("miStartWithSession"));
    miQuit->setObjectName(QStringLiteral("miQuit"));
    miPause->setCheckable(true);
    miStartWithSession->setCheckable(true);

    connect(miUndoApply, &QAction::triggered, this, [this] { main_.actProfileUndoApply->trigger(); });
    // Opened from the main window, whose menu has it too.
    connect(miRules, &QAction::triggered, this, [this] { main_.miRules->trigger(); });
    connect(miPause, &QAction::triggered, this, [this](bool paused) { miPauseClick(paused); });
    connect(miShowMain, &QAction::triggered, this, [this] { ShowMain(); });
    connect(miStartWithSession, &QAction::triggered, this,
            [this](bool enabled) { RunGuarded([this, enabled] { miStartWithSessionClick(enabled); }); });
    connect(miQuit, &QAction::triggered, this, [this] {
        quitting_ = true;
        main_.done(QDialog::Rejected);
    });
    connect(mnuTray, &QMenu::aboutToShow, this, [this] { FillMenu(); });
    connect(trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            ShowMain();
    });
    connect(trayIcon, &QSystemTrayIcon::messageClicked, this, [this] { ShowMain(); });
    connect(&switching_, &TDesktopSwitching::StateChanged, this, [this] {
        miPause->setChecked(switching_.Paused());
        trayIcon->setToolTip(ToolTip());
    });
    connect(&switching_, &TDesktopSwitching::Applied, this, [this](const QString& summary) {
        trayIcon->showMessage(tr("Prolamo"), summary + tr("\nChoose \"Undo last apply\" in this menu to undo it."));
    });

    firstFixed_ = mnuTray->addSeparator();
    mnuTray->addAction(miUndoApply);
    mnuTray->addAction(miRules);
    mnuTray->addAction(miPause);
    mnuTray->addSeparator();
    mnuTray->addAction(miShowMain);
    mnuTray->addAction(miStartWithSession);
    mnuTray->addAction(miQuit);
    trayIcon->setContextMenu(mnuTray);
    FillMenu();
    trayIcon->show();
}

TTrayIcon::~TTrayIcon() {
    delete mnuTray;
}

namespace {

std::optional<bool>& AvailableForTests() {
    static std::optional<bool> available;
    return available;
}

} // namespace

bool TTrayIcon::Available() {
    return AvailableForTests().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TTrayIcon::SetAvailableForTests(std::optional<bool> available) {
    AvailableForTests() = available;
}

std::string TTrayIcon::LastApplied(const TConfiguration& configuration) const {
    const TProfileSnapshot* applied =
        main_.History().NewestApply(GetConfigurationsRoot(), configuration, main_.Managed());
    return applied ? applied->Profile() : std::string();
}

QString TTrayIcon::ToolTip() const {
    QString tip = tr("Prolamo");
    const auto add = [&](const TConfiguration& configuration, const QString& mark) {
        if (const std::string profile = LastApplied(configuration); !profile.empty())
            tip += QStringLiteral("\n%1%2: %3").arg(ToQString(configuration.Name()), mark, ToQString(profile));
    };
    for (const TConfiguration& configuration : GetConfigurationsRoot().Configurations())
        add(configuration, QString());
    if (const TConfigurations* managed = main_.Managed())
        for (const TConfiguration& configuration : managed->Configurations())
            add(configuration, QStringLiteral(" (%1)").arg(tr("Managed by your organisation")));
    return tip;
}

void TTrayIcon::FillMenu() {
    for (QAction* action : mnuTray->actions()) {
        if (action == firstFixed_)
            break;
        mnuTray->removeAction(action);
        delete action->menu();
    }
    const bool ownLocked = main_.UserConfigurationsLocked();
    for (const TConfiguration& configuration : GetConfigurationsRoot().Configurations())
        AddConfiguration(configuration, false, ownLocked);
    if (const TConfigurations* managed = main_.Managed())
        for (const TConfiguration& configuration : managed->Configurations())
            AddConfiguration(configuration, true, false);
    miUndoApply->setEnabled(main_.actProfileUndoApply->isEnabled());
    miPause->setChecked(switching_.Paused());
    miStartWithSession->setChecked(StartsWithSession());
    trayIcon->setToolTip(ToolTip());
}

void TTrayIcon::AddConfiguration(const TConfiguration& configuration, bool managed, bool locked) {
    auto* menu = new QMenu(ToQString(configuration.Name()), mnuTray);
    menu->setObjectName(QStringLiteral("mnuConfiguration"));
    menu->setToolTipsVisible(true);
    if (managed) {
        const QString mark = tr("Managed by your organisation");
        menu->setIcon(PictureIcon(QStringLiteral("managed")));
        menu->menuAction()->setToolTip(mark);
        menu->setAccessibleDescription(mark);
    }
    const std::string applied = LastApplied(configuration);
    for (const TConfigurationProfile& profile : configuration.Profiles()) {
        QAction* item = menu->addAction(ToQString(profile.Name()));
        item->setCheckable(true);
        item->setChecked(profile.Name() == applied);
        item->setEnabled(!locked);
        if (locked)
            item->setToolTip(tr("Your organisation's policy lets you apply only the configurations it manages."));
        // Applied through the main window, with its question, progress window and the policy's
        // say. Found by name: what another program wrote may have been read since the menu was
        // filled.
        connect(item, &QAction::triggered, this,
                [this, managed, configurationName = configuration.Name(), profileName = profile.Name()] {
                    TConfigurations* root = managed ? main_.Managed() : &GetConfigurationsRoot();
                    TConfiguration* chosen = root ? root->Configurations().Find(configurationName) : nullptr;
                    TConfigurationProfile* chosenProfile = chosen ? chosen->Profiles().Find(profileName) : nullptr;
                    if (!chosenProfile)
                        return;
                    main_.SelectProfile(*chosen, *chosenProfile);
                    // Apply follows the selection only at the window's next update.
                    main_.UpdateActions();
                    main_.actProfileApply->trigger();
                    trayIcon->setToolTip(ToolTip());
                });
    }
    mnuTray->insertMenu(firstFixed_, menu);
}

void TTrayIcon::miPauseClick(bool paused) {
    switching_.SetPaused(paused);
}

void TTrayIcon::miStartWithSessionClick(bool enabled) {
    SetStartWithSession(enabled);
    miStartWithSession->setChecked(StartsWithSession());
}

void TTrayIcon::ShowMain() {
    main_.show();
    main_.raise();
    main_.activateWindow();
}

bool StartsWithSession() {
    return os::StartupEntry().Exists();
}

void SetStartWithSession(bool enabled) {
    os::IStartupEntry& entry = os::StartupEntry();
    const os::ErrorCode error = enabled ? entry.Write(ToUtf8(StartCommand())) : entry.Remove();
    if (error == os::ErrorSuccess)
        return;
    const QString text = enabled
                             ? QCoreApplication::translate("prolamo", "The start-up entry %1 cannot be written: %2")
                             : QCoreApplication::translate("prolamo", "The start-up entry %1 cannot be removed: %2");
    throw Exception(
        ToUtf8(text.arg(QString::fromStdString(entry.Place()), QString::fromStdString(os::SystemErrorText(error)))));
}

} // namespace prolamo
