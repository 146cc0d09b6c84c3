#pragma once

#include "StringIds.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

class QWidget;

// Message-box flags and results keep their Windows values, so that the rules
// written against them ("MB_YESNO | MB_ICONQUESTION; anything but IDYES: stop")
// read the same here.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_TYPEMASK = 0xF;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_ICONHAND = MB_ICONERROR;
inline constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr unsigned MB_DEFBUTTON1 = 0x000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_DEFMASK = 0xF00;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDRETRY = 4;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDCLOSE = 8;

// Task-dialog common buttons.
inline constexpr unsigned TDCBF_OK_BUTTON = 0x01;
inline constexpr unsigned TDCBF_YES_BUTTON = 0x02;
inline constexpr unsigned TDCBF_NO_BUTTON = 0x04;
inline constexpr unsigned TDCBF_CANCEL_BUTTON = 0x08;
inline constexpr unsigned TDCBF_CLOSE_BUTTON = 0x20;

// File-dialog flags that change what the dialog allows.
inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr unsigned OFN_CREATEPROMPT = 0x00002000;

enum class PromptIcon
{
    None,
    Information,
    Question,
    Warning,
    Error,
    Resource, // TaskDialogSpec::iconResource
};

struct TaskDialogSpec
{
    QWidget* owner = nullptr;
    QString title;
    PromptIcon icon = PromptIcon::None;
    int iconResource = 0;
    QString mainInstruction;
    QString content;
    unsigned commonButtons = TDCBF_OK_BUTTON;
    QList<std::pair<int, QString>> customButtons; // id, text
    int defaultButton = 0;                        // a common button's ID* or a custom id
    QString verificationText;                     // empty: no check box
    bool verificationChecked = false;
    bool allowCancellation = false;               // Esc gives IDCANCEL
};

struct TaskDialogResult
{
    int button = IDCANCEL;
    bool verificationChecked = false;
};

struct FileDialogSpec
{
    QWidget* owner = nullptr;
    bool save = false;
    unsigned flags = 0;       // OFN_*
    QString filter;           // "Text (*.txt)|*.txt|List (*.vrl)|*.vrl||"
    // Without the dot; empty: a typed name is taken as it is. Otherwise a name
    // typed without extension gets the chosen type's, or this one when the type
    // names none.
    QString defaultExtension;
    QString folder; // where the dialog opens; empty: wherever the toolkit likes
};

struct FileDialogResult
{
    bool accepted = false;
    QString path;
    int filterIndex = 0; // from 1
};

// Message boxes, task dialogs, file dialogs and the folder browser. Every one runs a modal loop,
// counted by CModalLoops. Tests replace the production layer with a scripted
// double through SetPrompts().
class IPrompts
{
public:
    virtual ~IPrompts() = default;

    virtual int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) = 0;
    virtual TaskDialogResult TaskDialog(const TaskDialogSpec& spec) = 0;
    virtual FileDialogResult FileDialog(const FileDialogSpec& spec) = 0;
    // A folder chosen by the user, starting at initial; none when cancelled.
    virtual std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial) = 0;
};

// The layer in use: the production one unless a test has set another.
IPrompts& Prompts();
void SetPrompts(IPrompts* prompts); // null restores the production layer

// The application's title (the product's name): every box's caption.
QString AppTitle();

// A box with the application's title as caption.
int AppMessageBox(QWidget* owner, const QString& text, unsigned flags);
int AppMessageBox(QWidget* owner, TextId stringId, unsigned flags);

// Where a file dialog or the folder browser opens: preferred when it is a
// folder, else the download folder, else the home folder; never the working
// directory, which is wherever the program happened to be started.
QString DialogStartFolder(const QString& preferred);

// The folder browser of the layer in use, opened in DialogStartFolder(initial).
std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial);
