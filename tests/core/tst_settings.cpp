#include "core/Forms.h"
#include "core/Utils.h"
#include "dialogs/frmDomains.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Utils::AppSettings;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    QString stored(const QString& key)
    {
        QSettings store(Utils::SettingsFile, QSettings::IniFormat);
        return store.value(key).toString();
    }
    void store(const QString& key, const QString& value)
    {
        QSettings settings(Utils::SettingsFile, QSettings::IniFormat);
        settings.setValue(key, value);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        QDir().mkpath(Utils::ProgramFolder + "/help");
        writeFile(Utils::ProgramFolder + "/help/index.html", "<html></html>");
        writeDataFile(Utils::ProgramFolder + "/orvtab.dll",
                      {"int;Treaties;http://i;;whois.i", "com;Commercial;http://c", "uk;Kingdom;http://u;co:org"});
        QVERIFY(Utils::LoadDomainTable());
        writeFile(Utils::ResolvConfPath, "# generated\nsearch example\nnameserver fe80::1%eth0\nnameserver 10.0.0.1\n");
    }
    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
        m_platform = nullptr;
    }

    void textForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("asBool");       // -1 none, 0 false, 1 true
        QTest::addColumn<QString>("asNumber"); // empty: none
        QTest::newRow("True") << "True" << 1 << "";
        QTest::newRow("any case") << "fALSE" << 0 << "";
        QTest::newRow("zero") << "0" << 0 << "0";
        QTest::newRow("minus one") << "-1" << 1 << "-1";
        QTest::newRow("fraction") << "0.5" << 1 << "";
        QTest::newRow("blanks") << " 7 " << 1 << "7";
        QTest::newRow("word") << "yes" << -1 << "";
        QTest::newRow("empty") << "" << -1 << "";
        QTest::newRow("huge") << "99999999999999999999999" << 1 << "";
        QTest::newRow("infinity") << "inf" << -1 << "";
    }
    void textForms()
    {
        QFETCH(QString, text);
        QFETCH(int, asBool);
        QFETCH(QString, asNumber);
        const auto b = Utils::ParseBool(text);
        QCOMPARE(b.has_value(), asBool != -1);
        if (b)
            QCOMPARE(int(*b), asBool);
        const auto n = Utils::ParseWholeNumber(text);
        QCOMPARE(n.has_value(), !asNumber.isEmpty());
        if (n)
            QCOMPARE(QString::number(*n), asNumber);
        QCOMPARE(Utils::BoolText(true), QStringLiteral("True"));
        QCOMPARE(Utils::BoolText(false), QStringLiteral("False"));
    }

    void firstRunStoresDefaultsBeforeItsDialogs()
    {
        QStringList seenInStore;
        m_platform->onModal = [&](QDialog* dialog) {
            seenInStore << dialog->windowTitle() + ":" + stored("main/init") + ":" + stored("main/dns");
            return 0;
        };
        Utils::InitApplication();

        QCOMPARE(m_platform->modalTitles, (QStringList{"Important information!", "DNS Options"}));
        QCOMPARE(seenInStore,
                 (QStringList{"Important information!:False:fe80::1%eth0", "DNS Options:False:fe80::1%eth0"}));
        QVERIFY(m_platform->messages.isEmpty());

        const QList<QPair<QString, QString>> expected = {{"main/init", "False"},
                                                         {"main/domains", "default"},
                                                         {"main/dns", "fe80::1%eth0"},
                                                         {"main/retries", "3"},
                                                         {"main/delay", "50"},
                                                         {"main/ConfirmWhois", "False"},
                                                         {"main/SysTrayMinimize", "False"},
                                                         {"main/CheckWithDashes", "False"},
                                                         {"domains/int", "0"},
                                                         {"domains/com", "0"},
                                                         {"domains/uk", "0"}};
        for (const auto& [key, value] : expected)
            QCOMPARE(stored(key), value);
        QSettings settings(Utils::SettingsFile, QSettings::IniFormat);
        QCOMPARE(settings.allKeys().size(), expected.size());

        QCOMPARE(AppSettings.NameServer, QStringLiteral("fe80::1%eth0"));
        QCOMPARE(AppSettings.SysTrayMinimize, false);
        QCOMPARE(Utils::DefaultDomains, (QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}));
        QCOMPARE(Forms::domains()->staticdomainlabel->text(), QStringLiteral(".com.net.org.us.to.tv.tm.nu"));
        QVERIFY(Forms::domains()->defaultdomains->isChecked());
        QVERIFY(Forms::domains()->isHidden());
    }

    void firstRunWithoutHelp()
    {
        QFile::remove(Utils::ProgramFolder + "/help/index.html");
        Utils::InitApplication();
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.first().text, QStringLiteral("HTMLhelp not installed"));
        QCOMPARE(m_platform->messages.first().icon, Platform::Critical);
        QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan"));
        // Start-up goes on, and the step is not repeated.
        QCOMPARE(m_platform->modalTitles.size(), 2);
        QCOMPARE(stored("main/init"), QStringLiteral("False"));
    }

    void firstRunNameServerWithoutResolverConfiguration()
    {
        QFile::remove(Utils::ResolvConfPath);
        Utils::InitApplication();
        QCOMPARE(AppSettings.NameServer, Utils::PlaceholderNameServer);
        writeFile(Utils::ResolvConfPath, "; nameserver 1.2.3.4\n#nameserver 5.6.7.8\nnameserver\n");
        QCOMPARE(Utils::SystemNameServer(), Utils::PlaceholderNameServer);
        writeFile(Utils::ResolvConfPath, "  nameserver   192.0.2.53   # office\n");
        QCOMPARE(Utils::SystemNameServer(), QStringLiteral("192.0.2.53"));
    }

    void laterStartReadsEverythingBack()
    {
        Utils::InitApplication();
        store("main/dns", "ns.example.net");
        store("main/retries", "7");
        store("main/delay", "200");
        store("main/ConfirmWhois", "true");
        store("domains/uk", "1");
        {
            QSettings settings(Utils::SettingsFile, QSettings::IniFormat);
            settings.remove("main/SysTrayMinimize");
        }
        Forms::destroyAll();
        m_platform->modalTitles.clear();
        AppSettings = Utils::Settings{};

        Utils::InitApplication();
        QVERIFY(m_platform->modalTitles.isEmpty());
        QCOMPARE(AppSettings.NameServer, QStringLiteral("ns.example.net"));
        QCOMPARE(AppSettings.Retries, quint8(7));
        QCOMPARE(AppSettings.QueryDelay, qint16(200));
        QCOMPARE(AppSettings.ConfirmWhois, true);
        QCOMPARE(AppSettings.SysTrayMinimize, true); // absent reads as True
        QCOMPARE(Utils::DomainTable[2].Selected, quint8(1));
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(0));
    }

    void damagedValuesReadAsDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("retries letters") << "retries"
                                         << "many";
        QTest::newRow("retries above a byte") << "retries"
                                              << "300";
        QTest::newRow("retries zero") << "retries"
                                      << "0";
        QTest::newRow("retries eleven") << "retries"
                                        << "11";
        QTest::newRow("delay too small") << "delay"
                                         << "4";
        QTest::newRow("delay too large") << "delay"
                                         << "1001";
        QTest::newRow("delay negative") << "delay"
                                        << "-50";
        QTest::newRow("delay fraction") << "delay"
                                        << "50.5";
        QTest::newRow("delay beyond 16 bits") << "delay"
                                              << "70000";
    }
    void damagedValuesReadAsDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        store("main/" + key, value);
        Utils::LoadSettings();
        QCOMPARE(AppSettings.Retries, Utils::DefaultRetries);
        QCOMPARE(AppSettings.QueryDelay, Utils::DefaultQueryDelay);
    }

    void damagedSwitchesAndSelection()
    {
        store("main/retries", "10");
        store("main/delay", "5");
        store("main/ConfirmWhois", "maybe");
        store("main/SysTrayMinimize", "0");
        store("main/CheckWithDashes", "-1");
        store("domains/int", "7");
        store("domains/com", "junk");
        Utils::LoadSettings();
        Utils::LoadDomainSelection();
        QCOMPARE(AppSettings.Retries, quint8(10));
        QCOMPARE(AppSettings.QueryDelay, qint16(5));
        QCOMPARE(AppSettings.ConfirmWhois, false);
        QCOMPARE(AppSettings.SysTrayMinimize, false);
        QCOMPARE(AppSettings.CheckWithDashes, true);
        QCOMPARE(Utils::DomainTable[0].Selected, quint8(1));
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(0));
        QCOMPARE(AppSettings.NameServer, Utils::RootNameServer);
    }

    void unreadableStoreIsNeverOverwritten()
    {
        // A folder where the file should be cannot be read, even by root.
        QVERIFY(QDir().mkpath(Utils::SettingsFile));
        Utils::InitApplication();
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY(m_platform->messages.first().text.contains(QDir::toNativeSeparators(Utils::SettingsFile)));
        QVERIFY(m_platform->modalTitles.isEmpty()); // not a first run
        QCOMPARE(AppSettings.NameServer, Utils::RootNameServer);
        QCOMPARE(AppSettings.Retries, Utils::DefaultRetries);
        QCOMPARE(AppSettings.SysTrayMinimize, true);

        AppSettings.Retries = 9;
        Utils::SaveSettings();
        Utils::SaveDomainSelection();
        Utils::SaveSetting("main", "domains", "user");
        QVERIFY(QFileInfo(Utils::SettingsFile).isDir());
        QVERIFY(QDir(Utils::SettingsFile).isEmpty());
    }

    void commaInValueSurvives()
    {
        AppSettings.NameServer = QStringLiteral("a,b");
        Utils::SaveSettings();
        AppSettings.NameServer.clear();
        Utils::LoadSettings();
        QCOMPARE(AppSettings.NameServer, QStringLiteral("a,b"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
