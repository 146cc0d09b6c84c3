#pragma once

#include "dialogs/OptionsPageBase.h"

class QDateEdit;
class QGridLayout;
class QRadioButton;
class QTimeEdit;
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
    // A moment's label, date picker and time picker.
    struct MomentEdits
    {
        QLabel* label = nullptr;
        QDateEdit* date = nullptr;
        QTimeEdit* time = nullptr;
    };

    // The controls of the schedule are usable only while the scheduler is on.
    void UpdateEnabling();
    // A date picker and a time picker of hours and minutes ("hh:mm tt") in the row.
    MomentEdits AddMoment(QGridLayout* grid, int row, int labelId, const QString& text, int dateId, int timeId);
    static void LoadMoment(const MomentEdits& edits, const SYSTEMTIME& moment);
    static SYSTEMTIME Moment(const MomentEdits& edits);

    QCheckBox* m_pSchedulerOn = nullptr;
    MomentEdits m_start;
    QLabel* m_pActionLabel = nullptr;
    QRadioButton* m_pAllItems = nullptr;
    QRadioButton* m_pScheduledItems = nullptr;
    MomentEdits m_stop;
    QLabel* m_pStopActionLabel = nullptr;
    QComboBox* m_pStopAction = nullptr;
    QCheckBox* m_pAutoTurnOn = nullptr;
};
