#include "core/Utils.h"

namespace Utils {

QStringList DefaultDomains;

void InitDefaultDomains()
{
    DefaultDomains = {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org"), QStringLiteral("us"),
                      QStringLiteral("to"),  QStringLiteral("tv"),  QStringLiteral("tm"),  QStringLiteral("nu")};
}

} // namespace Utils
