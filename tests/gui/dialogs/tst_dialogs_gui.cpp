#include "core/Environment.h"
#include "gui/app/Forms.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/dialogs/frmOptions.h"
#include "gui/dialogs/frmOptionsFirst.h"
#include "support/gui/GuiSuite.h"

using namespace Qt::StringLiterals;

// The DNS options dialogs and the domain selection dialog: number rules, page and height, stored settings.
class TestDialogs : public GuiSuite
{
    Q_OBJECT

    // A key as stored ("-": none), and the records' flags in memory, then as stored.
    static QString stored(const QString& key)
    {
        return QSettings(Environment::current().settingsFile, QSettings::IniFormat).value(key, u"-"_s).toString();
    }
    static QString flags()
    {
        QString memory, kept;
        for (int i = 0; i < Utils::TldCount; ++i) {
            memory += QString::number(Utils::DomainTable[i].Selected);
            kept += stored("domains/" + Utils::DomainTable[i].Tld);
        }
        return memory + '/' + kept;
    }

    void setUp() override
    {
        QStringList lines; // records t0 to t19
        for (int i = 0; i < 20; ++i)
            lines.append(u"t%1;T%1;"_s.arg(i));
        loadTable(lines);
    }

private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<QString>("call"); // ok:delay;retries, delay:text, retries:text, height:twips;dpi;frame;content
        QTest::addColumn<QString>("result"); // ok: message;delay box;retries box. Leaving: message or bar position
        QTest::newRow("ok 4.5 to even 4") << u"ok:4.5;3"_s << u"Please select a number from 5 to 1000 ms.;4;3"_s;
        QTest::newRow("ok 1.5 to 2") << u"ok:59;1.5"_s << u";59;2"_s;
        QTest::newRow("ok at the lower ends") << u"ok:5;1"_s << u";5;1"_s;
        QTest::newRow("ok at the upper ends, blanks around") << u"ok: 1000 ;10 "_s << u";1000;10"_s;
        QTest::newRow("ok 11 retries") << u"ok:50;11"_s << u"Please select from 1 to 10 retries.;50;11"_s;
        QTest::newRow("leave the ends") << u"delay:5"_s << u"995"_s;
        QTest::newRow("leave 1000") << u"delay:1000"_s << u"0"_s;
        QTest::newRow("leave 1 retry") << u"retries:1"_s << u"9"_s;
        QTest::newRow("leave 10 retries") << u"retries:10"_s << u"0"_s;
        QTest::newRow("ok 0.5 to 0") << u"ok:50;0.5"_s << u"Please select from 1 to 10 retries.;50;0"_s;
        QTest::newRow("ok 1001") << u"ok:1001;3"_s << u"Please select a number from 5 to 1000 ms.;1001;3"_s;
        QTest::newRow("ok delay not numeric") << u"ok:x;3"_s << u"Please select a number from 5 to 1000 ms.;x;3"_s;
        QTest::newRow("ok 131122, 50 in 16 bits")
            << u"ok:131122;3"_s << u"Please select a number from 5 to 1000 ms.;131122;3"_s;
        QTest::newRow("leave 4.6 unrounded") << u"delay:4.6"_s << u"Please select a number from 5 to 1000 ms."_s;
        QTest::newRow("leave not numeric") << u"delay:0x10"_s << u"Please select from 5 to 1000 milliseconds delay."_s;
        QTest::newRow("default mode") << u"height:1400;96;0;0"_s << u"93"_s;
        QTest::newRow("personal mode, 120 dpi, less frame") << u"height:5985;120;30;0"_s << u"469"_s;
        QTest::newRow("never below the content") << u"height:1400;96;30;80"_s << u"80"_s;
    }
    void rules()
    {
        QFETCH(QString, call);
        QFETCH(QString, result);
        using namespace OptionsInput;
        const QString rule = call.section(':', 0, 0);
        const QStringList a = call.section(':', 1).split(';');
        if (rule == "ok") {
            const OkResult r = acceptOk(a[0], a[1]);
            QCOMPARE(QStringList({messageText(r.message), r.delayText, r.retriesText}).join(';'), result);
        } else if (rule == "height") {
            const int height = DomainsPage::clientHeight(a[0].toInt(), a[1].toDouble(), a[2].toInt(), a[3].toInt());
            QCOMPARE(QString::number(height), result);
        } else {
            const LeaveResult r = rule == "delay" ? leaveDelay(a[0]) : leaveRetries(a[0]);
            QCOMPARE(r.message == Message::None ? QString::number(r.position) : messageText(r.message), result);
        }
    }

    // Every text of the dialogs, letter by letter.
    void texts_data()
    {
        QTest::addColumn<QString>("texts");
        const QString server = "txtDNSserver:  | The domainname or IP adress of the nameserver to query.";
        const QString delay = "Label2: Delay between queries (1/1000th seconds):";
        const QString retries = "Label3: Number of retries on each domain name:";
        const QString tips = "txtDNSdelay: 5 | The delay between each request issued to the selected nameserver.\n"
                             "txtDNSretries: 1 | The maximum number of times the program will query the nameserver "
                             "for each domain.\n" +
                             server;
        QTest::newRow("frmOptions")
            << "DNS Options\nLabel1: DNS to query :\n" + delay + '\n' + retries +
                   "\nLabel4: Use the same DNS as you normally use for your Internet use like "
                   "ns1.provider.example.net.\nDo NOT use a root server like a.root-servers.net, it will NOT work!\n"
                   "butCancel: Cancel\nbutOK: OK\n" +
                   tips;
        QTest::newRow("frmOptionsFirst")
            << "DNS Options\nLabel1: Please enter what nameserver that Orlevan should ask about domains. This will "
               "most "
               "often be the same nameserver you entered in your internet setup. A root name server will not work. It "
               "could look like dns1.provider.example.net, but do not type that one: it does not exist.\n" +
                   delay + '\n' + retries +
                   "\nLabel4: *Welcome to Orlevan*\nLabel5: Since this is the first time you run "
                   "Orlevan you need to enter a few default values. This is very simple and only has to be done once. "
                   "You can always change these values in the options menu.\nLabel6: Nameserver:\nLabel7: Now please "
                   "indicate how long Orlevan should wait between requests to the nameserver. A value of 30 to 100 "
                   "should work fine.\nLabel8: Finally tell me how many times you would like to retry a each domain "
                   "name if no satisfactory answer was given (or any) from the DNS. Recommended is 2-3.\nLine1: "
                   "---\nbutOK: D&one\n" +
                   tips;
        QTest::newRow("frmDomains")
            << u"Domains to search\nFrame1: Select domains you want included in searches\nbutCancel: Cancel\n"
               "butClearAll: Clear All\nbutOK: OK\nbutSelAll: Select All\ndefaultdomains: Check only these "
               "domains\nstaticdomainlabel: .com .net .org .us "
               ".to .tv .tm .nu\nuserdomains: Personal selection of domains"_s;
    }
    void texts()
    {
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QWidget* window = tag == "frmDomains"        ? static_cast<QWidget*>(Forms::domains())
                          : tag == "frmOptionsFirst" ? static_cast<QWidget*>(Forms::optionsFirst())
                                                     : Forms::options();
        // Only the DNS options leave the main window usable.
        QCOMPARE(window->isModal(), tag != "frmOptions");
        QTEST(textsOf(window).remove(QRegularExpression("\ndom_[^\n]*")), "texts");
    }

    void optionsStore_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result"); // stored dns|delay|retries|the three flags, then the delay in memory
        QTest::newRow("OK stores as typed") << true << u"|5|7|True|False|True/5"_s;
        QTest::newRow("Cancel reloads") << false << u"old|120|3|False|True|False/120"_s;
    }
    void optionsStore()
    {
        QFETCH(bool, ok);
        QFETCH(QString, result);
        Utils::AppSettings = {u"old"_s, 120, 3, false, true, false};
        Utils::SaveSettings();
        Utils::AppSettings = {u"old"_s, 300, 3, true, false, true};
        frmOptions* w = Forms::options();
        w->txtDNSserver->clear();
        w->txtDNSdelay->setText(u"4.6"_s);
        w->txtDNSretries->setText(u"7"_s);
        (ok ? w->butOK : w->butCancel)->click();
        QStringList keys;
        for (const char* key : {"dns", "delay", "retries", "ConfirmWhois", "SysTrayMinimize", "CheckWithDashes"})
            keys.append(stored(u"main/"_s + QString::fromLatin1(key)));
        QCOMPARE(keys.join('|') + '/' + QString::number(Utils::AppSettings.QueryDelay), result);
    }

    void domainsStore_data()
    {
        QTest::addColumn<QString>("clicks"); // buttons clicked after the third box, then the close box
        QTest::addColumn<QString>("result"); // stored mode ("-": none): flags in memory / flags stored
        const QString saved = u"00000100000000000000"_s, clicked = u"00100100000000000001"_s;
        QTest::newRow("OK, personal") << u"userdomains butOK"_s << "user:" + clicked + '/' + clicked;
        QTest::newRow("OK, default") << u"butOK"_s << "default:" + clicked + '/' + clicked;
        QTest::newRow("Cancel reloads") << u"userdomains butCancel"_s << "-:" + saved + '/' + saved;
        QTest::newRow("close box keeps clicks") << u"userdomains"_s << "-:" + clicked + '/' + saved;
    }
    void domainsStore()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, result);
        Utils::DomainTable[5].Selected = 1;
        Utils::SaveDomainSelection();
        Utils::DomainTable[19].Selected = 1; // off the first page
        frmDomains* w = Forms::domains();
        w->show();
        w->dom[2]->click();
        for (const QString& name : clicks.split(' '))
            w->findChild<QAbstractButton*>(name)->click();
        w->close();
        QCOMPARE(stored(u"main/domains"_s) + ':' + flags(), result);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const frmDomains* again = Forms::domains(); // opened again, it shows the selection in force
        QCOMPARE(again->userdomains->isChecked()      ? "user"
                 : again->defaultdomains->isChecked() ? "default"
                                                      : "none",
                 result.startsWith("user") ? "user" : "default");
    }

    // Up, Down and the wheel step the delay and retries as the bars' arrows do.
    void stepping()
    {
        frmOptions* w = Forms::options();
        w->show();
        const QLabel* label = w->findChild<QLabel*>("Label2"); // beside the delay it names
        QVERIFY(label->geometry().right() < w->txtDNSdelay->x() && label->y() > w->txtDNSserver->y());
        const int delay = w->VScroll1->value();
        for (const auto key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(w->txtDNSdelay, key);
        QCOMPARE(w->txtDNSdelay->text().toInt(), 1000 - delay + 1);
        QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        w->VScroll2->setValue(5);
        QApplication::sendEvent(w->txtDNSretries, &wheel);
        QCOMPARE(w->txtDNSretries->text(), QStringLiteral("4")); // a bar position of 6
    }

    void domainsPage()
    {
        frmDomains* w = Forms::domains();
        w->show();
        const auto outer = [w](int twips) {
            const int frame = w->frameGeometry().height() - w->geometry().height();
            return DomainsPage::clientHeight(twips, w->logicalDpiY(), frame, w->layout()->totalSizeHint().height());
        };
        QCOMPARE(w->height(), outer(1400));
        QStringList chain; // Tab goes through the modes and the buttons, then the page and its own buttons, round
        for (QWidget* f = w->defaultdomains; chain.size() < 21; f = f->nextInFocusChain())
            chain += f->focusPolicy() & Qt::TabFocus ? QStringList{f->objectName()} : QStringList{};
        QCOMPARE(chain.join(' '),
                 "defaultdomains userdomains butOK butCancel dom_0 dom_1 dom_2 dom_3 dom_4 dom_5 dom_6 "
                 "dom_7 dom_8 dom_9 dom_10 dom_11 dom_12 dom_13 butSelAll butClearAll defaultdomains");
        w->userdomains->click();
        QCOMPARE(w->height(), outer(5985));
        QTest::keyClicks(w, "T1"); // a label's first letters move the page to it
        QCOMPARE(w->VScroll1->value(), 1);
        QWheelEvent wheel({10, 10}, w->mapToGlobal(QPoint(10, 10)), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(w, &wheel); // the wheel over the page scrolls it
        QVERIFY(w->VScroll1->value() > 1);
        w->VScroll1->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(QStringList({w->dom[0]->text(), w->dom[13]->text()}), QStringList({u"t6 - T6"_s, u"t19 - T19"_s}));
        w->butSelAll->click();
        QVERIFY(flags().startsWith(QString(20, '1') + '/') && w->dom[13]->isChecked());
        w->butClearAll->click();
        QVERIFY(flags().startsWith(QString(20, '0') + '/') && !w->dom[13]->isChecked());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs_gui.moc"
