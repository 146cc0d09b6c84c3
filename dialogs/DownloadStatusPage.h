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
    QLabel* Label(int id) const;
    CElidedLabel* ErrorLabel() const;
    QTreeView* SectionView() const;
    // Each column as wide as its title and widest text need, the room left
    // over shared out in the designed proportions.
    void FitSectionColumns();
    // The list as wide as its columns at their least, so that no figure is cut.
    void MeasureSectionColumns();
    void SetTextColor(int id, const QColor& color);
    QString DownloadedText(const CHttpDownloader& download, int32_t state) const;

    CSectionListModel* m_pSections = nullptr;
    std::vector<int> m_sectionColumnLeast;
    CSectionBar* m_pBar = nullptr;
};
