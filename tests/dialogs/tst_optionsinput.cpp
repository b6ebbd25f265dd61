#include "dialogs/OptionsInput.h"

#include <QTest>
#include <cmath>

using OptionsInput::Message;
Q_DECLARE_METATYPE(Message)

class TestOptionsInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");

        QTest::newRow("whole") << "50" << true << 50.0;
        QTest::newRow("signed") << "-7" << true << -7.0;
        QTest::newRow("plus") << "+7" << true << 7.0;
        QTest::newRow("fraction") << "4.6" << true << 4.6;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("exponent signed") << "2.5E-1" << true << 0.25;
        QTest::newRow("blanks around") << " \t 12 \t" << true << 12.0;
        QTest::newRow("huge") << "1e400" << true << HUGE_VAL;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("point only") << "." << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("exponent without mantissa") << "e5" << false << 0.0;
        QTest::newRow("blank inside") << "1 0" << false << 0.0;
        QTest::newRow("two signs") << "--1" << false << 0.0;
        QTest::newRow("comma decimal") << "4,6" << false << 0.0;
        QTest::newRow("thousands") << "1,000" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("infinity") << "-Infinity" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("hex float") << "0x1p3" << false << 0.0;
        QTest::newRow("letters after") << "12ms" << false << 0.0;
        QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
        QTest::newRow("newline after") << "12\n" << false << 0.0;
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

    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");

        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("4.5") << 4.5 << 4.0;
        QTest::newRow("4.6") << 4.6 << 5.0;
        QTest::newRow("4.4") << 4.4 << 4.0;
        QTest::newRow("-0.5") << -0.5 << 0.0;
        QTest::newRow("-1.5") << -1.5 << -2.0;
        QTest::newRow("-2.6") << -2.6 << -3.0;
        QTest::newRow("1000.5") << 1000.5 << 1000.0;
        QTest::newRow("1001.5") << 1001.5 << 1002.0;
    }

    void rounding()
    {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(OptionsInput::roundHalfEven(value), rounded);
    }

    void sixteenBits()
    {
        QCOMPARE(OptionsInput::toInt16(32767.4).value(), qint16(32767));
        QCOMPARE(OptionsInput::toInt16(-32768.5).value(), qint16(-32768));
        QVERIFY(!OptionsInput::toInt16(32767.5));
        QVERIFY(!OptionsInput::toInt16(-32769));
        QVERIFY(!OptionsInput::toInt16(HUGE_VAL));
    }

    void bars()
    {
        // Upside down: the top of each bar is the largest number.
        QCOMPARE(OptionsInput::delayToPosition(1000), 0);
        QCOMPARE(OptionsInput::delayToPosition(5), 995);
        QCOMPARE(OptionsInput::retriesToPosition(10), 0);
        QCOMPARE(OptionsInput::retriesToPosition(1), 9);
        // A stored value outside the range lands on the nearest end instead of outside the bar.
        QCOMPARE(OptionsInput::delayToPosition(-3), 995);
        QCOMPARE(OptionsInput::delayToPosition(30000), 0);
        QCOMPARE(OptionsInput::retriesToPosition(0), 9);
        QCOMPARE(OptionsInput::retriesToPosition(255), 0);
    }

    void leaving_data()
    {
        QTest::addColumn<bool>("delayBox");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Message>("message");
        QTest::addColumn<int>("position");

        QTest::newRow("delay fine") << true << "120" << Message::None << 880;
        QTest::newRow("delay rounds the position") << true << "7.5" << Message::None << 992;
        QTest::newRow("delay 4.6 judged as typed") << true << "4.6" << Message::DelayRange << 0;
        QTest::newRow("delay 1000.4 judged as typed") << true << "1000.4" << Message::DelayRange << 0;
        QTest::newRow("delay 1001") << true << "1001" << Message::DelayRange << 0;
        QTest::newRow("delay ends") << true << "5" << Message::None << 995;
        QTest::newRow("delay not numeric") << true << "fast" << Message::DelayNotNumeric << 0;
        QTest::newRow("delay empty") << true << "" << Message::DelayNotNumeric << 0;
        QTest::newRow("delay six digits") << true << "123456" << Message::DelayRange << 0;
        QTest::newRow("retries fine") << false << "3" << Message::None << 7;
        QTest::newRow("retries 1.5") << false << "1.5" << Message::None << 8;
        QTest::newRow("retries 0.5") << false << "0.5" << Message::RetriesRange << 0;
        QTest::newRow("retries 10.5") << false << "10.5" << Message::RetriesRange << 0;
        QTest::newRow("retries not numeric") << false << "two" << Message::RetriesRange << 0;
    }

    void leaving()
    {
        QFETCH(bool, delayBox);
        QFETCH(QString, text);
        QFETCH(Message, message);
        QFETCH(int, position);
        const auto result = delayBox ? OptionsInput::leaveDelay(text) : OptionsInput::leaveRetries(text);
        QCOMPARE(result.message, message);
        if (message == Message::None)
            QCOMPARE(result.position, position);
    }

    void ok_data()
    {
        QTest::addColumn<QString>("delayIn");
        QTest::addColumn<QString>("retriesIn");
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("delayOut");
        QTest::addColumn<QString>("retriesOut");

        QTest::newRow("plain") << "50"
                               << "3" << Message::None << "50"
                               << "3";
        QTest::newRow("4.6 becomes 5") << "4.6"
                                       << "3" << Message::None << "5"
                                       << "3";
        QTest::newRow("4.5 becomes 4") << "4.5"
                                       << "3" << Message::DelayRange << "4"
                                       << "3";
        QTest::newRow("1000.4") << "1000.4"
                                << "3" << Message::None << "1000"
                                << "3";
        QTest::newRow("1000.5") << "1000.5"
                                << "3" << Message::None << "1000"
                                << "3";
        QTest::newRow("1001") << "1001"
                              << "3" << Message::DelayRange << "1001"
                              << "3";
        QTest::newRow("retries 0.5") << "50"
                                     << "0.5" << Message::RetriesRange << "50"
                                     << "0";
        QTest::newRow("retries 1.5") << "50"
                                     << "1.5" << Message::None << "50"
                                     << "2";
        QTest::newRow("retries 10.5") << "50"
                                      << "10.5" << Message::None << "50"
                                      << "10";
        QTest::newRow("retries 11") << "50"
                                    << "11" << Message::RetriesRange << "50"
                                    << "11";
        // Retries are looked at first, and nothing is normalised before both are numeric.
        QTest::newRow("both not numeric") << "x"
                                          << "y" << Message::RetriesRange << "x"
                                          << "y";
        QTest::newRow("delay not numeric") << "x"
                                           << "2.5" << Message::DelayRange << "x"
                                           << "2.5";
        // Both are normalised before either range is judged; the delay message comes first.
        QTest::newRow("both out of range") << "2000.7"
                                           << "0.2" << Message::DelayRange << "2001"
                                           << "0";
        QTest::newRow("blanks") << " 60 "
                                << " 2 " << Message::None << "60"
                                << "2";
        QTest::newRow("exponent") << "1e2"
                                  << "3" << Message::None << "100"
                                  << "3";
        QTest::newRow("negative") << "-50"
                                  << "3" << Message::DelayRange << "-50"
                                  << "3";
        QTest::newRow("delay beyond 16 bits") << "123456"
                                              << "3" << Message::DelayRange << "123456"
                                              << "3";
        QTest::newRow("retries beyond 16 bits") << "50"
                                                << "99999" << Message::RetriesRange << "50"
                                                << "99999";
        QTest::newRow("retries past a byte") << "50"
                                             << "257" << Message::RetriesRange << "50"
                                             << "257";
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
        if (message == Message::None) {
            QCOMPARE(QString::number(result.delay), delayOut);
            QCOMPARE(QString::number(result.retries), retriesOut);
        }
    }

    void messages()
    {
        QCOMPARE(OptionsInput::messageText(Message::RetriesRange),
                 QStringLiteral("Please select from 1 to 10 retries."));
        QCOMPARE(OptionsInput::messageText(Message::DelayRange),
                 QStringLiteral("Please select a number from 5 to 1000 ms."));
        QCOMPARE(OptionsInput::messageText(Message::DelayNotNumeric),
                 QStringLiteral("Please select from 5 to 1000 milliseconds delay."));
    }
};

QTEST_GUILESS_MAIN(TestOptionsInput)
#include "tst_optionsinput.moc"
