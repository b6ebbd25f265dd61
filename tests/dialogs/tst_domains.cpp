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

QString label(int i)
{
    return QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0'));
}

// A table of n records t00, t01, ... with all flags cleared, stored as the confirmed selection.
void makeTable(int n)
{
    Utils::TldCount = qint16(n);
    for (int i = 0; i < n; ++i) {
        Utils::DomainTable[i].Tld = label(i);
        Utils::DomainTable[i].Description = QStringLiteral("Domain %1").arg(i);
    }
    Utils::SaveDomainSelection();
}

QString storedFlag(int i)
{
    return Utils::GetSetting(QStringLiteral("domains"), label(i), QStringLiteral("<absent>"));
}

QString storedMode()
{
    return Utils::GetSetting(QStringLiteral("main"), QStringLiteral("domains"), QStringLiteral("<absent>"));
}

int selectedCount()
{
    int n = 0;
    for (const auto& record : Utils::DomainTable)
        n += record.Selected;
    return n;
}

} // namespace

class TestDomains : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    static frmDomains* open()
    {
        frmDomains* dialog = Forms::domains();
        dialog->show();
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
        m_platform = nullptr;
    }

    void page_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("barMax");
        QTest::addColumn<int>("top");
        QTest::addColumn<QList<int>>("records"); // -1: the box shows nothing

        QList<int> first14, last14, five;
        for (int i = 0; i < 14; ++i) {
            first14 << i;
            last14 << 287 + i;
            five << (i < 5 ? i : -1);
        }
        QTest::newRow("exactly 14") << 14 << 0 << 0 << first14;
        QTest::newRow("full table, last page") << 301 << 287 << 287 << last14;
        QTest::newRow("fewer than 14") << 5 << 0 << 0 << five;
        QTest::newRow("none") << 0 << 0 << 0 << QList<int>(14, -1);
    }

    void page()
    {
        QFETCH(int, count);
        QFETCH(int, barMax);
        QFETCH(int, top);
        QFETCH(QList<int>, records);
        QCOMPARE(DomainsPage::barMaximum(count), barMax);
        for (int box = 0; box < DomainsPage::BoxCount; ++box)
            QCOMPARE(DomainsPage::recordAt(top, box, count).value_or(-1), records.at(box));
        // Past the last page nothing is addressed, however the bar got there.
        QVERIFY(!DomainsPage::recordAt(barMax + 1, 13, count));
        QVERIFY(!DomainsPage::recordAt(-1, 0, count));
    }

    void heights()
    {
        QCOMPARE(DomainsPage::twipsToPixels(1400, 96), 93);
        QCOMPARE(DomainsPage::twipsToPixels(5985, 96), 399);
        QCOMPARE(DomainsPage::twipsToPixels(250, 144), 25);
        QCOMPARE(DomainsPage::clientHeight(5985, 96, 30, 200), 369);
        // The contents never get cut off, whatever the twips say.
        QCOMPARE(DomainsPage::clientHeight(1400, 96, 30, 80), 80);
    }

    void pagingToTheEnd()
    {
        frmDomains* dialog = open();
        QCOMPARE(dialog->VScroll1->minimum(), 0);
        QCOMPARE(dialog->VScroll1->maximum(), 16);
        QCOMPARE(dialog->dom[0]->text(), QStringLiteral("t00 - Domain 0"));
        dialog->VScroll1->setValue(dialog->VScroll1->maximum());
        QCOMPARE(dialog->dom[0]->text(), QStringLiteral("t16 - Domain 16"));
        QCOMPARE(dialog->dom[13]->text(), QStringLiteral("t29 - Domain 29"));
        dialog->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(dialog->dom[13]->text(), QStringLiteral("t29 - Domain 29"));
        dialog->VScroll1->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(dialog->dom[0]->text(), QStringLiteral("t15 - Domain 15"));
    }

    void draggingRefreshesThePage()
    {
        frmDomains* dialog = open();
        dialog->VScroll1->setSliderDown(true);
        dialog->VScroll1->setSliderPosition(4);
        QCOMPARE(dialog->dom[0]->text(), QStringLiteral("t04 - Domain 4"));
        dialog->VScroll1->setSliderDown(false);
    }

    void smallTables_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("5 records") << 5;
        QTest::newRow("14 records") << 14;
    }

    void smallTables()
    {
        QFETCH(int, count);
        resetProgramState(m_dir.path());
        makeTable(count);
        frmDomains* dialog = open();
        dialog->userdomains->click();
        QCOMPARE(dialog->VScroll1->maximum(), 0);
        for (int i = 0; i < DomainsPage::BoxCount; ++i)
            QCOMPARE(dialog->dom[i]->isVisible(), i < count);
        dialog->butSelAll->click();
        QCOMPARE(selectedCount(), count);
        dialog->dom[count - 1]->click();
        QCOMPARE(Utils::DomainTable[count - 1].Selected, quint8(0));
        QCOMPARE(selectedCount(), count - 1);
    }

    void aTickSurvivesScrolling()
    {
        frmDomains* dialog = open();
        dialog->userdomains->click();
        dialog->VScroll1->setValue(3);
        dialog->dom[2]->click();
        QCOMPARE(Utils::DomainTable[5].Selected, quint8(1));
        QCOMPARE(selectedCount(), 1);
        dialog->VScroll1->setValue(10);
        QVERIFY(!dialog->dom[2]->isChecked());
        dialog->VScroll1->setValue(0);
        QVERIFY(dialog->dom[5]->isChecked());
        dialog->dom[5]->click();
        QCOMPARE(selectedCount(), 0);
    }

    void selectAllAndClearAllReachEveryRecord()
    {
        frmDomains* dialog = open();
        dialog->userdomains->click();
        dialog->VScroll1->setValue(7);
        dialog->butSelAll->click();
        QCOMPARE(selectedCount(), 30);
        QCOMPARE(dialog->VScroll1->value(), 7);
        QVERIFY(dialog->dom[13]->isChecked());
        // The slots behind the table stay untouched.
        QCOMPARE(Utils::DomainTable[30].Selected, quint8(0));
        dialog->butClearAll->click();
        QCOMPARE(selectedCount(), 0);
        QVERIFY(!dialog->dom[0]->isChecked());
    }

    void modeFromTheStore_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("personal");
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("default") << "default" << false;
        QTest::newRow("user") << "user" << true;
        QTest::newRow("other text") << "Default" << true;
    }

    void modeFromTheStore()
    {
        QFETCH(QString, stored);
        QFETCH(bool, personal);
        if (!stored.isNull())
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), stored);
        frmDomains* dialog = open();
        QCOMPARE(dialog->userdomains->isChecked(), personal);
        QCOMPARE(dialog->defaultdomains->isChecked(), !personal);
        QCOMPARE(dialog->Frame1->isVisible(), personal);
        QCOMPARE(Utils::PersonalSelectionInForce(), personal);
    }

    void compactHeightShowsOnlyTheTopBand()
    {
        frmDomains* dialog = open();
        QVERIFY(dialog->defaultdomains->isChecked());
        const int compact = dialog->height();
        QVERIFY(!dialog->Frame1->isVisible());
        QVERIFY(!dialog->butSelAll->isVisible());
        for (QWidget* w : {static_cast<QWidget*>(dialog->userdomains), static_cast<QWidget*>(dialog->butCancel)})
            QVERIFY(w->geometry().bottom() < compact);

        dialog->userdomains->click();
        QVERIFY(dialog->Frame1->isVisible());
        QVERIFY(dialog->height() > compact);
        QVERIFY(dialog->butSelAll->geometry().bottom() < dialog->height());
        QVERIFY(dialog->Frame1->geometry().top() >= dialog->butCancel->geometry().bottom());
        // Switching the mode leaves the flags alone.
        dialog->dom[1]->click();
        dialog->defaultdomains->click();
        QCOMPARE(dialog->height(), compact);
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(1));
    }

    void okStoresFlagsAndMode_data()
    {
        QTest::addColumn<bool>("personal");
        QTest::addColumn<QString>("mode");
        QTest::newRow("default list") << false << "default";
        QTest::newRow("personal selection") << true << "user";
    }

    void okStoresFlagsAndMode()
    {
        QFETCH(bool, personal);
        QFETCH(QString, mode);
        QPointer<frmDomains> dialog = open();
        dialog->userdomains->click();
        dialog->dom[4]->click();
        if (!personal)
            dialog->defaultdomains->click();
        dialog->butOK->click();
        // Even in default-list mode the flags in memory are stored.
        QCOMPARE(storedFlag(4), QStringLiteral("1"));
        QCOMPARE(storedFlag(5), QStringLiteral("0"));
        QCOMPARE(storedMode(), mode);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        QCOMPARE(Utils::PersonalSelectionInForce(), personal);
    }

    void cancelUndoesClicks()
    {
        Utils::DomainTable[9].Selected = 1;
        Utils::SaveDomainSelection();
        QPointer<frmDomains> dialog = open();
        dialog->userdomains->click();
        dialog->dom[2]->click();
        dialog->butClearAll->click();
        dialog->butCancel->click();
        QCOMPARE(selectedCount(), 1);
        QCOMPARE(Utils::DomainTable[9].Selected, quint8(1));
        QCOMPARE(storedMode(), QStringLiteral("<absent>"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void closeBoxKeepsClicksInMemoryOnly()
    {
        QPointer<frmDomains> dialog = open();
        dialog->userdomains->click();
        dialog->dom[2]->click();
        dialog->close();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        QCOMPARE(Utils::DomainTable[2].Selected, quint8(1));
        QCOMPARE(storedFlag(2), QStringLiteral("0"));
        QCOMPARE(storedMode(), QStringLiteral("<absent>"));

        // The next dialog starts from the stored mode, the flags in memory and the first page.
        dialog = open();
        QVERIFY(dialog->defaultdomains->isChecked());
        QCOMPARE(dialog->VScroll1->value(), 0);
        QVERIFY(dialog->dom[2]->isChecked());
    }

    void escapeIsCancel()
    {
        QPointer<frmDomains> dialog = open();
        dialog->userdomains->click();
        dialog->dom[0]->click();
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(selectedCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    // Start-up leaves a hidden dialog with the default list written without blanks; the menu shows that one
    // first, and a fresh one, with the layout's text, once it was closed.
    void labelTextAcrossOpenings_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("first run") << true;
        QTest::newRow("later start") << false;
    }

    void labelTextAcrossOpenings()
    {
        QFETCH(bool, firstRun);
        resetProgramState(m_dir.path());
        QVERIFY(QDir().mkpath(Utils::ProgramFolder));
        writeDataFile(Utils::ProgramFolder + QStringLiteral("/orvtab.dll"),
                      {QStringLiteral("int;International;;"), QStringLiteral("com;Commercial;;"),
                       QStringLiteral("net;Network;;")});
        QFile::remove(Utils::settingsFilePath());
        if (!firstRun) {
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("init"), QStringLiteral("False"));
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), QStringLiteral("user"));
        }
        QVERIFY(Forms::main()->Form_Load());
        QPointer<frmDomains> hidden = Forms::domainsIfLoaded();
        QVERIFY(hidden);
        QVERIFY(!hidden->isVisible());
        QCOMPARE(hidden->userdomains->isChecked(), !firstRun);

        QStringList labels;
        QList<QDialog*> dialogs;
        m_platform->onModal = [&](QDialog* dialog) {
            dialogs << dialog;
            labels << static_cast<frmDomains*>(dialog)->staticdomainlabel->text();
            dialog->show();
            static_cast<frmDomains*>(dialog)->butCancel->click();
            return int(QDialog::Rejected);
        };
        QAction* mnuDomains = Forms::main()->mnuDomains;
        mnuDomains->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(hidden.isNull(), 2000);
        mnuDomains->trigger();
        QCOMPARE(labels, (QStringList{QStringLiteral(".com.net.org.us.to.tv.tm.nu"),
                                      QStringLiteral(".com .net .org .us .to .tv .tm .nu")}));
        QCOMPARE(dialogs.size(), 2);
        QCOMPARE(m_platform->modalTitles.last(), QStringLiteral("Domains to search"));
    }
};

QTEST_MAIN(TestDomains)
#include "tst_domains.moc"
