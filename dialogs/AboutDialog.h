#pragma once

#include <QDialog>

// The About box: the logo, the product's name and version, a rights notice, a
// licence line whose link opens the terms of use, and a contact link.
class CAboutDialog : public QDialog
{
    Q_OBJECT

public:
    // The licence line's link; any other href of that line opens nothing.
    static constexpr char kTermsHref[] = "#terms";
    static constexpr char kContactUrl[] = "https://vandrel.example.org/contact";

    explicit CAboutDialog(QWidget* parent);

private:
    void OnLicenceLink(const QString& href);
    void OnContactLink(const QString& href);
};
