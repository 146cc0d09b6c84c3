#pragma once

#include "app/AppSettings.h"

#include <cstdint>

// The app's settings as the engine's threads read them.
const CAppSettings& Settings();
// One integer setting, read without a lock (see SettingLoad()).
int32_t Setting(int32_t CAppSettingsBase::*field);
