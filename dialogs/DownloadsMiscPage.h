#pragma once

#include "dialogs/OptionsPageBase.h"

// The file's time from the server, and the reminder for an address already in
// the history.
class CDownloadsMiscPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CDownloadsMiscPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QCheckBox* m_pFileTimeFromServer = nullptr;
    QCheckBox* m_pCheckHistory = nullptr;
};
