#include "fEditProfile.h"

#include "fPreview.h"
#include "framework/Exceptions.h"
#include "uGUIUtils.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

namespace prolamo {

TfrmEditProfile::TfrmEditProfile(TConfigurationProfile& profile, TProfileHistory& history,
                                 const TConfiguration& configuration, const TConfigurationProfile* original)
    : lblName(new QLabel(tr("Name"), Client())), edtName(new QLineEdit(Client())), lvwValues(new TListView(Client())),
      FProfile(profile), FHistory(history), FConfiguration(configuration), FOriginal(original) {
    setObjectName(QStringLiteral("frmEditProfile"));
    setWindowTitle(tr("Edit Profile"));
    SetHelpKeyword(QStringLiteral("html/profileedit.htm"));
    resize(400, 320);

    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setBuddy(edtName);
    edtName->setObjectName(QStringLiteral("edtName"));
    RefuseControlCharacters(*edtName);
    lvwValues->setObjectName(QStringLiteral("lvwValues"));
    lvwValues->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwValues->OnInfoTip = [this](QListWidgetItem* item) { return lvwValuesInfoTip(item); };

    const QString values = QStringLiteral("Values");
    actRefreshValue = NewAction("actRefreshValue", values, tr("&Refresh value(s)"), tr("Refresh value(s)"), 4);
    actRefreshAllValues =
        NewAction("actRefreshAllValues", values, tr("Refresh a&ll values"), tr("Refresh all values"), 5);
    actDelValue = NewAction("actDelValue", values, tr("&Delete value(s)"), tr("Delete value(s)"), 2);
    actApplyValue = NewAction("actApplyValue", values, tr("A&pply value(s)"), tr("Apply value(s)"), 7);
    actApplyProfile = NewAction("actApplyProfile", values, tr("Apply all &values"), tr("Apply all values"), 6);
    actUndoRefresh = NewAction("actUndoRefresh", values, tr("&Undo last refresh"), tr("Undo last refresh"), 8);
    actRefreshValue->setShortcut(QKeySequence(Qt::Key_F5));
    actDelValue->setShortcut(QKeySequence::Delete);
    OnExecute(actRefreshValue, &TfrmEditProfile::actRefreshValueExecute);
    OnExecute(actRefreshAllValues, &TfrmEditProfile::actRefreshAllValuesExecute);
    OnExecute(actDelValue, &TfrmEditProfile::actDelValueExecute);
    OnExecute(actApplyValue, &TfrmEditProfile::actApplyValueExecute);
    OnExecute(actApplyProfile, &TfrmEditProfile::actApplyProfileExecute);
    OnExecute(actUndoRefresh, &TfrmEditProfile::actUndoRefreshExecute);

    tbrValues = NewToolBar("tbrValues", Qt::Vertical);
    btnRefreshValue = AddToolButton(tbrValues, "btnRefreshValue", actRefreshValue);
    btnRefreshAllValues = AddToolButton(tbrValues, "btnRefreshAllValues", actRefreshAllValues);
    btnDelValue = AddToolButton(tbrValues, "btnDelValue", actDelValue);
    btnApplyValue = AddToolButton(tbrValues, "btnApplyValue", actApplyValue);
    btnApplyProfile = AddToolButton(tbrValues, "btnApplyProfile", actApplyProfile);
    btnUndoRefresh = AddToolButton(tbrValues, "btnUndoRefresh", actUndoRefresh);

    lvwValues->setAccessibleName(tr("Values"));
    auto* layout = new QGridLayout(bvlDialog);
    layout->addWidget(lblName, 0, 0);
    layout->addWidget(edtName, 0, 1, 1, 2);
    layout->addWidget(lvwValues, 1, 0, 1, 2);
    layout->addWidget(tbrValues, 1, 2, Qt::AlignTop);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
    BindListActions(
        lvwValues, nullptr,
        {actRefreshValue, actRefreshAllValues, actDelValue, actApplyValue, actApplyProfile, actUndoRefresh});

    setTabOrder(edtName, lvwValues);
    setTabOrder(lvwValues, btnRefreshValue);
    setTabOrder(btnRefreshValue, btnRefreshAllValues);
    setTabOrder(btnRefreshAllValues, btnDelValue);
    setTabOrder(btnDelValue, btnApplyValue);
    setTabOrder(btnApplyValue, btnApplyProfile);
    setTabOrder(btnApplyProfile, btnUndoRefresh);
    setTabOrder(btnUndoRefresh, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    edtName->setText(ToQString(FProfile.Name()));
    ShowValues();
    UpdateActions();
}

void TfrmEditProfile::showEvent(QShowEvent* event) {
    TfrmBeveledDlg::showEvent(event);
    edtName->setFocus();
}

void TfrmEditProfile::ShowValues() {
    const TListView::TSelection selection = lvwValues->Selection();
    lvwValues->setUpdatesEnabled(false);
    lvwValues->clear();
    if (TSettings* settings = FProfile.Settings())
        for (TSetting* setting : *settings)
            lvwValues->AddItem(ToQString(setting->GetFullDisplayText()), *imlImages,
                               FProfile.FindValue(*setting) ? 0 : 1, setting);
    lvwValues->SortByText();
    lvwValues->RestoreSelection(selection);
    lvwValues->setUpdatesEnabled(true);
}

QString TfrmEditProfile::lvwValuesInfoTip(QListWidgetItem* item) const {
    const auto* setting = static_cast<const TSetting*>(TListView::DataOf(item));
    if (!setting)
        return {};
    const TSettingValue* value = FProfile.FindValue(*setting);
    return value ? ToQString(value->GetHint()) : QString();
}

std::vector<TSetting*> TfrmEditProfile::GetSelectedSettings() const {
    std::vector<TSetting*> settings;
    for (int row = 0; row < lvwValues->count(); ++row)
        if (QListWidgetItem* item = lvwValues->item(row); item->isSelected())
            settings.push_back(static_cast<TSetting*>(TListView::DataOf(item)));
    return settings;
}

void TfrmEditProfile::UpdateActions() {
    TfrmBeveledDlg::UpdateActions();
    actRefreshValueUpdate(actRefreshValue);
    actRefreshAllValuesUpdate(actRefreshAllValues);
    actDelValueUpdate(actDelValue);
    actDelValueUpdate(actApplyValue);
    actRefreshAllValuesUpdate(actApplyProfile);
    actUndoRefreshUpdate();
}

void TfrmEditProfile::actUndoRefreshUpdate() {
    actUndoRefresh->setEnabled(UndoableRefresh() != nullptr);
}

bool TfrmEditProfile::Recorded(const TProfileSnapshot* snapshot) const {
    return std::find(FRefreshes.begin(), FRefreshes.end(), snapshot) != FRefreshes.end();
}

bool TfrmEditProfile::InHistory(const TProfileSnapshot* snapshot) const {
    for (const TProfileSnapshot& each : FHistory.Snapshots())
        if (&each == snapshot)
            return true;
    return false;
}

TProfileSnapshot* TfrmEditProfile::UndoableRefresh() const {
    TProfileSnapshot* newest = FHistory.Newest({TSnapshotKind::Refresh});
    return Recorded(newest) ? newest : nullptr;
}

void TfrmEditProfile::Refresh(std::span<TSetting* const> settings) {
    if (!ConfirmRefresh(FProfile, settings))
        return;
    const TRefreshReport report = RefreshWithHistory(FHistory, FConfiguration, FProfile, settings);
    if (TProfileSnapshot* snapshot = FHistory.Newest({TSnapshotKind::Refresh}); snapshot && !Recorded(snapshot))
        FRefreshes.push_back(snapshot);
    ShowValues();
    if (report.failed)
        throw Exception(report.error);
}

void TfrmEditProfile::actUndoRefreshExecute(QAction*) {
    TProfileSnapshot* snapshot = UndoableRefresh();
    if (!snapshot)
        return;
    // The values go back into this dialog's profile, which the main window stores on OK.
    FHistory.ReadValues(*snapshot);
    if (TSettings* settings = FProfile.Settings())
        for (TSetting* setting : *settings)
            if (const TSnapshotEntry* entry = snapshot->FindEntry(setting->Id()))
                FProfile.SetValue(*setting, entry->Value() ? entry->Value()->Clone() : nullptr);
    std::erase(FRefreshes, snapshot);
    FHistory.Remove(*snapshot);
    ShowValues();
}

void TfrmEditProfile::actRefreshValueUpdate(QAction* action) {
    action->setEnabled(!lvwValues->selectedItems().isEmpty());
}

void TfrmEditProfile::actRefreshAllValuesUpdate(QAction* action) {
    action->setEnabled(lvwValues->count() > 0);
}

void TfrmEditProfile::actDelValueUpdate(QAction* action) {
    bool anyValue = false;
    for (const TSetting* setting : GetSelectedSettings())
        anyValue = anyValue || FProfile.FindValue(*setting);
    action->setEnabled(anyValue);
}

void TfrmEditProfile::actRefreshValueExecute(QAction*) {
    const std::vector<TSetting*> settings = GetSelectedSettings();
    if (!settings.empty())
        Refresh(settings);
}

void TfrmEditProfile::actRefreshAllValuesExecute(QAction*) {
    Refresh({});
}

void TfrmEditProfile::actDelValueExecute(QAction*) {
    for (const TSetting* setting : GetSelectedSettings())
        FProfile.SetValue(*setting, nullptr);
    ShowValues();
}

void TfrmEditProfile::actApplyValueExecute(QAction*) {
    const std::vector<TSetting*> settings = GetSelectedSettings();
    if (!settings.empty())
        Apply(settings);
}

void TfrmEditProfile::actApplyProfileExecute(QAction*) {
    Apply({});
}

void TfrmEditProfile::Apply(std::span<TSetting* const> settings) {
    TApplySnapshotter snapshotter(FHistory, FConfiguration);
    TPreviewConfirmation confirmation(FProfile);
    TProfileApplier applier(std::make_unique<TGUIProgressSender>(), confirmation);
    applier.SetGuard(&snapshotter);
    if (settings.empty())
        applier.ApplyProfile(FProfile);
    else
        applier.ApplyValues(FProfile, settings);
}

void TfrmEditProfile::DoOK(QAction* action) {
    TfrmBeveledDlg::DoOK(action);
    const std::string name = ToUtf8(edtName->text());
    if (const TConfigurationProfile* other = FConfiguration.Profiles().Find(name);
        other && other != &FProfile && other != FOriginal)
        RefuseName(*edtName, ProfileNameTaken(FConfiguration.Name(), name));
    // This dialog's refreshes stay undoable from the main window under the profile's new name.
    if (name != FProfile.Name())
        for (TProfileSnapshot* snapshot : FRefreshes)
            // The history drops its oldest snapshots beyond its capacity.
            if (InHistory(snapshot)) {
                auto renamed = std::make_unique<TProfileSnapshot>();
                renamed->Assign(*snapshot);
                renamed->SetProfile(name);
                FHistory.Replace(*snapshot, std::move(renamed));
            }
    FProfile.SetName(name);
}

void TfrmEditProfile::DoCancel(QAction* action) {
    // The refreshed values go with the dialog; what they replaced is what the profile still holds.
    for (TProfileSnapshot* snapshot : FRefreshes)
        if (InHistory(snapshot))
            FHistory.Remove(*snapshot);
    FRefreshes.clear();
    TfrmBeveledDlg::DoCancel(action);
}

} // namespace prolamo
