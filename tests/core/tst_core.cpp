#include "core/Candidates.h"
#include "core/DomainsPage.h"
#include "core/Environment.h"
#include "core/FileOps.h"
#include "core/ProgramState.h"
#include "core/Utils.h"
#include "support/Suite.h"

// The program-wide values of the core: the data file and its table, the name list of a Check, the settings.
class TestCore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    // As the program starts: nothing damaged, no failed save told yet.
    void initTestCase() { QVERIFY(!Utils::SettingsDamaged && !Utils::SettingsSaveFailed); }
    void init() { resetProgramState(m_dir.path()); }

    void dataFile_data()
    {
        QTest::addColumn<QByteArray>("plain"); // "|" stands for CR LF, before scrambling
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("last"); // the last record's fields joined by "/"
        QTest::newRow("three fields") << QByteArray("com;Commercial;") << 1 << "com/Commercial///";
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
        QByteArray bytes;
        for (const QByteArray& line : plain.split('|'))
            bytes += FileOps::UnscrambleLine(QString::fromLatin1(line)).toLatin1() + "\r\n";
        bytes.chop(2); // the last line needs no end
        Utils::ParseDomainTable(bytes);
        QCOMPARE(int(Utils::TldCount), count);
        const Utils::TldRecord& r = Utils::DomainTable[count - 1];
        QTEST(QStringList({r.Tld, r.Description, r.RegistrationSite, r.SubLabels, r.WhoisServer}).join('/'), "last");
    }

    void dataFileLimits()
    {
        QCOMPARE(FileOps::UnscrambleLine("AMNZamnz;?.{/}(-)@ |:,_"), QStringLiteral("ZNMAznma?;{.}/-(@)| :,_"));
        QStringList lines;
        for (int i = 0; i < 305; ++i)
            lines.append(QStringLiteral("t%1;T;").arg(i));
        loadTable(lines);
        QCOMPARE(Utils::DomainTable[Utils::TldCount - 1].Tld, QStringLiteral("t300"));
        QCOMPARE(DomainsPage::barMaximum(3), 0); // a table shorter than the Domains dialog's page does not scroll
        // A file without records is as useless as a missing one, and says so.
        writeFile(Utils::dataFilePath(), "\r\n\r\n");
        QVERIFY(Utils::LoadDomainTable().value_or("").startsWith("orvtab.dll holds no top-level domains\r"));
    }

    void findTld_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("index");
        QTest::newRow("last of two labels") << "ab.co.uk" << 3;
        QTest::newRow("the later of two equal labels") << "x.tv" << 4;
        QTest::newRow("unknown") << "ab.zz" << 0;
        QTest::newRow("case matters") << "AB.NU" << 0;
        QTest::newRow("no dot") << "nu" << 5;
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
        QTest::addColumn<QString>("names"); // "!" illegal, "-" nothing, "." complete names
        QTest::newRow("separators") << " ab, cd;ef  gh " << false << "ab cd ef gh";
        QTest::newRow("combinations") << "a b c" << true << "a ab ac ba b bc ca cb c";
        QTest::newRow("equal names combine") << "ab ab" << true << "ab abab abab ab";
        QTest::newRow("with dashes") << "blue sky" << true << "blue bluesky blue-sky skyblue sky-blue sky";
        QTest::newRow("a dot: complete names") << "ab.com cd" << true << ". ab.com cd";
        QTest::newRow("hyphens, digits, case") << "1-1 9A" << false << "1-1 9A";
        const QString hyphen = ": a part between two dots begins or ends with a hyphen.";
        QTest::newRow("hyphen first") << "ab -zzlead" << false << "no: -zzlead" + hyphen;
        QTest::newRow("hyphen last, in a complete name") << "zztrail-.com" << false << "no: zztrail-.com" + hyphen;
        QTest::newRow("joined: the joined name is named") << "a -b" << true << "no: -ba" + hyphen;
        QTest::newRow("hyphens third and fourth")
            << "zz--mid" << false
            << "no: zz--mid: only the xn-- form of a name in another script may have hyphens in its third and fourth "
               "places.";
        QTest::newRow("xn-- of no name") << "xn--zzzz" << false
                                         << "no: xn--zzzz: xn--zzzz is not the xn-- form of any name.";
        QTest::newRow("A-labels where the bias meets its bound") // 455 in the adaptation, exactly
            << "xn--egc-cma43dny9982b5ua xn--dheabh-e18i50a" << false << "xn--egc-cma43dny9982b5ua xn--dheabh-e18i50a";
        QTest::newRow("an A-label") << "XN--mnchen-3ya" << false << "XN--mnchen-3ya";
        QTest::newRow("an empty part") << "x.com..net" << false << "no: x.com..net: a part between two dots is empty.";
        QTest::newRow("a leading dot") << ".com" << false << "no: .com: a part between two dots is empty.";
        QTest::newRow("the root's dot dropped") << QString::fromUtf8("alpha.com. 例え。jp。 例え｡jp｡") << false
                                                << ". alpha.com xn--r8jz45g.jp xn--r8jz45g.jp";
        QTest::newRow("63 characters") << QString(63, 'x') << false << QString(63, 'x');
        QTest::newRow("64 characters") << QString(64, 'x') << false << "too long: " + QString(64, 'x');
        QTest::newRow("63 before a dot") << QString(63, 'x') + ".com" << false << ". " + QString(63, 'x') + ".com";
        const QString name253 = (QString(62, 'x') + '.').repeated(4) + "x"; // 4 x 63 + 1
        QTest::newRow("253 in all") << name253 << false << ". " + name253;
        QTest::newRow("254 in all") << name253 + "x" << false << "too long: " + name253 + "x";
        QTest::newRow("every ASCII letter and digit")
            << "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 1234567890" << false
            << "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 1234567890";
        QTest::newRow("blank") << "   " << false << "-";
        QTest::newRow("separators only") << " ,; " << false << "-";
        QTest::newRow("underscore") << "a_b" << false << "!";
        QTest::newRow("a sign, not a letter") << QString::fromUtf8("zz€") << false << "!";
        QTest::newRow("own scripts") << QString::fromUtf8("café MÜNCHEN παράδειγμα हिन्दी 𠀀") << false
                                     << "xn--caf-dma xn--mnchen-3ya xn--hxajbheg2az3al xn--j2bd4cyah0f xn--j50i";
        QTest::newRow("ideographic full stop") << QString::fromUtf8("例え。jp") << false << ". xn--r8jz45g.jp";
        QTest::newRow("joined as typed") << QString::fromUtf8("a ü") << true << "a xn--a-eha xn--a-dha xn--tda";
        QTest::newRow("full stops of East Asian keyboards")
            << QString::fromUtf8("例え．jp 例え｡jp") << false << ". xn--r8jz45g.jp xn--r8jz45g.jp";
        QTest::newRow("ideographic space, a pasted list")
            << QString::fromUtf8("ab\u3000cd\r\nef\tgh\n") << false << "ab cd ef gh";
        QTest::newRow("a joiner where the script needs it")
            << QString::fromUtf8("\u0915\u094D\u200D\u0937") << false << "xn--11b2ezcw70k";
        QTest::newRow("a letter the conversion refuses")
            << QString::fromUtf8("a例bえcü").repeated(6) + QChar(0x10A0) << false << "!"; // 57 long if it converted
        const QString refused = QString(49, 'x') + QString::fromUtf8("\u1C4E\u10A0");     // 64 long in ASCII
        QTest::newRow("a refused letter in a name too long") << refused << false << "too long: " + refused;
        const QString long47 = QString::fromUtf8("müller") + QString(47, 'x') + QString::fromUtf8("é");
        QTest::newRow("longest that converts") << long47 << false << "xn--mller" + QString(47, 'x') + "-rue88g";
        QTest::newRow("too long: the name is named") << long47 + "x" << false << "too long: " + long47 + "x";
        const QString mixed = QString::fromUtf8("a例bえcü").repeated(7) + QString::fromUtf8("a例b"); // 64 in ASCII
        QTest::newRow("scripts mixed, 64 long") << mixed << false << "too long: " + mixed;
        QTest::newRow("too long when joined") << QString(30, QChar(0xfc)) + " " + QString(30, QChar(0xfc)) << true
                                              << "too long: " + QString(60, QChar(0xfc));
    }
    void candidates()
    {
        QFETCH(QString, text);
        QFETCH(bool, combinations);
        const bool dashes = QByteArray(QTest::currentDataTag()) == "with dashes";
        const Candidates::Result result = Candidates::build(text, combinations, 2049, dashes);
        const QString shown = result.verdict == Candidates::Verdict::IllegalCharacter ? "!"
                              : result.verdict == Candidates::Verdict::Empty          ? "-"
                              : result.verdict == Candidates::Verdict::TooLong ? "too long: " + result.refusedName
                              : result.verdict == Candidates::Verdict::Unregistrable
                                  ? "no: " + result.refusedName + ": " + result.reason
                                  : result.names.join(' ');
        QTEST((result.bareNames ? "" : ". ") + shown, "names");
        if (QByteArray(QTest::currentDataTag()) == "the root's dot dropped")
            QCOMPARE(result.typed,
                     QStringList({"alpha.com", QString::fromUtf8("例え。jp"), QString::fromUtf8("例え｡jp")}));
    }

    void candidateLimits()
    {
        const auto build = [](int n, bool combinations) {
            return Candidates::build(QStringLiteral("n ").repeated(n), combinations, 2049);
        };
        QCOMPARE(build(2049, false).names.size(), 2049);
        QCOMPARE(build(45, true).names.size(), 2025);
        QCOMPARE(build(46, true).entriesNeeded, 2116);
        QCOMPARE(build(2050, false).verdict, Candidates::Verdict::TooMany);
        QCOMPARE(Candidates::build(QStringLiteral("n ").repeated(33), true, 2049, true).entriesNeeded,
                 33 * 33 + 33 * 32);
    }

    void settingsStore_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("loaded"); // dns/retries/delay/ConfirmWhois/SysTrayMinimize/CheckWithDashes
        QTest::newRow("absent: defaults") << QByteArray() << "a.root-servers.net/3/50/0/1/0";
        QTest::newRow("stored") << QByteArray("[main]\ndns=ns.example\nretries=7\ndelay=700\nConfirmWhois=true\n"
                                              "SysTrayMinimize=0\nCheckWithDashes=-1\n")
                                << "ns.example/7/700/1/0/1";
        QTest::newRow("empty name server") << QByteArray("[main]\ndns=\n") << "/3/50/0/1/0";
        QTest::newRow("lower ends") << QByteArray("[main]\nretries=1\ndelay=5\n") << "a.root-servers.net/1/5/0/1/0";
        QTest::newRow("upper ends") << QByteArray("[main]\nretries=10\ndelay=1000\n")
                                    << "a.root-servers.net/10/1000/0/1/0";
        QTest::newRow("just outside") << QByteArray("[main]\nretries=0\ndelay=1001\n")
                                      << "a.root-servers.net/3/50/0/1/0";
        QTest::newRow("out of range and letters")
            << QByteArray("[main]\nretries=300\ndelay=zz\nConfirmWhois=maybe\n") << "a.root-servers.net/3/50/0/1/0";
    }
    void settingsStore()
    {
        QFETCH(QByteArray, ini);
        writeFile(Environment::current().settingsFile, ini);
        Utils::LoadSettings();
        const Utils::Settings& s = Utils::AppSettings;
        QTEST(QString::asprintf("%s/%d/%d/%d/%d/%d", qPrintable(s.NameServer), s.Retries, s.QueryDelay, s.ConfirmWhois,
                                s.SysTrayMinimize, s.CheckWithDashes),
              "loaded");
    }

    // Saved and read back; a settings file that cannot be read is never written, but every choice holds until the
    // program ends.
    void saveAndSelection_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("stored") << false;
        QTest::newRow("kept in memory") << true;
    }
    void saveAndSelection()
    {
        QFETCH(bool, damaged);
        loadTable({"com;C;", "net;N;", "org;O;"});
        Utils::SettingsDamaged = damaged;
        Utils::AppSettings = {"ns1", 20, 4, true, false, false};
        Utils::DomainTable[1].Selected = 1;
        Utils::SaveSettings();
        Utils::SaveDomainSelection();
        Utils::SaveSetting(Utils::Key::Domains, "user");
        Utils::AppSettings = {};
        Utils::DomainTable[1].Selected = 0;
        Utils::LoadSettings();
        Utils::LoadDomainSelection();
        const Utils::Settings& s = Utils::AppSettings;
        QCOMPARE(QStringLiteral("%1/%2/%3/%4").arg(s.NameServer).arg(s.QueryDelay).arg(s.Retries).arg(s.ConfirmWhois),
                 QStringLiteral("ns1/20/4/1"));
        QVERIFY(Utils::DomainTable[1].Selected && Utils::PersonalSelectionInForce());
        QCOMPARE(QFile::exists(Environment::current().settingsFile), !damaged);
        if (damaged)
            return;
        QSettings store(Environment::current().settingsFile, QSettings::IniFormat);
        // A key missing reads as not selected; any other number than 0 as selected.
        store.setValue("domains/com", "2");
        store.remove("domains/net");
        store.sync();
        Utils::LoadDomainSelection();
        QCOMPARE(Utils::DomainTable[0].Selected + 2 * Utils::DomainTable[1].Selected, 1);
    }

    // A store that cannot be written is told once per program run.
    void failedSave()
    {
        writeFile(m_dir.path() + "/blocker", "a file, not a folder");
        Environment::current().settingsFile = m_dir.path() + "/blocker/Orlevan.ini";
        QCOMPARE(Utils::SaveSettings().value_or(""), "Orlevan could not save its settings to:\r" + m_dir.path() +
                                                         "/blocker/Orlevan.ini\rChanges made now are lost when "
                                                         "Orlevan ends.");
        QVERIFY(!Utils::SaveDomainSelection());
    }

    // Both front ends start alike; only the window performs a first run, and the terminal takes every key stored.
    void programStart_data()
    {
        QTest::addColumn<QByteArray>("ini"); // "-": a file that cannot be read
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("started"); // first run?, name server, delay, personal selection?
        QTest::newRow("window, no file") << QByteArray() << false << "first/ns.system/50/default";
        QTest::newRow("window, marked") << QByteArray("[main]\ninit=False\ndns=ns.a\n") << false << "-/ns.a/50/default";
        QTest::newRow("window, marked True")
            << QByteArray("[main]\ninit=true\ndns=ns.a\n") << false << "first/ns.system/50/default";
        QTest::newRow("window, damaged") << QByteArray("-") << false << "-/ns.system/50/default";
        QTest::newRow("terminal, no file") << QByteArray() << true << "-/ns.system/50/default";
        QTest::newRow("terminal, written by hand")
            << QByteArray("[main]\ndelay=70\ndomains=user\n") << true << "-/ns.system/70/user";
        QTest::newRow("terminal, marked True")
            << QByteArray("[main]\ninit=True\ndns=ns.a\n") << true << "-/ns.a/50/default";
    }
    void programStart()
    {
        QFETCH(QByteArray, ini);
        writeDataFile(Utils::dataFilePath(), {"int;I;", "com;C;"});
        writeFile(Environment::current().resolvConfPath, "nameserver ns.system\n");
        if (ini == "-")
            QDir().mkpath(Environment::current().settingsFile);
        else if (!ini.isEmpty())
            writeFile(Environment::current().settingsFile, ini);
        QFETCH(bool, terminal);
        const ProgramState state =
            ProgramState::load(terminal ? ProgramState::FrontEnd::Terminal : ProgramState::FrontEnd::Window);
        QVERIFY(!state.loadError && Utils::DefaultDomains.size() == 8);
        QCOMPARE(state.damaged, ini == "-");
        QCOMPARE(state.damaged ? Utils::damagedSettingsText(Utils::AppSettings.NameServer) : QString(),
                 ini != "-" ? QString()
                            : "Orlevan could not read its settings file:\r" + Environment::current().settingsFile +
                                  "\rIt will run with the default settings this time, "
                                  "asking the name server ns.system, and will not change "
                                  "that file.");
        QTEST(QStringList({state.firstRun ? "first" : "-", Utils::AppSettings.NameServer,
                           QString::number(Utils::AppSettings.QueryDelay),
                           Utils::PersonalSelectionInForce() ? "user" : "default"})
                  .join('/'),
              "started");
    }

    // One expansion of a record into its suffixes serves the selection, the default list and a named domain.
    void suffixes()
    {
        QVERIFY(Utils::LoadDomainTableFrom(ORLEVAN_BUILD_BIN "/orvtab.dll"));
        for (const char* tld : {"ar", "uk", "com"}) {
            for (int i = 0; i < Utils::TldCount; ++i)
                Utils::DomainTable[i].Selected = Utils::DomainTable[i].Tld == tld;
            QCOMPARE(Utils::SuffixesFor(QString(tld).toUpper()), Utils::SelectedSuffixes(true));
        }
        QCOMPARE(Utils::SuffixesFor("uk")->join(' '), "uk co.uk org.uk me.uk ltd.uk plc.uk net.uk");
        QCOMPARE(Utils::SuffixesFor("co.uk"), QStringList{"co.uk"});
        QVERIFY(!Utils::SuffixesFor("zz") && !Utils::SuffixesFor("k"));
        Utils::InitDefaultDomains();
        QCOMPARE(Utils::SelectedSuffixes(false), Utils::DefaultDomains);
        const Utils::Registry uk = Utils::RegistryOf("AB.Co.UK"), unknown = Utils::RegistryOf("ab.zz");
        QCOMPARE(QStringList({uk.tld, uk.registrationSite, uk.whoisServer, unknown.tld, unknown.whoisServer}),
                 QStringList({"uk", "http://www.nic.uk/", "whois.nic.uk", "int", "whois.iana.org"}));
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
