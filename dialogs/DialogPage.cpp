#include "dialogs/DialogPage.h"

#include "app/gui/Prompts.h"
#include "app/gui/UIFont.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

CDialogPage::CDialogPage(int templateId, const QSize& templateUnits)
    : m_nTemplateId(templateId), m_templateUnits(templateUnits)
{
    setObjectName(QStringLiteral("page") + QString::number(templateId));
}

QSize CDialogPage::minimumSizeHint() const
{
    return QWidget::minimumSizeHint().expandedTo(DialogUnitsToPixels(m_templateUnits, font()));
}

QSize CDialogPage::sizeHint() const
{
    return QWidget::sizeHint().expandedTo(minimumSizeHint());
}

bool CDialogPage::CreatePage(QWidget* parent)
{
    setParent(parent);
    // Hidden and disabled until its host shows it.
    hide();
    setEnabled(false);
    CreateControls();
    m_bCreated = true;
    OnInitDialog();
    return true;
}

bool CDialogPage::FocusControl(QWidget* control)
{
    PostFocus(control);
    m_hWndFocusControl = control;
    return false;
}

bool CDialogPage::GetDlgItemIntChecked(QWidget* control, int minimum, int maximum, int* value, bool isSigned)
{
    const std::optional<int64_t> read = ReadDlgItemInt(control, isSigned);
    if (read) {
        const bool inRange = isSigned ? minimum <= *read && *read <= maximum
                                      : uint32_t(minimum) <= uint64_t(*read) && uint64_t(*read) <= uint32_t(maximum);
        if (inRange) {
            *value = int(*read);
            return true;
        }
    }
    const QString text =
        isSigned ? FormatString(LoadResString(TextId::RangeSigned), minimum, maximum)
                 : FormatString(LoadResString(TextId::RangeUnsigned), uint32_t(minimum), uint32_t(maximum));
    AppMessageBox(window(), text, MB_OK | MB_ICONERROR);
    return FocusControl(control);
}
