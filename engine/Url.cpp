#include "engine/Url.h"

QString CUrl::GetFileName() const
{
    const QStringView name = QStringView(m_strObject).sliced(m_strObject.lastIndexOf(u'/') + 1);
    const qsizetype query = name.indexOf(u'?');
    return (query >= 0 ? name.first(query) : name).toString();
}

bool CUrl::IsSameOrigin(const CUrl& other) const
{
    return m_nServiceType == other.m_nServiceType && m_nPort == other.m_nPort
        && m_strServer.compare(other.m_strServer, Qt::CaseInsensitive) == 0;
}
