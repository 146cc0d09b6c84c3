#pragma once

#include <QDialog>

// The About box: the product's name and version. Its logo, links and terms
// belong to the About code, which replaces this shell.
class CAboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent);
};
