#pragma once

#include "fBaseDlg.h"

#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace prolamo {

// "What will change": each setting of a profile with the machine's state now against the stored
// value, and the lines removed and added of the chosen setting that spans several. Computing it
// only reads the machine. "Apply" closes the window accepted: its opener runs the apply.
class TfrmPreview : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmPreview(const TConfigurationProfile& profile, QWidget* owner = nullptr);

    const TProfilePreview& Preview() const { return FPreview; }

    // "- " before a line removed, "+ " before one added, two spaces before one kept.
    static QString DifferenceText(const std::string& before, const std::string& after);

    QLabel* lblSummary;
    QTableWidget* lvwChanges;
    QPlainTextEdit* memDifference;
    QPushButton* btnApply;
    QAction* actApply;

    enum Column { colSetting, colState, colNow, colAfter };

private:
    void ShowChanges();
    void lvwChangesCurrentRowChanged(int row);
    void actApplyExecute(QAction* action);

    TProfilePreview FPreview;
};

// The apply question with "Show changes", which opens the preview of Profile and asks again.
class TPreviewConfirmation final : public IConfirmation {
public:
    explicit TPreviewConfirmation(const TConfigurationProfile& profile) : profile_(profile) {}
    virtual ~TPreviewConfirmation() = default;
    bool Confirm(const std::string& question) override;

private:
    const TConfigurationProfile& profile_;
};

} // namespace prolamo
