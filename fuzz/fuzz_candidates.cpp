// Typed text into the name list of a Check, and each accepted name into its query.
#include "FuzzSupport.h"

#include "core/Candidates.h"
#include "core/Utils.h"
#include "dns/DNS.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::Reader in(data, size);
    const bool combinations = in.byte() & 1;
    const QString typed = QString::fromUtf8(in.rest());

    const Candidates::Result result = Candidates::build(typed, combinations, Utils::CheckListSize);
    bool allAllowed = true;
    for (const QChar c : typed)
        allAllowed = allAllowed && Candidates::isAllowed(c);
    Fuzz::require((result.verdict == Candidates::Verdict::IllegalCharacter) == !allAllowed,
                  "illegal characters judged wrongly");
    if (result.verdict == Candidates::Verdict::TooMany)
        Fuzz::require(result.entriesNeeded > Utils::CheckListSize, "refused though it fits");
    if (result.verdict != Candidates::Verdict::Accepted) {
        Fuzz::require(result.names.isEmpty(), "names from a refused input");
        return 0;
    }
    Fuzz::require(!result.names.isEmpty() && result.names.size() <= Utils::CheckListSize, "name count");
    for (const QString& name : result.names) {
        Fuzz::require(!name.isEmpty(), "an empty name");
        for (const QChar c : name)
            Fuzz::require(c != QLatin1Char(' ') && c != QLatin1Char(';') && c != QLatin1Char(','),
                          "a separator inside a name");
        Fuzz::require(!result.bareNames || !name.contains(QLatin1Char('.')), "a bare name with a dot");
        if (DNS::OverlongLabel(name))
            continue;
        const QString domain = result.bareNames ? name + QStringLiteral(".com") : name;
        const QByteArray query = DNS::BuildQuery(domain, 2047);
        Fuzz::require(query.size() == 16 + domain.size() + 2, "query length");
        const auto info = DNS::ParseReply(query);
        Fuzz::require(info && info->id == 2047, "query identifier");
    }
    return 0;
}
