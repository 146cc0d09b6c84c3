#pragma once

#include "app/AppSettings.h"

#include <QDialog>

// The options dialog: it edits m_settings, a copy of the live settings, and the
// caller takes the copy back on OK. Its twelve pages belong to the options code,
// which replaces this shell of OK and Cancel.
class COptionsDialog : public QDialog
{
    Q_OBJECT

public:
    COptionsDialog(int startPage, QWidget* parent);

    int StartPage() const { return m_nStartPage; }

    CAppSettings m_settings;

private:
    int m_nStartPage;
};
