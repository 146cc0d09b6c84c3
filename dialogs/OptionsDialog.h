#pragma once

#include "app/AppSettings.h"
#include "dialogs/SheetManager.h"

#include <QDialog>
#include <QFont>

#include <array>
#include <memory>

class COptionsPageBase;
class CTreeSheet;
class QLayout;
class QPushButton;
class QTreeWidgetItem;

// The options dialog's pages by index: the start page a caller asks for. The
// tree shows them in another order.
enum OptionsPage : int
{
    OptionsPageGeneral = 0,
    OptionsPageGeneralMisc = 1,
    OptionsPageURLMonitor = 2,
    OptionsPageConnection = 3,
    OptionsPageProxy = 4,
    OptionsPageSecurity = 5,
    OptionsPageDownloads = 6,
    OptionsPageDownloadsAdvanced = 7,
    OptionsPageDownloadsMisc = 8,
    OptionsPageSpeedLimiter = 9,
    OptionsPageScheduler = 10,
    OptionsPageSpeedMeter = 11,
};
inline constexpr int kOptionsPageCount = 12;

// The modal options dialog: twelve pages in a tree edit m_settings, a copy of
// the live settings that the caller takes back on OK. A page is built when it
// is first chosen and checked whenever it is left; OK checks only the page in
// front, since every other page that was shown was checked when it was left.
class COptionsDialog : public QDialog, public CSheetManager
{
    Q_OBJECT

public:
    // startPage: an OptionsPage; any other index shows no page until one is chosen.
    COptionsDialog(int startPage, QWidget* parent);
    ~COptionsDialog() override;

    int StartPage() const { return m_nStartPage; }
    // The page object of an OptionsPage index, or null.
    COptionsPageBase* Page(int index) const;

    // OK: only once the page in front has accepted its values.
    void accept() override;

    QFont m_fontNote; // the pages' note texts
    CAppSettings m_settings;

protected:
    // The start page is built when the dialog is first shown, from the copy
    // the caller has filled by then.
    void showEvent(QShowEvent* event) override;

private:
    QLayout* MakeButtons();
    void BuildTree();
    void SelectStartPage();
    void OnPageActivated();
    void OnBnClickedSetDefault();

    int m_nStartPage;
    bool m_bStarted = false;
    std::array<std::unique_ptr<COptionsPageBase>, kOptionsPageCount> m_pages;
    CTreeSheet* m_sheet = nullptr;
    QPushButton* m_setDefault = nullptr;
    QPushButton* m_ok = nullptr;
};
