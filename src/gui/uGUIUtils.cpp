#include "uGUIUtils.h"

#include "classes/uHelpers.h"
#include "fEditItems.h"
#include "fProgress.h"
#include "framework/Exceptions.h"
#include "framework/Utf8Text.h"
#include "os/Folders.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uFileSettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBrowser>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

#include <deque>
#include <memory>
#include <stdexcept>

// Outside any namespace, as the resource compiler's functions are.
static void InitTranslationResources() {
    Q_INIT_RESOURCE(prolamo_translations);
}

namespace prolamo {

namespace {

struct MessageBoxState {
    bool testing = false;
    std::deque<QMessageBox::StandardButton> answers;
    QStringList questions;
    QStringList errors;
    QMessageBox::StandardButton lastDefault = QMessageBox::NoButton;
};

MessageBoxState& Boxes() {
    static MessageBoxState state;
    return state;
}

struct FileDialogState {
    bool testing = false;
    std::deque<std::optional<QString>> answers;
    QStringList lastPresets;
};

FileDialogState& FileDialogs() {
    static FileDialogState state;
    return state;
}

QString& HelpFolder() {
    static QString folder;
    return folder;
}

// The language of the installed translation, such as "de"; empty for English.
QString& TranslationLanguage() {
    static QString language;
    return language;
}

// Page in the windows' language where the help has it (html/de/index.htm for html/index.htm).
QString InWindowsLanguage(const QString& page) {
    if (TranslationLanguage().isEmpty())
        return page;
    const QFileInfo english(page);
    const QString translated = english.dir().filePath(TranslationLanguage() + QLatin1Char('/') + english.fileName());
    return QFileInfo(translated).isFile() ? translated : page;
}

std::function<void(const QString&)>& ShellHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

QPointer<QWidget>& MainWindow() {
    static QPointer<QWidget> window;
    return window;
}

QString& Title() {
    static QString title;
    return title;
}

} // namespace

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

std::string Sentence(std::string message) {
    if (!message.empty() && message[0] >= 'a' && message[0] <= 'z')
        message[0] = static_cast<char>(message[0] - 'a' + 'A');
    return message;
}

namespace {

class TNameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return HasControlCharacter(ToUtf8(input)) ? Invalid : Acceptable;
    }
};

} // namespace

void RefuseControlCharacters(QLineEdit& edit) {
    edit.setValidator(new TNameValidator(&edit));
}

void ProgramError(const std::string& message) {
    throw std::logic_error(message);
}

void RefuseName(QLineEdit& edit, const std::string& message) {
    edit.setFocus();
    edit.selectAll();
    throw Exception(Sentence(message));
}

bool TMessageBoxes::AskYesNo(const QString& question, const std::function<void()>& showChanges,
                             QMessageBox::StandardButton defaultAnswer) {
    MessageBoxState& state = Boxes();
    state.lastDefault = defaultAnswer;
    for (;;) {
        QMessageBox::StandardButton answer = QMessageBox::No;
        if (state.testing) {
            state.questions << question;
            if (!state.answers.empty()) {
                answer = state.answers.front();
                state.answers.pop_front();
            }
        } else {
            QMessageBox box(QMessageBox::Question, QCoreApplication::translate("prolamo", "Confirm"), question,
                            QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
            box.setDefaultButton(defaultAnswer);
            // Qt's own translations are not part of the program: the answers are its texts.
            box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("prolamo", "&Yes"));
            box.button(QMessageBox::No)->setText(QCoreApplication::translate("prolamo", "&No"));
            QPushButton* show = nullptr;
            if (showChanges)
                show = box.addButton(QCoreApplication::translate("prolamo", "&Show changes"), QMessageBox::HelpRole);
            box.exec();
            answer = show && box.clickedButton() == show ? ShowChangesAnswer : box.standardButton(box.clickedButton());
        }
        if (answer != ShowChangesAnswer || !showChanges)
            return answer == QMessageBox::Yes;
        showChanges();
    }
}

void TMessageBoxes::ShowError(const QString& message) {
    MessageBoxState& state = Boxes();
    if (state.testing) {
        state.errors << message;
        return;
    }
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), message, QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("prolamo", "OK"));
    box.exec();
}

void TMessageBoxes::SetTesting(bool testing) {
    Boxes().testing = testing;
}

void TMessageBoxes::SetNextAnswer(QMessageBox::StandardButton answer) {
    Boxes().answers.push_back(answer);
}

QStringList& TMessageBoxes::Questions() {
    return Boxes().questions;
}

QStringList& TMessageBoxes::Errors() {
    return Boxes().errors;
}

QMessageBox::StandardButton TMessageBoxes::LastDefaultAnswer() {
    return Boxes().lastDefault;
}

void TMessageBoxes::Reset() {
    Boxes().answers.clear();
    Boxes().questions.clear();
    Boxes().errors.clear();
    Boxes().lastDefault = QMessageBox::NoButton;
}

bool ConfirmDelete(const std::string& name) {
    return TMessageBoxes::AskYesNo(
        QCoreApplication::translate("prolamo", "Do you want to delete \"%1\"?").arg(ToQString(name)), {},
        QMessageBox::No);
}

bool ConfirmRefresh(const TConfigurationProfile& profile, std::span<TSetting* const> settings) {
    std::vector<TSetting*> all;
    if (settings.empty() && profile.Settings())
        all.assign(profile.Settings()->begin(), profile.Settings()->end());
    QString replaced;
    for (const TSetting* setting : settings.empty() ? std::span<TSetting* const>(all) : settings)
        if (profile.FindValue(*setting))
            replaced += ToQString(setting->GetFullDisplayText()) + QLatin1Char('\n');
    return replaced.isEmpty() ||
           TMessageBoxes::AskYesNo(
               QCoreApplication::translate("prolamo", "Refresh replaces what \"%1\" holds of these settings with "
                                                      "what the machine holds now:\n\n%2\nReplace them?")
                   .arg(ToQString(profile.Name()), replaced),
               {}, QMessageBox::No);
}

namespace {

// Enter on the focused button presses that button, as Space does, and as the platform's dialogs
// do; Qt would hand it to the dialog's default button, so Enter on Cancel would confirm OK.
class TButtonEnter : public QObject {
public:
    explicit TButtonEnter(QPushButton* button) : QObject(button), button_(button) { button->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (button_->isEnabled())
            button_->click();
        return true;
    }

private:
    QPushButton* button_;
};

// As wide as a native dialog's buttons at the least; a longer caption widens it. Not a minimum
// width: a layout would squeeze a long caption, with its menu arrow, down to that.
class TButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override { return QPushButton::sizeHint().expandedTo(QSize(75, 0)); }
};

} // namespace

QPushButton* NewButton(QWidget* parent, const char* name) {
    auto* button = new TButton(parent);
    new TButtonEnter(button); // the button owns it
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

void BindButton(QAbstractButton& button, QAction& action) {
    const auto follow = [&button, &action] {
        button.setText(action.text());
        button.setEnabled(action.isEnabled());
        button.setToolTip(action.property("hint").toString());
    };
    follow();
    QObject::connect(&action, &QAction::changed, &button, follow);
    QObject::connect(&button, &QAbstractButton::clicked, &action, [&action] { action.trigger(); });
}

void SelectItemIndex(QComboBox& list, int index) {
    {
        // The handler runs once below, also when the position did not change.
        const QSignalBlocker blocker(list);
        list.setCurrentIndex(index);
    }
    emit list.activated(list.currentIndex());
}

void SetHelpFile(const QString& folder) {
    HelpFolder() = folder;
}

QString HelpFile() {
    return HelpFolder();
}

QString DefaultHelpFile() {
    const QDir exeFolder(QCoreApplication::applicationDirPath());
    const QString installed = exeFolder.absoluteFilePath(QStringLiteral("../share/prolamo/help"));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return exeFolder.absoluteFilePath(QStringLiteral("help"));
}

THelpViewer::THelpViewer(QWidget* owner) : QDialog(owner), brwHelp_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setWindowTitle(tr("Prolamo Help"));
    brwHelp_->setObjectName(QStringLiteral("brwHelp"));
    brwHelp_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(brwHelp_);
    resize(640, 480);
}

void THelpViewer::ShowTopic(const QString& path) {
    topic_ = path;
    brwHelp_->setSource(QUrl::fromLocalFile(path));
}

void ShowHelpTopic(const QString& topic, QWidget* owner) {
    if (HelpFile().isEmpty() || topic.isEmpty())
        return;
    QString relative = topic;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString path = InWindowsLanguage(QDir(HelpFile()).absoluteFilePath(relative));
    if (!QFileInfo(path).isFile())
        return;
    // A child of the asking window, so that a modal dialog does not block its own help.
    THelpViewer* viewer = owner ? owner->findChild<THelpViewer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!viewer)
        viewer = new THelpViewer(owner);
    viewer->ShowTopic(path);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void ShowHelpTopic(const QString& topic) {
    ShowHelpTopic(topic, QApplication::activeWindow());
}

void ShellOpen(const QString& target) {
    if (ShellHandler()) {
        ShellHandler()(target);
        return;
    }
    QDesktopServices::openUrl(QUrl(target));
}

void SetShellOpenHandler(std::function<void(const QString&)> handler) {
    ShellHandler() = std::move(handler);
}

std::optional<QString> TFileDialogs::GetOpenFileName(const QString& fileName, const QString& folder,
                                                     const QString& filter) {
    FileDialogState& state = FileDialogs();
    state.lastPresets = {fileName, folder};
    if (state.testing) {
        if (state.answers.empty())
            return std::nullopt;
        // A cancelled dialog is queued as no answer.
        const bool cancelled = !state.answers.front().has_value();
        const QString answer = state.answers.front().value_or(QString());
        state.answers.pop_front();
        if (cancelled)
            return std::nullopt;
        return answer;
    }
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> TFileDialogs::GetSaveFileName(const QString& fileName, const QString& folder,
                                                     const QString& filter) {
    FileDialogState& state = FileDialogs();
    if (state.testing)
        return GetOpenFileName(fileName, folder, filter);
    state.lastPresets = {fileName, folder};
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDirectory(folder);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void TFileDialogs::SetNextFileName(std::optional<QString> fileName) {
    FileDialogs().answers.push_back(std::move(fileName));
}

void TFileDialogs::SetTesting(bool testing) {
    FileDialogs().testing = testing;
    FileDialogs().answers.clear();
}

QStringList TFileDialogs::LastPresets() {
    return FileDialogs().lastPresets;
}

void WriteTextFile(const QString& fileName, const std::string& text) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit())
        throw Exception(ToUtf8(QCoreApplication::translate("prolamo", "%1 cannot be written: %2")
                                   .arg(QDir::toNativeSeparators(fileName), file.errorString())));
}

std::string ReadTextFile(const QString& fileName, std::size_t maxSize) {
    QFile file(fileName);
    const auto fail = [&](const QString& why) {
        throw Exception(ToUtf8(QCoreApplication::translate("prolamo", "%1 cannot be read: %2")
                                   .arg(QDir::toNativeSeparators(fileName), why)));
    };
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    if (static_cast<std::uint64_t>(file.size()) > maxSize)
        fail(QCoreApplication::translate("prolamo", "it is larger than %1 bytes").arg(maxSize));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(file.errorString());
    return bytes.toStdString();
}

namespace {

std::string TranslateEngineText(const char* context, const char* english) {
    return ToUtf8(QCoreApplication::translate(context, english));
}

} // namespace

void SetLanguage(const QLocale& language) {
    static std::unique_ptr<QTranslator> installed;
    // Qt's own texts in the same language: its dialogs and the key names in the menus.
    static std::unique_ptr<QTranslator> toolkit;
    static const bool initialized = (InitTranslationResources(), true);
    (void)initialized;
    for (std::unique_ptr<QTranslator>* translator : {&installed, &toolkit})
        if (*translator) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    installed = std::make_unique<QTranslator>();
    // No file for English, the program's own language, nor for one without a translation.
    if (installed->load(language, QStringLiteral("prolamo"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(installed.get());
        TranslationLanguage() = QLocale(installed->language()).name().section(QLatin1Char('_'), 0, 0);
        toolkit = std::make_unique<QTranslator>();
        if (toolkit->load(QStringLiteral("qtbase_") + TranslationLanguage(), QStringLiteral(":/i18n")))
            QCoreApplication::installTranslator(toolkit.get());
        else
            toolkit.reset();
    } else {
        installed.reset();
        TranslationLanguage().clear();
    }
    SetTranslationLookup(&TranslateEngineText);
}

void InstallFileDialog() {
    TFileSettingEditor::SetOpenFileDialog([](const TOpenFileRequest& request) -> std::optional<std::string> {
        // "*.*" would hide the files without an extension here, the hosts file among them.
        const QString filter = request.filter == "*.*" ? QStringLiteral("*") : ToQString(request.filter);
        // A new setting has no folder yet: start where the user keeps files.
        const std::string folder =
            request.initialFolder.empty() ? TOsHelper::GetSpecialFolder(os::CsidlPersonal) : request.initialFolder;
        const std::optional<QString> chosen =
            TFileDialogs::GetOpenFileName(ToQString(request.fileName), ToQString(folder), filter);
        if (!chosen)
            return std::nullopt;
        return ToUtf8(QDir::toNativeSeparators(*chosen));
    });
}

void InstallCheckListDialog() {
    TEnvSettingEditor::SetCheckListDialog([](const std::string& caption, std::vector<TCheckListItem>& items) {
        TfrmEditItemsDlg dialog;
        dialog.setWindowTitle(ToQString(caption));
        dialog.lbx->setUpdatesEnabled(false);
        dialog.lbx->clear();
        for (const TCheckListItem& item : items) {
            auto* row = new QListWidgetItem(QString::fromStdU16String(item.text), dialog.lbx);
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
        }
        dialog.lbx->setUpdatesEnabled(true);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        for (int i = 0; i < dialog.lbx->count() && i < static_cast<int>(items.size()); ++i)
            items[static_cast<std::size_t>(i)].checked = dialog.lbx->item(i)->checkState() == Qt::Checked;
        return true;
    });
}

void SetApplicationMainWindow(QWidget* window) {
    MainWindow() = window;
}

QWidget* ApplicationMainWindow() {
    return MainWindow();
}

QString ApplicationTitle() {
    return Title().isEmpty() ? QLatin1String(ProductName) : Title();
}

void SetApplicationTitle(const QString& title) {
    Title() = title;
}

bool TGUIConfirmation::Confirm(const std::string& question) {
    return TMessageBoxes::AskYesNo(ToQString(question));
}

TGUIConfirmation& GUIConfirmation() {
    static TGUIConfirmation confirmation;
    return confirmation;
}

TfrmProgress* TGUIProgressSender::Form() const {
    return static_cast<TfrmProgress*>(FForm.data());
}

TfrmProgress& TGUIProgressSender::StartedForm() const {
    if (!started_)
        ProgramError("The progress sender has not started");
    if (!FForm)
        ProgramError("The progress window is gone");
    return *Form();
}

void TGUIProgressSender::Start(int count) {
    if (started_)
        ProgramError("The progress sender has already started");
    started_ = true;
    auto* form = new TfrmProgress(QApplication::activeModalWidget());
    FForm = form;
    form->prg->setMaximum(count);
    form->show();
    QCoreApplication::processEvents();
}

void TGUIProgressSender::SetStatus(const std::string& text) {
    StartedForm().SetStatusText(ToQString(text));
}

void TGUIProgressSender::Step() {
    TfrmProgress& form = StartedForm();
    form.prg->setValue(form.prg->value() + 1);
    QCoreApplication::processEvents();
}

void TGUIProgressSender::Finish(const TCheckResultList& results) {
    TfrmProgress& form = StartedForm();
    form.ShowResults(results);
    form.Done(ToQString(summary_));
    if (undo_)
        form.OfferUndo(undo_);
}

} // namespace prolamo
