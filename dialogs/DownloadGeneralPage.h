#pragma once

#include "dialogs/DownloadPageBase.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The folder and description shared by the general pages of the three download
// dialogs, with the changed flags that the group dialog's caller reads.
class CDownloadGeneralPage : public CDownloadPageBase
{
    Q_OBJECT

public:
    using CDownloadPageBase::CDownloadPageBase;

    // The folder (only while its box is enabled) and the description.
    bool SaveData() override;

    QString m_strLocation;
    QString m_strDescription;
    bool m_bLocationChanged = false;
    bool m_bDescriptionChanged = false;

protected:
    // Appends the folder label, box 1003, browse button 1004, the description
    // label and edit 1009.
    void CreateLocationControls(QVBoxLayout* layout);
    bool OnInitDialog() override;
    void OnBrowseLocation();

    QComboBox* m_pLocation = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QLineEdit* m_pDescription = nullptr;
};
