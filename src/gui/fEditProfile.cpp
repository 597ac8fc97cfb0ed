#include "fEditProfile.h"

#include "uGUIUtils.h"

#include <QAction>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

namespace prolamo {

TfrmEditProfile::TfrmEditProfile(TConfigurationProfile& profile)
    : lblName(new QLabel(QStringLiteral("Name"), Client())), edtName(new QLineEdit(Client())),
      lvwValues(new TListView(Client())), FProfile(profile) {
    setObjectName(QStringLiteral("frmEditProfile"));
    setWindowTitle(QStringLiteral("Edit Profile"));
    SetHelpKeyword(QStringLiteral("html/profileedit.htm"));
    SetClientSize(360, 280);
    bvlDialog->setGeometry(8, 8, 344, 233);

    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->move(16, 19);
    lblName->adjustSize();
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setGeometry(49, 16, 296, 21);
    lvwValues->setObjectName(QStringLiteral("lvwValues"));
    lvwValues->setGeometry(16, 43, 297, 185);
    lvwValues->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwValues->OnInfoTip = [this](QListWidgetItem* item) { return lvwValuesInfoTip(item); };
    Anchor(lvwValues, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);

    const QString values = QStringLiteral("Values");
    actRefreshValue = NewAction("actRefreshValue", values, {}, QStringLiteral("Refresh value(s)"), 4);
    actRefreshAllValues = NewAction("actRefreshAllValues", values, {}, QStringLiteral("Refresh all values"), 5);
    actDelValue = NewAction("actDelValue", values, {}, QStringLiteral("Delete value(s)"), 2);
    actApplyValue = NewAction("actApplyValue", values, {}, QStringLiteral("Apply value(s)"), 7);
    actApplyProfile = NewAction("actApplyProfile", values, {}, QStringLiteral("Apply all values"), 6);
    OnExecute(actRefreshValue, &TfrmEditProfile::actRefreshValueExecute);
    OnExecute(actRefreshAllValues, &TfrmEditProfile::actRefreshAllValuesExecute);
    OnExecute(actDelValue, &TfrmEditProfile::actDelValueExecute);
    OnExecute(actApplyValue, &TfrmEditProfile::actApplyValueExecute);
    OnExecute(actApplyProfile, &TfrmEditProfile::actApplyProfileExecute);

    tbrValues = NewToolBar("tbrValues", QRect(319, 43, 26, 185), Qt::Vertical);
    btnRefreshValue = AddToolButton(tbrValues, "btnRefreshValue", actRefreshValue);
    btnRefreshAllValues = AddToolButton(tbrValues, "btnRefreshAllValues", actRefreshAllValues);
    btnDelValue = AddToolButton(tbrValues, "btnDelValue", actDelValue);
    btnApplyValue = AddToolButton(tbrValues, "btnApplyValue", actApplyValue);
    btnApplyProfile = AddToolButton(tbrValues, "btnApplyProfile", actApplyProfile);

    setTabOrder(edtName, lvwValues);
    setTabOrder(lvwValues, btnRefreshValue);
    setTabOrder(btnRefreshValue, btnRefreshAllValues);
    setTabOrder(btnRefreshAllValues, btnDelValue);
    setTabOrder(btnDelValue, btnApplyValue);
    setTabOrder(btnApplyValue, btnApplyProfile);
    setTabOrder(btnApplyProfile, btnOK);
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
            lvwValues->AddItem(ToQString(setting->GetDisplayText()), *imlImages, FProfile.FindValue(*setting) ? 0 : 1,
                               setting);
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
}

void TfrmEditProfile::actRefreshValueUpdate(QAction* action) {
    action->setEnabled(!lvwValues->selectedItems().isEmpty());
}

void TfrmEditProfile::actRefreshAllValuesUpdate(QAction* action) { action->setEnabled(lvwValues->count() > 0); }

void TfrmEditProfile::actDelValueUpdate(QAction* action) {
    bool anyValue = false;
    for (const TSetting* setting : GetSelectedSettings())
        anyValue = anyValue || FProfile.FindValue(*setting);
    action->setEnabled(anyValue);
}

void TfrmEditProfile::actRefreshValueExecute(QAction*) {
    for (TSetting* setting : GetSelectedSettings())
        FProfile.RefreshValue(*setting);
    ShowValues();
}

void TfrmEditProfile::actRefreshAllValuesExecute(QAction*) {
    FProfile.RefreshAll();
    ShowValues();
}

void TfrmEditProfile::actDelValueExecute(QAction*) {
    for (const TSetting* setting : GetSelectedSettings())
        FProfile.SetValue(*setting, nullptr);
    ShowValues();
}

void TfrmEditProfile::actApplyValueExecute(QAction*) {
    const std::vector<TSetting*> settings = GetSelectedSettings();
    if (settings.empty())
        return;
    TProfileApplier applier(std::make_unique<TGUIProgressSender>(), GUIConfirmation());
    applier.ApplyValues(FProfile, settings);
}

void TfrmEditProfile::actApplyProfileExecute(QAction*) {
    TProfileApplier applier(std::make_unique<TGUIProgressSender>(), GUIConfirmation());
    applier.ApplyProfile(FProfile);
}

void TfrmEditProfile::DoOK(QAction* action) {
    TfrmBeveledDlg::DoOK(action);
    FProfile.SetName(ToUtf8(edtName->text()));
}

} // namespace prolamo
