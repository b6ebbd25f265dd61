#include "core/AppInfo.h"

namespace AppInfo {

QString mainCaption()
{
    return Title + QLatin1Char(' ') + QString::number(Major) + QLatin1Char('.') + QString::number(Minor) +
           QStringLiteral(" from ") + Maker;
}

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

} // namespace AppInfo
