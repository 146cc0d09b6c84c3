#pragma once

#include "dialogs/DownloadDialog.h"

// The group-properties dialog: folder, description and request options for
// several downloads at once, run modally. Its caller applies the fields whose
// pages report a change.
class CGroupDownloadDialog : public CDownloadDialog
{
    Q_OBJECT

public:
    explicit CGroupDownloadDialog(QWidget* parent);

protected:
    void CreateButtons(QHBoxLayout* row) override;
};
