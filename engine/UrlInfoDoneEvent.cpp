#include "engine/UrlInfoDoneEvent.h"

#include "engine/UrlInfo.h"

UrlInfoDoneEvent::UrlInfoDoneEvent(const CUrlInfo& info)
    : QEvent(WM_URLINFO_DONE),
      m_strUrl(info.m_strUrl),
      m_bSucceeded(info.m_bSucceeded),
      m_bGotSize(info.m_bGotSize),
      m_nSize(info.m_nSize)
{
}
