#pragma once

#include "dialogs/DialogExt.h"
#include "dialogs/SheetManager.h"

#include <QDialog>
#include <QPixmap>

#include <cstdint>

class CAddDownloadGeneralPage;
class CDialogPage;
class CDownloadAuthorizationPage;
class CDownloadConnectionPage;
class CDownloadItem;
class CDownloadMorePage;
class CDownloadStatusPage;
class CFixedDownloadGeneralPage;
class CGroupDownloadGeneralPage;
class CTabSheet;
class QHBoxLayout;
class QPushButton;

enum DownloadDialogType : int32_t
{
    DialogTypeAdd = 0,
    DialogTypeFixed = 1,
    DialogTypeGroup = 2,
};

enum DownloadDialogResult : int32_t
{
    ResultCancel = 0,
    ResultOk = 1,
    ResultStart = 2,
    ResultLater = 3,
};

// The add, properties and group-properties dialogs: a tab control over the
// pages of the type, which the dialog owns. The page objects are made with the
// dialog, their controls when a tab is first shown; whoever reads the results
// reads the page members once the dialog has closed.
//
// Closing hides the dialog and emits DownloadDialogClosed at once, in the modal
// case too (the receiver ignores a modal dialog, whose caller owns it). Esc and
// the cancel or close button reject(); the close box closes.
class CDownloadDialog : public QDialog, public CSheetManager, public CDialogExt<CDownloadDialog>
{
    Q_OBJECT

public:
    ~CDownloadDialog() override;

    // Builds the window (OnInitDialog); for modeless use the caller then shows it.
    void Create();
    // Creates the window and runs it modally: QDialog::Accepted or Rejected.
    int DoModal();

    // Checks the created pages, the shown one first; false at the first refusal
    // (the page has brought its tab forward, warned and asked for the focus).
    virtual bool ValidatePages();
    // The properties dialog's pages into its download.
    virtual bool ApplyToItem();
    // The refresh tick of a properties dialog: the live status, and the pages and
    // buttons that follow the download's state.
    void RefreshFromItem();

    CTabSheet* Tabs() const { return m_pTabs; }
    bool IsClosed() const { return m_bClosed; }

    const DownloadDialogType m_nType;
    DownloadDialogResult m_nResult = ResultCancel;
    CDownloadItem* const m_pItem;
    bool m_bModal = false;
    QPixmap m_bmpStart;
    QPixmap m_bmpPause;
    int32_t m_nLastState = 15; // no state has it

    CDownloadStatusPage* m_pStatusPage = nullptr;
    CAddDownloadGeneralPage* m_pAddGeneralPage = nullptr;
    CFixedDownloadGeneralPage* m_pFixedGeneralPage = nullptr;
    CGroupDownloadGeneralPage* m_pGroupGeneralPage = nullptr;
    CDownloadAuthorizationPage* m_pAuthorizationPage = nullptr;
    CDownloadConnectionPage* m_pConnectionPage = nullptr;
    CDownloadMorePage* m_pMorePage = nullptr;

signals:
    void DownloadDialogClosed(CDownloadDialog* dialog);

public slots:
    void reject() override;

protected:
    // item: the download of a properties dialog, else null.
    CDownloadDialog(DownloadDialogType type, CDownloadItem* item, QWidget* parent);

    virtual void OnInitDialog();
    // The type's buttons, added to the row under the tabs.
    virtual void CreateButtons(QHBoxLayout* row) = 0;
    void OnCancel();
    // Sets the result and closes: ends a modal run, or hides and reports.
    void CloseDialog(DownloadDialogResult result);
    void closeEvent(QCloseEvent* event) override;
    // The general page of the type.
    CDialogPage* GeneralPage() const;
    // A window of its own (a task-bar entry), not a dialog over its parent.
    void ShowInTaskBar();
    // The button of that id in the button row.
    QPushButton* AddButton(QHBoxLayout* row, int id, const QString& text);

    // A properties dialog's buttons that follow the download's running flag.
    QPushButton* m_pStart = nullptr;
    QPushButton* m_pPause = nullptr;

private:
    void CreatePages();
    void UpdateStartPause();

    CTabSheet* m_pTabs = nullptr;
    bool m_bCreated = false;
    bool m_bClosed = false;
};
