#pragma once

#include "app/AppSettingsBase.h"
#include "dialogs/DialogPage.h"

#include <QStringList>

#include <initializer_list>

class CAppSettings;
class COptionsDialog;
class CUpDownCtrl;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;


// The units the pages show: sizes in kilobytes or megabytes, typed as at most
// four digits and held within 1 to 1024 megabytes where a range applies.
inline constexpr int32_t kKilobyte = 1 << 10;
inline constexpr int32_t kMegabyte = 1 << 20;
inline constexpr int kMegabyteDigits = 4;
inline constexpr int kMaxMegabytes = 1024;

// One page of the options dialog. It shows and edits the dialog's copy of the
// settings: sizes stay bytes and times milliseconds there, and only the
// controls show megabytes, kilobytes or seconds.
class COptionsPageBase : public CDialogPage
{
    Q_OBJECT

public:
    COptionsPageBase(int templateId, COptionsDialog* dialog, bool hasDefaults);

    // Puts the page's own settings in the copy back to the factory defaults and
    // shows them; a later Cancel still drops them. Empty where hasDefaults is false.
    virtual void SetDefaults() = 0;

    bool m_bHasDefaults;
    COptionsDialog* const m_pOptionsDialog; // never null

protected:
    CAppSettings& Settings() const;
    // The factory default of each field into the copy.
    void CopyDefaults(std::initializer_list<SettingField> fields) const;

    // Controls, named by their ids.
    QCheckBox* MakeCheck(int id, const QString& text);
    // MakeCheck, added to the end of `layout`.
    QCheckBox* AddCheck(QLayout* layout, int id, const QString& text);
    // A digits-only edit whose typing stops at `digits` characters.
    QLineEdit* MakeNumberEdit(int id, int digits, Qt::Alignment alignment = Qt::AlignRight);
    // An edit with an up-down on its right that steps within minimum..maximum,
    // in a box of their own.
    struct SpinEdit
    {
        QWidget* box;
        QLineEdit* edit;
        CUpDownCtrl* upDown;
    };
    SpinEdit MakeSpinEdit(int editId, int spinId, int digits, int minimum, int maximum,
                          Qt::Alignment alignment = Qt::AlignRight);
    QComboBox* MakeDropList(int id, const QStringList& entries);
    // A note text in the dialog's note font.
    QLabel* MakeNote(const QString& text);
    // Selects the first entry that begins with text, in any case; no match
    // keeps the selection.
    static void SelectPrefix(QComboBox* list, const QString& text);
    // A label whose mnemonic moves the focus to `buddy`.
    static QLabel* MakeLabel(const QString& text, QWidget* buddy);

    // Check boxes: checked for any non-zero value; 1 when checked, else 0.
    static void LoadCheck(QCheckBox* check, int32_t value);
    static int32_t CheckValue(const QCheckBox* check);
    // A number edit's text: a signed number shown; a plain number (of an edit or
    // a list) read as an unsigned one, 0 for text that is none.
    static void SetNumber(QLineEdit* edit, int64_t value);
    static uint32_t PlainNumber(const QWidget* control);
    // A number within minimum..maximum, else message 212 and the focus on it.
    bool BoundedNumber(QLineEdit* edit, int minimum, int maximum, int32_t* value);
};

// The entry that shows value in a list of `count` numbers first, first + step,
// and so on: the one at or below it, the last for a larger value, none (-1)
// for a value below first.
int NumberListIndex(int64_t value, int first, int step, int count);
