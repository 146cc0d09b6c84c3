#pragma once

#include "dialogs/DownloadPageBase.h"
#include "engine/DownloadState.h"

#include <array>

class QRadioButton;

// How the download connects: the system's setting, directly, or through the proxy.
class CDownloadConnectionPage : public CDownloadPageBase
{
    Q_OBJECT

public:
    explicit CDownloadConnectionPage(CDownloadDialog* owner) : CDownloadPageBase(425, owner) {}

    // The checked button's type; none checked keeps the value.
    bool SaveData() override;

    int32_t m_nAccessType = Preconfig;
    bool m_bChanged = false;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    // The access types' buttons, in the order the types are offered.
    std::array<QRadioButton*, 3> m_pButtons{};
};
