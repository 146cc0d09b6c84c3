#include "app/gui/ModalLoops.h"
#include "app/gui/QtPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the box once its loop runs.
void WhenOpen(const std::function<void(QMessageBox*)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        act(box);
    });
}

struct BoxCase
{
    unsigned flags;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
    std::function<void(QMessageBox*)> act;
    int result;
};

void Press(QMessageBox* box, QMessageBox::StandardButton button)
{
    box->button(button)->click();
}

} // namespace

TEST(QtPrompts, MessageBoxesKeepTheWindowsButtonsDefaultsIconsAndResults)
{
    const auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const auto rejectAll = [](QMessageBox*) { CModalLoops::RejectAll(); };
    const BoxCase cases[] = {
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::Question,
         [](QMessageBox* box) { Press(box, QMessageBox::Yes); }, IDYES},
        {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
         QMessageBox::Warning, escape, IDNO},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::Question,
         rejectAll, IDNO},
        {MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Cancel, QMessageBox::Question, rejectAll, IDCANCEL},
        {MB_OKCANCEL | MB_ICONERROR, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Critical,
         [](QMessageBox* box) { Press(box, QMessageBox::Ok); }, IDOK},
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Information, rejectAll, IDOK},
    };
    CQtPrompts prompts;
    for (const BoxCase& test : cases) {
        SCOPED_TRACE(test.flags);
        bool loopCounted = false;
        WhenOpen([&](QMessageBox* box) {
            loopCounted = CModalLoops::IsOpen();
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Vandrel"));
            EXPECT_EQ(box->text(), QStringLiteral("text"));
            EXPECT_EQ(box->standardButtons(), test.buttons);
            EXPECT_EQ(box->standardButton(box->defaultButton()), test.defaultButton);
            EXPECT_EQ(box->icon(), test.icon);
            test.act(box);
        });
        EXPECT_EQ(prompts.MessageBox(nullptr, QStringLiteral("text"), QStringLiteral("Vandrel"), test.flags), test.result);
        EXPECT_TRUE(loopCounted);
        EXPECT_FALSE(CModalLoops::IsOpen());
    }
}

TEST(QtPrompts, TaskDialogsReturnTheCustomButtonAndTheCheckBox)
{
    TaskDialogSpec spec;
    spec.title = QStringLiteral("Vandrel");
    spec.mainInstruction = QStringLiteral("instruction");
    spec.content = QStringLiteral("content");
    spec.commonButtons = TDCBF_CLOSE_BUTTON;
    spec.customButtons = {{1, QStringLiteral("reset")}};
    spec.defaultButton = IDCLOSE;
    spec.allowCancellation = true;
    spec.verificationText = QStringLiteral("ask no more");
    CQtPrompts prompts;

    WhenOpen([](QMessageBox* box) {
        EXPECT_EQ(box->informativeText(), QStringLiteral("content"));
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Close));
        EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Close));
        box->checkBox()->setChecked(true);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("reset"))
                button->click();
        }
    });
    const TaskDialogResult reset = prompts.TaskDialog(spec);
    EXPECT_EQ(reset.button, 1);
    EXPECT_TRUE(reset.verificationChecked);

    WhenOpen([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(prompts.TaskDialog(spec).button, IDCLOSE);
}

// "自 2024年3月5日星期五 使用以来共计 1.50 KB": a wrapped line may end at a
// space or at the text's own line break, never inside "星期五".
TEST(QtPrompts, ATaskDialogsContentBreaksOnlyBetweenWords)
{
    TaskDialogSpec spec;
    spec.content = QStringLiteral("自 2024年3月5日星期五 使用以来共计 1.50 KB\n重置-以后");
    CQtPrompts prompts;
    WhenOpen([](QMessageBox* box) {
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_TRUE(label);
        const QString text = label->text();
        QString shown = text;
        shown.remove(QChar(0x2060));
        EXPECT_EQ(shown, QStringLiteral("自 2024年3月5日星期五 使用以来共计 1.50 KB\n重置-以后"));
        QStringList lines;
        for (int width = 1; width <= 400; ++width) {
            QTextLayout layout(text, label->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                const int start = line.textStart();
                EXPECT_TRUE(start == 0 || text[start - 1].isSpace() || text[start - 1] == QChar::LineSeparator)
                    << "at " << width << " px a line starts with: " << text.mid(start).toStdString();
            }
            layout.endLayout();
        }
        box->reject();
    });
    prompts.TaskDialog(spec);
}

TEST(QtPrompts, AFileDialogOpensInTheFolderAskedFor)
{
    const bool nativeDialogs = !QApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const bool save : {false, true}) {
        FileDialogSpec spec;
        spec.save = save;
        spec.filter = QStringLiteral("List (*.vrl)|*.vrl||");
        spec.folder = folder.path();
        QString opened;
        QTimer::singleShot(0, [&opened] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            opened = dialog->directory().absolutePath();
            dialog->reject();
        });
        EXPECT_FALSE(CQtPrompts().FileDialog(spec).accepted);
        EXPECT_EQ(opened, QDir(folder.path()).absolutePath()) << save;
    }
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, !nativeDialogs);
}
