#pragma once

#include "mainframe/DownloadsView.h"
#include "mainframe/DropTarget.h"
#include "mainframe/UrlMonitor.h"
#include "StringIds.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CChecksumDialog;
class CCommandTable;
class CDownloadDialog;
class CDownloadItem;
class CDownloadQueue;
class CListFiles;
class CProfile;
class CSpeedMeterWnd;
class CStatusBarEx;
class CTerminateDialog;
class CToolBarCtrlEx;
class QToolBar;
struct FileDialogResult;
enum class TrayEvent;

// The main window. It owns the tool bar and speed-meter bands, the downloads
// list, the status bar, the tray icon (through the tray device), the drop target,
// the wait panel of the exit and the checksum dialog, and it receives every
// command and notice of the main window.
//
// Lifecycle: the constructor builds nothing visible; Create() runs the creation
// steps in order; the window is destroyed only by Exit(), which runs the
// destruction steps, schedules the object's deletion and ends the event loop.
// A close event never destroys it.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int ID_TIMER_UPDATE = 100;
    static constexpr int ID_TIMER_SCHEDULER = 101;

    // When a deferred exit is still wanted once the modal loops have closed.
    enum class ExitWhen
    {
        Always,
        NothingRunsOrWaits, // an all-done action
    };

    CMainFrame();
    ~CMainFrame() override;

    // The stored placement, then the children, the tray icon, the bar state,
    // the settings, the refresh timer and the drop target.
    void Create();
    // The first show, as the stored placement says (maximised when it was).
    // Autorun shows nothing, unless no tray exists to bring the window back.
    void ShowAtStart(bool autorun);
    // The autosaved list; the frame saves the list at exit only once it was loaded.
    void LoadDownloadList();
    // Re-applies what the options can change: the concurrency button's image,
    // the clipboard listener and the scheduler timer.
    void ApplySettings();

    // The exit sequence: the question (ask, ConfirmExit and something running),
    // the queue frozen, running downloads paused with the wait panel shown for at
    // most five 2-second passes, then the window destroyed.
    void Exit(bool ask);
    // Every exit path goes through here: with a modal loop open, the open modal
    // dialogs are rejected and the exit runs at the first refresh tick that finds
    // none open.
    void RequestExit(bool ask, ExitWhen when = ExitWhen::Always);
    bool IsExitPending() const { return m_pendingExit.has_value(); }

    void OnTimer(int id);
    void OnClose();
    // The second instance's SHOW: shown (a minimised window back to its earlier
    // state), raised and activated, with the windows hidden together with it.
    void ShowFromHandOff();
    // Shows again the windows of the frame that went into the tray with it.
    void ShowHiddenOwnedWindows();
    void OnDownloadNotify(uint64_t itemId, int32_t state);

    void SchedulerTick();
    void OnClipboardUpdate();

    // The status bar's message pane.
    void SetMessageText(const QString& text);
    void SetMessageText(TextId stringId);

    // Shows the current limit on the concurrency button, wherever it stands.
    void UpdateConcurrencyButton();

    CCommandTable& Commands() { return *m_commands; }
    CDownloadsView* View() const { return m_wndView; }
    CToolBarCtrlEx* ToolBar() const { return m_wndToolBar; }
    CSpeedMeterWnd* SpeedMeter() const { return m_wndSpeedMeter; }
    CStatusBarEx* StatusBar() const { return m_wndStatusBar; }
    QTimer& SchedulerTimer() { return m_timerScheduler; }

    CDropTarget m_dropTarget;
    CChecksumDialog* m_dlgChecksum = nullptr;
    int32_t m_nTrayIconFrame = -1;
    int32_t m_nOpenAddDialogs = 0;
    bool m_bExiting = false;
    bool m_bSchedulerRunning = false;

signals:
    // An exit was declined at its question.
    void ExitDeclined();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The bars' own menu is the rebar menu, not Qt's list of bars.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    struct PendingExit
    {
        bool ask;
        ExitWhen when;
    };

    void LoadWindowPlacement();
    void SaveWindowPlacement(CProfile& profile) const;
    // The shown window moved and shrunk so that it lies, frame and all, in its screen's work area.
    void FitFrameIntoWorkArea();
    void CreateBars();
    void CreateMenus();
    void RegisterCommands();
    void LoadBarState(const CProfile& profile);
    void SaveBarState(CProfile& profile) const;
    void RestoreColumns(const CProfile& profile);
    void OnDestroy();
    void DestroyFrame();
    void HideApplication();
    void RunPendingExit();
    void UpdateTrayIcon(int waiting);
    int CountWaiting() const;
    void SaveDownloadList();

    CCommandTable* m_commands;
    QToolBar* m_wndSpeedMeterBar = nullptr;
    CToolBarCtrlEx* m_wndToolBar = nullptr;
    CSpeedMeterWnd* m_wndSpeedMeter = nullptr;
    CStatusBarEx* m_wndStatusBar = nullptr;
    CDownloadsView* m_wndView = nullptr;
    std::unique_ptr<CDownloadQueue> m_queue; // on the view's rows
    std::unique_ptr<CListFiles> m_listFiles; // on the view's rows
    CTerminateDialog* m_dlgTerminate = nullptr;
    QTimer m_timerUpdate;
    QTimer m_timerScheduler;
    int m_nStartShowCmd;
    bool m_bFrameFitPending = false; // until the window manager has framed the shown window
    bool m_bListLoaded = false;
    QString m_strListFolder; // of the list file last chosen in a file dialog
    bool m_bInExit = false;
    bool m_bDestroying = false;
    std::optional<PendingExit> m_pendingExit;
    QList<QPointer<QWidget>> m_hiddenWithFrame; // owned windows hidden to the tray

public:
    // Queue and list files.
    // The queue's (CDownloadQueue) start of one item.
    void StartOrQueue(CDownloadItem* item);
    // The queue's pass, none while exiting; then the list repainted.
    void ProcessQueue();
    // The list files (CListFiles) with their messages and the wait cursor.
    // Binary lists; silent suppresses every message.
    bool ImportList(const QString& path, bool silent);
    bool ExportList(const QString& path, bool silent, bool all);
    // Plain URL lists, one per line, in the encoding UnicodeImportExport picks.
    bool ImportTextList(const QString& path);
    bool ExportTextList(const QString& path, bool all);
    void OnFileExport(int command);
    void OnFileImport();
    void OnFileImportUnfinished();

private:
    void RegisterQueueCommands();
    void RegisterListFileCommands();
    std::vector<CDownloadItem*> SelectedItems() const;
    // For the commands' enabling rules, which run at every tick: they read only
    // as many selected rows as they must.
    using ItemTest = bool (*)(const CDownloadItem&);
    bool AnySelected(ItemTest test) const;
    int SelectedCount() const;
    void OnPause();
    void OnConcurrency(int command);
    void ShowListError(TextId messageId, const QString& reason);
    // The file dialog of a list command, opened in the folder last used.
    FileDialogResult AskListFile(bool save, const QString& filter, const QString& extension);

public:
    // Notices, after-completion actions and tray.
    // The tray icon's events: the menu at the anchor, or the window back.
    void OnTrayNotify(TrayEvent event, QPoint anchor);
    // The tray menu's Open: shown normal, raised and activated.
    void OnTrayOpen();
    // One balloon, the title cut to 63 and the text to 255 UTF-16 units.
    bool ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags, uint32_t timeoutMs);
    // The failure, completion or all-completed balloon that the item's state and the settings call for.
    void NotifyDownloadDone(const CDownloadItem* item);
    QMenu* TrayMenu() const { return m_menuTray; }

private:
    void ConnectTrayIcon();
    void CreateTrayMenu();
    void CarryOutAllDoneAction();
    // The exit first, with its saves; the power-off is asked for at the process's end.
    void ShutDownAfterExit(ExitWhen when);
    void SettlePowerOff();

    QMenu* m_menuTray = nullptr;
    bool m_bPowerOffWithExit = false; // a shut-down waits for its exit

public:
    // Tool bar, menus and status bar.
    // The panes' texts, at creation and at every refresh tick.
    void OnUpdateStatusPanes();
    // The message pane: the one selected row's error or URL, else the idle text.
    void OnItemChanged();
    // The customise dialog on a copy of the records; OK rebuilds the tool bar.
    void OnCustomizeToolBar();
    // The rebar menu: the speed-meter submenu and Customise.
    QMenu* BarsMenu() const { return m_menuBars; }
    QMenu* DropDownMenu(int command) const;

private:
    void CreateBarMenus();
    void RegisterBarCommands();
    void ConnectBarsToView();
    // The drop-down's menu below its button (or at the cursor when the button is not shown).
    void OpenDropDown(int command);
    void ShowBarsMenu(QToolBar* bar, const QPoint& position);
    QString SchedulerPaneText(int scheduled) const;
    void ShowStatusPanes(const CDownloadsView::RowTally& tally);

    QMenu* m_menuBars = nullptr;        // 420
    QMenu* m_menuSpeed = nullptr;       // 336
    QMenu* m_menuConcurrency = nullptr; // 329

public:
    // Tools: checksum, history and the developer-mode inspector.
    // The first selected row's file, when it is completed and the dialog is not open.
    void OnDownloadChecksum();
    void OnHistory();
    // A modeless inspector of the first selected row.
    void OnDebug();

private:
    void RegisterToolCommands();

public:
    // Adding downloads, and the download dialogs' closing.
    // The Add command: an add dialog, with the clipboard's web address when so set.
    void OnDownloadAdd();
    // Opens a modeless add dialog with the address (may be empty), cascaded by the
    // add dialogs already open. fromOutside (the clipboard monitor) keeps it on top
    // or alerts, as the settings say.
    void ShowAddDownloadDialog(const QString& url, bool fromOutside);
    // Every modeless download dialog's closing notice: an add dialog's downloads
    // are added; a properties dialog leaves its row; then the dialog is deleted
    // later. A modal dialog's notice is ignored.
    void OnDownloadDialogClosed(CDownloadDialog* dialog);
    // Dropped text: added at once with the remembered values when remembering is
    // on, else shown in an add dialog; text that is no web address is refused.
    void AddDroppedUrl(const QString& text);
    // The pause of one row: a pause request when it is busy, out of the queue.
    void PauseItem(CDownloadItem* item);

private:
    // What every download added at once shares.
    struct NewDownload
    {
        QString folder;
        QString description;
        bool useAuthorization;
        QString userName;
        QString password;
        int32_t accessType;
        QString referer;
    };
    struct AddCounts
    {
        int added = 0;
        int existing = 0;  // already a row
        bool cancelAll = false; // the history question was cancelled
    };

    void RegisterAddingCommands();
    void AddDownloadsFromDialog(const CDownloadDialog& dialog);
    // A new row for the address unless one exists or the user declines it for
    // having downloaded it before; null then, or when the folder is refused.
    CDownloadItem* AddDownload(const QString& url, const NewDownload& values, AddCounts& counts);
    bool AskDownloadAgain(const QString& url, bool& cancelAll);
    // The refresh tick of every open properties dialog.
    void RefreshItemDialogs(const std::vector<CDownloadItem*>& withDialog);

private:
    // Download and view commands, the scheduler's stop and the URL monitor.
    void RegisterDownloadCommands();
    void RegisterViewCommands();
    void RegisterMonitorCommands();
    CDownloadItem* FirstSelectedItem() const;
    void OnDelete(bool deleteFiles);
    void OnReset();
    void OnSchedule(int command);
    void OnOpenInBrowser();
    void OnOpenLocation();
    void OnOpenFile();
    void OnRemoveCompleted();
    void OnSpeed(int command);
    void RegisterPropertiesCommands();
    void OnProperties();
    // The row's modeless properties dialog, made when it has none.
    void ShowPropertiesDialog(CDownloadItem& item);
    // The group dialog for the selected rows; on OK its changed fields go to each.
    void RunGroupProperties();
    void StartScheduledDownloads();
    void StopScheduledDownloads();
    // Registered exactly while URLMonitor is on.
    void UpdateClipboardListener();

    CUrlMonitor m_urlMonitor;
};
