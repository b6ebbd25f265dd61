#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/DomainsPage.h"
#include "dialogs/frmDomains.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records t00, t01, ... with every flag cleared, stored as the confirmed selection.
void makeTable(int n)
{
    Utils::TldCount = qint16(n);
    for (int i = 0; i < n; ++i) {
        Utils::DomainTable[i].Tld = QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0'));
        Utils::DomainTable[i].Description = QString::number(i);
    }
    Utils::SaveDomainSelection();
}

// "section/key" as the store names it.
QString stored(const QString& setting)
{
    return Utils::GetSetting(setting.section('/', 0, 0), setting.section('/', 1), QStringLiteral("<absent>"));
}

// The flags of the whole table, slots behind the records included, as a string of 0 and 1.
QString flags()
{
    QString out;
    for (const auto& record : Utils::DomainTable)
        out += QChar('0' + record.Selected);
    return out;
}

QString flagsWith(std::initializer_list<int> selected)
{
    QString out(Utils::DomainTableSize, QLatin1Char('0'));
    for (int i : selected)
        out[i] = QLatin1Char('1');
    return out;
}

} // namespace

class TestDomains : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    static frmDomains* open(bool personal = true)
    {
        frmDomains* dialog = Forms::domains();
        dialog->show();
        if (personal)
            dialog->userdomains->click();
        return dialog;
    }

private Q_SLOTS:
    void init()
    {
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        QFile::remove(Utils::settingsFilePath());
        makeTable(30);
    }

    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
    }

    // The bar pages one record per step and never past the table; surplus boxes hide.
    void paging_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("30 records") << 30;
        QTest::newRow("14 records") << 14;
        QTest::newRow("5 records") << 5;
    }

    void paging()
    {
        QFETCH(int, count);
        makeTable(count);
        frmDomains* dialog = open();
        const int last = qMax(0, count - DomainsPage::BoxCount);
        QCOMPARE(dialog->VScroll1->maximum(), last);
        dialog->VScroll1->setValue(last);
        for (int i = 0; i < DomainsPage::BoxCount; ++i)
            QCOMPARE(dialog->dom[i]->isVisible(), i < count);
        QCOMPARE(dialog->dom[0]->text(), QStringLiteral("t%1 - %2").arg(last, 2, 10, QLatin1Char('0')).arg(last));
        QCOMPARE(dialog->dom[qMin(count, 14) - 1]->text(),
                 QStringLiteral("t%1 - %2").arg(count - 1, 2, 10, QLatin1Char('0')).arg(count - 1));
        dialog->VScroll1->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(dialog->VScroll1->value(), qMax(0, last - 1));
        dialog->butSelAll->click();
        QCOMPARE(flags(), QString(count, QLatin1Char('1')) + QString(301 - count, QLatin1Char('0')));
    }

    void tickSurvivesScrollingAndAllReachesOffPage()
    {
        frmDomains* dialog = open();
        dialog->VScroll1->setValue(3);
        dialog->dom[2]->click();
        QCOMPARE(flags(), flagsWith({5}));
        dialog->VScroll1->setValue(10);
        QVERIFY(!dialog->dom[2]->isChecked());
        dialog->VScroll1->setValue(0);
        QVERIFY(dialog->dom[5]->isChecked());

        dialog->VScroll1->setValue(7);
        dialog->butSelAll->click();
        QCOMPARE(flags(), QString(30, QLatin1Char('1')) + QString(271, QLatin1Char('0')));
        QCOMPARE(dialog->VScroll1->value(), 7);
        QVERIFY(dialog->dom[13]->isChecked());
        dialog->butClearAll->click();
        QCOMPARE(flags(), flagsWith({}));
        QVERIFY(!dialog->dom[13]->isChecked());
    }

    void modeFromTheStore_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("personal");
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("default") << "default" << false;
        QTest::newRow("user") << "user" << true;
        QTest::newRow("other text") << "Default" << true;
    }

    void modeFromTheStore()
    {
        QFETCH(QString, mode);
        QFETCH(bool, personal);
        if (!mode.isNull())
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), mode);
        frmDomains* dialog = open(false);
        QCOMPARE(dialog->userdomains->isChecked(), personal);
        QCOMPARE(dialog->defaultdomains->isChecked(), !personal);
        QCOMPARE(dialog->Frame1->isVisible(), personal);
        QCOMPARE(Utils::PersonalSelectionInForce(), personal);
    }

    void compactHeightShowsOnlyTheTopBand()
    {
        frmDomains* dialog = open(false);
        const int compact = dialog->height();
        QVERIFY(!dialog->Frame1->isVisible() && !dialog->butSelAll->isVisible());
        QVERIFY(dialog->userdomains->geometry().bottom() < compact);
        QVERIFY(dialog->butCancel->geometry().bottom() < compact);
        dialog->userdomains->click();
        QVERIFY(dialog->Frame1->isVisible());
        QVERIFY(dialog->Frame1->geometry().top() > dialog->butCancel->geometry().bottom());
        QVERIFY(dialog->butSelAll->geometry().bottom() < dialog->height());
        dialog->defaultdomains->click();
        QCOMPARE(dialog->height(), compact);
    }

    void okStoresFlagsInEitherMode_data()
    {
        QTest::addColumn<bool>("personal");
        QTest::newRow("default list") << false;
        QTest::newRow("personal selection") << true;
    }

    void okStoresFlagsInEitherMode()
    {
        QFETCH(bool, personal);
        frmDomains* dialog = open();
        dialog->dom[4]->click();
        if (!personal)
            dialog->defaultdomains->click();
        dialog->butOK->click();
        QCOMPARE(stored("domains/t04"), QStringLiteral("1"));
        QCOMPARE(stored("domains/t05"), QStringLiteral("0"));
        QCOMPARE(stored("main/domains"), personal ? "user" : "default");
    }

    void cancelUndoesAndCloseBoxKeeps_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Cancel") << true;
        QTest::newRow("close box") << false;
    }

    void cancelUndoesAndCloseBoxKeeps()
    {
        QFETCH(bool, cancel);
        Utils::DomainTable[9].Selected = 1;
        Utils::SaveDomainSelection();
        QPointer<frmDomains> dialog = open();
        dialog->butClearAll->click();
        dialog->dom[2]->click();
        if (cancel)
            dialog->butCancel->click();
        else
            dialog->close();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        QCOMPARE(flags(), cancel ? flagsWith({9}) : flagsWith({2}));
        QCOMPARE(stored("domains/t02"), QStringLiteral("0"));
        QCOMPARE(stored("main/domains"), QStringLiteral("<absent>"));

        // A new dialog starts from the stored mode, the flags in memory and the first page.
        dialog = open(false);
        QVERIFY(dialog->defaultdomains->isChecked());
        QCOMPARE(dialog->dom[2]->isChecked(), !cancel);
    }

    // Start-up leaves a hidden dialog whose label lists the default domains without blanks; the menu shows that
    // one first, and after it was closed a new one with the layout's text.
    void labelAcrossOpeningsAfterStartUp()
    {
        QVERIFY(QDir().mkpath(Utils::ProgramFolder));
        writeDataFile(Utils::ProgramFolder + QStringLiteral("/orvtab.dll"), {QStringLiteral("com;Commercial;;")});
        QVERIFY(Forms::main()->Form_Load());
        QPointer<frmDomains> hidden = Forms::domainsIfLoaded();
        QVERIFY(hidden && !hidden->isVisible());

        QStringList labels;
        m_platform->onModal = [&](QDialog* dialog) {
            labels << static_cast<frmDomains*>(dialog)->staticdomainlabel->text();
            dialog->show();
            static_cast<frmDomains*>(dialog)->butCancel->click();
            return int(QDialog::Rejected);
        };
        Forms::main()->mnuDomains->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(hidden.isNull(), 2000);
        Forms::main()->mnuDomains->trigger();
        QCOMPARE(labels, (QStringList{".com.net.org.us.to.tv.tm.nu", ".com .net .org .us .to .tv .tm .nu"}));
    }
};

QTEST_MAIN(TestDomains)
#include "tst_domains.moc"
