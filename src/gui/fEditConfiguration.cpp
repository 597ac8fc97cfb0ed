#include "fEditConfiguration.h"

#include "framework/Exceptions.h"
#include "uGUIUtils.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace prolamo {

namespace {

// Tabs as narrow as the native control's, so that the category tabs fit the 200 pixels.
class TCompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace)
            return 12;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

TTabControl::TTabControl(QWidget* parent) : QWidget(parent), tabs_(new QTabBar(this)), page_(new QWidget(this)) {
    auto* style = new TCompactTabStyle();
    style->setParent(tabs_);
    tabs_->setStyle(style);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setDrawBase(true);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(true);
    // The arrow keys move along the tabs; their scroll buttons are no Tab stops of their own.
    for (QToolButton* scroll : tabs_->findChildren<QToolButton*>()) {
        scroll->setFocusPolicy(Qt::NoFocus);
        // Qt names them in English; its own translations are not part of the program.
        scroll->setAccessibleName(scroll->objectName() == QLatin1String("ScrollLeftButton") ? tr("Scroll left")
                                                                                            : tr("Scroll right"));
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(page_, 1);
    layout->addWidget(tabs_);
    auto* pageLayout = new QVBoxLayout(page_);
    pageLayout->setContentsMargins(0, 0, 0, 0);
}

TfrmEditConfiguration::TfrmEditConfiguration(TConfiguration& configuration,
                                             const TConfigurationsCollection& configurations,
                                             const TConfiguration* original)
    : lblName(new QLabel(tr("Name"), Client())), edtName(new QLineEdit(Client())), lvwItems(new TListView(Client())),
      tclAvailItems(new TTabControl(Client())), lvwAvailItems(new TListView(tclAvailItems->Page())),
      FConfiguration(configuration), FConfigurations(configurations), FOriginal(original) {
    setObjectName(QStringLiteral("frmEditConfiguration"));
    setWindowTitle(tr("Edit configuration"));
    SetHelpKeyword(QStringLiteral("html/configedit.htm"));
    resize(464, 400);

    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setBuddy(edtName);
    edtName->setObjectName(QStringLiteral("edtName"));
    RefuseControlCharacters(*edtName);
    auto* itemsLabel = new QLabel(tr("Configuration items"), Client());
    auto* availableLabel = new QLabel(tr("Available items"), Client());
    itemsLabel->setBuddy(lvwItems);
    availableLabel->setBuddy(lvwAvailItems);

    lvwItems->setObjectName(QStringLiteral("lvwItems"));
    connect(lvwItems, &QListWidget::itemDoubleClicked, this, [this] { RunGuarded([this] { lvwItemsDblClick(); }); });

    const QString items = QStringLiteral("Items");
    actNewItem = NewAction("actNewItem", items, tr("&New item"), tr("New item"), 0);
    actEditItem = NewAction("actEditItem", items, tr("&Edit item"), tr("Edit item"), 1);
    actDelItem = NewAction("actDelItem", items, tr("&Delete item"), tr("Delete item"), 2);
    actNewItem->setShortcut(QKeySequence(Qt::Key_Insert));
    actDelItem->setShortcut(QKeySequence::Delete);
    OnExecute(actNewItem, &TfrmEditConfiguration::actNewItemExecute);
    OnExecute(actEditItem, &TfrmEditConfiguration::actEditItemExecute);
    OnExecute(actDelItem, &TfrmEditConfiguration::actDelItemExecute);
    tbrConfig = NewToolBar("tbrConfig", Qt::Vertical);
    btnAdd = AddToolButton(tbrConfig, "btnAdd", actNewItem);
    btnEdit = AddToolButton(tbrConfig, "btnEdit", actEditItem);
    btnDel = AddToolButton(tbrConfig, "btnDel", actDelItem);

    tclAvailItems->setObjectName(QStringLiteral("tclAvailItems"));
    tclAvailItems->Tabs()->addTab(tr("All"));
    lvwAvailItems->setObjectName(QStringLiteral("lvwAvailItems"));
    tclAvailItems->Page()->layout()->addWidget(lvwAvailItems);
    lvwAvailItems->OnInfoTip = [this](QListWidgetItem* item) { return lvwAvailItemsInfoTip(item); };
    connect(lvwAvailItems, &QListWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { lvwAvailItemsDblClick(); }); });

    tclAvailItems->Tabs()->setAccessibleName(tr("Item categories"));

    auto* name = new QHBoxLayout();
    name->addWidget(lblName);
    name->addWidget(edtName, 1);
    auto* layout = new QGridLayout(bvlDialog);
    layout->addLayout(name, 0, 0, 1, 3);
    layout->addWidget(itemsLabel, 1, 0);
    layout->addWidget(availableLabel, 1, 2);
    layout->addWidget(lvwItems, 2, 0);
    layout->addWidget(tbrConfig, 2, 1, Qt::AlignVCenter);
    layout->addWidget(tclAvailItems, 2, 2);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
    BindListActions(lvwItems, actEditItem, {actEditItem, actDelItem});
    BindListActions(lvwAvailItems, actNewItem, {actNewItem});

    // Add follows the kind it adds: category, kind, Add.
    setTabOrder(edtName, lvwItems);
    setTabOrder(lvwItems, btnEdit);
    setTabOrder(btnEdit, btnDel);
    setTabOrder(btnDel, tclAvailItems->Tabs());
    setTabOrder(tclAvailItems->Tabs(), lvwAvailItems);
    setTabOrder(lvwAvailItems, btnAdd);
    setTabOrder(btnAdd, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    FAllTabCaption = tclAvailItems->Tabs()->tabText(0);
    FillAvailableClasses(FAllTabCaption);
    FillCategoryTabs();
    connect(tclAvailItems->Tabs(), &QTabBar::currentChanged, this,
            [this] { RunGuarded([this] { tclAvailItemsChange(); }); });
    edtName->setText(ToQString(FConfiguration.Name()));
    RefreshLists();
    UpdateActions();
}

void TfrmEditConfiguration::showEvent(QShowEvent* event) {
    TfrmBeveledDlg::showEvent(event);
    edtName->setFocus();
}

void TfrmEditConfiguration::FillCategoryTabs() {
    const QSignalBlocker blocker(tclAvailItems->Tabs());
    for (const std::string& category : GetSettingClasses().Categories())
        tclAvailItems->Tabs()->addTab(ToQString(category));
}

void TfrmEditConfiguration::FillAvailableClasses(const QString& category) {
    FAvailableClasses.clear();
    const std::string wanted = ToUtf8(category);
    const bool all = category == FAllTabCaption;
    for (const TSettingClass* settingClass : GetSettingClasses())
        if (all || settingClass->GetCategory() == wanted)
            FAvailableClasses.push_back(settingClass);
}

void TfrmEditConfiguration::tclAvailItemsChange() {
    QTabBar* tabs = tclAvailItems->Tabs();
    FillAvailableClasses(tabs->tabText(tabs->currentIndex()));
    ShowAvailableClasses();
}

void TfrmEditConfiguration::RefreshLists() {
    ShowItems();
    ShowAvailableClasses();
}

void TfrmEditConfiguration::ShowItems() {
    const TListView::TSelection selection = lvwItems->Selection();
    lvwItems->setUpdatesEnabled(false);
    lvwItems->clear();
    for (TSetting* setting : FConfiguration.Settings())
        lvwItems->AddItem(ToQString(setting->GetDisplayText()), *imlImages, setting->SettingClass().GetImageIndex(),
                          setting);
    lvwItems->SortByText();
    lvwItems->RestoreSelection(selection);
    lvwItems->setUpdatesEnabled(true);
}

void TfrmEditConfiguration::ShowAvailableClasses() {
    const TListView::TSelection selection = lvwAvailItems->Selection();
    lvwAvailItems->setUpdatesEnabled(false);
    lvwAvailItems->clear();
    for (const TSettingClass* settingClass : FAvailableClasses)
        lvwAvailItems->AddItem(ToQString(settingClass->GetCaption()), *imlImages, settingClass->GetImageIndex(),
                               const_cast<TSettingClass*>(settingClass));
    lvwAvailItems->SortByText();
    lvwAvailItems->RestoreSelection(selection);
    lvwAvailItems->setUpdatesEnabled(true);
}

QString TfrmEditConfiguration::lvwAvailItemsInfoTip(QListWidgetItem* item) const {
    const auto* settingClass = static_cast<const TSettingClass*>(TListView::DataOf(item));
    return settingClass ? ToQString(settingClass->GetDescription()) : QString();
}

TSetting* TfrmEditConfiguration::SelectedSetting() const {
    const QList<QListWidgetItem*> selected = lvwItems->selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<TSetting*>(TListView::DataOf(selected.first()));
}

const TSettingClass* TfrmEditConfiguration::SelectedClass() const {
    const QList<QListWidgetItem*> selected = lvwAvailItems->selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<const TSettingClass*>(TListView::DataOf(selected.first()));
}

bool TfrmEditConfiguration::EditSetting(TSetting& setting) {
    const TSettingEditorClass editorClass = setting.SettingClass().GetEditorClass();
    if (!editorClass)
        return true;
    const std::unique_ptr<TSettingEditor> editor = editorClass();
    return editor->Edit(setting);
}

void TfrmEditConfiguration::AddSettingOfClass(const TSettingClass& settingClass) {
    const std::unique_ptr<TSetting> setting = settingClass.CreateSetting();
    if (!EditSetting(*setting))
        return;
    if (FConfiguration.FindDouble(*setting))
        throw Exception(Sentence(SettingTaken(*setting)));
    FConfiguration.AddSetting(setting->Clone());
    ShowItems();
}

void TfrmEditConfiguration::UpdateActions() {
    TfrmBeveledDlg::UpdateActions();
    actNewItemUpdate();
    actEditItemUpdate();
    actDelItemUpdate();
}

void TfrmEditConfiguration::actNewItemUpdate() {
    actNewItem->setEnabled(SelectedClass() != nullptr);
}

void TfrmEditConfiguration::actEditItemUpdate() {
    const TSetting* setting = SelectedSetting();
    actEditItem->setEnabled(setting && setting->SettingClass().GetEditorClass());
}

void TfrmEditConfiguration::actDelItemUpdate() {
    actDelItem->setEnabled(SelectedSetting() != nullptr);
}

void TfrmEditConfiguration::actNewItemExecute(QAction*) {
    if (const TSettingClass* settingClass = SelectedClass())
        AddSettingOfClass(*settingClass);
}

void TfrmEditConfiguration::actEditItemExecute(QAction*) {
    TSetting* setting = SelectedSetting();
    if (!setting)
        return;
    const std::unique_ptr<TSetting> clone = setting->Clone();
    if (EditSetting(*clone)) {
        if (FConfiguration.FindDouble(*clone, setting))
            throw Exception(Sentence(SettingTaken(*clone)));
        setting->Assign(*clone);
        FConfiguration.SettingChanged(*setting);
        RefreshLists();
    }
}

void TfrmEditConfiguration::actDelItemExecute(QAction*) {
    if (TSetting* setting = SelectedSetting()) {
        FConfiguration.DeleteSetting(*setting);
        RefreshLists();
    }
}

void TfrmEditConfiguration::lvwItemsDblClick() {
    actEditItemUpdate();
    if (actEditItem->isEnabled())
        actEditItem->trigger();
}

void TfrmEditConfiguration::lvwAvailItemsDblClick() {
    actNewItemUpdate();
    if (actNewItem->isEnabled())
        actNewItem->trigger();
}

void TfrmEditConfiguration::DoOK(QAction* action) {
    TfrmBeveledDlg::DoOK(action);
    const std::string name = ToUtf8(edtName->text());
    if (const TConfiguration* other = FConfigurations.Find(name);
        other && other != &FConfiguration && other != FOriginal)
        RefuseName(*edtName, ConfigurationNameTaken(name));
    FConfiguration.SetName(name);
}

} // namespace prolamo
