#pragma once
// What every window shares on the Qt side: text conversion, message boxes, help, the shell, the
// file-open dialog, drop-down selection and the progress sink of apply runs.

#include "framework/Exceptions.h"
#include "profiles/uProfileUtils.h"

#include <QDialog>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <string>

class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace prolamo {

class TfrmProgress;

// Registers the pictures and the icon of the program; every window does so before it uses them.

QString ToQString(const std::string& text);
std::string ToUtf8(const QString& text);

// A message of the layers below, which write theirs to follow "prolamo-cli: ", as a sentence of
// its own: "a rule needs a name" becomes "A rule needs a name".
std::string Sentence(std::string message);

// Names are shown in lists and on terminals: typing or pasting a control character into Edit is
// refused.
void RefuseControlCharacters(QLineEdit& edit);

// A broken internal rule; never caused by user input.
[[noreturn]] void ProgramError(const std::string& message);

// Refuses the name in Edit with Message (as a Sentence): raises it for the error box, with the
// field focused and its text selected, so the dialog stays open on what the user typed.
[[noreturn]] void RefuseName(QLineEdit& edit, const std::string& message);

// The program's message boxes. Tests switch them to answer without a user and read what was asked.
class TMessageBoxes {
public:
    // A confirmation with Yes and No; true for Yes. With ShowChanges the box has a third button,
    // "Show changes", that runs it and asks again. DefaultAnswer is what Enter answers.
    static bool AskYesNo(const QString& question, const std::function<void()>& showChanges = {},
                         QMessageBox::StandardButton defaultAnswer = QMessageBox::Yes);
    // The answer a test queues for "Show changes".
    static constexpr QMessageBox::StandardButton ShowChangesAnswer = QMessageBox::Help;
    // The standard error box, titled with the application title.
    static void ShowError(const QString& message);

    // While testing no box is shown: questions take the queued answers (No when none is left) and
    // every question and error is recorded.
    static void SetTesting(bool testing);
    static void SetNextAnswer(QMessageBox::StandardButton answer);
    static QStringList& Questions();
    static QStringList& Errors();
    // What Enter would have answered the last question.
    static QMessageBox::StandardButton LastDefaultAnswer();
    static void Reset();
};

// Runs Work and shows any error that it raises in the standard error box.
template <class Work> bool RunGuarded(Work&& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        TMessageBoxes::ShowError(ToQString(AdvisedMessage(e)));
        return false;
    }
}

// Asks "Do you want to delete "<name>"?"; true for Yes. Enter answers No: the Delete key asks too.
bool ConfirmDelete(const std::string& name);
// Asks before a refresh replaces values of Profile, naming the settings of Settings (all of the
// profile's for none) that it holds values of; Enter answers No. True without a question when it
// holds none of them.
bool ConfirmRefresh(const TConfigurationProfile& profile, std::span<TSetting* const> settings);

// A button of Parent for a layout; Enter presses the dialog's OK button only, never the button that
// happens to have the focus.
QPushButton* NewButton(QWidget* parent, const char* name);
// A label of Parent whose access key moves the focus to Buddy.
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy);

// Makes Button show Action's caption, enabled state and hint, and execute it when clicked.
void BindButton(QAbstractButton& button, QAction& action);

// Sets the selected position and runs the list's change handler (its activated signal), as a user
// choice would; on an empty list no entry stays selected.
void SelectItemIndex(QComboBox& list, int index);

// The folder that holds the help pages (html/index.htm ...), the counterpart of a help file.
void SetHelpFile(const QString& folder);
QString HelpFile();
// The help folder beside an installed or a freshly built executable.
QString DefaultHelpFile();

// Shows a help page in the program's own viewer, owned by Owner (by default the active window), in
// the language of the windows where the help has the page (html/de/index.htm), else in English; a
// topic that is not there shows nothing and no message.
void ShowHelpTopic(const QString& topic, QWidget* owner);
void ShowHelpTopic(const QString& topic);

// The help viewer: one per window that asked, reused for its next request.
class THelpViewer : public QDialog {
    Q_OBJECT

public:
    explicit THelpViewer(QWidget* owner);
    void ShowTopic(const QString& path);
    QString Topic() const { return topic_; }
    QTextBrowser* Browser() const { return brwHelp_; }

private:
    QTextBrowser* brwHelp_;
    QString topic_;
};

// Asks the desktop to open a web address or a mailto: address; failures are not reported.
void ShellOpen(const QString& target);
// Tests: receives the targets instead of the desktop.
void SetShellOpenHandler(std::function<void(const QString&)> handler);

// The file-open and file-save dialogs; tests queue the file the user would choose (or nothing for
// Cancel).
class TFileDialogs {
public:
    static std::optional<QString> GetOpenFileName(const QString& fileName, const QString& folder,
                                                  const QString& filter);
    // Asks before replacing an existing file.
    static std::optional<QString> GetSaveFileName(const QString& fileName, const QString& folder,
                                                  const QString& filter);
    static void SetNextFileName(std::optional<QString> fileName);
    static void SetTesting(bool testing);
    // What the last dialog was preset with: file name and folder.
    static QStringList LastPresets();
};

// A whole text file, written atomically (the previous file stays on any failure) or read up to
// MaxSize bytes; failures raise with the file's name.
void WriteTextFile(const QString& fileName, const std::string& text);
std::string ReadTextFile(const QString& fileName, std::size_t maxSize);

// Makes the File setting's editor use the dialog above.
void InstallFileDialog();
// Shows the program's texts, and the engine's that it translates, in Language where a translation
// of it is embedded (the desktop program: the system's user-interface language), else in English.
// Windows made before keep their texts.
void SetLanguage(const QLocale& language);
// The environment variables editor's check-list, a TfrmEditItemsDlg.
void InstallCheckListDialog();

// The window that stands for the application: the progress window disables it during a run.
void SetApplicationMainWindow(QWidget* window);
QWidget* ApplicationMainWindow();
inline constexpr const char* ProductName = "Prolamo";
// The application title, which the main window shows as its caption; the product name until the
// program sets it.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Answers the applier's question with a message box.
class TGUIConfirmation final : public IConfirmation {
public:
    virtual ~TGUIConfirmation() = default;
    bool Confirm(const std::string& question) override;
};
TGUIConfirmation& GUIConfirmation();

// Drives a progress window of its own through one apply run.
class TGUIProgressSender : public TProgressSender {
public:
    // Undo: what the window's "Undo last apply" runs once the run has ended; none offers no undo.
    explicit TGUIProgressSender(std::function<void()> undo = {}) : undo_(std::move(undo)) {}
    void Start(int count) override;
    void SetStatus(const std::string& text) override;
    void Step() override;
    void Finish(const TCheckResultList& results) override;
    void SetSummary(const std::string& summary) override { summary_ = summary; }

    TfrmProgress* Form() const;

private:
    TfrmProgress& StartedForm() const;

    // Not owned: the window frees itself when closed, which empties this guard.
    QPointer<QDialog> FForm;
    bool started_ = false;
    std::string summary_;
    std::function<void()> undo_;
};

} // namespace prolamo
