#pragma once

#include "dialogs/OptionsPageBase.h"

// The other general options: list files in Unicode, the exit question, the
// add dialog's address filled in from the clipboard.
class CGeneralMiscPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CGeneralMiscPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QCheckBox* m_pUnicodeImportExport = nullptr;
    QCheckBox* m_pConfirmExit = nullptr;
    QCheckBox* m_pAutoFillDownloadAddress = nullptr;
};
