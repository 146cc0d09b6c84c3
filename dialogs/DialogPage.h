#pragma once

#include "dialogs/DialogExt.h"

#include <QPointer>
#include <QWidget>

// One page of a multi-page dialog: a plain widget (a page never handles Esc,
// Enter or Tab itself; the host dialog does). The page object holds the values
// it edits from construction on; its controls are built only when it is first
// shown, and the values outlive them.
class CDialogPage : public QWidget, public CDialogExt<CDialogPage>
{
    Q_OBJECT

public:
    // templateId names the page "page<templateId>"; the page is at least
    // templateUnits large (dialog units at its font) and larger where its
    // controls need more.
    CDialogPage(int templateId, const QSize& templateUnits);

    // Builds the controls into parent and runs OnInitDialog; the page is created
    // from then on. True when it was created.
    virtual bool CreatePage(QWidget* parent);
    // Runs once the page has been shown and focused.
    virtual void OnPageActivated() {}
    // Checks the controls and copies them into the page's values. False: the page
    // has told the user why and asked for the focus on the offending control.
    virtual bool SaveData() = 0;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    bool isCreated() const { return m_bCreated; }
    int TemplateId() const { return m_nTemplateId; }

    // Also records the control as the one to focus again.
    bool FocusControl(QWidget* control) override;

    // The control's number when it lies within minimum..maximum (compared as
    // unsigned numbers unless isSigned); otherwise an error box with the range,
    // the focus asked for on the control, *value left alone, and false.
    bool GetDlgItemIntChecked(QWidget* control, int minimum, int maximum, int* value, bool isSigned);

    // The control that FocusControl last asked for; null after it was given none.
    QPointer<QWidget> m_hWndFocusControl;

protected:
    // The page's controls, named by ctrlName and kept in its members, created in
    // tab order.
    virtual void CreateControls() = 0;
    virtual bool OnInitDialog() { return true; }

private:
    const int m_nTemplateId;
    const QSize m_templateUnits;
    bool m_bCreated = false;
};
