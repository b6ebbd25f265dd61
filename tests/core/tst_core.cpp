#include "core/Candidates.h"
#include "core/FileOps.h"
#include "core/Units.h"
#include "core/Utils.h"
#include "support/ProgramState.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The program-wide values of the core: the data file and its table, the name list of a Check, the settings.
class TestCore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void scramble()
    {
        QCOMPARE(FileOps::UnscrambleLine("Abc-12;x.y"), QStringLiteral("Zyx(12?c{b"));
        QCOMPARE(FileOps::UnscrambleLine("AMNZamnz;?.{/}(-)@ |:,_"), QStringLiteral("ZNMAznma?;{.}/-(@)| :,_"));
        QString all;
        for (int c = 0; c < 256; ++c)
            all.append(QChar(c));
        QCOMPARE(FileOps::UnscrambleLine(FileOps::UnscrambleLine(all)), all);
    }

    void dataFile_data()
    {
        QTest::addColumn<QByteArray>("plain"); // "|" stands for CR LF, before scrambling
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("last"); // the last record's fields joined by "/"
        QTest::newRow("three fields") << QByteArray("com;Commercial;") << 1 << "com/Commercial///";
        QTest::newRow("four") << QByteArray("uk;United Kingdom;http://r;co:org") << 1 << "uk/United Kingdom/http://r/co:org/";
        QTest::newRow("six") << QByteArray("de;Germany;s;;whois.de;extra") << 1 << "de/Germany/s//whois.de";
        QTest::newRow("short lines skipped") << QByteArray("|com;C;||x;y|nu;N;;;w.nu") << 2 << "nu/N///w.nu";
        QTest::newRow("lone CR ends a line") << QByteArray("a;A;\rb;B;") << 2 << "b/B///";
        QTest::newRow("lone LF does not") << QByteArray("a;A;\nb;B;") << 1 << "a/A/\nb/B/";
        QTest::newRow("Latin-1 byte") << QByteArray("re;R\xe9union;") << 1 << QString::fromLatin1("re/R\xe9union///");
    }
    void dataFile()
    {
        QFETCH(QByteArray, plain);
        QFETCH(int, count);
        QFETCH(QString, last);
        QByteArray bytes;
        for (const QByteArray& line : plain.split('|'))
            bytes += FileOps::UnscrambleLine(QString::fromLatin1(line)).toLatin1() + "\r\n";
        bytes.chop(2); // the last line needs no end
        Utils::ParseDomainTable(bytes);
        QCOMPARE(int(Utils::TldCount), count);
        const Utils::TldRecord& r = Utils::DomainTable[count - 1];
        QCOMPARE(QStringList({r.Tld, r.Description, r.RegistrationSite, r.SubLabels, r.WhoisServer}).join('/'), last);
        QCOMPARE(r.Selected, quint8(0));
    }

    void dataFileLimits()
    {
        QStringList lines;
        for (int i = 0; i < 305; ++i)
            lines.append(QStringLiteral("t%1;T;").arg(i));
        loadTable(lines);
        QCOMPARE(int(Utils::TldCount), Utils::DomainTableSize);
        QCOMPARE(Utils::DomainTable[300].Tld, QStringLiteral("t300"));

        // Missing and empty files end the program with their message, and a line on standard error.
        TestPlatform platform;
        QVERIFY(!Utils::LoadDomainTable());
        writeFile(Utils::dataFilePath(), "\r\n\r\n");
        QVERIFY(!Utils::LoadDomainTable());
        QCOMPARE(platform.messages.size(), 2);
        QVERIFY(platform.messages[0].text.startsWith("Cannot find orvtab.dll\rMake sure this file is in your Orlevan "
                                                     "directory.\r"));
        QVERIFY(platform.messages[1].text.startsWith("orvtab.dll holds no top-level domains\r"));
        QCOMPARE(platform.messages[0].caption, QStringLiteral("Orlevan load error."));
        QCOMPARE(platform.messages[0].icon, Platform::Critical);
    }

    void findTld_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("index");
        QTest::newRow("label") << "ab.com" << 1;
        QTest::newRow("last of two labels") << "ab.co.uk" << 3;
        QTest::newRow("the later of two equal labels") << "x.tv" << 4;
        QTest::newRow("last record") << "x.nu" << 5;
        QTest::newRow("first record") << "ab.int" << 0;
        QTest::newRow("unknown") << "ab.zz" << 0;
        QTest::newRow("case matters") << "AB.COM" << 0;
        QTest::newRow("no dot") << "com" << 1;
        QTest::newRow("trailing dot finds the empty slot") << "ab." << 6;
    }
    void findTld()
    {
        QFETCH(QString, domain);
        loadTable({"int;I;", "com;C;", "tv;T;", "uk;U;", "tv;T;", "nu;N;"});
        QTEST(int(Utils::FindTld(domain)), "index");
    }

    void candidates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("combinations");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("bare");
        using V = Candidates::Verdict;
        QTest::newRow("separators") << "ab, cd;ef" << false << int(V::Accepted) << QStringList{"ab", "cd", "ef"} << true;
        QTest::newRow("blanks") << "  ab   cd  " << false << int(V::Accepted) << QStringList{"ab", "cd"} << true;
        QTest::newRow("combinations") << "a b c" << true << int(V::Accepted)
                                      << QStringList{"a", "ab", "ac", "ba", "b", "bc", "ca", "cb", "c"} << true;
        QTest::newRow("equal names combine") << "ab ab" << true << int(V::Accepted)
                                             << QStringList{"ab", "abab", "abab", "ab"} << true;
        QTest::newRow("one combination") << "Ab" << true << int(V::Accepted) << QStringList{"Ab"} << true;
        QTest::newRow("a dot: complete names") << "ab.com cd" << true << int(V::Accepted)
                                               << QStringList{"ab.com", "cd"} << false;
        QTest::newRow("hyphens and digits") << "-1- 99" << false << int(V::Accepted) << QStringList{"-1-", "99"} << true;
        QTest::newRow("blank") << "   " << false << int(V::Empty) << QStringList{} << true;
        QTest::newRow("underscore") << "a_b" << false << int(V::IllegalCharacter) << QStringList{} << true;
        QTest::newRow("exclamation") << "ab!" << false << int(V::IllegalCharacter) << QStringList{} << true;
        QTest::newRow("accent") << QString::fromUtf8("caf\u00e9") << false << int(V::IllegalCharacter) << QStringList{}
                                << true;
        QTest::newRow("tab") << "a\tb" << false << int(V::IllegalCharacter) << QStringList{} << true;
    }
    void candidates()
    {
        QFETCH(QString, text);
        QFETCH(bool, combinations);
        const Candidates::Result result = Candidates::build(text, combinations, Utils::CheckListSize);
        QTEST(int(result.verdict), "verdict");
        QTEST(result.names, "names");
        if (result.verdict == Candidates::Verdict::Accepted)
            QTEST(result.bareNames, "bare");
    }

    void candidateLimits()
    {
        QStringList names;
        for (int i = 0; i < 2050; ++i)
            names.append(QStringLiteral("n%1").arg(i));
        const auto text = [&](int n) { return names.mid(0, n).join(' '); };
        QCOMPARE(Candidates::build(text(2049), false, 2049).names.size(), 2049);
        QCOMPARE(Candidates::build(text(45), true, 2049).names.size(), 2025);
        const Candidates::Result tooMany = Candidates::build(text(46), true, 2049);
        QCOMPARE(tooMany.verdict, Candidates::Verdict::TooMany);
        QCOMPARE(tooMany.entriesNeeded, 2116);
        QCOMPARE(Candidates::build(text(2050), false, 2049).verdict, Candidates::Verdict::TooMany);
        QCOMPARE(Candidates::illegalCharacterText(),
                 QStringLiteral("Illegal characters encountered\rOnly characters allowed are letters, numbers and -"));
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("boolean"); // -1: none
        QTest::addColumn<qlonglong>("number"); // -99: none
        QTest::newRow("True") << "True" << 1 << -99LL;
        QTest::newRow("fALSE") << "fALSE" << 0 << -99LL;
        QTest::newRow("zero") << "0" << 0 << 0LL;
        QTest::newRow("negative") << "-1" << 1 << -1LL;
        QTest::newRow("decimal") << "2.5" << 1 << -99LL;
        QTest::newRow("letters") << "yes" << -1 << -99LL;
        QTest::newRow("empty") << "" << -1 << -99LL;
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(int, boolean);
        QFETCH(qlonglong, number);
        const auto b = Utils::ParseBool(text);
        QCOMPARE(b ? int(*b) : -1, boolean);
        const auto n = Utils::ParseWholeNumber(text);
        QCOMPARE(n ? *n : -99LL, number);
    }

    void settingsStore_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("loaded"); // dns/retries/delay/ConfirmWhois/SysTrayMinimize/CheckWithDashes
        QTest::newRow("absent: defaults") << QByteArray() << "a.root-servers.net/3/50/0/1/0";
        QTest::newRow("stored") << QByteArray("[main]\ndns=ns.example\nretries=7\ndelay=700\nConfirmWhois=true\n"
                                              "SysTrayMinimize=0\nCheckWithDashes=TRUE\n")
                                << "ns.example/7/700/1/0/1";
        QTest::newRow("out of range and letters") << QByteArray("[main]\nretries=300\ndelay=zz\nConfirmWhois=maybe\n")
                                                  << "a.root-servers.net/3/50/0/1/0";
    }
    void settingsStore()
    {
        QFETCH(QByteArray, ini);
        if (!ini.isEmpty())
            writeFile(Utils::SettingsFile, ini);
        Utils::LoadSettings();
        const Utils::Settings& s = Utils::AppSettings;
        QTEST(QStringLiteral("%1/%2/%3/%4/%5/%6")
                  .arg(s.NameServer)
                  .arg(s.Retries)
                  .arg(s.QueryDelay)
                  .arg(s.ConfirmWhois)
                  .arg(s.SysTrayMinimize)
                  .arg(s.CheckWithDashes),
              "loaded");
    }

    void saveAndSelection()
    {
        loadTable({"com;C;", "net;N;", "org;O;"});
        Utils::AppSettings = {"ns1", 20, 4, true, false, false};
        Utils::DomainTable[1].Selected = 1;
        Utils::SaveSettings();
        Utils::SaveDomainSelection();
        QSettings store(Utils::SettingsFile, QSettings::IniFormat);
        QCOMPARE(store.value("main/dns").toString(), QStringLiteral("ns1"));
        QCOMPARE(store.value("main/delay").toString(), QStringLiteral("20"));
        QCOMPARE(store.value("main/retries").toString(), QStringLiteral("4"));
        QCOMPARE(store.value("main/ConfirmWhois").toString(), QStringLiteral("True"));
        QCOMPARE(store.value("main/SysTrayMinimize").toString(), QStringLiteral("False"));
        QCOMPARE(store.value("domains/net").toString(), QStringLiteral("1"));
        QCOMPARE(store.value("domains/org").toString(), QStringLiteral("0"));

        // A key missing reads as not selected; any other number than 0 as selected.
        store.setValue("domains/com", "2");
        store.remove("domains/net");
        store.sync();
        Utils::LoadDomainSelection();
        QCOMPARE(Utils::DomainTable[0].Selected, quint8(1));
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(0));
        QVERIFY(!Utils::PersonalSelectionInForce());
        Utils::SaveSetting("main", "domains", "anything");
        QVERIFY(Utils::PersonalSelectionInForce());
    }

    void damagedSettings()
    {
        TestPlatform platform;
        QVERIFY(!Utils::DetectDamagedSettings());
        QDir().mkpath(Utils::SettingsFile); // a folder where the file should be
        QVERIFY(Utils::DetectDamagedSettings());
        Utils::SettingsDamaged = true;
        Utils::AppSettings.NameServer = "mine";
        Utils::SaveSettings();
        Utils::LoadSettings();
        QVERIFY(QFileInfo(Utils::SettingsFile).isDir());
        QVERIFY(platform.messages.isEmpty());

        // A store that cannot be written is reported once.
        Utils::SettingsDamaged = false;
        writeFile(m_dir.path() + "/blocker", "a file, not a folder");
        Utils::SettingsFile = m_dir.path() + "/blocker/Orlevan.ini";
        Utils::SaveSettings();
        Utils::SaveSettings();
        QCOMPARE(platform.messages.size(), 1);
        QVERIFY(platform.messages[0].text.startsWith("Orlevan could not save its settings to:"));
    }

    void systemNameServer_data()
    {
        QTest::addColumn<QByteArray>("resolv");
        QTest::addColumn<QString>("server");
        QTest::newRow("first") << QByteArray("# x\nsearch a\nnameserver 10.0.0.1\nnameserver 10.0.0.2\n") << "10.0.0.1";
        QTest::newRow("IPv6 zone") << QByteArray("  nameserver\tfe80::1%eth0\n") << "fe80::1%eth0";
        QTest::newRow("none") << QByteArray("search a\n") << "ns1.your-internet-provider.example";
    }
    void systemNameServer()
    {
        QFETCH(QByteArray, resolv);
        writeFile(Utils::ResolvConfPath, resolv);
        QTEST(Utils::SystemNameServer(), "server");
    }

    void units_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("4.5") << 4.5 << 4.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("2.51") << 2.51 << 3.0;
    }
    void units()
    {
        QFETCH(double, value);
        QTEST(Units::roundHalfEven(value), "rounded");
        QCOMPARE(Units::toPixels(Units::toTwips(37, 96), 96), 37);
        QCOMPARE(Units::toPixels(1440, 120), 120);
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
