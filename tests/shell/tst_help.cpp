#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "shell/frmHelp.h"
#include "shell/modHTMLHelp.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

class TestHelp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;

    static frmHelp* openHelp()
    {
        modHTMLHelp::ShowHelp(QStringLiteral("Main"));
        return modHTMLHelp::helpWindowIfLoaded();
    }
    static QString page(const frmHelp* help) { return help->helpBrowser->source().fileName(); }
    static void follow(frmHelp* help, const char* link)
    {
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QString::fromLatin1(link)));
    }

private Q_SLOTS:
    void init()
    {
        platform = std::make_unique<TestPlatform>();
        resetProgramState(dir.path());
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
    }

    void cleanup()
    {
        delete modHTMLHelp::helpWindowIfLoaded();
        Forms::destroyAll();
        platform.reset();
    }

    void helpMenuOpensTheContents()
    {
        Forms::main()->mnuHelpIndex->trigger();
        frmHelp* help = modHTMLHelp::helpWindowIfLoaded();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->helpBrowser->source(), QUrl::fromLocalFile(modHTMLHelp::GetHelpFile()));
        QCOMPARE(help->windowTitle(), QStringLiteral("Orlevan Help"));
        QVERIFY(!help->cmdBack->isEnabled() && !help->cmdForward->isEnabled());
    }

    // Every link of every page leads to a page and anchor that exist, and the contents list every page.
    void pagesHoldTogether()
    {
        const QDir folder(QStringLiteral(ORLEVAN_BUILD_BIN "/help"));
        const auto read = [&](const QString& name) {
            QFile file(folder.filePath(name));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)#?([^\"]*)\""));
        QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.size() > 5);
        for (auto it = href.globalMatch(read(QStringLiteral("index.html"))); it.hasNext();)
            pages.removeAll(it.next().captured(1));
        QCOMPARE(pages, QStringList{QStringLiteral("index.html")});

        for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
            for (auto it = href.globalMatch(read(name)); it.hasNext();) {
                const auto link = it.next();
                const QString target = link.captured(1).isEmpty() ? name : link.captured(1);
                const QString where = name + QStringLiteral(" -> ") + link.captured(0);
                QVERIFY2(folder.exists(target), qPrintable(where));
                if (!link.captured(2).isEmpty())
                    QVERIFY2(read(target).contains(QStringLiteral("name=\"%1\"").arg(link.captured(2))),
                             qPrintable(where));
            }
        }
    }

    void backForwardAndContents()
    {
        frmHelp* help = openHelp();
        follow(help, "names.html");
        QCOMPARE(help->windowTitle(), QStringLiteral("Typing names"));
        follow(help, "dns.html#root");
        QCOMPARE(page(help), QStringLiteral("dns.html"));
        QCOMPARE(help->helpBrowser->source().fragment(), QStringLiteral("root"));
        help->cmdBack->click();
        help->cmdBack->click();
        help->cmdForward->click();
        QCOMPARE(page(help), QStringLiteral("names.html"));
        help->cmdContents->click();
        QCOMPARE(page(help), QStringLiteral("index.html"));

        // Web addresses go to the browser; the help stays where it is.
        follow(help, "http://www.example.org/page");
        QCOMPARE(platform->openedUrls, QStringList{QStringLiteral("http://www.example.org/page")});
        QCOMPARE(page(help), QStringLiteral("index.html"));

        // Asked again, the one help window goes back to its contents.
        follow(help, "tray.html");
        QCOMPARE(openHelp(), help);
        QCOMPARE(page(help), QStringLiteral("index.html"));
    }

    void missingHelpSaysWhereItBelongs()
    {
        Utils::ProgramFolder = dir.path();
        frmHelp* help = openHelp();
        QVERIFY(help->isVisible());
        QVERIFY(
            help->helpBrowser->toPlainText().contains(QDir::toNativeSeparators(dir.path() + QStringLiteral("/help"))));
        help->cmdContents->click();
        QVERIFY(platform->messages.isEmpty());
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
        QCOMPARE(openHelp(), help);
        QCOMPARE(page(help), QStringLiteral("index.html"));
    }

    // Runs last: it ends the event loop the way Exit does.
    void endOfProgramClosesTheHelp()
    {
        QPointer<frmHelp> help = openHelp();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QVERIFY(help.isNull());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
