#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/whois/frmWhois.h"
#include "support/FakeServer.h"
#include "support/gui/GuiSuite.h"
#include "whois/WhoisClient.h"

// The lookup window: which server it asks, what it shows, and how it answers failures.
class TestWhoisWindow : public GuiSuite
{
    Q_OBJECT

    FakeServer m_server;
    QPointer<frmWhois> m_window;

    void lookup(const QString& query, int entry = 0)
    {
        m_window->WhoisString->setText(query);
        m_window->WhoisListBox->setCurrentIndex(entry);
        m_window->btnLookup->click();
    }

    void setUp() override
    {
        m_server.requests.clear();
        m_server.setDefault({});
        loadTable({"int;I;;;", "com;C;;;127.0.0.1"});
        m_window = Forms::whois();
        m_window->Whois1->setPort(m_server.port());
        m_window->WhoisListBox->setItemText(1, "127.0.0.1");
        m_window->show();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.start()); }

    void replies()
    {
        m_server.answer({FakeServer::Mode::Reply, "first\nsecond\n"});
        m_server.answer({FakeServer::Mode::Reply, "third\r\n"});
        lookup(" ab.com"); // Autodetect reads the name as typed, asks it trimmed
        QTRY_VERIFY(m_window->btnLookup->isEnabled() && !m_window->Whois1->isBusy());
        // The server chosen in the list, not the one of the name; Enter in the query box looks up.
        m_window->WhoisListBox->setCurrentIndex(1);
        m_window->WhoisString->setText("cd.zz");
        QTest::keyClick(m_window->WhoisString, Qt::Key_Return);
        // The query box under its label, as wide as the list of servers beside it.
        QVERIFY(m_window->WhoisString->y() > m_window->Label2->geometry().bottom());
        QCOMPARE(m_window->WhoisString->width(), m_window->WhoisListBox->width());
        QTRY_COMPARE(m_window->WhoisOutput->toPlainText(), QStringLiteral("first\nsecond\nthird\n"));
        QCOMPARE(m_server.heads(), (QList<QByteArray>{"ab.com\r\n", "cd.zz\r\n"}));
        QVERIFY(m_desktop->messages.isEmpty());
        QCOMPARE(textsOf(m_window),
                 "Orlevan Whois Lookup\nBottomLabel: Autodetect will default to whois.internic.net for top level "
                 "domains with unknown WHOIS server.\nLabel1: Please select which WHOIS-server to ask for your domain "
                 "or leave setting for autodetect.\nLabel2: Please enter the query (the domainname, an IP adress or "
                 "another valid WHOIS query.\nWhoisString: cd.zz\nbtnCancel: &Close\nbtnLookup: &Lookup");
        // From the results popup: the output starts afresh.
        m_server.answer({FakeServer::Mode::Reply, "fourth\n"});
        m_window->LookupDomain("ef.com");
        QTRY_COMPARE(m_window->WhoisOutput->toPlainText(), QStringLiteral("fourth\n"));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("script"); // -1: nobody listens
        QTest::addColumn<QString>("message");
        QTest::newRow("blank query") << "  " << int(FakeServer::Mode::Reply)
                                     << "Enter the domain you want to search for or another valid WHOIS query before "
                                        "pressing Lookup";
        QTest::newRow("refused") << "ab.com" << -1
                                 << "Could not connect to Autodetect.\r\nUse another WHOIS-server.\r\n(Error 3)";
        QTest::newRow("server falls silent")
            << "ab.com" << int(FakeServer::Mode::Hang) << "Error 6 reading from server. Exiting...";
        QTest::newRow("connection reset")
            << "ab.com" << int(FakeServer::Mode::Reset) << "Error 7 reading from server. Exiting...";
    }
    void failures()
    {
        QFETCH(QString, query);
        QFETCH(int, script);
        if (script < 0)
            m_window->Whois1->setPort(FakeServer::refusedPort());
        m_server.setDefault({FakeServer::Mode(script), {}});
        m_window->Whois1->setTimeLimits(300, 600);
        lookup(query);
        QTRY_COMPARE(m_desktop->messages.size(), 1);
        QTEST(m_desktop->messages.first().text, "message");
        QTRY_VERIFY(m_window->btnLookup->isEnabled() && m_window->WhoisListBox->isEnabled());
        QCOMPARE(m_server.requests.size(), script > int(FakeServer::Mode::Reply) ? 1 : 0);
    }
};

QTEST_MAIN(TestWhoisWindow)
#include "tst_frmwhois_gui.moc"
