// Every dialog and page, at the font and scale of the process, gives each
// visible control at least its minimum size and keeps it inside its parent.
// The variants run the same cases again in child processes: at twice the
// scale, with a font half as large again, and without a Chinese font, where
// a size that fits one face cuts the text of another.
#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/History.h"
#include "app/VandrelCore.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/ChecksumDialog.h"
#include "dialogs/DebugDialog.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/GroupDownloadDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/OptionsPageBase.h"
#include "dialogs/TabSheet.h"
#include "dialogs/TermsOfUseDialog.h"
#include "dialogs/TreeSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "engine/Section.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/TerminateDialog.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/ToolBarCustomizeDialog.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QLayout>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <ostream>

namespace {

constexpr int kChildMs = 240000;

// The variants' environment: the child's font is this many times the usual,
// and a child told so checks that no Chinese face is there.
const char kFontScaleVariable[] = "VANDREL_TEST_FONT_SCALE";
const char kNoChineseVariable[] = "VANDREL_TEST_NO_CHINESE_FONT";

bool InLayout(const QLayout* layout, const QWidget* widget)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget || InLayout(item->layout(), widget))
            return true;
    }
    return false;
}

// The controls that layouts place; the parts of a control (a combo box's edit,
// a list's header) are the control's own to place. One inside a scrolled area
// may lie beyond it: the area scrolls.
bool IsLaidOut(const QWidget* widget, const QWidget* window)
{
    if (!InLayout(widget->parentWidget()->layout(), widget))
        return false;
    for (const QWidget* parent = widget->parentWidget(); parent && parent != window;
         parent = parent->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
        if (area && area->viewport() == parent)
            return false;
    }
    return true;
}

QString Path(const QWidget* widget, const QWidget* window)
{
    QStringList names;
    for (const QWidget* at = widget; at && at != window; at = at->parentWidget())
        names.prepend(at->objectName().isEmpty() ? QString::fromLatin1(at->metaObject()->className())
                                                 : at->objectName());
    return names.join(u'/');
}

QString SizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// What is wrong with one control's place, or nothing.
QString Misfit(const QWidget* widget)
{
    const QSizePolicy policy = widget->sizePolicy();
    const QSize hint = widget->minimumSizeHint();
    QStringList faults;
    if (policy.horizontalPolicy() != QSizePolicy::Ignored && widget->width() < hint.width())
        faults << QStringLiteral("narrower than its minimum %1").arg(hint.width());
    const int height = widget->hasHeightForWidth() ? widget->heightForWidth(widget->width()) : hint.height();
    if (policy.verticalPolicy() != QSizePolicy::Ignored && widget->height() < height)
        faults << QStringLiteral("lower than the %1 its text needs").arg(height);
    if (!widget->parentWidget()->rect().contains(widget->geometry()))
        faults << QStringLiteral("outside its parent's %1").arg(SizeText(widget->parentWidget()->size()));
    if (faults.isEmpty())
        return {};
    return SizeText(widget->size()) + QStringLiteral(": ") + faults.join(QStringLiteral(", "));
}

QStringList Misfits(QWidget* window)
{
    QStringList found;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(window) || !IsLaidOut(widget, window))
            continue;
        const QString fault = Misfit(widget);
        if (!fault.isEmpty())
            found << Path(widget, window) + QStringLiteral(" ") + fault;
    }
    return found;
}

QList<QRect> Geometries(const QWidget& window)
{
    QList<QRect> geometries = {window.geometry()};
    for (const QWidget* widget : window.findChildren<QWidget*>())
        geometries << widget->geometry();
    return geometries;
}

// Runs the events until the layouts have placed everything: a change of size
// travels one parent further per round, and a round may move nothing.
void Settle(const QWidget& window)
{
    constexpr int kQuietRounds = 3;
    constexpr int kMostRounds = 30;
    int quiet = 0;
    for (int round = 0; round < kMostRounds && quiet < kQuietRounds; ++round) {
        const QList<QRect> before = Geometries(window);
        QApplication::processEvents();
        quiet = Geometries(window) == before ? quiet + 1 : 0;
    }
}

class WindowFitTest;

struct FitCase
{
    const char* name;
    std::function<void(WindowFitTest&)> run;
};

void PrintTo(const FitCase& fit, std::ostream* out)
{
    *out << fit.name;
}

class WindowFitTest : public UiFixture, public testing::WithParamInterface<FitCase>
{
protected:
    WindowFitTest() : m_font(QApplication::font())
    {
        bool given = false;
        const double scale = qEnvironmentVariable(kFontScaleVariable).toDouble(&given);
        if (given) {
            QFont larger = m_font;
            larger.setPointSizeF(m_font.pointSizeF() * scale);
            QApplication::setFont(larger);
        }
        if (qEnvironmentVariableIsSet(kNoChineseVariable)) {
            EXPECT_TRUE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty());
        }
    }
    ~WindowFitTest() override
    {
        delete frame;
        QApplication::setFont(m_font);
    }

public:
    // Shows the window as the program does and checks it as it stands.
    void Check(QWidget& window, const QString& where)
    {
        if (!window.isVisible()) {
            window.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window)) << where.toStdString();
        }
        Settle(window);
        const QStringList misfits = Misfits(&window);
        EXPECT_TRUE(misfits.isEmpty()) << where.toStdString() << " at " << SizeText(window.size()).toStdString()
                                       << ":\n  " << misfits.join(QStringLiteral("\n  ")).toStdString();
    }

    void CheckTabs(CDownloadDialog& dialog, const QString& name)
    {
        dialog.Create();
        for (int tab = 0; tab < dialog.Tabs()->count(); ++tab) {
            dialog.Tabs()->setCurrentIndex(tab);
            Check(dialog, name + QStringLiteral(" › ") + dialog.Tabs()->tabText(tab));
        }
    }

    CMainFrame& Frame()
    {
        if (!frame) {
            frame = new CMainFrame;
            frame->Create();
        }
        return *frame;
    }

    // A download half done in eight sections, with the widest figures a
    // section shows.
    CDownloadItem& PartlyDone()
    {
        CDownloadItem* item = AddRow(Frame(), false);
        CHttpDownloader& download = *item->m_pDownloader;
        constexpr uint64_t kSectionBytes = 1000ull * 1024 * 1024;
        download.m_nState = Paused;
        download.m_bGotFileSize = 1;
        download.m_bAcceptRanges = 1;
        download.m_nFileSize = 8 * kSectionBytes;
        for (int index = 0; index < 8; ++index) {
            auto section = std::make_unique<CSection>();
            section->m_nIndex = index;
            section->m_nRangeStartInitial = index * kSectionBytes;
            section->m_nRangeEnd = (index + 1) * kSectionBytes - 1;
            section->m_nRangeStart = section->m_nRangeStartInitial + (index == 0 ? kSectionBytes : kSectionBytes / 3);
            section->m_bIsWorking = index % 2;
            section->m_nLastStatus = WaitingForNextAttempt;
            section->m_nTransferRate = 1023 * 1024;
            section->m_nTransferSize = 1023 * 1024;
            download.AppendSection(std::move(section));
        }
        return *item;
    }

    CMainFrame* frame = nullptr;

private:
    QFont m_font;
};

void CheckOptions(WindowFitTest& test)
{
    COptionsDialog dialog(OptionsPageGeneral, nullptr);
    dialog.m_settings = AppCore().m_settings;
    test.Check(dialog, QStringLiteral("options"));
    auto* tree = FindControl<QTreeWidget>(&dialog, 1059);
    for (int page = 0; page < kOptionsPageCount; ++page) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if (CTreeSheet::PageOf(*it) == dialog.Page(page)) {
                tree->setCurrentItem(*it);
                test.Check(dialog, QStringLiteral("options › ") + (*it)->text(0));
            }
        }
    }
}

// A dialog that needs nothing but itself.
template <typename Dialog> void CheckOnItsOwn(WindowFitTest& test)
{
    Dialog dialog(nullptr);
    test.Check(dialog, QString::fromLatin1(Dialog::staticMetaObject.className()));
}

const FitCase kCases[] = {
    {"Add",
     [](WindowFitTest& test) {
         CAddDownloadDialog dialog(nullptr);
         test.CheckTabs(dialog, QStringLiteral("add"));
     }},
    {"GroupAdd",
     [](WindowFitTest& test) {
         CAddDownloadDialog dialog(nullptr);
         dialog.m_pAddGeneralPage->m_bGroup = true;
         dialog.m_pAddGeneralPage->m_strUrl = QStringLiteral("http://example.com/file$$$.zip");
         test.CheckTabs(dialog, QStringLiteral("group add"));
     }},
    {"Properties",
     [](WindowFitTest& test) {
         CDownloadItem& item = test.PartlyDone();
         CFixedDownloadDialog dialog(&item, nullptr);
         test.CheckTabs(dialog, QStringLiteral("properties"));
     }},
    {"GroupProperties",
     [](WindowFitTest& test) {
         CGroupDownloadDialog dialog(nullptr);
         test.CheckTabs(dialog, QStringLiteral("group properties"));
     }},
    {"Options", CheckOptions},
    {"Checksum", CheckOnItsOwn<CChecksumDialog>},
    {"History",
     [](WindowFitTest& test) {
         CHistory history;
         history.SetCapacity(10);
         history.Add(QStringLiteral("http://example.com/a/rather/long/path/to/some/file.zip"), true);
         CHistoryDialog dialog(history, nullptr);
         test.Check(dialog, QStringLiteral("history"));
     }},
    {"Inspector",
     [](WindowFitTest& test) {
         CDownloadItem& item = test.PartlyDone();
         CDebugDialog dialog(item.m_nId, *test.Frame().View(), nullptr);
         test.Check(dialog, QStringLiteral("inspector"));
     }},
    {"About", CheckOnItsOwn<CAboutDialog>},
    {"TermsOfUse", CheckOnItsOwn<CTermsOfUseDialog>},
    {"ToolBarCustomisation",
     [](WindowFitTest& test) {
         const CToolBarCtrlEx& bar = *test.Frame().ToolBar();
         CToolBarCustomizeDialog dialog(bar.Buttons(), &bar.DefaultButtons(), ShowTextLabels, nullptr);
         test.Check(dialog, QStringLiteral("tool-bar customisation"));
     }},
    {"MainWindow",
     [](WindowFitTest& test) {
         CAppSettings& settings = AppCore().m_settings;
         SettingStore(settings.SchedulerOn, 1);
         SettingStore(settings.ScheduleAllItems, 0);
         test.PartlyDone().SetScheduled(true);
         test.Frame().OnUpdateStatusPanes();
         test.Check(test.Frame(), QStringLiteral("main window"));
     }},
    {"WaitPanel",
     [](WindowFitTest& test) {
         CTerminateDialog panel(&test.Frame());
         test.Check(panel, QStringLiteral("wait panel"));
     }},
};

TEST_P(WindowFitTest, EveryVisibleControlHasItsMinimumSizeInsideItsParent)
{
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowFitTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

struct FitVariant
{
    const char* name;
    double scale;
    double fontScale;
    bool chineseFont;
};

void PrintTo(const FitVariant& variant, std::ostream* out)
{
    *out << variant.name;
}

class WindowFitVariants : public testing::TestWithParam<FitVariant>
{
protected:
    // A screen of 1600 x 1000 at the variant's scale.
    QString WriteScreen() const
    {
        const double scale = GetParam().scale;
        return Write(QStringLiteral("screen.json"),
                     QStringLiteral(R"({"screens": [{"name": "fit", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                    R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                         .arg(qRound(1600 * scale))
                         .arg(qRound(1000 * scale)));
    }

    // The system's fonts less every face that covers Chinese.
    QString WriteFontsWithoutChinese() const
    {
        return Write(QStringLiteral("fonts.conf"), QStringLiteral(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>%1</cachedir>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <selectfont><rejectfont>
    <pattern><patelt name="lang"><string>zh-cn</string></patelt></pattern>
  </rejectfont></selectfont>
</fontconfig>
)")
                                                       .arg(m_dir.filePath(QStringLiteral("font-cache"))));
    }

    QString Write(const QString& name, const QString& text) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    }

    QTemporaryDir m_dir{TestEnvironment::root() + QStringLiteral("/fit-XXXXXX")};
};

TEST_P(WindowFitVariants, EveryWindowFitsAsItDoesAtTheUsualScaleAndFont)
{
    const FitVariant& variant = GetParam();
    QStringList environment = {QStringLiteral("QT_SCALE_FACTOR=%1").arg(variant.scale),
                               QStringLiteral("%1=%2").arg(kFontScaleVariable).arg(variant.fontScale)};
    if (!variant.chineseFont) {
        environment << QStringLiteral("FONTCONFIG_FILE=") + WriteFontsWithoutChinese()
                    << QStringLiteral("%1=1").arg(kNoChineseVariable);
    }
    const QString output = m_dir.filePath(QStringLiteral("output.txt"));
    ChildProcess child;
    ASSERT_TRUE(child.start(QStringLiteral("/proc/self/exe"),
                            {QStringLiteral("--gtest_filter=Windows/WindowFitTest.*"), QStringLiteral("-platform"),
                             QStringLiteral("offscreen:configfile=") + WriteScreen()},
                            output, {}, environment));
    int code = -1;
    ASSERT_TRUE(child.waitForExit(kChildMs, &code));
    QFile log(output);
    log.open(QIODevice::ReadOnly);
    EXPECT_EQ(code, 0) << log.readAll().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Variants, WindowFitVariants,
                         testing::Values(FitVariant{"TwiceTheScale", 2, 1, true},
                                         FitVariant{"LargerFont", 1, 1.5, true},
                                         FitVariant{"NoChineseFont", 1, 1, false},
                                         FitVariant{"NoChineseFontTwiceTheScale", 2, 1, false},
                                         FitVariant{"NoChineseFontLargerFont", 1, 1.5, false}),
                         [](const testing::TestParamInfo<FitVariant>& info) { return std::string(info.param.name); });

} // namespace
