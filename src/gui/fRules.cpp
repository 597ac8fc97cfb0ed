#include "fRules.h"

#include "fEditRule.h"
#include "profiles/uProfileSettings.h"
#include "switching/uManaged.h"
#include "uDesktopSwitching.h"
#include "uGUIUtils.h"
#include "uPictures.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace prolamo {

namespace {

constexpr int kReloadMilliseconds = 1000;

// A button of the column on the right.
QPushButton* NewActionButton(QWidget* parent, const char* name, QAction& action) {
    QPushButton* button = NewButton(parent, name);
    BindButton(*button, action);
    return button;
}

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setToolTip(item->text());
    return item;
}

std::string ConditionsText(const TSwitchRule& rule) {
    std::string text;
    for (const TRuleCondition& condition : rule.conditions)
        text += (text.empty() ? "" : ", ") + condition.Text();
    return text;
}

// "Rule 1", "Rule 2", ...: the first the rules do not have, in the user's language.
std::string FreeRuleName(TSwitchRules& rules) {
    for (int number = 1;; ++number) {
        const QString name = QCoreApplication::translate("prolamo::TfrmRules", "Rule %1").arg(number);
        if (!rules.Find(ToUtf8(name)))
            return ToUtf8(name);
    }
}

} // namespace

TfrmRules::TfrmRules(TDesktopSwitching& switching, QWidget* owner)
    : TfrmBaseDlg(owner), lblRules(new QLabel(Client())), lvwRules(new QTableWidget(0, 3, Client())),
      lblFile(new QLabel(Client())), lblTest(new QLabel(Client())), edtTest(new QPlainTextEdit(Client())),
      chkPause(new QCheckBox(tr("&Pause automatic switching"), Client())), tmrReload(new QTimer(this)),
      FSwitching(switching), FPath(RulesFilePath()) {
    setObjectName(QStringLiteral("frmRules"));
    setWindowTitle(tr("Switching rules"));
    SetHelpKeyword(QStringLiteral("html/rules.htm"));
    resize(600, 440);
    btnOK->hide();
    actCancel->setText(tr("&Close"));

    const QString rules = QStringLiteral("Rules");
    actRuleNew = NewAction("actRuleNew", rules, tr("&New..."), tr("New rule"), -1);
    actRuleEdit = NewAction("actRuleEdit", rules, tr("&Edit..."), tr("Edit the rule"), -1);
    actRuleDel = NewAction("actRuleDel", rules, tr("&Delete"), tr("Delete the rule"), -1);
    actRuleUp = NewAction("actRuleUp", rules, tr("Move &up"), tr("Try the rule before the one above it"), -1);
    actRuleDown = NewAction("actRuleDown", rules, tr("Move do&wn"), tr("Try the rule after the one below it"), -1);
    actTest = NewAction("actTest", rules, tr("&Test now"),
                        tr("Which rule matches the network the computer is on now, and why"), -1);
    actRuleNew->setShortcut(QKeySequence(Qt::Key_Insert));
    actRuleDel->setShortcut(QKeySequence::Delete);
    OnExecute(actRuleNew, &TfrmRules::actRuleNewExecute);
    OnExecute(actRuleEdit, &TfrmRules::actRuleEditExecute);
    OnExecute(actRuleDel, &TfrmRules::actRuleDelExecute);
    OnExecute(actRuleUp, &TfrmRules::actRuleUpExecute);
    OnExecute(actRuleDown, &TfrmRules::actRuleDownExecute);
    OnExecute(actTest, &TfrmRules::actTestExecute);

    lblRules->setObjectName(QStringLiteral("lblRules"));
    lblRules->setText(tr("&Rules, tried in order: the first that matches applies its profile"));
    lblRules->setBuddy(lvwRules);
    lvwRules->setObjectName(QStringLiteral("lvwRules"));
    lvwRules->setHorizontalHeaderLabels({tr("Rule"), tr("Profile"), tr("Conditions")});
    lvwRules->verticalHeader()->hide();
    lvwRules->verticalHeader()->setDefaultSectionSize(lvwRules->fontMetrics().height() + 4);
    lvwRules->horizontalHeader()->setStretchLastSection(true);
    lvwRules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwRules->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwRules->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwRules->setWordWrap(false);
    lvwRules->setColumnWidth(colName, 90);
    lvwRules->setColumnWidth(colProfile, 170);
    connect(lvwRules, &QTableWidget::cellDoubleClicked, this, [this] { RunGuarded([this] { lvwRulesDblClick(); }); });
    BindListActions(lvwRules, actRuleEdit, {actRuleNew, actRuleEdit, actRuleDel, actRuleUp, actRuleDown});
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setWordWrap(true);

    btnNew = NewActionButton(Client(), "btnNew", *actRuleNew);
    btnEdit = NewActionButton(Client(), "btnEdit", *actRuleEdit);
    btnDel = NewActionButton(Client(), "btnDel", *actRuleDel);
    btnUp = NewActionButton(Client(), "btnUp", *actRuleUp);
    btnDown = NewActionButton(Client(), "btnDown", *actRuleDown);
    btnTest = NewActionButton(Client(), "btnTest", *actTest);

    lblTest->setObjectName(QStringLiteral("lblTest"));
    lblTest->setText(tr("Which rule matches the network the computer is on now:"));
    lblTest->setBuddy(edtTest);
    edtTest->setObjectName(QStringLiteral("edtTest"));
    edtTest->setReadOnly(true);
    edtTest->setLineWrapMode(QPlainTextEdit::NoWrap);
    edtTest->setPlaceholderText(tr("Test now shows each rule with its conditions, and which one applies."));

    auto* ruleButtons = new QVBoxLayout();
    for (QPushButton* button : {btnNew, btnEdit, btnDel})
        ruleButtons->addWidget(button);
    ruleButtons->addSpacing(12);
    ruleButtons->addWidget(btnUp);
    ruleButtons->addWidget(btnDown);
    ruleButtons->addStretch(1);
    auto* layout = new QGridLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblRules, 0, 0, 1, 2);
    layout->addWidget(lvwRules, 1, 0);
    layout->addLayout(ruleButtons, 1, 1);
    layout->addWidget(lblFile, 2, 0, 1, 2);
    layout->addWidget(lblTest, 3, 0);
    layout->addWidget(btnTest, 3, 1);
    layout->addWidget(edtTest, 4, 0, 1, 2);
    layout->setRowStretch(1, 1);
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(0, 1);

    chkPause->setObjectName(QStringLiteral("chkPause"));
    ButtonRow()->insertWidget(0, chkPause);
    connect(chkPause, &QCheckBox::clicked, this,
            [this](bool paused) { RunGuarded([this, paused] { chkPauseClick(paused); }); });
    connect(&FSwitching, &TDesktopSwitching::StateChanged, this, &TfrmRules::ShowPaused);
    ShowPaused();

    setTabOrder(lvwRules, btnNew);
    setTabOrder(btnNew, btnEdit);
    setTabOrder(btnEdit, btnDel);
    setTabOrder(btnDel, btnUp);
    setTabOrder(btnUp, btnDown);
    setTabOrder(btnDown, btnTest);
    setTabOrder(btnTest, edtTest);
    setTabOrder(edtTest, chkPause);
    setTabOrder(chkPause, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    for (QAction* action : {actRuleEdit, actRuleDel, actRuleUp, actRuleDown})
        action->setProperty("ownHint", action->property("hint"));
    if (std::optional<TSwitchRules> read = ReadFile())
        FRules = std::move(*read);
    LoadManaged();
    ShowRules();
    tmrReload->setObjectName(QStringLiteral("tmrReload"));
    connect(tmrReload, &QTimer::timeout, this, [this] { tmrReloadTimer(); });
    tmrReload->start(kReloadMilliseconds);
    UpdateActions();
}

std::optional<TSwitchRules> TfrmRules::ReadFile() {
    try {
        TSwitchRules rules = LoadRules(FPath);
        if (FFileBroken)
            lblFile->clear();
        FFileBroken = false;
        return rules;
    } catch (const std::exception& e) {
        FFileBroken = true;
        lblFile->setText(ToQString(Sentence(e.what())));
        lblFile->setToolTip(lblFile->text());
        return std::nullopt;
    }
}

void TfrmRules::LoadManaged() {
    FManagedPath = FPolicies.Read(PolicyManagedRules).text;
    TManagedRules loaded = LoadManagedRules();
    FManagedRules = std::move(loaded.rules);
    const QString shown = ToQString(FManagedWarning);
    FManagedWarning = loaded.warning;
    if (FFileBroken) // the user's own file's error stays in view
        return;
    if (!FManagedWarning.empty()) {
        lblFile->setText(ToQString(FManagedWarning));
        lblFile->setToolTip(lblFile->text());
    } else if (!shown.isEmpty() && lblFile->text() == shown) {
        lblFile->clear();
        lblFile->setToolTip(QString());
    }
}

void TfrmRules::tmrReloadTimer() {
    if (FPolicies.Read(PolicyManagedRules).text != FManagedPath) {
        LoadManaged();
        ShowRules();
    }
    std::optional<TSwitchRules> read = ReadFile();
    if (!read || *read == FRules)
        return;
    FRules = std::move(*read);
    ShowRules();
    lblFile->setText(tr("Another program changed the rules; the list shows them as they are now."));
}

void TfrmRules::ShowRules() {
    // The same rule, by where it comes from and its name, from the list as it shows the rules before this.
    const int selected = SelectedRow();
    const bool wasManaged = SelectedIsManaged();
    const std::string name = selected < 0 ? std::string() : ToUtf8(lvwRules->item(selected, colName)->text());
    const TSwitchRules shown = RulesInForce(FRules, FManagedRules);
    lvwRules->setRowCount(static_cast<int>(shown.rules.size()));
    const QString mark = tr("Managed by your organisation");
    int row = 0;
    for (const TSwitchRule& rule : shown.rules) {
        QTableWidgetItem* cells[] = {Cell(rule.name),
                                     Cell(ToUtf8((rule.ask ? tr("%1 (%2), asks first") : tr("%1 (%2)"))
                                                     .arg(ToQString(rule.profile), ToQString(rule.configuration)))),
                                     Cell(ConditionsText(rule))};
        if (rule.managed) {
            cells[colName]->setIcon(PictureIcon(QStringLiteral("managed")));
            for (QTableWidgetItem* cell : cells) {
                cell->setToolTip(mark);
                cell->setData(Qt::AccessibleDescriptionRole, mark);
            }
        }
        for (int column = colName; column <= colConditions; ++column)
            lvwRules->setItem(row, column, cells[column]);
        ++row;
    }
    lvwRules->clearSelection();
    if (!wasManaged)
        Select(name);
    else
        for (std::size_t i = 0; i < FManagedRules.rules.size(); ++i)
            if (FManagedRules.rules[i].name == name)
                lvwRules->selectRow(static_cast<int>(i));
}

int TfrmRules::SelectedRow() const {
    const QList<QTableWidgetItem*> selected = lvwRules->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

const TSwitchRule* TfrmRules::SelectedRule() const {
    const int own = SelectedRow() - static_cast<int>(FManagedRules.rules.size());
    return own >= 0 && own < static_cast<int>(FRules.rules.size()) ? &FRules.rules[static_cast<std::size_t>(own)]
                                                                   : nullptr;
}

bool TfrmRules::SelectedIsManaged() const {
    const int row = SelectedRow();
    return row >= 0 && row < static_cast<int>(FManagedRules.rules.size());
}

void TfrmRules::Select(const std::string& name) {
    lvwRules->clearSelection();
    for (std::size_t own = 0; own < FRules.rules.size(); ++own)
        if (FRules.rules[own].name == name)
            lvwRules->selectRow(static_cast<int>(FManagedRules.rules.size() + own));
}

void TfrmRules::ChangeRules(const std::function<void(TSwitchRules&)>& change) {
    try {
        TRulesChange file(FPath);
        try {
            file.Expect(FRules);
        } catch (const ERulesChanged&) {
            FRules = file.Rules();
            ShowRules();
            throw Exception(ToUtf8(tr("Another program changed the rules meanwhile; the list shows them as they are "
                                      "now. Make your change again.")));
        }
        change(file.Rules());
        file.Save();
        FRules = file.Rules();
    } catch (const std::exception& e) {
        throw Exception(Sentence(e.what()));
    }
    lblFile->clear();
    ShowRules();
}

bool TfrmRules::EditRule(const TSwitchRule& rule, const std::function<void(TSwitchRules&, const TSwitchRule&)>& save) {
    std::string saved;
    const TManagedConfigurations managed = LoadManagedConfigurations();
    TfrmEditRule editor(
        rule,
        [&](const TSwitchRule& edited) {
            ChangeRules([&](TSwitchRules& rules) { save(rules, edited); });
            saved = edited.name;
        },
        managed.configurations.get());
    if (editor.exec() != QDialog::Accepted)
        return false;
    Select(saved);
    return true;
}

void TfrmRules::ShowPaused() {
    chkPause->setChecked(FSwitching.Paused());
}

void TfrmRules::UpdateActions() {
    TfrmBaseDlg::UpdateActions();
    actRuleNew->setEnabled(true);
    actRuleSelectedUpdate(actRuleEdit);
    actRuleSelectedUpdate(actRuleDel);
    actRuleUpUpdate();
    actRuleDownUpdate();
    for (QAction* action : {actRuleEdit, actRuleDel, actRuleUp, actRuleDown})
        MarkManaged(action);
    actTest->setEnabled(true);
}

void TfrmRules::MarkManaged(QAction* action) {
    const QString hint =
        SelectedIsManaged() ? tr("Managed by your organisation") : action->property("ownHint").toString();
    if (action->property("hint").toString() == hint)
        return;
    action->setProperty("hint", hint);
    // Its button follows the hint when the action changes.
    action->setToolTip(hint);
}

void TfrmRules::actRuleSelectedUpdate(QAction* action) {
    action->setEnabled(SelectedRule() != nullptr);
}

void TfrmRules::actRuleUpUpdate() {
    const TSwitchRule* rule = SelectedRule();
    actRuleUp->setEnabled(rule && rule != &FRules.rules.front());
}

void TfrmRules::actRuleDownUpdate() {
    const TSwitchRule* rule = SelectedRule();
    actRuleDown->setEnabled(rule && rule != &FRules.rules.back());
}

void TfrmRules::actRuleNewExecute(QAction*) {
    TSwitchRule rule{FreeRuleName(FRules), {}, {}, false, {}};
    if (const TConfigurationsCollection& configurations = GetConfigurationsRoot().Configurations();
        configurations.Count() > 0) {
        rule.configuration = configurations[0].Name();
        if (const TConfigurationProfiles& profiles = configurations[0].Profiles(); profiles.Count() > 0)
            rule.profile = profiles[0].Name();
    }
    EditRule(rule, [](TSwitchRules& rules, const TSwitchRule& edited) { rules.Add(edited); });
}

void TfrmRules::actRuleEditExecute(QAction*) {
    const TSwitchRule* selected = SelectedRule();
    if (!selected)
        return;
    const std::string name = selected->name;
    EditRule(*selected, [name](TSwitchRules& rules, const TSwitchRule& edited) { rules.Replace(name, edited); });
}

void TfrmRules::actRuleDelExecute(QAction*) {
    const TSwitchRule* selected = SelectedRule();
    if (!selected || !ConfirmDelete(selected->name))
        return;
    const std::string name = selected->name;
    ChangeRules([&name](TSwitchRules& rules) { rules.Remove(name); });
}

void TfrmRules::actRuleUpExecute(QAction*) {
    if (const TSwitchRule* selected = SelectedRule()) {
        const std::string name = selected->name;
        ChangeRules([&name](TSwitchRules& rules) { rules.Move(name, true); });
    }
}

void TfrmRules::actRuleDownExecute(QAction*) {
    if (const TSwitchRule* selected = SelectedRule()) {
        const std::string name = selected->name;
        ChangeRules([&name](TSwitchRules& rules) { rules.Move(name, false); });
    }
}

// As the watcher tries them: the organisation's rules, read anew, before the user's own.
void TfrmRules::actTestExecute(QAction*) {
    const TNetworkFingerprint fingerprint = ReadNetworkFingerprint();
    LoadManaged();
    ShowRules();
    const TSwitchRules inForce = RulesInForce(FRules, FManagedRules);
    QStringList lines;
    const TManagedConfigurations managed = LoadManagedConfigurations();
    for (const std::string& line :
         ExplainRules(inForce, fingerprint, GetConfigurationsRoot(), managed.configurations.get()))
        lines << ToQString(line);
    edtTest->setPlainText(lines.join(QLatin1Char('\n')));
    lvwRules->clearSelection();
    if (const TSwitchRule* match = inForce.FirstMatch(fingerprint))
        lvwRules->selectRow(static_cast<int>(match - inForce.rules.data()));
}

void TfrmRules::chkPauseClick(bool paused) {
    FSwitching.SetPaused(paused);
}

void TfrmRules::lvwRulesDblClick() {
    actRuleSelectedUpdate(actRuleEdit);
    if (actRuleEdit->isEnabled())
        actRuleEdit->trigger();
}

} // namespace prolamo
