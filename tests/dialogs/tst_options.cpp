#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmOptionsFirst.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString RetriesMessage = QStringLiteral("Please select from 1 to 10 retries.");
const QString DelayMessage = QStringLiteral("Please select a number from 5 to 1000 ms.");
const QString DelayNotNumericMessage = QStringLiteral("Please select from 5 to 1000 milliseconds delay.");

QString stored(const char* key)
{
    return Utils::GetSetting(QStringLiteral("main"), QString::fromLatin1(key), QStringLiteral("<absent>"));
}

QStringList texts(const QList<TestPlatform::Message>& messages)
{
    QStringList out;
    for (const auto& message : messages)
        out << message.text;
    return out;
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    // The regular dialog as the options menu opens it: settings saved, then shown and active.
    frmOptions* openOptions()
    {
        Utils::SaveSettings();
        frmOptions* dialog = Forms::options();
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("options dialog did not become active");
        return dialog;
    }

    static void type(QLineEdit* box, const QString& text)
    {
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClicks(box, text);
        QCOMPARE(box->text(), text);
    }

private Q_SLOTS:
    void init()
    {
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        QFile::remove(Utils::settingsFilePath());
        Utils::AppSettings.NameServer = QStringLiteral("ns1.example.net");
        Utils::AppSettings.QueryDelay = 50;
        Utils::AppSettings.Retries = 3;
        Utils::SaveSettings();
    }

    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
        m_platform = nullptr;
    }

    void opensWithTheSettings()
    {
        frmOptions* dialog = openOptions();
        QCOMPARE(dialog->txtDNSserver->text(), QStringLiteral("ns1.example.net"));
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("50"));
        QCOMPARE(dialog->txtDNSretries->text(), QStringLiteral("3"));
        QCOMPARE(dialog->VScroll1->value(), 950);
        QCOMPARE(dialog->VScroll2->value(), 7);
        QVERIFY(!dialog->isModal());
        QVERIFY(m_platform->messages.isEmpty());
    }

    void outOfRangeSettingsAreClamped()
    {
        Utils::AppSettings.QueryDelay = 3000;
        Utils::AppSettings.Retries = 0;
        frmOptions* dialog = openOptions();
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("1000"));
        QCOMPARE(dialog->VScroll1->value(), 0);
        QCOMPARE(dialog->txtDNSretries->text(), QStringLiteral("1"));
        QCOMPARE(dialog->VScroll2->value(), 9);
    }

    void leavingABox_data()
    {
        QTest::addColumn<bool>("delayBox");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<int>("barAfter");

        QTest::newRow("delay 4.6") << true << "4.6" << DelayMessage << "4.6" << 950;
        QTest::newRow("delay 1000.5") << true << "1000.5" << DelayMessage << "1000.5" << 950;
        QTest::newRow("delay letters") << true << "soon" << DelayNotNumericMessage << "soon" << 950;
        QTest::newRow("delay six digits") << true << "999999" << DelayMessage << "999999" << 950;
        QTest::newRow("delay moves the bar") << true << "120" << QString() << "120" << 880;
        QTest::newRow("delay rewritten whole") << true << "7.5" << QString() << "8" << 992;
        QTest::newRow("retries 0.5") << false << "0.5" << RetriesMessage << "0.5" << 7;
        QTest::newRow("retries letters") << false << "many" << RetriesMessage << "many" << 7;
        QTest::newRow("retries 1.5") << false << "1.5" << QString() << "2" << 8;
        QTest::newRow("retries 10") << false << "10" << QString() << "10" << 0;
    }

    void leavingABox()
    {
        QFETCH(bool, delayBox);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, textAfter);
        QFETCH(int, barAfter);

        frmOptions* dialog = openOptions();
        QLineEdit* box = delayBox ? dialog->txtDNSdelay : dialog->txtDNSretries;
        QScrollBar* bar = delayBox ? dialog->VScroll1 : dialog->VScroll2;
        type(box, text);
        QVERIFY(m_platform->messages.isEmpty());
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(!box->hasFocus());

        QCOMPARE(texts(m_platform->messages), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(m_platform->messages.first().icon, Platform::NoIcon);
            QCOMPARE(m_platform->messages.first().buttons, Platform::Ok);
            QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan"));
        }
        QCOMPARE(box->text(), textAfter);
        QCOMPARE(bar->value(), barAfter);
        // Leaving checks and couples; it stores nothing.
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(50));
        QCOMPARE(Utils::AppSettings.Retries, quint8(3));
    }

    void leavingByMouseAndBacktab()
    {
        frmOptions* dialog = openOptions();
        type(dialog->txtDNSretries, QStringLiteral("12"));
        QTest::keyClick(dialog->txtDNSretries, Qt::Key_Backtab);
        QCOMPARE(texts(m_platform->messages), QStringList{RetriesMessage});
        QVERIFY(dialog->txtDNSdelay->hasFocus());

        type(dialog->txtDNSdelay, QStringLiteral("2"));
        QTest::mouseClick(dialog->txtDNSserver, Qt::LeftButton);
        QCOMPARE(texts(m_platform->messages), (QStringList{RetriesMessage, DelayMessage}));
    }

    // The dialog's own message box takes the activation from it; that is not leaving a box.
    void losingActivationIsNoLeaving()
    {
        frmOptions* dialog = openOptions();
        QWidget messageWindow;
        auto* answer = new QPushButton(QStringLiteral("OK"), &messageWindow);
        m_platform->onMessage = [&](const TestPlatform::Message&) {
            messageWindow.show();
            messageWindow.activateWindow();
            answer->setFocus();
            QVERIFY(QTest::qWaitForWindowActive(&messageWindow));
            messageWindow.hide();
            dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
        };

        // Enter in the delay box presses OK, whose message takes the focus away from the box.
        type(dialog->txtDNSdelay, QStringLiteral("later"));
        QTest::keyClick(dialog->txtDNSdelay, Qt::Key_Return);
        QCOMPARE(texts(m_platform->messages), QStringList{DelayMessage});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->txtDNSdelay));

        // Another window becoming active is no leaving either.
        m_platform->onMessage = nullptr;
        messageWindow.show();
        messageWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&messageWindow));
        QCOMPARE(m_platform->messages.size(), 1);
    }

    void ok_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("retries");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("delayAfter");
        QTest::addColumn<QString>("retriesAfter");

        QTest::newRow("4.6 stored as 5") << "4.6"
                                         << "3" << QString() << "5"
                                         << "3";
        QTest::newRow("1000.5 accepted") << "1000.5"
                                         << "3" << QString() << "1000"
                                         << "3";
        QTest::newRow("1001 refused") << "1001"
                                      << "3" << DelayMessage << "1001"
                                      << "3";
        QTest::newRow("retries 0.5 refused") << "50"
                                             << "0.5" << RetriesMessage << "50"
                                             << "0";
        QTest::newRow("retries 1.5 is 2") << "50"
                                          << "1.5" << QString() << "50"
                                          << "2";
        QTest::newRow("retries 10.5 is 10") << "50"
                                            << "10.5" << QString() << "50"
                                            << "10";
        QTest::newRow("both not numeric") << "x"
                                          << "y" << RetriesMessage << "x"
                                          << "y";
        QTest::newRow("normalised before refusing") << "77.7"
                                                    << "0.4" << RetriesMessage << "78"
                                                    << "0";
        QTest::newRow("delay too big for 16 bits") << "70000"
                                                   << "3" << DelayMessage << "70000"
                                                   << "3";
    }

    void ok()
    {
        QFETCH(QString, delay);
        QFETCH(QString, retries);
        QFETCH(QString, message);
        QFETCH(QString, delayAfter);
        QFETCH(QString, retriesAfter);

        QPointer<frmOptions> dialog = openOptions();
        dialog->txtDNSserver->setText(QStringLiteral("ns2.example.net"));
        dialog->txtDNSdelay->setText(delay);
        dialog->txtDNSretries->setText(retries);
        dialog->butOK->click();

        if (!message.isEmpty()) {
            QCOMPARE(texts(m_platform->messages), QStringList{message});
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(dialog->txtDNSdelay->text(), delayAfter);
            QCOMPARE(dialog->txtDNSretries->text(), retriesAfter);
            QCOMPARE(Utils::AppSettings.QueryDelay, qint16(50));
            QCOMPARE(Utils::AppSettings.NameServer, QStringLiteral("ns1.example.net"));
            QCOMPARE(stored("delay"), QStringLiteral("50"));
            QCOMPARE(stored("dns"), QStringLiteral("ns1.example.net"));
            return;
        }
        QVERIFY(m_platform->messages.isEmpty());
        QCOMPARE(QString::number(Utils::AppSettings.QueryDelay), delayAfter);
        QCOMPARE(QString::number(Utils::AppSettings.Retries), retriesAfter);
        QCOMPARE(Utils::AppSettings.NameServer, QStringLiteral("ns2.example.net"));
        QCOMPARE(stored("delay"), delayAfter);
        QCOMPARE(stored("retries"), retriesAfter);
        QCOMPARE(stored("dns"), QStringLiteral("ns2.example.net"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        QVERIFY(!Forms::optionsIfLoaded());
    }

    void okStoresEverySetting()
    {
        frmOptions* dialog = openOptions();
        // A menu switch flipped in memory while the dialog was open goes to the store with OK.
        Utils::AppSettings.ConfirmWhois = true;
        dialog->txtDNSserver->setText(QString());
        dialog->butOK->click();
        QCOMPARE(Utils::AppSettings.NameServer, QString());
        QCOMPARE(stored("dns"), QString());
        QCOMPARE(stored("ConfirmWhois"), QStringLiteral("True"));
    }

    void okAfterLeavingWithARoundedDelay()
    {
        QPointer<frmOptions> dialog = openOptions();
        type(dialog->txtDNSdelay, QStringLiteral("4.6"));
        // The click on OK leaves the box, which complains; that click is spent and leaves OK unpressed.
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QCOMPARE(texts(m_platform->messages), QStringList{DelayMessage});
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->butOK->isDown());
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(50));
        // The next click is OK's own: it rounds and accepts.
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(5));
        QCOMPARE(stored("delay"), QStringLiteral("5"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void clickAfterAnAcceptedLeavingGoesThrough()
    {
        QPointer<frmOptions> dialog = openOptions();
        type(dialog->txtDNSretries, QStringLiteral("4"));
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QVERIFY(m_platform->messages.isEmpty());
        QCOMPARE(Utils::AppSettings.Retries, quint8(4));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void barEnds_data()
    {
        QTest::addColumn<bool>("delayBar");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("upArrow");
        QTest::addColumn<QString>("textAfter");

        QTest::newRow("delay 1000 up") << true << 1000 << true << "1000";
        QTest::newRow("delay 5 down") << true << 5 << false << "5";
        QTest::newRow("delay 50 up") << true << 50 << true << "51";
        QTest::newRow("delay 50 down") << true << 50 << false << "49";
        QTest::newRow("retries 10 up") << false << 10 << true << "10";
        QTest::newRow("retries 1 down") << false << 1 << false << "1";
        QTest::newRow("retries 3 up") << false << 3 << true << "4";
    }

    void barEnds()
    {
        QFETCH(bool, delayBar);
        QFETCH(int, start);
        QFETCH(bool, upArrow);
        QFETCH(QString, textAfter);

        if (delayBar)
            Utils::AppSettings.QueryDelay = qint16(start);
        else
            Utils::AppSettings.Retries = quint8(start);
        frmOptions* dialog = openOptions();
        QScrollBar* bar = delayBar ? dialog->VScroll1 : dialog->VScroll2;
        const QPoint arrow(bar->width() / 2, upArrow ? 1 : bar->height() - 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, arrow);
        QCOMPARE((delayBar ? dialog->txtDNSdelay : dialog->txtDNSretries)->text(), textAfter);
    }

    void arrowStepsFromTheTypedValue()
    {
        frmOptions* dialog = openOptions();
        type(dialog->txtDNSdelay, QStringLiteral("120"));
        QTest::keyClick(dialog->txtDNSdelay, Qt::Key_Tab);
        dialog->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("121"));
    }

    void hiddenRegularDialogIgnoresItsBars()
    {
        frmOptions* dialog = Forms::options();
        dialog->VScroll1->setValue(500);
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("50"));
    }

    void cancelReloadsTheStore()
    {
        QPointer<frmOptions> dialog = openOptions();
        dialog->txtDNSdelay->setText(QStringLiteral("300"));
        dialog->txtDNSserver->setText(QStringLiteral("ns9.example.net"));
        Utils::AppSettings.QueryDelay = 77; // changed in memory but never saved
        dialog->butCancel->click();
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(50));
        QCOMPARE(Utils::AppSettings.NameServer, QStringLiteral("ns1.example.net"));
        QCOMPARE(stored("delay"), QStringLiteral("50"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void escapeIsCancel()
    {
        QPointer<frmOptions> dialog = openOptions();
        Utils::AppSettings.Retries = 9;
        QTest::keyClick(dialog->txtDNSserver, Qt::Key_Escape);
        QCOMPARE(Utils::AppSettings.Retries, quint8(3));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void closeBoxStoresAndLoadsNothing()
    {
        QPointer<frmOptions> dialog = openOptions();
        dialog->txtDNSdelay->setText(QStringLiteral("300"));
        Utils::AppSettings.QueryDelay = 77;
        dialog->close();
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(77));
        QCOMPARE(stored("delay"), QStringLiteral("50"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void firstRunTwin()
    {
        QPointer<frmOptionsFirst> dialog = Forms::optionsFirst();
        QVERIFY(dialog->isModal());
        QVERIFY(!dialog->butCancel);
        QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("butCancel")));
        QCOMPARE(dialog->butOK->text(), QStringLiteral("D&one"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("Welcome to Orlevan"));
        // Its bars follow even while it is not on screen, and the delay bar pages by one.
        dialog->VScroll1->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("51"));
        dialog->VScroll2->setValue(0);
        QCOMPARE(dialog->txtDNSretries->text(), QStringLiteral("10"));

        dialog->txtDNSdelay->setText(QStringLiteral("0.4"));
        dialog->butOK->click();
        QCOMPARE(texts(m_platform->messages), QStringList{DelayMessage});
        QCOMPARE(dialog->txtDNSdelay->text(), QStringLiteral("0"));
        dialog->txtDNSdelay->setText(QStringLiteral("40"));
        dialog->butOK->click();
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(40));
        QCOMPARE(Utils::AppSettings.Retries, quint8(10));
        QCOMPARE(stored("retries"), QStringLiteral("10"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    // First start: the notice, then the welcome page, both modal, before the main window shows.
    void firstStartShowsTheWelcomePage()
    {
        QVERIFY(QDir().mkpath(Utils::ProgramFolder));
        writeDataFile(Utils::ProgramFolder + QStringLiteral("/orvtab.dll"),
                      {QStringLiteral("int;International;;"), QStringLiteral("com;Commercial;;")});
        QFile::remove(Utils::settingsFilePath());

        QStringList shown;
        m_platform->onModal = [&](QDialog* dialog) {
            shown << dialog->objectName() + (Forms::main()->isVisible() ? QStringLiteral(" after main") : QString());
            if (auto* first = qobject_cast<frmOptionsFirst*>(dialog)) {
                shown << first->txtDNSdelay->text() + QLatin1Char('/') + first->txtDNSretries->text();
                first->txtDNSserver->setText(QStringLiteral("ns.example.net"));
                first->butOK->click();
                return int(QDialog::Accepted);
            }
            dialog->reject();
            return int(QDialog::Rejected);
        };
        QVERIFY(Forms::main()->Form_Load());
        QCOMPARE(shown,
                 (QStringList{QStringLiteral("frmReadme"), QStringLiteral("frmOptionsFirst"), QStringLiteral("50/3")}));
        QCOMPARE(stored("dns"), QStringLiteral("ns.example.net"));
        QCOMPARE(stored("init"), QStringLiteral("False"));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
