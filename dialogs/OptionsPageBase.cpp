#include "dialogs/OptionsPageBase.h"

#include "dialogs/DialogControls.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/TextLimitValidator.h"
#include "dialogs/UpDownCtrl.h"
#include "dialogs/WrapLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include <algorithm>

namespace {

// Every page fills the dialog's page area: 341 x 235 dialog units.
constexpr QSize kPageUnits(341, 235);

} // namespace

COptionsPageBase::COptionsPageBase(int templateId, COptionsDialog* dialog, bool hasDefaults)
    : CDialogPage(templateId, kPageUnits), m_bHasDefaults(hasDefaults), m_pOptionsDialog(dialog)
{
}

CAppSettings& COptionsPageBase::Settings() const
{
    return m_pOptionsDialog->m_settings;
}

void COptionsPageBase::CopyDefaults(std::initializer_list<SettingField> fields) const
{
    CAppSettings& settings = Settings();
    for (const SettingField& field : fields)
        std::visit([&](auto member) { settings.*member = g_defaultSettings.*member; }, field);
}

QCheckBox* COptionsPageBase::MakeCheck(int id, const QString& text)
{
    auto* check = new QCheckBox(text, this);
    check->setObjectName(ctrlName(id));
    return check;
}

QCheckBox* COptionsPageBase::AddCheck(QLayout* layout, int id, const QString& text)
{
    QCheckBox* check = MakeCheck(id, text);
    layout->addWidget(check);
    return check;
}

QLineEdit* COptionsPageBase::MakeNumberEdit(int id, int digits, Qt::Alignment alignment)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(ctrlName(id));
    edit->setAlignment(alignment);
    CTextLimitValidator::Install(edit, digits, CTextLimitValidator::Chars::Digits);
    return edit;
}

COptionsPageBase::SpinEdit COptionsPageBase::MakeSpinEdit(int editId, int spinId, int digits, int minimum,
                                                          int maximum, Qt::Alignment alignment)
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QLineEdit* edit = MakeNumberEdit(editId, digits, alignment);
    layout->addWidget(edit);
    auto* spin = new CUpDownCtrl(edit, box);
    spin->setObjectName(ctrlName(spinId));
    spin->SetRange(minimum, maximum);
    layout->addWidget(spin);
    return {box, edit, spin};
}

QComboBox* COptionsPageBase::MakeDropList(int id, const QStringList& entries)
{
    auto* list = new QComboBox(this);
    list->setObjectName(ctrlName(id));
    list->addItems(entries);
    list->setCurrentIndex(-1); // Qt selects the first entry by itself
    return list;
}

QLabel* COptionsPageBase::MakeNote(const QString& text)
{
    constexpr int kNoteId = 1114;
    auto* note = new CWrapLabel(text, this);
    note->setObjectName(ctrlName(kNoteId));
    note->setFont(m_pOptionsDialog->m_fontNote);
    return note;
}

void COptionsPageBase::SelectPrefix(QComboBox* list, const QString& text)
{
    const int index = list->findText(text, Qt::MatchStartsWith);
    if (index >= 0)
        list->setCurrentIndex(index);
}

QLabel* COptionsPageBase::MakeLabel(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

void COptionsPageBase::LoadCheck(QCheckBox* check, int32_t value)
{
    check->setChecked(value != 0);
}

int32_t COptionsPageBase::CheckValue(const QCheckBox* check)
{
    return check->isChecked() ? 1 : 0;
}

void COptionsPageBase::SetNumber(QLineEdit* edit, int64_t value)
{
    edit->setText(QString::number(value));
}

uint32_t COptionsPageBase::PlainNumber(const QWidget* control)
{
    return uint32_t(ReadDlgItemInt(control, false).value_or(0));
}

bool COptionsPageBase::BoundedNumber(QLineEdit* edit, int minimum, int maximum, int32_t* value)
{
    return GetDlgItemIntChecked(edit, minimum, maximum, value, false);
}

int NumberListIndex(int64_t value, int first, int step, int count)
{
    if (value < first)
        return -1;
    return int(std::min<int64_t>((value - first) / step, count - 1));
}
