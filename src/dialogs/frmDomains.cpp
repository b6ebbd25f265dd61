#include "dialogs/frmDomains.h"

#include "core/Utils.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

frmDomains::frmDomains(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDomains"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Domains to search"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    defaultdomains = new QRadioButton(QStringLiteral("Check only these domains"), this);
    defaultdomains->setObjectName(QStringLiteral("defaultdomains"));
    staticdomainlabel = new QLabel(QStringLiteral(".com .net .org .us .to .tv .tm .nu"), this);
    staticdomainlabel->setObjectName(QStringLiteral("staticdomainlabel"));
    userdomains = new QRadioButton(QStringLiteral("Personal selection of domains"), this);
    userdomains->setObjectName(QStringLiteral("userdomains"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(defaultdomains);
    layout->addWidget(staticdomainlabel);
    layout->addWidget(userdomains);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    (Utils::PersonalSelectionInForce() ? userdomains : defaultdomains)->setChecked(true);
}
