#include "gui/shell/frmHelp.h"

#include "core/AppInfo.h"
#include "core/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppInfo::Title + QStringLiteral(" Help"));

    const auto toolButton = [this](const char* name, const QString& text, QStyle::StandardPixmap picture) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setIcon(style()->standardIcon(picture));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        return button;
    };
    cmdContents = toolButton("cmdContents", QStringLiteral("&Contents"), QStyle::SP_DirHomeIcon);
    cmdBack = toolButton("cmdBack", QStringLiteral("&Back"), QStyle::SP_ArrowBack);
    cmdForward = toolButton("cmdForward", QStringLiteral("&Forward"), QStyle::SP_ArrowForward);
    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);

    helpBrowser = new QTextBrowser(this);
    helpBrowser->setObjectName(QStringLiteral("helpBrowser"));
    // Links are followed here, so that pages of the help stay in the help and web addresses go to the browser.
    helpBrowser->setOpenLinks(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(cmdContents);
    bar->addWidget(cmdBack);
    bar->addWidget(cmdForward);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(helpBrowser);
    resize(720, 560);

    connect(cmdContents, &QToolButton::clicked, this, [this] {
        if (m_contents.isValid())
            helpBrowser->setSource(m_contents);
    });
    connect(cmdBack, &QToolButton::clicked, helpBrowser, &QTextBrowser::backward);
    connect(cmdForward, &QToolButton::clicked, helpBrowser, &QTextBrowser::forward);
    connect(helpBrowser, &QTextBrowser::backwardAvailable, cmdBack, &QToolButton::setEnabled);
    connect(helpBrowser, &QTextBrowser::forwardAvailable, cmdForward, &QToolButton::setEnabled);
    connect(helpBrowser, &QTextBrowser::anchorClicked, this, &frmHelp::helpBrowser_AnchorClicked);
    connect(helpBrowser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = helpBrowser->documentTitle();
        setWindowTitle(title.isEmpty() ? AppInfo::Title + QStringLiteral(" Help") : title);
    });
}

void frmHelp::showContents(const QString& contents)
{
    if (!QFileInfo(contents).isFile()) {
        m_contents = QUrl();
        showMissing(contents);
        return;
    }
    m_contents = QUrl::fromLocalFile(contents);
    helpBrowser->setSource(m_contents);
}

void frmHelp::helpBrowser_AnchorClicked(const QUrl& link)
{
    const QUrl target = helpBrowser->source().resolved(link);
    if (target.isLocalFile() || target.scheme().isEmpty()) {
        helpBrowser->setSource(target);
        return;
    }
    Platform::instance().openAddress(target.toString());
}

void frmHelp::showMissing(const QString& path)
{
    helpBrowser->setHtml(QStringLiteral("<h2>The help pages are missing</h2><p>They belong in <tt>%1</tt>. "
                                        "Installing Orlevan again puts them back.</p>")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()).toHtmlEscaped()));
}
