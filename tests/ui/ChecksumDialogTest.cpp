#include "UiFixture.h"

#include "app/gui/ModalLoops.h"
#include "dialogs/ChecksumDialog.h"
#include "platform/HashRun.h"
#include "support/QStringPrinter.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

class ChecksumDialogTest : public UiFixture
{
protected:
    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("file.bin")) const
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return file.fileName();
    }

    // 4 GiB of holes: MD2 needs minutes for it.
    QString bigSparseFile() const
    {
        const QString path = writeFile("", QStringLiteral("big.bin"));
        EXPECT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(4) << 30), 0);
        return path;
    }

    // Runs the dialog for path; script runs inside its modal loop, and the
    // dialog is closed afterwards if the script left it open.
    int open(const QString& path, const std::function<void()>& script)
    {
        QTimer::singleShot(0, &dialog, [&] {
            script();
            if (dialog.isVisible())
                dialog.reject();
        });
        return dialog.Open(path);
    }

    QLineEdit* file() const { return dialog.findChild<QLineEdit*>(QStringLiteral("ctl1044")); }
    QComboBox* list() const { return dialog.findChild<QComboBox*>(QStringLiteral("ctl1179")); }
    QPlainTextEdit* hash() const { return dialog.findChild<QPlainTextEdit*>(QStringLiteral("ctl1178")); }
    QPushButton* calculate() const { return dialog.findChild<QPushButton*>(QStringLiteral("ctl1177")); }
    QPushButton* cancel() const { return dialog.findChild<QPushButton*>(QStringLiteral("ctl2")); }

    bool idle() const { return list()->isEnabled() && calculate()->isEnabled(); }

    // Calculate with the algorithm, and the text shown once the run is over.
    QString calculateWith(const QString& algorithm)
    {
        list()->setCurrentText(algorithm);
        calculate()->click();
        EXPECT_FALSE(idle());
        EXPECT_TRUE(WaitFor([this] { return idle(); }));
        return hash()->toPlainText();
    }

    QTemporaryDir m_dir;
    CChecksumDialog dialog{nullptr};
};

} // namespace

TEST_F(ChecksumDialogTest, OpensOnTheFileAndShowsEachAlgorithmsDigest)
{
    struct Case
    {
        const char* algorithm;
        const char* abc;
    };
    const Case cases[] = {
        {"MD2", "da853b0d3f88d99b30283a69e6ded6bb"},
        {"MD4", "a448017aaf21d8525fc10ae87aa6729d"},
        {"MD5", "900150983cd24fb0d6963f7d28e17f72"},
        {"SHA1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"SHA256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"SHA384", "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {"SHA512",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    const QString path = writeFile("abc");
    open(path, [&] {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("文件校验和"));
        EXPECT_EQ(file()->text(), path);
        EXPECT_TRUE(file()->isReadOnly());
        ASSERT_EQ(list()->count(), 7);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(list()->itemText(i), QLatin1String(cases[i].algorithm));
        EXPECT_EQ(list()->currentText(), QStringLiteral("SHA256"));
        EXPECT_EQ(hash()->toPlainText(), QString());
        EXPECT_TRUE(idle());
        for (const Case& c : cases)
            EXPECT_EQ(calculateWith(QLatin1String(c.algorithm)), QLatin1String(c.abc)) << c.algorithm;
    });
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(ChecksumDialogTest, EmptyFileAndChunkBoundaries)
{
    open(writeFile(""), [&] {
        EXPECT_EQ(calculateWith(QStringLiteral("SHA256")),
                  QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    });
    open(writeFile(QByteArray(1000000, 'a')), [&] {
        EXPECT_EQ(calculateWith(QStringLiteral("MD5")), QStringLiteral("7707d6ae4e027c70eea2a935c2296f21"));
    });
    open(writeFile(QByteArray(CHashRun::kChunkSize + 1, '\0')), [&] {
        EXPECT_EQ(calculateWith(QStringLiteral("SHA256")),
                  QStringLiteral("eda6e9fb7e8bed184a10de09683556f9fc1720ffc1af5fa73f4891c7dec70bca"));
    });
}

TEST_F(ChecksumDialogTest, MissingFileShowsItsErrorOnceAndLeavesTheControlsUsable)
{
    const QString path = m_dir.filePath(QStringLiteral("gone.bin"));
    open(path, [&] {
        EXPECT_EQ(calculateWith(QStringLiteral("SHA256")), QString());
        ASSERT_EQ(prompts.boxes.size(), 1);
        EXPECT_TRUE(prompts.boxes[0].text.contains(path)) << prompts.boxes[0].text.toStdString();
        EXPECT_EQ(prompts.boxes[0].flags, MB_ICONERROR);
        EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Vandrel"));
        QTest::qWait(2 * CChecksumDialog::kPollMs);
        EXPECT_EQ(prompts.boxes.size(), 1);
    });
}

TEST_F(ChecksumDialogTest, ProgressWhileRunningThenCancelStopsAndReopeningStartsClean)
{
    const QString path = bigSparseFile();
    open(path, [&] {
        list()->setCurrentText(QStringLiteral("MD2"));
        calculate()->click();
        const QString prefix = QStringLiteral("处理的字节数:");
        ASSERT_TRUE(WaitFor([&] { return hash()->toPlainText().startsWith(prefix); }));
        bool ok = false;
        const qulonglong bytes = hash()->toPlainText().mid(prefix.size()).toULongLong(&ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(bytes % CHashRun::kChunkSize, 0u);
        EXPECT_FALSE(list()->isEnabled());
        EXPECT_FALSE(calculate()->isEnabled());
        cancel()->click();
    });
    EXPECT_FALSE(dialog.isVisible());

    open(path, [&] {
        EXPECT_EQ(hash()->toPlainText(), QString());
        EXPECT_TRUE(idle());
        EXPECT_EQ(list()->currentText(), QStringLiteral("SHA256"));
        // The stopped run ends within its chunk; then Calculate runs again.
        ASSERT_TRUE(WaitFor([&] {
            calculate()->click();
            return !idle();
        }));
        EXPECT_TRUE(WaitFor([&] { return hash()->toPlainText().startsWith(QStringLiteral("处理的字节数:")); }));
    });
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(ChecksumDialogTest, EnterClosesUnlessAButtonHasTheFocus)
{
    const QString path = writeFile("abc");
    EXPECT_EQ(open(path, [&] { QTest::keyClick(list(), Qt::Key_Return); }), QDialog::Accepted);

    open(path, [&] {
        QTest::keyClick(calculate(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(WaitFor([&] { return hash()->toPlainText().size() == 64; }));
        QTest::keyClick(dialog.findChild<QPlainTextEdit*>(), Qt::Key_Enter);
        EXPECT_FALSE(dialog.isVisible());
    });
}

TEST_F(ChecksumDialogTest, EscapeOrAnExitDuringARunClosesAtOnce)
{
    const QString path = bigSparseFile();
    const std::function<void()> closers[] = {
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [] { CModalLoops::RejectAll(); }, // what an exit does under a modal loop
    };
    for (const auto& close : closers) {
        EXPECT_EQ(open(path, [&] {
            list()->setCurrentText(QStringLiteral("MD2"));
            calculate()->click();
            close();
        }), QDialog::Rejected);
    }
}
