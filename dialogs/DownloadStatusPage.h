#pragma once

#include "dialogs/DownloadPageBase.h"

#include <vector>

class CHttpDownloader;
class CElidedLabel;
class CSectionBar;
class CSectionListModel;
class QLabel;
class QTreeView;

// The properties dialog's live view of its download: state, resume support,
// last error, progress, rate, times, the table of sections and their bar.
class CDownloadStatusPage : public CDownloadPageBase
{
    Q_OBJECT

public:
    explicit CDownloadStatusPage(CDownloadDialog* owner) : CDownloadPageBase(427, owner) {}

    // Reads the download once more; nothing while the page has no controls.
    void Refresh();

    bool m_bResumeShown = false;
    int m_nLastErrorCounter = 0;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CHttpDownloader& Download() const;
    // Each column as wide as its title and widest text need, the room left
    // over shared out in the designed proportions.
    void FitSectionColumns();
    // The list as wide as its columns at their least, so that no figure is cut.
    void MeasureSectionColumns();
    QString DownloadedText(const CHttpDownloader& download, int32_t state) const;

    QLabel* m_pState = nullptr;
    QLabel* m_pResume = nullptr;
    CElidedLabel* m_pError = nullptr;
    QLabel* m_pDownloaded = nullptr;
    QLabel* m_pRate = nullptr;
    QLabel* m_pElapsed = nullptr;
    QLabel* m_pRemaining = nullptr;
    QTreeView* m_pSectionView = nullptr;
    CSectionListModel* m_pSections = nullptr;
    std::vector<int> m_sectionColumnLeast;
    CSectionBar* m_pBar = nullptr;
};
