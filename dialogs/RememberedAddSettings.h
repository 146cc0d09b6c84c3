#pragma once

#include "engine/DownloadState.h"

#include <QString>

// What the add dialog remembers for the rest of the process when asked to: the
// values new add dialogs start from, and those a dropped URL is added with at
// once. Never stored. The URL and the group fields are never remembered.
struct RememberedAddSettings
{
    bool m_bRemember = false;
    QString m_strLocation;
    QString m_strDescription;
    bool m_bGetInfo = false;
    bool m_bUseAuthorization = false;
    QString m_strUserName;
    QString m_strPassword;
    int32_t m_nAccessType = Preconfig;
    QString m_strReferer;
};

// User-interface thread only.
extern RememberedAddSettings g_rememberedAddSettings;
