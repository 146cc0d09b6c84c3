#pragma once

#include <QDialog>

// The terms of use, read-only, as built into the program from the same file
// that ships beside it as TermsOfUse.txt. The text stays out of the tab chain,
// so the focus starts on OK.
class CTermsOfUseDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CTermsOfUseDialog(QWidget* parent);

    static QString Text();
};
