// A text list imported through the program's own window on a real X server:
// the File menu and the toolkit's file dialog, driven with the keyboard.
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/DownloadListFile.h"
#include "platform/BinaryReader.h"
#include "support/SessionProgram.h"
#include "support/TestEnvironment.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

constexpr int kReturnPresses = 3;

// The URLs of the rows in a list file; empty while it is missing or unreadable.
QStringList ListedUrls(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::optional<uint32_t> count = CDownloadListFile::ReadHeader(file);
    QStringList urls;
    try {
        BinaryReader archive(&file);
        for (uint32_t i = 0; count && i < *count; ++i)
            urls.append(CDownloadListFile::ReadRecord(archive)->m_pDownloader->m_strUrl);
    } catch (const std::exception&) {
        return {};
    }
    return urls;
}

bool Contains(const std::vector<xcb_window_t>& windows, xcb_window_t window)
{
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

} // namespace

TEST(ListImportSessionTest, AUnicodeListWrittenOnWindowsImportsThroughTheFileMenuAndItsDialog)
{
    const QString missing = XSession::missingText({u"Xvfb"_qs, u"openbox"_qs, u"xdotool"_qs});
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    XSession session;
    ASSERT_TRUE(session.start()) << session.errorText().toStdString();
    SessionProgram program(session, TestEnvironment::root() + u"/list-session"_qs);

    // UTF-16LE with its mark and CR LF, as Windows' editors save "Unicode",
    // while the program's Unicode setting is off.
    const QStringList urls = {u"http://h/a.zip"_qs, u"http://h/b.zip"_qs, u"http://h/c.zip"_qs};
    const QString list = TestEnvironment::root() + u"/urls.txt"_qs;
    {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(encoder.encode(urls.join(u"\r\n"_qs) + u"\r\n\r\n"_qs + urls[0] + u"\r\n"_qs));
    }

    ASSERT_TRUE(program.start()) << program.errorText().toStdString();
    xcb_window_t mainWindow = XCB_NONE;
    ASSERT_TRUE(SessionProgram::waitFor([&] {
        const std::vector<xcb_window_t> windows = program.windows();
        mainWindow = windows.size() == 1 ? windows.front() : XCB_NONE;
        return mainWindow != XCB_NONE && program.focus() == mainWindow;
    })) << "the main window never got the focus";

    program.keys({u"alt+f"_qs});
    program.keys({u"i"_qs});
    xcb_window_t fileDialog = XCB_NONE;
    ASSERT_TRUE(SessionProgram::waitFor([&] {
        fileDialog = program.focus();
        return fileDialog != mainWindow && Contains(program.windows(), fileDialog);
    })) << "no file dialog came up";

    // The name box completes what is typed; Return first closes its list.
    program.type(list);
    for (int press = 0; press < kReturnPresses && Contains(program.windows(), fileDialog); ++press) {
        program.keys({u"Return"_qs});
        SessionProgram::waitFor([&] { return !Contains(program.windows(), fileDialog); });
    }
    ASSERT_FALSE(Contains(program.windows(), fileDialog)) << "the file dialog did not take the typed name";

    // The box that reports the import; the list is saved once it is closed.
    xcb_window_t box = XCB_NONE;
    ASSERT_TRUE(SessionProgram::waitFor([&] {
        box = program.focus();
        return box != mainWindow && box != fileDialog && Contains(program.windows(), box);
    })) << "the import reported nothing";
    program.keys({u"Return"_qs});
    const QString autosave = program.dataHome() + u"/Vandrel/DefaultDownloadList.vrl"_qs;
    EXPECT_TRUE(SessionProgram::waitFor([&] { return ListedUrls(autosave) == urls; }))
        << "saved: " << ListedUrls(autosave).join(u' ').toStdString();
    EXPECT_EQ(program.windows(), std::vector<xcb_window_t>{mainWindow});
    EXPECT_TRUE(program.stop());
}
