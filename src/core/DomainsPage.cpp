#include "core/DomainsPage.h"

#include "core/Units.h"

#include <algorithm>

namespace DomainsPage {

int barMaximum(int tldCount)
{
    return std::max(0, tldCount - BoxCount);
}

std::optional<int> recordAt(int top, int box, int tldCount)
{
    if (top < 0 || box < 0 || box >= BoxCount)
        return std::nullopt;
    const int record = top + box;
    if (record >= tldCount || record >= Utils::DomainTableSize)
        return std::nullopt;
    return record;
}

QString caption(const Utils::TldRecord& record)
{
    return record.Tld + QStringLiteral(" - ") + record.Description;
}

int clientHeight(int outerTwips, double dotsPerInch, int frameHeight, int contentHeight)
{
    return std::max(Units::toPixels(outerTwips, dotsPerInch) - frameHeight, contentHeight);
}

std::optional<int> recordStartingWith(const QString& prefix, int tldCount)
{
    for (int i = 0; i < tldCount && i < Utils::DomainTableSize; ++i) {
        if (Utils::DomainTable[i].Tld.startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return std::nullopt;
}

} // namespace DomainsPage
