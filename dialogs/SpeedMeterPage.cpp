#include "dialogs/SpeedMeterPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"
#include "dialogs/UpDownCtrl.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <initializer_list>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 447;
constexpr int kAutomaticId = 1184;
constexpr int kFixedId = 1185;
constexpr int kMaxId = 1042;
constexpr int kMaxSpinId = 1186;
constexpr int kUnitId = 1188;

QRadioButton* MakeRadio(QWidget* parent, int id, const QString& text)
{
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(ctrlName(id));
    return radio;
}

} // namespace

CSpeedMeterPage::CSpeedMeterPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CSpeedMeterPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("最大网络速度"), this);
    auto* grid = new QGridLayout(group);
    QRadioButton* automatic = m_pAutomatic = MakeRadio(this, kAutomaticId, QStringLiteral("自动"));
    QRadioButton* fixed = m_pFixed = MakeRadio(this, kFixedId, QStringLiteral("固定值："));
    auto* choice = new QButtonGroup(this);
    choice->addButton(automatic);
    choice->addButton(fixed);
    connect(automatic, &QRadioButton::clicked, this, [this] { EnableFixedMax(false); });
    connect(fixed, &QRadioButton::clicked, this, [this] { EnableFixedMax(true); });
    auto* maxRow = new QHBoxLayout;
    const SpinEdit max = MakeSpinEdit(kMaxId, kMaxSpinId, kMegabyteDigits, 1, kMaxMegabytes, Qt::AlignLeft);
    m_pMax = max.edit;
    m_pMaxUpDown = max.upDown;
    maxRow->addWidget(max.box);
    m_pUnit = new QLabel(QStringLiteral("MB"), this);
    m_pUnit->setObjectName(ctrlName(kUnitId));
    maxRow->addWidget(m_pUnit);
    maxRow->addStretch();
    grid->addWidget(automatic, 0, 0);
    grid->addWidget(fixed, 1, 0);
    grid->addLayout(maxRow, 1, 1);
    layout->addWidget(group);
    layout->addWidget(MakeNote(QStringLiteral("此值仅用于演示网络速度图表，对下载速度没有影响。")));
    layout->addStretch();
}

bool CSpeedMeterPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CSpeedMeterPage::LoadData()
{
    const CAppSettings& s = Settings();
    SetNumber(m_pMax, uint32_t(s.SpeedMeterMax) / kMegabyte);
    const bool fixed = s.SpeedMeterFixedMax != 0;
    (fixed ? m_pFixed : m_pAutomatic)->setChecked(true);
    EnableFixedMax(fixed);
}

void CSpeedMeterPage::EnableFixedMax(bool enable)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_pMax, m_pMaxUpDown, m_pUnit})
        control->setEnabled(enable);
}

bool CSpeedMeterPage::SaveData()
{
    CAppSettings& s = Settings();
    if (m_pAutomatic->isChecked()) {
        s.SpeedMeterFixedMax = 0;
        return true;
    }
    int32_t maxMb = 0;
    if (!BoundedNumber(m_pMax, 1, kMaxMegabytes, &maxMb))
        return false;
    s.SpeedMeterFixedMax = 1;
    s.SpeedMeterMax = maxMb * kMegabyte;
    return true;
}

void CSpeedMeterPage::SetDefaults()
{
    CopyDefaults({&B::SpeedMeterFixedMax, &B::SpeedMeterMax});
    LoadData();
}
