#pragma once

#include "dialogs/OptionsPageBase.h"

// The default folder, how many downloads run, how they are split and how
// failures are retried.
class CDownloadsPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CDownloadsPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    void OnBnClickedBrowse();
    // The folder as it is stored, or false once the user was told why not.
    bool CheckFolder(QString* folder);

    QLineEdit* m_pFolder = nullptr;
    QComboBox* m_pConcurrent = nullptr;
    QComboBox* m_pSections = nullptr;
    QLineEdit* m_pMinSectionSize = nullptr;
    QComboBox* m_pAttempts = nullptr;
    QLineEdit* m_pPause = nullptr;
    QCheckBox* m_pStopOnSectionFail = nullptr;
    QCheckBox* m_pStopIfHtml = nullptr;
};
