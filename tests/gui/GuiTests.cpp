// The windows driven by their object names, on a simulated workstation and a data file of each
// test's own.
#include "GuiTestKinds.h"

#include "classes/uDataFileLock.h"
#include "classes/uPersistence.h"
#include "gui/fAbout.h"
#include "gui/fEditConfiguration.h"
#include "gui/fEditItems.h"
#include "gui/fEditProfile.h"
#include "gui/fMain.h"
#include "gui/fProgress.h"
#include "gui/uGUIUtils.h"
#include "os/simulated/Machine.h"
#include "profiles/uEnvSettings.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

void Idle() { TfrmBase::IdleAll(); }

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
template <class Dialog, class Work>
void OnNextModal(Work work) {
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

TfrmMain* ShownMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(widget); main && main->isVisible())
            return main;
    return nullptr;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

class GuiTests : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> temp_;
    std::unique_ptr<os::simulated::Machine> machine_;
    std::unique_ptr<os::simulated::ScopedCurrentMachine> current_;

    TConfigurations& Root() { return GetConfigurationsRoot(); }

    // A main window on the data file of this test's machine, shown, after one idle moment.
    std::unique_ptr<TfrmMain> OpenMain() {
        auto main = std::make_unique<TfrmMain>();
        main->show();
        Idle();
        return main;
    }

private slots:
    void initTestCase() {
        RegisterGuiTestKinds();
        TMessageBoxes::SetTesting(true);
        TFileDialogs::SetTesting(true);
        InstallFileDialog();
        InstallCheckListDialog();
        SetApplicationTitle(QStringLiteral("Prolamo"));
    }

    void init() {
        temp_ = std::make_unique<TempFolder>();
        machine_ = os::simulated::Machine::Open(temp_->Path() / "machine");
        current_ = std::make_unique<os::simulated::ScopedCurrentMachine>(*machine_);
        TMessageBoxes::Reset();
        TFileDialogs::SetTesting(true);
        TestMachine().clear();
        TEditedTestSetting::NextKeys().clear();
        SetHelpFile(QString());
        SetShellOpenHandler(nullptr);
    }

    void cleanup() {
        for (TfrmProgress* progress : ProgressWindows())
            delete progress;
        // A root that no main window registered outlives the data file object.
        Root().Configurations().Clear();
        GetPersistentData().SetSaveOnFree(false);
        FreePersistentData();
        current_.reset();
        machine_.reset();
        temp_.reset();
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
        machine_->SetAdministrator(true);
        QVERIFY(!OpenMain()->imgAdmin->isVisible());
        machine_->SetAdministrator(false);
        auto main = OpenMain();
        QVERIFY(main->imgAdmin->isVisible());
        QCOMPARE(main->imgAdmin->toolTip(),
                 QStringLiteral("You are logged as a user that is not a member Administrator's group.\r\n"
                                "Some settings may require administrative privileges"));
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

    void selectionStaysAtItsPositionAfterARename() {
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
        QCOMPARE(main->cmbConfigurations->currentIndex(), 0);
        QCOMPARE(main->cmbProfiles->currentText(), QStringLiteral("B home"));
        QCOMPARE(ComboTexts(*main->cmbProfiles), (QStringList{"B home", "B work"}));
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

    void kindWithoutEditorIsAddedAtOnceAndCannotBeEdited() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration);
        editor.show();
        QVERIFY(!editor.actNewItem->isEnabled());
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("Test")));
        editor.UpdateActions();
        QVERIFY(editor.actNewItem->isEnabled());
        editor.actNewItem->trigger();
        editor.actNewItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), (QStringList{"Test", "Test"}));
        QCOMPARE(configuration.Settings().Count(), std::size_t{2});
        QVERIFY(configuration.Settings()[0].Id() != 0);

        editor.lvwItems->setCurrentRow(0);
        editor.UpdateActions();
        QVERIFY(!editor.actEditItem->isEnabled());
        QVERIFY(editor.actDelItem->isEnabled());
        emit editor.lvwItems->itemDoubleClicked(editor.lvwItems->item(0));
        QCOMPARE(configuration.Settings().Count(), std::size_t{2});
    }

    void kindWithEditorAddsOnlyWhenConfirmedAndEditsACopy() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration);
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

    void categoryTabsFollowTheRegistryAndFilterTheKinds() {
        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration);
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
        TfrmEditConfiguration editor(configuration);
        editor.lvwAvailItems->setCurrentItem(ItemWithText(*editor.lvwAvailItems, QStringLiteral("File")));
        editor.UpdateActions();
        TFileDialogs::SetNextFileName(std::nullopt);
        editor.actNewItem->trigger();
        QCOMPARE(configuration.Settings().Count(), std::size_t{0});
        QCOMPARE(TFileDialogs::LastPresets(), (QStringList{"", ""}));

        TFileDialogs::SetNextFileName(QStringLiteral("/data/notes.txt"));
        editor.actNewItem->trigger();
        QCOMPARE(ListTexts(*editor.lvwItems), QStringList{QStringLiteral("File (notes.txt)")});
        editor.lvwItems->setCurrentRow(0);
        editor.UpdateActions();
        QVERIFY(editor.actEditItem->isEnabled());
        editor.actEditItem->trigger();
        QCOMPARE(TFileDialogs::LastPresets(), (QStringList{"/data/notes.txt", "/data"}));
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
                const bool temp = row->text() == QStringLiteral("TEMP");
                QCOMPARE(row->checkState() == Qt::Checked, temp);
                row->setCheckState(temp ? Qt::Unchecked : Qt::Checked);
            }
            dialog.accept();
        });
        QVERIFY(editor.Edit(setting));
        QVERIFY(shown.contains(QStringLiteral("TEMP")));
        QVERIFY(shown.contains(QStringLiteral("Path")));
        QVERIFY(setting.Names().IndexOf(u"TEMP") < 0);
        QCOMPARE(setting.Names().Count(), static_cast<std::size_t>(shown.size() - 1));
    }

    void profileEditorEnablingRulesAndPictures() {
        TestMachine() = {{"k1", "one"}, {"k2", "two"}, {"k3", "three"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2", "k3"});
        TConfigurationProfile& profile = a.Profiles().Add();
        profile.RefreshValue(a.Settings()[0]);
        profile.RefreshValue(a.Settings()[1]);
        TfrmEditProfile editor(profile);
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
        TfrmEditProfile editor(a.Profiles().Add());
        editor.UpdateActions();
        QCOMPARE(editor.lvwValues->count(), 0);
        for (QAction* action : {editor.actRefreshValue, editor.actRefreshAllValues, editor.actDelValue,
                                editor.actApplyValue, editor.actApplyProfile})
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    }

    void runWithOnlySuccessesClosesItsProgressWindow() {
        TestMachine() = {{"k1", "home"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1"});
        a.Profiles().Add().RefreshAll();
        auto main = OpenMain();
        TestMachine()["k1"] = "office";
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        QCOMPARE(TMessageBoxes::Questions(),
                 QStringList{QStringLiteral("Do you really want to apply profile these settings?")});
        QCOMPARE(ToQString(TestMachine()["k1"]), QStringLiteral("home"));
        QVERIFY(ProgressWindows().isEmpty());
        QVERIFY(main->isEnabled());
    }

    void runWithAWarningKeepsTheLogOpen() {
        TestMachine() = {{"k1", "warn"}, {"k2", "fine"}};
        TConfiguration& a = AddConfiguration(Root(), "A", {"k1", "k2"});
        a.Profiles().Add().RefreshAll();
        auto main = OpenMain();
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        main->actProfileApply->trigger();
        const QList<TfrmProgress*> windows = ProgressWindows();
        QCOMPARE(windows.size(), 1);
        TfrmProgress& progress = *windows.first();
        QCOMPARE(progress.lvwLog->rowCount(), 1);
        QCOMPARE(progress.lvwLog->item(0, 0)->text(), QStringLiteral("Test (k1): warned about k1"));
        QCOMPARE(progress.ClientSize().height(), 240);
        QCOMPARE(progress.lblText->text(), QStringLiteral("Done"));
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
        TfrmEditProfile editor(a.Profiles()[0]);
        TMessageBoxes::SetNextAnswer(QMessageBox::Yes);
        editor.actApplyProfile->trigger();
        TfrmProgress& progress = *ProgressWindows().first();
        QCOMPARE(progress.lvwLog->rowCount(), 1);
        QCOMPARE(progress.lvwLog->item(0, 0)->text(), QStringLiteral("Test (k1): cannot apply k1"));
        QCOMPARE(progress.lvwLog->item(0, 0)->icon().isNull(), progress.ErrorImageIndex() < 0);
        QCOMPARE(TestMachine()["k2"], std::string("fine"));
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
        TfrmEditProfile editor(a.Profiles()[0]);
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

        TfrmEditProfile editor(a.Profiles()[0]);
        editor.lvwValues->item(0)->setSelected(true);
        TMessageBoxes::SetNextAnswer(QMessageBox::No);
        editor.actApplyValue->trigger();
        QCOMPARE(TestMachine()["k1"], std::string("office"));
        QVERIFY(ProgressWindows().isEmpty());
    }

    void progressWindowDuringTheRun() {
        TfrmProgress progress;
        progress.show();
        Idle();
        QCOMPARE(progress.ClientSize().height(), 80);
        QCOMPARE(progress.windowTitle(), QStringLiteral("Please wait..."));
        QVERIFY(!progress.btnCancel->isEnabled());
        QVERIFY(!progress.actCopyAll->isEnabled());
        QVERIFY(!progress.actCopySelected->isEnabled());
        QTest::keyClick(&progress, Qt::Key_Escape);
        progress.close();
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.btnCancel->text(), QStringLiteral("&Cancel"));
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
        QVERIFY(ProgressWindows().isEmpty());
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
        QCOMPARE(a.Profiles()[0].Values().Count(), std::size_t{1});
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

        QTest::keyClick(main.get(), Qt::Key_Escape);
        QVERIFY(!main->isVisible());
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

    void helpOpensEachWindowsOwnTopic() {
        SetHelpFile(QStringLiteral(PROLAMO_HELP_SOURCE));
        const auto topicOf = [](QWidget& window) {
            auto* viewer = window.findChild<THelpViewer*>();
            return viewer ? QDir::fromNativeSeparators(viewer->Topic()).section('/', -2) : QString();
        };
        auto main = OpenMain();
        QApplication::setActiveWindow(main.get());
        QTest::keyClick(main->cmbConfigurations, Qt::Key_F1);
        QCOMPARE(topicOf(*main), QStringLiteral("html/index.htm"));
        QVERIFY(!main->findChild<THelpViewer*>()->Browser()->toPlainText().isEmpty());

        TfrmAbout about;
        about.actHelp->trigger();
        QCOMPARE(topicOf(about), QStringLiteral("html/index.htm"));

        TConfiguration configuration;
        TfrmEditConfiguration editor(configuration);
        editor.show();
        QApplication::setActiveWindow(&editor);
        QTest::keyClick(editor.edtName, Qt::Key_F1);
        QCOMPARE(topicOf(editor), QStringLiteral("html/configedit.htm"));

        TfrmProgress progress;
        progress.btnHelp->click();
        QCOMPARE(topicOf(progress), QStringLiteral("html/profiletroubles.htm"));

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

    void helpWithoutPagesDoesNothing() {
        SetHelpFile(QString::fromStdString(temp_->Path().string()));
        auto main = OpenMain();
        main->actHelp->trigger();
        QVERIFY(!main->findChild<THelpViewer*>());
        QVERIFY(TMessageBoxes::Errors().isEmpty());
    }

    void dataFileIsWrittenOnceAtExit() {
        const std::string path = DataFilePath();
        QTimer::singleShot(0, [path] {
            TfrmMain* main = ShownMainWindow();
            if (!main)
                QFAIL("no main window");
            OnNextModal<TfrmEditConfiguration>([](TfrmEditConfiguration& editor) { editor.btnOK->click(); });
            main->actConfigurationNew->trigger();
            QVERIFY(!std::filesystem::exists(path));
            // The program holds the lock the command line respects.
            QVERIFY_THROWS_EXCEPTION(EDataFileLocked, TDataFileLock{path});
            main->btnCancel->click();
        });
        QCOMPARE(RunProlamo(), 0);
        QVERIFY(std::filesystem::exists(path));

        TDataFileLock released(path);
        GetPersistentData().Load(path);
        QCOMPARE(Root().Configurations().Count(), std::size_t{1});
        QCOMPARE(Root().Configurations()[0].Name(), std::string("Configuration 1"));
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
        QCOMPARE(ReadBytes(path), before);
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
