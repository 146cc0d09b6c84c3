#include "engine/Url.h"

QString CUrl::GetFileName() const
{
    const QStringView name = QStringView(m_strObject).sliced(m_strObject.lastIndexOf(u'/') + 1);
    const qsizetype query = name.indexOf(u'?');
    return (query >= 0 ? name.first(query) : name).toString();
}
