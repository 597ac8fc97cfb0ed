#pragma once

#include "fBeveledDlg.h"

#include "profiles/uProfileSettings.h"

#include <vector>

class QLabel;
class QLineEdit;
class QTabBar;
class QToolBar;
class QToolButton;

namespace prolamo {

// A tab strip with one client area that all its tabs share.
class TTabControl : public QWidget {
    Q_OBJECT

public:
    explicit TTabControl(QWidget* parent);
    QTabBar* Tabs() const { return tabs_; }
    QWidget* Page() const { return page_; }

private:
    QTabBar* tabs_;
    QWidget* page_;
};

// Names a configuration and chooses its settings; works directly on the configuration handed in.
// It refuses a name that another configuration has and a setting that another setting doubles.
class TfrmEditConfiguration : public TfrmBeveledDlg {
    Q_OBJECT

public:
    // Configurations: those the name must differ from. Original: the stored configuration that
    // Configuration is a copy of, whose name it may keep; none for a new one.
    TfrmEditConfiguration(TConfiguration& configuration, const TConfigurationsCollection& configurations,
                          const TConfiguration* original = nullptr);

    void UpdateActions() override;

    QLabel* lblName;
    QLineEdit* edtName;
    TListView* lvwItems;
    QToolBar* tbrConfig;
    QToolButton* btnAdd;
    QToolButton* btnEdit;
    QToolButton* btnDel;
    TTabControl* tclAvailItems;
    TListView* lvwAvailItems;
    QAction* actNewItem;
    QAction* actEditItem;
    QAction* actDelItem;

    void tclAvailItemsChange();
    QString lvwAvailItemsInfoTip(QListWidgetItem* item) const;

protected:
    void DoOK(QAction* action) override;
    void showEvent(QShowEvent* event) override;

private:
    void FillCategoryTabs();
    void FillAvailableClasses(const QString& category);
    void RefreshLists();
    void ShowItems();
    void ShowAvailableClasses();
    bool EditSetting(TSetting& setting);
    void AddSettingOfClass(const TSettingClass& settingClass);
    TSetting* SelectedSetting() const;
    const TSettingClass* SelectedClass() const;

    void actNewItemUpdate();
    void actEditItemUpdate();
    void actDelItemUpdate();
    void actNewItemExecute(QAction* action);
    void actEditItemExecute(QAction* action);
    void actDelItemExecute(QAction* action);
    void lvwItemsDblClick();
    void lvwAvailItemsDblClick();

    TConfiguration& FConfiguration;
    const TConfigurationsCollection& FConfigurations;
    const TConfiguration* FOriginal;
    QString FAllTabCaption;
    std::vector<const TSettingClass*> FAvailableClasses;
};

} // namespace prolamo
