#pragma once

#include "fBaseDlg.h"

#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"

class QLabel;
class QTableWidget;

namespace prolamo {

// "What will change": each setting of a profile with the machine's state now against the stored
// value. Computing it only reads the machine.
class TfrmPreview : public TfrmBaseDlg {
    Q_OBJECT

public:
    explicit TfrmPreview(const TConfigurationProfile& profile, QWidget* owner = nullptr);

    const TProfilePreview& Preview() const { return FPreview; }

    QLabel* lblSummary;
    QTableWidget* lvwChanges;

    enum Column { colSetting, colState, colNow, colAfter };

private:
    void ShowChanges();

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
