// Whole data files, as they might lie beside the program: unscrambling, splitting and the table limits.
#include "FuzzSupport.h"

#include "core/FileOps.h"
#include "core/Utils.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = Fuzz::bytes(data, size);

    // The substitution is its own inverse on any text, not only on Latin-1.
    const QString latin = QString::fromLatin1(file);
    Fuzz::require(FileOps::UnscrambleLine(FileOps::UnscrambleLine(latin)) == latin, "scrambling twice, Latin-1");
    const QString wide(reinterpret_cast<const QChar*>(file.constData()), file.size() / 2);
    Fuzz::require(FileOps::UnscrambleLine(FileOps::UnscrambleLine(wide)) == wide, "scrambling twice, UTF-16");

    Utils::ParseDomainTable(file);
    Fuzz::require(Utils::TldCount >= 0 && Utils::TldCount <= Utils::DomainTableSize, "record count out of the table");
    // Lines end at CR; every record comes from one line, so none holds a CR and none is longer than the file.
    for (int i = 0; i < Utils::TldCount; ++i) {
        const Utils::TldRecord& r = Utils::DomainTable[size_t(i)];
        Fuzz::require(!r.Tld.contains(QLatin1Char('\r')) && !r.WhoisServer.contains(QLatin1Char('\r')),
                      "a record spans two lines");
        Fuzz::require(r.Tld.size() + r.Description.size() + r.RegistrationSite.size() <= file.size(),
                      "a record longer than its file");
        Fuzz::require(r.Selected == 0, "selected straight after loading");
        // Every label finds a record of that label, or record 0 when it is the first record's. (A label with a
        // dot in it is looked up by its last part.)
        const qint16 found = Utils::FindTld(QStringLiteral("name.") + r.Tld);
        Fuzz::require(found >= 0 && found < Utils::DomainTableSize, "FindTld out of the table");
        if (!r.Tld.contains(QLatin1Char('.')))
            Fuzz::require(found == 0 || Utils::DomainTable[size_t(found)].Tld == r.Tld, "FindTld found another label");
    }
    for (int i = Utils::TldCount; i < Utils::DomainTableSize; ++i)
        Fuzz::require(Utils::DomainTable[size_t(i)].Tld.isEmpty(), "a slot behind the records is filled");
    const qint16 any = Utils::FindTld(latin.left(300));
    Fuzz::require(any >= 0 && any < Utils::DomainTableSize, "FindTld out of the table");
    return 0;
}
