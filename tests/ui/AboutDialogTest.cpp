#include "UiFixture.h"

#include "dialogs/AboutDialog.h"
#include "dialogs/TermsOfUseDialog.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Receives what the desktop would be asked to open.
class UrlSpy : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class AboutDialogTest : public UiFixture
{
protected:
    AboutDialogTest() { QDesktopServices::setUrlHandler(QStringLiteral("https"), &spy, "open"); }
    ~AboutDialogTest() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    QLabel* label(const char* name) const { return about.findChild<QLabel*>(QLatin1String(name)); }

    // Activates the licence link and runs `inside` in the terms box that opens,
    // which is closed with Escape; false when no box opened.
    bool openTerms(const QString& href, const std::function<void(QDialog&)>& inside)
    {
        bool opened = false;
        QTimer::singleShot(0, &about, [&] {
            auto* terms = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!terms || terms == &about)
                return;
            opened = true;
            inside(*terms);
            QTest::keyClick(terms, Qt::Key_Escape);
        });
        emit label("ctl1003")->linkActivated(href);
        QCoreApplication::processEvents(); // the timer must not outlive a link that opened nothing
        return opened;
    }

    // Runs the box and closes it through `close`; the result.
    static int runAndClose(QDialog& dialog, const std::function<void(QDialog&)>& close)
    {
        QTimer::singleShot(0, &dialog, [&] { close(dialog); });
        return dialog.exec();
    }

    UrlSpy spy;
    CAboutDialog about{nullptr};
};

} // namespace

TEST_F(AboutDialogTest, ShowsTheNameAndVersion)
{
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Vandrel"));
    EXPECT_EQ(label("ctl1000")->text(), QStringLiteral("Vandrel"));
    EXPECT_TRUE(label("ctl1001")->text().endsWith(QStringLiteral("4.3.0"))) << label("ctl1001")->text().toStdString();
    EXPECT_FALSE(label("logo")->pixmap().isNull());
}

TEST_F(AboutDialogTest, LicenceLinkOpensTheTermsBoxAgainAndAgain)
{
    QFile file(QStringLiteral(VANDREL_SOURCE_DIR "/resources/TermsOfUse.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString shipped = QString::fromUtf8(file.readAll());
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(openTerms(QLatin1String(CAboutDialog::kTermsHref), [&](QDialog& terms) {
            EXPECT_EQ(terms.windowTitle(), QStringLiteral("使用条款"));
            EXPECT_EQ(terms.parentWidget(), &about);
            auto* text = terms.findChild<QPlainTextEdit*>(QStringLiteral("ctl1006"));
            ASSERT_NE(text, nullptr);
            EXPECT_TRUE(text->isReadOnly());
            EXPECT_FALSE(text->focusPolicy() & Qt::TabFocus);
            EXPECT_EQ(text->toPlainText(), shipped);
            EXPECT_TRUE(qobject_cast<QPushButton*>(terms.focusWidget())) << "focus on OK";
        })) << round;
    }
    EXPECT_FALSE(openTerms(QStringLiteral("#other"), [](QDialog&) {}));
    EXPECT_TRUE(spy.opened.isEmpty());
}

TEST_F(AboutDialogTest, ContactLinkOpensItsUrlOnce)
{
    emit label("ctl1004")->linkActivated(QLatin1String(CAboutDialog::kContactUrl));
    emit label("ctl1004")->linkActivated(QStringLiteral("https://elsewhere.example.org/"));
    EXPECT_EQ(spy.opened, QList<QUrl>{QUrl(QLatin1String(CAboutDialog::kContactUrl))});
}

TEST_F(AboutDialogTest, EscapeTheCloseBoxAndOkEndEitherBox)
{
    CTermsOfUseDialog terms(nullptr);
    for (QDialog* dialog : {static_cast<QDialog*>(&about), static_cast<QDialog*>(&terms)}) {
        EXPECT_EQ(runAndClose(*dialog, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), QDialog::Rejected);
        EXPECT_EQ(runAndClose(*dialog, [](QDialog& d) { d.close(); }), QDialog::Rejected);
        EXPECT_EQ(runAndClose(*dialog, [](QDialog& d) { d.findChild<QPushButton*>()->click(); }), QDialog::Accepted);
    }
}

#include "AboutDialogTest.moc"
