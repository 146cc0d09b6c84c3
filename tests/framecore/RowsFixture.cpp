#include "RowsFixture.h"

#include "app/VandrelCore.h"
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>

RowsFixture::RowsFixture()
{
    UseFreshConfigHome();
    QDir(DataFolder()).removeRecursively();
    AppCore().m_settings.Load();
}

QString RowsFixture::DataFolder()
{
    return TestEnvironment::dataHome() + QStringLiteral("/Vandrel");
}
