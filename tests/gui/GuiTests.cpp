// The windows driven by their object names, on a workstation and a data file of each test's own.
#include "GuiTestKinds.h"
#include "GuiWorkstation.h"

#include "classes/uDataFileLock.h"
#include "classes/uHelpers.h"
#include "classes/uPersistence.h"
#include "classes/uPolicy.h"
#include "classes/uRegistry.h"
#include "framework/ClassRegistry.h"
#include "gui/fAbout.h"
#include "gui/fEditConfiguration.h"
#include "gui/fEditItems.h"
#include "gui/fEditParameters.h"
#include "gui/fEditProfile.h"
#include "gui/fEditRule.h"
#include "gui/fHistory.h"
#include "gui/fMain.h"
#include "gui/fPreview.h"
#include "gui/fProgress.h"
#include "gui/fRules.h"
#include "gui/fTray.h"
#include "gui/uDesktopSwitching.h"
#include "gui/uGUIUtils.h"
#include "gui/uProfileStates.h"
#include "gui/uSingleInstance.h"
#include "gui/uWindowReport.h"
#include "os/Files.h"
#include "os/Folders.h"
#include "os/Sqlite.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uFileSettings.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uProgramSettings.h"
#include "profiles/uServiceProtocol.h"
#include "profiles/uWinHttpProxySettings.h"
#include "profiles/uWirelessSettings.h"
#include "switching/uSwitchRules.h"
#include "switching/uWatcherLock.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <fstream>
#include <optional>
#include <variant>

using namespace prolamo;
using namespace prolamo::test;

namespace {

void Idle() {
    TfrmBase::IdleAll();
}

// A machine policy value while it lives, as Group Policy writes it; on Windows the system's own.
class TMachinePolicy {
public:
    TMachinePolicy(const char* name, std::int32_t value) : name_(name) { OpenKey()->WriteInteger(name, value); }
    TMachinePolicy(const char* name, const std::string& value) : name_(name) { OpenKey()->WriteString(name, value); }
    ~TMachinePolicy() {
        TRegistry registry;
        registry.SetRootKey(os::HKeyLocalMachine);
        if (registry.OpenKey(PolicyKey, false))
            registry.DeleteValue(name_);
    }
    TMachinePolicy(const TMachinePolicy&) = delete;
    TMachinePolicy& operator=(const TMachinePolicy&) = delete;

private:
    static std::unique_ptr<TRegistry> OpenKey() {
        auto registry = std::make_unique<TRegistry>();
        registry->SetRootKey(os::HKeyLocalMachine);
        if (!registry->OpenKey(PolicyKey, true))
            throw EOSError(registry->LastError());
        return registry;
    }

    const char* name_;
};

// The organisation's file at Path in the export format: Configuration with its profile Office,
// captured from k1 as the test machine holds it now.
os::ErrorCode WriteManagedFile(const std::string& path, const std::string& configuration) {
    TConfigurations made;
    TConfiguration& exported = AddConfiguration(made, configuration, {"k1"});
    TConfigurationProfile& office = exported.Profiles().Add();
    office.SetName("Office");
    office.RefreshAll();
    const std::string text = ExportConfigurations({&exported});
    return os::Files().WriteFileReplacing(path,
                                          std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

QStringList ComboTexts(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.itemText(i);
    return texts;
}

QStringList ListTexts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

QListWidgetItem* ItemWithText(QListWidget& list, const QString& text) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QList<TfrmProgress*> ProgressWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<TfrmProgress*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TfrmProgress*>(widget))
            windows << progress;
    return windows;
}

// Runs Work on the next modal dialog of class Dialog once its loop runs; a missing dialog fails
// the test and closes whatever is modal, so the test cannot hang.
template <class Dialog, class Work> void OnNextModal(Work work) {
    QTimer::singleShot(0, [work] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            QFAIL("the expected modal dialog did not open");
        }
        work(*dialog);
    });
}

// New rule in the rules window: its editor takes the first condition the network offers.
void AddRuleForThisNetwork(TfrmRules& rules) {
    OnNextModal<TfrmEditRule>([](TfrmEditRule& editor) {
        const auto closed = qScopeGuard([&editor] { editor.reject(); });
        editor.mnuNetworkPopup();
        editor.mnuNetwork->actions().value(0)->trigger();
        editor.btnOK->click();
    });
    rules.actRuleNew->trigger();
}

TfrmMain* ShownMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(widget); main && main->isVisible())
            return main;
    return nullptr;
}

// Runs a program of the build, which lies beside this test, on the test's workstation; its exit
// code, or -1 when it did not end by itself.
int RunProgram(const QString& name, const QStringList& arguments) {
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Sets a machine policy to Value (a number or a text), or with none clears it, from another program,
// as an administrator's tool does: prolamo-cli's machine command on the simulated workstation,
// reg.exe on Windows. Its exit code.
int SetPolicyFromOutside(const char* name, std::optional<std::variant<int, std::string>> value) {
    const bool text = value && std::holds_alternative<std::string>(*value);
    const QString written = !value ? QString()
                            : text ? ToQString(std::get<std::string>(*value))
                                   : QString::number(std::get<int>(*value));
#ifdef _WIN32
    QProcess process;
    const QString key = QStringLiteral("HKLM\\%1").arg(QLatin1String(PolicyKey));
    process.start(QStringLiteral("reg"),
                  value
                      ? QStringList{QStringLiteral("add"), key, QStringLiteral("/v"), QLatin1String(name),
                                    QStringLiteral("/t"), text ? QStringLiteral("REG_SZ") : QStringLiteral("REG_DWORD"),
                                    QStringLiteral("/d"), written, QStringLiteral("/f")}
                      : QStringList{QStringLiteral("delete"), key, QStringLiteral("/v"), QLatin1String(name),
                                    QStringLiteral("/f")});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
#else
    return RunProgram(QStringLiteral("prolamo-cli"),
                      value ? QStringList{QStringLiteral("machine"), QStringLiteral("policy"), QStringLiteral("set"),
                                          QLatin1String(name), written}
                            : QStringList{QStringLiteral("machine"), QStringLiteral("policy"), QStringLiteral("clear"),
                                          QLatin1String(name)});
#endif
}

QString DataFolder() {
    return QFileInfo(ToQString(DataFilePath())).absolutePath();
}

// The configurations' names as another program reads them from the data file.
QStringList ConfigurationsInFile(const std::string& path) {
    const TDataFileLock lock(path);
    TPersistentData file;
    file.SetSaveOnFree(false);
    file.Load(path);
    QStringList names;
    for (TComponent* component : file.Components())
        if (auto* root = dynamic_cast<TConfigurations*>(component))
            for (const TConfiguration& configuration : root->Configurations())
                names << ToQString(configuration.Name());
    return names;
}

// A profile of Configuration that holds what the machine holds now.
TConfigurationProfile& AddCapturedProfile(TConfiguration& configuration, const std::string& name) {
    TConfigurationProfile& profile = configuration.Profiles().Add();
    profile.SetName(name);
    profile.RefreshAll();
    return profile;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The control that holds the focus; a toolbar that is one tab stop for any of its buttons.
QWidget* FocusStop() {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* parent = focus; parent; parent = parent->parentWidget())
        if (auto* toolbar = qobject_cast<QToolBar*>(parent); toolbar && toolbar->focusPolicy() != Qt::NoFocus)
            return toolbar;
    return focus;
}

QString Described(const QWidget* widget) {
    return widget ? QStringLiteral("%1 %2").arg(QLatin1String(widget->metaObject()->className()), widget->objectName())
                  : QStringLiteral("nothing");
}

QStringList Described(const QList<QWidget*>& widgets) {
    QStringList described;
    for (const QWidget* widget : widgets)
        described << Described(widget);
    return described;
}

// Walks shown Window by Tab alone from the first control of Order until the focus comes back:
// the stops are Order's enabled, visible controls in Order's order, and every enabled control
// that Tab can focus is among them.
void CheckTabWalk(QWidget& window, const QList<QWidget*>& order) {
    QApplication::setActiveWindow(&window);
    order.first()->setFocus();
    QList<QWidget*> walked;
    do {
        walked << FocusStop();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (FocusStop() != walked.first() && walked.size() <= order.size());
    QList<QWidget*> expected;
    for (QWidget* widget : order)
        if (widget->isEnabled() && widget->isVisibleTo(&window))
            expected << widget;
    QVERIFY2(Described(walked) == Described(expected),
             qPrintable(QStringLiteral("walked: ") + Described(walked).join(QStringLiteral(", ")) +
                        QStringLiteral("\nexpected: ") + Described(expected).join(QStringLiteral(", "))));
    for (QWidget* widget : window.findChildren<QWidget*>())
        if (widget->isEnabled() && widget->isVisibleTo(&window) && (widget->focusPolicy() & Qt::TabFocus))
            QVERIFY2(walked.contains(widget), qPrintable(Described(widget) + QStringLiteral(" is not reached by Tab")));
}

// Every control of Window that takes the focus, by Tab or as a toolbar's button by the arrow keys,
// has an accessible name.
void CheckAccessibleNames(QWidget& window) {
    QStringList unnamed;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QToolButton*>(widget);
        if (((widget->focusPolicy() & Qt::TabFocus) || (button && button->defaultAction())) &&
            widget->accessibleName().trimmed().isEmpty())
            unnamed << Described(widget);
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("Unnamed: ") + unnamed.join(QStringLiteral(", "))));
}

// Every text Root shows, by where it shows it: the window's title, and of each control and action
// below it the caption, tips, accessible name, placeholder, headers, tabs and list entries.
void CollectShownTexts(const QObject& object, const QString& path, QMap<QString, QString>& texts) {
    const auto add = [&](const char* what, const QString& text) {
        if (!text.isEmpty())
            texts.insert(path + QLatin1Char('.') + QLatin1String(what), text);
    };
    const auto addAll = [&](const char* what, const QStringList& list) {
        for (qsizetype i = 0; i < list.size(); ++i)
            add(qPrintable(QStringLiteral("%1%2").arg(QLatin1String(what)).arg(i)), list[i]);
    };
    if (const auto* widget = qobject_cast<const QWidget*>(&object)) {
        if (widget->isWindow())
            add("title", widget->windowTitle());
        add("tip", widget->toolTip());
        add("status", widget->statusTip());
        add("name", widget->accessibleName());
    }
    if (const auto* action = qobject_cast<const QAction*>(&object)) {
        add("text", action->text());
        add("tip", action->toolTip());
        add("status", action->statusTip());
    }
    if (const auto* label = qobject_cast<const QLabel*>(&object))
        add("text", label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(&object))
        add("text", button->text());
    if (const auto* menu = qobject_cast<const QMenu*>(&object))
        add("text", menu->title());
    if (const auto* edit = qobject_cast<const QLineEdit*>(&object))
        add("placeholder", edit->placeholderText());
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(&object))
        add("placeholder", edit->placeholderText());
    if (const auto* tabs = qobject_cast<const QTabBar*>(&object)) {
        QStringList list;
        for (int i = 0; i < tabs->count(); ++i)
            list << tabs->tabText(i);
        addAll("tab", list);
    }
    if (const auto* table = qobject_cast<const QTableWidget*>(&object)) {
        QStringList list;
        for (int i = 0; i < table->columnCount(); ++i)
            if (const QTableWidgetItem* header = table->horizontalHeaderItem(i))
                list << header->text();
        addAll("header", list);
    }
    if (const auto* tree = qobject_cast<const QTreeWidget*>(&object)) {
        QStringList list;
        for (int i = 0; i < tree->columnCount(); ++i)
            list << tree->headerItem()->text(i);
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            for (int i = 0; i < tree->columnCount(); ++i)
                list << tree->topLevelItem(row)->text(i);
        addAll("cell", list);
    }
    if (const auto* list = qobject_cast<const QListWidget*>(&object)) {
        QStringList items;
        for (int row = 0; row < list->count(); ++row)
            items << list->item(row)->text();
        addAll("item", items);
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&object)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        addAll("item", items);
    }
    int index = 0;
    for (const QObject* child : object.children()) {
        const QString name =
            child->objectName().isEmpty()
                ? QStringLiteral("%1#%2").arg(QLatin1String(child->metaObject()->className())).arg(index)
                : child->objectName();
        CollectShownTexts(*child, path + QLatin1Char('/') + name, texts);
        ++index;
    }
}

QMap<QString, QString> ShownTexts(const QWidget& window) {
    QMap<QString, QString> texts;
    CollectShownTexts(window, window.objectName(), texts);
    return texts;
}

} // namespace

class GuiTests : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiWorkstation> workstation_;
    // The editors' history where no main window gives them its own.
    std::unique_ptr<TProfileHistory> history_;

    TConfigurations& Root() { return GetConfigurationsRoot(); }

    // A main window on the data file of this test's machine, shown, after one idle moment.
    std::unique_ptr<TfrmMain> OpenMain() {
        auto main = std::make_unique<TfrmMain>();
        main->show();
        Idle();
        return main;
    }

    // Configuration A with profile Home captured as k1 = "home", the machine moved "away", and a
    // rule that applies Home on the network the workstation is on.
    void MakeHomeRuleAway() {
        TestMachine() = {{"k1", "home"}};
        TConfigurationProfile& home = AddConfiguration(Root(), "A", {"k1"}).Profiles().Add();
        home.SetName("Home");
        home.RefreshAll();
        TestMachine()["k1"] = "away";
        std::ofstream(RulesFilePath()) << "[Home]\nconfiguration = A\nprofile = Home\n"
                                       << workstation_->ConditionOfCurrentNetwork() << "\n";
    }

    // Main's automatic switching, as the program attaches it, with the watcher's times of the test.
    static TDesktopSwitching& AttachSwitching(TfrmMain& main, TWatcherTimes times = {}) {
        TDesktopSwitching::SetTimesForTests(times);
        auto* switching = new TDesktopSwitching(main); // the window owns it
        TDesktopSwitching::SetTimesForTests(std::nullopt);
        main.AttachSwitching(*switching);
        return *switching;
    }

    // Windows' texts made in English and then in German. A text that reads the same in both is left
    // in English, unless it is made of names: the user's, the test kinds' own, and a few words
    // German spells alike.
    struct TShownInBothLanguages {
        QMap<QString, QString> english;
        QMap<QString, QString> german;
        QStringList leftInEnglish;
    };
    static TShownInBothLanguages InBothLanguages(const std::function<QMap<QString, QString>()>& windows) {
        static const QStringList names{
            QStringLiteral("A"),           QStringLiteral("Home"),      QStringLiteral("Test"),
            QStringLiteral("A test kind"), QStringLiteral("Edited"),    QStringLiteral("A kind with an editor"),
            QStringLiteral("Broken"),      QStringLiteral("Dependent"), QStringLiteral("Bare"),
            QStringLiteral("k1"),          QStringLiteral("k2"),        QStringLiteral("warn"),
            QStringLiteral("fine"),        QStringLiteral("changed"),   QStringLiteral("Prolamo"),
            QLatin1String(ProductUrl),     QLatin1String(SupportMail),  QStringLiteral("Name"),
            QStringLiteral("System"),      QStringLiteral("OK")};
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        TShownInBothLanguages shown;
        SetLanguage(QLocale(QLocale::English));
        shown.english = windows();
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        shown.german = windows();
        for (auto it = shown.english.begin(); it != shown.english.end(); ++it) {
            QString rest = WithoutAccelerators(it.value());
            for (const QString& name : names)
                rest.remove(QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(name))));
            if (shown.german.value(it.key()) == it.value() &&
                rest.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}"))))
                shown.leftInEnglish << it.key() + QStringLiteral(": ") + it.value();
        }
        return shown;
    }

    // The log's only line and the title after an apply of Office whose one setting is denied; the
    // window is closed again.
    struct TDeniedApply {
        QString line;
        QString title;
    };
    TDeniedApply ApplyDenied() {
        TestMachine() = {{"k1", "denied"}};
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1"}), "Office");
        auto main = OpenMain();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        TfrmProgress* progress = ProgressWindows().value(0);
        if (progress == nullptr || progress->lvwLog->rowCount() != 1)
            return {};
        TDeniedApply denied{progress->lvwLog->item(0, 0)->text(), progress->windowTitle()};
        progress->close();
        return denied;
    }

    // The help page Window's viewer shows, as its folder and name (html/index.htm, de/index.htm).
    static QString HelpTopicOf(QWidget& window) {
        auto* viewer = window.findChild<THelpViewer*>();
        return viewer ? QDir::fromNativeSeparators(viewer->Topic()).section('/', -2) : QString();
    }

    // What F1 in a new configuration editor shows: the page, its title and the viewer's caption.
    struct TShownHelp {
        QString topic;
        QString title;
        QString caption;
    };
    TShownHelp HelpOfConfigurationEditor() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        QApplication::setActiveWindow(&editor);
        QTest::keyClick(editor.edtName, Qt::Key_F1);
        auto* viewer = editor.findChild<THelpViewer*>();
        if (!viewer)
            return {};
        return {HelpTopicOf(editor), viewer->Browser()->documentTitle(), viewer->windowTitle()};
    }

    // The colour of the first heading of Browser's page, which the help's style sheet sets.
    static QColor HeadingColour(const QTextBrowser& browser) {
        for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next())
            if (block.blockFormat().headingLevel() == 1)
                return block.charFormat().foreground().color();
        return {};
    }

    // The name proposed by the editor of class Editor that NewAction opens; the editor is cancelled.
    template <class Editor> static QString ProposedName(QAction& newAction) {
        QString name;
        OnNextModal<Editor>([&name](Editor& editor) {
            name = editor.edtName->text();
            editor.reject();
        });
        newAction.trigger();
        return name;
    }

    static QWidget& Shown(QWidget& window) {
        window.show();
        Idle();
        return window;
    }

private slots:
    void initTestCase() {
        RegisterGuiTestKinds();
        TMessageBoxes::SetTesting(true);
        TFileDialogs::SetTesting(true);
        InstallFileDialog();
        InstallCheckListDialog();
        InstallParameterDialogs();
    }

    void init() {
        workstation_ = std::make_unique<GuiWorkstation>();
        history_ = std::make_unique<TProfileHistory>();
        // The program's lock makes the data file's folder; the history beside it needs it.
        std::filesystem::create_directories(std::filesystem::path(DataFilePath()).parent_path());
        TMessageBoxes::Reset();
        TFileDialogs::SetTesting(true);
        TestMachine().clear();
        TEditedTestSetting::NextKeys().clear();
        SetHelpFile(QString());
        SetShellOpenHandler(nullptr);
        // As at start-up: the program sets the title from the main window's caption.
        SetApplicationTitle(QString());
        // The pointer away from where the windows open: a window under it stays open.
        QCursor::setPos(0, 0);
    }

    void cleanup() {
        TTrayIcon::SetAvailableForTests(std::nullopt);
        for (TfrmProgress* progress : ProgressWindows())
            delete progress;
        // A root that no main window registered outlives the data file object.
        Root().Configurations().Clear();
        GetPersistentData().SetSaveOnFree(false);
        FreePersistentData();
        history_.reset();
        workstation_.reset();
    }

    void firstStartShowsEmptyDisabledListsAndOnlyNewConfiguration() {
        auto main = OpenMain();
        QCOMPARE(main->cmbConfigurations->count(), 0);
        QVERIFY(!main->cmbConfigurations->isEnabled());
        QVERIFY(!main->cmbProfiles->isEnabled());
        QVERIFY(main->actConfigurationNew->isEnabled());
        for (const char* name : {"actConfigurationEdit", "actConfigurationDel", "actProfileNew", "actProfileEdit",
                                 "actProfileDel", "actProfileRefresh", "actProfileApply"})
            QVERIFY2(!main->findChild<QAction*>(name)->isEnabled(), name);
        QVERIFY(main->actCancel->isEnabled());
        QVERIFY(main->actHelp->isEnabled());
        QCOMPARE(main->windowTitle(), QStringLiteral("Prolamo"));
        // The menu entries follow their actions.
        QVERIFY(!main->findChild<QAction*>("miConfigEdit")->isEnabled());
        QVERIFY(main->findChild<QAction*>("miConfigAdd")->isEnabled());
        QCOMPARE(main->findChild<QAction*>("miCancel")->text(), QStringLiteral("&Close"));
    }

    void idleTimeOfTheEventLoopUpdatesTheActions() {
        auto main = OpenMain();
        auto configuration = std::make_unique<TConfiguration>();
        configuration->SetName("A");
        main->GetConfigurationList().Add(std::move(configuration));
        main->cmbConfigurations->addItem(QStringLiteral("A"));
        QVERIFY(!main->actConfigurationEdit->isEnabled());
        // A real loop that waits for its timer passes an idle moment.
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
        QVERIFY(main->actConfigurationEdit->isEnabled());
    }

    void administratorMarkerShowsForOrdinaryUsersOnly() {
        if (const std::string fixed = workstation_->AdministratorFixedReason(); !fixed.empty()) {
            QCOMPARE(OpenMain()->imgAdmin->isVisible(), !workstation_->IsAdministrator());
            QSKIP(("Only the user's own state is shown: " + fixed).c_str());
        }
        workstation_->SetAdministrator(true);
        {
            auto main = OpenMain();
            QVERIFY(!main->imgAdmin->isVisible());
            QCOMPARE(main->lblRights->text(), QStringLiteral("Administrator"));
        }
        workstation_->SetAdministrator(false);
        auto main = OpenMain();
        QVERIFY(main->imgAdmin->isVisible());
        QCOMPARE(main->lblRights->text(), QStringLiteral("Standard user without the switching service"));
        QVERIFY(main->lblRights->isVisible());
        QVERIFY(main->imgAdmin->toolTip().startsWith(QStringLiteral("Standard user without the switching service: ")));
        QCOMPARE(main->lblRights->accessibleDescription(), main->imgAdmin->toolTip());

        // What changed while the user was in another window shows when they come back.
        TfrmAbout other;
        Shown(other);
        QApplication::setActiveWindow(&other);
        workstation_->SetAdministrator(true);
        QApplication::setActiveWindow(main.get());
        QCOMPARE(main->lblRights->text(), QStringLiteral("Administrator"));
        QVERIFY(!main->imgAdmin->isVisible());
    }

    void newConfigurationCancelUsesUpNoNumberAndOkAddsIt() {
        auto main = OpenMain();
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            QCOMPARE(editor.edtName->text(), QStringLiteral("Configuration 1"));
            editor.btnCancel->click();
        });
        main->actConfigurationNew->trigger();
        QCOMPARE(main->cmbConfigurations->count(), 0);
        QCOMPARE(Root().Configurations().Count(), std::size_t{0});

        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            QCOMPARE(editor.edtName->text(), QStringLiteral("Configuration 1"));
            editor.btnOK->click();
        });
        main->actConfigurationNew->trigger();
        Idle();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), QStringList{QStringLiteral("Configuration 1")});
        QVERIFY(main->cmbConfigurations->isEnabled());
        QVERIFY(main->actProfileNew->isEnabled());
        QVERIFY(!main->actProfileEdit->isEnabled());
    }

    void anEmptyDataFileShowsTheWelcomeWithTheTwoFirstSteps() {
        auto main = OpenMain();
        QVERIFY(main->pnlWelcome->isVisible());
        QVERIFY(!main->cmbProfiles->isVisible());
        QVERIFY(!main->lvwSettings->isVisible());
        QCOMPARE(main->btnWelcomeNew->text(), main->actConfigurationNew->text());
        QCOMPARE(main->btnWelcomeImport->text(), main->actConfigurationImport->text());
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
        main->btnWelcomeNew->click();
        Idle();
        QCOMPARE(Root().Configurations().Count(), std::size_t{1});
        QVERIFY(!main->pnlWelcome->isVisible());
        QVERIFY(main->cmbProfiles->isVisible());
        QVERIFY(main->lvwSettings->isVisible());
        // Gone with the last configuration, the welcome is back.
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actConfigurationDel->trigger();
        QVERIFY(main->pnlWelcome->isVisible());
    }

    void theMainWindowShowsEachSettingOfTheProfileWithWhatAnApplyWouldDo() {
        TestMachine() = {{"k1", "home"}, {"k2", "home"}, {"k3", "home"}, {"k4", "home"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3", "k4"});
        AddCapturedProfile(a, "Home");
        a.Profiles().RemoveValuesOf(a.Settings()[2]);
        TestMachine()["k1"] = "office";
        TestMachine()["k4"] = "unreadable";
        auto main = OpenMain();
        const auto states = [&main] {
            QMap<QString, QString> shown;
            for (int row = 0; row < main->lvwSettings->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = main->lvwSettings->topLevelItem(row);
                shown[item->text(TProfileStates::colSetting)] = item->text(TProfileStates::colState);
            }
            return shown;
        };
        QTRY_VERIFY(!main->lvwSettings->Checking());
        QMap<QString, QString> expected{{QStringLiteral("Test (k1)"), QStringLiteral("will change")},
                                        {QStringLiteral("Test (k2)"), QStringLiteral("unchanged")},
                                        {QStringLiteral("Test (k3)"), QStringLiteral("not captured")},
                                        {QStringLiteral("Test (k4)"), QStringLiteral("cannot be read")}};
        QCOMPARE(states(), expected);

        // After an apply the list tells what the machine holds now.
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        for (TfrmProgress* progress : ProgressWindows())
            progress->close();
        QTRY_VERIFY(main->isEnabled());
        QTRY_VERIFY(!main->lvwSettings->Checking());
        expected[QStringLiteral("Test (k1)")] = QStringLiteral("unchanged");
        expected[QStringLiteral("Test (k4)")] = QStringLiteral("unchanged");
        QCOMPARE(states(), expected);

        // A profile of no configuration shows nothing; another profile shows its own states.
        AddCapturedProfile(a, "Office");
        main->SelectProfile(a, *a.Profiles().Find("Office"));
        QTRY_VERIFY(!main->lvwSettings->Checking());
        QCOMPARE(states().value(QStringLiteral("Test (k3)")), QStringLiteral("unchanged"));
    }

    void theMainWindowResizesAndOpensWhereItWasLeft() {
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1"}), "Home");
        QSize left;
        {
            auto main = OpenMain();
            const int listWidth = main->lvwSettings->width();
            const int comboWidth = main->cmbConfigurations->width();
            main->resize(main->width() + 200, main->height() + 100);
            Idle();
            QCOMPARE(main->lvwSettings->width(), listWidth + 200);
            QCOMPARE(main->cmbConfigurations->width(), comboWidth + 200);
            // Narrower than its controls it does not get.
            main->resize(10, 10);
            Idle();
            QVERIFY(main->width() >= main->minimumSizeHint().width());
            // Wider than the first size and than the controls need, whatever the platform's font.
            left = main->minimumSizeHint().expandedTo(main->sizeHint()) + QSize(150, 120);
            main->resize(left);
            Idle();
            main->hide();
        }
        auto main = OpenMain();
        QCOMPARE(main->size(), left);
        main->hide();

        // What the file holds is the user's: anything else than a placement is passed over.
        for (const std::string& garbage :
             {std::string("not a placement"), std::string("AAAA"), std::string(8192, 'A')}) {
            const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(garbage.data()),
                                                      garbage.size());
            QCOMPARE(os::Files().WriteWholeFile(BesideDataFile(".window"), bytes), os::ErrorSuccess);
            auto fresh = OpenMain();
            QVERIFY(fresh->isVisible());
            QVERIFY(fresh->size() != left);
            fresh->hide();
        }
    }

    // The welcome's first step done, the keyboard goes on with the new configuration.
    void theFocusLeavesTheWelcomeForTheConfigurations() {
        auto main = OpenMain();
        QApplication::setActiveWindow(main.get());
        main->btnWelcomeNew->setFocus();
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
        QTest::keyClick(main->btnWelcomeNew, Qt::Key_Return);
        QVERIFY(!main->pnlWelcome->isVisible());
        QApplication::setActiveWindow(main.get());
        QCOMPARE(Described(QApplication::focusWidget()), Described(main->cmbConfigurations));
    }

    void theGermanWelcomeLeavesNoTextInEnglish() {
        const TShownInBothLanguages shown = InBothLanguages([] {
            TfrmMain welcome;
            return ShownTexts(Shown(welcome));
        });
        QVERIFY2(shown.leftInEnglish.isEmpty(), qPrintable(shown.leftInEnglish.join(QLatin1Char('\n'))));
        QVERIFY(shown.german.value(QStringLiteral("frmMain/client/bvlDialog/pnlWelcome/lblWelcome.text"))
                    .startsWith(QStringLiteral("Willkommen.")));
    }

    // Qt's own texts follow: the key names the menus show beside their items, and its dialogs.
    void theGermanMenusNameTheKeysInGerman() {
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        auto main = OpenMain();
        QCOMPARE(main->actProfileDel->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Entf"));
        QCOMPARE(main->actProfileNew->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Strg+N"));
        QCOMPARE(QFileDialog::tr("Look in:"), QStringLiteral("Suchen in:"));
        SetLanguage(QLocale(QLocale::English));
        QCOMPARE(main->actProfileDel->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Del"));
    }

    void theGermanTrayMenuLeavesNoTextInEnglish() {
        TestMachine() = {{"k1", "home"}};
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1"}), "Home");
        const TShownInBothLanguages shown = InBothLanguages([this] {
            auto main = OpenMain();
            auto* tray = new TTrayIcon(*main, AttachSwitching(*main)); // the window owns it
            tray->FillMenu();
            QMap<QString, QString> texts;
            // The fixed items belong to the tray, the configurations' submenus to its menu.
            CollectShownTexts(*tray, QStringLiteral("tray"), texts);
            texts.insert(ShownTexts(*tray->mnuTray));
            texts.insert(QStringLiteral("tray.tip"), tray->trayIcon->toolTip());
            return texts;
        });
        QVERIFY2(shown.leftInEnglish.isEmpty(), qPrintable(shown.leftInEnglish.join(QLatin1Char('\n'))));
        QCOMPARE(shown.german.keys(), shown.english.keys());
        QCOMPARE(shown.english.value(QStringLiteral("tray/miQuit.text")), QStringLiteral("Quit"));
        QVERIFY(shown.german.value(QStringLiteral("tray/miQuit.text")) != QStringLiteral("Quit"));
    }

    void theGermanWindowsLeaveNoTextInEnglish() {
        TestMachine() = {{"k1", "warn"}, {"k2", "fine"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        AddCapturedProfile(a, "Home");
        const TShownInBothLanguages shown = InBothLanguages([&] {
            TestMachine()["k2"] = "changed";
            QMap<QString, QString> texts;
            auto main = OpenMain();
            AttachSwitching(*main);
            // Inside a lambda that returns, QVERIFY cannot: record the failure and go on.
            QTest::qVerify(QTest::qWaitFor([&main] { return !main->lvwSettings->Checking(); }),
                           "the settings list finished checking", "", __FILE__, __LINE__);
            texts.insert(ShownTexts(*main));
            TfrmEditConfiguration configuration(a, Root().Configurations(), &a);
            texts.insert(ShownTexts(Shown(configuration)));
            TfrmEditProfile profile(a.Profiles()[0], *history_, a);
            texts.insert(ShownTexts(Shown(profile)));
            TfrmRules rules(*main->findChild<TDesktopSwitching*>(), main.get());
            texts.insert(ShownTexts(Shown(rules)));
            // "Test now" explains the rules against this machine's network, line by line.
            rules.btnTest->click();
            const QStringList explanation = rules.edtTest->toPlainText().split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < explanation.size(); ++i)
                texts.insert(QStringLiteral("rulesTest/%1").arg(i), explanation[i]);
            TfrmEditRule rule({}, [](const TSwitchRule&) {});
            texts.insert(ShownTexts(Shown(rule)));
            TfrmPreview preview(a.Profiles()[0], main.get());
            texts.insert(ShownTexts(Shown(preview)));
            TfrmAbout about;
            texts.insert(ShownTexts(Shown(about)));
            TfrmEditItemsDlg items;
            texts.insert(ShownTexts(Shown(items)));
            // The editor's run writes the test's history, not the data file the next main window reads.
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            profile.actApplyProfile->trigger();
            TfrmProgress& progress = *ProgressWindows().first();
            progress.lvwLog->setCurrentCell(0, 0);
            texts.insert(ShownTexts(progress));
            texts.insert(QStringLiteral("question"), TMessageBoxes::Questions().join(QLatin1Char('\n')));
            TfrmHistory history(*history_, main.get());
            texts.insert(ShownTexts(Shown(history)));
            texts.insert(QStringLiteral("historyKind"), history.lvwSnapshots->item(0, TfrmHistory::colKind)->text());
            TProgramSetting program;
            TfrmEditProgram programEditor(program);
            texts.insert(ShownTexts(Shown(programEditor)));
            THostsEntriesSetting block;
            TfrmEditHostsBlock blockEditor(block);
            texts.insert(ShownTexts(Shown(blockEditor)));
            // The new kinds' own words, which the lists and the preview show.
            for (const TSettingClass* kind : {&TProgramSetting::StaticClass(), &THostsEntriesSetting::StaticClass(),
                                              &TWirelessSetting::StaticClass(), &TWinHttpProxySetting::StaticClass()}) {
                const QString key = ToQString(kind->CaptionKey());
                texts.insert(key + QStringLiteral(".caption"), ToQString(kind->GetCaption()));
                texts.insert(key + QStringLiteral(".description"), ToQString(kind->GetDescription()));
            }
            texts.insert(QStringLiteral("willRun"), ToQString(ChangeStateText(TChangeState::WillRun)));
            // What the undo's question and the menu's tip call the run.
            texts.insert(QStringLiteral("undo"),
                         ToQString(TApplyUndo(*history_, Root()).Title()).section(QLatin1Char(' '), 0, -3));
            progress.close();
            TMessageBoxes::Reset();
            return texts;
        });
        QCOMPARE(shown.german.keys(), shown.english.keys());
        QVERIFY2(shown.leftInEnglish.isEmpty(), qPrintable(shown.leftInEnglish.join(QLatin1Char('\n'))));
        // The engine's texts come translated too, and the English program keeps the quoted ones.
        QCOMPARE(shown.german.value(QStringLiteral("question")),
                 QStringLiteral("Wollen Sie diese Einstellungen des Profils wirklich anwenden?"));
        QCOMPARE(shown.english.value(QStringLiteral("question")),
                 QStringLiteral("Do you really want to apply profile these settings?"));
        QCOMPARE(shown.german.value(QStringLiteral("undo")),
                 QStringLiteral("Rückgängig machen: das Anwenden von Home (A) um"));
        QCOMPARE(shown.german.value(QStringLiteral("historyKind")), QStringLiteral("Anwenden"));
        QCOMPARE(shown.english.value(QStringLiteral("historyKind")), QStringLiteral("apply"));
        QCOMPARE(shown.german.value(QStringLiteral("frmProgress/client/body/lblText.text")),
                 QStringLiteral("Home angewendet: 2 Einstellungen, keine Fehler, 1 Warnung"));
        QCOMPARE(shown.english.value(QStringLiteral("rulesTest/0")), QStringLiteral("Network"));
        QCOMPARE(shown.german.value(QStringLiteral("rulesTest/0")), QStringLiteral("Netzwerk"));
    }

    void namesRefuseControlCharacters() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"a"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            editor.edtName->selectAll();
            editor.edtName->insert(QStringLiteral("Red\x1B[31m"));
            QCOMPARE(editor.edtName->text(), QStringLiteral("A"));
            editor.edtName->insert(QStringLiteral("Two\nlines"));
            QCOMPARE(editor.edtName->text(), QStringLiteral("A"));
            editor.edtName->selectAll();
            editor.edtName->insert(QStringLiteral("Café"));
            editor.btnOK->click();
        });
        main->actConfigurationEdit->trigger();
        QCOMPARE(a.Name(), std::string("Café"));
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            editor.edtName->selectAll();
            editor.edtName->insert(QString(QChar(0x9B)) + QStringLiteral("2J"));
            QCOMPARE(editor.edtName->text(), QStringLiteral("Home"));
            editor.btnOK->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(a.Profiles()[0].Name(), std::string("Home"));
    }

    void renamedConfigurationAndProfileStaySelected() {
        AddConfiguration(Root(), "A", {"a"}).Profiles().Add().SetName("A home");
        AddConfiguration(Root(), "B", {"b"});
        TConfiguration& b = *Root().Configurations().Find("B");
        b.Profiles().Add().SetName("B work");
        b.Profiles().Add().SetName("B home");
        AddConfiguration(Root(), "C", {"c"});
        auto main = OpenMain();
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("A"));
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("A home"));

        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            QCOMPARE(editor.edtName->text(), QStringLiteral("A"));
            editor.edtName->setText(QStringLiteral("Z"));
            editor.btnOK->click();
        });
        main->actConfigurationEdit->trigger();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"B", "C", "Z"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("Z"));
        QCOMPARE(ComboTexts(*main->cmbProfiles), QStringList{QStringLiteral("A home")});

        SelectItemIndex(*main->cmbConfigurations, 0);
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("B home"));
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            editor.edtName->setText(QStringLiteral("C home"));
            editor.btnOK->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(ComboTexts(*main->cmbProfiles), (QStringList{"B work", "C home"}));
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("C home"));
    }

    void newConfigurationIsSelectedSoItsProfilesGoIntoIt() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"a"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
        main->actConfigurationNew->trigger();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"A", "Configuration 1"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("Configuration 1"));
        QCOMPARE(main->cmbProfiles->count(), 0);

        Idle();
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) { editor.btnOK->click(); });
        main->actProfileNew->trigger();
        QCOMPARE(a.Profiles().Count(), std::size_t{1});
        QCOMPARE(Root().Configurations().Find("Configuration 1")->Profiles().Count(), std::size_t{1});

        // A new profile that sorts after the selected one is selected too.
        SelectItemIndex(*main->cmbConfigurations, 0);
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) { editor.btnOK->click(); });
        main->actProfileNew->trigger();
        QCOMPARE(ComboTexts(*main->cmbProfiles), (QStringList{"Home", "Profile 1"}));
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("Profile 1"));
    }

    // A name the program proposes is the user's once taken: in German it is German, and the next
    // one counts on from the German names already there.
    void newNamesAreProposedInTheUsersLanguage() {
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        AddConfiguration(Root(), "Konfiguration 1", {"k1"}).Profiles().Add().SetName("Profil 1");
        auto main = OpenMain();
        QCOMPARE(ProposedName<TfrmEditConfiguration>(*main->actConfigurationNew), QStringLiteral("Konfiguration 2"));
        QCOMPARE(ProposedName<TfrmEditProfile>(*main->actProfileNew), QStringLiteral("Profil 2"));
        TfrmRules rules(AttachSwitching(*main), main.get());
        QCOMPARE(ProposedName<TfrmEditRule>(*rules.actRuleNew), QStringLiteral("Regel 1"));
    }

    void aNewConditionsValueHasRoomForAnAddressInGerman() {
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        TfrmEditRule editor({}, [](const TSwitchRule&) {});
        Shown(editor);
        const QLineEdit& value = *editor.edtConditionValue;
        QVERIFY2(value.width() > value.fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00:00:00")),
                 qPrintable(QString::number(value.width())));
        QVERIFY(editor.cmbConditionKind->width() >= editor.cmbConditionKind->sizeHint().width());
        // The long caption stays whole beside its menu arrow.
        QVERIFY2(editor.btnUseNetwork->width() >= editor.btnUseNetwork->sizeHint().width(),
                 qPrintable(QString::number(editor.btnUseNetwork->width())));
        // A short caption still makes a button of the platform's width.
        QVERIFY(editor.btnOK->width() >= 75);
    }

    void captionIsTheProductNameNotTheProgramFile() {
        QVERIFY(QCoreApplication::applicationName() != QStringLiteral("Prolamo"));
        QString caption;
        QTimer::singleShot(0, [&caption] {
            if (TfrmMain* main = ShownMainWindow()) {
                caption = main->windowTitle();
                main->btnCancel->click();
            }
        });
        QCOMPARE(RunProlamo(), 0);
        QCOMPARE(caption, QStringLiteral("Prolamo"));
        QCOMPARE(ApplicationTitle(), QStringLiteral("Prolamo"));
    }

    // With a notification area, closing the main window hides it and the program goes on until
    // the tray's Quit; without one, closing it ends the program.
    void closingTheMainWindowHidesItWhileTheTrayIsOn() {
        TTrayIcon::SetAvailableForTests(true);
        bool hiddenAndRunning = false;
        QTimer::singleShot(0, [&hiddenAndRunning] {
            TfrmMain* main = ShownMainWindow();
            if (!main)
                return;
            main->btnCancel->click();
            // Bound to the window: if closing it ended the program, this never runs.
            QTimer::singleShot(50, main, [main, &hiddenAndRunning] {
                auto* tray = main->findChild<TTrayIcon*>();
                hiddenAndRunning = !main->isVisible() && tray != nullptr;
                if (tray)
                    tray->miQuit->trigger();
            });
        });
        const int exitCode = RunProlamo();
        TTrayIcon::SetAvailableForTests(std::nullopt);
        QCOMPARE(exitCode, 0);
        QVERIFY(hiddenAndRunning);
        // Ended in order: a later start is not sent to it.
        QVERIFY(!QFileInfo::exists(DataFolder() + QStringLiteral("/prolamo.instance")));
    }

    void altKeysReachTheHelpMenuAndTheHelpButtonApart() {
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        auto main = OpenMain();
        QApplication::setActiveWindow(main.get());
        QStringList keys;
        for (QAction* menu : main->mmn->actions())
            keys << QKeySequence::mnemonic(menu->text()).toString();
        for (QPushButton* button : main->findChildren<QPushButton*>())
            if (button->isVisible())
                keys << QKeySequence::mnemonic(button->text()).toString();
        // Four menus, Close and Help, and the welcome's two buttons of an empty data file.
        QCOMPARE(keys.size(), 8);
        QCOMPARE(keys.removeDuplicates(), 0);

        // A button's key clicks it after a short show of the press.
        QTest::keyClick(main.get(), QKeySequence::mnemonic(main->btnHelp->text())[0].key(), Qt::AltModifier);
        QTRY_VERIFY(main->findChild<THelpViewer*>());
        QApplication::setActiveWindow(main.get());
        QTest::keyClick(main.get(), Qt::Key_H, Qt::AltModifier);
        QTRY_VERIFY(main->miHelp->isVisible());
        QTest::keyClick(main->miHelp, Qt::Key_Escape);
    }

    void tabOrderFollowsTheWindowWithEachToolbarOneStop() {
        AddConfiguration(Root(), "A", {"a"}).Profiles().Add().SetName("Home");
        auto main = OpenMain();
        QApplication::setActiveWindow(main.get());
        main->cmbConfigurations->setFocus();
        const auto stop = [&main]() -> QWidget* {
            QWidget* focus = QApplication::focusWidget();
            for (QToolBar* toolbar : {main->tbrConfigurations, main->tbrProfiles})
                if (toolbar->isAncestorOf(focus))
                    return toolbar;
            return focus;
        };
        const QList<QWidget*> expected{
            main->cmbConfigurations, main->tbrConfigurations, main->cmbProfiles, main->tbrProfiles,
            main->lvwSettings,       main->btnCancel,         main->btnHelp};
        QList<QWidget*> forward;
        for (int i = 0; i < expected.size(); ++i) {
            forward << stop();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(forward, expected);
        QCOMPARE(stop(), main->cmbConfigurations);
        QList<QWidget*> backward;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backward.prepend(stop());
        }
        QCOMPARE(backward, expected);

        // Inside a toolbar the arrow keys move, past the separators; Tab comes back to the button left.
        main->cmbProfiles->setFocus();
        QTest::keyClick(main->cmbProfiles, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("btnApplyProfile"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("btnProfileRefresh"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), main->lvwSettings);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("btnProfileRefresh"));
    }

    void profileEditorKeepsTheSelectedLinesAfterRefreshAndDelete() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}, {"k3", "three"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3"});
        TfrmEditProfile editor(a.Profiles().Add(), *history_, a);
        TListView& list = *editor.lvwValues;
        const auto selectedRows = [&list] {
            QList<int> rows;
            for (int row = 0; row < list.count(); ++row)
                if (list.item(row)->isSelected())
                    rows << row;
            return rows;
        };
        list.item(0)->setSelected(true);
        list.item(2)->setSelected(true);
        list.setCurrentItem(list.item(2), QItemSelectionModel::NoUpdate);
        editor.UpdateActions();
        editor.actRefreshValue->trigger();
        QCOMPARE(selectedRows(), (QList<int>{0, 2}));
        QCOMPARE(list.currentRow(), 2);
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{2});
        editor.UpdateActions();
        editor.actDelValue->trigger();
        QCOMPARE(selectedRows(), (QList<int>{0, 2}));
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{0});
        editor.actRefreshAllValues->trigger();
        QCOMPARE(selectedRows(), (QList<int>{0, 2}));
    }

    void configurationEditorKeepsTheSelectedSettingAfterAnEdit() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("Edited")));
        TEditedTestSetting::NextKeys() = {"b", "c", "a"};
        editor.UpdateActions();
        editor.actNewItem->trigger();
        editor.actNewItem->trigger();
        editor.lvwItems->setCurrentItem(ItemWithText(*editor.lvwItems, QStringLiteral("Edited (c)")));
        editor.UpdateActions();
        editor.actEditItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (a)", "Edited (b)"}));
        QCOMPARE(editor.lvwItems->selectedItems().size(), 1);
        QCOMPARE(editor.lvwItems->selectedItems().first()->text(), QStringLiteral("Edited (a)"));
        QVERIFY(editor.lvwAvailItems->currentItem());
        QCOMPARE(editor.lvwAvailItems->currentItem()->text(), QStringLiteral("Edited"));
    }

    void choosingAConfigurationSelectsItsFirstProfile() {
        AddConfiguration(Root(), "A", {"a"});
        TConfiguration& b = AddConfiguration(Root(), "B", {"b"});
        b.Profiles().Add().SetName("Two");
        b.Profiles().Add().SetName("One");
        auto main = OpenMain();
        QCOMPARE(main->cmbProfiles->count(), 0);
        QVERIFY(!main->cmbProfiles->isEnabled());
        SelectItemIndex(*main->cmbConfigurations, 1);
        Idle();
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("One"));
        QVERIFY(main->actProfileApply->isEnabled());
        SelectItemIndex(*main->cmbConfigurations, 0);
        Idle();
        QCOMPARE(main->cmbProfiles->currentIndex(), -1);
        QVERIFY(!main->actProfileEdit->isEnabled());
    }

    void deleteAsksAndNoChangesNothing() {
        AddConfiguration(Root(), "A", {});
        AddConfiguration(Root(), "B", {});
        AddConfiguration(Root(), "C", {});
        auto main = OpenMain();
        SelectItemIndex(*main->cmbConfigurations, 2);

        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actConfigurationDel->trigger();
        QCOMPARE(TMessageBoxes::Questions(), QStringList{QStringLiteral("Do you want to delete \"C\"?")});
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"A", "B", "C"}));
        QCOMPARE(Root().Configurations().Count(), std::size_t{3});

        // Deleting the last entry selects the first one.
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actConfigurationDel->trigger();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"A", "B"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("A"));

        // The next one moves into the place of a deleted one.
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actConfigurationDel->trigger();
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("B"));

        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actConfigurationDel->trigger();
        Idle();
        QCOMPARE(main->cmbConfigurations->count(), 0);
        QVERIFY(!main->cmbConfigurations->isEnabled());
        QVERIFY(!main->actConfigurationDel->isEnabled());
    }

    void allowUserConfigurationsZeroLocksTheEditingCommandsWhileTheProgramRuns() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        AddConfiguration(Root(), "A", {}).Profiles().Add().SetName("Home");
        auto main = OpenMain();
        const QList<QAction*> edits = {main->actConfigurationNew, main->actConfigurationEdit,
                                       main->actConfigurationDel, main->actConfigurationImport,
                                       main->actProfileNew,       main->actProfileEdit,
                                       main->actProfileDel,       main->actProfileRefresh};
        const QString why = QStringLiteral("Your organisation's policy does not let you create, edit or delete "
                                           "configurations.");
        for (QAction* action : edits)
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        {
            const TMachinePolicy locked(PolicyAllowUserConfigurations, 0);
            Idle();
            for (QAction* action : edits) {
                QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
                QCOMPARE(action->toolTip(), why);
            }
            // The user applies only the organisation's configurations.
            QVERIFY(!main->actProfileApply->isEnabled());
            QVERIFY(!main->actProfilePreview->isEnabled());
            QCOMPARE(main->actProfileApply->toolTip(),
                     QStringLiteral("Your organisation's policy lets you apply only the configurations it manages."));
        }
        Idle();
        for (QAction* action : edits) {
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
            QVERIFY(action->toolTip() != why);
        }
        QVERIFY(main->actProfileApply->isEnabled());
    }

    void aPolicySetByAnotherProgramIsPickedUpWhileTheWindowRuns() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        AddConfiguration(Root(), "A", {}).Profiles().Add().SetName("Home");
        auto main = OpenMain();
        Idle();
        QVERIFY(main->actConfigurationNew->isEnabled());
        QCOMPARE(SetPolicyFromOutside(PolicyAllowUserConfigurations, 0), 0);
        Idle();
        QVERIFY(!main->actConfigurationNew->isEnabled());
        QVERIFY(!main->actProfileApply->isEnabled());
        QCOMPARE(SetPolicyFromOutside(PolicyAllowUserConfigurations, std::nullopt), 0);
        Idle();
        QVERIFY(main->actConfigurationNew->isEnabled());
        QVERIFY(main->actProfileApply->isEnabled());

        // A managed file named meanwhile is listed at the program's next look, marked, with its
        // settings' states, and gone with the policy.
        const std::string share = (std::filesystem::path(DataFilePath()).parent_path() / "office.txt").string();
        QCOMPARE(WriteManagedFile(share, "Corp"), os::ErrorSuccess);
        QCOMPARE(SetPolicyFromOutside(PolicyManagedConfigurations, share), 0);
        main->SynchronizeDataFile();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"A", "Corp"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("A"));
        QCOMPARE(main->cmbConfigurations->itemData(1, Qt::ToolTipRole).toString(),
                 QStringLiteral("Managed by your organisation"));
        SelectItemIndex(*main->cmbConfigurations, 1);
        QTRY_VERIFY(!main->lvwSettings->Checking());
        QCOMPARE(main->lvwSettings->topLevelItemCount(), 1);
        QCOMPARE(main->lvwSettings->topLevelItem(0)->text(TProfileStates::colState), QStringLiteral("unchanged"));
        QCOMPARE(SetPolicyFromOutside(PolicyManagedConfigurations, std::nullopt), 0);
        main->SynchronizeDataFile();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), QStringList{"A"});
        QVERIFY(main->GetSelectedConfiguration() == Root().Configurations().Find("A"));
    }

    void managedConfigurationsAreListedMarkedAppliedUndoneAndNotEditable() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        // The organisation's file: Location with Office captured as k1 = "office".
        TestMachine() = {{"k1", "office"}};
        const std::string share = (std::filesystem::path(DataFilePath()).parent_path() / "office.txt").string();
        QCOMPARE(WriteManagedFile(share, "Location"), os::ErrorSuccess);
        AddConfiguration(Root(), "Location", {}).Profiles().Add().SetName("Mine");
        TestMachine()["k1"] = "away";
        const TMachinePolicy policy(PolicyManagedConfigurations, share);
        auto main = OpenMain();
        const QString mark = QStringLiteral("Managed by your organisation");
        QCOMPARE(ComboTexts(*main->cmbConfigurations),
                 (QStringList{QStringLiteral("Location"), QStringLiteral("Location")}));
        QVERIFY(main->cmbConfigurations->itemIcon(0).isNull());
        QVERIFY(!main->cmbConfigurations->itemIcon(1).isNull());
        QCOMPARE(main->cmbConfigurations->itemData(1, Qt::ToolTipRole).toString(), mark);

        const QList<QAction*> edits = {main->actConfigurationEdit, main->actConfigurationDel, main->actProfileNew,
                                       main->actProfileEdit,       main->actProfileDel,       main->actProfileRefresh};
        for (QAction* action : edits)
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        SelectItemIndex(*main->cmbConfigurations, 1);
        Idle();
        QCOMPARE(ComboTexts(*main->cmbProfiles), QStringList{QStringLiteral("Office")});
        // Its states are read from its own settings, not from the user's Location.
        QTRY_VERIFY(!main->lvwSettings->Checking());
        QCOMPARE(main->lvwSettings->topLevelItemCount(), 1);
        QCOMPARE(main->lvwSettings->topLevelItem(0)->text(TProfileStates::colState), QStringLiteral("will change"));
        for (QAction* action : edits) {
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
            QCOMPARE(action->toolTip(), mark);
        }
        QVERIFY(main->actProfileApply->isEnabled());
        {
            // Under AllowUserConfigurations=0 the organisation's stay applicable.
            const TMachinePolicy locked(PolicyAllowUserConfigurations, 0);
            Idle();
            QVERIFY(main->actProfileApply->isEnabled());
        }

        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("office"));
        ProgressWindows().value(0)->close();
        Idle();
        // The apply is the organisation's Location's, not the user's of the same name.
        QTRY_VERIFY2(main->lblInForce->text().startsWith(QStringLiteral("Applied last: Office")) &&
                         main->lblInForce->text().endsWith(QStringLiteral("The machine still matches it.")),
                     qPrintable(main->lblInForce->text()));
        SelectItemIndex(*main->cmbConfigurations, 0);
        Idle();
        QCOMPARE(main->lblInForce->text(), QStringLiteral("No profile of this configuration has been applied yet."));
        SelectItemIndex(*main->cmbConfigurations, 1);
        Idle();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileUndoApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        for (TfrmProgress* progress : ProgressWindows())
            progress->close();
        Idle();
        QCOMPARE(Root().Configurations().Count(), std::size_t{1});
    }

    void managedRulesAndConfigurationsShowInTheRulesWindowItsEditorAndTheTrayMenu() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        // The organisation's Corp with Office captured as k1 = "office", and its rule for the
        // network the computer is on; the user's own A with its rule for the same network.
        TestMachine() = {{"k1", "office"}};
        const std::filesystem::path share = std::filesystem::path(DataFilePath()).parent_path();
        QCOMPARE(WriteManagedFile((share / "office.txt").string(), "Corp"), os::ErrorSuccess);
        std::ofstream((share / "office.rules").string()) << "[Corporate]\nconfiguration = Corp\nprofile = Office\n"
                                                         << workstation_->ConditionOfCurrentNetwork() << "\n";
        std::ofstream(RulesFilePath()) << "[Home]\nconfiguration = A\nprofile = Home\n"
                                       << workstation_->ConditionOfCurrentNetwork() << "\n";
        AddConfiguration(Root(), "A", {}).Profiles().Add().SetName("Home");
        TestMachine()["k1"] = "away";
        const TMachinePolicy configurations(PolicyManagedConfigurations, (share / "office.txt").string());
        const TMachinePolicy managedRules(PolicyManagedRules, (share / "office.rules").string());
        const QString mark = QStringLiteral("Managed by your organisation");
        auto main = OpenMain();
        TDesktopSwitching& switching = AttachSwitching(*main);

        // The rules window: the organisation's first, marked, and not the user's to change.
        {
            TfrmRules rules(switching, main.get());
            QCOMPARE(rules.lvwRules->rowCount(), 2);
            QCOMPARE(rules.lvwRules->item(0, TfrmRules::colName)->text(), QStringLiteral("Corporate"));
            QCOMPARE(rules.lvwRules->item(1, TfrmRules::colName)->text(), QStringLiteral("Home"));
            QVERIFY(!rules.lvwRules->item(0, TfrmRules::colName)->icon().isNull());
            QVERIFY(rules.lvwRules->item(1, TfrmRules::colName)->icon().isNull());
            for (int column : {TfrmRules::colName, TfrmRules::colProfile, TfrmRules::colConditions}) {
                QCOMPARE(rules.lvwRules->item(0, column)->toolTip(), mark);
                QCOMPARE(rules.lvwRules->item(0, column)->data(Qt::AccessibleDescriptionRole).toString(), mark);
            }
            const QList<QAction*> changes = {rules.actRuleEdit, rules.actRuleDel, rules.actRuleUp, rules.actRuleDown};
            rules.lvwRules->selectRow(0);
            rules.UpdateActions();
            for (QAction* action : changes) {
                QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
                QCOMPARE(action->toolTip(), mark);
            }
            QCOMPARE(rules.btnEdit->toolTip(), mark);
            rules.lvwRules->selectRow(1);
            rules.UpdateActions();
            QVERIFY(rules.actRuleEdit->isEnabled());
            QVERIFY2(!rules.actRuleUp->isEnabled(), "the user's first rule stays after the organisation's");
            QCOMPARE(rules.btnEdit->toolTip(), QStringLiteral("Edit the rule"));

            // Test tries them as the watcher does: the organisation's rule matches first.
            rules.actTest->trigger();
            QCOMPARE(rules.lvwRules->selectedItems().value(0)->row(), 0);
            QVERIFY2(rules.edtTest->toPlainText().contains(QStringLiteral("\"Corporate\" is the first that matches")),
                     qPrintable(rules.edtTest->toPlainText()));

            // The editor offers the organisation's configurations after the user's own, marked.
            OnNextModal<TfrmEditRule>([&mark](TfrmEditRule& editor) {
                const auto closed = qScopeGuard([&editor] { editor.reject(); });
                QCOMPARE(ComboTexts(*editor.cmbConfiguration), (QStringList{"A", "Corp"}));
                QVERIFY(editor.cmbConfiguration->itemIcon(0).isNull());
                QVERIFY(!editor.cmbConfiguration->itemIcon(1).isNull());
                QCOMPARE(editor.cmbConfiguration->itemData(1, Qt::ToolTipRole).toString(), mark);
                SelectItemIndex(*editor.cmbConfiguration, 1);
                QCOMPARE(ComboTexts(*editor.cmbProfile), QStringList{"Office"});
                editor.edtName->setText(QStringLiteral("Mine"));
                editor.cmbConditionKind->setCurrentIndex(
                    editor.cmbConditionKind->findText(QStringLiteral("DNS suffix (dns-suffix)")));
                editor.edtConditionValue->setText(QStringLiteral("corp.example"));
                editor.UpdateActions();
                editor.actConditionAdd->trigger();
                editor.btnOK->click();
            });
            rules.actRuleNew->trigger();
            const TSwitchRules own = LoadRules(RulesFilePath());
            QCOMPARE(own.rules.size(), std::size_t{2});
            QCOMPARE(own.rules[1].configuration, std::string("Corp"));
            QCOMPARE(own.rules[1].profile, std::string("Office"));
            QVERIFY(!own.rules[1].managed);
        }

        // The tray menu: the organisation's after the user's own, marked; under
        // AllowUserConfigurations=0 only theirs can be applied.
        auto* tray = new TTrayIcon(*main, switching); // the window owns it
        const auto configurationMenu = [tray](const QString& title) -> QMenu* {
            tray->FillMenu();
            for (QAction* item : tray->mnuTray->actions())
                if (item->menu() && item->menu()->title() == title)
                    return item->menu();
            return nullptr;
        };
        QVERIFY(configurationMenu(QStringLiteral("A")) && configurationMenu(QStringLiteral("Corp")));
        QVERIFY(configurationMenu(QStringLiteral("A"))->icon().isNull());
        QVERIFY(!configurationMenu(QStringLiteral("Corp"))->icon().isNull());
        QCOMPARE(configurationMenu(QStringLiteral("Corp"))->menuAction()->toolTip(), mark);
        QVERIFY(configurationMenu(QStringLiteral("A"))->actions().value(0)->isEnabled());
        const TMachinePolicy locked(PolicyAllowUserConfigurations, 0);
        QAction* home = configurationMenu(QStringLiteral("A"))->actions().value(0);
        QVERIFY(!home->isEnabled());
        QCOMPARE(home->toolTip(),
                 QStringLiteral("Your organisation's policy lets you apply only the configurations it manages."));
        QAction* office = configurationMenu(QStringLiteral("Corp"))->actions().value(0);
        QVERIFY(office->isEnabled());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        office->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("office"));
        for (TfrmProgress* progress : ProgressWindows())
            progress->close();
        Idle();
        QCOMPARE(Root().Configurations().Count(), std::size_t{1});

        // The icon's tooltip names the organisation's marked; a configuration of the user's own
        // with the same name and profile was not applied, and shows nothing applied.
        AddConfiguration(Root(), "Corp", {}).Profiles().Add().SetName("Office");
        tray->FillMenu();
        QCOMPARE(tray->trayIcon->toolTip(), QStringLiteral("Prolamo\nCorp (Managed by your organisation): Office"));
        QList<bool> officeChecked;
        for (QAction* item : tray->mnuTray->actions())
            if (item->menu() && item->menu()->title() == QStringLiteral("Corp"))
                officeChecked << item->menu()->actions().value(0)->isChecked();
        QCOMPARE(officeChecked, (QList<bool>{false, true}));
    }

    void theRulesWindowsManagedWarningFollowsTheFileAndThePolicyWhileItIsOpen() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        const std::filesystem::path share = std::filesystem::path(DataFilePath()).parent_path();
        const std::string managedFile = (share / "office.rules").string();
        const auto writeManagedFile = [&] {
            std::ofstream(managedFile) << "[Corporate]\nconfiguration = Corp\nprofile = Office\n"
                                       << workstation_->ConditionOfCurrentNetwork() << "\n";
        };
        std::ofstream(RulesFilePath()) << "[Home]\nconfiguration = A\nprofile = Home\n"
                                       << workstation_->ConditionOfCurrentNetwork() << "\n";
        auto main = OpenMain();
        TfrmRules rules(AttachSwitching(*main), main.get());
        const auto listed = [&rules] {
            QStringList names;
            for (int row = 0; row < rules.lvwRules->rowCount(); ++row)
                names << rules.lvwRules->item(row, TfrmRules::colName)->text();
            return names;
        };
        QCOMPARE(listed(), QStringList{"Home"});
        {
            // Named while the window is open: read at its next look, with the file not there yet.
            const TMachinePolicy policy(PolicyManagedRules, managedFile);
            QTRY_VERIFY2(rules.lblFile->text().contains(QStringLiteral("no copy of them is kept")),
                         qPrintable(rules.lblFile->text()));

            // The file comes: Test reads it, and the warning goes.
            writeManagedFile();
            rules.actTest->trigger();
            QCOMPARE(listed(), (QStringList{"Corporate", "Home"}));
            QCOMPARE(rules.lblFile->text(), QString());

            // It goes away: the kept copy is listed, with the warning back.
            std::filesystem::remove(managedFile);
            rules.actTest->trigger();
            QCOMPARE(listed(), (QStringList{"Corporate", "Home"}));
            QVERIFY2(rules.lblFile->text().contains(QStringLiteral("the last copy read is used")),
                     qPrintable(rules.lblFile->text()));

            // A message about the user's own file is not the organisation's to take away.
            TSwitchRules other = LoadRules(RulesFilePath());
            other.Add({"Train", "B", "Train", false, {TRuleCondition::Parse("no-network", "")}});
            SaveRules(RulesFilePath(), other);
            rules.tmrReloadTimer();
            writeManagedFile();
            rules.actTest->trigger();
            QVERIFY(rules.lblFile->text().startsWith(QStringLiteral("Another program changed the rules")));
            std::filesystem::remove(managedFile);
            rules.actTest->trigger();
        }
        // The policy cleared: the organisation's rules and their warning go at the next look.
        QTRY_COMPARE(listed(), (QStringList{"Home", "Train"}));
        QCOMPARE(rules.lblFile->text(), QString());
    }

    void anUnreachableManagedFileWarnsInTheStatusLine() {
        if (!workstation_->IsAdministrator())
            QSKIP("setting a machine policy takes an administrator");
        AddConfiguration(Root(), "Mine", {});
        const TMachinePolicy policy(PolicyManagedConfigurations, std::string("\\\\srv\\share\\office.txt"));
        auto main = OpenMain();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), QStringList{QStringLiteral("Mine")});
        QVERIFY2(main->StatusText().contains(QStringLiteral("cannot be read")), qPrintable(main->StatusText()));
        QVERIFY2(main->StatusText().contains(QStringLiteral("office.txt")), qPrintable(main->StatusText()));
    }

    void deleteProfileAsksWithItsName() {
        TConfiguration& a = AddConfiguration(Root(), "A", {});
        a.Profiles().Add().SetName("Home");
        a.Profiles().Add().SetName("Office");
        auto main = OpenMain();
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actProfileDel->trigger();
        QCOMPARE(a.Profiles().Count(), std::size_t{2});
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileDel->trigger();
        QCOMPARE(TMessageBoxes::Questions().last(), QStringLiteral("Do you want to delete \"Home\"?"));
        QCOMPARE(ComboTexts(*main->cmbProfiles), QStringList{QStringLiteral("Office")});
    }

    void cancelledConfigurationEditKeepsDeletedSettingAndItsValues() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        TConfigurationProfile& home = a.Profiles().Add();
        home.SetName("Home");
        home.RefreshAll();
        auto main = OpenMain();

        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            editor.lvwItems->setCurrentItem(ItemWithText(*editor.lvwItems, QStringLiteral("Test (k1)")));
            editor.UpdateActions();
            QVERIFY(editor.actDelItem->isEnabled());
            editor.actDelItem->trigger();
            QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("Test (k2)")});
            editor.edtName->setText(QStringLiteral("Renamed"));
            editor.btnCancel->click();
        });
        main->actConfigurationEdit->trigger();
        QCOMPARE(a.Name(), std::string("A"));
        QCOMPARE(a.Settings().Count(), std::size_t{2});
        QCOMPARE(home.Values().Count(), std::size_t{2});
        QVERIFY(home.FindValue(a.Settings()[0]));

        // The same edit confirmed takes the deletion, values included.
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) {
            editor.lvwItems->setCurrentItem(ItemWithText(*editor.lvwItems, QStringLiteral("Test (k1)")));
            editor.UpdateActions();
            editor.actDelItem->trigger();
            editor.btnOK->click();
        });
        main->actConfigurationEdit->trigger();
        QCOMPARE(a.Settings().Count(), std::size_t{1});
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{1});
    }

    void cancelledProfileEditKeepsTheStoredProfile() {
        TestMachine() = {{"k1", "one"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            editor.actRefreshAllValues->trigger();
            editor.edtName->setText(QStringLiteral("Away"));
            editor.btnCancel->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(a.Profiles()[0].Name(), std::string("Home"));
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{0});

        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            editor.actRefreshAllValues->trigger();
            editor.edtName->setText(QStringLiteral("Away"));
            editor.btnOK->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(ComboTexts(*main->cmbProfiles), QStringList{QStringLiteral("Away")});
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{1});
    }

    void theHistoryWindowListsTheSnapshotsAndUndoesToTheChosenOne() {
        TestMachine() = {{"k1", "home"}, {"k2", "work"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        TConfigurationProfile& office = a.Profiles().Add();
        office.SetName("Office");
        office.RefreshAll();
        auto main = OpenMain();
        for (const char* state : {"first", "second"}) {
            TestMachine()["k1"] = state;
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            main->actProfileApply->trigger();
            ProgressWindows().value(0)->close();
        }
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileRefresh->trigger();
        Idle();
        QVERIFY(main->findChild<QAction*>("miProfileHistory")->isEnabled());

        OnNextModal<TfrmHistory>([](TfrmHistory& window) {
            QCOMPARE(window.lvwSnapshots->rowCount(), 3);
            QCOMPARE(window.lvwSnapshots->item(0, TfrmHistory::colKind)->text(), QStringLiteral("refresh"));
            QCOMPARE(window.lvwSnapshots->item(1, TfrmHistory::colNumber)->text(), QStringLiteral("2"));
            QCOMPARE(window.lvwSnapshots->item(1, TfrmHistory::colKind)->text(), QStringLiteral("apply"));
            QCOMPARE(window.lvwSnapshots->item(1, TfrmHistory::colProfile)->text(), QStringLiteral("A / Office"));
            QCOMPARE(window.lvwSnapshots->item(1, TfrmHistory::colSettings)->text(),
                     QStringLiteral("Test (k1), Test (k2)"));
            QVERIFY2(!window.actUndo->isEnabled(), "a refresh holds no state of the machine");
            QCOMPARE(window.lvwSnapshots->accessibleName(), QStringLiteral("Snapshots, newest first"));
            CheckAccessibleNames(window);
            // Down to the older apply; Enter in the list undoes to it.
            window.lvwSnapshots->setFocus();
            QTest::keyClick(window.lvwSnapshots, Qt::Key_Down);
            QTest::keyClick(window.lvwSnapshots, Qt::Key_Down);
            QCOMPARE(window.lvwSnapshots->currentRow(), 2);
            QVERIFY(window.actUndo->isEnabled());
            CheckTabWalk(window, {window.lvwSnapshots, window.btnUndo, window.btnCancel, window.btnHelp});
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            window.lvwSnapshots->setFocus();
            QTest::keyClick(window.lvwSnapshots, Qt::Key_Return);
        });
        TMessageBoxes::Reset();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileHistory->trigger();
        QCOMPARE(TMessageBoxes::Questions().size(), 1);
        QVERIFY(TMessageBoxes::Questions().first().startsWith(QStringLiteral("Undo the apply of Office (A) at ")));
        // The state before the older apply.
        QCOMPARE(TestMachine()["k1"], std::string("first"));
        TfrmProgress* progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QCOMPARE(progress->lblText->text(), QStringLiteral("Undid the apply of Office: 2 settings, no errors"));
        progress->close();
        QCOMPARE(main->History().Listed(1)->Kind(), TSnapshotKind::Undo);
        QCOMPARE(main->History().Snapshots().Count(), std::size_t{3});

        // A byte changed in the file: its snapshot shows damaged and cannot be chosen; closed
        // without a choice, nothing happens.
        sqlite3* db = nullptr;
        sqlite3_open_v2(main->History().FileName().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const int changed = os::Exec(db, "UPDATE content SET bytes = CAST(replace(CAST(bytes AS TEXT), 'second', "
                                         "'sEcond') AS BLOB) WHERE instr(bytes, CAST('second' AS BLOB)) > 0");
        sqlite3_close(db);
        QCOMPARE(changed, SQLITE_OK);
        OnNextModal<TfrmHistory>([](TfrmHistory& window) {
            QCOMPARE(window.lvwSnapshots->item(2, TfrmHistory::colKind)->text(), QStringLiteral("apply (damaged)"));
            QCOMPARE(window.lvwSnapshots->item(1, TfrmHistory::colKind)->text(), QStringLiteral("refresh"));
            window.lvwSnapshots->setCurrentCell(2, TfrmHistory::colNumber);
            QVERIFY(!window.actUndo->isEnabled());
            window.btnCancel->click();
        });
        main->actProfileHistory->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("first"));
        QVERIFY(ProgressWindows().isEmpty());
    }

    void applyIsUndoneFromTheMenuAndTheUndoFromItsProgressWindow() {
        TestMachine() = {{"k1", "home"}, {"k2", "work"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        TConfigurationProfile& office = a.Profiles().Add();
        office.SetName("Office");
        office.RefreshAll();
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        QVERIFY(!main->actProfileUndoApply->isEnabled());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("home"));
        TfrmProgress* progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QVERIFY(progress->btnUndo->isVisible());
        progress->close();
        Idle();
        QVERIFY(main->actProfileUndoApply->isEnabled());
        QVERIFY(main->findChild<QAction*>("miProfileUndoApply")->isEnabled());

        // Through the applier: its question, after what is undone; No changes nothing.
        TMessageBoxes::Reset();
        main->actProfileUndoApply->trigger();
        QCOMPARE(TMessageBoxes::Questions().size(), 1);
        QVERIFY(TMessageBoxes::Questions().first().startsWith(QStringLiteral("Undo the apply of Office (A) at ")));
        QVERIFY(TMessageBoxes::Questions().first().endsWith(QLatin1String(ApplyQuestion)));
        QCOMPARE(TestMachine()["k1"], std::string("home"));
        QVERIFY(ProgressWindows().isEmpty());

        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileUndoApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        QCOMPARE(TestMachine()["k2"], std::string("work"));
        progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QCOMPARE(progress->lblText->text(), QStringLiteral("Undid the apply of Office: 2 settings, no errors"));
        QCOMPARE(main->StatusText(), progress->lblText->text());

        // The undo is undone once, from its progress window.
        QVERIFY(progress->btnUndo->isVisible());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        progress->btnUndo->click();
        QTRY_COMPARE(TestMachine()["k1"], std::string("home"));
        progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QVERIFY(!progress->btnUndo->isVisible());
        progress->close();
        Idle();
        QVERIFY(!main->actProfileUndoApply->isEnabled());

        // Straight from the window of the run, with nothing undoable before it.
        TestMachine()["k2"] = "away";
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TestMachine()["k2"], std::string("work"));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        ProgressWindows().value(0)->btnUndo->click();
        QTRY_COMPARE(TestMachine()["k2"], std::string("away"));
    }

    void inForceLabelTellsTheProfileAppliedLastAndWhetherTheMachineStillMatchesIt() {
        TestMachine() = {{"k1", "home"}, {"k2", "work"}};
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1", "k2"}), "Office");
        AddConfiguration(Root(), "B", {"k1"});
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        QLabel* label = main->lblInForce;
        QCOMPARE(label->objectName(), QStringLiteral("lblInForce"));
        QCOMPARE(label->accessibleName(), QStringLiteral("Profile in force"));
        const QString none = QStringLiteral("No profile of this configuration has been applied yet.");
        QCOMPARE(label->toolTip(), none); // whole, where the label cuts it short
        // The full text, for a screen reader on one line.
        const auto verdict = [label] { return label->toolTip().section(QLatin1Char('\n'), 1); };

        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        // Not while the run's window keeps the main window disabled.
        QTest::qWait(50);
        QCOMPARE(verdict(), QStringLiteral("Checking whether the machine still matches it..."));
        ProgressWindows().value(0)->close();
        QTRY_COMPARE(verdict(), QStringLiteral("The machine still matches it."));
        QCOMPARE(label->accessibleDescription(),
                 QString(label->toolTip()).replace(QLatin1Char('\n'), QLatin1Char(' ')));

        // The machine moves away: choosing the configuration looks again, one setting a step.
        TestMachine()["k2"] = "moved";
        SelectItemIndex(*main->cmbConfigurations, 0);
        QCOMPARE(verdict(), QStringLiteral("Checking whether the machine still matches it..."));
        QTRY_COMPARE(verdict(), QStringLiteral("The machine no longer matches it: Test (k2) has changed."));

        SelectItemIndex(*main->cmbConfigurations, 1);
        QCOMPARE(label->toolTip(), none); // whole, where the label cuts it short

        // The undo takes the apply back: none of the configuration is left.
        SelectItemIndex(*main->cmbConfigurations, 0);
        Idle();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileUndoApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        QCOMPARE(label->toolTip(), none); // whole, where the label cuts it short
    }

    void theLastApplyIsShownInLocalTime() {
        const QByteArray zone = qgetenv("TZ");
        const auto restoreZone = qScopeGuard([&zone] { zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone); });
        qputenv("TZ", "IST-5:30");
        if (QDateTime(QDate(2026, 12, 7), QTime(9, 20), Qt::UTC).toLocalTime().time() != QTime(14, 50))
            QSKIP("The C library here takes no time zone from TZ");
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1"}), "Office");
        auto main = OpenMain();
        auto applied = std::make_unique<TProfileSnapshot>();
        applied->SetConfiguration("A");
        applied->SetProfile("Office");
        applied->SetTime("2026-12-07 09:20:45"); // the snapshot keeps UTC
        main->History().Add(std::move(applied));
        SelectItemIndex(*main->cmbConfigurations, 0);
        QCOMPARE(main->lblInForce->toolTip().section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Applied last: Office, 2026-12-07 14:50"));

        // The undo's menu hint and its question name the same time.
        Idle();
        const QString undo = QStringLiteral("Undo the apply of Office (A) at 2026-12-07 14:50:45");
        QCOMPARE(main->actProfileUndoApply->statusTip(), undo);
        TMessageBoxes::Reset();
        main->actProfileUndoApply->trigger();
        QCOMPARE(TMessageBoxes::Questions().size(), 1);
        QVERIFY2(TMessageBoxes::Questions().first().startsWith(undo), qPrintable(TMessageBoxes::Questions().first()));
    }

    void progressWindowTitleSaysHowTheRunEnded() {
        TfrmProgress progress;
        QCOMPARE(progress.windowTitle(), QStringLiteral("Please wait..."));
        progress.Done(QStringLiteral("Applied Home: 2 settings, 1 error"));
        QCOMPARE(progress.windowTitle(), QStringLiteral("Applied Home: 2 settings, 1 error"));
        TfrmProgress bare;
        bare.Done();
        QCOMPARE(bare.windowTitle(), QStringLiteral("Done"));
    }

    void accessDeniedLineInTheProgressLogAdvises() {
        const TDeniedApply denied = ApplyDenied();
        // Made one line: the two spaces after "Error." become one.
        QVERIFY2(denied.line.startsWith(QStringLiteral("Test (k1): System Error. Code: 5.")), qPrintable(denied.line));
        // After the system's own text, which differs between Windows and Wine.
        QVERIFY2(denied.line.endsWith(QStringLiteral(". You may need administrative rights: start Prolamo as "
                                                     "administrator and try again")),
                 qPrintable(denied.line));
        QCOMPARE(denied.title, QStringLiteral("Applied Office: 1 setting, 1 error"));
    }

    void aFailedApplyInGermanLogsItsErrorAndAdviceInGerman() {
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        const TDeniedApply denied = ApplyDenied();
        QVERIFY2(denied.line.startsWith(QStringLiteral("Test (k1): Systemfehler. Code: 5.")), qPrintable(denied.line));
        QVERIFY2(denied.line.endsWith(QStringLiteral(". Sie brauchen möglicherweise Administratorrechte: Starten Sie "
                                                     "Prolamo als Administrator und versuchen Sie es erneut")),
                 qPrintable(denied.line));
    }

    void aKindsOwnErrorInGermanNamesWhatFailedInGerman() {
        // A File setting whose path is a folder on this machine: the kind's own words.
        const std::string folder = ToUtf8(DataFolder());
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        TFileSetting setting;
        setting.SetFileName(folder);
        TFileSettingValue value;
        TCheckResultList results;
        QString error;
        try {
            setting.ApplyValue(value, results);
        } catch (const Exception& e) {
            error = ToQString(e.Message());
        }
        QCOMPARE(error, ToQString(folder) + QStringLiteral(" ist ein Ordner, keine Datei"));
    }

    void aBrokenRulesFileAndTheServicesLinesAreToldInGerman() {
        std::ofstream(RulesFilePath()) << "[Home]\nconfiguration = A\nprofile = Home\ngateway = 1.2.3\n";
        auto main = OpenMain();
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        TfrmRules rules(AttachSwitching(*main), main.get());
        QVERIFY2(rules.lblFile->text().endsWith(QStringLiteral("Zeile 4: gateway braucht eine IPv4-Adresse wie "
                                                               "192.168.1.1, nicht \"1.2.3\"")),
                 qPrintable(rules.lblFile->text()));
        // The service keys its lines, a kind's error among them, and the program tells them in its
        // own language once they have come down the wire.
        THostsFileSetting hosts;
        std::string status, error;
        {
            const TKeyedTexts keyed;
            status = FormatServiceReply(
                {TServiceReply::Kind::Status, Translated("Engine", "Applying %1...", {hosts.GetDisplayText()})});
            TCheckResultList results;
            results.AddError(hosts.GetDisplayText(), AdvisedMessage(EOSError(5)));
            error = FormatServiceReply({TServiceReply::Kind::Error, results[0].Text()});
        }
        const auto told = [](const std::string& line) {
            const std::optional<TServiceReply> reply = ParseServiceReply(line.substr(0, line.size() - 1));
            return reply ? ToQString(ServiceReplyText(*reply)) : QString();
        };
        QCOMPARE(told(status), QStringLiteral("Hosts-Datei wird angewendet..."));
        QVERIFY2(told(error).startsWith(QStringLiteral("Hosts-Datei: Systemfehler.  Code: 5. ")),
                 qPrintable(told(error)));
        QVERIFY2(told(error).endsWith(QStringLiteral("Sie brauchen möglicherweise Administratorrechte: Starten Sie "
                                                     "Prolamo als Administrator und versuchen Sie es erneut")),
                 qPrintable(told(error)));
    }

    void progressWindowStaysUnderThePointerSoItsUndoIsNotLost() {
        // The user reaches for "Undo last apply" as the window's time runs out: it must not go
        // from under the pointer, or the click goes with it and the apply stays.
        TestMachine() = {{"k1", "home"}};
        AddCapturedProfile(AddConfiguration(Root(), "A", {"k1"}), "Office");
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        // The offscreen screen stacks no windows: the pointer finds the progress window only
        // where the main window is not.
        main->move(0, 0);
        const int summaryTime = TfrmProgress::SummaryTime();
        TfrmProgress::SetSummaryTime(20);
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QPointer<TfrmProgress> progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QTest::mouseMove(progress->btnUndo);
        QTest::qWait(100);
        QVERIFY(progress && progress->isVisible());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(progress->btnUndo, Qt::LeftButton);
        QTRY_COMPARE(TestMachine()["k1"], std::string("away"));

        // The undo's window opens under the pointer too, and closes once the pointer has left it.
        progress = ProgressWindows().value(0);
        QVERIFY(progress);
        QTest::qWait(100);
        QVERIFY(progress && progress->isVisible());
        QTest::mouseMove(main.get(), QPoint(1, 1));
        QTRY_VERIFY(ProgressWindows().isEmpty());
        TfrmProgress::SetSummaryTime(summaryTime);
        QVERIFY(main->isEnabled());
    }

    void trayMenuAppliesUndoesPausesAndStartsWithTheSession() {
        TestMachine() = {{"k1", "home"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        TConfigurationProfile& office = a.Profiles().Add();
        office.SetName("Office");
        office.RefreshAll();
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        TDesktopSwitching& switching = AttachSwitching(*main);
        auto* tray = new TTrayIcon(*main, switching); // the window owns it
        const auto profileItem = [tray](const QString& configuration, const QString& profile) -> QAction* {
            tray->FillMenu();
            for (QAction* item : tray->mnuTray->actions())
                if (item->menu() && item->menu()->title() == configuration)
                    for (QAction* entry : item->menu()->actions())
                        if (entry->text() == profile)
                            return entry;
            return nullptr;
        };
        QAction* item = profileItem(QStringLiteral("A"), QStringLiteral("Office"));
        QVERIFY(item);
        QVERIFY(!item->isChecked());
        QVERIFY(!tray->miUndoApply->isEnabled());

        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        item->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("home"));
        QCOMPARE(ProgressWindows().size(), 1);
        ProgressWindows().value(0)->close();
        Idle();
        QVERIFY(profileItem(QStringLiteral("A"), QStringLiteral("Office"))->isChecked());
        QCOMPARE(tray->trayIcon->toolTip(), QStringLiteral("Prolamo\nA: Office"));

        QVERIFY(tray->miUndoApply->isEnabled());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        tray->miUndoApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        ProgressWindows().value(0)->close();
        Idle();

        // Pause is one state, whichever menu sets it.
        tray->miPause->trigger();
        QVERIFY(switching.Paused());
        QVERIFY(main->miPauseSwitching->isChecked());
        QCOMPARE(main->lblSwitching->toolTip(), QStringLiteral("Automatic switching is paused."));
        main->miPauseSwitching->trigger();
        QVERIFY(!switching.Paused());
        QVERIFY(!tray->miPause->isChecked());

        OnNextModal<TfrmRules>([](TfrmRules& rules) { rules.btnCancel->click(); });
        tray->miRules->trigger();

        QCOMPARE(workstation_->StartWithSessionCommand(), std::string());
        tray->miStartWithSession->trigger();
        const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
        QCOMPARE(QString::fromStdString(workstation_->StartWithSessionCommand()),
                 QStringLiteral("\"%1\" --tray").arg(program));
        QVERIFY(tray->miStartWithSession->isChecked());
        tray->miStartWithSession->trigger();
        QCOMPARE(workstation_->StartWithSessionCommand(), std::string());
        QVERIFY(!tray->miStartWithSession->isChecked());
    }

    // The rule for the network the workstation is on applies after settling, kept for undo like
    // any apply, and the tray says so.
    void watcherAppliesTheMatchingRulesProfile() {
        MakeHomeRuleAway();
        auto main = OpenMain();
        TDesktopSwitching& switching = AttachSwitching(*main, {std::chrono::seconds(1)});
        auto* tray = new TTrayIcon(*main, switching);
        QSignalSpy applied(&switching, &TDesktopSwitching::Applied);
        QTRY_COMPARE_WITH_TIMEOUT(TestMachine()["k1"], std::string("home"), 10000);
        QCOMPARE(tray->LastApplied(*Root().Configurations().Find("A")), std::string("Home"));
        QVERIFY(main->actProfileUndoApply->isEnabled());
        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied.first().first().toString(), QStringLiteral("Applied Home: 1 setting, no errors"));
        QVERIFY2(main->lblSwitching->toolTip().endsWith(QStringLiteral(": Applied Home: 1 setting, no errors")),
                 qPrintable(main->lblSwitching->toolTip()));
    }

    // While another program watches, the desktop program's watcher applies nothing and says who
    // watches; once that one ends, it takes over.
    void watcherStaysPassiveWhileAnotherProgramWatches() {
        MakeHomeRuleAway();
        std::optional<TWatcherHolder> holder;
        auto other = TWatcherLock::Take("prolamo-cli watch", &holder);
        QVERIFY(other);
        auto main = OpenMain();
        TDesktopSwitching& switching = AttachSwitching(*main, {std::chrono::seconds(0)});
        const QString passive = QStringLiteral("Automatic switching: another Prolamo program watches (process %1).")
                                    .arg(QCoreApplication::applicationPid());
        QCOMPARE(switching.StateText(), passive);
        QTest::qWait(1500);
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        QCOMPARE(main->lblSwitching->toolTip(), passive);

        other.reset();
        QTRY_COMPARE_WITH_TIMEOUT(TestMachine()["k1"], std::string("home"), 10000);
        for (TfrmProgress* progress : ProgressWindows())
            progress->close();
        QTRY_VERIFY2(switching.StateText().endsWith(QStringLiteral(": Applied Home: 1 setting, no errors")),
                     qPrintable(switching.StateText()));
        QVERIFY2(!TWatcherLock::Take("prolamo-cli watch", &holder), "the desktop program holds the lock now");
        QCOMPARE(holder->program, std::string("prolamo"));
    }

    // Every change of the rules window is in the file at once, in the window's order; a change
    // another program made is shown, and a change made on rules the file no longer holds refused.
    void rulesWindowAddsOrdersTestsAndDeletesRulesAndTheFileFollows() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().SetName("Home");
        a.Profiles().Add().SetName("Office");
        AddConfiguration(Root(), "B", {"k2"}).Profiles().Add().SetName("Train");
        auto main = OpenMain();
        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.show();
        const auto inFile = [] {
            QStringList names;
            for (const TSwitchRule& rule : LoadRules(RulesFilePath()).rules)
                names << ToQString(rule.name);
            return names;
        };
        const auto listed = [&rules] {
            QStringList names;
            for (int row = 0; row < rules.lvwRules->rowCount(); ++row)
                names << rules.lvwRules->item(row, TfrmRules::colName)->text();
            return names;
        };
        const auto select = [&rules](const QString& name) {
            rules.lvwRules->clearSelection();
            for (int row = 0; row < rules.lvwRules->rowCount(); ++row)
                if (rules.lvwRules->item(row, TfrmRules::colName)->text() == name)
                    rules.lvwRules->selectRow(row);
            rules.UpdateActions();
        };
        QVERIFY(!rules.actRuleEdit->isEnabled());

        // A rule of the network the computer is on; OK keeps the dialog open on what it cannot save.
        OnNextModal<TfrmEditRule>([](TfrmEditRule& editor) {
            const auto closed = qScopeGuard([&editor] { editor.reject(); });
            QCOMPARE(editor.edtName->text(), QStringLiteral("Rule 1"));
            QCOMPARE(editor.cmbConfiguration->currentText(), QStringLiteral("A"));
            QCOMPARE(editor.cmbProfile->currentText(), QStringLiteral("Home"));
            editor.btnOK->click();
            QVERIFY(editor.isVisible());
            QVERIFY2(
                TMessageBoxes::Errors().value(0).startsWith(QStringLiteral("The rule \"Rule 1\" has no condition")),
                qPrintable(TMessageBoxes::Errors().value(0)));
            editor.edtName->setText(QStringLiteral("Home"));
            editor.mnuNetworkPopup();
            for (QAction* offered : editor.mnuNetwork->actions())
                offered->trigger();
            editor.btnOK->click();
        });
        rules.actRuleNew->trigger();
        QCOMPARE(inFile(), QStringList{"Home"});
        const TSwitchRule home = LoadRules(RulesFilePath()).rules.at(0);
        QCOMPARE(home.profile, std::string("Home"));
        QVERIFY(!home.conditions.empty());
        const TSwitchRules made = LoadRules(RulesFilePath());
        QVERIFY(made.FirstMatch(ReadNetworkFingerprint()) == &made.rules[0]);

        // A condition written by hand, checked as the file checks it; another configuration's profiles.
        OnNextModal<TfrmEditRule>([](TfrmEditRule& editor) {
            const auto closed = qScopeGuard([&editor] { editor.reject(); });
            editor.edtName->setText(QStringLiteral("Office"));
            SelectItemIndex(*editor.cmbConfiguration, editor.cmbConfiguration->findText(QStringLiteral("B")));
            QCOMPARE(ComboTexts(*editor.cmbProfile), QStringList{"Train"});
            SelectItemIndex(*editor.cmbConfiguration, editor.cmbConfiguration->findText(QStringLiteral("A")));
            editor.cmbProfile->setCurrentIndex(editor.cmbProfile->findText(QStringLiteral("Office")));
            editor.cmbConditionKind->setCurrentIndex(
                editor.cmbConditionKind->findText(QStringLiteral("gateway (gateway)")));
            editor.edtConditionValue->setText(QStringLiteral("10.20.30"));
            editor.UpdateActions();
            editor.actConditionAdd->trigger();
            QVERIFY(TMessageBoxes::Errors().last().startsWith(QStringLiteral("Gateway needs an IPv4 address")));
            editor.cmbConditionKind->setCurrentIndex(
                editor.cmbConditionKind->findText(QStringLiteral("DNS suffix (dns-suffix)")));
            editor.edtConditionValue->setText(QStringLiteral("corp.example"));
            editor.UpdateActions();
            editor.actConditionAdd->trigger();
            QCOMPARE(ListTexts(*editor.lvwConditions), QStringList{"dns-suffix corp.example"});
            editor.chkAsk->setChecked(true);
            editor.btnOK->click();
        });
        rules.actRuleNew->trigger();
        QCOMPARE(inFile(), (QStringList{"Home", "Office"}));
        QCOMPARE(listed(), inFile());
        QCOMPARE(rules.lvwRules->item(1, TfrmRules::colProfile)->text(), QStringLiteral("Office (A), asks first"));
        QCOMPARE(rules.lvwRules->item(1, TfrmRules::colConditions)->text(), QStringLiteral("dns-suffix corp.example"));

        // Names stay unique: the editor says so and stays open until cancelled.
        OnNextModal<TfrmEditRule>([](TfrmEditRule& editor) {
            editor.edtName->setText(QStringLiteral("Office"));
            editor.btnOK->click();
            const bool refused = editor.isVisible();
            editor.btnCancel->click();
            QVERIFY(refused);
            QVERIFY(
                TMessageBoxes::Errors().last().startsWith(QStringLiteral("A rule named \"Office\" already exists")));
        });
        select(QStringLiteral("Home"));
        rules.actRuleEdit->trigger();
        QCOMPARE(inFile(), (QStringList{"Home", "Office"}));

        select(QStringLiteral("Office"));
        QVERIFY(!rules.actRuleDown->isEnabled());
        rules.actRuleUp->trigger();
        QCOMPARE(inFile(), (QStringList{"Office", "Home"}));
        QCOMPARE(listed(), inFile());
        rules.UpdateActions();
        QVERIFY2(!rules.actRuleUp->isEnabled(), "the moved rule stays selected");
        rules.actRuleDown->trigger();
        QCOMPARE(inFile(), (QStringList{"Home", "Office"}));

        // Test now names the rule that matches here, and selects it.
        select(QStringLiteral("Office"));
        rules.actTest->trigger();
        QVERIFY2(rules.edtTest->toPlainText().contains(QStringLiteral("Rule \"Home\" is the first that matches")),
                 qPrintable(rules.edtTest->toPlainText()));
        QCOMPARE(rules.lvwRules->selectedItems().value(0)->row(), 0);

        // Delete asks, with No as the answer Enter gives.
        select(QStringLiteral("Office"));
        rules.actRuleDel->trigger();
        QCOMPARE(TMessageBoxes::Questions().last(), QStringLiteral("Do you want to delete \"Office\"?"));
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QCOMPARE(inFile(), (QStringList{"Home", "Office"}));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        rules.actRuleDel->trigger();
        QCOMPARE(inFile(), QStringList{"Home"});
        QCOMPARE(listed(), inFile());

        // Another program adds a rule: the window shows it.
        TSwitchRules other = LoadRules(RulesFilePath());
        other.Add({"Train", "B", "Train", false, {TRuleCondition::Parse("no-network", "")}});
        SaveRules(RulesFilePath(), other);
        rules.tmrReloadTimer();
        QCOMPARE(listed(), (QStringList{"Home", "Train"}));
        QVERIFY(rules.lblFile->text().startsWith(QStringLiteral("Another program changed the rules")));

        // It takes the rule away again before the window has read it: the window's change is refused.
        other.Remove("Train");
        SaveRules(RulesFilePath(), other);
        select(QStringLiteral("Home"));
        rules.actRuleDown->trigger();
        QVERIFY(
            TMessageBoxes::Errors().last().startsWith(QStringLiteral("Another program changed the rules meanwhile")));
        QCOMPARE(inFile(), QStringList{"Home"});
        QCOMPARE(listed(), inFile());

        // A file that cannot be read is said, and not written over.
        std::ofstream(RulesFilePath()) << "[Home]\nsid = x\n";
        rules.tmrReloadTimer();
        QVERIFY2(rules.lblFile->text().contains(QStringLiteral("line 2: unknown condition")),
                 qPrintable(rules.lblFile->text()));
        const std::vector<std::uint8_t> broken = ReadBytes(RulesFilePath());
        select(QStringLiteral("Home"));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        rules.actRuleDel->trigger();
        QVERIFY(TMessageBoxes::Errors().last().contains(QStringLiteral("line 2: unknown condition")));
        QCOMPARE(ReadBytes(RulesFilePath()), broken);
    }

    // The watcher does not look while the rules window (a modal dialog) is open, and decides on the
    // rules it left as soon as it closes, without waiting for the network to change.
    void aRuleAddedInTheRulesWindowIsAppliedByTheWatcher() {
        TestMachine() = {{"k1", "home"}};
        TConfigurationProfile& home = AddConfiguration(Root(), "A", {"k1"}).Profiles().Add();
        home.SetName("Home");
        home.RefreshAll();
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        AttachSwitching(*main, {std::chrono::seconds(0)});
        std::string whileOpen;
        OnNextModal<TfrmRules>([&whileOpen](TfrmRules& rules) {
            AddRuleForThisNetwork(rules);
            QTest::qWait(1500);
            whileOpen = TestMachine()["k1"];
            rules.done(QDialog::Rejected);
        });
        main->miRules->trigger();
        QCOMPARE(whileOpen, std::string("away"));
        QTRY_COMPARE_WITH_TIMEOUT(TestMachine()["k1"], std::string("home"), 5000);
    }

    // The running program holds no lock between its saves, so the rules window, whose lock shares
    // the data file's folder, saves at once.
    void theRulesWindowSavesWhileTheProgramRuns() {
        AddConfiguration(Root(), "A", {"k1"}).Profiles().Add().SetName("Home");
        int saved = -1;
        QTimer::singleShot(0, [&saved] {
            TfrmMain* main = ShownMainWindow();
            if (!main)
                return;
            OnNextModal<TfrmRules>([&saved, main](TfrmRules& rules) {
                AddRuleForThisNetwork(rules);
                saved = static_cast<int>(LoadRules(RulesFilePath()).rules.size());
                rules.done(QDialog::Rejected);
                QTimer::singleShot(0, main, [main] { main->btnCancel->click(); });
            });
            main->miRules->trigger();
        });
        TTrayIcon::SetAvailableForTests(false);
        const int exitCode = RunProlamo();
        TTrayIcon::SetAvailableForTests(std::nullopt);
        QCOMPARE(exitCode, 0);
        QCOMPARE(saved, 1);
        QVERIFY(TMessageBoxes::Errors().isEmpty());
    }

    // Without a notification area the program has no tray icon, but switches all the same.
    void watcherRunsWithoutANotificationArea() {
        TTrayIcon::SetAvailableForTests(false);
        MakeHomeRuleAway();
        bool trayless = false;
        QString state;
        TDesktopSwitching::SetTimesForTests(TWatcherTimes{std::chrono::seconds(0)});
        QTimer::singleShot(0, [&trayless, &state] {
            TfrmMain* main = ShownMainWindow();
            if (!main)
                return;
            trayless = !main->findChild<TTrayIcon*>() && main->findChild<TDesktopSwitching*>();
            auto* watch = new QTimer(main);
            QObject::connect(watch, &QTimer::timeout, main, [main, &state] {
                for (TfrmProgress* progress : ProgressWindows())
                    progress->close();
                if (TestMachine()["k1"] == "home" && main->isEnabled()) {
                    state = main->lblSwitching->toolTip();
                    main->btnCancel->click();
                }
            });
            watch->start(100);
            // However it goes, the program ends.
            QTimer::singleShot(10000, main, [main] { main->done(QDialog::Rejected); });
        });
        const int exitCode = RunProlamo();
        TDesktopSwitching::SetTimesForTests(std::nullopt);
        QCOMPARE(exitCode, 0);
        QVERIFY(trayless);
        QCOMPARE(TestMachine()["k1"], std::string("home"));
        QVERIFY2(state.endsWith(QStringLiteral("Applied Home: 1 setting, no errors")), qPrintable(state));
    }

    // A start where the machine holds the profile a rule applied before applies nothing; a start
    // after the machine moved away from it applies it again.
    void watcherAtStartLeavesTheProfileTheMachineIsIn() {
        TestMachine() = {{"k1", "home"}};
        TConfigurationProfile& home = AddConfiguration(Root(), "A", {"k1"}).Profiles().Add();
        home.SetName("Home");
        home.RefreshAll();
        std::ofstream(RulesFilePath()) << "[Home]\nconfiguration = A\nprofile = Home\n"
                                       << workstation_->ConditionOfCurrentNetwork() << "\n";
        TSwitchMemoryFile().Keep({"A", "Home"});
        {
            auto main = OpenMain();
            AttachSwitching(*main, {std::chrono::seconds(0)});
            QTRY_VERIFY_WITH_TIMEOUT(
                main->lblSwitching->toolTip().endsWith(QStringLiteral("which is applied already.")), 5000);
            QVERIFY(ProgressWindows().isEmpty());
            QCOMPARE(main->History().Snapshots().Count(), std::size_t{0});
        }
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        AttachSwitching(*main, {std::chrono::seconds(0)});
        QTRY_COMPARE_WITH_TIMEOUT(TestMachine()["k1"], std::string("home"), 5000);
        QCOMPARE(main->History().Snapshots().Count(), std::size_t{1});
    }

    void refreshSaysWhatItCapturedAndIsUndoneInTheMainWindowAndTheEditor() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}, {"k3", "three"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3"});
        TConfigurationProfile& home = a.Profiles().Add();
        home.SetName("Home");
        home.RefreshAll();
        const auto hint = [&a](int setting) {
            const TSettingValue* value = a.Profiles()[0].FindValue(a.Settings()[setting]);
            return value ? value->GetHint() : std::string("none");
        };
        TestMachine()["k1"] = "uno";
        auto main = OpenMain();
        QVERIFY(!main->actProfileUndoRefresh->isEnabled());
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileRefresh->trigger();
        QCOMPARE(main->StatusText(), QStringLiteral("Captured 3 settings into Home"));
        QCOMPARE(hint(0), std::string("uno"));
        Idle();
        QVERIFY(main->actProfileUndoRefresh->isEnabled());
        main->actProfileUndoRefresh->trigger();
        QCOMPARE(hint(0), std::string("one"));
        QVERIFY(main->StatusText().startsWith(QStringLiteral("Put back 3 settings of Home")));
        // Longer than the window is wide: the line ends in "...", its tip holds it whole.
        QVERIFY(main->lblStatus->text().endsWith(QChar(0x2026)));
        QCOMPARE(main->lblStatus->toolTip(), main->StatusText());
        Idle();
        QVERIFY(!main->actProfileUndoRefresh->isEnabled());

        // In the editor: the undo works on the dialog's profile; Cancel drops its refreshes.
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            editor.UpdateActions();
            QVERIFY(!editor.actUndoRefresh->isEnabled());
            editor.lvwValues->item(0)->setSelected(true);
            editor.UpdateActions();
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            editor.actRefreshValue->trigger();
            QCOMPARE(editor.lvwValuesInfoTip(editor.lvwValues->item(0)), QStringLiteral("uno"));
            editor.UpdateActions();
            QVERIFY(editor.actUndoRefresh->isEnabled());
            editor.actUndoRefresh->trigger();
            QCOMPARE(editor.lvwValuesInfoTip(editor.lvwValues->item(0)), QStringLiteral("one"));
            editor.UpdateActions();
            QVERIFY(!editor.actUndoRefresh->isEnabled());
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            editor.actRefreshAllValues->trigger();
            editor.btnCancel->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(hint(0), std::string("one"));
        Idle();
        QVERIFY(!main->actProfileUndoRefresh->isEnabled());

        // A refresh kept with OK, under a new name, is undone from the main window.
        OnNextModal<TfrmEditProfile>([](TfrmEditProfile& editor) {
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            editor.actRefreshAllValues->trigger();
            editor.edtName->setText(QStringLiteral("Away"));
            editor.btnOK->click();
        });
        main->actProfileEdit->trigger();
        QCOMPARE(hint(0), std::string("uno"));
        Idle();
        main->actProfileUndoRefresh->trigger();
        QCOMPARE(TMessageBoxes::Errors(), QStringList());
        QCOMPARE(hint(0), std::string("one"));
        QCOMPARE(a.Profiles()[0].Name(), std::string("Away"));
    }

    void refreshAsksBeforeItReplacesValuesAndNamesThem() {
        TestMachine() = {{"k1", "home"}, {"k2", "work"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        TConfigurationProfile& office = a.Profiles().Add();
        office.SetName("Office");
        office.RefreshValue(a.Settings()[0]);
        a.Profiles().Add().SetName("Empty");
        const auto hint = [&a](const std::string& profile, int setting) {
            const TSettingValue* value = a.Profiles().Find(profile)->FindValue(a.Settings()[setting]);
            return value ? value->GetHint() : std::string("none");
        };
        TestMachine() = {{"k1", "away"}, {"k2", "away"}};
        auto main = OpenMain();
        main->SelectProfile(a, office);

        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actProfileRefresh->trigger();
        QCOMPARE(TMessageBoxes::Questions(),
                 QStringList{"Refresh replaces what \"Office\" holds of these settings with what the machine "
                             "holds now:\n\nTest (k1)\n\nReplace them?"});
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QCOMPARE(hint("Office", 0), std::string("home"));
        QCOMPARE(hint("Office", 1), std::string("none"));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileRefresh->trigger();
        QCOMPARE(hint("Office", 0), std::string("away"));
        QCOMPARE(hint("Office", 1), std::string("away"));

        // Nothing to replace, nothing to ask.
        TMessageBoxes::Reset();
        main->SelectProfile(a, *a.Profiles().Find("Empty"));
        main->actProfileRefresh->trigger();
        QCOMPARE(TMessageBoxes::Questions(), QStringList());
        QCOMPARE(hint("Empty", 1), std::string("away"));

        // The editor asks for the values it would replace, the selected ones or all.
        TestMachine() = {{"k1", "again"}, {"k2", "again"}};
        TfrmEditProfile editor(office, *history_, a);
        editor.lvwValues->item(1)->setSelected(true);
        editor.UpdateActions();
        editor.actRefreshValue->trigger();
        editor.actRefreshAllValues->trigger();
        QCOMPARE(TMessageBoxes::Questions().size(), 2);
        QVERIFY(TMessageBoxes::Questions()[0].contains(QStringLiteral(":\n\nTest (k2)\n\n")));
        QVERIFY(TMessageBoxes::Questions()[1].contains(QStringLiteral(":\n\nTest (k1)\nTest (k2)\n\n")));
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QCOMPARE(hint("Office", 0), std::string("away"));
        QCOMPARE(hint("Office", 1), std::string("away"));
    }

    void previewShowsEachSettingFromTheMenuAndFromTheApplyQuestion() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3"});
        auto broken = std::make_unique<TBrokenTestSetting>();
        broken->SetKey("gone");
        TSetting& gone = a.AddSetting(std::move(broken));
        TConfigurationProfile& home = a.Profiles().Add();
        home.SetName("Home");
        home.RefreshValue(a.Settings()[0]);
        home.RefreshValue(a.Settings()[1]);
        auto stored = std::make_unique<TTestValue>();
        stored->SetCreatorId(gone.Id());
        stored->SetText("kept");
        home.SetValue(gone, std::move(stored));
        TestMachine()["k1"] = "uno";
        const std::map<std::string, std::string> before = TestMachine();
        auto main = OpenMain();

        QStringList rows;
        OnNextModal<TfrmPreview>([&rows](TfrmPreview& preview) {
            for (int row = 0; row < preview.lvwChanges->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < preview.lvwChanges->columnCount(); ++column)
                    cells << preview.lvwChanges->item(row, column)->text();
                rows << cells.join(QLatin1Char('|'));
            }
            QCOMPARE(preview.windowTitle(), QStringLiteral("What will change: Home"));
            QCOMPARE(preview.lblSummary->text(), ToQString(preview.Preview().Summary()));
            preview.btnCancel->click();
        });
        main->actProfilePreview->trigger();
        QCOMPARE(rows, (QStringList{"Test (k1)|will change|uno|one", "Test (k2)|unchanged|two|two",
                                    "Test (k3)|not captured||", "Broken (gone)|cannot be read|cannot read gone|kept"}));
        QVERIFY(TestMachine() == before);

        // "Show changes" in the apply question shows the preview and asks again.
        bool shown = false;
        OnNextModal<TfrmPreview>([&shown](TfrmPreview& preview) {
            shown = true;
            QVERIFY(preview.btnApply->isHidden()); // the question that opened it is asked again
            preview.btnCancel->click();
        });
        TMessageBoxes::SetNextAnswer(TMessageBoxes::ShowChangesAnswer);
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actProfileApply->trigger();
        QVERIFY(shown);
        QCOMPARE(TMessageBoxes::Questions().size(), 2);
        QVERIFY(TestMachine() == before);
    }

    void previewShowsTheLinesRemovedAndAddedAndAppliesFromItsButton() {
        TestMachine() = {{"k1", "a\nb\nc"}, {"k2", "one"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k2", "k1"});
        AddCapturedProfile(a, "Office");
        TestMachine() = {{"k1", "a\nx\nc\nd"}, {"k2", "two"}};
        auto main = OpenMain();

        QStringList cells;
        QString difference;
        OnNextModal<TfrmPreview>([&](TfrmPreview& preview) {
            cells << preview.lvwChanges->item(1, TfrmPreview::colNow)->text()
                  << preview.lvwChanges->item(1, TfrmPreview::colAfter)->text()
                  << preview.lvwChanges->item(1, TfrmPreview::colAfter)->toolTip();
            QCOMPARE(preview.lvwChanges->currentRow(), 1); // the setting of several lines, not the first
            difference = preview.memDifference->toPlainText();
            preview.lvwChanges->setCurrentCell(0, TfrmPreview::colSetting);
            QVERIFY(preview.memDifference->toPlainText().isEmpty()); // one line: its cells say it all
            QVERIFY(preview.btnApply->isVisible());
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            preview.btnApply->click();
        });
        main->actProfilePreview->trigger();
        QCOMPARE(cells, (QStringList{"4 lines", "3 lines: 2 removed, 1 added", "a\nb\nc"}));
        QCOMPARE(difference, QStringLiteral("  a\n- x\n+ b\n  c\n- d"));

        // The main window's apply: its question, then the progress window.
        QCOMPARE(TMessageBoxes::Questions().size(), 1);
        QVERIFY(TMessageBoxes::Questions().first().contains(QLatin1String(ApplyQuestion)));
        QCOMPARE(TestMachine()["k1"], std::string("a\nb\nc"));
        QCOMPARE(TestMachine()["k2"], std::string("one"));
        QCOMPARE(ProgressWindows().size(), 1);
    }

    void exportAndImportThroughTheFileMenu() {
        TestMachine() = {{"k1", "one"}};
        TConfiguration& a = AddConfiguration(Root(), "Network", {"k1"});
        a.Profiles().Add().SetName("Home");
        a.Profiles()[0].RefreshAll();
        const std::string file = (workstation_->Scratch() / "network.txt").string();
        auto main = OpenMain();
        TFileDialogs::SetNextFileName(std::nullopt);
        main->findChild<QAction*>("miExport")->trigger();
        QVERIFY(!std::filesystem::exists(file));
        QCOMPARE(TFileDialogs::LastPresets(),
                 (QStringList{"Network.txt", QString::fromStdString(workstation_->DocumentsFolder())}));

        TFileDialogs::SetNextFileName(ToQString(file));
        main->findChild<QAction*>("miExport")->trigger();
        const std::vector<std::uint8_t> text = ReadBytes(file);
        QVERIFY(std::string(text.begin(), text.end()).starts_with("object Configurations: TConfigurations"));
        QCOMPARE(main->StatusText(), QStringLiteral("Exported Network to ") + ToQString(file));

        // The name is taken: No leaves everything, Yes imports under a new name and shows it.
        TFileDialogs::SetNextFileName(ToQString(file));
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->findChild<QAction*>("miImport")->trigger();
        QCOMPARE(TMessageBoxes::Questions().size(), 1);
        QCOMPARE(Root().Configurations().Count(), std::size_t{1});
        TFileDialogs::SetNextFileName(ToQString(file));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->findChild<QAction*>("miImport")->trigger();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"Network", "Network (2)"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("Network (2)"));
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("Home"));
        QCOMPARE(main->StatusText(), QStringLiteral("Imported Network (2)"));
        const TConfiguration& copy = *Root().Configurations().Find("Network (2)");
        QCOMPARE(copy.Profiles()[0].Values().Count(), std::size_t{1});
        QCOMPARE(copy.Profiles()[0].Values()[0].GetHint(), std::string("one"));

        // A file that is not an export shows why and adds nothing.
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << "object Configurations: TConfigurations\n  Name = \n";
        }
        TFileDialogs::SetNextFileName(ToQString(file));
        main->findChild<QAction*>("miImport")->trigger();
        QCOMPARE(TMessageBoxes::Errors().size(), 1);
        QCOMPARE(Root().Configurations().Count(), std::size_t{2});
        // It names the file and what to choose instead.
        const QString error = TMessageBoxes::Errors().first();
        QVERIFY2(error.startsWith(QStringLiteral("The file %1 cannot be imported:\n").arg(ToQString(file))),
                 qPrintable(error));
        QVERIFY2(error.endsWith(QStringLiteral("Choose a file that \"Export configuration...\" saved; nothing was "
                                               "imported.")),
                 qPrintable(error));
    }

    // Someone else's File setting outside the user's folder is asked about, No by default; the
    // preview and the apply question then name it by its full path.
    void importAsksAboutFilesOutsideTheUsersFolderAndThePreviewNamesThemInFull() {
        RegisterClasses({&TFileSetting::StaticClass(), &TFileSettingValue::StaticClass()});
        const std::string notes =
            (std::filesystem::path(workstation_->FolderOutsideTheUsersOwn()) / "notes.txt").string();
        const std::string file = (workstation_->Scratch() / "shared.txt").string();
        {
            TConfigurations other;
            TConfiguration& shared = other.Configurations().Add(other.Configurations().NewConfiguration());
            shared.SetName("Shared");
            auto setting = std::make_unique<TFileSetting>();
            setting->SetFileName(notes);
            TSetting& added = shared.AddSetting(std::move(setting));
            TConfigurationProfile& home = shared.Profiles().Add();
            home.SetName("Home");
            home.RefreshValue(added);
            std::ofstream(file, std::ios::binary) << ExportConfigurations({&shared});
        }
        auto main = OpenMain();
        TFileDialogs::SetNextFileName(ToQString(file));
        main->findChild<QAction*>("miImport")->trigger();
        QCOMPARE(TMessageBoxes::Questions(),
                 QStringList{ToQString("Its File settings write outside your own folder " +
                                       TOsHelper::GetSpecialFolder(os::CsidlProfile) + ":\n  " + notes +
                                       " (configuration Shared)\n\nImport it?")});
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QVERIFY(!Root().Configurations().Find("Shared"));

        TFileDialogs::SetNextFileName(ToQString(file));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->findChild<QAction*>("miImport")->trigger();
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("Shared"));

        QString shown;
        OnNextModal<TfrmPreview>([&shown](TfrmPreview& preview) {
            shown = preview.lvwChanges->item(0, TfrmPreview::colSetting)->text();
            preview.btnCancel->click();
        });
        TMessageBoxes::SetNextAnswer(TMessageBoxes::ShowChangesAnswer);
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actProfileApply->trigger();
        QCOMPARE(shown, ToQString("File (" + notes + ")"));
        QCOMPARE(TMessageBoxes::Questions().last(),
                 ToQString(std::string(ApplyQuestion) + "\n\nFiles it writes or deletes:\n  File (" + notes + ")"));
        QVERIFY2(!std::filesystem::exists(notes), "answered No");
    }

    void kindWithoutEditorIsAddedAtOnceAndCannotBeEdited() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        QVERIFY(!editor.actNewItem->isEnabled());
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("Test")));
        editor.UpdateActions();
        QVERIFY(editor.actNewItem->isEnabled());
        editor.actNewItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Test"}));
        QCOMPARE(configuration.Settings().Count(), std::size_t{1});
        QVERIFY(configuration.Settings()[0].Id() != 0);

        editor.lvwItems->setCurrentRow(0);
        editor.UpdateActions();
        QVERIFY(!editor.actEditItem->isEnabled());
        QVERIFY(editor.actDelItem->isEnabled());
        emit editor.lvwItems->itemDoubleClicked(editor.lvwItems->item(0));
        QCOMPARE(configuration.Settings().Count(), std::size_t{1});
    }

    void configurationEditorRefusesASecondSettingOfTheSameState() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        const auto add = [&editor](const QString& kind) {
            editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, kind));
            editor.UpdateActions();
            editor.actNewItem->trigger();
        };
        add(QStringLiteral("Hosts file"));
        add(QStringLiteral("Hosts file"));
        QCOMPARE(TMessageBoxes::Errors(),
                 QStringList{QStringLiteral("The configuration already has the setting \"Hosts file\"")});
        QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("Hosts file")});

        // A File setting is a double for the same path only, also when an edit gives it that path.
        TMessageBoxes::Reset();
        for (const char* path : {"/data/notes.txt", "/data/notes.txt", "/other/notes.txt"}) {
            TFileDialogs::SetNextFileName(QString::fromLatin1(path));
            add(QStringLiteral("File"));
        }
        QCOMPARE(TMessageBoxes::Errors().value(0),
                 QStringLiteral("The configuration already has the setting \"File (%1)\"")
                     .arg(QDir::toNativeSeparators(QStringLiteral("/data/notes.txt"))));
        QCOMPARE(configuration.Settings().Count(), std::size_t{3});
        const auto* other = dynamic_cast<const TFileSetting*>(&configuration.Settings()[2]);
        QVERIFY(other);
        editor.lvwItems->setCurrentItem(
            editor.lvwItems->findItems(QStringLiteral("File (notes.txt)"), Qt::MatchExactly).last());
        editor.UpdateActions();
        TFileDialogs::SetNextFileName(QStringLiteral("/data/notes.txt"));
        editor.actEditItem->trigger();
        QCOMPARE(TMessageBoxes::Errors().size(), 2);
        QCOMPARE(other->GetFileName(), QDir::toNativeSeparators(QStringLiteral("/other/notes.txt")).toStdString());
        QVERIFY(editor.isVisible());
    }

    void editorsRefuseASecondConfigurationOrProfileOfOneName() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        AddConfiguration(Root(), "B", {});
        a.Profiles().Add().SetName("Home");
        a.Profiles().Add().SetName("Office");
        auto main = OpenMain();
        // Each name is refused with the dialog still open on it; the dialog's own name is no double.
        struct Refusal {
            QString typed;
            bool open = false;
            QString selected;
        } refusal;
        const auto refuseThenEnter = [&refusal](auto& editor, const char* taken, const char* kept) {
            editor.edtName->setText(QLatin1String(taken));
            editor.btnOK->click();
            refusal = {editor.edtName->text(), editor.isVisible(), editor.edtName->selectedText()};
            editor.edtName->setText(QLatin1String(kept));
            editor.btnOK->click();
        };
        OnNextModal<TfrmEditConfiguration>([&](auto& editor) { refuseThenEnter(editor, "B", "A"); });
        main->actConfigurationEdit->trigger();
        QCOMPARE(refusal.typed, QStringLiteral("B"));
        QVERIFY(refusal.open);
        QCOMPARE(refusal.selected, QStringLiteral("B"));
        OnNextModal<TfrmEditConfiguration>([&](auto& editor) { refuseThenEnter(editor, "A", "C"); });
        main->actConfigurationNew->trigger();
        QCOMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"A", "B", "C"}));

        SelectItemIndex(*main->cmbConfigurations, 0);
        Idle();
        OnNextModal<TfrmEditProfile>([&](auto& editor) { refuseThenEnter(editor, "Office", "Home"); });
        main->actProfileEdit->trigger();
        QVERIFY(refusal.open);
        OnNextModal<TfrmEditProfile>([&](auto& editor) { refuseThenEnter(editor, "Home", "Away"); });
        main->actProfileNew->trigger();
        QCOMPARE(ComboTexts(*main->cmbProfiles), (QStringList{"Away", "Home", "Office"}));
        // Worded as the command line words them.
        QCOMPARE(TMessageBoxes::Errors(), (QStringList{"A configuration named \"B\" already exists",
                                                       "A configuration named \"A\" already exists",
                                                       "Configuration \"A\" already has a profile named \"Office\"",
                                                       "Configuration \"A\" already has a profile named \"Home\""}));
    }

    void kindWithEditorAddsOnlyWhenConfirmedAndEditsACopy() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        QListWidgetItem* edited = ItemWithText(*editor.lvwAvailItems, QStringLiteral("Edited"));
        QVERIFY(edited);
        QCOMPARE(editor.lvwAvailItemsInfoTip(edited), QStringLiteral("A kind with an editor"));
        editor.lvwAvailItems->setCurrentItem(edited);

        TEditedTestSetting::NextKeys() = {std::nullopt};
        emit editor.lvwAvailItems->itemDoubleClicked(edited);
        QCOMPARE(configuration.Settings().Count(), std::size_t{0});

        TEditedTestSetting::NextKeys() = {"first"};
        editor.actNewItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("Edited (first)")});

        editor.lvwItems->setCurrentRow(0);
        editor.UpdateActions();
        QVERIFY(editor.actEditItem->isEnabled());
        TEditedTestSetting::NextKeys() = {std::nullopt};
        editor.actEditItem->trigger();
        QCOMPARE(dynamic_cast<TTestSetting&>(configuration.Settings()[0]).Key(), std::string("first"));

        const std::uint32_t id = configuration.Settings()[0].Id();
        TEditedTestSetting::NextKeys() = {"second"};
        emit editor.lvwItems->itemDoubleClicked(editor.lvwItems->item(0));
        QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("Edited (second)")});
        QCOMPARE(configuration.Settings()[0].Id(), id);
    }

    void programAndHostsBlockEditorsRefuseWhatTheKindRefusesAndStayOpen() {
        TProgramSetting program;
        program.SetCommandLine("sync.cmd");
        bool named = false, laidOut = false;
        OnNextModal<TfrmEditProgram>([&](TfrmEditProgram& editor) {
            const auto closed = qScopeGuard([&editor] {
                if (editor.isVisible())
                    editor.reject();
            });
            named = !editor.edtCommandLine->accessibleName().isEmpty() &&
                    !editor.edtWorkingFolder->accessibleName().isEmpty() &&
                    !editor.cmbRun->accessibleName().isEmpty() && !editor.edtTimeLimit->accessibleName().isEmpty();
            laidOut = editor.btnOK->geometry().top() >= editor.bvlDialog->geometry().bottom() &&
                      editor.bvlDialog->geometry().contains(editor.edtTimeLimit->mapTo(editor.Client(), QPoint()));
            editor.edtCommandLine->setText(QStringLiteral("  "));
            editor.btnOK->click();
            QVERIFY(editor.isVisible());
            editor.edtCommandLine->setText(QStringLiteral("\"C:\\Tools\\vpn client.exe\" connect"));
            editor.edtWorkingFolder->setText(QStringLiteral("tools"));
            editor.btnOK->click();
            QVERIFY(editor.isVisible());
            editor.edtWorkingFolder->setText(QStringLiteral("C:\\Tools"));
            editor.cmbRun->setCurrentIndex(1);
            editor.edtTimeLimit->setValue(15);
            editor.btnOK->click();
        });
        QVERIFY(TProgramSettingEditor().Edit(program));
        QVERIFY(named);
        QVERIFY(laidOut);
        QCOMPARE(TMessageBoxes::Errors(),
                 (QStringList{QString::fromLatin1(ProgramNeedsCommandLine),
                              QStringLiteral("The working folder of a Program setting must be an absolute path "
                                             "without \"..\", not tools")}));
        QCOMPARE(program.CommandLine(), std::string("\"C:\\Tools\\vpn client.exe\" connect"));
        QCOMPARE(program.WorkingFolder(), std::string("C:\\Tools"));
        QVERIFY(program.RunBefore());
        QCOMPARE(program.TimeLimit(), 15);
        QCOMPARE(program.GetDisplayText(), std::string("Program (vpn client.exe)"));

        TMessageBoxes::Reset();
        THostsEntriesSetting block;
        OnNextModal<TfrmEditHostsBlock>([](TfrmEditHostsBlock& editor) {
            const auto closed = qScopeGuard([&editor] {
                if (editor.isVisible())
                    editor.reject();
            });
            editor.edtBlockName->setText(QStringLiteral(" VPN"));
            editor.btnOK->click();
            QVERIFY(editor.isVisible());
            editor.edtBlockName->setText(QStringLiteral("VPN"));
            editor.btnOK->click();
        });
        QVERIFY(THostsEntriesSettingEditor().Edit(block));
        QCOMPARE(TMessageBoxes::Errors().size(), 1);
        QCOMPARE(block.BlockName(), std::string("VPN"));
        OnNextModal<TfrmEditHostsBlock>([](TfrmEditHostsBlock& editor) { editor.btnCancel->click(); });
        QVERIFY(!THostsEntriesSettingEditor().Edit(block));
    }

    void categoryTabsFollowTheRegistryAndFilterTheKinds() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        QTabBar* tabs = editor.tclAvailItems->Tabs();
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{"All", "Network", "System", "Others"}));
        QCOMPARE(editor.lvwAvailItems->count(), static_cast<int>(GetSettingClasses().Classes().size()));

        tabs->setCurrentIndex(static_cast<int>(captions.indexOf("Others")));
        QStringList others;
        for (const TSettingClass* settingClass : GetSettingClasses())
            if (settingClass->GetCategory() == OthersCategory)
                others << ToQString(settingClass->GetCaption());
        std::sort(others.begin(), others.end());
        QCOMPARE(ListTexts(*editor.lvwAvailItems), others);
        QVERIFY(others.contains("File"));

        tabs->setCurrentIndex(static_cast<int>(captions.indexOf("Network")));
        QVERIFY(ListTexts(*editor.lvwAvailItems).contains("Hosts file"));
        QVERIFY(!ListTexts(*editor.lvwAvailItems).contains("File"));
        tabs->setCurrentIndex(0);
        QCOMPARE(editor.lvwAvailItems->count(), static_cast<int>(GetSettingClasses().Classes().size()));
    }

    void fileKindAsksForItsFileThroughTheFileDialog() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("File")));
        editor.UpdateActions();
        TFileDialogs::SetNextFileName(std::nullopt);
        editor.actNewItem->trigger();
        QCOMPARE(configuration.Settings().Count(), std::size_t{0});
        // A new setting's dialog opens in the user's documents.
        QCOMPARE(TFileDialogs::LastPresets(),
                 (QStringList{"", QString::fromStdString(workstation_->DocumentsFolder())}));

        TFileDialogs::SetNextFileName(QStringLiteral("/data/notes.txt"));
        editor.actNewItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("File (notes.txt)")});
        editor.lvwItems->setCurrentRow(0);
        editor.UpdateActions();
        QVERIFY(editor.actEditItem->isEnabled());
        editor.actEditItem->trigger();
        QCOMPARE(TFileDialogs::LastPresets(),
                 (QStringList{QDir::toNativeSeparators("/data/notes.txt"), QDir::toNativeSeparators("/data")}));
        QCOMPARE(configuration.Settings().Count(), std::size_t{1});
    }

    void environmentVariablesAreChosenInACheckList() {
        TEnvSetting setting;
        setting.SetVariableNames(u"TEMP\r\n");
        TEnvSettingEditor editor;

        OnNextModal<TfrmEditItemsDlg>([](TfrmEditItemsDlg& dialog) {
            QVERIFY(dialog.lbx->count() > 1);
            dialog.reject();
        });
        QVERIFY(!editor.Edit(setting));
        QCOMPARE(setting.VariableNames(), std::u16string(u"TEMP\r\n"));

        QStringList shown;
        OnNextModal<TfrmEditItemsDlg>([&shown](TfrmEditItemsDlg& dialog) {
            for (int i = 0; i < dialog.lbx->count(); ++i) {
                QListWidgetItem* row = dialog.lbx->item(i);
                shown << row->text();
                const bool temp = row->text() == QStringLiteral("TEMP (machine)"); // bare TEMP: the machine's
                QCOMPARE(row->checkState() == Qt::Checked, temp);
                row->setCheckState(temp ? Qt::Unchecked : Qt::Checked);
            }
            dialog.accept();
        });
        QVERIFY(editor.Edit(setting));
        QVERIFY(shown.contains(QStringLiteral("TEMP (user)")));
        // A machine's variable beside the user's; Windows spells its name either way.
        QVERIFY(shown.contains(QStringLiteral("Path (machine)"), Qt::CaseInsensitive));
        QVERIFY(setting.Names().IndexOf(u"TEMP") < 0);
        QVERIFY(setting.Names().IndexOf(u"TEMP=user") >= 0);
        QCOMPARE(setting.Names().Count(), static_cast<std::size_t>(shown.size() - 1));
    }

    void profileEditorEnablingRulesAndPictures() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}, {"k3", "three"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3"});
        TConfigurationProfile& profile = a.Profiles().Add();
        profile.RefreshValue(a.Settings()[0]);
        profile.RefreshValue(a.Settings()[1]);
        TfrmEditProfile editor(profile, *history_, a);
        TListView& list = *editor.lvwValues;
        QCOMPARE(ListTexts(list), (QStringList{"Test (k1)", "Test (k2)", "Test (k3)"}));
        const auto picture = [&list](int row) { return list.item(row)->data(TListView::ImageIndexRole).toInt(); };
        QCOMPARE(picture(0), 0);
        QCOMPARE(picture(2), 1);
        QCOMPARE(editor.lvwValuesInfoTip(list.item(0)), QStringLiteral("one"));
        QCOMPARE(editor.lvwValuesInfoTip(list.item(2)), QString());

        editor.UpdateActions();
        QVERIFY(!editor.actRefreshValue->isEnabled());
        QVERIFY(!editor.actDelValue->isEnabled());
        QVERIFY(!editor.actApplyValue->isEnabled());
        QVERIFY(editor.actRefreshAllValues->isEnabled());
        QVERIFY(editor.actApplyProfile->isEnabled());

        list.item(2)->setSelected(true);
        editor.UpdateActions();
        QVERIFY(editor.actRefreshValue->isEnabled());
        QVERIFY(!editor.actDelValue->isEnabled());
        QVERIFY(!editor.actApplyValue->isEnabled());

        list.item(0)->setSelected(true);
        editor.UpdateActions();
        QVERIFY(editor.actDelValue->isEnabled());
        QVERIFY(editor.actApplyValue->isEnabled());

        // Deleting the values of two selected settings.
        list.item(1)->setSelected(true);
        list.item(2)->setSelected(false);
        editor.actDelValue->trigger();
        QCOMPARE(picture(0), 1);
        QCOMPARE(picture(1), 1);
        QCOMPARE(editor.lvwValuesInfoTip(list.item(1)), QString());
        QCOMPARE(profile.Values().Count(), std::size_t{0});

        editor.actRefreshAllValues->trigger();
        QCOMPARE(picture(0) + picture(1) + picture(2), 0);
        QCOMPARE(editor.lvwValuesInfoTip(list.item(2)), QStringLiteral("three"));
    }

    void profileEditorWithoutSettingsDisablesEverything() {
        TConfiguration& a = AddConfiguration(Root(), "A", {});
        TfrmEditProfile editor(a.Profiles().Add(), *history_, a);
        editor.UpdateActions();
        QCOMPARE(editor.lvwValues->count(), 0);
        for (QAction* action : {editor.actRefreshValue, editor.actRefreshAllValues, editor.actDelValue,
                                editor.actApplyValue, editor.actApplyProfile})
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    }

    void runWithOnlySuccessesShowsWhatWasAppliedUntilClosedOrAWhileHasPassed() {
        TestMachine() = {{"k1", "home"}, {"k2", "work"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        TConfigurationProfile& office = a.Profiles().Add();
        office.SetName("Office");
        office.RefreshAll();
        auto main = OpenMain();
        TestMachine()["k1"] = "office";
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TMessageBoxes::Questions(),
                 QStringList{QStringLiteral("Do you really want to apply profile these settings?")});
        QCOMPARE(ToQString(TestMachine()["k1"]), QStringLiteral("home"));
        QList<TfrmProgress*> windows = ProgressWindows();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->isVisible());
        QCOMPARE(windows.first()->lblText->text(), QStringLiteral("Applied Office: 2 settings, no errors"));
        QCOMPARE(windows.first()->lvwLog->rowCount(), 0);
        QVERIFY(!windows.first()->lvwLog->isVisibleTo(windows.first()));
        QVERIFY(windows.first()->btnCancel->isEnabled());
        QTest::keyClick(windows.first(), Qt::Key_Escape);
        QVERIFY(ProgressWindows().isEmpty());
        QVERIFY(main->isEnabled());

        const int summaryTime = TfrmProgress::SummaryTime();
        TfrmProgress::SetSummaryTime(20);
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        TfrmProgress::SetSummaryTime(summaryTime);
        QCOMPARE(ProgressWindows().size(), 1);
        QTRY_VERIFY(ProgressWindows().isEmpty());
        QVERIFY(main->isEnabled());
    }

    void runWithAWarningKeepsTheLogOpen() {
        TestMachine() = {{"k1", "warn"}, {"k2", "fine"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        a.Profiles().Add().SetName("Home");
        a.Profiles()[0].RefreshAll();
        auto main = OpenMain();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        const QList<TfrmProgress*> windows = ProgressWindows();
        QCOMPARE(windows.size(), 1);
        TfrmProgress& progress = *windows.first();
        QCOMPARE(progress.lvwLog->rowCount(), 1);
        QCOMPARE(progress.lvwLog->item(0, 0)->text(), QStringLiteral("Test (k1): warned about k1"));
        QVERIFY(progress.lvwLog->isVisibleTo(&progress));
        QVERIFY(progress.memDetails->isVisibleTo(&progress));
        QVERIFY(progress.height() > progress.minimumSizeHint().height());
        QCOMPARE(progress.lblText->text(), QStringLiteral("Applied Home: 2 settings, no errors, 1 warning"));
        QCOMPARE(progress.windowTitle(), progress.lblText->text());
        QCOMPARE(progress.prg->value(), 2);
        QCOMPARE(progress.btnCancel->text(), QStringLiteral("&Close"));
        QVERIFY(progress.btnCancel->isEnabled());
        QVERIFY(!main->isEnabled());

        QTest::keyClick(&progress, Qt::Key_Escape);
        QVERIFY(ProgressWindows().isEmpty());
        QVERIFY(main->isEnabled());
    }

    void failingSettingBecomesAnErrorLineAndTheRunGoesOn() {
        TestMachine() = {{"k1", "fail"}, {"k2", "fine"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        a.Profiles().Add().RefreshAll();
        TestMachine() = {};
        TfrmEditProfile editor(a.Profiles()[0], *history_, a);
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        editor.actApplyProfile->trigger();
        TfrmProgress& progress = *ProgressWindows().first();
        QCOMPARE(progress.lvwLog->rowCount(), 1);
        QCOMPARE(progress.lvwLog->item(0, 0)->text(), QStringLiteral("Test (k1): cannot apply k1"));
        QCOMPARE(progress.lvwLog->item(0, 0)->icon().isNull(), progress.ErrorImageIndex() < 0);
        QCOMPARE(TestMachine()["k2"], std::string("fine"));
        // The editor's runs keep what the machine held, for an undo from the main window.
        const TProfileSnapshot* snapshot = history_->Newest({TSnapshotKind::Apply});
        QVERIFY(snapshot);
        QCOMPARE(snapshot->Configuration(), std::string("A"));
        QCOMPARE(snapshot->Entries().Count(), std::size_t{2});
    }

    void progressWindowOfAModalEditorIsNotBlockedByIt() {
        TestMachine() = {{"k1", "warn"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().RefreshAll();
        bool checked = false;
        OnNextModal<TfrmEditProfile>([&checked](TfrmEditProfile& editor) {
            TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
            editor.actApplyProfile->trigger();
            const QList<TfrmProgress*> windows = editor.findChildren<TfrmProgress*>();
            QCOMPARE(windows.size(), 1);
            // Qt blocks every window but the modal one and its descendants.
            QVERIFY(windows.first()->isWindow());
            QVERIFY(windows.first()->isVisible());
            QVERIFY(editor.isEnabled());
            checked = true;
            editor.btnCancel->click();
        });
        TfrmEditProfile editor(a.Profiles()[0], *history_, a);
        editor.exec();
        QVERIFY(checked);
    }

    void applyAnsweredNoChangesNothing() {
        TestMachine() = {{"k1", "home"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().RefreshAll();
        TestMachine()["k1"] = "office";
        auto main = OpenMain();
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        main->actProfileApply->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("office"));
        QVERIFY(ProgressWindows().isEmpty());

        TfrmEditProfile editor(a.Profiles()[0], *history_, a);
        editor.lvwValues->item(0)->setSelected(true);
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        editor.actApplyValue->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("office"));
        QVERIFY(ProgressWindows().isEmpty());
        QCOMPARE(history_->Snapshots().Count(), std::size_t{0});
    }

    void progressWindowDuringTheRun() {
        TfrmProgress progress;
        progress.show();
        Idle();
        QVERIFY(!progress.lvwLog->isVisibleTo(&progress));
        QCOMPARE(progress.height(), progress.minimumSizeHint().height());
        QCOMPARE(progress.windowTitle(), QStringLiteral("Please wait..."));
        QVERIFY(!progress.btnCancel->isEnabled());
        QVERIFY(!progress.actCopyAll->isEnabled());
        QVERIFY(!progress.actCopySelected->isEnabled());
        QTest::keyClick(&progress, Qt::Key_Escape);
        progress.close();
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.btnCancel->text(), QStringLiteral("&Cancel"));
    }

    void progressWindowGrowsForAStatusThatWraps() {
        TfrmProgress progress;
        Shown(progress);
        const int oneLine = progress.height();
        progress.Done(QStringLiteral("Anwenden von Zuhause rückgängig gemacht: 2 Einstellungen, keine Fehler, "
                                     "und eine Zeile, die auch in einem breiten Fenster umbricht"));
        Idle();
        QVERIFY(progress.height() > oneLine);
        QVERIFY(progress.lblText->height() >= progress.lblText->heightForWidth(progress.lblText->width()));
        QCOMPARE(progress.lblText->geometry().intersected(progress.prg->geometry()), QRect());
    }

    void theFirstLogLineReadsWholeWhenTheRunEnds() {
        TfrmProgress progress;
        Shown(progress);
        progress.AddLogLine(QStringLiteral("TCP/IP settings: this needs administrator rights,\r\nand more"), 1);
        progress.AddLogLine(QStringLiteral("second"), 0);
        QVERIFY(progress.memDetails->toPlainText().isEmpty());
        progress.Done(QStringLiteral("Applied Office: 2 settings, 1 error"));
        QCOMPARE(progress.memDetails->toPlainText(),
                 QStringLiteral("TCP/IP settings: this needs administrator rights,\nand more"));
        // The button keeps the focus, so Enter closes the window the user has read.
        QCOMPARE(progress.focusWidget(), progress.btnCancel);
    }

    void logLinesAreOneLineAndCopyable() {
        QCOMPARE(TfrmProgress::OneLine("a\r\nb"), QStringLiteral("a b"));
        QCOMPARE(TfrmProgress::OneLine("a   b"), QStringLiteral("a  b"));
        QCOMPARE(TfrmProgress::OneLine("a    b"), QStringLiteral("a  b"));
        QCOMPARE(TfrmProgress::OneLine("a.\r\n b\nc"), QStringLiteral("a. b\nc"));

        TfrmProgress progress;
        progress.AddLogLine(QStringLiteral("one"), 0);
        progress.AddLogLine(QStringLiteral("two\r\nlines"), 1);
        progress.AddLogLine(QStringLiteral("three"), 0);
        QCOMPARE(progress.lvwLog->item(1, 0)->text(), QStringLiteral("two lines"));
        progress.UpdateActions();
        QVERIFY(progress.actCopyAll->isEnabled());
        QVERIFY(!progress.actCopySelected->isEnabled());

        QApplication::clipboard()->setText(QStringLiteral("before"));
        progress.actCopySelected->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));

        progress.lvwLog->selectRow(1);
        progress.UpdateActions();
        QVERIFY(progress.actCopySelected->isEnabled());
        progress.actCopySelected->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two lines\r\n"));
        progress.actCopyAll->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one\r\ntwo lines\r\nthree\r\n"));
        // The context menu's entries run the same actions.
        QApplication::clipboard()->clear();
        progress.findChild<QAction*>("mniCopySelected")->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two lines\r\n"));
    }

    void senderRefusesSteppingBeforeStart() {
        TGUIProgressSender sender;
        QVERIFY_THROWS_EXCEPTION(std::logic_error, sender.Step());
        sender.Start(1);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, sender.Start(1));
        sender.SetStatus("Applying Test...");
        QCOMPARE(sender.Form()->lblText->text(), QStringLiteral("Applying Test..."));
        TCheckResultList results;
        sender.Finish(results);
        QCOMPARE(sender.Form()->lblText->text(), QStringLiteral("Done"));
    }

    void refreshErrorShowsInTheErrorBoxAndKeepsWhatWasCaptured() {
        TestMachine() = {{"k1", "new"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        auto broken = std::make_unique<TBrokenTestSetting>();
        broken->SetKey("gone");
        a.AddSetting(std::move(broken));
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        main->actProfileRefresh->trigger();
        QCOMPARE(TMessageBoxes::Errors(), QStringList{QStringLiteral("cannot read gone")});
        QCOMPARE(
            main->StatusText(),
            QStringLiteral("Captured 1 of 2 settings into Home; Broken (gone) could not be read: cannot read gone"));
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{1});
    }

    void everyWindowIsWalkedByTabAlone() {
        {
            auto welcome = OpenMain();
            CheckTabWalk(*welcome, {welcome->tbrConfigurations, welcome->btnWelcomeNew, welcome->btnWelcomeImport,
                                    welcome->btnCancel, welcome->btnHelp});
        }
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        CheckTabWalk(*main, {main->cmbConfigurations, main->tbrConfigurations, main->cmbProfiles, main->tbrProfiles,
                             main->lvwSettings, main->btnCancel, main->btnHelp});

        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("Edited")));
        TEditedTestSetting::NextKeys() = {"a"};
        Idle();
        editor.actNewItem->trigger();
        editor.lvwItems->setCurrentItem(editor.lvwItems->item(0));
        Idle();
        QVERIFY(editor.btnAdd->isEnabled() && editor.btnEdit->isEnabled() && editor.btnDel->isEnabled());
        CheckTabWalk(editor,
                     {editor.edtName, editor.lvwItems, editor.btnEdit, editor.btnDel, editor.tclAvailItems->Tabs(),
                      editor.lvwAvailItems, editor.btnAdd, editor.btnOK, editor.btnCancel, editor.btnHelp});

        TfrmEditProfile profile(a.Profiles()[0], *history_, a);
        profile.show();
        profile.lvwValues->setCurrentItem(profile.lvwValues->item(0));
        Idle();
        CheckTabWalk(profile, {profile.edtName, profile.lvwValues, profile.btnRefreshValue, profile.btnRefreshAllValues,
                               profile.btnDelValue, profile.btnApplyValue, profile.btnApplyProfile,
                               profile.btnUndoRefresh, profile.btnOK, profile.btnCancel, profile.btnHelp});

        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.show();
        Idle();
        CheckTabWalk(rules, {rules.lvwRules, rules.btnNew, rules.btnEdit, rules.btnDel, rules.btnUp, rules.btnDown,
                             rules.btnTest, rules.edtTest, rules.chkPause, rules.btnCancel, rules.btnHelp});

        TfrmEditRule rule({}, [](const TSwitchRule&) {});
        rule.show();
        Idle();
        CheckTabWalk(rule, {rule.edtName, rule.cmbConfiguration, rule.cmbProfile, rule.chkAsk, rule.lvwConditions,
                            rule.btnUseNetwork, rule.btnConditionDel, rule.cmbConditionKind, rule.edtConditionValue,
                            rule.btnConditionAdd, rule.btnOK, rule.btnCancel, rule.btnHelp});

        TfrmEditItemsDlg items;
        items.show();
        Idle();
        CheckTabWalk(items, {items.lbx, items.btnOK, items.btnCancel});
    }

    void screenReadersHearANameForEveryControl() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        CheckAccessibleNames(*main);
        // A combo box is called by its label, not by the entry it shows.
        QCOMPARE(main->cmbProfiles->accessibleName(), main->lblProfile->text());
        QCOMPARE(main->lblProfile->buddy(), main->cmbProfiles);
        QCOMPARE(main->findChild<QToolButton*>(QStringLiteral("btnApplyProfile"))->accessibleName(),
                 QStringLiteral("Apply profile"));

        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        CheckAccessibleNames(editor);
        QCOMPARE(editor.edtName->accessibleName(), QStringLiteral("Name"));
        QCOMPARE(editor.btnAdd->accessibleName(), QStringLiteral("New item"));
        QCOMPARE(editor.btnDel->accessibleName(), QStringLiteral("Delete item"));
        // What a screen reader is told.
        QCOMPARE(QAccessible::queryAccessibleInterface(editor.btnAdd)->text(QAccessible::Name),
                 QStringLiteral("New item"));
        QCOMPARE(QAccessible::queryAccessibleInterface(editor.edtName)->text(QAccessible::Name),
                 QStringLiteral("Name"));
        QString report;
        QTextStream out(&report);
        WriteWidgetTree(editor, out);
        out.flush();
        QVERIFY2(
            report.contains(QRegularExpression(QStringLiteral("\\n *QToolButton btnAdd [^\\n]* name=\"New item\"\\n"))),
            qPrintable(report));

        TfrmEditProfile profile(a.Profiles()[0], *history_, a);
        profile.show();
        CheckAccessibleNames(profile);
        QCOMPARE(profile.edtName->accessibleName(), QStringLiteral("Name"));
        QCOMPARE(profile.btnRefreshAllValues->accessibleName(), QStringLiteral("Refresh all values"));

        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.show();
        CheckAccessibleNames(rules);
        QCOMPARE(rules.btnUp->accessibleName(), QStringLiteral("Move up"));

        TfrmEditRule rule({}, [](const TSwitchRule&) {});
        rule.show();
        CheckAccessibleNames(rule);
        QCOMPARE(rule.cmbConfiguration->accessibleName(), QStringLiteral("Configuration"));

        TfrmEditItemsDlg items;
        items.show();
        CheckAccessibleNames(items);
    }

    void listKeysAndContextMenusRunTheItemsActions() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        QApplication::setActiveWindow(&editor);
        editor.lvwAvailItems->setFocus();
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("Edited")));
        TEditedTestSetting::NextKeys() = {"a", "b", "c"};
        Idle();
        // Enter on an available kind adds it and leaves the dialog open.
        QTest::keyClick(editor.lvwAvailItems, Qt::Key_Return);
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.result(), static_cast<int>(QDialog::Rejected));
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (a)"}));
        Idle();
        QTest::keyClick(editor.lvwAvailItems, Qt::Key_Insert);
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (a)", "Edited (b)"}));

        editor.lvwItems->setFocus();
        editor.lvwItems->setCurrentItem(ItemWithText(*editor.lvwItems, QStringLiteral("Edited (a)")));
        Idle();
        QTest::keyClick(editor.lvwItems, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(editor.isVisible());
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (b)", "Edited (c)"}));
        editor.lvwItems->setCurrentItem(ItemWithText(*editor.lvwItems, QStringLiteral("Edited (b)")));
        Idle();
        QTest::keyClick(editor.lvwItems, Qt::Key_Delete);
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (c)"}));

        // Delete in the name field edits the name only.
        editor.edtName->setText(QStringLiteral("xy"));
        editor.edtName->setFocus();
        editor.edtName->setCursorPosition(0);
        Idle();
        QTest::keyClick(editor.edtName, Qt::Key_Delete);
        QCOMPARE(editor.edtName->text(), QStringLiteral("y"));
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Edited (c)"}));

        QCOMPARE(editor.lvwItems->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(editor.lvwItems->actions(), (QList<QAction*>{editor.actEditItem, editor.actDelItem}));
        QCOMPARE(editor.lvwAvailItems->actions(), (QList<QAction*>{editor.actNewItem}));
        for (QAction* action : editor.lvwItems->actions() + editor.lvwAvailItems->actions())
            QVERIFY(!action->text().isEmpty());
    }

    void menusShowTheirKeysAndDeleteAsksWithNoAsTheDefault() {
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().SetName("Home");
        auto main = OpenMain();
        const auto item = [&main](const char* name) { return main->findChild<QAction*>(QLatin1String(name))->text(); };
        QCOMPARE(item("miProfileNew"),
                 QStringLiteral("&New profile\t") + QKeySequence(QKeySequence::New).toString(QKeySequence::NativeText));
        QCOMPARE(item("miProfileRefresh"), QStringLiteral("&Refresh profile\tF5"));
        QCOMPARE(item("mniContents"), QStringLiteral("H&elp\tF1"));
        QCOMPARE(item("miConfigEdit"), QStringLiteral("&Edit configuration"));

        QApplication::setActiveWindow(main.get());
        main->cmbProfiles->setFocus();
        Idle();
        QTest::keyClick(main->cmbProfiles, Qt::Key_Delete);
        QCOMPARE(TMessageBoxes::Questions(), (QStringList{"Do you want to delete \"Home\"?"}));
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QCOMPARE(a.Profiles().Count(), std::size_t{1});

        TfrmRules rules(AttachSwitching(*main), main.get());
        QCOMPARE(rules.lvwRules->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(rules.lvwRules->actions(), (QList<QAction*>{rules.actRuleNew, rules.actRuleEdit, rules.actRuleDel,
                                                             rules.actRuleUp, rules.actRuleDown}));
    }

    void rulesListKeysEditAddAndDeleteRules() {
        MakeHomeRuleAway();
        auto main = OpenMain();
        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.show();
        QApplication::setActiveWindow(&rules);
        rules.lvwRules->setFocus();
        rules.lvwRules->setCurrentCell(0, TfrmRules::colName);
        Idle();
        QString edited;
        OnNextModal<TfrmEditRule>([&edited](TfrmEditRule& editor) {
            edited = editor.edtName->text();
            editor.reject();
        });
        QTest::keyClick(rules.lvwRules, Qt::Key_Return);
        QCOMPARE(edited, QStringLiteral("Home"));
        QVERIFY(rules.isVisible());

        OnNextModal<TfrmEditRule>([&edited](TfrmEditRule& editor) {
            edited = editor.edtName->text();
            editor.reject();
        });
        // Offscreen, no window becomes active again when a modal dialog closes.
        QApplication::setActiveWindow(&rules);
        QTest::keyClick(rules.lvwRules, Qt::Key_Insert);
        QCOMPARE(edited, QStringLiteral("Rule 1"));

        QApplication::setActiveWindow(&rules);
        TMessageBoxes::Reset();
        QTest::keyClick(rules.lvwRules, Qt::Key_Delete);
        QCOMPARE(TMessageBoxes::Questions(), (QStringList{"Do you want to delete \"Home\"?"}));
        QCOMPARE(TMessageBoxes::LastDefaultAnswer(), QMessageBox::No);
        QCOMPARE(rules.lvwRules->rowCount(), 1);
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        QTest::keyClick(rules.lvwRules, Qt::Key_Delete);
        QCOMPARE(rules.lvwRules->rowCount(), 0);

        // The menu key and Shift+F10 reach a widget as the window system's keyboard context menu
        // request, which the offscreen platform does not make from keys: sent here as it sends it.
        QList<QAction*> offered;
        QTimer::singleShot(0, [&offered] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                offered = popup->actions();
                popup->close();
            }
        });
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(1, 1), rules.lvwRules->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(rules.lvwRules, &request);
        QCOMPARE(offered, rules.lvwRules->actions());
    }

    void okAndCancelKeysInTheDialogs() {
        auto main = OpenMain();
        QTest::keyClick(main->cmbConfigurations, Qt::Key_Return);
        QVERIFY(main->isVisible());

        TfrmAbout about;
        about.show();
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(about.isVisible());
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), static_cast<int>(QDialog::Rejected));

        // Without the tray Escape would end the program; with it, Escape hides the window.
        QTest::keyClick(main.get(), Qt::Key_Escape);
        QVERIFY(main->isVisible());
        new TTrayIcon(*main, AttachSwitching(*main)); // the window owns it
        QTest::keyClick(main.get(), Qt::Key_Escape);
        QVERIFY(!main->isVisible());
    }

    // Enter on a focused button presses that button, as Space does; elsewhere it stays OK.
    void enterPressesTheFocusedButton() {
        TConfiguration configuration;
        configuration.SetName("Before");
        TfrmEditConfiguration cancelled(configuration, Root().Configurations());
        Shown(cancelled);
        QApplication::setActiveWindow(&cancelled);
        cancelled.edtName->setText(QStringLiteral("After"));
        cancelled.btnCancel->setFocus();
        QTest::keyClick(cancelled.btnCancel, Qt::Key_Return);
        QVERIFY(!cancelled.isVisible());
        QCOMPARE(cancelled.result(), static_cast<int>(QDialog::Rejected));
        QCOMPARE(configuration.Name(), std::string("Before"));

        TfrmEditConfiguration confirmed(configuration, Root().Configurations());
        Shown(confirmed);
        QApplication::setActiveWindow(&confirmed);
        confirmed.edtName->setText(QStringLiteral("After"));
        QTest::keyClick(confirmed.edtName, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(confirmed.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(configuration.Name(), std::string("After"));

        // Enter on Help asks for help and leaves the editor open.
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        TfrmEditConfiguration helped(configuration, Root().Configurations());
        Shown(helped);
        QApplication::setActiveWindow(&helped);
        helped.btnHelp->setFocus();
        QTest::keyClick(helped.btnHelp, Qt::Key_Return);
        QVERIFY(helped.isVisible());
        QCOMPARE(HelpTopicOf(helped), QStringLiteral("html/configedit.htm"));
    }

    void aboutShowsTheVersionAndOpensItsLinks() {
        QStringList opened;
        SetShellOpenHandler([&opened](const QString& target) { opened << target; });
        TfrmAbout about;
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("About Prolamo"));
        QVERIFY(about.lblBuildNr->text().startsWith(QStringLiteral(PROLAMO_TEST_VERSION ".")));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(about.lblBuildNr->text())
                    .hasMatch());
        QTest::mouseClick(about.lblURL, Qt::LeftButton);
        QTest::mouseClick(about.lblSupport, Qt::LeftButton);
        QCOMPARE(opened, (QStringList{QLatin1String(ProductUrl), QStringLiteral("mailto:") + SupportMail}));
    }

    void aboutFollowsADarkPaletteWithoutColoursOrFacesOfItsOwn() {
        const QPalette before = QApplication::palette();
        const auto restorePalette = qScopeGuard([&before] { QApplication::setPalette(before); });
        QPalette dark(QColor(230, 230, 230), QColor(53, 53, 53), QColor(80, 80, 80), QColor(20, 20, 20),
                      QColor(40, 40, 40), QColor(230, 230, 230), QColor(255, 255, 255), QColor(35, 35, 35),
                      QColor(45, 45, 45));
        dark.setColor(QPalette::Link, QColor(120, 200, 140));
        QApplication::setPalette(dark);

        TfrmAbout about;
        about.show();
        for (QWidget* widget : about.findChildren<QWidget*>())
            QVERIFY2(!widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
        for (QLabel* label : {about.Label1, static_cast<QLabel*>(about.lblURL), static_cast<QLabel*>(about.lblSupport)})
            QCOMPARE(label->font().family(), about.font().family());
        QVERIFY(about.lblURL->font().underline());

        // Drawn in the palette's link colour, and nothing of the old fixed blue anywhere.
        const QImage image = about.grab().toImage();
        const QImage link = about.lblURL->grab().toImage();
        const auto near = [](QRgb pixel, QColor colour) {
            return std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
                       std::abs(qBlue(pixel) - colour.blue()) <
                   40;
        };
        bool linkColoured = false;
        for (int y = 0; y < link.height(); ++y)
            for (int x = 0; x < link.width(); ++x)
                linkColoured = linkColoured || near(link.pixel(x, y), dark.color(QPalette::Link));
        QVERIFY(linkColoured);
        // The program's icon has blues of its own.
        const QRect icon(about.imgIcon->mapTo(&about, QPoint(0, 0)), about.imgIcon->size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!icon.contains(x, y))
                    QVERIFY2(!near(image.pixel(x, y), Qt::blue), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        QVERIFY(near(image.pixel(4, image.height() / 2), dark.color(QPalette::Window)));
    }

    void helpOpensEachWindowsOwnTopic() {
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        const auto topicOf = &HelpTopicOf;
        auto main = OpenMain();
        QApplication::setActiveWindow(main.get());
        QTest::keyClick(main->cmbConfigurations, Qt::Key_F1);
        QCOMPARE(topicOf(*main), QStringLiteral("html/index.htm"));
        QVERIFY(!main->findChild<THelpViewer*>()->Browser()->toPlainText().isEmpty());

        TfrmAbout about;
        about.actHelp->trigger();
        QCOMPARE(topicOf(about), QStringLiteral("html/index.htm"));

        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration, Root().Configurations());
        editor.show();
        QApplication::setActiveWindow(&editor);
        QTest::keyClick(editor.edtName, Qt::Key_F1);
        QCOMPARE(topicOf(editor), QStringLiteral("html/configedit.htm"));

        TfrmProgress progress;
        progress.btnHelp->click();
        QCOMPARE(topicOf(progress), QStringLiteral("html/profiletroubles.htm"));

        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.btnHelp->click();
        QCOMPARE(topicOf(rules), QStringLiteral("html/rules.htm"));
        QVERIFY(rules.findChild<THelpViewer*>()->Browser()->toPlainText().contains(QStringLiteral("Use this network")));
        TfrmEditRule rule({}, [](const TSwitchRule&) {});
        rule.btnHelp->click();
        QCOMPARE(topicOf(rule), QStringLiteral("html/rules.htm"));

        main->imgAdmin->setVisible(true);
        QTest::mouseClick(main->imgAdmin, Qt::LeftButton);
        QCOMPARE(topicOf(*main), QStringLiteral("html/security.htm"));

        TfrmEditItemsDlg items;
        items.show();
        QApplication::setActiveWindow(&items);
        QTest::keyClick(items.lbx, Qt::Key_F1);
        QVERIFY(!items.findChild<THelpViewer*>());
        QVERIFY(!items.btnHelp->isVisible());
    }

    void helpFollowsTheLanguageOfTheWindows() {
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        const TShownHelp german = HelpOfConfigurationEditor();
        QCOMPARE(german.topic, QStringLiteral("de/configedit.htm"));
        QCOMPARE(german.title, QStringLiteral("Eine Konfiguration bearbeiten"));
        QCOMPARE(german.caption, QStringLiteral("Prolamo-Hilfe"));
        // The Help button too, on a page that names the rule editor's controls as it shows them.
        auto main = OpenMain();
        TfrmRules rules(AttachSwitching(*main), main.get());
        rules.btnHelp->click();
        QCOMPARE(HelpTopicOf(rules), QStringLiteral("de/rules.htm"));
        TfrmEditRule rule({}, [](const TSwitchRule&) {});
        const QString useThisNetwork = WithoutAccelerators(rule.btnUseNetwork->text());
        QCOMPARE(useThisNetwork, QStringLiteral("Dieses Netzwerk verwenden"));
        QVERIFY(rules.findChild<THelpViewer*>()->Browser()->toPlainText().contains(useThisNetwork));

        SetLanguage(QLocale(QLocale::English));
        const TShownHelp english = HelpOfConfigurationEditor();
        QCOMPARE(english.topic, QStringLiteral("html/configedit.htm"));
        QCOMPARE(english.title, QStringLiteral("Editing a configuration"));
        QCOMPARE(english.caption, QStringLiteral("Prolamo Help"));
    }

    void aPageWithoutItsTranslationIsShownInEnglish() {
        const QDir source(QStringLiteral(PROLAMO_HELP_SOURCE));
        const QDir help(QString::fromStdString(workstation_->Scratch().string()));
        QVERIFY(help.mkpath(QStringLiteral("html/de")));
        for (const QString& page : {QStringLiteral("html/index.htm"), QStringLiteral("html/configedit.htm"),
                                    QStringLiteral("html/de/index.htm")})
            QVERIFY(QFile::copy(source.filePath(page), help.filePath(page)));
        SetHelpFile(help.path());
        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        auto main = OpenMain();
        main->actHelp->trigger();
        QCOMPARE(HelpTopicOf(*main), QStringLiteral("de/index.htm"));
        const TShownHelp shown = HelpOfConfigurationEditor();
        QCOMPARE(shown.topic, QStringLiteral("html/configedit.htm"));
        QCOMPARE(shown.title, QStringLiteral("Editing a configuration"));
    }

    void aGermanHelpPageLinksToGermanPagesInTheOneStyle() {
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        QTextBrowser english;
        english.setSource(QUrl::fromLocalFile(QStringLiteral(PROLAMO_HELP_SOURCE "/html/index.htm")));
        const QColor styled = HeadingColour(english);
        QVERIFY(styled.isValid());
        QVERIFY(styled != english.palette().color(QPalette::Text));

        const auto backToEnglish = qScopeGuard([] { SetLanguage(QLocale(QLocale::English)); });
        SetLanguage(QLocale(QLocale::German, QLocale::Germany));
        auto main = OpenMain();
        main->actHelp->trigger();
        QTextBrowser* browser = main->findChild<THelpViewer*>()->Browser();
        QCOMPARE(HeadingColour(*browser), styled);
        // As a reader follows the first link: to it by Tab, then Enter.
        QTest::keyClick(browser, Qt::Key_Tab);
        QTest::keyClick(browser, Qt::Key_Return);
        QCOMPARE(QDir::fromNativeSeparators(browser->source().toLocalFile()).section('/', -2),
                 QStringLiteral("de/configedit.htm"));
        QCOMPARE(browser->documentTitle(), QStringLiteral("Eine Konfiguration bearbeiten"));
        QCOMPARE(HeadingColour(*browser), styled);
    }

    // Each page of the help in either language, as its path below html.
    void everyHelpPageHasItsTranslationAndLinksToPagesThatExist_data() {
        QTest::addColumn<QString>("page");
        const QDir html(QStringLiteral(PROLAMO_HELP_SOURCE "/html"));
        QDirIterator pages(html.path(), {QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
        while (pages.hasNext()) {
            const QString page = html.relativeFilePath(pages.next());
            QTest::newRow(qPrintable(page)) << page;
        }
    }

    void everyHelpPageHasItsTranslationAndLinksToPagesThatExist() {
        QFETCH(QString, page);
        const QDir html(QStringLiteral(PROLAMO_HELP_SOURCE "/html"));
        const QFileInfo file(html.filePath(page));
        const bool german = page.startsWith(QStringLiteral("de/"));
        const QString counterpart = german ? file.fileName() : QStringLiteral("de/") + page;
        QVERIFY2(QFileInfo(html.filePath(counterpart)).isFile(),
                 qPrintable(counterpart + QStringLiteral(" is missing")));

        QFile source(file.filePath());
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        const QString text = QString::fromUtf8(bytes);
        QCOMPARE(text.contains(QStringLiteral("<html lang=\"de\">")), german);
        const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#]*)[^\"]*\""));
        for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
            const QString target = match.captured(1);
            if (target.isEmpty() || !QUrl(target).scheme().isEmpty())
                continue; // within the page, or a web address
            const QFileInfo linked(file.dir().filePath(target));
            QVERIFY2(linked.isFile(), qPrintable(target + QStringLiteral(" is not there")));
            if (linked.suffix() == QStringLiteral("htm"))
                QCOMPARE(linked.absolutePath(), file.absolutePath());
        }

        // The build puts the same page beside the program.
        QFile built(QDir(DefaultHelpFile()).filePath(QStringLiteral("html/") + page));
        QVERIFY2(built.open(QIODevice::ReadOnly), qPrintable(built.fileName()));
        QVERIFY(built.readAll() == bytes);
    }

    void helpWithoutPagesDoesNothing() {
        SetHelpFile(QString::fromStdString(workstation_->Scratch().string()));
        auto main = OpenMain();
        main->actHelp->trigger();
        QVERIFY(!main->findChild<THelpViewer*>());
        QVERIFY(TMessageBoxes::Errors().isEmpty());
    }

    void aChangeIsSavedWhenMadeAndTheLockIsFreeMeanwhile() {
        const std::string path = DataFilePath();
        QTimer::singleShot(0, [path] {
            TfrmMain* main = ShownMainWindow();
            if (!main)
                QFAIL("no main window");
            OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
            main->actConfigurationNew->trigger();
            QCOMPARE(ConfigurationsInFile(path), QStringList{QStringLiteral("Configuration 1")});
            // The command line may change the file while the window is open.
            { const TDataFileLock free(path); }
            main->btnCancel->click();
        });
        QCOMPARE(RunProlamo(), 0);
        QCOMPARE(ConfigurationsInFile(path), QStringList{QStringLiteral("Configuration 1")});
    }

    void theCommandLineChangesTheDataFileWhileTheWindowIsOpen() {
        auto main = OpenMain();
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
        main->actConfigurationNew->trigger();
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"), {"config", "add", "Laptop"}), 0);
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"), {"profile", "add", "Laptop", "Home"}), 0);
        // Shown within a moment, with the user's choice kept.
        QTRY_COMPARE(ComboTexts(*main->cmbConfigurations), (QStringList{"Configuration 1", "Laptop"}));
        QCOMPARE(main->cmbConfigurations->currentText(), QStringLiteral("Configuration 1"));
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"),
                            {"rule", "add", "At home", "Laptop", "Home", "dns-suffix=corp.example"}),
                 0);
        // A change in the window after theirs keeps both, also when the window ends.
        OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
        main->actConfigurationNew->trigger();
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"), {"profile", "add", "Laptop", "Office"}), 0);
        main.reset();
        QCOMPARE(ConfigurationsInFile(DataFilePath()), (QStringList{"Configuration 1", "Configuration 2", "Laptop"}));
        QCOMPARE(LoadRules(RulesFilePath()).rules.size(), std::size_t{1});
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"), {"profile", "show", "Laptop", "Office"}), 0);
    }

    void aSecondStartHandsOverToTheRunningProgramAndEnds() {
        TSingleInstance running(DataFolder());
        QVERIFY(running.TryRun());
        QSignalSpy shown(&running, &TSingleInstance::showRequested);
        QCOMPARE(RunProgram(QStringLiteral("prolamo"), {}), 0);
        QTRY_COMPARE(shown.count(), 1);
        // Started with the session once more: there is nothing to show.
        QCOMPARE(RunProgram(QStringLiteral("prolamo"), {QLatin1String(StartInTrayArgument)}), 0);
        QTest::qWait(600);
        QCOMPARE(shown.count(), 1);
    }

    void anEndRequestEndsTheProgramInOrderAndItKeepsWhatOthersWrote() {
        if (const std::string reason = workstation_->EndRequestUntestableReason(); !reason.empty())
            QSKIP(reason.c_str());
        QProcess program;
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/prolamo"), QStringList());
        // Running once it holds the instance lock.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(DataFolder() + QStringLiteral("/prolamo.instance")), 20000);
        QCOMPARE(RunProgram(QStringLiteral("prolamo-cli"), {"config", "add", "Before the end"}), 0);
        QTest::qWait(1500);
        program.terminate(); // SIGTERM
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(ConfigurationsInFile(DataFilePath()), QStringList{QStringLiteral("Before the end")});
    }

    void unreadableDataFileShowsItsErrorAndStaysAsItWas() {
        const std::string path = DataFilePath();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        {
            std::ofstream out(path, std::ios::binary);
            out << "not a data file at all";
        }
        const std::vector<std::uint8_t> before = ReadBytes(path);
        bool mainShown = false;
        QTimer::singleShot(0, [&mainShown] {
            if (TfrmMain* main = ShownMainWindow()) {
                mainShown = true;
                main->close();
            }
        });
        QCOMPARE(RunProlamo(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!mainShown);
        QCOMPARE(TMessageBoxes::Errors().size(), 1);
        // Which file, that it stays as it is, and that the program ends.
        const QString message = TMessageBoxes::Errors().first();
        QVERIFY2(message.startsWith(QStringLiteral("The data file %1 cannot be read: ").arg(ToQString(path))),
                 qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("It was left as it is;")));
        QVERIFY(message.endsWith(QStringLiteral("Prolamo will close.")));
        QCOMPARE(ReadBytes(path), before);
    }

    void damagedHistoryIsLeftAsItIsAndNothingIsAppliedWithoutASnapshot() {
        const std::string path = TProfileHistory::FileBeside(DataFilePath());
        {
            std::ofstream out(path, std::ios::binary);
            out << "no history";
        }
        TestMachine() = {{"k1", "home"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().RefreshAll();
        TestMachine()["k1"] = "away";
        auto main = OpenMain();
        QCOMPARE(TMessageBoxes::Errors().size(), 1);
        QVERIFY(TMessageBoxes::Errors().first().startsWith(QStringLiteral("The history file ")));
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TMessageBoxes::Errors().size(), 2);
        QCOMPARE(TestMachine()["k1"], std::string("away"));
        QVERIFY(ProgressWindows().isEmpty());
        QCOMPARE(ReadBytes(path), (std::vector<std::uint8_t>{'n', 'o', ' ', 'h', 'i', 's', 't', 'o', 'r', 'y'}));
    }

    void lockedDataFileKeepsTheProgramFromStarting() {
        TDataFileLock held(DataFilePath());
        QCOMPARE(RunProlamo(), 1);
        QCOMPARE(TMessageBoxes::Errors().size(), 1);
        QVERIFY(!std::filesystem::exists(DataFilePath()));
    }
};

QTEST_MAIN(GuiTests)
#include "GuiTests.moc"
