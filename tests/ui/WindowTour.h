#pragma once

#include "UiFixture.h"

#include <functional>
#include <iosfwd>
#include <vector>

class CDownloadDialog;
class CMainFrame;
class QString;
class QWidget;

// A fixture that opens every dialog and page of the program as the program
// shows them, one stop at a time, and hands each to the test's Visit once its
// layouts have settled. A multi-page dialog is visited once per page.
class WindowTour : public UiFixture
{
public:
    ~WindowTour() override;

    // Shows the window unless it is shown, lets it settle, then visits it.
    void Show(QWidget& window, const QString& where);
    // Creates the dialog and visits each of its tabs.
    void ShowTabs(CDownloadDialog& dialog, const QString& name);
    CMainFrame& Frame();
    // A download half done in eight sections, with the widest figures a
    // section shows.
    CDownloadItem& PartlyDone();

protected:
    virtual void Visit(QWidget& window, const QString& where) = 0;

private:
    CMainFrame* m_frame = nullptr;
};

struct TourStop
{
    const char* name;
    std::function<void(WindowTour&)> run;
};

// The widget's names from below the window down to it, for messages.
QString WidgetPath(const QWidget* widget, const QWidget* window);

void PrintTo(const TourStop& stop, std::ostream* out);

// Every dialog, the options dialog with each of its pages, and the main window.
const std::vector<TourStop>& TourStops();
