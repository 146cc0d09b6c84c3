#pragma once

#include "dialogs/OptionsPageBase.h"

// How requests are made: user agent, HTTP version, retries, time-outs, cache,
// redirects and the referrer.
class CConnectionPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CConnectionPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;
};
