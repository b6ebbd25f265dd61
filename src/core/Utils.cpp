#include "core/Utils.h"

namespace Utils {

QStringList DefaultDomains;
std::array<QString, CheckListSize> CheckList;
qint16 CheckCount = 0;
bool BareNames = false;

void InitDefaultDomains()
{
    DefaultDomains = {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org"), QStringLiteral("us"),
                      QStringLiteral("to"),  QStringLiteral("tv"),  QStringLiteral("tm"),  QStringLiteral("nu")};
}

} // namespace Utils
