#pragma once

#include "dialogs/OptionsPageBase.h"

class QPlainTextEdit;

// Which copied URLs open the add dialog by themselves.
class CURLMonitorPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CURLMonitorPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QCheckBox* m_pURLMonitor = nullptr;
    QPlainTextEdit* m_pFileExtensions = nullptr;
    QCheckBox* m_pAddUndetectedType = nullptr;
    QCheckBox* m_pAddIfShiftKeyPressed = nullptr;
    QCheckBox* m_pIgnoreIfCtrlKeyPressed = nullptr;
    QCheckBox* m_pKeepOnTop = nullptr;
};
