#include "dialogs/SpeedLimiterPage.h"

#include "app/AppSettings.h"
#include "dialogs/DialogControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <array>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 344;
constexpr int kUnlimitedId = 1104;
constexpr int kMinDelayMs = 1;
constexpr int kMaxDelayMs = 1500;

// A limited mode's track bar, the label showing its position, and its delay.
struct Mode
{
    int sliderId;
    int labelId;
    const char16_t* text;
    int32_t B::*delay;
};

const std::array<Mode, 3> kModes{{
    {1105, 1108, u"高(&H)：", &B::HighSpeedDelay},
    {1106, 1109, u"中等(&M)：", &B::MediumSpeedDelay},
    {1107, 1110, u"低(&L)：", &B::LowSpeedDelay},
}};

QSlider* MakeSlider(QWidget* parent, int id)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(ctrlName(id));
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

} // namespace

CSpeedLimiterPage::CSpeedLimiterPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CSpeedLimiterPage::CreateControls()
{
    static_assert(std::tuple_size_v<decltype(kModes)> == std::tuple_size_v<decltype(m_pSliders)>);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("带宽使用模式(&B)"), this);
    auto* grid = new QGridLayout(group);
    QSlider* unlimited = MakeSlider(this, kUnlimitedId);
    unlimited->setEnabled(false);
    grid->addWidget(MakeLabel(QStringLiteral("无限制(&U)："), unlimited), 0, 0);
    grid->addWidget(unlimited, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("0"), this), 0, 2);
    for (size_t row = 0; row < kModes.size(); ++row) {
        const Mode& mode = kModes[row];
        QSlider* slider = m_pSliders[row] = MakeSlider(this, mode.sliderId);
        auto* label = m_pLabels[row] = new QLabel(this);
        label->setObjectName(ctrlName(mode.labelId));
        connect(slider, &QSlider::valueChanged, this, &CSpeedLimiterPage::UpdateLabels);
        grid->addWidget(MakeLabel(QString::fromUtf16(mode.text), slider), int(row) + 1, 0);
        grid->addWidget(slider, int(row) + 1, 1);
        grid->addWidget(label, int(row) + 1, 2);
    }
    layout->addWidget(group);
    layout->addWidget(MakeNote(QStringLiteral("注意：数值是传输一条数据后带宽空闲的持续时间（以毫秒为单位）。 "
                                              "因此，更少的值意味着使用更多的带宽和更快的速度。")));
    layout->addStretch();
}

bool CSpeedLimiterPage::OnInitDialog()
{
    for (QSlider* slider : m_pSliders)
        slider->setRange(kMinDelayMs, kMaxDelayMs);
    LoadData();
    return true;
}

void CSpeedLimiterPage::LoadData()
{
    for (size_t i = 0; i < kModes.size(); ++i)
        m_pSliders[i]->setValue(Settings().*kModes[i].delay);
    UpdateLabels();
}

void CSpeedLimiterPage::UpdateLabels()
{
    for (size_t i = 0; i < kModes.size(); ++i)
        m_pLabels[i]->setText(QString::number(m_pSliders[i]->value()));
}

bool CSpeedLimiterPage::SaveData()
{
    for (size_t i = 0; i < kModes.size(); ++i)
        Settings().*kModes[i].delay = m_pSliders[i]->value();
    return true;
}

void CSpeedLimiterPage::SetDefaults()
{
    CopyDefaults({&B::HighSpeedDelay, &B::MediumSpeedDelay, &B::LowSpeedDelay});
    LoadData();
}
