#pragma once

#include "dialogs/OptionsPageBase.h"

// How much one section reads at a time and how often the resume data is written.
class CDownloadsAdvancedPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CDownloadsAdvancedPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    // The list may show a hand-edited size as another entry (3072 bytes as 32
    // kilobytes); it stores only once the user picks an entry.
    bool m_bBufferPicked = false;

    QComboBox* m_pBufferSize = nullptr;
    QLineEdit* m_pStubInterval = nullptr;
};
