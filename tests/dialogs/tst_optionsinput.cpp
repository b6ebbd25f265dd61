#include "dialogs/OptionsInput.h"

#include <QTest>

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

    void halvesGoToEven()
    {
        const QList<QPair<double, double>> cases{{0.5, 0}, {1.5, 2}, {4.5, 4}, {4.6, 5}, {-1.5, -2}, {-2.6, -3}};
        for (const auto& [value, rounded] : cases)
            QCOMPARE(OptionsInput::roundHalfEven(value), rounded);
    }

    void ok_data()
    {
        QTest::addColumn<QString>("delayIn");
        QTest::addColumn<QString>("retriesIn");
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("delayOut");
        QTest::addColumn<QString>("retriesOut");
        QTest::newRow("4.6 becomes 5") << "4.6"
                                       << "3" << Message::None << "5"
                                       << "3";
        QTest::newRow("4.5 becomes 4") << "4.5"
                                       << "3" << Message::DelayRange << "4"
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
        // Retries are judged first, and nothing is normalised before both are numeric.
        QTest::newRow("both not numeric") << "x"
                                          << "y" << Message::RetriesRange << "x"
                                          << "y";
        QTest::newRow("delay not numeric") << "x"
                                           << "2.5" << Message::DelayRange << "x"
                                           << "2.5";
        // Both are normalised before either range is judged, the delay's first.
        QTest::newRow("both out of range") << "2000.7"
                                           << "0.2" << Message::DelayRange << "2001"
                                           << "0";
        QTest::newRow("blanks and exponent") << " 1e2 "
                                             << " 2 " << Message::None << "100"
                                             << "2";
        QTest::newRow("delay beyond 16 bits") << "123456"
                                              << "3" << Message::DelayRange << "123456"
                                              << "3";
        QTest::newRow("retries beyond 16 bits") << "50"
                                                << "99999" << Message::RetriesRange << "50"
                                                << "99999";
        QTest::newRow("retries beyond a byte") << "50"
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
        if (message == Message::None)
            QCOMPARE(QStringLiteral("%1/%2").arg(result.delay).arg(result.retries), delayOut + '/' + retriesOut);
    }
};

QTEST_GUILESS_MAIN(TestOptionsInput)
#include "tst_optionsinput.moc"
