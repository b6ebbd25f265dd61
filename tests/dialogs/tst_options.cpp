#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/OptionsInput.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmOptionsFirst.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using OptionsInput::Message;
Q_DECLARE_METATYPE(Message)

namespace {
const QString RetriesMessage = QStringLiteral("Please select from 1 to 10 retries.");
const QString DelayMessage = QStringLiteral("Please select a number from 5 to 1000 ms.");
const QString DelayNotNumericMessage = QStringLiteral("Please select from 5 to 1000 milliseconds delay.");

QString stored(const char* key)
{
    return Utils::GetSetting(QStringLiteral("main"), QString::fromLatin1(key), QStringLiteral("<absent>"));
}
} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    QStringList messages() const
    {
        QStringList out;
        for (const auto& message : m_platform->messages)
            out << message.text;
        return out;
    }

    // As the options menu opens it: settings saved first, then shown and active.
    static frmOptions* openOptions()
    {
        Utils::SaveSettings();
        frmOptions* dialog = Forms::options();
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("the options dialog did not become active");
        return dialog;
    }

    static void type(QLineEdit* box, const QString& text)
    {
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClicks(box, text);
    }

private Q_SLOTS:
    void init()
    {
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        QFile::remove(Utils::settingsFilePath());
        Utils::AppSettings = {QStringLiteral("ns1.example.net"), 50, 3, false, false, false};
    }

    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
    }

    void numeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("signed fraction") << "-4.6" << true << -4.6;
        QTest::newRow("point first") << "+.5" << true << 0.5;
        QTest::newRow("point last") << "5." << true << 5.0;
        QTest::newRow("exponent") << "2.5E-1" << true << 0.25;
        QTest::newRow("blanks around") << " \t 12 \t" << true << 12.0;
        QTest::newRow("huge") << "1e400" << true << qInf();
        for (const char* text : {"", "  ", "-", ".", "1e", "e5", "1 0", "--1", "4,6", "1,000", "inf", "-Infinity",
                                 "nan", "0x10", "0x1p3", "12ms", "12\n", "\u0661\u0662"})
            QTest::newRow(text) << QString::fromUtf8(text) << false << 0.0;
    }

    void numeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        const auto result = OptionsInput::numericValue(text);
        QCOMPARE(result.has_value(), numeric);
        if (numeric)
            QCOMPARE(*result, value);
    }

    void ok_data()
    {
        QTest::addColumn<QString>("delayIn");
        QTest::addColumn<QString>("retriesIn");
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("delayOut");
        QTest::addColumn<QString>("retriesOut");
        const auto row = [](const char* name, const char* delayIn, const char* retriesIn, Message message,
                            const char* delayOut, const char* retriesOut) {
            QTest::newRow(name) << QString::fromUtf8(delayIn) << QString::fromUtf8(retriesIn) << message
                                << QString::fromUtf8(delayOut) << QString::fromUtf8(retriesOut);
        };
        row("4.6 becomes 5", "4.6", "3", Message::None, "5", "3");
        row("4.5 becomes 4", "4.5", "3", Message::DelayRange, "4", "3");
        row("1000.5", "1000.5", "3", Message::None, "1000", "3");
        row("1001", "1001", "3", Message::DelayRange, "1001", "3");
        row("retries 0.5", "50", "0.5", Message::RetriesRange, "50", "0");
        row("retries 1.5", "50", "1.5", Message::None, "50", "2");
        row("retries 10.5", "50", "10.5", Message::None, "50", "10");
        // Retries are judged first, and nothing is normalised before both are numeric.
        row("both not numeric", "x", "y", Message::RetriesRange, "x", "y");
        row("delay not numeric", "x", "2.5", Message::DelayRange, "x", "2.5");
        // Both are normalised before either range is judged, the delay's first.
        row("both out of range", "2000.7", "0.2", Message::DelayRange, "2001", "0");
        row("blanks and exponent", " 1e2 ", " 2 ", Message::None, "100", "2");
        row("delay beyond 16 bits", "123456", "3", Message::DelayRange, "123456", "3");
        row("retries beyond 16 bits", "50", "99999", Message::RetriesRange, "50", "99999");
        row("retries beyond a byte", "50", "257", Message::RetriesRange, "50", "257");
    }

    void ok()
    {
        QFETCH(QString, delayIn);
        QFETCH(QString, retriesIn);
        QFETCH(Message, message);
        QFETCH(QString, delayOut);
        QFETCH(QString, retriesOut);
        const auto result = OptionsInput::acceptOk(delayIn, retriesIn);
        QCOMPARE(result.message, message);
        QCOMPARE(result.delayText, delayOut);
        QCOMPARE(result.retriesText, retriesOut);
        if (message == Message::None)
            QCOMPARE(QStringLiteral("%1/%2").arg(result.delay).arg(result.retries), delayOut + '/' + retriesOut);
    }

    void leavingABox_data()
    {
        QTest::addColumn<bool>("delayBox");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<int>("barAfter");
        QTest::newRow("delay 4.6") << true << "4.6" << DelayMessage << "4.6" << 950;
        QTest::newRow("delay 1000.4") << true << "1000.4" << DelayMessage << "1000.4" << 950;
        QTest::newRow("delay letters") << true << "soon" << DelayNotNumericMessage << "soon" << 950;
        QTest::newRow("delay moves the bar") << true << "120" << QString() << "120" << 880;
        QTest::newRow("delay rewritten whole") << true << "7.5" << QString() << "8" << 992;
        QTest::newRow("retries 0.5") << false << "0.5" << RetriesMessage << "0.5" << 7;
        QTest::newRow("retries 10.5") << false << "10.5" << RetriesMessage << "10.5" << 7;
        QTest::newRow("retries 1.5") << false << "1.5" << QString() << "2" << 8;
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
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(box->text(), textAfter);
        QCOMPARE(bar->value(), barAfter);
        // The next arrow steps from where the typed value put the bar.
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(box->text(), QString::number((delayBox ? 1000 : 10) - barAfter + 1));
        QCOMPARE(stored("delay"), QStringLiteral("50"));
    }

    // The dialog's own message box, or any other window, taking the activation is no leaving of a box.
    void losingActivationIsNoLeaving()
    {
        frmOptions* dialog = openOptions();
        QWidget other;
        bool switched = false;
        m_platform->onMessage = [&](const TestPlatform::Message&) {
            other.show();
            other.activateWindow();
            switched = QTest::qWaitForWindowActive(&other);
            dialog->activateWindow();
            switched = switched && QTest::qWaitForWindowActive(dialog);
        };
        type(dialog->txtDNSdelay, QStringLiteral("later"));
        QTest::keyClick(dialog->txtDNSdelay, Qt::Key_Return); // presses OK
        QVERIFY(switched);
        QCOMPARE(messages(), QStringList{DelayMessage});
        QCOMPARE(QApplication::focusWidget(), dialog->txtDNSdelay);
    }

    void refusedLeavingSpendsTheClick()
    {
        QPointer<frmOptions> dialog = openOptions();
        type(dialog->txtDNSdelay, QStringLiteral("4.6"));
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QCOMPARE(messages(), QStringList{DelayMessage});
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->butOK->isDown());
        // OK's own click rounds 4.6 to 5 and accepts it.
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(5));
        QCOMPARE(stored("delay"), QStringLiteral("5"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void acceptedLeavingKeepsTheClick()
    {
        frmOptions* dialog = openOptions();
        type(dialog->txtDNSretries, QStringLiteral("4"));
        QTest::mouseClick(dialog->butOK, Qt::LeftButton);
        QCOMPARE(stored("retries"), QStringLiteral("4"));
    }

    void okRefusesThenStores()
    {
        frmOptions* dialog = openOptions();
        Utils::AppSettings.ConfirmWhois = true; // a menu switch flipped meanwhile goes to the store with OK
        dialog->txtDNSserver->clear();
        dialog->txtDNSdelay->setText(QStringLiteral("1001"));
        dialog->txtDNSretries->setText(QStringLiteral("2.5"));
        dialog->butOK->click();
        QCOMPARE(messages(), QStringList{DelayMessage});
        QCOMPARE(dialog->txtDNSretries->text(), QStringLiteral("2"));
        QCOMPARE(Utils::AppSettings.NameServer, QStringLiteral("ns1.example.net"));
        QCOMPARE(stored("ConfirmWhois"), QStringLiteral("False"));

        dialog->txtDNSdelay->setText(QStringLiteral("1000.5"));
        dialog->butOK->click();
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(Utils::AppSettings.NameServer, QString());
        QCOMPARE(stored("dns"), QString());
        QCOMPARE(stored("delay"), QStringLiteral("1000"));
        QCOMPARE(stored("retries"), QStringLiteral("2"));
        QCOMPARE(stored("ConfirmWhois"), QStringLiteral("True"));
    }

    void barEnds_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("retries");
        QTest::addColumn<bool>("upArrow");
        QTest::addColumn<QString>("texts");
        QTest::newRow("top ends, up") << 1000 << 10 << true << "1000/10";
        QTest::newRow("bottom ends, down") << 5 << 1 << false << "5/1";
        QTest::newRow("middle, up") << 50 << 3 << true << "51/4";
        QTest::newRow("middle, down") << 50 << 3 << false << "49/2";
        QTest::newRow("stored out of range") << 3000 << 0 << true << "1000/2";
    }

    void barEnds()
    {
        QFETCH(int, delay);
        QFETCH(int, retries);
        QFETCH(bool, upArrow);
        QFETCH(QString, texts);
        Utils::AppSettings.QueryDelay = qint16(delay);
        Utils::AppSettings.Retries = quint8(retries);
        frmOptions* dialog = openOptions();
        for (QScrollBar* bar : {dialog->VScroll1, dialog->VScroll2})
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, upArrow ? 1 : bar->height() - 2));
        QCOMPARE(dialog->txtDNSdelay->text() + '/' + dialog->txtDNSretries->text(), texts);
    }

    void cancelReloadsAndCloseBoxDoesNothing_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Cancel") << true;
        QTest::newRow("close box") << false;
    }

    void cancelReloadsAndCloseBoxDoesNothing()
    {
        QFETCH(bool, cancel);
        QPointer<frmOptions> dialog = openOptions();
        dialog->txtDNSdelay->setText(QStringLiteral("300"));
        Utils::AppSettings.QueryDelay = 77; // in memory only
        if (cancel)
            dialog->butCancel->click();
        else
            dialog->close();
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(cancel ? 50 : 77));
        QCOMPARE(stored("delay"), QStringLiteral("50"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    // First start: the notice, then the welcome page, both modal, before the main window shows.
    void firstStartShowsTheWelcomePage()
    {
        QVERIFY(QDir().mkpath(Utils::ProgramFolder));
        writeDataFile(Utils::ProgramFolder + QStringLiteral("/orvtab.dll"), {QStringLiteral("com;Commercial;;")});
        QStringList shown;
        m_platform->onModal = [&](QDialog* dialog) {
            shown << dialog->objectName() + (Forms::main()->isVisible() ? QStringLiteral(" late") : QString());
            if (auto* first = qobject_cast<frmOptionsFirst*>(dialog)) {
                shown << QStringLiteral("modal=%1 %2 cancel=%3 %4/%5")
                             .arg(first->isModal())
                             .arg(first->butOK->text())
                             .arg(first->butCancel != nullptr)
                             .arg(first->txtDNSdelay->text(), first->txtDNSretries->text());
                // The welcome page's delay bar pages by one.
                first->VScroll1->triggerAction(QAbstractSlider::SliderPageStepSub);
                first->txtDNSserver->setText(QStringLiteral("ns.example.net"));
                first->butOK->click();
            }
            return int(QDialog::Accepted);
        };
        QVERIFY(Forms::main()->Form_Load());
        QCOMPARE(shown, (QStringList{"frmReadme", "frmOptionsFirst", "modal=1 D&one cancel=0 50/3"}));
        QCOMPARE(stored("dns"), QStringLiteral("ns.example.net"));
        QCOMPARE(stored("delay"), QStringLiteral("51"));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
