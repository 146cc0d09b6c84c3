#pragma once

#include "dialogs/DownloadGeneralPage.h"

#include <array>
#include <memory>

class CLinkLabel;
class CUpDownCtrl;
class CUrlInfo;
class QCheckBox;
class QLabel;

// The add dialog's first tab: the address (with the URL history), its size on
// request, the numbered group, the folder, the description and whether to fetch
// the download's information once added.
class CAddDownloadGeneralPage : public CDownloadGeneralPage
{
    Q_OBJECT

public:
    explicit CAddDownloadGeneralPage(CDownloadDialog* owner);
    // A probe still running posts nothing here any more.
    ~CAddDownloadGeneralPage() override;

    bool SaveData() override;

    QString m_strUrl;
    bool m_bGroup = false;
    int m_nFrom = 0;
    int m_nTo = 0;
    int m_nStep = 1;
    bool m_bGetInfo = false;
    // Shared with the probe thread, which may outlive the page.
    const std::shared_ptr<CUrlInfo> m_urlInfo;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;
    bool event(QEvent* event) override;

private:
    void OnGroupCheck();
    void OnGetSizeClick(const QString& link);
    void SetSizeText(const QString& markup);
    bool CheckGroup();

    QComboBox* m_pUrl = nullptr;
    CLinkLabel* m_pGetSize = nullptr;
    QCheckBox* m_pGroup = nullptr;
    QWidget* m_pGroupHint = nullptr;
    // The group's from, to and step fields.
    std::array<QLabel*, 3> m_pGroupLabels{};
    std::array<QLineEdit*, 3> m_pGroupEdits{};
    std::array<CUpDownCtrl*, 3> m_pGroupUpDowns{};
    QCheckBox* m_pGetInfo = nullptr;
};
