#pragma once

#include "dialogs/DownloadDialog.h"

class QCheckBox;

// The add dialog: a URL or a numbered group, its folder and request options.
// Starts from the remembered values when remembering is on.
class CAddDownloadDialog : public CDownloadDialog
{
    Q_OBJECT

public:
    explicit CAddDownloadDialog(QWidget* parent);

protected:
    void OnInitDialog() override;
    void CreateButtons(QHBoxLayout* row) override;
    // The close box: remembering ends when its box is cleared, else it keeps.
    void closeEvent(QCloseEvent* event) override;

private:
    void Confirm(DownloadDialogResult result);
    void RememberSettings() const;
    bool IsRememberChecked() const;
    // A share of the screen's width, not of the longest address in the history.
    void FitWidthToScreen();

    QCheckBox* m_pRemember = nullptr;
};
