#include "gui/results/frmDetails.h"

#include "core/Platform.h"
#include "gui/shell/modHTMLHelp.h"
#include "whois/RdapClient.h"
#include "whois/RdapDomain.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

frmDetails::frmDetails(const QString& domain, const QString& typed, const QString& service, const Rdap::Policy& policy,
                       QWidget* parent)
    : QDialog(parent), m_domain(domain), m_typed(typed.isEmpty() ? domain : typed), m_host(QUrl(service).host())
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("results.html"));
    setObjectName(QStringLiteral("frmDetails"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Registration details of ") + m_typed);
    setSizeGripEnabled(true);

    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));
    lblState->setTextFormat(Qt::PlainText);
    lblState->setWordWrap(true);
    txtDetails = new QPlainTextEdit(this);
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    txtDetails->setReadOnly(true);
    txtDetails->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDetails->setMinimumSize(420, 170);
    lblLink = new QLabel(this);
    lblLink->setObjectName(QStringLiteral("lblLink"));
    lblLink->setTextFormat(Qt::RichText);
    lblLink->setVisible(false);
    // The desktop opens the page; a link never opens inside the program.
    connect(lblLink, &QLabel::linkActivated, this, [](const QString& link) { Platform::instance().openAddress(link); });

    butWhois = new QPushButton(QStringLiteral("Lookup ") + domain + QStringLiteral(" with WHOIS"), this);
    butWhois->setObjectName(QStringLiteral("butWhois"));
    butWhois->setVisible(false);
    connect(butWhois, &QPushButton::clicked, this, [this] {
        Q_EMIT whoisLookupRequested(m_domain);
        close();
    });
    butWatch = new QPushButton(QStringLiteral("&Watch"), this);
    butWatch->setObjectName(QStringLiteral("butWatch"));
    connect(butWatch, &QPushButton::clicked, this, [this] {
        butWatch->setEnabled(false);
        Q_EMIT watchRequested(m_typed, m_domain);
    });
    butCancel = new QPushButton(QStringLiteral("Cancel"), this);
    butCancel->setObjectName(QStringLiteral("butCancel"));
    connect(butCancel, &QPushButton::clicked, this, &frmDetails::butCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(butWhois);
    buttons->addStretch();
    buttons->addWidget(butWatch);
    buttons->addWidget(butCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblState);
    layout->addWidget(txtDetails, 1);
    layout->addWidget(lblLink);
    layout->addLayout(buttons);

    m_rdap = new RdapClient(policy, this);
    connect(m_rdap, &RdapClient::finished, this, &frmDetails::onFinished);
    lblState->setText(QStringLiteral("Asking %1 about %2...").arg(m_host, m_typed));
    m_rdap->lookup(service, domain);
}

frmDetails::~frmDetails()
{
    m_rdap->cancel();
}

bool frmDetails::waiting() const
{
    return m_rdap->isBusy();
}

void frmDetails::butCancel_Click()
{
    if (!waiting()) {
        close();
        return;
    }
    m_rdap->cancel();
    lblState->setText(QStringLiteral("Cancelled before an answer came."));
    butCancel->setText(QStringLiteral("Close"));
    butWhois->setVisible(true);
}

void frmDetails::onFinished(const RdapOutcome& outcome)
{
    butCancel->setText(QStringLiteral("Close"));
    const auto parsed = outcome.httpStatus == 200 ? RdapDomain::parse(outcome.body) : std::nullopt;
    if (!parsed) {
        lblState->setText(RdapDomain::failureLine(outcome, m_host, m_domain));
        butWhois->setVisible(true);
        return;
    }
    const RdapDomain::Details& details = *parsed;
    lblState->setText(QStringLiteral("The registry's answer, from %1:").arg(m_host));
    txtDetails->setPlainText(RdapDomain::report(details, m_typed, QDateTime::currentDateTime(), QLocale()));
    if (!details.link.isEmpty()) {
        const QString link = details.link.toString(QUrl::FullyEncoded).toHtmlEscaped();
        lblLink->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(link));
        lblLink->setVisible(true);
    }
}
