#include "app/gui/AppFile.h"

#include "ScriptedPrompts.h"

#include "platform/SystemError.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <cerrno>

namespace {

// Receives what the desktop would be asked to open.
class OpenSpy : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class AppFileTest : public testing::Test
{
protected:
    void SetUp() override { QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_spy, "open"); }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        if (!m_created.isEmpty())
            QFile::remove(m_created);
    }

    // Beside the test binary, named per process, since the sanitizer builds share the folder.
    QString nameBesideBinary() const
    {
        return QStringLiteral("AppFileTest-%1.txt").arg(QCoreApplication::applicationPid());
    }
    QString pathBesideBinary() const { return QCoreApplication::applicationDirPath() + u'/' + nameBesideBinary(); }

    OpenSpy m_spy;
    ScriptedPrompts m_prompts;
    QString m_created;
};

} // namespace

TEST_F(AppFileTest, OpensTheFileBesideTheExecutable)
{
    QFile file(pathBesideBinary());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    m_created = file.fileName();
    file.close();

    EXPECT_EQ(TryOpenAppFile(nameBesideBinary()), QString());
    EXPECT_EQ(m_spy.opened, QList<QUrl>{QUrl::fromLocalFile(pathBesideBinary())});
}

TEST_F(AppFileTest, MissingFileGivesThePathAndTheSystemText)
{
    EXPECT_EQ(TryOpenAppFile(nameBesideBinary()),
              pathBesideBinary() + QStringLiteral("\n\n") + GetSystemErrorText(ENOENT));
    EXPECT_TRUE(m_spy.opened.isEmpty());
}

TEST_F(AppFileTest, OpenFailureIsShownInAnErrorBox)
{
    OpenAppFile(nameBesideBinary(), nullptr);
    ASSERT_EQ(m_prompts.boxes.size(), 1);
    EXPECT_EQ(m_prompts.boxes[0].text, pathBesideBinary() + QStringLiteral("\n\n") + GetSystemErrorText(ENOENT));
    EXPECT_EQ(m_prompts.boxes[0].flags, MB_ICONERROR);
}

TEST_F(AppFileTest, TheBuildPutsTheHelpFilesBesideTheProgram)
{
    const QString dir = QCoreApplication::applicationDirPath();
    for (const char* name : {"TermsOfUse.txt", "VersionHistory.txt"})
        EXPECT_EQ(TryOpenAppFile(QLatin1String(name)), QString()) << name;
    EXPECT_EQ(m_spy.opened, (QList<QUrl>{QUrl::fromLocalFile(dir + QStringLiteral("/TermsOfUse.txt")),
                                         QUrl::fromLocalFile(dir + QStringLiteral("/VersionHistory.txt"))}));
}

#include "AppFileTest.moc"
