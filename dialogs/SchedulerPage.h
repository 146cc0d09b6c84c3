#pragma once

#include "dialogs/OptionsPageBase.h"

struct SYSTEMTIME;

// When the scheduler starts and stops downloads, and what it does at the stop.
// It has no defaults.
class CSchedulerPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CSchedulerPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override {}
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    // The controls of the schedule are usable only while the scheduler is on.
    void UpdateEnabling();
    void LoadMoment(int dateId, int timeId, const SYSTEMTIME& moment) const;
    SYSTEMTIME Moment(int dateId, int timeId) const;
};
