#include "engine/Setting.h"

#include "app/VandrelCore.h"

const CAppSettings& Settings()
{
    return AppCore().m_settings;
}

int32_t Setting(int32_t CAppSettingsBase::*field)
{
    return SettingLoad(Settings().*field);
}
