#pragma once

#include "app/AppSettingsBase.h"

// Takes the options dialog's result into the live settings: each field whose
// value in `edited` differs from `before` (the copy as the dialog got it) is
// stored into `live`; every other field keeps its live value, so that what the
// program changed while the dialog was open (the scheduler switching itself
// off, the URL monitor toggled from the tray) stays. DataUsage, DataUsageReset
// and AllDoneAction are never taken: no page edits them.
void StoreChangedSettings(CAppSettingsBase& live, const CAppSettingsBase& before, const CAppSettingsBase& edited);
