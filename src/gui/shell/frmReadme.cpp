#include "gui/shell/frmReadme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmReadme::frmReadme(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReadme"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Important information!"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    const auto addLabel = [this, layout](const char* name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        layout->addWidget(label);
        return label;
    };

    Label1 = addLabel("Label1", QStringLiteral("Important - read this!"));
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    Label1->setFont(heading);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    layout->addWidget(Line1);

    Label2 = addLabel(
        "Label2", QStringLiteral("Orlevan will check Internet domains in two ways. Using a DNS (the default method) "
                                 "and now also using WHOIS. Since WHOIS is a very slow protocol it is only "
                                 "recommended that you use it for verifying a domain you found is really free."));
    Label3 = addLabel("Label3",
                      QStringLiteral("Since both DNS and WHOIS will occasionally give false results you should always "
                                     "check with both before ordering a domain. DNS will in most cases be reliable."));
    Label4 = addLabel(
        "Label4",
        QStringLiteral("Orlevan has an option to verify all domains found free with WHOIS (after the DNS checks "
                       "complete). This can take a very long time if you have many free domains. This option is "
                       "therefore default turned OFF.  You can turn it on in the options menu - but beware that each "
                       "domain may take 2-5 seconds."));
    Label5 = addLabel("Label5",
                      QStringLiteral("You can always click on a domain and have Orlevan make a WHOIS lookup on it - "
                                     "this is the fastest way to make sure a domain is really free."));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    layout->addLayout(buttons);

    // Wrapped labels only know their height once the width is fixed.
    constexpr int width = 460;
    setFixedSize(width, heightForWidth(width));
}
