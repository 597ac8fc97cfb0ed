#include "fEditRule.h"

#include "profiles/uProfileSettings.h"
#include "uGUIUtils.h"
#include "uPictures.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace prolamo {

namespace {

// Lists Names and selects Selected, which stays listed when it is not among them: a rule keeps
// what it names until the user chooses otherwise.
void FillNames(QComboBox& list, std::vector<std::string> names, const std::string& selected) {
    if (!selected.empty() && std::find(names.begin(), names.end(), selected) == names.end())
        names.push_back(selected);
    const QSignalBlocker blocker(list);
    list.clear();
    for (const std::string& name : names)
        list.addItem(ToQString(name));
    list.setCurrentIndex(std::max(0, list.findText(ToQString(selected))));
}

} // namespace

TfrmEditRule::TfrmEditRule(const TSwitchRule& rule, TSave save, const TConfigurations* managed)
    : edtName(new QLineEdit(Client())), cmbConfiguration(new QComboBox(Client())), cmbProfile(new QComboBox(Client())),
      chkAsk(new QCheckBox(tr("&Ask before applying"), Client())), lvwConditions(new QListWidget(Client())),
      btnUseNetwork(NewButton(Client(), "btnUseNetwork")), mnuNetwork(new QMenu(this)),
      btnConditionDel(NewButton(Client(), "btnConditionDel")), cmbConditionKind(new QComboBox(Client())),
      edtConditionValue(new QLineEdit(Client())), btnConditionAdd(NewButton(Client(), "btnConditionAdd")),
      FSave(std::move(save)), FManaged(managed), FConditions(rule.conditions) {
    setObjectName(QStringLiteral("frmEditRule"));
    setWindowTitle(tr("Edit rule"));
    SetHelpKeyword(QStringLiteral("html/rules.htm"));
    resize(540, 340);

    lblName = NewLabel(Client(), "lblName", tr("&Name"), edtName);
    edtName->setObjectName(QStringLiteral("edtName"));
    RefuseControlCharacters(*edtName);
    lblConfiguration = NewLabel(Client(), "lblConfiguration", tr("Con&figuration"), cmbConfiguration);
    cmbConfiguration->setObjectName(QStringLiteral("cmbConfiguration"));
    lblProfile = NewLabel(Client(), "lblProfile", tr("&Profile"), cmbProfile);
    cmbProfile->setObjectName(QStringLiteral("cmbProfile"));
    chkAsk->setObjectName(QStringLiteral("chkAsk"));

    lblConditions = NewLabel(Client(), "lblConditions", tr("Cond&itions, all of which must hold"), lvwConditions);
    lvwConditions->setObjectName(QStringLiteral("lvwConditions"));
    btnUseNetwork->setText(tr("&Use this network"));
    btnUseNetwork->setToolTip(tr("Conditions that hold on the network the computer is on now"));
    btnUseNetwork->setMenu(mnuNetwork);
    mnuNetwork->setObjectName(QStringLiteral("mnuNetwork"));
    connect(mnuNetwork, &QMenu::aboutToShow, this, [this] { RunGuarded([this] { mnuNetworkPopup(); }); });

    lblNewCondition = NewLabel(Client(), "lblNewCondition", tr("Ne&w"), cmbConditionKind);
    cmbConditionKind->setObjectName(QStringLiteral("cmbConditionKind"));
    for (const TConditionName& name : ConditionNames())
        cmbConditionKind->addItem(
            QStringLiteral("%1 (%2)").arg(ToQString(Translated("Engine", name.caption)), QLatin1String(name.key)));
    connect(cmbConditionKind, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { cmbConditionKindChange(); }); });
    edtConditionValue->setObjectName(QStringLiteral("edtConditionValue"));
    RefuseControlCharacters(*edtConditionValue);
    edtConditionValue->setAccessibleName(tr("Value of the new condition"));
    // The kinds' names are long in some languages; the value beside them still shows a hardware address.
    edtConditionValue->setMinimumWidth(
        edtConditionValue->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00:00:00 ")));

    const QString conditions = QStringLiteral("Conditions");
    actConditionAdd =
        NewAction("actConditionAdd", conditions, tr("A&dd"), tr("Add the condition written on the left"), -1);
    actConditionDel = NewAction("actConditionDel", conditions, tr("&Remove"), tr("Remove the selected condition"), -1);
    OnExecute(actConditionAdd, &TfrmEditRule::actConditionAddExecute);
    OnExecute(actConditionDel, &TfrmEditRule::actConditionDelExecute);
    BindButton(*btnConditionAdd, *actConditionAdd);
    BindButton(*btnConditionDel, *actConditionDel);
    actConditionDel->setShortcut(QKeySequence::Delete);
    BindListActions(lvwConditions, nullptr, {actConditionDel});

    auto* newCondition = new QHBoxLayout();
    newCondition->addWidget(lblNewCondition);
    newCondition->addWidget(cmbConditionKind, 2);
    newCondition->addWidget(edtConditionValue, 1);
    auto* layout = new QGridLayout(bvlDialog);
    layout->addWidget(lblName, 0, 0);
    layout->addWidget(edtName, 0, 1, 1, 2);
    layout->addWidget(lblConfiguration, 1, 0);
    layout->addWidget(cmbConfiguration, 1, 1, 1, 2);
    layout->addWidget(lblProfile, 2, 0);
    layout->addWidget(cmbProfile, 2, 1, 1, 2);
    layout->addWidget(chkAsk, 3, 1, 1, 2);
    layout->addWidget(lblConditions, 4, 0, 1, 3);
    layout->addWidget(lvwConditions, 5, 0, 2, 2);
    layout->addWidget(btnUseNetwork, 5, 2);
    layout->addWidget(btnConditionDel, 6, 2, Qt::AlignTop);
    layout->addLayout(newCondition, 7, 0, 1, 2);
    layout->addWidget(btnConditionAdd, 7, 2);
    layout->setRowStretch(6, 1);
    layout->setColumnStretch(1, 1);

    setTabOrder(edtName, cmbConfiguration);
    setTabOrder(cmbConfiguration, cmbProfile);
    setTabOrder(cmbProfile, chkAsk);
    setTabOrder(chkAsk, lvwConditions);
    setTabOrder(lvwConditions, btnUseNetwork);
    setTabOrder(btnUseNetwork, btnConditionDel);
    setTabOrder(btnConditionDel, cmbConditionKind);
    setTabOrder(cmbConditionKind, edtConditionValue);
    setTabOrder(edtConditionValue, btnConditionAdd);
    setTabOrder(btnConditionAdd, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    edtName->setText(ToQString(rule.name));
    std::vector<std::string> configurations;
    for (const TConfiguration& configuration : GetConfigurationsRoot().Configurations())
        configurations.push_back(configuration.Name());
    const int own = static_cast<int>(configurations.size());
    if (FManaged)
        for (const TConfiguration& configuration : FManaged->Configurations())
            configurations.push_back(configuration.Name());
    FillNames(*cmbConfiguration, configurations, rule.configuration);
    const QString mark = tr("Managed by your organisation");
    for (int i = own; FManaged && i < own + static_cast<int>(FManaged->Configurations().Count()); ++i) {
        cmbConfiguration->setItemIcon(i, PictureIcon(QStringLiteral("managed")));
        cmbConfiguration->setItemData(i, mark, Qt::ToolTipRole);
        cmbConfiguration->setItemData(i, mark, Qt::AccessibleDescriptionRole);
    }
    FillProfiles(rule.profile);
    connect(cmbConfiguration, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbConfigurationChange(); }); });
    chkAsk->setChecked(rule.ask);
    ShowConditions();
    cmbConditionKindChange();
    UpdateActions();
}

void TfrmEditRule::showEvent(QShowEvent* event) {
    TfrmBeveledDlg::showEvent(event);
    edtName->setFocus();
}

const TConfiguration* TfrmEditRule::ListedConfiguration(int index) const {
    const TConfigurationsCollection& own = GetConfigurationsRoot().Configurations();
    if (index < 0)
        return nullptr;
    if (static_cast<std::size_t>(index) < own.Count())
        return &own[static_cast<std::size_t>(index)];
    const std::size_t managed = static_cast<std::size_t>(index) - own.Count();
    return FManaged && managed < FManaged->Configurations().Count() ? &FManaged->Configurations()[managed] : nullptr;
}

void TfrmEditRule::FillProfiles(const std::string& selected) {
    std::vector<std::string> profiles;
    if (const TConfiguration* configuration = ListedConfiguration(cmbConfiguration->currentIndex()))
        for (const TConfigurationProfile& profile : configuration->Profiles())
            profiles.push_back(profile.Name());
    FillNames(*cmbProfile, profiles, selected);
}

void TfrmEditRule::cmbConfigurationChange() {
    FillProfiles({});
}

void TfrmEditRule::ShowConditions() {
    const int row = lvwConditions->currentRow();
    lvwConditions->clear();
    for (const TRuleCondition& condition : FConditions)
        lvwConditions->addItem(ToQString(condition.Text()));
    lvwConditions->setCurrentRow(std::min(row, lvwConditions->count() - 1));
}

void TfrmEditRule::AddCondition(const TRuleCondition& condition) {
    const auto found = std::find(FConditions.begin(), FConditions.end(), condition);
    const int row = static_cast<int>(found - FConditions.begin());
    if (found == FConditions.end())
        FConditions.push_back(condition);
    ShowConditions();
    lvwConditions->setCurrentRow(row);
}

const TConditionName& TfrmEditRule::SelectedKind() const {
    return ConditionNames()[static_cast<std::size_t>(std::max(0, cmbConditionKind->currentIndex()))];
}

void TfrmEditRule::cmbConditionKindChange() {
    // "no-network" has no value.
    edtConditionValue->setEnabled(SelectedKind().kind != TConditionKind::NoNetwork);
}

void TfrmEditRule::mnuNetworkPopup() {
    mnuNetwork->clear();
    std::vector<TNetworkCondition> offered;
    try {
        offered = ConditionsOfNetwork(ReadNetworkFingerprint());
    } catch (const std::exception& e) {
        mnuNetwork->addAction(tr("The network cannot be read: %1").arg(ToQString(e.what())))->setEnabled(false);
        return;
    }
    for (const TNetworkCondition& each : offered) {
        const QString adapter = each.adapter.empty() ? tr("no adapter has a gateway") : ToQString(each.adapter);
        QAction* item = mnuNetwork->addAction(QStringLiteral("%1 (%2)").arg(ToQString(each.condition.Text()), adapter));
        connect(item, &QAction::triggered, this, [this, condition = each.condition] { AddCondition(condition); });
    }
}

void TfrmEditRule::UpdateActions() {
    TfrmBeveledDlg::UpdateActions();
    actConditionAddUpdate();
    actConditionDelUpdate();
}

void TfrmEditRule::actConditionAddUpdate() {
    actConditionAdd->setEnabled(SelectedKind().kind == TConditionKind::NoNetwork ||
                                !edtConditionValue->text().isEmpty());
}

void TfrmEditRule::actConditionDelUpdate() {
    actConditionDel->setEnabled(lvwConditions->currentRow() >= 0);
}

void TfrmEditRule::actConditionAddExecute(QAction*) {
    try {
        const TConditionName& kind = SelectedKind();
        const QString value = kind.kind == TConditionKind::NoNetwork ? QString() : edtConditionValue->text().trimmed();
        AddCondition(TRuleCondition::Parse(kind.key, ToUtf8(value)));
    } catch (const ERulesError& e) {
        throw Exception(Sentence(e.what()));
    }
    edtConditionValue->clear();
}

void TfrmEditRule::actConditionDelExecute(QAction*) {
    const int row = lvwConditions->currentRow();
    if (row < 0)
        return;
    FConditions.erase(FConditions.begin() + row);
    ShowConditions();
}

TSwitchRule TfrmEditRule::EditedRule() const {
    return {ToUtf8(edtName->text()), ToUtf8(cmbConfiguration->currentText()), ToUtf8(cmbProfile->currentText()),
            chkAsk->isChecked(), FConditions};
}

void TfrmEditRule::DoOK(QAction* action) {
    const TSwitchRule rule = EditedRule();
    try {
        CheckRule(rule);
    } catch (const ERulesError& e) {
        throw Exception(Sentence(e.what()));
    }
    FSave(rule);
    TfrmBeveledDlg::DoOK(action);
}

} // namespace prolamo
