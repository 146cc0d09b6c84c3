#pragma once

#include "app/AppCommandLineInfo.h"
#include "platform/ExclusiveFileLock.h"
#include "platform/SystemTime.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CAppSettings;
class CMainFrame;
class CSingleInstance;
class QDialog;

// The application object: start-up and exit around the main window, the
// single instance, the data-usage box, the options dialog and the application's
// commands. The live settings and histories are AppCore()'s. main holds the
// object next to the QApplication; theApp() finds it.
class CVandrelApp : public QObject
{
    Q_OBJECT

public:
    CVandrelApp();
    ~CVandrelApp() override;

    // False ends the program: another instance runs (it was asked to show
    // itself), or the instance lock could not be had (the user was told).
    bool InitInstance(AppCommandMode mode);
    // Saves the settings and histories (unless start-up ended early), then
    // gives up the single instance; the exit code.
    int ExitInstance();
    // Ends the process after the saves: at once, without destroying anything,
    // when download workers still run, once their stubs are safe.
    static void EndProcess(int code);

    CMainFrame* GetMainFrame() const;
    bool IsSecondInstance() const { return m_bSecondInstance; }

    void ShowDataUsageDialog();
    void ShowOptionsDialog(int startPage);

    void OnAppExit();
    void OnVersionHistory();
    void OnTermsOfUse();
    void OnAppAbout();
    // A signal or the session manager: the orderly exit without a question.
    void OnSessionEnd();

    // A stored overnight schedule keeps its span; one stored on a single day,
    // or with its stop before its start, moves both times to today.
    static void MoveScheduleToToday(CAppSettings& settings, const SYSTEMTIME& today);

private:
    void ResizeHistories();
    void LoadHistories();
    void SaveHistories() const;
    void RegisterCommands();
    // Brings the open options or data-usage dialog forward; true when there is one.
    bool RaiseOpenDialog();
    // Another instance answered the hand-off; else the user is told why the
    // program cannot start.
    bool HandOffOrExplain(ExclusiveFileLock::Result lock);

    std::unique_ptr<CSingleInstance> m_instance;
    bool m_bSecondInstance = false;
    int m_exitCode = 0;
    QPointer<CMainFrame> m_pMainWnd;
    QPointer<QDialog> m_openDialog; // the options dialog while it runs
    bool m_bDataUsageOpen = false;
};

CVandrelApp* theApp();
