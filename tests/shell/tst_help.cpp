#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "shell/frmHelp.h"
#include "shell/modHTMLHelp.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

namespace {
const QString sourceHelp = QStringLiteral(ORLEVAN_SOURCE_DIR "/data/help");

QString readPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QStringList linksOf(const QString& html)
{
    QStringList links;
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    for (auto it = href.globalMatch(html); it.hasNext();)
        links << it.next().captured(1);
    return links;
}
} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;

    frmHelp* openHelp()
    {
        modHTMLHelp::ShowHelp(QStringLiteral("Main"));
        return modHTMLHelp::helpWindowIfLoaded();
    }
    static QString pageOf(const frmHelp* help)
    {
        return QFileInfo(help->helpBrowser->source().toLocalFile()).fileName();
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
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->helpBrowser->source(), QUrl::fromLocalFile(modHTMLHelp::GetHelpFile()));
        QCOMPARE(help->helpBrowser->documentTitle(), QStringLiteral("Orlevan Help"));
        QCOMPARE(help->windowTitle(), QStringLiteral("Orlevan Help"));
        QVERIFY(!help->cmdBack->isEnabled());
        QVERIFY(!help->cmdForward->isEnabled());
        QVERIFY(platform->openedUrls.isEmpty());
    }

    void pagesLinkOnlyToWhatExists()
    {
        const QDir folder(sourceHelp);
        const QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.contains(QStringLiteral("index.html")));
        QVERIFY(pages.size() > 5);
        for (const QString& page : pages) {
            const QString html = readPage(folder.filePath(page));
            QVERIFY2(html.contains(QStringLiteral("<title>")), qPrintable(page));
            for (const QString& link : linksOf(html)) {
                if (link.startsWith(QStringLiteral("http://")) || link.startsWith(QStringLiteral("https://")))
                    continue;
                const QString file = link.section(QLatin1Char('#'), 0, 0);
                const QString anchor = link.section(QLatin1Char('#'), 1);
                const QString target = file.isEmpty() ? page : file;
                QVERIFY2(folder.exists(target), qPrintable(page + QStringLiteral(" -> ") + link));
                if (!anchor.isEmpty())
                    QVERIFY2(readPage(folder.filePath(target)).contains(QStringLiteral("name=\"%1\"").arg(anchor)),
                             qPrintable(page + QStringLiteral(" -> ") + link));
            }
        }
    }

    void contentsListEveryPage()
    {
        const QDir folder(sourceHelp);
        QSet<QString> listed;
        for (const QString& link : linksOf(readPage(folder.filePath(QStringLiteral("index.html")))))
            listed.insert(link.section(QLatin1Char('#'), 0, 0));
        for (const QString& page : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
            if (page != QStringLiteral("index.html"))
                QVERIFY2(listed.contains(page), qPrintable(page));
        }
    }

    void installedCopyIsComplete()
    {
        const QDir source(sourceHelp);
        for (const QString& file : source.entryList(QDir::Files))
            QVERIFY2(QFile::exists(QStringLiteral(ORLEVAN_BUILD_BIN "/help/") + file), qPrintable(file));
    }

    void backForwardAndContents()
    {
        frmHelp* help = openHelp();
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QStringLiteral("names.html")));
        QCOMPARE(pageOf(help), QStringLiteral("names.html"));
        QCOMPARE(help->windowTitle(), QStringLiteral("Typing names"));
        QVERIFY(help->cmdBack->isEnabled());
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QStringLiteral("index.html")));
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QStringLiteral("dns.html#root")));
        QCOMPARE(pageOf(help), QStringLiteral("dns.html"));
        QCOMPARE(help->helpBrowser->source().fragment(), QStringLiteral("root"));

        help->cmdBack->click();
        QCOMPARE(pageOf(help), QStringLiteral("index.html"));
        QVERIFY(help->cmdForward->isEnabled());
        help->cmdForward->click();
        QCOMPARE(pageOf(help), QStringLiteral("dns.html"));
        help->cmdContents->click();
        QCOMPARE(help->helpBrowser->source(), QUrl::fromLocalFile(modHTMLHelp::GetHelpFile()));

        // Asked again, the one help window goes back to its contents.
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QStringLiteral("tray.html")));
        QCOMPARE(openHelp(), help);
        QCOMPARE(pageOf(help), QStringLiteral("index.html"));
    }

    void webAddressesGoToTheBrowser()
    {
        frmHelp* help = openHelp();
        Q_EMIT help->helpBrowser->anchorClicked(QUrl(QStringLiteral("http://www.example.org/page")));
        QCOMPARE(platform->openedUrls, QStringList{QStringLiteral("http://www.example.org/page")});
        QCOMPARE(pageOf(help), QStringLiteral("index.html"));
    }

    void missingHelpSaysSoAndKeepsWorking()
    {
        Utils::ProgramFolder = dir.path();
        frmHelp* help = openHelp();
        QVERIFY(help->isVisible());
        QVERIFY(help->helpBrowser->toPlainText().contains(QStringLiteral("missing")));
        QVERIFY(
            help->helpBrowser->toPlainText().contains(QDir::toNativeSeparators(dir.path() + QStringLiteral("/help"))));
        help->cmdContents->click();
        QVERIFY(help->helpBrowser->toPlainText().contains(QStringLiteral("missing")));
        QVERIFY(platform->messages.isEmpty());

        // The pages come back: the next request shows them.
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
        QCOMPARE(openHelp(), help);
        QCOMPARE(help->helpBrowser->documentTitle(), QStringLiteral("Orlevan Help"));
    }

    // Runs last: it ends the event loop the way Exit does.
    void endOfProgramClosesTheHelp()
    {
        QPointer<frmHelp> help = openHelp();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QVERIFY(help.isNull());
        QVERIFY(!modHTMLHelp::helpWindowIfLoaded());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
