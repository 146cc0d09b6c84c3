#include "dialogs/RememberedAddSettings.h"

RememberedAddSettings g_rememberedAddSettings;
