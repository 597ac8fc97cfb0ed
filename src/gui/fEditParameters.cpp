#include "fEditParameters.h"

#include "classes/uHelpers.h"
#include "os/Folders.h"
#include "profiles/uFileSettings.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uProgramSettings.h"
#include "uGUIUtils.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace prolamo {

namespace {

QLineEdit* NewEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    RefuseControlCharacters(*edit);
    return edit;
}

// The frame's rows, with the room the frame leaves around them; the dialog grows to hold them.
QFormLayout* NewForm(TfrmBeveledDlg& dialog) {
    auto* form = new QFormLayout(dialog.bvlDialog);
    form->setContentsMargins(12, 12, 12, 12);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    return form;
}

// As wide as Width, as tall as the frame's rows need; the user may make it larger.
void FitToForm(TfrmBeveledDlg& dialog, int width) {
    dialog.resize(width, dialog.sizeHint().height());
}

// Run before (index 1) or after (index 0) the other settings.
constexpr int RunAfterIndex = 0;
constexpr int RunBeforeIndex = 1;

} // namespace

// ---- TfrmEditProgram ----

TfrmEditProgram::TfrmEditProgram(TProgramSetting& setting)
    : edtCommandLine(NewEdit("edtCommandLine")), btnBrowse(NewButton(Client(), "btnBrowse")),
      edtWorkingFolder(NewEdit("edtWorkingFolder")), cmbRun(new QComboBox), edtTimeLimit(new QSpinBox),
      FSetting(setting) {
    setObjectName(QStringLiteral("frmEditProgram"));
    setWindowTitle(tr("Program"));
    SetHelpKeyword(QStringLiteral("html/configedit.htm"));

    lblCommandLine = NewLabel(Client(), "lblCommandLine", tr("&Command line"), edtCommandLine);
    btnBrowse->setText(tr("&Browse..."));
    btnBrowse->setToolTip(tr("Choose the program to run"));
    btnBrowse->setAccessibleName(tr("Browse for the program"));
    connect(btnBrowse, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnBrowseClick(); }); });
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(edtCommandLine, 1);
    commandRow->addWidget(btnBrowse);

    lblWorkingFolder = NewLabel(Client(), "lblWorkingFolder", tr("&Working folder"), edtWorkingFolder);
    edtWorkingFolder->setPlaceholderText(tr("the folder Prolamo runs in"));
    lblRun = NewLabel(Client(), "lblRun", tr("&Run"), cmbRun);
    cmbRun->setObjectName(QStringLiteral("cmbRun"));
    cmbRun->insertItem(RunAfterIndex, tr("after the other settings"));
    cmbRun->insertItem(RunBeforeIndex, tr("before the other settings"));
    lblTimeLimit = NewLabel(Client(), "lblTimeLimit", tr("&Time limit"), edtTimeLimit);
    edtTimeLimit->setObjectName(QStringLiteral("edtTimeLimit"));
    edtTimeLimit->setRange(1, LongestTimeLimit);
    edtTimeLimit->setSuffix(tr(" s"));
    edtTimeLimit->setToolTip(tr("A program still running then is ended"));

    QFormLayout* form = NewForm(*this);
    form->addRow(lblCommandLine, commandRow);
    form->addRow(lblWorkingFolder, edtWorkingFolder);
    form->addRow(lblRun, cmbRun);
    form->addRow(lblTimeLimit, edtTimeLimit);
    FitToForm(*this, 520);

    setTabOrder(edtCommandLine, btnBrowse);
    setTabOrder(btnBrowse, edtWorkingFolder);
    setTabOrder(edtWorkingFolder, cmbRun);
    setTabOrder(cmbRun, edtTimeLimit);
    setTabOrder(edtTimeLimit, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    edtCommandLine->setText(ToQString(setting.CommandLine()));
    edtWorkingFolder->setText(ToQString(setting.WorkingFolder()));
    cmbRun->setCurrentIndex(setting.RunBefore() ? RunBeforeIndex : RunAfterIndex);
    edtTimeLimit->setValue(setting.TimeLimit());
    UpdateActions();
}

void TfrmEditProgram::showEvent(QShowEvent* event) {
    TfrmBeveledDlg::showEvent(event);
    edtCommandLine->setFocus();
}

void TfrmEditProgram::btnBrowseClick() {
    const std::string program = ProgramNameOf(ToUtf8(edtCommandLine->text()));
    const std::string folder = TOsHelper::GetSpecialFolder(os::CsidlPersonal);
    const std::optional<QString> chosen =
        TFileDialogs::GetOpenFileName(ToQString(program), ToQString(folder), QStringLiteral("*"));
    if (!chosen)
        return;
    // A path with blanks is one argument only in quotes.
    const QString path = QDir::toNativeSeparators(*chosen);
    edtCommandLine->setText(path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path);
}

void TfrmEditProgram::DoOK(QAction* action) {
    const std::unique_ptr<TSetting> edited = FSetting.Clone();
    auto& program = static_cast<TProgramSetting&>(*edited);
    program.SetCommandLine(ToUtf8(edtCommandLine->text().trimmed()));
    program.SetWorkingFolder(ToUtf8(edtWorkingFolder->text().trimmed()));
    program.SetRunBefore(cmbRun->currentIndex() == RunBeforeIndex);
    program.SetTimeLimit(edtTimeLimit->value());
    try {
        program.CheckParameters();
    } catch (const Exception& e) {
        edtCommandLine->setFocus();
        throw Exception(Sentence(e.Message()));
    }
    FSetting.Assign(program);
    TfrmBeveledDlg::DoOK(action);
}

// ---- TfrmEditHostsBlock ----

TfrmEditHostsBlock::TfrmEditHostsBlock(THostsEntriesSetting& setting)
    : edtBlockName(NewEdit("edtBlockName")), FSetting(setting) {
    setObjectName(QStringLiteral("frmEditHostsBlock"));
    setWindowTitle(tr("Hosts entries"));
    SetHelpKeyword(QStringLiteral("html/configedit.htm"));

    lblBlockName = NewLabel(Client(), "lblBlockName", tr("Block &name"), edtBlockName);
    lblMarkers = new QLabel(tr("Its lines lie between the lines \"%1NAME\" and \"%2NAME\" of the hosts "
                               "file; the other lines stay as they are.")
                                .arg(QLatin1String(HostsBlockBegin), QLatin1String(HostsBlockEnd)));
    lblMarkers->setObjectName(QStringLiteral("lblMarkers"));
    lblMarkers->setWordWrap(true);

    QFormLayout* form = NewForm(*this);
    form->addRow(lblBlockName, edtBlockName);
    form->addRow(lblMarkers);
    FitToForm(*this, 420);

    setTabOrder(edtBlockName, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    edtBlockName->setText(ToQString(setting.BlockName()));
    UpdateActions();
}

void TfrmEditHostsBlock::showEvent(QShowEvent* event) {
    TfrmBeveledDlg::showEvent(event);
    edtBlockName->setFocus();
}

void TfrmEditHostsBlock::DoOK(QAction* action) {
    THostsEntriesSetting edited;
    edited.SetBlockName(ToUtf8(edtBlockName->text()));
    try {
        edited.CheckParameters();
    } catch (const Exception& e) {
        RefuseName(*edtBlockName, e.Message());
    }
    FSetting.SetBlockName(edited.BlockName());
    TfrmBeveledDlg::DoOK(action);
}

void InstallParameterDialogs() {
    TProgramSettingEditor::SetDialog(
        [](TProgramSetting& setting) { return TfrmEditProgram(setting).exec() == QDialog::Accepted; });
    THostsEntriesSettingEditor::SetDialog(
        [](THostsEntriesSetting& setting) { return TfrmEditHostsBlock(setting).exec() == QDialog::Accepted; });
}

} // namespace prolamo
