#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/DownloadsFolder.h"
#include "app/VandrelCore.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/DownloadInput.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/RememberedAddSettings.h"
#include "dialogs/TabSheet.h"
#include "support/FaultServer.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

constexpr int IDC_URL = 1002;
constexpr int IDC_LOCATION = 1003;
constexpr int IDC_DESCRIPTION = 1009;
constexpr int IDC_GET_SIZE = 1011;
constexpr int IDC_GROUP = 1030;
constexpr int IDC_FROM = 1031;
constexpr int IDC_TO = 1033;
constexpr int IDC_STEP = 1035;
constexpr int IDC_START = 1000;

class AddDownloadPageTest : public UiFixture
{
protected:
    AddDownloadPageTest() { g_rememberedAddSettings = RememberedAddSettings(); }

    // A fresh, shown add dialog with the address and folder typed.
    void Open(const QString& url = QString(), const QString& folder = TestEnvironment::root())
    {
        dialog = std::make_unique<CAddDownloadDialog>(nullptr);
        dialog->m_pAddGeneralPage->m_strUrl = url;
        dialog->Create();
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        page = dialog->m_pAddGeneralPage;
        Combo(IDC_LOCATION)->setEditText(folder);
    }

    QComboBox* Combo(int id) const { return FindControl<QComboBox>(page, id); }
    QLineEdit* Edit(int id) const { return FindControl<QLineEdit>(page, id); }
    QString SizeText() const
    {
        return QTextDocumentFragment::fromHtml(FindControl<QLabel>(page, IDC_GET_SIZE)->text()).toPlainText();
    }
    void ClickSize() const { emit FindControl<QLabel>(page, IDC_GET_SIZE)->linkActivated(QStringLiteral("0")); }

    // Start; the refusal's text (empty when accepted), the tab shown during its
    // box and the control focused after it.
    struct Outcome
    {
        QString message;
        unsigned icon = 0;
        int tab = -1;
        QWidget* focus = nullptr;
    };
    Outcome Start()
    {
        prompts.boxes.clear();
        Outcome outcome;
        prompts.during = [&] { outcome.tab = dialog->Tabs()->currentIndex(); };
        FindControl<QPushButton>(dialog.get(), IDC_START)->click();
        prompts.during = nullptr;
        QCoreApplication::processEvents();
        if (!prompts.boxes.isEmpty()) {
            outcome.message = prompts.boxes[0].text;
            outcome.icon = prompts.boxes[0].flags & MB_ICONMASK;
        }
        outcome.focus = QApplication::focusWidget();
        return outcome;
    }

    std::unique_ptr<CAddDownloadDialog> dialog;
    CAddDownloadGeneralPage* page = nullptr;
};

} // namespace

TEST(DownloadInput, SchemesAreReadAsTheDialogManagerReadsThem)
{
    const struct
    {
        const char* text;
        std::optional<QString> scheme;
    } cases[] = {
        {"http://h/", QStringLiteral("http")},
        {"HTTPS://H/", QStringLiteral("HTTPS")},
        {"example.com/a.zip", QString()},
        {"example.com:8080/x", QStringLiteral("example.com")},
        {"127.0.0.1:8080/x", QString()},
        {"h/a:b", QString()},
        {"a b:c", QString()},
        {"svn+ssh://h", QStringLiteral("svn+ssh")},
        {"abcdefghijklmnopqrstuvwxyzabcdefg://h", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetUrlScheme(QString::fromUtf8(c.text)), c.scheme) << c.text;
}

TEST_F(AddDownloadPageTest, AddressesAreNormalisedOrRefusedOnTheGeneralTab)
{
    const struct
    {
        QString typed;
        const char* message; // null: accepted
        const char* stored;
    } cases[] = {
        {QStringLiteral("  example.com/a.zip  "), nullptr, "http://example.com/a.zip"},
        {QStringLiteral("HTTPS://EXAMPLE.COM/A"), nullptr, "HTTPS://EXAMPLE.COM/A"},
        {QStringLiteral("ftp://h/f"), "不支持此 URL 方案。 请输入 HTTP 或 HTTPS URL。", nullptr},
        {QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdefg://h/f"), "不支持此 URL 方案。 请输入 HTTP 或 HTTPS URL。",
         nullptr},
        {QString(), "请输入网址。", nullptr},
        {QStringLiteral("http://"), "请输入正确的网址。", nullptr},
        // The scheme put in front counts towards the length a list can store.
        {QStringLiteral("h/") + QString(kMaxUrlInputLength - 8, u'x'), "URL 过长。", nullptr},
        {QStringLiteral("h/") + QString(kMaxUrlInputLength - 9, u'x'), nullptr, nullptr},
        {QStringLiteral("http:/") + QString(kMaxUrlInputLength, u'x'), "请输入正确的网址。", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.left(40).toStdString());
        Open(c.typed);
        dialog->Tabs()->setCurrentIndex(2);
        const Outcome outcome = Start();
        if (!c.message) {
            EXPECT_EQ(outcome.message, QString());
            EXPECT_TRUE(dialog->IsClosed());
            if (c.stored) {
                EXPECT_EQ(page->m_strUrl, QString::fromUtf8(c.stored));
            }
            continue;
        }
        EXPECT_EQ(outcome.message, QString::fromUtf8(c.message));
        EXPECT_EQ(outcome.icon, MB_ICONWARNING);
        EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Vandrel"));
        EXPECT_EQ(outcome.tab, 0);
        EXPECT_EQ(outcome.focus, Combo(IDC_URL));
        EXPECT_FALSE(dialog->IsClosed());
    }
}

TEST_F(AddDownloadPageTest, GroupsNeedAPatternAndCheckedNumbersShownOnTheirTab)
{
    const struct
    {
        const char* url;
        const char* from;
        const char* to;
        const char* step;
        const char* message; // null: accepted
        int focus;
    } cases[] = {
        {"http://h/f$$$.bin", "1", "20", "1", nullptr, 0},
        {"http://h/f$$$.bin", "40000", "1", "3", nullptr, 0},
        {"http://h/f$$$.bin", "1", "20", "0", "请输入一个介于 1 和 2147483647 之间的值", IDC_STEP},
        {"http://h/f$$$.bin", "2147483648", "20", "1", "请输入一个介于 0 和 2147483647 之间的值", IDC_FROM},
        {"http://h/f$$$.bin", "1", "", "1", "请输入一个介于 0 和 2147483647 之间的值", IDC_TO},
        {"http://h/f$$$.bin", "1", "2", "4294967297", "请输入一个介于 1 和 2147483647 之间的值", IDC_STEP},
        {"http://h/f.bin", "1", "20", "1", "URL 中未指定模式。 要使用组下载，您必须指定编号模式。", IDC_URL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + "/" + c.to + "/" + c.step);
        Open(QString::fromUtf8(c.url));
        FindControl<QCheckBox>(page, IDC_GROUP)->click();
        Edit(IDC_FROM)->setText(QString::fromUtf8(c.from));
        Edit(IDC_TO)->setText(QString::fromUtf8(c.to));
        Edit(IDC_STEP)->setText(QString::fromUtf8(c.step));
        dialog->Tabs()->setCurrentIndex(1);
        const Outcome outcome = Start();
        if (!c.message) {
            EXPECT_TRUE(dialog->IsClosed());
            EXPECT_TRUE(page->m_bGroup);
            EXPECT_EQ(page->m_nFrom, QString::fromUtf8(c.from).toInt());
            EXPECT_EQ(page->m_nTo, QString::fromUtf8(c.to).toInt());
            continue;
        }
        EXPECT_EQ(outcome.message, QString::fromUtf8(c.message));
        EXPECT_EQ(outcome.icon, c.focus == IDC_URL ? MB_ICONWARNING : MB_ICONERROR);
        EXPECT_EQ(outcome.tab, 0);
        EXPECT_EQ(outcome.focus, FindControl(page, c.focus));
    }
}

TEST_F(AddDownloadPageTest, TheGroupsHintAndNumbersAreUsableOnlyWhileTheGroupIsChecked)
{
    // The hint, then each number's label, edit and up-down: from, to, step.
    const int fields[] = {1040, 1037, 1031, 1032, 1038, 1033, 1034, 1039, 1035, 1036};
    Open(QStringLiteral("http://h/f$.bin"));
    auto* group = FindControl<QCheckBox>(page, IDC_GROUP);
    for (const bool checked : {false, true, false}) {
        SCOPED_TRACE(checked);
        if (group->isChecked() != checked)
            group->click();
        for (int id : fields)
            EXPECT_EQ(FindControl(page, id)->isEnabled(), checked) << id;
    }
}

TEST_F(AddDownloadPageTest, AGroupWhoseLongestAddressWouldNotFitIsRefused)
{
    const QString url = QStringLiteral("http://h/$") + QString(kMaxUrlInputLength - 17, u'x');
    Open(url);
    FindControl<QCheckBox>(page, IDC_GROUP)->click();
    Edit(IDC_FROM)->setText(QStringLiteral("1"));
    Edit(IDC_TO)->setText(QStringLiteral("100000000"));
    EXPECT_EQ(Start().message, QStringLiteral("URL 过长。"));
    Edit(IDC_TO)->setText(QStringLiteral("10000000"));
    EXPECT_EQ(Start().message, QString());
}

TEST_F(AddDownloadPageTest, FoldersMustBeExistingAbsoluteDirectoriesWithoutTrailingSlashes)
{
    const QString root = TestEnvironment::root();
    const struct
    {
        QString typed;
        const char* message;
        QString stored;
    } cases[] = {
        {u' ' + root + QStringLiteral("///"), nullptr, root},
        {QString(), "请输入下载位置。", {}},
        {QStringLiteral("/nonexistent"), "指定的下载位置不存在。", {}},
        {QStringLiteral("a"), "指定的下载位置不存在。", {}},
        {QStringLiteral("/"), "指定的下载位置不存在。", {}},
        {QStringLiteral("."), "指定的下载位置不存在。", {}},
        {root + QStringLiteral("/") + QString(kMaxFolderInputLength, u'x'), "指定的下载位置不存在。", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.left(60).toStdString());
        Open(QStringLiteral("http://h/a"), c.typed);
        Edit(IDC_DESCRIPTION)->setText(QStringLiteral("  x  "));
        dialog->Tabs()->setCurrentIndex(3);
        const Outcome outcome = Start();
        if (!c.message) {
            EXPECT_EQ(outcome.message, QString());
            EXPECT_EQ(page->m_strLocation, c.stored);
            EXPECT_EQ(page->m_strDescription, QStringLiteral("x"));
            continue;
        }
        EXPECT_EQ(outcome.message, QString::fromUtf8(c.message));
        EXPECT_EQ(outcome.tab, 0);
        EXPECT_EQ(outcome.focus, Combo(IDC_LOCATION));
    }
}

// The user's Downloads folder is made when a page needs it; a typed folder of
// another name is still refused when missing.
TEST_F(AddDownloadPageTest, AMissingDownloadsFolderIsCreatedAndAnyOtherMissingFolderRefused)
{
    const QString home = QDir::homePath();
    const QString downloads = UserDownloadsFolder(); // as user-dirs names it
    ASSERT_TRUE(downloads.startsWith(home + u'/'));
    QDir(downloads).removeRecursively();
    ASSERT_EQ(AppCore().m_settings.DefaultDownloadLocation, downloads);

    Open(QStringLiteral("http://h/a"), home + QStringLiteral("/Downloads2"));
    EXPECT_EQ(Start().message, QStringLiteral("指定的下载位置不存在。"));
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/Downloads2")));

    Open(QStringLiteral("http://h/a"), downloads + u'/');
    EXPECT_EQ(Start().message, QString());
    EXPECT_EQ(page->m_strLocation, downloads);
    const QFileInfo created(downloads);
    EXPECT_TRUE(created.isDir());
    EXPECT_EQ(created.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                       | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                                       | QFile::ExeOther),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                  | QFile::ReadOther | QFile::ExeOther);
}

// A 1066-pixel dialog came from one long address in the history.
TEST_F(AddDownloadPageTest, TheWidthFollowsTheScreenNotTheLongestAddressOrFolder)
{
    Open();
    const int plain = dialog->width();
    dialog.reset();
    const QString longUrl = QStringLiteral("http://h/") + QString(1500, u'a');
    AppCore().m_urlsHistory.SetCapacity(5);
    AppCore().m_urlsHistory.Add(longUrl, false);
    AppCore().m_downloadLocationsHistory.SetCapacity(5);
    AppCore().m_downloadLocationsHistory.Add(QStringLiteral("/") + QString(800, u'f'), true);
    Open(longUrl);
    EXPECT_EQ(dialog->width(), plain);
    const int available = dialog->screen()->availableGeometry().width();
    EXPECT_LE(dialog->width(), available);
    EXPECT_LE(dialog->sizeHint().width(), available) << "a later fit to the layout would widen it again";
    EXPECT_GE(dialog->width(), dialog->minimumSizeHint().width());
    EXPECT_EQ(Combo(IDC_URL)->currentText(), longUrl) << "the address is kept whole, only not shown whole";
}

TEST_F(AddDownloadPageTest, TheFolderBoxShowsTheFolderOverItsHistoryAndTheBrowserFillsIt)
{
    CHistory& folders = AppCore().m_downloadLocationsHistory;
    folders.SetCapacity(5);
    folders.Add(QStringLiteral("/old"), true);
    folders.Add(QStringLiteral("/new"), true);
    AppCore().m_urlsHistory.SetCapacity(5);
    AppCore().m_urlsHistory.Add(QStringLiteral("http://h/history"), false);
    Open(QStringLiteral("http://h/opened"), TestEnvironment::root());
    dialog->m_pAddGeneralPage->m_strLocation.clear();
    QComboBox* location = Combo(IDC_LOCATION);
    EXPECT_EQ(location->count(), 2);
    EXPECT_EQ(location->itemText(0), QStringLiteral("/new"));
    EXPECT_EQ(Combo(IDC_URL)->currentText(), QStringLiteral("http://h/opened"));
    EXPECT_EQ(Combo(IDC_URL)->itemText(0), QStringLiteral("http://h/history"));
    EXPECT_FALSE(page->m_bLocationChanged);
    EXPECT_FALSE(page->m_bDescriptionChanged);

    prompts.folders = {std::nullopt, QStringLiteral("/picked")};
    FindControl<QPushButton>(page, 1004)->click();
    EXPECT_EQ(location->currentText(), TestEnvironment::root());
    EXPECT_FALSE(page->m_bLocationChanged);
    FindControl<QPushButton>(page, 1004)->click();
    ASSERT_EQ(prompts.folderRequests.size(), 2);
    EXPECT_EQ(prompts.folderRequests[0].title, QStringLiteral("请选择下载位置"));
    EXPECT_EQ(prompts.folderRequests[0].initial, TestEnvironment::root());
    EXPECT_EQ(location->currentText(), QStringLiteral("/picked"));
    EXPECT_TRUE(page->m_bLocationChanged);
}

// The box takes as much as a list stores; a longer address handed to the dialog
// stays whole and is refused as too long.
TEST_F(AddDownloadPageTest, TheAddressLimitBoundsTypingAndPastingOnly)
{
    const QString longer = QStringLiteral("http://h/") + QString(3000, u'a');
    Open(longer);
    QLineEdit* edit = Combo(IDC_URL)->lineEdit();
    EXPECT_EQ(edit->text(), longer);
    EXPECT_EQ(Start().message, QStringLiteral("URL 过长。"));

    edit->setText(QString(kMaxUrlInputLength - 1, u'b'));
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("cd"));
    EXPECT_EQ(edit->text().size(), kMaxUrlInputLength);

    edit->clear();
    QGuiApplication::clipboard()->setText(longer);
    edit->paste();
    EXPECT_EQ(edit->text(), longer.left(kMaxUrlInputLength));
}

TEST_F(AddDownloadPageTest, TheSizeLinkProbesOneAddressAtATimeAndShowsTheAnswer)
{
    // HEAD answers: a size with no body.
    const FaultServer::Script sized{
        FaultServer::send("HTTP/1.1 200 OK\r\nContent-Length: 1536\r\nConnection: close\r\n\r\n"),
        FaultServer::close()};
    FaultServer server([&sized](const FaultServer::Request& request) {
        if (request.target == "/held")
            return FaultServer::Script{FaultServer::wait(600)} + sized;
        return request.target == "/f.bin" ? sized : FaultServer::answer(404);
    });
    Open(QString());
    const QString before = SizeText();
    ClickSize(); // no address: nothing
    EXPECT_EQ(SizeText(), before);
    EXPECT_TRUE(server.requests().isEmpty());

    Combo(IDC_URL)->setEditText(server.url(QStringLiteral("/f.bin")));
    ClickSize();
    EXPECT_EQ(SizeText(), QStringLiteral("工作中..."));
    ASSERT_TRUE(WaitFor([&] { return SizeText() != QStringLiteral("工作中..."); }));
    EXPECT_EQ(SizeText(), QStringLiteral("文件大小：1.50 KB, 刷新"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].requestLine, QByteArray("HEAD /f.bin HTTP/1.1"));
    EXPECT_EQ(server.requests()[0].header("User-Agent"), AppCore().m_settings.UserAgent.toUtf8());

    // A click while a probe runs only waits for it; an address changed meanwhile
    // is probed once the old answer is in.
    Combo(IDC_URL)->setEditText(server.url(QStringLiteral("/held")));
    ClickSize();
    Combo(IDC_URL)->setEditText(server.url(QStringLiteral("/missing")));
    ClickSize();
    EXPECT_EQ(SizeText(), QStringLiteral("工作中..."));
    EXPECT_TRUE(WaitFor([&] { return server.requests().size() == 2; }));
    ASSERT_TRUE(WaitFor([&] { return SizeText() != QStringLiteral("工作中..."); }));
    EXPECT_EQ(SizeText(), QStringLiteral("失败，重试"));
    EXPECT_EQ(server.requests().size(), 3);

    // Closed while a probe runs: the answer goes nowhere.
    Combo(IDC_URL)->setEditText(server.url(QStringLiteral("/held")));
    ClickSize();
    EXPECT_TRUE(WaitFor([&] { return server.requests().size() == 4; }));
    const std::weak_ptr<CUrlInfo> probe = page->m_urlInfo;
    dialog.reset();
    // The thread lets go of the record once it has posted whatever it would.
    ASSERT_TRUE(WaitFor([&] { return probe.expired(); }));
    QCoreApplication::sendPostedEvents();
}

TEST_F(AddDownloadPageTest, ARefererIsAnHttpAddressOrNothing)
{
    const struct
    {
        QString typed;
        const char* message;
        const char* stored;
    } cases[] = {
        {QStringLiteral("example.com/p"), nullptr, "http://example.com/p"},
        {QStringLiteral("  "), nullptr, ""},
        {QStringLiteral("ftp://x"), "不支持此 URL 方案。 请输入 HTTP 或 HTTPS URL。", nullptr},
        {QStringLiteral("http://"), "请输入正确的网址。", nullptr},
        {QStringLiteral("http://h/") + QString(kMaxUrlInputLength, u'r'), "URL 过长。", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.left(40).toStdString());
        Open(QStringLiteral("http://h/a"));
        dialog->Tabs()->setCurrentIndex(3);
        FindControl<QLineEdit>(dialog->m_pMorePage, 1021)->setText(c.typed);
        dialog->Tabs()->setCurrentIndex(0);
        const Outcome outcome = Start();
        if (!c.message) {
            EXPECT_EQ(dialog->m_pMorePage->m_strReferer, QString::fromUtf8(c.stored));
            continue;
        }
        EXPECT_EQ(outcome.message, QString::fromUtf8(c.message));
        EXPECT_EQ(outcome.tab, 3);
        EXPECT_EQ(outcome.focus, FindControl(dialog->m_pMorePage, 1021));
    }
}
